#!/usr/bin/env bash
# A message window over the running game's field, reached with real key
# events: the player starts below the village's first villager, turns up and
# talks with X; the villager's two pages are read and closed, and the game is
# back on the field. The field before and the first page over it are kept as
# artefacts.
#   game_message_check.sh WINE_RUN WINE_STATE GAME_EXE PROBE_EXE DATA_DIR ARTIFACT_DIR WORK_DIR
set -euo pipefail
wine_run=$1 state=$2 game=$3 probe=$4 data=$5 artifacts=$6 work=$7
. "$(dirname "$0")/game_harness.sh"
game_prepare
# The villager stands at 9,5 on the village; start right below it.
sed -i -e 's/^MapPosX=.*/MapPosX=9/' -e 's/^MapPosY=.*/MapPosY=6/' "$work/data/debug.ini"
game_start
# The village's fade-in, then face the villager.
sleep 4
go Up
shot "$artifacts/game_field_before_message.png"
press x
sleep 1
shot "$artifacts/game_message_over_field.png"
press x
sleep 1
shot "$artifacts/game_message_second_page.png"
press x
sleep 1
shot "$artifacts/game_message_closed.png"
game_stop

pixel() { convert "$1" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info:; }
# Pixels of the window's rectangle (20, 5, 280 x 72) that the message changed.
changed=$(compare -metric AE -extract 280x72+20+5 "$artifacts/game_field_before_message.png" \
  "$artifacts/game_message_over_field.png" null: 2>&1 || true)
[ "${changed%%.*}" -gt 10000 ] || fail "the message window covers only $changed of 20160 pixels"
# The window's body is the skin's blue gradient, under the field elsewhere.
read -r r g b <<<"$(pixel "$artifacts/game_message_over_field.png" 24 60)"
[ "$b" -gt $((r + 60)) ] && [ "$b" -gt $((g + 60)) ] || fail "the window body at (24, 60) is $r,$g,$b, not blue"
outside=$(compare -metric AE -extract 320x150+0+90 "$artifacts/game_field_before_message.png" \
  "$artifacts/game_message_over_field.png" null: 2>&1 || true)
out=$game_output
[ "$(echo "$out" | grep -c '^lua_ShowMessage$')" -eq 2 ] || fail "the villager did not show two pages"
echo "$out" | grep -q '^lua_CloseMessage$' || fail "the message was not closed"
echo "$out" | grep -q '^PopMode 2 → 1$' || fail "the event did not end back on the field"
echo "message shown over the field: $changed window pixels changed, $outside outside it"
