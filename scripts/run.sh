#!/usr/bin/env bash
# Builds what it runs (rimglider, rimglider-inputd, rimglider-trace and the example traces; no
# tests or benchmarks) and starts Rimglider when a graphical session exists. Without one it
# runs the bundled example trace (a scripted slide up the right edge) instead: shown, replayed
# through the gesture engine and judged against its label.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh build
# A build folder that scripts/build.sh configured with the tests keeps its configuration. A
# first build compiles each library's sources as one (a unity build): on two cores that is
# several times faster than one compiler run per file.
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRIMGLIDER_WERROR=ON \
    -DBUILD_TESTING=OFF -DGESTURE_ENGINE_BENCHMARKS=OFF -DCMAKE_UNITY_BUILD=ON >/dev/null
fi
cmake --build build --target rimglider rimglider-inputd rimglider-trace example-traces

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  socket=${RIMGLIDER_INPUTD_SOCKET:-/run/rimglider/inputd.sock}
  if [ ! -S "$socket" ] && ! systemctl is-enabled --quiet rimglider-inputd.socket 2>/dev/null; then
    echo "The input service is not installed or enabled, so gestures stay off; to install it: ./scripts/package.sh && sudo apt install ./build/package/rimglider_*.deb (other distributions: see \"The input service\" in README.md)"
  fi
  exec build/Rimglider/app/rimglider "$@"
fi

echo "No graphical session (neither DISPLAY nor WAYLAND_DISPLAY is set): running the example-trace demo instead."
example=build/examples/rightSlideUp.trace
build/tools/rimglider-trace show "$example"
echo
build/tools/rimglider-trace replay "$example"
echo
build/tools/rimglider-trace judge "$example"
