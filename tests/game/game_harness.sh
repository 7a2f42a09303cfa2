# Drives the real game under Wine with real key events; sourced by the game's
# end-to-end checks. The caller sets wine_run, state, game, probe, data,
# artifacts and work, edits "$work/data/debug.ini" after game_prepare, then
# calls game_start, press, shot and game_stop; game_output holds the game's
# standard output (UTF-8) afterwards.
title="Moonlitcairn ver 1.00"
game_pid=""

# Copies the data and the executable with its libraries into the work folder.
game_prepare() {
  "$wine_run" --state "$state" -- cmd /c exit 0 >/dev/null 2>&1 || true
  if [ -z "${DISPLAY:-}" ]; then
    DISPLAY=$(cat "$state/xvfb.display")
  fi
  export DISPLAY
  rm -rf "$work"
  mkdir -p "$work/bin" "$artifacts"
  cp -r "$data" "$work/data"
  sed -i -e 's/^WindowSizeExtendRate=.*/WindowSizeExtendRate=1/' "$work/data/debug.ini"
  cp "$game" "$(dirname "$game")"/*.dll "$work/bin/"
}

game_cleanup() { [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null || true; }

# Starts the game and waits for its window; sets window and the client
# rectangle's offsets used by shot.
game_start() {
  cd "$work/bin"
  trap game_cleanup EXIT
  "$wine_run" --state "$state" --capture -- ./Moonlitcairn.exe > game_out.txt 2>&1 &
  game_pid=$!
  window=""
  for _ in $(seq 1 300); do
    window=$(xdotool search --name "^$title\$" 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    kill -0 "$game_pid" 2>/dev/null || { echo "the game ended before its window appeared"; exit 1; }
    sleep 0.1
  done
  [ -n "$window" ] || { echo "no game window"; exit 1; }
  local geometry width height
  geometry=$(xdotool getwindowgeometry "$window")
  width=$(echo "$geometry" | sed -n 's/.*Geometry: \([0-9]*\)x[0-9]*.*/\1/p')
  height=$(echo "$geometry" | sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p')
  edge=$(((width - 320) / 2))
  caption=$((height - 240 - 2 * edge))
}

# The game's 320 x 240 client area, saved as a picture.
shot() { import -window "$window" -crop "320x240+${edge}+$((caption + edge))" +repage "$1"; }

# One key press held long enough for the game's per-frame key reading.
press() {
  xdotool windowactivate --sync "$window" >/dev/null 2>&1 || xdotool windowfocus "$window" || true
  xdotool keydown --window "$window" "$1"
  sleep 0.12
  xdotool keyup --window "$window" "$1"
  sleep 0.12
}

# Notes whether an error box is up, closes the game and collects its output;
# fails when it did not end with code 0.
game_stop() {
  error_box=$(xdotool search --name "^ERROR\$" 2>/dev/null | head -n 1 || true)
  "$wine_run" --state "$state" -- "$probe" --close "$title"
  for _ in $(seq 1 300); do
    kill -0 "$game_pid" 2>/dev/null || break
    sleep 0.1
  done
  local status=0
  wait "$game_pid" || status=$?
  game_pid=""
  trap - EXIT
  game_output=$(tr -d '\r' < game_out.txt | iconv -f CP932 -t UTF-8 -c)
  [ "$status" -eq 0 ] || fail "exit code $status"
  [ -z "$error_box" ] || fail "an error box was shown"
}

fail() { echo "$1"; echo "${game_output:-$(tr -d '\r' < "$work/bin/game_out.txt" | iconv -f CP932 -t UTF-8 -c)}" | tail -n 60; exit 1; }
