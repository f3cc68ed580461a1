#!/usr/bin/env bash
# Makes the screenshots in docs/ from the real program: the demo runs offscreen for about a minute
# (the operator countdown, then a P100 alarm and a voice call), saving its windows as it goes; the
# object dialog comes from the register's GUI test, which fills it through the real dialogs.
# Usage: scripts/screenshots.sh [build folder, default build]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
out="$(mktemp -d)"
QT_QPA_PLATFORM=offscreen MORA_SCREENSHOTS="$out" timeout -s TERM 60 "$build/app/mora" --demo \
    >/dev/null 2>"$out/demo.log" || true
if [ -x "$build/tests/ui/ui_ObjectDialogsTest" ]; then
    QT_QPA_PLATFORM=offscreen MORA_OBJECT_DIALOG_PNG="$out/object-dialog.png" \
        "$build/tests/ui/ui_ObjectDialogsTest" >"$out/object-dialog.log" 2>&1 || true
fi
mkdir -p docs
for shot in main-window voice-call-dialog alarm-dialog object-dialog; do
    if [ -f "$out/$shot.png" ]; then
        cp "$out/$shot.png" "docs/$shot.png"
        echo "docs/$shot.png"
    else
        echo "screenshots: $shot.png was not made; see the logs in $out" >&2
    fi
done
