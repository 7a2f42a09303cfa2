-- The elder's house (map 1). Texts are UTF-8 here; the generator writes
-- them to data/event in Shift-JIS. "\\n" is the game's line break.

local objects = {
  [1] = {Type = "FLOOR", ScriptTriger = "PLAYER_ON"},                  -- the mat: back outside
  [2] = {PicID = 7, Type = "NPC", MoveType = "NONE", ScriptTriger = "BUTTON"},  -- the elder
  [3] = {PicID = 12, Type = "STABLE", ScriptTriger = "BUTTON"},        -- a chest
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

function InitProc()
  expLoadSoundFile(1)
  expPlayBGM(1, 0)
  expStartFadein(0, 0, 0, 20)
  coroutine.yield()
end

-- The tremor: the house shakes, the elder paces to the window and back.
local function ElderTalk()
  if expGetGameFlag(2) ~= 0 then
    Say("ちょうろう「もりの　まものに　きを　つけるのじゃ。」")
    return
  end
  Say("ちょうろう「よく　きたな。　じつは　さいきん……」")
  expShake(1, 60, 8, 3)
  coroutine.yield()
  Say("ちょうろう「また　じしんじゃ！」")
  expMoveMapObject(2, 3, 1)
  coroutine.yield()
  expMoveMapObject(2, 0, 2)
  coroutine.yield()
  expWaitFrame(40)
  coroutine.yield()
  expMoveMapObject(2, 2, 2)
  coroutine.yield()
  expMoveMapObject(2, 1, 1)
  coroutine.yield()
  expMovePlayer(0, 0)
  coroutine.yield()
  expWaitFrame(20)
  coroutine.yield()
  expShowMessage("ちょうろう「ひがしの　もりの　まものが\\nあばれて　いるのかも　しれん。」")
  coroutine.yield()
  expAddMessage("「もりへ　いくなら　この　いえで\\nテントを　はって　やすむと　よい。」")
  coroutine.yield()
  expCloseMessage()
  expSetGameFlag(2, 1)
end

function ExecObject(id)
  if id == 1 then
    expStartFadeout(0, 0, 0, 20)
    coroutine.yield()
    expChangeMap(2, 5, 5, 0)
  elseif id == 2 then
    ElderTalk()
  elseif id == 3 then
    OpenChest(1, 3)
  end
end
