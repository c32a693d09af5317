#!/usr/bin/env bash
# Installs, builds (warnings are errors) and runs every test: engine and CLI tests,
# window tests offscreen, the layout rule and the source format check. Then the
# engine tests once more with AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan/), and, where clang is installed, each fuzz target for a bounded
# time (build-fuzz/, 30 s each unless VELMORA_FUZZ_SECONDS says otherwise).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh -DVELMORA_WERROR=ON
export QT_QPA_PLATFORM=offscreen VELMORA_NO_OPEN=1
ctest --test-dir build --output-on-failure --timeout 900

started=$SECONDS
bash scripts/sanitize.sh
echo "sanitizer pass: $((SECONDS - started)) s"
started=$SECONDS
bash scripts/fuzz.sh "${VELMORA_FUZZ_SECONDS:-30}"
echo "fuzz pass: $((SECONDS - started)) s"
