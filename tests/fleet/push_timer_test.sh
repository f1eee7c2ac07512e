#!/usr/bin/env bash
# deploy/'s user timer and service for barges without the window: systemd-analyze verifies both as
# user units, with the service starting the program just built (systemd looks for it), and warns
# of nothing in them (an unknown or misspelt setting is only a warning). Skipped where
# systemd-analyze is not installed.
set -euo pipefail
source_dir=$1
program=$2
if ! command -v systemd-analyze >/dev/null; then
  echo "push_timer_test: systemd-analyze is not installed; skipped"
  exit 0
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "push_timer_test: $*" >&2; exit 1; }
unit="$source_dir/deploy/ijken-push.service"
grep -q '^ExecStart=/usr/local/bin/ijken push --to ${IJKEN_OFFICE}$' "$unit" || fail "the service does not start ijken push"
grep -q '^OnUnitActiveSec=' "$source_dir/deploy/ijken-push.timer" || fail "the timer does not repeat"
mkdir -m 0700 "$scratch/run"
sed "s#^ExecStart=/usr/local/bin/ijken #ExecStart=$program #" "$unit" >"$scratch/ijken-push.service"
cp "$source_dir/deploy/ijken-push.timer" "$scratch/"
cd "$scratch"
# A user manager needs a runtime directory; the scratch one stands in for the session's.
XDG_RUNTIME_DIR="$scratch/run" systemd-analyze verify --user --man=no ijken-push.service ijken-push.timer \
  >verify.log 2>&1 || { cat verify.log >&2; fail "systemd-analyze verify failed"; }
if grep -q "ijken-push" verify.log; then cat verify.log >&2; fail "systemd-analyze verify warned"; fi
echo "push_timer_test: ijken-push.service and ijken-push.timer verify"
