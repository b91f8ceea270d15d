#!/usr/bin/env bash
# Builds Rimglider and passes every test:
#  1. the whole project, with its tests (the input service on emulated devices, a private
#     PulseAudio server and D-Bus daemon, the widgets offscreen and one run under Xvfb), the
#     tool tests and the fuzz corpus replays;
#  2. the Debian package: the three programs in Release with warnings as errors, checked by
#     lintian, appstreamcli, desktop-file-validate and systemd-analyze (scripts/package.sh);
#  3. the gesture library on its own, as it must build without the application;
#  4. the whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer;
#  5. the threaded parts (gesture pipeline, click guard, touch input, event tap, system keys)
#     under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

# Tests write only into the build tree and temporary folders. A file that appears in the
# source tree while they run (a test writing through a bad path) fails the run.
tree_state() { git status --porcelain --untracked-files=all 2>/dev/null || true; }
tree_before=$(tree_state)
check_tree() {
  local after
  after=$(tree_state)
  if [ "$after" != "$tree_before" ]; then
    echo "The tests changed the source tree:" >&2
    diff <(printf '%s\n' "$tree_before") <(printf '%s\n' "$after") >&2 || true
    exit 1
  fi
}
trap check_tree EXIT

./scripts/build.sh
ctest --test-dir build --output-on-failure -j "$jobs"

# The Release build (warnings as errors) is the Debian package's, checked as a package.
./scripts/package.sh

cmake -S engine -B build/engine-alone -G Ninja -DRIMGLIDER_WERROR=ON -DGESTURE_ENGINE_BENCHMARKS=OFF \
  -DBUILD_TESTING=OFF >/dev/null
cmake --build build/engine-alone --target GestureEngineKit

cmake -S . -B build/sanitizers -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRIMGLIDER_SANITIZE=address,undefined \
  -DRIMGLIDER_WERROR=ON -DGESTURE_ENGINE_BENCHMARKS=OFF >/dev/null
cmake --build build/sanitizers
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$PWD/scripts/lsan-suppressions.txt \
  ctest --test-dir build/sanitizers --output-on-failure -j "$jobs"

cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRIMGLIDER_SANITIZE=thread \
  -DRIMGLIDER_WERROR=ON -DGESTURE_ENGINE_BENCHMARKS=OFF >/dev/null
cmake --build build/tsan --target RimgliderCoreTests RimgliderBrokerClientsTests
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build/tsan --output-on-failure -j "$jobs" -R '^(GesturePipeline|ClickGuard|TouchInput|EventTap|SystemKeys)\.'
