#!/usr/bin/env bash
# The program on Wayland: runs the demo under a headless weston, opens the
# key-map dialog and the profile dialog, and checks that each shows inside the
# main window where X11 puts it (the key-map dialog centred, the profile dialog
# one pixel beyond the top-left corner; at most 3 pixels off) and that the
# program ends cleanly: exit status 0 and nothing on its error output.
# Usage: scripts/wayland-check.sh [build folder]   (needs weston)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
if ! command -v weston >/dev/null; then
  echo "wayland-check: weston is not installed" >&2
  exit 1
fi

work=$(mktemp -d)
weston_pid=""
bus_pid=""
cleanup() {
  if [ -n "$weston_pid" ]; then kill "$weston_pid" 2>/dev/null || true; wait "$weston_pid" 2>/dev/null || true; fi
  if [ -n "$bus_pid" ]; then kill "$bus_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
chmod 700 "$work"
# A copy of the demo, so that its data files start afresh and no demo state of
# the build folder is touched.
mkdir "$work/demo"
cp -r "$build/demo/Vandrel" "$build/demo/VER.bin" "$build/demo/png" "$work/demo/"

XDG_RUNTIME_DIR=$work weston --backend=headless-backend.so --socket=vandrel-check --idle-time=0 \
  --width=1280 --height=1024 >"$work/weston.log" 2>&1 &
weston_pid=$!
for _ in $(seq 100); do [ -S "$work/vandrel-check" ] && break; sleep 0.1; done
if [ ! -S "$work/vandrel-check" ]; then
  echo "wayland-check: weston did not start" >&2
  cat "$work/weston.log" >&2
  exit 1
fi

# A session bus of its own, as the desktop has (the program offers its
# interface there, and says so on its error output when there is none).
bus_address=""
if command -v dbus-daemon >/dev/null; then
  read -r bus_address bus_pid < <(dbus-daemon --session --fork --print-address=1 --print-pid=1 \
    2>"$work/dbus.log" | tr '\n' ' ') || true
fi
status=0
env -u DISPLAY XDG_RUNTIME_DIR="$work" WAYLAND_DISPLAY=vandrel-check DBUS_SESSION_BUS_ADDRESS="$bus_address" \
  QT_QPA_PLATFORM=wayland VANDREL_DEMO_DIALOGS=keymap,profiles timeout 60 "$work/demo/Vandrel" \
  >"$work/out" 2>"$work/err" || status=$?
cat "$work/out"

failed=0
fail() { echo "wayland-check: $*" >&2; failed=1; }
[ "$status" -eq 0 ] || fail "the demo ended with status $status"
if [ -s "$work/err" ]; then
  fail "the demo printed on its error output:"
  cat "$work/err" >&2
fi

read -r _ main_w main_h < <(grep '^main ' "$work/out" || echo "main 0 0")
[ "$main_w" -gt 0 ] || fail "the main window never showed"
# QRect::center() of a w x h rectangle at the origin is ((w-1)/2, (h-1)/2).
check() {  # name, expected x, expected y
  local line kind x y
  line=$(grep "^dialog $1 " "$work/out" || true)
  if [ -z "$line" ]; then fail "the $1 dialog never showed"; return; fi
  read -r _ _ kind x y _ _ <<<"$line"
  [ "$kind" = inside ] || fail "the $1 dialog is a window of its own, which the compositor places as it likes"
  if [ $(( x - $2 )) -gt 3 ] || [ $(( $2 - x )) -gt 3 ] || [ $(( y - $3 )) -gt 3 ] || [ $(( $3 - y )) -gt 3 ]; then
    fail "the $1 dialog shows at $x,$y instead of $2,$3"
  fi
}
read -r _ _ _ _ _ kw kh < <(grep '^dialog keymap ' "$work/out" || echo "dialog keymap - 0 0 1 1")
check keymap $(( (main_w - 1) / 2 - (kw - 1) / 2 )) $(( (main_h - 1) / 2 - (kh - 1) / 2 ))
check profiles -1 -1

if [ "$failed" -ne 0 ]; then exit 1; fi
echo "wayland-check: dialogs placed as on X11, clean exit"
