#!/usr/bin/env bash
# The checks too slow for every change: the engine and command-line tests again
# with AddressSanitizer and UndefinedBehaviorSanitizer (scripts/sanitize.sh,
# build-asan/), then, where clang is installed, each fuzz target for a bounded
# time (scripts/fuzz.sh, build-fuzz/; 30 s each unless VELMORA_FUZZ_SECONDS says
# otherwise). CI runs it after scripts/test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
started=$SECONDS
bash scripts/sanitize.sh
echo "sanitizer pass: $((SECONDS - started)) s"
started=$SECONDS
bash scripts/fuzz.sh "${VELMORA_FUZZ_SECONDS:-30}"
echo "fuzz pass: $((SECONDS - started)) s"
