#!/usr/bin/env bash
# Builds everything, installs the kit into dist/ and starts the game from
# dist/bin (it reads ..\data): the i686 game where this machine runs 32-bit
# code, else the x86_64 one (tools/variant.sh). Without a DISPLAY it starts
# Xvfb and says where.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/tools/build.sh"
. "$root/tools/variant.sh"
echo "run.sh: starting the $variant game: $variant_reason"
cmake --install "$build" --prefix "$root/dist" >/dev/null

state=$build/wine
if [ -z "${DISPLAY:-}" ]; then
  "$root/tools/wine-run.sh" --state "$state" -- cmd /c exit 0 >/dev/null
  echo "run.sh: no DISPLAY; the game is on Xvfb display $(cat "$state/xvfb.display")" \
       "(screenshot: DISPLAY=$(cat "$state/xvfb.display") import -window root shot.png)"
fi
cd "$root/dist/bin"
status=0
"$root/tools/wine-run.sh" --state "$state" -- ./Moonlitcairn.exe "$@" || status=$?
"$root/tools/wine-run.sh" --state "$state" --stop
exit $status
