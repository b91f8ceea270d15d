#!/usr/bin/env bash
# Installs what is missing and builds all of Rimglider into build/ (Release with debug info):
# the programs, every test, benchmark and fuzz-corpus replay. Warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh build test
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRIMGLIDER_WERROR=ON \
  -DBUILD_TESTING=ON -DGESTURE_ENGINE_BENCHMARKS=ON >/dev/null
cmake --build build
