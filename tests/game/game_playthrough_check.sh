#!/usr/bin/env bash
# The game played from a new game with real key events, as a person would:
# talk to the villager, buy at the item shop, open a chest, accept the
# guard's trial and win the battle, leave the village for the field, and look
# through the camp menu. Every step keeps a frame as an artefact, and a
# contact sheet of them is written for people to look at. The run must end
# with exit code 0 and without an "ERROR" box, and the library's memory dump
# at shut-down must list no block.
#   game_playthrough_check.sh WINE_RUN WINE_STATE GAME_EXE PROBE_EXE DATA_DIR ARTIFACT_DIR WORK_DIR
set -euo pipefail
wine_run=$1 state=$2 game=$3 probe=$4 data=$5 artifacts=$6 work=$7
. "$(dirname "$0")/game_harness.sh"
game_prepare
# Members strong enough that every hit fells an enemy, with fast gauges, so
# the guard's battle ends within a few rounds.
sed -i -e 's/^PlayerATBSpeed=.*/PlayerATBSpeed=4/' \
  -e 's/^Player\([1-4]\)_Exp=.*/Player\1_Exp=2000000/' "$work/data/debug.ini"
frames=$artifacts/playthrough
rm -rf "$frames"
mkdir -p "$frames"
shots=0
# A numbered frame, so the contact sheet reads in the order of play.
step_shot() {
  shots=$((shots + 1))
  shot "$(printf '%s/%02d_%s.png' "$frames" "$shots" "$1")"
}
# The mean of the rows 210-229 (x 30-289) is nearly black.
bottom_black() {
  [ "$(convert "$1" -crop 260x20+30+210 +repage -colorspace gray -format '%[fx:int(1000*mean)]' info:)" -lt 40 ]
}
# The script windows' blue body at (24, 60).
message_up() {
  local rgb
  rgb=$(convert "$1" -format '%[fx:int(255*p{24,60}.r)] %[fx:int(255*p{24,60}.g)] %[fx:int(255*p{24,60}.b)]' info:)
  set -- $rgb
  [ "$3" -gt $(($1 + 60)) ] && [ "$3" -gt $(($2 + 60)) ]
}
read_on() { for _ in $(seq 1 "$1"); do press x; sleep 0.4; done; }

game_start
sleep 4
step_shot village
# Long walks end where something stands in the way; single steps are taps.
# The villager at 9,5: up to the wall at row 4, right until the villager
# stands in the way, and talk (two pages).
go Up
go Right
press x
sleep 1
step_shot villager
read_on 2
# The item shop's keeper at 4,10 behind the counter at 4,11: one step back
# west, down the lane at column 7 to the barrel, west to the fence, one step
# up and one west, and talk across the counter.
step Left
go Down
go Left
step Up
step Left
go Up
press x
sleep 1
step_shot shop
press x    # "かう"
sleep 0.5
step_shot shop_goods
press x    # the first goods
sleep 0.5
press x    # one of them
sleep 1.5
step_shot shop_bought
press z
sleep 0.5
press z
sleep 1
# The chest at 22,16: east along the path of row 12 to the trees, south to
# the chest, and open it.
go Right
go Down
press x
sleep 1
step_shot chest
read_on 1
# The guard at 14,16: one step up, west along row 14 to the flower bed's
# fence, south to the village's edge, and face the guard.
step Up
go Left
go Down
go Right
press x
sleep 1
step_shot guard
press x    # "はい"
sleep 1
read_on 1
sleep 3
step_shot battle
# X for every member's command and target and for the victory pages, until
# the field is back: there the rows below the village's edge are black,
# where the battle has its windows.
probe_shot=$work/probe.png
for i in $(seq 1 200); do
  press x
  shot "$probe_shot"
  bottom_black "$probe_shot" && break
  [ "$i" -lt 200 ] || fail "the battle did not end after 200 presses"
done
sleep 1
step_shot after_battle
# The guard's last words, unless the last press already closed them.
shot "$probe_shot"
message_up "$probe_shot" && read_on 1
# Through the gate at 12,17 to the field.
step Left
go Down
sleep 3
step_shot field
# The camp menu.
press s
sleep 1
step_shot camp
press x    # "アイテム"
sleep 1
step_shot camp_items
# Z leaves the list for the screen's menu, a second Z the screen.
press z
press z
sleep 1
press Down
press Down
press Down
press x    # "ステータス"
sleep 0.5
press x    # the first member
sleep 1
step_shot camp_status
press z
sleep 1
press z
sleep 1
step_shot back_on_field
game_stop
montage "$frames"/*.png -tile 4x -geometry 320x240+4+4 \
  "$artifacts/playthrough_contact_sheet.png"

out=$game_output
expect() { echo "$out" | grep -q "$1" || fail "$2"; }
[ "$(echo "$out" | grep -c '^lua_ShowMessage$')" -ge 2 ] || fail "the villager did not talk"
expect '^lua_OpenStore$' "the item shop did not open"
expect '^lua_GetTreasure$' "the chest was not opened"
expect '^lua_ShowYesNoMessage$' "the guard did not ask"
expect '^PushMode 4$' "no battle started"
expect '^BGM再生 \[4\] 巻き戻し\[1\]$' "the battle was not won"
expect '^PopMode 4 → 2$' "the battle did not end back in the guard's event"
expect '^lua_ChangeMap$' "the village was not left"
expect '^PushMode 3$' "the camp did not open"
# The entry run here keeps the library's log: its memory dump at shut-down
# (the last one in the log) lists no block left behind.
[ -f "$work/bin/Log.txt" ] || fail "the library wrote no log"
dump=$(tr -d '\r' < "$work/bin/Log.txt" | iconv -f CP932 -t UTF-8 -c |
  awk '/Alloc memory dump$/ { text = ""; seen = 1 } seen { text = text $0 "\n" } END { printf "%s", text }')
[ -n "$dump" ] || fail "no memory dump at shut-down"
echo "$dump" | grep -q 'Total size:0(0.000kb)  Alloc num:0$' || { echo "$dump" | head -n 40; fail "blocks were left at shut-down"; }
echo "played through: $shots frames, contact sheet $artifacts/playthrough_contact_sheet.png"
