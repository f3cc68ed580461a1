#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz (build-fuzz, clang, ASan + UBSan) and runs them.
#
#   scripts/fuzz.sh short [seconds]   every target for about 20 s (two at a time); fails on any
#                                     crash, leak or hang, and prints the executions per target
#   scripts/fuzz.sh long [runs]       every target to at least 10^7 executions (or `runs`), each
#                                     stopped after MORA_FUZZ_MAX_SECONDS (default 3600) at most;
#                                     prints a table of executions, time and crashes
#
# New inputs that reach new code are kept in build-fuzz/fuzz-work/<target>/corpus (the seeds in
# tests/fuzz/corpus stay as they are); a crash leaves its input and log beside them.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-short}
case "$mode" in
short) seconds=${2:-20}; runs=-1 ;;
long) runs=${2:-10000000}; seconds=${MORA_FUZZ_MAX_SECONDS:-3600} ;;
*) echo "usage: $0 short [seconds] | long [runs]" >&2; exit 2 ;;
esac

build=build-fuzz
launcher=()
if command -v ccache >/dev/null 2>&1; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$build" -G Ninja "${launcher[@]}" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
  -DMORA_FUZZ=ON -DMORA_BUILD_TESTS=OFF -DMORA_BUILD_GUI=OFF -DMORA_BUILD_BENCH=OFF \
  -DMORA_BUILD_SIMULATORS=OFF >/dev/null
cmake --build "$build" --target mora_fuzzers

work=$PWD/$build/fuzz-work
mkdir -p "$work"
# The file-reading targets write their input to a file each run: memory is faster than a disk.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

targets=()
for program in "$build"/tests/fuzz/fuzz_*; do
  targets+=("$(basename "$program" | sed 's/^fuzz_//')")
done

# run_one <target>: one libFuzzer run; its log is <work>/<target>/run.log.
run_one() {
  local target=$1 dir=$work/$1
  mkdir -p "$dir/corpus"
  local started=$SECONDS status=0
  "$PWD/$build/tests/fuzz/fuzz_$target" -timeout=10 -max_len=4096 -print_final_stats=1 \
    -runs="$runs" -max_total_time="$seconds" -artifact_prefix="$dir/" \
    "$dir/corpus" "tests/fuzz/corpus/$target" >"$dir/run.log" 2>&1 || status=$?
  echo "$status $((SECONDS - started))" >"$dir/result"
}

echo "== fuzzing ${#targets[@]} targets ($mode) =="
for dir in "${targets[@]}"; do rm -f "$work/$dir/result"; done
running=0
for target in "${targets[@]}"; do
  run_one "$target" &
  running=$((running + 1))
  # Two at a time: the machine has two cores.
  if [ "$running" -ge 2 ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait || true

failed=0
printf '%-18s %14s %8s %8s  %s\n' target executions seconds crashes result
for target in "${targets[@]}"; do
  dir=$work/$target
  read -r status took <"$dir/result"
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/run.log" | tail -1)
  crashes=0
  result=ok
  if [ "$status" != 0 ]; then
    crashes=1
    failed=1
    result="FAILED (exit $status): $(grep -m1 -oE 'ERROR: [A-Za-z]+: [^ ]+( [^ ]+)?' "$dir/run.log" || echo see log)"
    result+=" — input and log in $dir"
  fi
  printf '%-18s %14s %8s %8s  %s\n' "$target" "${executions:-?}" "$took" "$crashes" "$result"
done
if [ "$failed" != 0 ]; then
  echo "== fuzzing found faults (logs in $work/<target>/run.log) =="
  exit 1
fi
echo "== fuzzing: no crash, leak or hang =="
