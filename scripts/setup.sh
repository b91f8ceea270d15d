#!/usr/bin/env bash
# Installs the Debian packages that building and testing Rimglider need.
# Safe to run again: packages already present are left alone.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-14-dev
  nlohmann-json3-dev zlib1g-dev libdeflate-dev libsimdjson-dev libyaml-cpp-dev linux-libc-dev
  libevdev-dev libudev-dev libsystemd-dev umockdev libumockdev-dev systemd
  qt6-base-dev qt6-svg-dev libqt6svg6 adwaita-icon-theme
  xvfb xauth x11-apps x11-utils imagemagick trayer xdotool
  libpulse-dev pulseaudio pulseaudio-utils dbus-daemon
  libgtest-dev libgmock-dev libbenchmark-dev
)

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
