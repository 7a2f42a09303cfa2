// A map's event script as the game loads and runs it: the input is written as
// "mapevt000001.lua" in a copy of the data folder and loaded by the game's
// own script manager over an event layer of a few cells, so the chunk runs,
// the objects are made through GetMapObject and InitProc starts; then every
// object's event runs and the music is asked for. Each wait a host function
// sets is ended at once and the script resumed, a bounded number of times.
//
// The script is bounded as the game does not bound its own: its memory by
// the state's allocator and its steps by a count hook, so a script that
// loops or grows without end is refused with an error, not a hang. The
// library functions that reach outside the process (files, programs, the
// process's exit, native modules) are taken away before the chunk runs.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <lua.hpp>

#include "CGame.h"
#include "CScriptManager.h"
#include "GameSettings.h"
#include "game_data_copy.h"
#include "Ombrel.h"
#include "graphics/draw_state.h"
#include "graphics/font_system.h"
#include "graphics/graph_handles.h"
#include "graphics/graph_textures.h"
#include "sound/movie_services.h"
#include "system/message_pump.h"

// What the game object reaches of the platform-bound part of the library on
// the way of a script (its effect screen, the message windows' text widths),
// stood in for by calls that change nothing a script could see: the
// scripts' effect on the game is under test, not the drawing. The music has
// no stand-in: its files are not in the data folder, so the game's own
// refusal of a missing file runs.

void WaitWhileInactive() {}

DrawStateRecord& GetDrawState() {
  static DrawStateRecord state;
  return state;
}

int SetupGraphHardwareImage(GraphOriginalImage*) { return 0; }
void MarkGraphPixelsChanged(GraphOriginalImage*) {}
void FreeGraphTexturePieces(GraphOriginalImage*) {}
int ReleaseGraphTargetSurfaces(GraphOriginalImage*) { return 0; }
// No graph of the game holds a movie.
int CloseMovieHandle(int) { return -1; }

// No font is made (that takes the platform's glyphs): texts measure as the
// library measures them without one, so every message line fits.
int SyncDefaultFont() { return 0; }
int QueryDefaultFontHandle() { return -1; }
FontRecord* GetFontRecord(int) { return nullptr; }

namespace {

constexpr size_t kMemoryLimit = 4u << 20;
constexpr int kHookInterval = 1000;
constexpr long kStepLimit = 500000;
constexpr int kResumeLimit = 64;

size_t memoryInUse = 0;
long stepsTaken = 0;

void* BoundedAlloc(void*, void* block, size_t oldSize, size_t newSize) {
  if (newSize == 0) {
    free(block);
    memoryInUse -= oldSize;
    return nullptr;
  }
  if (newSize > oldSize && memoryInUse - oldSize + newSize > kMemoryLimit) return nullptr;
  void* moved = realloc(block, newSize);
  if (moved != nullptr) memoryInUse = memoryInUse - oldSize + newSize;
  return moved;
}

// Once the steps are spent, every further instruction fails, so a script
// that catches the error with pcall cannot go on looping either.
void CountSteps(lua_State* state, lua_Debug*) {
  stepsTaken += kHookInterval;
  if (stepsTaken < kStepLimit) return;
  lua_sethook(state, CountSteps, LUA_MASKCOUNT, 1);
  luaL_error(state, "step limit reached");
}

void Remove(lua_State* state, const char* table, const char* name) {
  lua_getfield(state, LUA_GLOBALSINDEX, table);
  if (lua_type(state, -1) == LUA_TTABLE) {
    lua_pushnil(state);
    lua_setfield(state, -2, name);
  }
  lua_settop(state, -2);
}

void LimitState(lua_State* state) {
  // What the libraries took so far came from the C library's allocator too,
  // so freeing it here is counted correctly against the same total.
  memoryInUse = static_cast<size_t>(lua_gc(state, LUA_GCCOUNT, 0)) * 1024 +
                static_cast<size_t>(lua_gc(state, LUA_GCCOUNTB, 0));
  stepsTaken = 0;
  lua_setallocf(state, BoundedAlloc, nullptr);
  lua_sethook(state, CountSteps, LUA_MASKCOUNT, kHookInterval);
  // Also gone: the debug library, which could lift these bounds, and the
  // loaders of code made at run time, which would take a precompiled chunk
  // the interpreter does not verify (the game refuses those as files).
  for (const char* global : {"io", "package", "require", "module", "dofile", "loadfile", "load",
                             "loadstring", "debug"}) {
    lua_pushnil(state);
    lua_setfield(state, LUA_GLOBALSINDEX, global);
  }
  for (const char* name : {"execute", "exit", "remove", "rename", "tmpname"}) {
    Remove(state, "os", name);
  }
  // A pattern match runs inside one instruction, out of the step count's
  // reach, and nested patterns over a long subject can take minutes. The
  // game's scripts match no patterns; string.rep stays, bounded by memory.
  for (const char* name : {"find", "match", "gmatch", "gsub"}) {
    Remove(state, "string", name);
  }
}

// The tables the host functions read (treasure and items).
void Setup() {
  EnterFreshDataFolder("ombrel-event-fuzz");
  for (const char* file : {"treasure\\Treasure.csv", "item\\NormalItem.csv", "item\\Weapon.csv",
                           "item\\Armor.csv"}) {
    CopyGameDataFile(file);
  }
  CScriptManager::limitState = LimitState;
  // The host functions' traces would only slow the runs down.
  if (freopen("/dev/null", "w", stdout) == nullptr) abort();
}

// An event layer of 4 x 3 cells with events 1 to 5, some of them in one row.
void SetEventLayer(CMapManager& map) {
  map.event.Clear();
  map.event.width = 4;
  map.event.height = 3;
  map.event.layer = {1, 0, 2, 0, 0, 3, 0, 0, 4, 0, 5, 1};
  map.data.width = 4;
  map.data.height = 3;
  for (std::vector<uint16_t>& tiles : map.data.layers) tiles.assign(12, 0);
  map.mapId = 1;
}

// Resumes the running event until it ends, each wait counted as over.
void RunToEnd(CGame& game, int* resumes) {
  while (game.script.IsRunning() && *resumes < kResumeLimit) {
    ++*resumes;
    game.waitState = WAIT_NONE;
    game.script.ExecNext();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = false;
  if (!ready) {
    Setup();
    ready = true;
  }
  if (size > (1u << 16)) return 0;
  WriteWhole("data\\event\\mapevt000001.lua", data, size);
  CGame& game = *CGame::GetInstance();
  game.SetMode();
  game.waitState = WAIT_NONE;
  SetEventLayer(game.map);
  int resumes = 0;
  if (game.script.Load(1, &game.map.event) != 0) {
    RunToEnd(game, &resumes);
    for (size_t i = 0; i < game.map.event.objects.size(); ++i) {
      game.map.ExecObjectEvent(game.map.event.objects[i].get());
      RunToEnd(game, &resumes);
    }
    game.script.GetBGMID();
  }
  game.map.event.Clear();
  game.movedObject = nullptr;
  return 0;
}
