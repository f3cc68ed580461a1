#!/usr/bin/env bash
# Builds the Debian package of the station from a build tree (default build/, configured and built
# here as RelWithDebInfo when it does not exist yet) and prints the path of the .deb file.
# Usage: scripts/package.sh [build tree]
set -euo pipefail
cd "$(dirname "$0")/.."
tree="${1:-build}"
if [ ! -f "$tree/CMakeCache.txt" ]; then
    ./scripts/build.sh "$tree" -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
else
    cmake --build "$tree" --target mora mora_sim_telmodem_cli mora_sim_gsmmodem_cli >&2
fi
out="$tree/package"
rm -rf "$out"
mkdir -p "$out"
# CPack checks the package files in a folder of its own, so parallel packaging of two trees
# does not mix them.
(cd "$tree" && cpack -G DEB -B "$PWD/package" >&2)
deb="$(ls "$out"/*.deb)"
echo "$deb"
