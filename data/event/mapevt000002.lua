-- 町のイベント: 村人との会話、はい/いいえの問い、選択肢の問い、宝箱、野原への出口
local objects = {
  [1] = { PicID = 5, Type = "NPC", ScriptTriger = "BUTTON" },
  [2] = { PicID = 6, Type = "NPC", ScriptTriger = "BUTTON" },
  [3] = { PicID = 7, Type = "NPC", ScriptTriger = "BUTTON" },
  [4] = { Type = "FLOOR", ScriptTriger = "PLAYER_ON" },
  [10] = { PicID = 24, Type = "STABLE", ScriptTriger = "BUTTON" },
}

-- ゲームフラグ 1: 別のマップから入ってきたので、暗い画面から明るくする
local ARRIVED = 1

function GetMapObject(id)
  return objects[id]
end

function GetBGMID()
  return 1
end

-- 一行目を出し、残りを一行ずつ足して、最後に閉じる
local function Talk(...)
  local lines = { ... }
  expShowMessage(lines[1])
  coroutine.yield()
  for i = 2, #lines do
    expAddMessage(lines[i])
    coroutine.yield()
  end
  expCloseMessage()
end

local function OpenChest(mapId, id)
  if expGetTreasureFlag(mapId, id) == 0 then
    local name = expGetTreasure(mapId, id)
    Talk(name .. "を　てにいれた！")
  else
    Talk("からっぽだ。")
  end
end

function InitProc()
  if expGetGameFlag(ARRIVED) == 1 then
    expSetGameFlag(ARRIVED, 0)
    expStartFadein(0, 0, 0, 16)
    coroutine.yield()
  end
end

function ExecObject(id)
  if id == 1 then
    Talk("ようこそ　ムーンリットケアンへ！", "きたの　のはらには　まものが　でるぞ。")
  elseif id == 2 then
    expShowYesNoMessage("たびの　ひとかい？")
    coroutine.yield()
    if expGetYesNoAnswer() == 1 then
      Talk("きをつけて　いきなよ。")
    else
      Talk("そうか、ゆっくりしていきな。")
    end
  elseif id == 3 then
    expShowChoiceMessage("なにを　ききたい？", "まち", "のはら", "やめる")
    coroutine.yield()
    local answer = expGetChooseAnswer()
    if answer == 1 then
      Talk("ここは　しずかな　まちさ。")
    elseif answer == 2 then
      Talk("のはらには　たからばこが　ふたつ　あるらしい。")
    end
  elseif id == 4 then
    expStartFadeout(0, 0, 0, 16)
    coroutine.yield()
    expSetGameFlag(ARRIVED, 1)
    expChangeMap(3, 10, 11, 0)
  elseif id == 10 then
    OpenChest(2, 10)
  end
end
