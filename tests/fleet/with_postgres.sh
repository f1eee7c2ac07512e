#!/usr/bin/env bash
# Runs a command beside a PostgreSQL 15 server of its own: a new cluster in a temporary directory,
# reachable only on a Unix socket there, started as an unprivileged user (the package's "postgres"
# when run as root, since initdb refuses root) and stopped and removed when the command ends, also
# when it fails or crashes. The command finds the socket directory in IJKEN_PG_SOCKET and connects
# as IJKEN_PG_USER; IJKEN_PG_CTL is the server's pg_ctl as the user it runs as, with its data
# directory and log (a test appends "-m fast -w restart", or "-w stop" and later "-w start").
set -euo pipefail
bin=/usr/lib/postgresql/15/bin
dir=$(mktemp -d /tmp/ijken-pg-XXXXXX)
chmod 0755 "$dir"
as_server=()
if [ "$(id -u)" -eq 0 ]; then
  chown postgres: "$dir"
  as_server=(setpriv --reuid=postgres --regid=postgres --clear-groups --)
fi
stop() {
  "${as_server[@]}" "$bin/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$dir"
}
trap stop EXIT
cd "$dir"
"${as_server[@]}" "$bin/initdb" -D "$dir/data" -U ijken_admin -A trust -E UTF8 --locale=C --no-sync >/dev/null
options="-k $dir -c listen_addresses='' -F -c max_connections=64"
"${as_server[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -s -o "$options" start
cd - >/dev/null
export IJKEN_PG_SOCKET="$dir" IJKEN_PG_USER=ijken_admin
export IJKEN_PG_CTL="${as_server[*]} $bin/pg_ctl -D $dir/data -l $dir/server.log -o \"$options\""
status=0
"$@" || status=$?
if [ $status -ne 0 ] && [ -f "$dir/server.log" ]; then tail -n 20 "$dir/server.log" >&2; fi
exit $status
