#!/usr/bin/env bash
# Makes the screenshots in docs/ from the real program: the demo runs offscreen for about a minute
# (the operator countdown, then a P100 alarm and a voice call), saving its windows as it goes.
# Usage: scripts/screenshots.sh [build folder, default build]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
out="$(mktemp -d)"
QT_QPA_PLATFORM=offscreen MORA_SCREENSHOTS="$out" timeout -s TERM 60 "$build/app/mora" --demo \
    >/dev/null 2>"$out/demo.log" || true
mkdir -p docs
for shot in main-window voice-call-dialog alarm-dialog; do
    if [ -f "$out/$shot.png" ]; then
        cp "$out/$shot.png" "docs/$shot.png"
        echo "docs/$shot.png"
    else
        echo "screenshots: $shot.png was not made; see $out/demo.log" >&2
    fi
done
