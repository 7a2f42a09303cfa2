#!/usr/bin/env bash
# A battle in the running game, played with real key events: on the village
# the debug key A starts the mosaic and a battle against a random party, X
# presses choose "たたかう" and a target for every member until the battle is
# won and its pages are read, and the village's music plays again, not from
# its start. Frames of the battle (its command menu, after the first press) and of
# the field after it are kept as artefacts.
#   game_battle_check.sh WINE_RUN WINE_STATE GAME_EXE PROBE_EXE DATA_DIR ARTIFACT_DIR WORK_DIR
set -euo pipefail
wine_run=$1 state=$2 game=$3 probe=$4 data=$5 artifacts=$6 work=$7
title="Moonlitcairn ver 1.00"
"$wine_run" --state "$state" -- cmd /c exit 0 >/dev/null 2>&1 || true
if [ -z "${DISPLAY:-}" ]; then
  DISPLAY=$(cat "$state/xvfb.display")
fi
export DISPLAY

rm -rf "$work"
mkdir -p "$work/bin" "$artifacts"
cp -r "$data" "$work/data"
# One scale, fast gauges, and members strong enough that every hit fells an
# enemy, so the battle ends within a few rounds whatever party is drawn.
sed -i -e 's/^WindowSizeExtendRate=.*/WindowSizeExtendRate=1/' \
  -e 's/^PlayerATBSpeed=.*/PlayerATBSpeed=4/' \
  -e 's/^Player\([1-4]\)_Exp=.*/Player\1_Exp=2000000/' "$work/data/debug.ini"
cp "$game" "$(dirname "$game")"/*.dll "$work/bin/"
cd "$work/bin"
game_pid=""
cleanup() { [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null || true; }
trap cleanup EXIT

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
geometry=$(xdotool getwindowgeometry "$window")
width=$(echo "$geometry" | sed -n 's/.*Geometry: \([0-9]*\)x[0-9]*.*/\1/p')
height=$(echo "$geometry" | sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p')
edge=$(((width - 320) / 2))
caption=$((height - 240 - 2 * edge))
shot() { import -window "$window" -crop "320x240+${edge}+$((caption + edge))" +repage "$1"; }
press() {
  xdotool windowactivate --sync "$window" >/dev/null 2>&1 || xdotool windowfocus "$window" || true
  xdotool keydown --window "$window" "$1"
  sleep 0.12
  xdotool keyup --window "$window" "$1"
  sleep 0.12
}
# The village's fade-in, then the debug battle.
sleep 4
press a
# The mosaic (34 frames) and the enemies sliding in.
sleep 3
shot "$artifacts/game_battle_command.png"
# Every member's menu: X for "たたかう", X for the target.
for i in $(seq 1 200); do
  press x
  [ "$i" -eq 1 ] && shot "$artifacts/game_battle_after_first_press.png"
done
shot "$artifacts/game_battle_back_on_field.png"
error_box=$(xdotool search --name "^ERROR\$" 2>/dev/null | head -n 1 || true)
"$wine_run" --state "$state" -- "$probe" --close "$title"
for _ in $(seq 1 300); do
  kill -0 "$game_pid" 2>/dev/null || break
  sleep 0.1
done
status=0
wait "$game_pid" || status=$?
game_pid=""
trap - EXIT
out=$(tr -d '\r' < game_out.txt | iconv -f CP932 -t UTF-8 -c)
fail() { echo "$1"; echo "$out" | tail -n 60; exit 1; }
[ "$status" -eq 0 ] || fail "exit code $status"
echo "$out" | grep -q '^PushMode 4$' || fail "no battle started"
echo "$out" | grep -q '^BGM再生 \[3\] 巻き戻し\[1\]$' || fail "no battle music"
echo "$out" | grep -q 'コマンド入力' || fail "no member got the command menu"
echo "$out" | grep -q '攻撃実行' || fail "no attack was chosen"
echo "$out" | grep -q '^BGM再生 \[4\] 巻き戻し\[1\]$' || fail "no victory (its music never played)"
echo "$out" | grep -q '^PopMode 4 → 1$' || fail "the battle did not end back on the field"
# After the battle the map's music goes on where it stopped (no rewind).
echo "$out" | sed -n '/^BGM再生 \[4\] 巻き戻し\[1\]$/,$p' | grep -q '巻き戻し\[0\]' ||
  fail "the map's music was not resumed after the battle"
[ -z "$error_box" ] || fail "an error box was shown"
echo "battle won: $(echo "$out" | grep -c '攻撃実行') attacks chosen, $(echo "$out" | grep -c 'のダメージ') hits; the map's music resumed"
