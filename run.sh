#!/usr/bin/env bash
# Builds everything, installs the kit into dist/ and starts the game from
# dist/bin (it reads ..\data). Without a DISPLAY it starts Xvfb and says where.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/tools/build.sh"
build=${OMBREL_BUILD_DIR:-$root/build}
cmake --install "$build" --prefix "$root/dist" >/dev/null

state=$build/wine
if [ -z "${DISPLAY:-}" ]; then
  "$root/tools/wine-run.sh" --state "$state" -- cmd /c exit 0 >/dev/null 2>&1 || true
  echo "run.sh: no DISPLAY; the game is on Xvfb display $(cat "$state/xvfb.display")" \
       "(screenshot: DISPLAY=$(cat "$state/xvfb.display") import -window root shot.png)"
fi
cd "$root/dist/bin"
status=0
"$root/tools/wine-run.sh" --state "$state" -- ./Moonlitcairn.exe "$@" || status=$?
"$root/tools/wine-run.sh" --state "$state" --stop
exit $status
