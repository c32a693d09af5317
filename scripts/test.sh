#!/usr/bin/env bash
# Installs, builds (warnings are errors) and runs every test: engine and CLI tests,
# window tests offscreen, the layout rule, the source format check and the run
# command's smoke test. The deeper checks (sanitizers, fuzzing) are
# scripts/deep-checks.sh, which CI runs after this.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS
bash scripts/build.sh -DVELMORA_WERROR=ON
echo "build: $((SECONDS - started)) s"
export QT_QPA_PLATFORM=offscreen VELMORA_NO_OPEN=1
started=$SECONDS
ctest --test-dir build --output-on-failure --timeout 900 --parallel "$(nproc 2>/dev/null || echo 1)"
echo "tests: $((SECONDS - started)) s"
