#!/usr/bin/env bash
# The program on Wayland: runs the demo under a headless weston, opens the
# key-map dialog and the profile dialog, and checks that each shows inside the
# main window where X11 puts it (the key-map dialog centred, the profile dialog
# one pixel beyond the top-left corner; at most 3 pixels off) and that the
# program ends cleanly: exit status 0 and nothing on its error output. Then,
# where Xvfb and setxkbmap are installed, checks that the key legends follow
# the compositor's keymap: under a weston whose keymap is German, the picture
# shows Z and Y swapped.
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
xvfb_pid=""
cleanup() {
  if [ -n "$weston_pid" ]; then kill "$weston_pid" 2>/dev/null || true; wait "$weston_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
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

# The key legends. The headless backend has no seat, hence no keyboard and no
# keymap; weston's X11 backend takes its keymap from the X server it runs in,
# so it runs in an Xvfb set to German. The picture the demo saves there is
# compared with the one it saves without a display (US legends): the Y and Z
# keys differ, and the A key, which German leaves in place, does not.
if ! command -v Xvfb >/dev/null || ! command -v setxkbmap >/dev/null; then
  echo "wayland-check: Xvfb or setxkbmap is not installed, the key legends are not checked"
  exit 0
fi
kill "$weston_pid" 2>/dev/null || true
wait "$weston_pid" 2>/dev/null || true
weston_pid=""
number=90
while [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; do number=$((number + 1)); done
# -noreset: the layout set below would go when setxkbmap, the first client, leaves.
Xvfb ":$number" -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
# setxkbmap fails until the server takes clients.
for _ in $(seq 100); do setxkbmap -display ":$number" de 2>/dev/null && break; sleep 0.1; done
DISPLAY=":$number" XDG_RUNTIME_DIR=$work weston --backend=x11-backend.so --use-pixman --socket=vandrel-legends \
  --idle-time=0 --width=1100 --height=800 >"$work/weston-x11.log" 2>&1 &
weston_pid=$!
for _ in $(seq 100); do [ -S "$work/vandrel-legends" ] && break; sleep 0.1; done
if [ ! -S "$work/vandrel-legends" ]; then
  echo "wayland-check: weston did not start in Xvfb" >&2
  cat "$work/weston-x11.log" >&2
  exit 1
fi

status=0
env -u DISPLAY XDG_RUNTIME_DIR="$work" WAYLAND_DISPLAY=vandrel-legends DBUS_SESSION_BUS_ADDRESS="$bus_address" \
  QT_QPA_PLATFORM=wayland VANDREL_DEMO_SCREENSHOT="$work/de.ppm" VANDREL_DEMO_CLICKS="" \
  timeout 60 "$work/demo/Vandrel" >"$work/out" 2>"$work/err" || status=$?
[ "$status" -eq 0 ] || fail "the demo ended with status $status under weston in Xvfb"
if [ -s "$work/err" ]; then
  fail "the demo printed on its error output under weston in Xvfb:"
  cat "$work/err" >&2
fi
env -u DISPLAY -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=offscreen \
  VANDREL_DEMO_SCREENSHOT="$work/us.ppm" VANDREL_DEMO_CLICKS="" timeout 60 "$work/demo/Vandrel" \
  >/dev/null 2>&1 || fail "the demo did not save its picture without a display"
if [ ! -s "$work/de.ppm" ] || [ ! -s "$work/us.ppm" ]; then
  fail "the demo saved no picture"
  exit 1
fi

# The checksum of a rectangle (both edges included) of a binary PPM picture.
region() {  # file, left, top, right, bottom
  local width header y
  width=$(sed -n 2p "$1" | cut -d' ' -f1)
  header=$(head -n 3 "$1" | wc -c)
  for ((y = $3; y <= $5; y++)); do
    dd if="$1" iflag=skip_bytes,count_bytes skip=$((header + (y * width + $2) * 3)) \
      count=$((($4 - $2 + 1) * 3)) status=none
  done | cksum
}
# The keys' rectangles in the main window.
same() { [ "$(region "$work/de.ppm" "$@")" = "$(region "$work/us.ppm" "$@")" ]; }
if ! same 392 310 415 333; then
  fail "the pictures differ at the A key: the German legends cannot be told apart"
else
  same 506 286 529 309 && fail "the Y key shows its US legend under a German keymap"
  same 404 334 427 357 && fail "the Z key shows its US legend under a German keymap"
fi
if [ "$failed" -ne 0 ]; then exit 1; fi
echo "wayland-check: the key legends follow the compositor's keymap"
