-- The field (map 3). Texts are UTF-8 here; the generator writes them to
-- data/event in Shift-JIS. "\\n" is the game's line break.

local objects = {
  [1] = {Type = "FLOOR", ScriptTriger = "PLAYER_ON"},                            -- the village
  [2] = {PicID = 12, Type = "STABLE", ScriptTriger = "BUTTON"},                  -- a chest
  [3] = {PicID = 13, Type = "NPC", MoveType = "RANDOM", MoveFreq = "LOW",
         MoveSpeed = "LOW", ScriptTriger = "BUTTON"},                            -- traveller
}

function GetMapObject(id)
  return objects[id]
end

function GetBGMID()
  return 2
end

local function Say(text)
  expShowMessage(text)
  coroutine.yield()
  expCloseMessage()
end

function InitProc()
  expLoadSoundFile(2)
  expPlayBGM(2, 0)
  expStartFadein(0, 0, 0, 20)
  coroutine.yield()
end

local function Traveller()
  expShowChoiceMessage("たびびと「どこへ　いくんだい？」", "むら", "もり", "ないしょ")
  coroutine.yield()
  local answer = expGetChooseAnswer()
  if answer == 1 then
    Say("たびびと「むらは　にしだ。\\nみちなりに　いけば　つくよ。」")
  elseif answer == 2 then
    Say("たびびと「かわの　むこうの　もりは\\nまものが　つよい。　むりは　するな。」")
  else
    Say("たびびと「そうかい。　きを　つけてな。」")
  end
end

function ExecObject(id)
  if id == 1 then
    expStartFadeout(0, 0, 0, 20)
    coroutine.yield()
    expChangeMap(2, 12, 16, 2)
  elseif id == 2 then
    if expGetTreasureFlag(3, 2) == 0 then
      Say(expGetTreasure(3, 2) .. "を　てにいれた！")
    else
      Say("たからばこは　からっぽだ。")
    end
  elseif id == 3 then
    Traveller()
  end
end
