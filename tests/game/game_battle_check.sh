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
. "$(dirname "$0")/game_harness.sh"
game_prepare
# Fast gauges, and members strong enough that every hit fells an enemy, so the
# battle ends within a few rounds whatever party is drawn.
sed -i -e 's/^PlayerATBSpeed=.*/PlayerATBSpeed=4/' \
  -e 's/^Player\([1-4]\)_Exp=.*/Player\1_Exp=2000000/' "$work/data/debug.ini"
game_start
# The village's fade-in, then the debug battle.
sleep 4
press a
# The mosaic (34 frames) and the enemies sliding in.
sleep 3
shot "$artifacts/game_battle_command.png"
# Every member's menu: X for "たたかう", X for the target. Held long enough to
# repeat: a repeated X only moves the battle on sooner.
for i in $(seq 1 200); do
  hold_key x 0.12
  sleep 0.12
  [ "$i" -eq 1 ] && shot "$artifacts/game_battle_after_first_press.png"
done
shot "$artifacts/game_battle_back_on_field.png"
game_stop
out=$game_output
echo "$out" | grep -q '^PushMode 4$' || fail "no battle started"
echo "$out" | grep -q '^BGM再生 \[3\] 巻き戻し\[1\]$' || fail "no battle music"
echo "$out" | grep -q 'コマンド入力' || fail "no member got the command menu"
echo "$out" | grep -q '攻撃実行' || fail "no attack was chosen"
echo "$out" | grep -q '^BGM再生 \[4\] 巻き戻し\[1\]$' || fail "no victory (its music never played)"
echo "$out" | grep -q '^PopMode 4 → 1$' || fail "the battle did not end back on the field"
# After the battle the map's music goes on where it stopped (no rewind).
echo "$out" | sed -n '/^BGM再生 \[4\] 巻き戻し\[1\]$/,$p' | grep -q '巻き戻し\[0\]' ||
  fail "the map's music was not resumed after the battle"
echo "battle won: $(echo "$out" | grep -c '攻撃実行') attacks chosen, $(echo "$out" | grep -c 'のダメージ') hits; the map's music resumed"
