#!/usr/bin/env bash
# Installs, builds (warnings are errors) and runs every test: engine and CLI tests,
# window tests offscreen, the layout rule and the source format check.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh -DVELMORA_WERROR=ON
export QT_QPA_PLATFORM=offscreen VELMORA_NO_OPEN=1
ctest --test-dir build --output-on-failure --timeout 900
