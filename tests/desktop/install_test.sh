#!/bin/sh
# ijken installed as a desktop program: installed into a fresh prefix, which is then made
# read-only, and run by an unprivileged user. It must start, keep its files in that user's data
# directory, and compute a survey there. Also checks the desktop entry and the icon.
#
# usage: install_test.sh BUILD_DIR
set -eu
build=$1
tmp=$(mktemp -d)
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    chmod -R u+w "$tmp"
    rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "install test: $*" >&2; exit 1; }

chmod 755 "$tmp"
cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
prefix=$tmp/prefix
[ -x "$prefix/bin/ijken" ] || fail "no program in $prefix/bin"
desktop-file-validate "$prefix/share/applications/ijken.desktop" || fail "desktop entry not valid"
[ -s "$prefix/share/icons/hicolor/scalable/apps/ijken.svg" ] || fail "no icon"
[ -s "$prefix/share/ijken/tld.tln" ] || fail "no German language file"
chmod -R a-w "$prefix"

# Root may write anywhere: the user is "nobody" then, else the one running the test (who cannot
# write the read-only prefix either).
mkdir "$tmp/home"
as_user() { "$@"; }
if [ "$(id -u)" -eq 0 ]; then
    chown 65534:65534 "$tmp/home"
    as_user() { setpriv --reuid=65534 --regid=65534 --clear-groups -- "$@"; }
fi
# In the background the program itself must be the process started, not a shell around it, so
# that killing it ends it.
start_as_user() { if [ "$(id -u)" -eq 0 ]; then exec setpriv --reuid=65534 --regid=65534 --clear-groups -- "$@"; else exec "$@"; fi; }
export HOME="$tmp/home" XDG_DATA_HOME="$tmp/home/data" XDG_RUNTIME_DIR="$tmp/home"
export ASAN_OPTIONS=detect_leaks=0
data=$XDG_DATA_HOME/ijken

# The window, on no display at all: a toolkit option passes through.
(start_as_user "$prefix/bin/ijken" -platform offscreen) 2>"$tmp/err" &
pid=$!
tries=0
while [ ! -s "$data/ijken.db" ]; do
    kill -0 "$pid" 2>/dev/null || fail "the program ended at start: $(cat "$tmp/err")"
    tries=$((tries + 1))
    [ "$tries" -lt 300 ] || fail "no database in $data after 30 s"
    sleep 0.1
done
sleep 1  # start-up finishes writing the database and opens the window
kill -0 "$pid" 2>/dev/null || fail "the program ended after creating its database: $(cat "$tmp/err")"
kill "$pid"
wait "$pid" 2>/dev/null || true
pid=""
[ ! -e "$prefix/bin/ijken.db" ] || fail "a database beside the installed program"
# The German file is taken from share/ijken into the user's files, where the program reads it.
cmp -s "$prefix/share/ijken/tld.tln" "$data/tld.tln" || fail "no German language file in $data"

# The survey Grain Coop 3 on the selected ship of the new database.
line="220	0.0	200	0.0	180	220	0.0	200	0.0	180	20	0.0	20	0.0	20	20	0.0	20	0.0	20	1.000"
out=$(printf '%s\n' "$line" | as_user "$prefix/bin/ijken" compute) || fail "compute failed"
expected="1200.0	120.0	200.0	20.0	51.0	231.0	3.410	328.172	324.762	324.762"
[ "$out" = "$expected" ] || fail "compute gave \"$out\""
echo "install test: installed, started as $(as_user id -un), files in $data (German included), survey computed"
