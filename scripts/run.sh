#!/usr/bin/env bash
# Builds Rimglider and runs its main job: the bundled example trace (a scripted slide up
# the right edge) shown, replayed through the gesture engine and judged against its label.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
example=build/examples/rightSlideUp.trace
build/tools/rimglider-trace show "$example"
echo
build/tools/rimglider-trace replay "$example"
echo
build/tools/rimglider-trace judge "$example"
