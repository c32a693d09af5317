#!/usr/bin/env bash
# Builds the engine tests (velmora_core_tests, velmora_cli_tests) with
# AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/ and runs them
# once. Any report (a leak included) fails the run; the command-line tests run
# the sanitized velmora-cli as their child, so it is checked too.
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
if command -v ccache >/dev/null 2>&1; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
# -O1 with line tables: the sanitizers' usual choice, and a quicker build than -O2 -g.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" \
  -DVELMORA_SANITIZE=ON -DVELMORA_WERROR=ON -DVELMORA_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan --target velmora_core_tests velmora_cli_tests

export QT_QPA_PLATFORM=offscreen VELMORA_NO_OPEN=1
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for t in velmora_core_tests velmora_cli_tests; do
  echo "== $t (address, undefined)"
  "build-asan/tests/$t" --gtest_brief=1 || status=1
done
exit $status
