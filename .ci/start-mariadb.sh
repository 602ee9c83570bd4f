#!/usr/bin/env bash
# Starts a private MariaDB server on 127.0.0.1 for the MySQL-dialect tests and
# prints the KORVALE_TEST_MYSQL_* settings as "export" lines on standard output
# (everything else goes to standard error), so a caller can
#   eval "$(bash .ci/start-mariadb.sh)"
# The server gets its own data directory, socket and log; it installs nothing
# (mariadb-server must be there already) and leaves the machine's own server
# alone: when port 3306 is taken by another server, the next free port is used
# and printed. Running it again while its server answers only prints the
# settings. Durability is traded for speed: the data are test data.
set -euo pipefail

host=127.0.0.1
user=korvale
password=korvale
database=korvale_test
# A second account whose password a connect string must brace (tests/support/mariadb_dsn.h).
braced_user=korvale_braced
braced_password='pa;ss}wo{rd=1'
first_port="${KORVALE_TEST_MYSQL_PORT:-3306}"
root_dir="${KORVALE_MARIADB_DIR:-${TMPDIR:-/tmp}/korvale-mariadb}"

say() { echo "start-mariadb: $*" >&2; }

for tool in mariadb-install-db mariadb mariadb-admin; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    say "$tool is missing (install mariadb-server)"
    exit 1
  fi
done
server="$(command -v mariadbd || true)"
[ -n "$server" ] || server=/usr/sbin/mariadbd
if [ ! -x "$server" ]; then
  say "mariadbd is missing (install mariadb-server)"
  exit 1
fi

as_root=()
if [ "$(id -u)" = 0 ]; then as_root=(--user=root); fi

pings() { mariadb-admin --no-defaults --socket="$1/mysqld.sock" -uroot ping >/dev/null 2>&1; }
port_busy() { (exec 3<>"/dev/tcp/$host/$1") 2>/dev/null; }

initialise() {
  local base="$1"
  say "initialising $base/data"
  mariadb-install-db --no-defaults --datadir="$base/data" --auth-root-authentication-method=normal \
    --skip-test-db "${as_root[@]}" >"$base/install.log" 2>&1 || {
    cat "$base/install.log" >&2
    return 1
  }
}

start_server() {
  local base="$1" port="$2"
  say "starting the server on $host:$port"
  # setsid: the server outlives this script and the shell that ran it.
  setsid "$server" --no-defaults --datadir="$base/data" --socket="$base/mysqld.sock" \
    --pid-file="$base/mysqld.pid" --log-error="$base/error.log" \
    --skip-networking=0 --bind-address="$host" --port="$port" \
    --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci \
    --innodb-flush-log-at-trx-commit=0 --innodb-doublewrite=0 --skip-log-bin \
    "${as_root[@]}" </dev/null >/dev/null 2>&1 &
  for _ in $(seq 1 120); do
    if pings "$base"; then return 0; fi
    sleep 0.5
  done
  say "the server did not answer; its log:"
  tail -n 30 "$base/error.log" >&2 || true
  return 1
}

# Our own server on one of the candidate ports, or a free port for a new one.
port=""
for candidate in $(seq "$first_port" $((first_port + 10))); do
  if pings "$root_dir-$candidate"; then
    port="$candidate"
    break
  fi
  if ! port_busy "$candidate"; then
    port="$candidate"
    break
  fi
  say "port $candidate is taken by another server"
done
if [ -z "$port" ]; then
  say "no free port from $first_port on"
  exit 1
fi
base="$root_dir-$port"
mkdir -p "$base"

if ! pings "$base"; then
  fresh=0
  if [ ! -d "$base/data/mysql" ]; then
    initialise "$base"
    fresh=1
  fi
  if ! start_server "$base" "$port"; then
    [ "$fresh" = 1 ] && exit 1
    # A data directory left broken by an earlier run: start over once.
    say "starting over with a new data directory"
    rm -rf "$base/data"
    initialise "$base"
    start_server "$base" "$port"
  fi
fi

mariadb --no-defaults --socket="$base/mysqld.sock" -uroot <<SQL
CREATE DATABASE IF NOT EXISTS \`$database\` CHARACTER SET utf8mb4;
CREATE USER IF NOT EXISTS '$user'@'127.0.0.1' IDENTIFIED BY '$password';
CREATE USER IF NOT EXISTS '$user'@'localhost' IDENTIFIED BY '$password';
GRANT ALL PRIVILEGES ON \`$database\`.* TO '$user'@'127.0.0.1';
GRANT ALL PRIVILEGES ON \`$database\`.* TO '$user'@'localhost';
CREATE USER IF NOT EXISTS '$braced_user'@'127.0.0.1' IDENTIFIED BY '$braced_password';
GRANT ALL PRIVILEGES ON \`$database\`.* TO '$braced_user'@'127.0.0.1';
FLUSH PRIVILEGES;
SQL

# The account must work over TCP, which is how the tests connect.
if ! mariadb --no-defaults --protocol=TCP -h"$host" -P"$port" -u"$user" -p"$password" "$database" \
  -e 'SELECT 1' >/dev/null 2>&1; then
  say "the test account cannot log in over TCP on $host:$port"
  exit 1
fi
say "ready: database $database for $user on $host:$port"
echo "export KORVALE_TEST_MYSQL_HOST=$host"
echo "export KORVALE_TEST_MYSQL_PORT=$port"
echo "export KORVALE_TEST_MYSQL_USER=$user"
echo "export KORVALE_TEST_MYSQL_PASSWORD=$password"
echo "export KORVALE_TEST_MYSQL_DB=$database"
