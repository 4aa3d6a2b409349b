#!/usr/bin/env bash
# make fuzz: builds the fuzz targets with clang's libFuzzer, AddressSanitizer
# and UBSan, and runs each for FUZZ_SECONDS (600 by default), FUZZ_JOBS at
# a time (1 by default), from its seeds and kept corpus. New inputs go to
# build/fuzz/corpus/<target>; a finding to build/fuzz/findings/<target>, and
# the run then fails. Any single allocation over 33 MB is a finding: no
# reader may allocate more than a file's 32 MB.
#   FUZZ_TARGETS="reader restore" FUZZ_SECONDS=60 make fuzz
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-600}
jobs=${FUZZ_JOBS:-1}
targets=${FUZZ_TARGETS:-reader unchanged restore save state}
build=build/fuzz

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCK_FUZZ=ON \
  -DCK_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 >/dev/null

run() {
  local name=$1 seeds=archives dict=zip.dict
  if [[ $name == save || $name == state ]]; then seeds=saves dict=save.dict; fi
  mkdir -p "$build/corpus/$name" "$build/findings/$name"
  local kept=()
  if [[ -d tests/fuzz/corpus/$name ]]; then kept=("tests/fuzz/corpus/$name"); fi
  "$build/tests/fuzz/fuzz_$name" "$build/corpus/$name" "${kept[@]}" "tests/fuzz/seeds/$seeds" \
    -dict="tests/fuzz/$dict" -max_total_time="$seconds" -malloc_limit_mb=33 -max_len=65536 -timeout=10 \
    -artifact_prefix="$build/findings/$name/" -print_final_stats=1 >"$build/$name.log" 2>&1 || true
  local last execs rate findings
  last=$(grep -E '^#[0-9]+' "$build/$name.log" | tail -1)
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/$name.log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$build/$name.log")
  findings=$(find "$build/findings/$name" -type f | wc -l)
  echo "$name: ${execs:-?} runs, ${rate:-?} a second; at the end: ${last:-no run}; findings: $findings"
}

pids=()
for name in $targets; do
  run "$name" &
  pids+=($!)
  if (( ${#pids[@]} >= jobs )); then wait "${pids[0]}"; pids=("${pids[@]:1}"); fi
done
for pid in "${pids[@]}"; do wait "$pid"; done

if [[ -n $(find "$build/findings" -type f) ]]; then
  echo "findings (inputs in $build/findings; the logs in $build/<target>.log):"
  find "$build/findings" -type f
  exit 1
fi
