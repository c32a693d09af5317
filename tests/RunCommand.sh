#!/usr/bin/env bash
# The README's run command (scripts/run.sh) as a user gives it, on the programs of the
# build folder under test, so a program that moved fails here.
#   RunCommand.sh headless SOURCE BUILD  no display: the terminal main job ends with 0 and prints the vote
#   RunCommand.sh window SOURCE BUILD    a display (xvfb-run): the window opens and closes itself with 0
set -uo pipefail
mode=$1 source=$2 build=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Nothing of the user's own data or settings is read or written.
export VELMORA_BUILD_DIR=$build VELMORA_NO_OPEN=1 VELMORA_DATA_DIR=$work/data XDG_CONFIG_HOME=$work/config
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

case $mode in
headless)
  env -u DISPLAY bash "$source/scripts/run.sh" >"$work/out" 2>&1
  status=$?
  cat "$work/out"
  if [ "$status" -ne 0 ]; then echo "run.sh exited with $status" >&2; exit 1; fi
  if ! grep -q "formulas used" "$work/out" || ! grep -q "^第1 " "$work/out"; then
    echo "run.sh printed no vote" >&2
    exit 1
  fi
  ;;
window)
  xvfb-run -a -s "-screen 0 1024x700x24" bash "$source/scripts/run.sh" --quit-after 3000 >"$work/out" 2>&1
  status=$?
  cat "$work/out"
  if [ "$status" -ne 0 ]; then echo "the window through run.sh exited with $status" >&2; exit 1; fi
  if [ ! -f "$work/data/gd11x5/formula.mdb" ]; then echo "the window did not open its database" >&2; exit 1; fi
  ;;
*)
  echo "usage: RunCommand.sh headless|window SOURCE BUILD" >&2
  exit 2
  ;;
esac
