#!/usr/bin/env bash
# Installs what is missing, builds the station twice (plain, and with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs every test under ctest in both builds, then runs every fuzz
# target briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
jobs=$(nproc)

echo "== plain build =="
./scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir build --output-on-failure -j"$jobs"
./tests/packaging/check-package.sh build

echo "== sanitizer build (ASan + UBSan) =="
./scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DMORA_SANITIZE=ON -DMORA_BUILD_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"

echo "== fuzzing (libFuzzer, about 20 s per target) =="
./scripts/fuzz.sh short
echo "== all tests passed =="
