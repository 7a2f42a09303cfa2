-- 野原のイベント: 町への入口と宝箱ふたつ
local objects = {
  [5] = { Type = "FLOOR", ScriptTriger = "PLAYER_ON" },
  [11] = { PicID = 24, Type = "STABLE", ScriptTriger = "BUTTON" },
  [12] = { PicID = 24, Type = "STABLE", ScriptTriger = "BUTTON" },
}

-- ゲームフラグ 1: 別のマップから入ってきたので、暗い画面から明るくする
local ARRIVED = 1

function GetMapObject(id)
  return objects[id]
end

function GetBGMID()
  return 2
end

local function Talk(line)
  expShowMessage(line)
  coroutine.yield()
  expCloseMessage()
end

function InitProc()
  if expGetGameFlag(ARRIVED) == 1 then
    expSetGameFlag(ARRIVED, 0)
    expStartFadein(0, 0, 0, 16)
    coroutine.yield()
  end
end

function ExecObject(id)
  if id == 5 then
    expStartFadeout(0, 0, 0, 16)
    coroutine.yield()
    expSetGameFlag(ARRIVED, 1)
    expChangeMap(2, 8, 13, 2)
  elseif id == 11 or id == 12 then
    if expGetTreasureFlag(3, id) == 0 then
      Talk(expGetTreasure(3, id) .. "を　てにいれた！")
    else
      Talk("からっぽだ。")
    end
  end
end
