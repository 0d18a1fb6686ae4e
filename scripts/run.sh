#!/usr/bin/env bash
# Installs what building and running need (not the test toolchain:
# ./scripts/test.sh brings that), builds the program (not the tests and
# benchmarks) and starts it: the real one when a keyboard (04D9:A124) is
# attached, the demo with the simulated keyboard otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh --run
# A build folder that test.sh configured keeps its tests; a new one has none,
# so that the test toolchain is not needed.
if [ -f build/CMakeCache.txt ]; then
  cmake -S . -B build
else
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANDREL_BUILD_TESTS=OFF -DVANDREL_BUILD_BENCH=OFF
fi
cmake --build build -j"$(nproc)" --target vandrel_program
if [ -x build/app/Vandrel ] && [ -x build/demo/Vandrel ]; then
  if grep -qsi '^HID_ID=0003:000004D9:0000A124$' /sys/class/hidraw/*/device/uevent 2>/dev/null; then
    exec build/app/Vandrel "$@"
  fi
  exec build/demo/Vandrel "$@"
fi
exec build/sim/vandrel-console-demo "$@"
