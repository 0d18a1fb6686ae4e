#!/usr/bin/env bash
# Installs what is missing (the test toolchain too), builds everything and
# runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh --all
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANDREL_BUILD_TESTS=ON -DVANDREL_BUILD_BENCH=ON
cmake --build build -j"$(nproc)"
cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
