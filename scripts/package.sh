#!/usr/bin/env bash
# Builds the Debian package (build/velmora_*.deb), installs it and runs it:
# velmora-cli --version, velmora-cli init --demo, and the window for a few
# seconds on the offscreen platform.
#   scripts/package.sh            unpacks it into a throw-away root (dpkg -x)
#   scripts/package.sh --install  installs it on this machine (apt-get, as root)
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-root}

bash scripts/build.sh
(cd build && cpack -G DEB >/dev/null)
deb=$(ls -t build/velmora_*.deb | head -n 1)
echo "package: $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends Recommends

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ "$mode" = "--install" ]; then
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  $SUDO apt-get install -y -qq "./$deb" >/dev/null
  prefix=/usr
else
  dpkg -x "$deb" "$work/root"
  prefix=$work/root/usr
  # Every library the package depends on must already be here for the unpacked copy to run.
  missing=$(dpkg-deb --field "$deb" Depends | tr ',' '\n' | sed 's/[(|].*//; s/ //g' |
    while read -r p; do [ -z "$p" ] || dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || echo "$p"; done)
  if [ -n "$missing" ]; then echo "not installed here: $missing" >&2; exit 1; fi
fi

for f in bin/velmora bin/velmora-cli share/velmora/manual.md share/applications/org.velmora.Velmora.desktop \
  share/metainfo/org.velmora.Velmora.metainfo.xml share/icons/hicolor/scalable/apps/org.velmora.Velmora.svg; do
  [ -e "$prefix/$f" ] || { echo "missing from the package: $f" >&2; exit 1; }
done
if command -v appstreamcli >/dev/null 2>&1; then
  appstreamcli validate --no-net "$prefix/share/metainfo/org.velmora.Velmora.metainfo.xml" >/dev/null
fi
if command -v desktop-file-validate >/dev/null 2>&1; then
  desktop-file-validate "$prefix/share/applications/org.velmora.Velmora.desktop"
fi

export XDG_CONFIG_HOME=$work/config
"$prefix/bin/velmora-cli" --version
"$prefix/bin/velmora-cli" --data-dir "$work/data" init --demo --days 2
"$prefix/bin/velmora-cli" --data-dir "$work/data" draw next
# The window starts and keeps running until it is stopped (status 124 from timeout).
status=0
QT_QPA_PLATFORM=offscreen VELMORA_NO_OPEN=1 timeout 5 "$prefix/bin/velmora" --data-dir "$work/data" || status=$?
if [ "$status" -ne 124 ]; then echo "the window exited early with status $status" >&2; exit 1; fi
echo "package ok: installed, velmora-cli ran, the window started"
