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
  cp "$game" "$work/bin/Moonlitcairn.exe"
  cp "$(dirname "$game")"/*.dll "$work/bin/"
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

# The game is not paced where the vertical blank is not waited for (several
# hundred frames a second under Xvfb), and a key held for 31 frames repeats:
# a press is held 25 ms, seen by a frame down to 40 frames a second and
# repeated by none below 1,200.
hold_key() {
  xdotool windowactivate --sync "$window" >/dev/null 2>&1 || xdotool windowfocus "$window" || true
  xdotool keydown --window "$window" "$1"
  sleep "$2"
  xdotool keyup --window "$window" "$1"
}
press() {
  hold_key "$1" 0.025
  sleep 0.2
}
# Walks until something stands in the way.
go() {
  hold_key "$1" 1.5
  sleep 0.3
}
# How many cells (0-3) the view moved toward KEY between two frames: the
# shift that makes them agree best (the player stays in the middle and the
# map scrolls under it; the top rows with the frame counter are left out).
cells_moved() {
  local before=$1 after=$2 key=$3 best=0 best_error="" k error a b
  for k in 0 1 2 3; do
    local d=$((16 * k))
    case "$key" in
      Left) a="272x168+0+24" b="272x168+$d+24" ;;
      Right) a="272x168+$d+24" b="272x168+0+24" ;;
      Up) a="320x120+0+24" b="320x120+0+$((24 + d))" ;;
      Down) a="320x120+0+$((24 + d))" b="320x120+0+24" ;;
    esac
    convert "$before" -crop "$a" +repage "$work/moved_a.png"
    convert "$after" -crop "$b" +repage "$work/moved_b.png"
    error=$(compare -metric MAE "$work/moved_a.png" "$work/moved_b.png" null: 2>&1 | sed 's/ .*//')
    if [ -z "$best_error" ] || awk -v e="$error" -v b="$best_error" 'BEGIN { exit !(e < b) }'; then
      best=$k best_error=$error
    fi
  done
  echo "$best"
}
# Exactly one step toward KEY: a tap shorter than a step's 8 frames, checked
# against the frames before and after, longer when it was not seen, and
# undone when the game took it for more than one step.
tap_ms=25
step() {
  local key=$1 back moved tries=0
  case "$key" in Left) back=Right ;; Right) back=Left ;; Up) back=Down ;; Down) back=Up ;; esac
  while :; do
    tries=$((tries + 1))
    [ "$tries" -le 8 ] || fail "no single step $key after 8 tries"
    shot "$work/step_before.png"
    hold_key "$key" "$(awk -v m="$tap_ms" 'BEGIN { printf "%.3f", m / 1000 }')"
    sleep 0.4
    shot "$work/step_after.png"
    moved=$(cells_moved "$work/step_before.png" "$work/step_after.png" "$key")
    case "$moved" in
      1) return 0 ;;
      0) tap_ms=$((tap_ms * 3 / 2)) ;;
      *) tap_ms=$((tap_ms / 2 > 2 ? tap_ms / 2 : 2))
         for _ in $(seq 2 "$moved"); do step "$back"; done
         return 0 ;;
    esac
  done
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
