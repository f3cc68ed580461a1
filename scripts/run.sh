#!/usr/bin/env bash
# Installs what is missing, builds the station and starts it. Arguments go to the station
# (for example --headless --operator NAME).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ -x build/app/mora ]; then
  exec build/app/mora "$@"
fi
echo "run: the station program is not part of the build yet; the libraries and tests were built."
echo "run: use scripts/test.sh to run the tests."
