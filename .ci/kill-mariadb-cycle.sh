#!/usr/bin/env bash
# The database server killed (kill -9) in the middle of a cycle: the table the
# web pages read must stay the one published before, complete, the agent must
# end with one event about the lost connection, and after a restart of the
# server the next cycle must publish a complete new table.
#
#   .ci/kill-mariadb-cycle.sh BUILD_DIR [MAILBOXES] [ITEMS]
#
# Uses a private MariaDB server of its own (next free port from 3340), so the
# test server of the suite is not touched; everything lives in a temporary
# folder that is removed at the end.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:?usage: .ci/kill-mariadb-cycle.sh BUILD_DIR [MAILBOXES] [ITEMS]}"
mailboxes="${2:-300}" items="${3:-40}"
say() { echo "kill-mariadb-cycle: $*" >&2; }
fail() { say "FAILED: $*"; exit 1; }

ninja -C "$build" -j2 Caldrun korvale-bench-gen >/dev/null
work="$(mktemp -d)"
server_dir="$work/mariadb"
cleanup() {
  if [ -f "${base:-/nonexistent}/mysqld.pid" ]; then kill -9 "$(cat "$base/mysqld.pid")" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

start_server() {
  eval "$(KORVALE_TEST_MYSQL_PORT=3340 KORVALE_MARIADB_DIR="$server_dir" bash "$root/.ci/start-mariadb.sh")"
  base="$server_dir-$KORVALE_TEST_MYSQL_PORT"
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
# What the web pages show of a table: its appointment and user rows (the
# marker rows carry the time of their cycle).
digest() {
  sql "SET SESSION group_concat_max_len = 1073741824;
       SELECT COUNT(*), MD5(GROUP_CONCAT(CONCAT_WS('|', Name, Start, EndTime, Title, Status, Location, ACL)
       ORDER BY Name, Start, EndTime, Title SEPARATOR '#')) FROM $1 WHERE Status <> 8"
}

cycle
old="$(active)"
[ -n "$old" ] || fail "the first cycle published nothing"
old_digest="$(digest "$old")"
rows="${old_digest%%[[:space:]]*}"
[ "$rows" -gt 1000 ] || fail "the first cycle published only $rows rows"
fill=KorvaleTable2
[ "$old" = KorvaleTable1 ] || fill=KorvaleTable1
say "published $old with $rows rows; killing the server while $fill fills"

lines_before="$(wc -l < "$events")"
cycle & agent=$!
killed=""
for _ in $(seq 1 600); do
  n="$(sql "SELECT COUNT(*) FROM $fill" 2>/dev/null || echo 0)"
  if [ "${n:-0}" -gt $((rows / 3)) ]; then
    kill -9 "$(cat "$base/mysqld.pid")"
    killed=1
    break
  fi
  sleep 0.05
done
[ -n "$killed" ] || fail "the cycle ended before the fill table had a third of its rows"
wait "$agent" || fail "the agent ended with exit status $?"
new_events="$(tail -n +"$((lines_before + 1))" "$events")"
lost="$(grep -c 'the connection to the database was lost' <<< "$new_events" || true)"
errors="$(grep -c '"type":1,' <<< "$new_events" || true)"
[ "$lost" = 1 ] || fail "expected one event about the lost connection, found $lost"
[ "$errors" -le 3 ] || fail "the killed cycle reported $errors errors"
! grep -q 'Task finished' <<< "$new_events" || fail "the killed cycle said it finished"
say "the killed cycle ended with $errors error events, one of them about the lost connection"

start_server
[ "$(active)" = "$old" ] || fail "KorvaleConfig names $(active) after the kill, not $old"
[ "$(digest "$old")" = "$old_digest" ] || fail "the published table changed under the kill"

cycle
[ "$(active)" = "$fill" ] || fail "the cycle after the restart did not publish $fill"
[ "$(digest "$fill")" = "$old_digest" ] || fail "$fill is not complete: $(digest "$fill") against $old_digest"
say "ok: $old stayed published and whole; $fill published with $rows rows after the restart"
