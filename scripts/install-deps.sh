#!/usr/bin/env bash
# Installs every Debian 12 package the build (with ccache), the tests, the benchmarks, the fuzz
# targets (clang-14 with libFuzzer) and the Debian package need.
# Safe to run again: packages already present are skipped.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite qt6-charts-dev libqt6opengl6-dev
  libgl-dev libvulkan-dev libxkbcommon-dev
  libsqlite3-dev libxlsxwriter-dev libxml2-dev zlib1g-dev libhwy-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  qt6-translations-l10n
  xvfb xauth fonts-wqy-microhei unzip clang-format
  clang-14 libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
