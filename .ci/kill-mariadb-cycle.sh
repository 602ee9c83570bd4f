#!/usr/bin/env bash
# The database server killed (kill -9) in the middle of a cycle: the table the
# web pages read must stay the one published before, complete, the agent must
# end with one event about the lost connection, and after a restart of the
# server the next cycle must publish a complete new table.
#
# Bookings ride along: the web pages' rows in table Meetings (new meetings, a
# "no invitation" booking and the cancellation of a meeting booked one cycle
# earlier) are taken by the killed cycle, which made some of them before the
# kill and not the others. After the next cycle each booking must be in each
# of its mailboxes exactly once, the cancelled one in none, every meeting
# request must have arrived once and the rows must stand at their final
# statuses.
#
#   .ci/kill-mariadb-cycle.sh BUILD_DIR [MAILBOXES] [ITEMS]
#
# Uses a private MariaDB server of its own (next free port from
# $KORVALE_KILL_MYSQL_PORT, default 3340), so the test server of the suite is
# not touched; everything lives in a temporary folder that is removed at the
# end.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:?usage: .ci/kill-mariadb-cycle.sh BUILD_DIR [MAILBOXES] [ITEMS]}"
mailboxes="${2:-300}" items="${3:-40}"
[ "$mailboxes" -ge 10 ] || { echo "kill-mariadb-cycle: at least 10 mailboxes" >&2; exit 2; }
say() { echo "kill-mariadb-cycle: $*" >&2; }
fail() {
  say "FAILED: $*"
  if [ -s "${events:-}" ]; then say "the agent's last events:"; tail -n 15 "$events" >&2; fi
  exit 1
}

ninja -C "$build" -j2 Caldrun korvale-bench-gen korvale-orgadmin >/dev/null
work="$(mktemp -d)"
server_dir="$work/mariadb"
cleanup() {
  if [ -f "${base:-/nonexistent}/mysqld.pid" ]; then kill -9 "$(cat "$base/mysqld.pid")" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

start_server() {
  eval "$(KORVALE_TEST_MYSQL_PORT="${KORVALE_KILL_MYSQL_PORT:-3340}" KORVALE_MARIADB_DIR="$server_dir" \
    bash "$root/.ci/start-mariadb.sh")"
  base="$server_dir-$KORVALE_TEST_MYSQL_PORT"
  # The test server writes its log once a second; a server that is killed must
  # keep every transaction it has committed, as a real one does, or a booking
  # the agent saw committed could vanish under it.
  mariadb --no-defaults --socket="$base/mysqld.sock" -uroot \
    -e "SET GLOBAL innodb_flush_log_at_trx_commit = 2"
}
start_server
sql() {
  MYSQL_PWD="$KORVALE_TEST_MYSQL_PASSWORD" mariadb --no-defaults -N -h "$KORVALE_TEST_MYSQL_HOST" \
    -P "$KORVALE_TEST_MYSQL_PORT" -u "$KORVALE_TEST_MYSQL_USER" "$KORVALE_TEST_MYSQL_DB" -e "$1"
}
export ODBCINI="$work/odbc.ini"
printf '[kill-agent]\nDriver=MariaDB Unicode\nServer=%s\nPort=%s\nDatabase=%s\nUser=%s\nPassword=%s\n' \
  "$KORVALE_TEST_MYSQL_HOST" "$KORVALE_TEST_MYSQL_PORT" "$KORVALE_TEST_MYSQL_DB" \
  "$KORVALE_TEST_MYSQL_USER" "$KORVALE_TEST_MYSQL_PASSWORD" > "$ODBCINI"

install="$work/install"
"$build/bench/korvale-bench-gen" --out "$install" --dsn kill-agent --mailboxes "$mailboxes" --servers 2 \
  --items "$items" --seed 7 --instance KorvaleKill >/dev/null
install -m 755 "$build/agent/core/Caldrun" "$install/"
sed -i "s|^SQLite=1$|SQLite=0\nmySQL=1|" "$install/Caldrun.ini"
events="$work/events.jsonl"
cycle() {
  (cd "$install" && KORVALE_EVENTLOG="$events" KORVALE_ATOM_DIR="$work/atoms" ./Caldrun KorvaleKill)
}
active() { sql "SELECT ActiveTable FROM KorvaleConfig"; }
orgadmin() { "$build/tools/orgadmin/korvale-orgadmin" "$@"; }
store="$install/organisation.db"

# What the web pages show of a table: its appointment and user rows (the
# marker rows carry the time of their cycle), without the rows of this
# script's bookings (booking numbers "KILL-..."), which booked() looks at.
digest() {
  sql "SET SESSION group_concat_max_len = 1073741824;
       SELECT COUNT(*), MD5(GROUP_CONCAT(CONCAT_WS('|', Name, Start, EndTime, Title, Status, Location, ACL)
       ORDER BY Name, Start, EndTime, Title SEPARATOR '#')) FROM $1
       WHERE Status <> 8 AND COALESCE(KRVBookingNumber, '') NOT LIKE 'KILL-%'"
}
# The rows of a table for one booking: "mailbox|title" lines, sorted.
booked() { sql "SELECT CONCAT(Name, '|', Title) FROM $1 WHERE KRVBookingNumber = '$2' ORDER BY Name"; }
user() { printf 'Bench User %05d' "$1"; }
# Number of items in a mailbox's calendar folder.
calendar_items() {
  orgadmin list "$store" folders --mailbox "user$1" | awk -F'\t' '$2 == "Calendar" { print $3 }'
}
check_items() {  # MAILBOX EXPECTED WHAT
  local got; got="$(calendar_items "$1")"
  [ "$got" = "$2" ] || fail "$3: the calendar of user$1 holds $got items, expected $2"
}
# How many messages of a class with a subject arrived in a mailbox's Inbox.
arrived() { orgadmin inbox "$store" "user$1" | grep -cF "[$2] $3" || true; }
# A row as the web pages write it: NUMBER ORGANIZER ATTENDEES TITLE DAY MINUTE [INITIALS].
book() {
  local start="DATE_ADD(DATE_ADD(CURDATE(), INTERVAL $5 DAY), INTERVAL $6 MINUTE)"
  sql "INSERT INTO Meetings (Name, Start, EndTime, Title, Status, Location, Phone, Office, Initials, ACL,
                             Category, DL, Organizer, Attendees, BookingStatus)
       VALUES ('$(user 9)', $start, DATE_ADD($start, INTERVAL 1 HOUR), '$4', 2, 'Room 1', '15', '$1',
               '${7:-}', '', 'Internal', 'Staff SRV1', '$2', '$3', 1)"
}
status_of() { sql "SELECT COALESCE(GROUP_CONCAT(BookingStatus), '-') FROM Meetings WHERE Office = '$1'"; }

# Mailboxes are scanned group by group: even numbers (Staff SRV1) first, then
# odd ones. The kill comes a third into the rows, inside the first group, so
# bookings of user0 and user2 are made before it and those of user1 and of
# the last odd mailbox after it.
last=$((mailboxes - 1)); [ $((last % 2)) = 1 ] || last=$((last - 1))
cancel_title="Kill test cancelled" early_title="Kill test early" late_title="Kill test late"
direct_title="Kill test direct"

cycle
for n in 0 1 2 6 "$last"; do base_items[$n]="$(calendar_items "$n")"; done
book KILL-C "$(user 6)" "$(user 7)" "$cancel_title" 3 600
cycle
[ "$(status_of KILL-C)" = 2 ] || fail "the booking to cancel was not taken: status $(status_of KILL-C)"
[ "$(booked "$(active)" KILL-C)" = "$(user 6)|$cancel_title" ] || fail "the booking to cancel was not published"
[ "$(calendar_items 6)" = $((base_items[6] + 1)) ] || fail "the booking to cancel is not in its calendar"

old="$(active)"
[ -n "$old" ] || fail "the first cycles published nothing"
old_digest="$(digest "$old")"
old_whole="$(sql "SELECT COUNT(*) FROM $old WHERE Status <> 8")"
rows="${old_digest%%[[:space:]]*}"
[ "$rows" -gt 1000 ] || fail "the first cycles published only $rows rows"
fill=KorvaleTable2
[ "$old" = KorvaleTable1 ] || fill=KorvaleTable1

book KILL-E "$(user 0)" "$(user 3);$(user 5)" "$early_title" 4 540
book KILL-L "$(user 1)" "$(user 2);$(user 4)" "$late_title" 5 840
book KILL-D "" "$(user 2);$(user "$last")" "$direct_title" 6 480 "no invitation"
sql "UPDATE Meetings SET BookingStatus = 3 WHERE Office = 'KILL-C'"
say "published $old with $rows rows; killing the server while $fill fills, after the bookings were taken"

taken() {
  [ "$(sql "SELECT COUNT(*) FROM Meetings WHERE Office LIKE 'KILL-%' AND BookingStatus = 2" 2>/dev/null)" = 3 ] &&
    [ "$(status_of KILL-C 2>/dev/null)" = - ]
}
lines_before="$(wc -l < "$events")"
cycle & agent=$!
killed=""
for _ in $(seq 1 600); do
  n="$(sql "SELECT COUNT(*) FROM $fill" 2>/dev/null || echo 0)"
  if [ "${n:-0}" -gt $((rows / 3)) ] && taken; then
    kill -9 "$(cat "$base/mysqld.pid")"
    killed=1
    break
  fi
  sleep 0.05
done
[ -n "$killed" ] || fail "the cycle ended before the fill table had a third of its rows and the bookings were taken"
wait "$agent" || fail "the agent ended with exit status $?"
new_events="$(tail -n +"$((lines_before + 1))" "$events")"
lost="$(grep -c 'the connection to the database was lost' <<< "$new_events" || true)"
errors="$(grep -c '"type":1,' <<< "$new_events" || true)"
[ "$lost" = 1 ] || fail "expected one event about the lost connection, found $lost"
[ "$errors" -le 3 ] || fail "the killed cycle reported $errors errors"
! grep -q 'Task finished' <<< "$new_events" || fail "the killed cycle said it finished"
say "the killed cycle ended with $errors error events, one of them about the lost connection"

# Where the kill fell is the machine's timing, not the agent's doing: said,
# not required. Planned: the first group's bookings made, the others not yet.
where_killed() {  # MAILBOX EXPECTED WHAT
  local got; got="$(calendar_items "$1")"
  [ "$got" = "$2" ] || say "note: $3: the calendar of user$1 holds $got items, planned $2"
}
where_killed 0 $((base_items[0] + 1)) "the early meeting before the kill"
where_killed 6 "${base_items[6]}" "the cancelled meeting before the kill"
where_killed 1 "${base_items[1]}" "the late meeting before the kill"

start_server
[ "$(active)" = "$old" ] || fail "KorvaleConfig names $(active) after the kill, not $old"
[ "$(digest "$old")" = "$old_digest" ] || fail "the published table changed under the kill"
[ "$(sql "SELECT COUNT(*) FROM $old WHERE Status <> 8")" = "$old_whole" ] || fail "the published table lost rows"
[ "$(booked "$old" KILL-C)" = "$(user 6)|$cancel_title" ] || fail "the published table lost the booked meeting"
journal="$(sql "SELECT COUNT(*) FROM KRVBookingJournal")"
[ "$journal" -gt 0 ] || fail "the killed cycle left no booking journal"

cycle
[ "$(active)" = "$fill" ] || fail "the cycle after the restart did not publish $fill"
[ "$(digest "$fill")" = "$old_digest" ] || fail "$fill is not complete: $(digest "$fill") against $old_digest"
say "ok: $old stayed published and whole; $fill published with $rows rows after the restart"

# Each booking in each of its mailboxes once, in the calendars and in the
# published table; the cancelled one nowhere.
check_items 0 $((base_items[0] + 1)) "the early meeting"
check_items 1 $((base_items[1] + 1)) "the late meeting"
check_items 2 $((base_items[2] + 1)) "the direct booking"
check_items "$last" $((base_items[$last] + 1)) "the direct booking"
check_items 6 "${base_items[6]}" "the cancelled meeting"
[ "$(booked "$fill" KILL-E)" = "$(user 0)|$early_title" ] || fail "early meeting published as: $(booked "$fill" KILL-E)"
[ "$(booked "$fill" KILL-L)" = "$(user 1)|$late_title" ] || fail "late meeting published as: $(booked "$fill" KILL-L)"
[ "$(booked "$fill" KILL-D)" = "$(printf '%s|%s\n%s|%s' "$(user 2)" "$direct_title" "$(user "$last")" "$direct_title")" ] ||
  fail "direct booking published as: $(booked "$fill" KILL-D)"
[ -z "$(booked "$fill" KILL-C)" ] || fail "the cancelled meeting is still published: $(booked "$fill" KILL-C)"

# Meeting requests once per attendee; the cancellation reached the attendee of the cancelled one.
request=IPM.Schedule.Meeting.Request
for n in 3 5; do [ "$(arrived "$n" "$request" "$early_title")" = 1 ] || fail "user$n: early request not once"; done
for n in 2 4; do [ "$(arrived "$n" "$request" "$late_title")" = 1 ] || fail "user$n: late request not once"; done
[ "$(arrived 7 "$request" "$cancel_title")" = 1 ] || fail "user7: the request of the cancelled meeting not once"
[ "$(arrived 7 IPM.Schedule.Meeting.Canceled "$cancel_title")" = 1 ] || fail "user7: the cancellation not once"
for n in 2 "$last"; do
  [ "$(arrived "$n" "$request" "$direct_title")" = 0 ] || fail "user$n: a request for the direct booking"
done

# The rows at their final statuses; the journal done with.
final="$(sql "SELECT GROUP_CONCAT(CONCAT(Office, '=', BookingStatus) ORDER BY Office) FROM Meetings")"
[ "$final" = "KILL-D=2,KILL-E=2,KILL-L=2" ] || fail "table Meetings ends as $final"
[ "$(sql "SELECT COUNT(*) FROM KRVBookingJournal")" = 0 ] || fail "the booking journal was not emptied"
say "ok: every booking made once ($journal journal entries carried over the kill), the cancelled one removed"
