-- The village (map 2), where a new game starts. Texts are UTF-8 here; the
-- generator writes them to data/event in Shift-JIS. "\\n" is the game's
-- line break.

local objects = {
  [1] = {PicID = 5, Type = "NPC", MoveType = "NONE", ScriptTriger = "BUTTON"},   -- villager
  [2] = {PicID = 8, Type = "NPC", MoveType = "RANDOM", MoveFreq = "HIGH",
         MoveSpeed = "NORMAL", ScriptTriger = "BUTTON"},                         -- child
  [3] = {PicID = 6, Type = "NPC", MoveType = "NONE", ScriptTriger = "BUTTON"},   -- woman
  [4] = {PicID = 9, Type = "STORE", MoveType = "NONE", ScriptTriger = "BUTTON"}, -- item shop
  [5] = {PicID = 11, Type = "STORE", MoveType = "NONE", ScriptTriger = "BUTTON"}, -- weapon shop
  [6] = {PicID = 23, Type = "STORE", MoveType = "NONE", ScriptTriger = "BUTTON"}, -- armour shop
  [7] = {PicID = 12, Type = "STABLE", ScriptTriger = "BUTTON"},                  -- chest
  [8] = {PicID = 18, Type = "STABLE", ScriptTriger = "BUTTON"},                  -- chest
  [9] = {Type = "NPC", ScriptTriger = "BUTTON"},                                 -- the signpost
  [10] = {Type = "FLOOR", ScriptTriger = "PLAYER_ON"},                           -- gate to the field
  [11] = {Type = "FLOOR", ScriptTriger = "PLAYER_ON"},                           -- the elder's door
  [12] = {PicID = 10, Type = "NPC", MoveType = "NONE", ScriptTriger = "BUTTON"}, -- guard
}

function GetMapObject(id)
  return objects[id]
end

function GetBGMID()
  return 1
end

local function Say(text)
  expShowMessage(text)
  coroutine.yield()
  expCloseMessage()
end

local function OpenChest(map, number)
  if expGetTreasureFlag(map, number) == 0 then
    local name = expGetTreasure(map, number)
    Say(name .. "を　てにいれた！")
  else
    Say("たからばこは　からっぽだ。")
  end
end

local function Leave(map, x, y, direction)
  expStartFadeout(0, 0, 0, 20)
  coroutine.yield()
  expChangeMap(map, x, y, direction)
end

function InitProc()
  expLoadSoundFile(1)
  expPlayBGM(1, 0)
  expStartFadein(0, 0, 0, 20)
  coroutine.yield()
end

local function Villager()
  expShowMessage("むらびと「ようこそ　ツキカゲむらへ。\\nここは　ちいさな　むらだよ。」")
  coroutine.yield()
  expShowMessage("むらびと「むらの　そとには　まものが　でる。\\nみなみの　もんから　でて　いけるよ。」")
  coroutine.yield()
  expCloseMessage()
end

local function Woman()
  if expGetGameFlag(1) ~= 0 then
    Say("おんな「むらを　すきに　なってくれて\\nありがとう！」")
    return
  end
  expShowYesNoMessage("おんな「この　むらは　すき？」")
  coroutine.yield()
  if expGetYesNoAnswer() == 1 then
    expSetGameFlag(1, 1)
    Say("おんな「うれしい！　また　きてね。」")
  else
    Say("おんな「そう……　ざんねんね。」")
  end
end

local function Guard()
  expShowYesNoMessage("もんばん「うでだめしを　していくか？」")
  coroutine.yield()
  if expGetYesNoAnswer() ~= 1 then
    Say("もんばん「そとは　あぶないぞ。\\nじゅんびを　ととのえて　いけ。」")
    return
  end
  Say("もんばん「よし、　この　まものと　たたかえ！」")
  expStartBattle(1)
  coroutine.yield()
  Say("もんばん「みごとだ！　そとでも　きを　ぬくなよ。」")
end

function ExecObject(id)
  if id == 1 then
    Villager()
  elseif id == 2 then
    Say("こども「おにごっこ　しようよ！」")
  elseif id == 3 then
    Woman()
  elseif id == 4 then
    expOpenStore(1, 1, 100, {1, 2, 3, 4, 5})
    coroutine.yield()
  elseif id == 5 then
    Say("かじや「ロングソ\ードは　せんしに　ぴったりだ。」")
    expOpenStore(2, 1, 100, {2001, 2002, 2003, 2004, 2005, 2006, 2007})
    coroutine.yield()
  elseif id == 6 then
    expOpenStore(3, 1, 100, {3001, 3002, 3003, 3004, 3005, 3006, 3007, 3008, 3009})
    coroutine.yield()
  elseif id == 7 then
    OpenChest(2, 7)
  elseif id == 8 then
    OpenChest(2, 8)
  elseif id == 9 then
    Say("かんばん「きた：ちょうろうの　いえ\\nみなみ：そとへの　もん」")
  elseif id == 10 then
    Leave(3, 10, 11, 0)
  elseif id == 11 then
    Leave(1, 6, 7, 2)
  elseif id == 12 then
    Guard()
  end
end
