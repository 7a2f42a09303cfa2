#include "ScriptHost.h"

#include <stdio.h>

#include <memory>
#include <string>
#include <vector>

#include <lua.hpp>

#include "CDataManager.h"
#include "CGame.h"
#include "CMapObject.h"
#include "Treasure.h"

int32_t ScriptNumberToInt(double value) {
  if (!(value == value)) return 0;
  if (value >= 2147483647.0) return INT32_MAX;
  if (value <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(value);
}

namespace {

// Arguments beyond the ones passed are never read from the stack: they are 0.
double ArgNumber(lua_State* L, int index) {
  if (index > lua_gettop(L)) return 0.0;
  return lua_tonumber(L, index);
}

int32_t ArgInt(lua_State* L, int index) { return ScriptNumberToInt(ArgNumber(L, index)); }

CGame& Game() { return *CGame::GetInstance(); }

// Copied, since emptying the stack may free the script's string.
std::string ArgText(lua_State* L, int index) {
  if (index > lua_gettop(L)) return std::string();
  size_t length = 0;
  const char* text = lua_tolstring(L, index, &length);
  return text != nullptr ? std::string(text, length) : std::string();
}

// The script windows appear after this many frames.
constexpr int kMessageDelay = 10;

void ShowAfterDelay(CFrameWindow& window, int shown) {
  window.pending = shown;
  window.delay = kMessageDelay;
}

int expShowMessage(lua_State* L) {
  printf("lua_ShowMessage\n");
  const std::string text = ArgText(L, 1);
  lua_settop(L, 0);
  CGame& game = Game();
  CMapObject* speaker = game.script.currentObject;
  if (speaker != nullptr && speaker->type != OBJECT_STABLE) game.TurnToPlayer(speaker);
  game.msgWindow.SetMessage(text.c_str());
  ShowAfterDelay(game.msgWindow, 1);
  game.waitState = WAIT_MESSAGE;
  return 0;
}

int expCloseMessage(lua_State* L) {
  printf("lua_CloseMessage\n");
  lua_settop(L, 0);
  CGame& game = Game();
  ShowAfterDelay(game.msgWindow, 0);
  game.waitState = WAIT_NONE;
  return 0;
}

int expAddMessage(lua_State* L) {
  printf("lua_AddMessage\n");
  const std::string text = ArgText(L, 1);
  lua_settop(L, 0);
  CGame& game = Game();
  game.msgWindow.AddMessage(text.c_str());
  ShowAfterDelay(game.msgWindow, 1);
  game.waitState = WAIT_MESSAGE;
  return 0;
}

int expStartFadeout(lua_State* L) {
  printf("lua_StartFadeout\n");
  const int red = ArgInt(L, 1), green = ArgInt(L, 2), blue = ArgInt(L, 3), frames = ArgInt(L, 4);
  lua_settop(L, 0);
  Game().effect.StartFadeOut(red, green, blue, frames);
  Game().waitState = WAIT_EFFECT;
  return 0;
}

int expStartFadein(lua_State* L) {
  printf("lua_StartFadein\n");
  const int red = ArgInt(L, 1), green = ArgInt(L, 2), blue = ArgInt(L, 3), frames = ArgInt(L, 4);
  lua_settop(L, 0);
  Game().effect.StartFadeIn(red, green, blue, frames);
  Game().waitState = WAIT_EFFECT;
  return 0;
}

int expShake(lua_State* L) {
  printf("lua_Shake\n");
  const int mode = ArgInt(L, 1), frames = ArgInt(L, 2);
  double period = ArgNumber(L, 3);
  const int amplitude = ArgInt(L, 4);
  lua_settop(L, 0);
  // The period is kept as given; only 0, which would stop the wave, becomes
  // a tenth in single precision.
  if (period == 0.0) period = static_cast<double>(0.1f);
  Game().effect.StartShake(mode, frames, period, amplitude);
  Game().waitState = WAIT_EFFECT;
  return 0;
}

int expChangeMap(lua_State* L) {
  printf("lua_ChangeMap\n");
  CGame& game = Game();
  game.changeMapId = ArgInt(L, 1);
  game.changeMapX = ArgInt(L, 2);
  game.changeMapY = ArgInt(L, 3);
  game.changeMapDirection = ArgInt(L, 4);
  lua_settop(L, 0);
  game.waitState = WAIT_CHANGE_MAP;
  return 0;
}

int expGetTreasureFlag(lua_State* L) {
  printf("lua_GetTreasureFlag\n");
  const int mapId = ArgInt(L, 1), number = ArgInt(L, 2);
  lua_settop(L, 0);
  const TreasureInfo* info = FindTreasure(mapId, number);
  // No row, or an index the 1024 flags cannot hold, is no treasure at all.
  if (info == nullptr || info->index < 0 || info->index >= kTreasureFlagCount) {
    lua_pushnumber(L, -1);
  } else {
    lua_pushnumber(L, Game().treasureFlags.IsTaken(info->index) ? 1 : 0);
  }
  return 1;
}

int expGetTreasure(lua_State* L) {
  printf("lua_GetTreasure\n");
  const int mapId = ArgInt(L, 1), number = ArgInt(L, 2);
  lua_settop(L, 0);
  CGame& game = Game();
  const TreasureInfo* info = FindTreasure(mapId, number);
  CMapObject* chest = game.script.currentObject;
  // Only a chest's own event can open it, and only a treasure that has a
  // flag can be taken: else the script gets nothing.
  if (info == nullptr || info->index < 0 || info->index >= kTreasureFlagCount ||
      chest == nullptr) {
    lua_pushstring(L, "");
    return 1;
  }
  game.treasureFlags.SetTaken(info->index);
  ItemData item;
  CDataManager::GetInstance().LoadItem(info->index, &item);
  chest->stepFrame = 1;
  game.party.AddItem(1, info->index);
  printf("[%s]\n", item.name);
  lua_pushstring(L, item.name);
  return 1;
}

int expMovePlayer(lua_State* L) {
  printf("lua_MovePlayer\n");
  CGame& game = Game();
  game.moveDirection = ArgInt(L, 1);
  game.moveSpeed = ArgInt(L, 2);
  lua_settop(L, 0);
  game.waitState = WAIT_MOVE_PLAYER;
  return 0;
}

int expMoveMapObject(lua_State* L) {
  printf("lua_MoveCharacter\n");
  const int eventId = ArgInt(L, 1), direction = ArgInt(L, 2), speed = ArgInt(L, 3);
  lua_settop(L, 0);
  CGame& game = Game();
  game.movedObject = nullptr;
  for (const std::unique_ptr<CMapObject>& object : game.map.event.objects) {
    if (object->eventId == eventId) {
      game.movedObject = object.get();
      break;
    }
  }
  if (game.movedObject == nullptr) return 0;
  // A scripted move goes where it is told, walls or not.
  game.movedObject->StartMove(game.map, direction, speed == 1 ? 16 : 32);
  game.waitState = WAIT_MOVE_OBJECT;
  return 0;
}

int expWaitFrame(lua_State* L) {
  printf("lua_WaitFrame\n");
  const int frames = ArgInt(L, 1);
  lua_settop(L, 0);
  Game().WaitFrames(frames);
  return 0;
}

// The goods are the table's entries 1 to its length; anything but a table
// gives a shop without goods.
int expOpenStore(lua_State* L) {
  printf("lua_OpenStore\n");
  const int type = ArgInt(L, 1), pattern = ArgInt(L, 2), rate = ArgInt(L, 3);
  std::vector<int> itemIds;
  if (lua_gettop(L) >= 4 && lua_istable(L, 4)) {
    const int count = static_cast<int>(lua_objlen(L, 4));
    for (int i = 1; i <= count; ++i) {
      lua_rawgeti(L, 4, i);
      const int id = lua_isnumber(L, -1) ? ScriptNumberToInt(lua_tonumber(L, -1)) : 0;
      lua_settop(L, -2);
      printf("ItemID [%d]\n", id);
      itemIds.push_back(id);
    }
  }
  lua_settop(L, 0);
  CStoreWindow& store = Game().store;
  store.type = type;
  store.pattern = pattern;
  store.SetGoods(rate, itemIds);
  store.visible = 1;
  for (CFrameWindow* window : store.windows) window->SetVisible(1);
  store.Open();
  Game().waitState = WAIT_STORE;
  return 0;
}

int expLoadSoundFile(lua_State* L) {
  printf("lua_LoadSoundFile\n");
  const int id = ArgInt(L, 1);
  lua_settop(L, 0);
  Game().sound.LoadSoundFile(id);
  return 0;
}

int expPlayBGM(lua_State* L) {
  printf("lua_PlayBGM\n");
  const int id = ArgInt(L, 1), rewind = ArgInt(L, 2);
  lua_settop(L, 0);
  Game().sound.PlayBGM(id, rewind);
  return 0;
}

int expStopBGM(lua_State* L) {
  lua_settop(L, 0);
  Game().sound.StopBGM();
  return 0;
}

// Party 0 picks a random party when the battle starts. The script is resumed
// by the battle's end.
int expStartBattle(lua_State* L) {
  printf("lua_StartBattle\n");
  const int partyId = ArgInt(L, 1);
  lua_settop(L, 0);
  Game().StartEncount(partyId);
  return 0;
}

// The index is tested unsigned, so negative indexes are outside too.
bool IsGameFlagIndex(int index) { return static_cast<uint32_t>(index) < kGameFlagCount; }

int expGetGameFlag(lua_State* L) {
  printf("lua_GetGameFlag\n");
  const int index = ArgInt(L, 1);
  lua_settop(L, 0);
  const int value = IsGameFlagIndex(index) ? static_cast<int8_t>(Game().gameFlags[index]) : 0;
  lua_pushnumber(L, value);
  return 1;
}

int expSetGameFlag(lua_State* L) {
  printf("lua_SetGameFlag\n");
  const int index = ArgInt(L, 1), value = ArgInt(L, 2);
  lua_settop(L, 0);
  if (IsGameFlagIndex(index)) Game().gameFlags[index] = static_cast<uint8_t>(value & 0xFF);
  return 0;
}

int expShowYesNoMessage(lua_State* L) {
  printf("lua_ShowYesNoMessage\n");
  const std::string text = ArgText(L, 1);
  lua_settop(L, 0);
  CGame& game = Game();
  game.yesNoWindow.SetMessage(text.c_str());
  game.yesNoWindow.SetVisible(1);
  game.waitState = WAIT_YESNO;
  return 0;
}

int expShowChoiceMessage(lua_State* L) {
  printf("lua_ShowChoiceMessage\n");
  const std::string text = ArgText(L, 1), choice1 = ArgText(L, 2), choice2 = ArgText(L, 3),
                    choice3 = ArgText(L, 4);
  lua_settop(L, 0);
  CGame& game = Game();
  game.choiceWindow.SetChoiceMessage(text.c_str(), choice1.c_str(), choice2.c_str(),
                                     choice3.c_str());
  game.choiceWindow.SetVisible(1);
  game.waitState = WAIT_CHOICE;
  return 0;
}

int expGetYesNoAnswer(lua_State* L) {
  printf("lua_GetYesNoAnswer\n");
  lua_settop(L, 0);
  lua_pushnumber(L, Game().yesNoWindow.answer);
  return 1;
}

int expGetChooseAnswer(lua_State* L) {
  printf("lua_GetChooseAnswer\n");
  lua_settop(L, 0);
  lua_pushnumber(L, Game().choiceWindow.answer);
  return 1;
}

struct HostFunction {
  const char* name;
  lua_CFunction function;
};

const HostFunction kHostFunctions[] = {
    {"expShowMessage", expShowMessage},
    {"expCloseMessage", expCloseMessage},
    {"expAddMessage", expAddMessage},
    {"expStartFadeout", expStartFadeout},
    {"expStartFadein", expStartFadein},
    {"expShake", expShake},
    {"expChangeMap", expChangeMap},
    {"expGetTreasureFlag", expGetTreasureFlag},
    {"expGetTreasure", expGetTreasure},
    {"expMovePlayer", expMovePlayer},
    {"expMoveMapObject", expMoveMapObject},
    {"expWaitFrame", expWaitFrame},
    {"expOpenStore", expOpenStore},
    {"expLoadSoundFile", expLoadSoundFile},
    {"expPlayBGM", expPlayBGM},
    {"expStopBGM", expStopBGM},
    {"expStartBattle", expStartBattle},
    {"expGetGameFlag", expGetGameFlag},
    {"expSetGameFlag", expSetGameFlag},
    {"expShowYesNoMessage", expShowYesNoMessage},
    {"expShowChoiceMessage", expShowChoiceMessage},
    {"expGetYesNoAnswer", expGetYesNoAnswer},
    {"expGetChooseAnswer", expGetChooseAnswer},
};

}  // namespace

void RegisterScriptHostFunctions(lua_State* state) {
  for (const HostFunction& host : kHostFunctions) {
    lua_pushcclosure(state, host.function, 0);
    lua_setfield(state, LUA_GLOBALSINDEX, host.name);
  }
}

int GetScriptHostFunctionCount() {
  return static_cast<int>(sizeof kHostFunctions / sizeof kHostFunctions[0]);
}

const char* GetScriptHostFunctionName(int index) {
  if (index < 0 || index >= GetScriptHostFunctionCount()) return nullptr;
  return kHostFunctions[index].name;
}
