#!/usr/bin/env bash
# Builds the Debian package build/package/rimglider_<version>_<arch>.deb with debhelper (a
# Release build of the three programs, warnings as errors, tests not run: scripts/test.sh runs
# them) and checks it: lintian, the AppStream metadata, the desktop entry and the systemd
# units as installed.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh build package

version=$(dpkg-parsechangelog -S Version)
project_version=$(sed -n 's/^project(Rimglider VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
metainfo=Rimglider/app/resources/com.kelpo.rimglider.metainfo.xml
release_version=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$metainfo" | head -n 1)
if [ "$version" != "$project_version" ] || [ "$version" != "$release_version" ]; then
  echo "package.sh: versions differ: debian/changelog $version, CMakeLists.txt $project_version," \
    "$metainfo $release_version" >&2
  exit 1
fi

# dpkg-buildpackage builds inside the tree it is given and writes the package next to it, so it
# works on a copy of the source files under build/package/: the source tree stays clean.
out=build/package
src=$out/rimglider-$version
rm -rf "$out"
mkdir -p "$src"
git ls-files -z --cached --others --exclude-standard \
  | tar --null --files-from=- --ignore-failed-read -cf - 2>/dev/null | tar -xf - -C "$src"
# debhelper gives the build a home folder of its own; a compiler cache set up for this user keeps
# its folder and settings.
if command -v ccache >/dev/null 2>&1; then
  CCACHE_DIR=$(ccache -k cache_dir) && export CCACHE_DIR
  config=${XDG_CONFIG_HOME:-$HOME/.config}/ccache/ccache.conf
  if [ -f "$config" ]; then export CCACHE_CONFIGPATH=$config; fi
fi
(cd "$src" && DEB_BUILD_OPTIONS="nocheck ${DEB_BUILD_OPTIONS:-}" dpkg-buildpackage -b -us -uc)
deb=$out/rimglider_${version}_$(dpkg --print-architecture).deb

echo "Checking $deb"
lintian --fail-on error,warning --tag-display-limit 0 "$deb"

root=$out/root
dpkg-deb -x "$deb" "$root"
appstreamcli validate --no-net "$root/usr/share/metainfo/com.kelpo.rimglider.metainfo.xml"
desktop-file-validate "$root/usr/share/applications/com.kelpo.rimglider.desktop"
# The units as installed, with systemd's own units (sockets.target and the like) from this
# machine completing the staging root. systemd-analyze reports a bad line but still succeeds,
# so any output fails.
mapfile -t units < <(dpkg-deb -c "$deb" | grep -o '\./[^ ]*/systemd/system/[^ ]*\.\(socket\|service\)$')
mkdir -p "$root/usr/local/lib/systemd"
cp -a /lib/systemd/system "$root/usr/local/lib/systemd/"
rm -f "$root"/usr/local/lib/systemd/system/rimglider-*
if ! verify=$(cd "$root" && systemd-analyze verify --root=. --man=no "${units[@]}" 2>&1) || [ -n "$verify" ]; then
  echo "systemd-analyze verify: ${verify:-failed}" >&2
  exit 1
fi

echo "$deb: built and checked"
