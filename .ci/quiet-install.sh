#!/usr/bin/env bash
# Builds the installation medium, installs quietly from it ("Ravlin /Q" with a
# Setup.ini for a SQLite data source and the demo organisation) into a
# temporary folder and runs one cycle of the installed agent.
#   .ci/quiet-install.sh BUILD_DIR
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:?usage: .ci/quiet-install.sh BUILD_DIR}"
cmake --build "$build" --target medium korvale-orgadmin >/dev/null

work="$(mktemp -d)"
trap 'KORVALE_SERVICE_DIR="$work/services" "$work/install/KorvaleSrv" -u "Korvale Update Service" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
cp -r "$build/medium" "$work/medium"
mkdir -p "$work/install" "$work/odbc"
cp "${ODBCSYSINI:-/etc}/odbcinst.ini" "$work/odbc/"
: > "$work/odbc/odbc.ini"
export ODBCSYSINI="$work/odbc" ODBCINI="$work/odbc/user.ini" KORVALE_REGISTRY="$work/registry.ini" \
  KORVALE_SERVICE_DIR="$work/services" HOME="$work/home" KORVALE_MAPI_PROFILES="$work/install/mapi-profiles.json" \
  KORVALE_EVENTLOG="$work/events.jsonl" KORVALE_ATOM_DIR="$work/atoms"
unset XDG_CONFIG_HOME

# The demo organisation, its dates made relative to today.
json="$work/organisation.json"
cp "$root/examples/demo/organisation.json.in" "$json"
for offset in $(grep -o '@DAY[+-][0-9]*@' "$json" | sort -u | tr -d '@' | sed 's/DAY//'); do
  sed -i "s|@DAY$offset@|$(date -d "$offset days" +%F)|g" "$json"
done
"$build/tools/orgadmin/korvale-orgadmin" create "$work/org.db" "$json" >/dev/null
"$build/tools/orgadmin/korvale-orgadmin" register "$work/org.db" --profiles "$KORVALE_MAPI_PROFILES" >/dev/null

cat > "$work/medium/Setup.ini" <<INI
[SetupInfo]
DestinationPath=$work/install
SQLite=1
Datasource=korvale-ci
Driver=SQLite3
Database=$work/korvale.db
MSXOrg=Korvale Demo
MSXSite=HQ
MSXServerName=HQ1
LogonMailbox=Korvale Service
ServAccName=DEMO\\$(id -un)
AdminUsers=DEMO\\Sales Readers
LCID=1033
MSXUsersDisplay=All Staff; Rooms
MSXUsersDistNames=all-staff; rooms
INI
"$work/medium/Ravlin" /Q
grep -q '^AdminUsersExpanded=DEMO\\anna; DEMO\\ben; DEMO\\emma' "$work/install/Caldrun.ini"

(cd "$work/install" && ./Caldrun "Korvale Update Service")
bash "$root/examples/demo/show-published" "$work/korvale.db" | tee "$work/published.txt"
grep -q "Customer visit Alder AG" "$work/published.txt"
