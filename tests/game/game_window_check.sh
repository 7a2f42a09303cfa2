#!/usr/bin/env bash
# Runs the game's executable under Wine as a player would: from a folder
# beside the data folder. Finds its window by title, checks the client size
# for two window scales and the icon, captures it into the artefact folder,
# closes it and checks the exit code and the traces, also on the debug
# console; then an executable without a version resource must show the error
# box and end with -1.
#   game_window_check.sh WINE_RUN WINE_STATE GAME_EXE NO_VERSION_EXE PROBE_EXE DATA_DIR ARTIFACT_DIR WORK_DIR ICON_FILE
set -euo pipefail
wine_run=$1 state=$2 game=$3 noversion=$4 probe=$5 data=$6 artifacts=$7 work=$8 icon=$9
title="Moonlitcairn ver 1.00"
"$wine_run" --state "$state" -- cmd /c exit 0 >/dev/null 2>&1 || true
if [ -z "${DISPLAY:-}" ]; then
  DISPLAY=$(cat "$state/xvfb.display")
fi
export DISPLAY

rm -rf "$work"
mkdir -p "$work/bin" "$artifacts"
cp -r "$data" "$work/data"
# The copy's chip and character sheets are black, so the field stays dark
# under the rate text whatever the map shows.
for picture in char/char01.png char/char02.png \
    $(tail -n +3 "$work/data/map/MapChipInfo.csv" | cut -d, -f2 | tr -d '\r' | sed 's|^|map/|'); do
  mkdir -p "$(dirname "$work/data/$picture")"
  convert -size 256x288 xc:black "PNG24:$work/data/$picture"
done
cp "$game" "$noversion" "$(dirname "$game")"/*.dll "$work/bin/"
cd "$work/bin"
game_pid=""
cleanup() { [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null || true; }
trap cleanup EXIT

# Waits until a window with the exact name exists; prints its id.
find_window() {
  local name=$1 window=""
  for _ in $(seq 1 300); do
    window=$(xdotool search --name "^$name\$" 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && { echo "$window"; return 0; }
    kill -0 "$game_pid" 2>/dev/null || { echo "the program ended before its window appeared" >&2; return 1; }
    sleep 0.1
  done
  echo "no window named $name" >&2
  return 1
}

# Waits for the program to end and sets exit_status (-1 reaches us as 255).
# Not run in a subshell: only this shell can wait for its child.
exit_status=""
wait_exit() {
  for _ in $(seq 1 300); do
    kill -0 "$game_pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$game_pid" 2>/dev/null; then
    echo "the program did not end" >&2
    return 1
  fi
  exit_status=0
  wait "$game_pid" || exit_status=$?
  game_pid=""
}

# One run at a window scale setting: client width and height expected.
run_game() {
  local rate=$1 client_w=$2 client_h=$3 shot=$4
  sed -i "s/^WindowSizeExtendRate=.*/WindowSizeExtendRate=$rate/" ../data/debug.ini
  "$wine_run" --state "$state" --capture -- ./Moonlitcairn.exe > game_out.txt 2>&1 &
  game_pid=$!
  local window
  window=$(find_window "$title")
  sleep 2
  local geometry width height
  geometry=$(xdotool getwindowgeometry "$window")
  width=$(echo "$geometry" | sed -n 's/.*Geometry: \([0-9]*\)x[0-9]*.*/\1/p')
  height=$(echo "$geometry" | sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p')
  # The X window holds the client and the frame: equal edges left, right and
  # below, and the caption above.
  local border_x=$((width - client_w)) border_y=$((height - client_h))
  local edge=$((border_x / 2)) caption=$((border_y - border_x))
  if [ "$border_x" -lt 0 ] || [ "$border_x" -gt 16 ] || [ $((border_x % 2)) -ne 0 ] ||
     [ "$caption" -lt 0 ] || [ "$caption" -gt 40 ]; then
    echo "setting $rate: window ${width}x${height} does not hold a ${client_w}x${client_h} client"
    return 1
  fi
  # The frame loop ran: the rate text is white in the top left corner, the
  # empty field below it black. The game loads its pictures before the first
  # frame, which takes longer on a busy machine: captured until it shows.
  local text_max rest_max
  for _ in $(seq 1 20); do
    import -window "$window" -crop "${client_w}x${client_h}+${edge}+$((caption + edge))" +repage \
      "$artifacts/$shot"
    text_max=$(convert "$artifacts/$shot" -crop "$((client_w / 8))x$((client_h / 20))+0+0" \
      -format '%[fx:maxima]' info:)
    rest_max=$(convert "$artifacts/$shot" -crop "${client_w}x$((client_h / 2))+0+$((client_h / 2))" \
      -format '%[fx:maxima]' info:)
    [ "$text_max" = "1" ] && [ "$rest_max" = "0" ] && break
    sleep 0.5
  done
  if [ "$text_max" != "1" ] || [ "$rest_max" != "0" ]; then
    echo "setting $rate: no rate text over a black screen (text $text_max, rest $rest_max)"
    return 1
  fi
  # The 32 x 32 icon that Wine gives the X window (ARGB words after its
  # width and height) is the 32 x 32 image of the icon file, pixel by pixel.
  xprop -id "$window" -notype 32x _NET_WM_ICON | sed 's/^[^=]*= //' | tr -d ' ' | tr ',' '\n' |
    sed -n '1,1026p' > icon_shown.txt
  { echo 0x20; echo 0x20
    convert "$icon[0]" -depth 8 txt:- |
      sed -n 's/.*#\([0-9A-Fa-f]\{6\}\)\([0-9A-Fa-f]\{2\}\).*/0x\2\1/p' | tr 'A-F' 'a-f'
  } > icon_file.txt
  if ! cmp -s icon_shown.txt icon_file.txt; then
    echo "setting $rate: the window does not show the game's icon"
    return 1
  fi
  "$wine_run" --state "$state" -- "$probe" --close "$title"
  wait_exit
  if [ "$exit_status" -ne 0 ]; then
    echo "setting $rate: exit code $exit_status, expected 0"
    cat game_out.txt
    return 1
  fi
  for line in "program version is 1.00" "PushMode 1" "program finished"; do
    grep -q "$line" game_out.txt || { echo "no trace '$line'"; cat game_out.txt; return 1; }
  done
  echo "setting $rate: ${client_w}x${client_h} client, icon 102, closed with exit code 0"
}

run_game 0 640 480 game_window_scale2.png
run_game 1 320 240 game_window_scale1.png

# With the debug console: the traces from start to end are on it.
sed -i "s/^DebugLogWindow=.*/DebugLogWindow=1/" ../data/debug.ini
"$wine_run" --state "$state" --capture -- ./Moonlitcairn.exe > game_out.txt 2>&1 &
game_pid=$!
find_window "$title" > /dev/null
sleep 1
"$wine_run" --state "$state" --capture -- "$probe" --console-text "$title" > console.txt 2>&1 &
console_pid=$!
# Long enough for the 20 frames of the fade-in on a busy machine.
sleep 4
"$wine_run" --state "$state" -- "$probe" --close "$title"
wait_exit
wait "$console_pid" || { echo "console not read"; cat console.txt; exit 1; }
if [ "$exit_status" -ne 0 ]; then
  echo "with the console: exit code $exit_status, expected 0"
  exit 1
fi
# The village's InitProc runs as the map loads, in event mode: its music and
# a fade-in, after which the script ends. PopMode's line holds a
# code-page-932 arrow that Wine's console gives back as an empty line.
expected=$(printf 'program start\nprogram version is 1.00\nPushMode 1\nPushMode 2\nlua_LoadSoundFile\nlua_PlayBGM\nlua_StartFadein\nCScriptManager::ExecNext\nprogram finished')
if [ "$(tr -d '\r' < console.txt | sed '/^$/d')" != "$expected" ]; then
  echo "console text:"
  cat console.txt
  exit 1
fi
echo "with the console: the traces from 'program start' to 'program finished'"
sed -i "s/^DebugLogWindow=.*/DebugLogWindow=0/" ../data/debug.ini

# Without a version resource: the error box, no game window, exit code -1.
"$wine_run" --state "$state" --capture -- ./"$(basename "$noversion")" > game_out.txt 2>&1 &
game_pid=$!
find_window "ERROR" > /dev/null
sleep 1
if xdotool search --name "^Moonlitcairn" >/dev/null 2>&1; then
  echo "a game window opened without a version"
  exit 1
fi
text=$("$wine_run" --state "$state" --capture -- "$probe" --close-box ERROR | iconv -f CP932 -t UTF-8)
if [ "$text" != "バージョン番号取得失敗" ]; then
  echo "error box text '$text'"
  exit 1
fi
wait_exit
if [ "$exit_status" -ne 255 ]; then
  echo "exit code $exit_status without a version, expected -1 (255)"
  exit 1
fi
trap - EXIT
echo "without a version: the error box, exit code -1"
