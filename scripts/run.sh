#!/usr/bin/env bash
# Installs what is missing, builds the station and starts it. Without arguments it starts the
# demonstration (the station against the simulated modems); arguments go to the station instead,
# for example: scripts/run.sh --headless --operator NAME
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ $# -eq 0 ]; then
  set -- --demo
fi
exec build/app/mora "$@"
