#!/usr/bin/env bash
# Starts a private MariaDB server on 127.0.0.1 for the MySQL-dialect tests and
# prints the KORVALE_TEST_MYSQL_* settings as "export" lines on standard output
# (everything else goes to standard error), so a caller can
#   eval "$(bash .ci/start-mariadb.sh)"
# The server gets its own data directory, socket and log; it installs nothing
# (mariadb-server must be there already) and leaves the machine's own server alone.
# Running it again while the server answers only prints the settings.
# Durability is traded for speed: the data are test data, thrown away anyway.
set -euo pipefail

host=127.0.0.1
port="${KORVALE_TEST_MYSQL_PORT:-3306}"
user=korvale
password=korvale
database=korvale_test
base="${KORVALE_MARIADB_DIR:-${TMPDIR:-/tmp}/korvale-mariadb-$port}"
datadir="$base/data"
socket="$base/mysqld.sock"

say() { echo "start-mariadb: $*" >&2; }

print_settings() {
  echo "export KORVALE_TEST_MYSQL_HOST=$host"
  echo "export KORVALE_TEST_MYSQL_PORT=$port"
  echo "export KORVALE_TEST_MYSQL_USER=$user"
  echo "export KORVALE_TEST_MYSQL_PASSWORD=$password"
  echo "export KORVALE_TEST_MYSQL_DB=$database"
}

for tool in mariadbd mariadb-install-db mariadb mariadb-admin; do
  if ! command -v "$tool" >/dev/null 2>&1 && [ ! -x "/usr/sbin/$tool" ]; then
    say "$tool is missing (install mariadb-server)"
    exit 1
  fi
done
server="$(command -v mariadbd || echo /usr/sbin/mariadbd)"

as_root=()
if [ "$(id -u)" = 0 ]; then as_root=(--user=root); fi

client() { mariadb --no-defaults --socket="$socket" -uroot "$@"; }

mkdir -p "$base"

if ! mariadb-admin --no-defaults --socket="$socket" -uroot ping >/dev/null 2>&1; then
  if [ ! -d "$datadir/mysql" ]; then
    say "initialising $datadir"
    mariadb-install-db --no-defaults --datadir="$datadir" --auth-root-authentication-method=normal \
      --skip-test-db "${as_root[@]}" >"$base/install.log" 2>&1 || {
      cat "$base/install.log" >&2
      exit 1
    }
  fi
  say "starting the server on $host:$port"
  # setsid: the server outlives this script and the shell that ran it.
  setsid "$server" --no-defaults --datadir="$datadir" --socket="$socket" \
    --pid-file="$base/mysqld.pid" --log-error="$base/error.log" \
    --skip-networking=0 --bind-address="$host" --port="$port" \
    --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci \
    --innodb-flush-log-at-trx-commit=0 --innodb-doublewrite=0 --skip-log-bin \
    --innodb-flush-method=nosync --innodb-file-per-table=0 \
    "${as_root[@]}" </dev/null >/dev/null 2>&1 &
  for _ in $(seq 1 120); do
    if mariadb-admin --no-defaults --socket="$socket" -uroot ping >/dev/null 2>&1; then break; fi
    sleep 0.5
  done
  if ! mariadb-admin --no-defaults --socket="$socket" -uroot ping >/dev/null 2>&1; then
    say "the server did not answer; its log:"
    tail -n 30 "$base/error.log" >&2 || true
    exit 1
  fi
fi

client <<SQL
CREATE DATABASE IF NOT EXISTS \`$database\` CHARACTER SET utf8mb4;
CREATE USER IF NOT EXISTS '$user'@'127.0.0.1' IDENTIFIED BY '$password';
CREATE USER IF NOT EXISTS '$user'@'localhost' IDENTIFIED BY '$password';
GRANT ALL PRIVILEGES ON \`$database\`.* TO '$user'@'127.0.0.1';
GRANT ALL PRIVILEGES ON \`$database\`.* TO '$user'@'localhost';
FLUSH PRIVILEGES;
SQL

# The account must work over TCP, which is how the tests connect.
if ! mariadb --no-defaults --protocol=TCP -h"$host" -P"$port" -u"$user" -p"$password" "$database" \
  -e 'SELECT 1' >/dev/null 2>&1; then
  say "the test account cannot log in over TCP on $host:$port"
  exit 1
fi
say "ready: database $database for $user on $host:$port"
print_settings
