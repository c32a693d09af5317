#!/usr/bin/env bash
# Installs, builds and runs every test (engine tests, CLI tests, window tests offscreen).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen VELMORA_NO_OPEN=1
ctest --test-dir build --output-on-failure --timeout 900
