#!/usr/bin/env bash
# Installs what is missing, builds the program (not the tests and benchmarks:
# ./scripts/test.sh builds those) and starts it: the real one when a keyboard
# (04D9:A124) is attached, the demo with the simulated keyboard otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target vandrel_program
if [ -x build/app/Vandrel ] && [ -x build/demo/Vandrel ]; then
  if grep -qsi '^HID_ID=0003:000004D9:0000A124$' /sys/class/hidraw/*/device/uevent 2>/dev/null; then
    exec build/app/Vandrel "$@"
  fi
  exec build/demo/Vandrel "$@"
fi
exec build/sim/vandrel-console-demo "$@"
