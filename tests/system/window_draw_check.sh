#!/usr/bin/env bash
# Starts window_probe under Wine with the library's default renderer choice
# (the Direct3D device where one can be made), lets it draw and present its
# two boxes, captures the window from outside, checks the colours the window
# shows and closes it.
#   window_draw_check.sh WINE_RUN WINE_STATE PROBE_EXE ARTIFACT_DIR
set -euo pipefail
wine_run=$1 state=$2 probe=$3 artifacts=$4
title="OmbrelDraw-$$"
"$wine_run" --state "$state" -- cmd /c exit 0 >/dev/null 2>&1 || true
if [ -z "${DISPLAY:-}" ]; then
  DISPLAY=$(cat "$state/xvfb.display")
fi
export DISPLAY

"$wine_run" --state "$state" --capture -- "$probe" --draw "$title" &
probe_pid=$!
cleanup() { kill "$probe_pid" 2>/dev/null || true; }
trap cleanup EXIT

window=""
for _ in $(seq 1 300); do
  window=$(xdotool search --name "^$title\$" 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  kill -0 "$probe_pid" 2>/dev/null || { echo "probe ended before its window appeared"; exit 1; }
  sleep 0.1
done
[ -n "$window" ] || { echo "no window titled $title"; exit 1; }
sleep 2

geometry=$(xdotool getwindowgeometry "$window")
width=$(echo "$geometry" | sed -n 's/.*Geometry: \([0-9]*\)x[0-9]*.*/\1/p')
height=$(echo "$geometry" | sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p')
border_x=$((width - 640)) border_y=$((height - 480))
edge=$((border_x / 2)) caption=$((border_y - border_x))
mkdir -p "$artifacts"
shot="$artifacts/main_window_drawn_320x240_scale2.png"
import -window "$window" -crop "640x480+${edge}+$((caption + edge))" +repage "$shot"

failed=0
check() {  # x y expected
  local got
  got=$(convert "$shot" -format "%[fx:int(255*p{$1,$2}.r)],%[fx:int(255*p{$1,$2}.g)],%[fx:int(255*p{$1,$2}.b)]" info:)
  if [ "$got" != "$3" ]; then
    echo "window pixel ($1, $2) is $got, expected $3"
    failed=1
  fi
}
# The screen is shown at scale 2: the red quarter covers 320 x 240 of the
# window, the green rest the remainder.
check 100 100 "200,40,40"
check 318 238 "200,40,40"
check 322 100 "30,160,90"
check 500 400 "30,160,90"

"$wine_run" --state "$state" --capture -- "$probe" --close "$title"
for _ in $(seq 1 300); do
  kill -0 "$probe_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$probe_pid" 2>/dev/null; then
  echo "the program did not end after its window was closed"
  exit 1
fi
status=0
wait "$probe_pid" || status=$?
trap - EXIT
# Windows exit code -1 reaches the shell as 255; 5 means no device was made.
if [ "$status" -ne 255 ]; then
  echo "probe exit code $status, expected PumpMessages' -1 (255)"
  exit 1
fi
[ "$failed" -eq 0 ] || exit 1
echo "the window shows the presented frame"
