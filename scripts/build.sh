#!/usr/bin/env bash
# Installs what is missing and builds Rimglider into build/ (Release with debug info).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
