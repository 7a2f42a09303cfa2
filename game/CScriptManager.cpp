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

namespace {

// Precompiled chunks are refused: the interpreter does not verify their code,
// so a damaged one could break it rather than fail. As luaL_loadfile does, a
// first line that starts with '#' is skipped before the check.
bool IsPrecompiledScript(const char* path) {
  FILE* file = fopen(path, "rb");
  if (file == nullptr) return false;  // luaL_loadfile says why
  int c = fgetc(file);
  if (c == '#') {
    while (c != EOF && c != '\n') c = fgetc(file);
    if (c == '\n') c = fgetc(file);
  }
  fclose(file);
  return c == LUA_SIGNATURE[0];
}

int RegisterHostFunctionsProtected(lua_State* state) {
  RegisterScriptHostFunctions(state);
  return 0;
}

// The message on top of the stack, empty when it is no text or number.
const char* TopMessage(lua_State* state) {
  const char* message = lua_tostring(state, -1);
  return message != nullptr ? message : "";
}

}  // namespace

void (*CScriptManager::limitState)(lua_State* state) = nullptr;

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
  if (limitState != nullptr) limitState(state);
  int status;
  if (IsPrecompiledScript(path)) {
    lua_pushstring(state, "precompiled scripts are not accepted");
    status = LUA_ERRSYNTAX;
  } else {
    status = luaL_loadfile(state, path);
  }
  if (status == 0) status = lua_pcall(state, 0, LUA_MULTRET, 0);
  // After the chunk: its top level can define functions and values but
  // cannot call the host. The chunk may have given the globals a metatable,
  // so even the registration runs protected.
  if (status == 0) {
    lua_settop(state, 0);
    status = lua_cpcall(state, RegisterHostFunctionsProtected, nullptr);
  }
  if (status != 0) {
    ShowErrorMessage("Script [%s] : %s\n", path, TopMessage(state));
    Close();
    return 0;
  }
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

// What GetMapObject says of one event id, read in a protected call: the
// script's table may have metamethods that fail or loop, and a raised error
// must not leave a C++ object half-built, so only plain values live here.
struct ObjectFields {
  int eventId;
  bool isTable;
  int pictureId, type, moveType, moveSpeed, moveFrequency, animationSpeed, trigger;
};

// A keyword field of the table on top of the stack; text of another type
// reads as missing.
int Keyword(lua_State* state, const char* name, int (*fromText)(const char*)) {
  lua_getfield(state, -1, name);
  const int value = fromText(lua_type(state, -1) == LUA_TSTRING ? lua_tostring(state, -1) : nullptr);
  lua_settop(state, -2);
  return value;
}

int ReadObjectFields(lua_State* state) {
  auto* fields = static_cast<ObjectFields*>(lua_touserdata(state, 1));
  lua_settop(state, 0);
  lua_getfield(state, LUA_GLOBALSINDEX, "GetMapObject");
  lua_pushnumber(state, fields->eventId);
  lua_call(state, 1, 1);
  fields->isTable = lua_type(state, -1) == LUA_TTABLE;
  if (!fields->isTable) return 0;
  lua_getfield(state, -1, "PicID");
  fields->pictureId = lua_type(state, -1) == LUA_TNUMBER ? ScriptNumberToInt(lua_tonumber(state, -1)) : 0;
  lua_settop(state, -2);
  fields->type = Keyword(state, "Type", MapObjectTypeFromText);
  fields->moveType = Keyword(state, "MoveType", MapObjectMoveTypeFromText);
  fields->moveSpeed = Keyword(state, "MoveSpeed", MapObjectPaceFromText);
  fields->moveFrequency = Keyword(state, "MoveFreq", MapObjectPaceFromText);
  fields->animationSpeed = Keyword(state, "AniSpeed", MapObjectPaceFromText);
  fields->trigger = Keyword(state, "ScriptTriger", MapObjectTriggerFromText);
  return 0;
}

// Makes a thread holding the global function (and the event id) ready to be
// resumed, and leaves it under the registry key: the lookup may run the
// script's metamethods and the thread takes memory, so this runs protected.
constexpr const char* kPreparedThreadKey = "CScriptManager.thread";

struct PreparedStart {
  const char* function;
  int eventId;
  bool withEventId;
};

int PrepareThread(lua_State* state) {
  const auto* start = static_cast<const PreparedStart*>(lua_touserdata(state, 1));
  lua_settop(state, 0);
  lua_State* thread = lua_newthread(state);
  lua_getfield(state, LUA_GLOBALSINDEX, start->function);
  lua_xmove(state, thread, 1);
  if (start->withEventId) lua_pushnumber(thread, start->eventId);
  lua_setfield(state, LUA_REGISTRYINDEX, kPreparedThreadKey);
  return 0;
}

// Pushes the prepared thread onto the main stack and returns it, or null
// when preparing it failed (the stack is then as it was).
lua_State* PushPreparedThread(lua_State* state, const PreparedStart& start) {
  const int top = lua_gettop(state);
  if (lua_cpcall(state, PrepareThread, const_cast<PreparedStart*>(&start)) != 0) {
    lua_settop(state, top);
    return nullptr;
  }
  // Neither reads nor clears of the registry's key take memory or run code.
  lua_getfield(state, LUA_REGISTRYINDEX, kPreparedThreadKey);
  lua_pushnil(state);
  lua_setfield(state, LUA_REGISTRYINDEX, kPreparedThreadKey);
  return lua_tothread(state, -1);
}

}  // namespace

std::unique_ptr<CMapObject> CScriptManager::MakeObject(int eventId) {
  ObjectFields fields{};
  fields.eventId = eventId;
  lua_settop(state, 0);
  const int status = lua_cpcall(state, ReadObjectFields, &fields);
  if (status != 0) {
    printf("error : %s\n", TopMessage(state));
    lua_settop(state, 0);
    return nullptr;
  }
  lua_settop(state, 0);
  if (!fields.isTable) return nullptr;
  auto object = std::make_unique<CMapObject>();
  object->eventId = eventId;
  object->pictureId = fields.pictureId;
  object->SetType(fields.type);
  object->moveType = fields.moveType;
  object->moveSpeed = fields.moveSpeed;
  object->moveFrequency = fields.moveFrequency;
  object->animationSpeed = fields.animationSpeed;
  object->trigger = fields.trigger;
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
  // it is suspended; the next start empties the stack and lets it go. When
  // it cannot even be made, the event ends as a failed one does.
  coroutine = PushPreparedThread(state, PreparedStart{function, eventId, withEventId});
  if (coroutine == nullptr) {
    Finish(LUA_ERRRUN);
    return;
  }
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
  lua_State* query = PushPreparedThread(state, PreparedStart{"GetBGMID", 0, false});
  if (query == nullptr) return 0;
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
