#!/usr/bin/env bash
# Configures and builds one build tree. Usage: scripts/build.sh <dir> [extra cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir="$1"; shift
launcher=()
# ccache, where installed, lets several build trees share their compiled objects.
if command -v ccache >/dev/null 2>&1; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
cmake --build "$dir"
