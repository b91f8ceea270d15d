#!/usr/bin/env bash
# Builds Rimglider and starts it when a graphical session exists. Without one it runs the
# bundled example trace (a scripted slide up the right edge) instead: shown, replayed through
# the gesture engine and judged against its label.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  socket=${RIMGLIDER_INPUTD_SOCKET:-/run/rimglider/inputd.sock}
  if [ ! -S "$socket" ] && ! systemctl is-enabled --quiet rimglider-inputd.socket 2>/dev/null; then
    echo "The input service is not installed or enabled, so gestures stay off; to set it up: sudo cmake --install build && sudo systemctl daemon-reload && sudo systemctl enable --now rimglider-inputd.socket"
  fi
  exec build/Rimglider/rimglider "$@"
fi

echo "No graphical session (neither DISPLAY nor WAYLAND_DISPLAY is set): running the example-trace demo instead."
example=build/examples/rightSlideUp.trace
build/tools/rimglider-trace show "$example"
echo
build/tools/rimglider-trace replay "$example"
echo
build/tools/rimglider-trace judge "$example"
