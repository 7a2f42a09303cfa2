#include "CScriptManager.h"

#include <stdio.h>

#include <memory>
#include <string>

#include <lua.hpp>

#include "CGame.h"
#include "CMapObject.h"
#include "ErrorMessage.h"
#include "GameSettings.h"
#include "ScriptHost.h"

CScriptManager::CScriptManager() = default;

CScriptManager::~CScriptManager() { Close(); }

void CScriptManager::Close() {
  if (state != nullptr) {
    lua_settop(state, 0);
    lua_close(state);
  }
  state = nullptr;
  coroutine = nullptr;
  currentObject = nullptr;
  running = 0;
}

void CScriptManager::FormatScriptPath(char* out, int size, int mapId) {
  snprintf(out, size, "%s\\%s%06d.lua", DataPath("event").c_str(), "mapevt", mapId);
}

int CScriptManager::Load(int mapId, CMapEvent* event) {
  Close();
  char path[1024];
  FormatScriptPath(path, sizeof path, mapId);
  state = luaL_newstate();
  if (state == nullptr) {
    ShowErrorMessage("Script [%s] : %s\n", path, "not enough memory");
    return 0;
  }
  luaL_openlibs(state);
  lua_pushcfunction(state, luaopen_base);
  lua_call(state, 0, 0);
  if (luaL_loadfile(state, path) != 0 || lua_pcall(state, 0, LUA_MULTRET, 0) != 0) {
    const char* message = lua_tostring(state, -1);
    ShowErrorMessage("Script [%s] : %s\n", path, message != nullptr ? message : "");
    Close();
    return 0;
  }
  // After the chunk: its top level can define functions and values but
  // cannot call the host.
  RegisterScriptHostFunctions(state);
  for (int y = 0; y < event->height; ++y) {
    for (int x = 0; x < event->width; ++x) {
      const int eventId = event->GetEventId(x, y);
      if (eventId == 0) continue;
      std::unique_ptr<CMapObject> object = MakeObject(eventId);
      if (object == nullptr) continue;
      object->Place(y, x);
      event->AddObject(std::move(object));
    }
  }
  event->SortByRow();
  ExecInitProc();
  return 1;
}

namespace {

// A text field of the table on top of the stack, null when it is no text.
std::string TextField(lua_State* state, const char* name, bool* present) {
  lua_getfield(state, -1, name);
  *present = lua_type(state, -1) == LUA_TSTRING;
  std::string text = *present ? lua_tostring(state, -1) : "";
  lua_settop(state, -2);
  return text;
}

int Keyword(lua_State* state, const char* name, int (*fromText)(const char*)) {
  bool present = false;
  const std::string text = TextField(state, name, &present);
  return fromText(present ? text.c_str() : nullptr);
}

}  // namespace

std::unique_ptr<CMapObject> CScriptManager::MakeObject(int eventId) {
  auto object = std::make_unique<CMapObject>();
  object->eventId = eventId;
  lua_settop(state, 0);
  lua_getfield(state, LUA_GLOBALSINDEX, "GetMapObject");
  lua_pushnumber(state, eventId);
  if (lua_pcall(state, 1, 1, 0) != 0) {
    const char* message = lua_tostring(state, -1);
    printf("error : %s\n", message != nullptr ? message : "");
    lua_settop(state, 0);
    return nullptr;
  }
  if (lua_type(state, -1) != LUA_TTABLE) {
    lua_settop(state, 0);
    return nullptr;
  }
  lua_getfield(state, -1, "PicID");
  object->pictureId = lua_type(state, -1) == LUA_TNUMBER ? ScriptNumberToInt(lua_tonumber(state, -1)) : 0;
  lua_settop(state, -2);
  object->SetType(Keyword(state, "Type", MapObjectTypeFromText));
  object->moveType = Keyword(state, "MoveType", MapObjectMoveTypeFromText);
  object->moveSpeed = Keyword(state, "MoveSpeed", MapObjectPaceFromText);
  object->moveFrequency = Keyword(state, "MoveFreq", MapObjectPaceFromText);
  object->animationSpeed = Keyword(state, "AniSpeed", MapObjectPaceFromText);
  object->trigger = Keyword(state, "ScriptTriger", MapObjectTriggerFromText);
  lua_settop(state, 0);
  return object;
}

int CScriptManager::ExecInitProc() {
  currentObject = nullptr;
  running = 1;
  CGame::GetInstance()->PushMode(MODE_EVENT);
  StartCoroutine("InitProc", 0, false);
  return 1;
}

void CScriptManager::ExecObject(CMapObject* object) {
  currentObject = object;
  running = 1;
  StartCoroutine("ExecObject", object != nullptr ? object->eventId : 0, true);
}

void CScriptManager::StartCoroutine(const char* function, int eventId, bool withEventId) {
  if (state == nullptr) {
    // No script: the event ends at once, like one whose function is missing.
    coroutine = nullptr;
    Finish(LUA_ERRRUN);
    return;
  }
  lua_settop(state, 0);
  // The thread stays on the main stack so that the collector keeps it while
  // it is suspended; the next start empties the stack and lets it go.
  coroutine = lua_newthread(state);
  lua_getfield(coroutine, LUA_GLOBALSINDEX, function);
  if (withEventId) lua_pushnumber(coroutine, eventId);
  Finish(lua_resume(coroutine, withEventId ? 1 : 0));
}

// A coroutine that stopped other than at a yield has finished or failed; a
// failure ends the event without a message.
void CScriptManager::Finish(int resumeStatus) {
  if (resumeStatus == LUA_YIELD) return;
  running = 0;
  CGame::GetInstance()->PopMode();
}

void CScriptManager::ExecNext() {
  printf("CScriptManager::ExecNext\n");
  // The game resumes after every wait, also once the event has ended (a
  // message left open by a finished script); only a suspended coroutine of
  // a running event may go on, or each such call would pop a mode.
  if (running == 0 || coroutine == nullptr || lua_status(coroutine) != LUA_YIELD) return;
  // The value given back as the yield's result has no meaning: nil.
  lua_settop(coroutine, 0);
  lua_pushnil(coroutine);
  Finish(lua_resume(coroutine, 1));
}

int CScriptManager::GetBGMID() {
  if (state == nullptr) return 0;
  const int mainTop = lua_gettop(state);
  lua_State* query = lua_newthread(state);
  lua_getfield(query, LUA_GLOBALSINDEX, "GetBGMID");
  const int status = lua_resume(query, 0);
  int id = 0;
  if ((status == 0 || status == LUA_YIELD) && lua_gettop(query) >= 1) {
    id = ScriptNumberToInt(lua_tonumber(query, 1));
  }
  lua_settop(query, 0);
  // Drops the query thread; the current coroutine keeps its place below it.
  lua_settop(state, mainTop);
  return id;
}
