#!/usr/bin/env bash
# Installs what is missing, builds the station twice (plain, and with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs every test under ctest in both builds, then runs every fuzz
# target briefly and the tests that start threads under ThreadSanitizer.
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

echo "== thread sanitizer build (the tests that start threads) =="
# Only the test programs labelled "threads" (and what they use) are built here.
launcher=()
if command -v ccache >/dev/null 2>&1; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build-tsan -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=Debug -DMORA_TSAN=ON \
  -DMORA_BUILD_GUI=OFF -DMORA_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan --target mora_thread_tests
# The entity bomb of the word-list tests starts no thread and takes minutes under this sanitizer.
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --test-dir build-tsan -L threads -E '^DamagedWordList[.]EntitiesCannotReachOutsideOrExplode$' \
  --output-on-failure -j"$jobs"
echo "== all tests passed =="
