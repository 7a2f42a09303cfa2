#!/usr/bin/env bash
# Starts window_probe under Wine, finds its window from outside the program,
# checks the client size (a 320 x 240 screen at scale 2), captures it into
# the artefact folder, closes it and checks that the program's frame loop saw
# PumpMessages return -1.
#   window_screenshot_check.sh WINE_RUN WINE_STATE PROBE_EXE ARTIFACT_DIR
set -euo pipefail
wine_run=$1 state=$2 probe=$3 artifacts=$4
title="OmbrelProbe-$$"
# The first call makes the prefix and the display when they are missing.
"$wine_run" --state "$state" -- cmd /c exit 0 >/dev/null
if [ -z "${DISPLAY:-}" ]; then
  DISPLAY=$(cat "$state/xvfb.display")
fi
export DISPLAY

"$wine_run" --state "$state" --capture -- "$probe" "$title" &
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
sleep 1

geometry=$(xdotool getwindowgeometry "$window")
echo "$geometry"
width=$(echo "$geometry" | sed -n 's/.*Geometry: \([0-9]*\)x[0-9]*.*/\1/p')
height=$(echo "$geometry" | sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p')
# The X window holds the client and the frame Windows draws around it: equal
# edges left, right and below, and the caption above when Wine draws it too.
border_x=$((width - 640)) border_y=$((height - 480))
edge=$((border_x / 2)) caption=$((border_y - border_x))
if [ "$border_x" -lt 0 ] || [ "$border_x" -gt 16 ] || [ $((border_x % 2)) -ne 0 ] ||
   [ "$caption" -lt 0 ] || [ "$caption" -gt 40 ]; then
  echo "window ${width}x${height} does not hold a 640x480 client"
  exit 1
fi
mkdir -p "$artifacts"
import -window "$window" -crop "640x480+${edge}+$((caption + edge))" +repage \
  "$artifacts/main_window_320x240_scale2.png"

"$wine_run" --state "$state" --capture -- "$probe" --close "$title"
status=0
for _ in $(seq 1 300); do
  kill -0 "$probe_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$probe_pid" 2>/dev/null; then
  echo "the program did not end after its window was closed"
  exit 1
fi
wait "$probe_pid" || status=$?
trap - EXIT
# Windows exit code -1 reaches the shell as 255.
if [ "$status" -ne 255 ]; then
  echo "probe exit code $status, expected PumpMessages' -1 (255)"
  exit 1
fi
echo "window closed; PumpMessages returned -1"
