#!/usr/bin/env bash
# Installs the Debian packages Rimglider needs, by purpose:
#   build    building and running the three programs (scripts/run.sh)
#   test     the tests, benchmarks and sanitizer builds
#   package  building and checking the Debian package (scripts/package.sh)
# With no purpose named, all of them. Safe to run again: packages already present are left alone.
set -euo pipefail

build=(
  build-essential cmake ninja-build pkg-config scdoc
  nlohmann-json3-dev zlib1g-dev libdeflate-dev libsimdjson-dev libyaml-cpp-dev linux-libc-dev
  libevdev-dev libudev-dev libsystemd-dev systemd
  qt6-base-dev qt6-svg-dev libqt6svg6 qt6-tools-dev qt6-l10n-tools adwaita-icon-theme
  libpulse-dev libglib2.0-dev
)
test=(
  clang libclang-rt-14-dev
  umockdev libumockdev-dev libinput-tools
  xvfb xauth x11-apps x11-utils imagemagick trayer xdotool openbox
  pulseaudio pulseaudio-utils dbus-daemon python3 libglib2.0-bin
  libgtest-dev libgmock-dev libbenchmark-dev
)
# debian/control's Build-Depends are the build list plus debhelper and udev (for udev's
# pkg-config file); the rest checks the result.
package=(
  debhelper dpkg-dev udev
  lintian appstream desktop-file-utils
)

[ $# -eq 0 ] && set -- build test package
packages=("${build[@]}")
for purpose in "$@"; do
  case $purpose in
    build) ;;
    test) packages+=("${test[@]}") ;;
    package) packages+=("${package[@]}") ;;
    *) echo "setup.sh: unknown purpose \"$purpose\" (build, test or package)" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# Fresh machines have no package lists yet; refresh them when an install would otherwise fail.
if ! $sudo apt-get install -y --no-install-recommends "${missing[@]}"; then
  $sudo apt-get update
  $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
