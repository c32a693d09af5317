#!/usr/bin/env bash
# Installs, builds and starts Velmora. Its data (a formula.mdb per lottery) lives in the user's
# data folder unless VELMORA_DATA_DIR says otherwise. Without a display the main
# job runs in the terminal instead, on a fresh demo history in a temporary folder.
# Arguments go to the window (for example --quit-after MS).
# VELMORA_BUILD_DIR names a build folder that is already configured (the test command's
# own): only the two programs are brought up to date there, nothing is installed.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -n "${VELMORA_BUILD_DIR:-}" ]; then
  build=$VELMORA_BUILD_DIR
  cmake --build "$build" --target velmora velmora-cli
else
  build=build
  bash scripts/build.sh
fi
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$build/velmora" "$@"
fi

echo "No display found (DISPLAY and WAYLAND_DISPLAY are empty): the window cannot open here."
echo "Running the main job in the terminal instead, on a demo history in a temporary data directory."
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
cli() { printf '\n$ velmora-cli %s\n' "$*" >&2; "$build/velmora-cli" --data-dir "$data" "$@"; }
export XDG_CONFIG_HOME="$data/config"
cli init --demo --days 20 --seed 20261208
cli draw list | tail -n 5
cli draw next
cli formula score --table Gongshi1D --flag kill
cli formula score --table Gongshi1D --flag keep
cli predict --position 1 --play direct --flag kill --method selected
cli search --table Gongshi1D --flag kill --operands 8 --candidates 20000 --seed 1 | tail -n 4
