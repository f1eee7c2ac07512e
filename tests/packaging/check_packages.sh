#!/usr/bin/env bash
# Builds the two Debian packages from a build tree, as `make package` does, and checks them as a
# fresh machine would meet them: lintian finds no error, each holds what it must, the office's
# unit passes systemd-analyze, and the programs run from the unpacked tree.
#   check_packages.sh BUILD_DIR
set -euo pipefail
build=$1
scratch=$(mktemp -d /tmp/ijken-packages-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "check_packages: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
program="$scratch/out/ijken_${version}_amd64.deb"
office="$scratch/out/ijken-office_${version}_amd64.deb"
[ -f "$program" ] || fail "no $(basename "$program") (made: $(ls "$scratch/out"))"
[ -f "$office" ] || fail "no $(basename "$office")"

# lintian: errors fail the check; warnings are printed for whoever reads the log.
command -v lintian >/dev/null || fail "lintian is not installed (scripts/install-deps installs it)"
lintian --tag-display-limit 0 "$program" "$office" >"$scratch/lintian.log" 2>&1 || true
cat "$scratch/lintian.log"
if grep -q '^E:' "$scratch/lintian.log"; then fail "lintian reports errors"; fi

# What each package holds, and what it asks the machine for.
expect() {  # expect DEB PATH...
  local deb=$1; shift
  local listing; listing=$(dpkg-deb -c "$deb")
  for p in "$@"; do grep -qE " \./${p}\$" <<<"$listing" || fail "$(basename "$deb") lacks $p"; done
}
expect "$program" usr/bin/ijken usr/share/applications/ijken.desktop usr/share/icons/hicolor/scalable/apps/ijken.svg \
  usr/share/ijken/tld.tln usr/share/man/man1/ijken.1.gz usr/share/doc/ijken/copyright \
  usr/lib/systemd/user/ijken-push.service usr/lib/systemd/user/ijken-push.timer
expect "$office" usr/libexec/ijken/ijken-office-serve lib/systemd/system/ijken-office.service etc/ijken/office.env \
  usr/share/doc/ijken-office/examples/nginx-ijken-office.conf usr/share/doc/ijken-office/copyright
depends=$(dpkg-deb -f "$program" Depends)
for d in libpq5 qt6-qpa-plugins libqt6widgets6 libsqlite3-0; do
  grep -q "$d" <<<"$depends" || fail "ijken does not depend on $d: $depends"
done
for d in cmake g++ -dev; do
  if grep -q -- "$d" <<<"$depends"; then fail "ijken depends on a build tool ($d): $depends"; fi
done
grep -q "ijken (= $version)" <<<"$(dpkg-deb -f "$office" Depends)" || fail "ijken-office does not depend on ijken $version"
[ "$(dpkg-deb -I "$office" conffiles)" = "/etc/ijken/office.env" ] || fail "office.env is not a conffile"

# Unpacked into a scratch root, the programs run from there.
root="$scratch/root"
dpkg-deb -x "$program" "$root"
dpkg-deb -x "$office" "$root"
out=$("$root/usr/bin/ijken" --version)
[ "$out" = "ijken $version" ] || fail "ijken --version says \"$out\""
"$root/usr/bin/ijken" --help | grep -q "office serve" || fail "ijken --help lists no office serve"
# `ijken office serve` finds the server in the unpacked libexec and hands over: without --from the
# server's own option check answers, with status 2.
status=0
"$root/usr/bin/ijken" office serve >"$scratch/serve.log" 2>&1 || status=$?
{ [ $status -eq 2 ] && grep -q -- "--from" "$scratch/serve.log"; } \
  || { cat "$scratch/serve.log" >&2; fail "office serve did not answer from the package ($status)"; }

# systemd-analyze looks for the program the unit starts on this machine: the check reads a copy
# that names the unpacked one, everything else as packaged.
unit="$root/lib/systemd/system/ijken-office.service"
grep -q '^ExecStart=/usr/bin/ijken ' "$unit" || fail "the packaged unit does not start /usr/bin/ijken"
mkdir "$scratch/unit"
sed "s#/usr/bin/ijken #$root/usr/bin/ijken #; s#/etc/ijken/#$root/etc/ijken/#" "$unit" >"$scratch/unit/ijken-office.service"
systemd-analyze verify "$scratch/unit/ijken-office.service" >"$scratch/verify.log" 2>&1 \
  || { cat "$scratch/verify.log" >&2; fail "systemd-analyze verify failed"; }
if grep -q "ijken-office" "$scratch/verify.log"; then cat "$scratch/verify.log" >&2; fail "systemd-analyze verify warned"; fi
# The user timer likewise, as the skipper's user manager would read it.
push_unit="$root/usr/lib/systemd/user/ijken-push.service"
grep -q '^ExecStart=/usr/bin/ijken push ' "$push_unit" || fail "the packaged push unit does not start /usr/bin/ijken"
mkdir "$scratch/user"
sed "s#/usr/bin/ijken #$root/usr/bin/ijken #" "$push_unit" >"$scratch/user/ijken-push.service"
cp "$root/usr/lib/systemd/user/ijken-push.timer" "$scratch/user/"
mkdir -m 0700 "$scratch/run"  # a user manager needs a runtime directory
(cd "$scratch/user" && XDG_RUNTIME_DIR="$scratch/run" systemd-analyze verify --user --man=no ijken-push.service ijken-push.timer) >"$scratch/verify-user.log" 2>&1 \
  || { cat "$scratch/verify-user.log" >&2; fail "systemd-analyze verify --user failed"; }
if grep -q "ijken-push" "$scratch/verify-user.log"; then cat "$scratch/verify-user.log" >&2; fail "systemd-analyze verify --user warned"; fi
echo "check_packages: $(basename "$program") and $(basename "$office") are sound"
