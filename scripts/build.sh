#!/usr/bin/env bash
# Installs what is missing, then configures and builds everything into build/.
# Extra arguments go to the configure step (scripts/test.sh adds -DVELMORA_WERROR=ON).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
launcher=()
if command -v ccache >/dev/null 2>&1; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@"
cmake --build build
