#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz in build-fuzz/ with clang and runs
# each for a bounded time (default 30 s, or the first argument), starting from
# the seeds in tests/fuzz/corpus/NAME and keeping what it learns in
# build-fuzz/corpus/NAME. A crash or broken invariant fails the script; the
# input is left in build-fuzz/artifacts/ and the output in build-fuzz/logs/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}

cxx=$(command -v clang++-14 || command -v clang++ || true)
cc=$(command -v clang-14 || command -v clang || true)
if [ -z "$cxx" ] || [ -z "$cc" ]; then
  echo "fuzz: clang is not installed, the fuzz targets are skipped"
  exit 0
fi
launcher=()
if command -v ccache >/dev/null 2>&1; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
CC=$cc CXX=$cxx cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" \
  -DVELMORA_FUZZ=ON -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz

mkdir -p build-fuzz/logs build-fuzz/artifacts
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
parallel=$(nproc 2>/dev/null || echo 1)

run_one() {
  local name=$1 corpus=build-fuzz/corpus/$1 log=build-fuzz/logs/$1.log dict=()
  mkdir -p "$corpus"
  if [ -f "tests/fuzz/$name.dict" ]; then dict=(-dict="tests/fuzz/$name.dict"); fi
  if "build-fuzz/tests/fuzz/fuzz_$name" -max_total_time="$seconds" -max_len=2048 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="build-fuzz/artifacts/$name-" "${dict[@]}" \
    "$corpus" "tests/fuzz/corpus/$name" >"$log" 2>&1; then
    echo ok >"$log.status"
  else
    echo FAILED >"$log.status"
  fi
}

# One fuzzer per core at a time.
mapfile -t names < <(grep -v '^$' build-fuzz/fuzzers.txt)
for name in "${names[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n || true; done
  run_one "$name" &
done
wait

failed=0
echo "fuzz targets ($seconds s each):"
for name in "${names[@]}"; do
  log=build-fuzz/logs/$name.log
  outcome=$(cat "$log.status")
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  printf '  %-20s %-7s %12s executions\n' "$name" "$outcome" "${runs:-?}"
  if [ "$outcome" != ok ]; then
    failed=1
    tail -n 40 "$log"
  fi
done
exit $failed
