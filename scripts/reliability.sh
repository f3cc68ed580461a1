#!/usr/bin/env bash
# Long runs of the reliability tests against the simulators, with the station built
# RelWithDebInfo. Usage:
#   scripts/reliability.sh kills [N]             N random SIGKILLs of mora (default 500)
#   scripts/reliability.sh soak [CALLS] [SMS]    CALLS calls of every kind and SMS alarms
#                                                (default 10000 each), samples every 60 s
# Environment: BUILD_DIR (default build-reliability), REPORT (default <build>/reliability-<mode>.txt),
# MORA_KILL_SEED for a repeatable kill run.
set -euo pipefail
cd "$(dirname "$0")/.."
mode="${1:-}"
build="${BUILD_DIR:-build-reliability}"
case "$mode" in
kills)
    export MORA_KILLS="${2:-500}"
    filter='StationKillTest.*'
    ;;
soak)
    export MORA_SOAK_CALLS="${2:-10000}" MORA_SOAK_SMS="${3:-10000}"
    export MORA_SOAK_SECONDS="${MORA_SOAK_SECONDS:-0}" MORA_SOAK_SAMPLE_MS="${MORA_SOAK_SAMPLE_MS:-60000}"
    filter='StationSoakTest.*'
    ;;
*)
    sed -n '2,9p' "$0" >&2
    exit 2
    ;;
esac
if [ ! -f "$build/CMakeCache.txt" ]; then
    ./scripts/build.sh "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORA_BUILD_BENCH=OFF
else
    cmake --build "$build" --target e2e_reliability_tests
fi
export MORA_RELIABILITY_REPORT="${REPORT:-$PWD/$build/reliability-$mode.txt}"
echo "== $(date -u +%FT%TZ) $mode ${2:-} ${3:-}" >>"$MORA_RELIABILITY_REPORT"
"$build/tests/e2e/e2e_reliability_tests" --gtest_also_run_disabled_tests --gtest_filter="$filter"
echo "figures: $MORA_RELIABILITY_REPORT"
