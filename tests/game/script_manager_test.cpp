#include "CScriptManager.h"

#include <direct.h>
#include <stdio.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <lua.hpp>

#include "CGame.h"
#include "CMapObject.h"
#include "ScriptHost.h"
#include "game_fixture.h"
#include "stdout_capture.h"

namespace {

// The scripts reach the one game object, so every test starts it afresh:
// only the field mode, no wait, no effect, all flags 0.
class ScriptManagerTest : public GameDataFixture {
 protected:
  void SetUp() override {
    GameDataFixture::SetUp();
    UseMemberPictures();
    _mkdir("fixture\\event");
    remove("fixture\\event\\mapevt000001.lua");
    CGame& game = Game();
    game.SetMode();
    game.waitState = WAIT_NONE;
    game.effect.type = EFFECT_NONE;
    game.effect.counter = 0;
    game.pendingEnemyParty = 0;
    for (uint8_t& flag : game.gameFlags) flag = 0;
    game.treasureFlags.Clear();
    // The shop as the game sets it up (the fixture has no skin: frames
    // without pictures).
    game.store.Init(&game.party);
    game.store.visible = 0;
  }

  static CGame& Game() { return *CGame::GetInstance(); }

  // Tables a test does not write would otherwise open a modal box.
  ErrorMessageCapture m_tableErrors;
  static CScriptManager& Script() { return Game().script; }

  static void WriteScript(const std::string& source, int mapId = 1) {
    char path[64];
    snprintf(path, sizeof path, "fixture\\event\\mapevt%06d.lua", mapId);
    WriteFileBytes(path, source);
  }

  // Writes the script of map 1 and loads it; the traces printed meanwhile go
  // to *trace when given.
  static int LoadScript(const std::string& source, std::string* trace = nullptr) {
    WriteScript(source);
    StdoutCapture out;
    const int result = Script().Load(1, &Game().map.event);
    const std::string printed = out.Take();
    if (trace != nullptr) *trace = printed;
    return result;
  }

  static std::string Update(int count = 1) {
    StdoutCapture out;
    for (int i = 0; i < count; ++i) Game().Update();
    return out.Take();
  }

  // A global number of the script, or NaN when it is not a number.
  static double Global(const char* name) {
    lua_State* state = Script().state;
    if (state == nullptr) return 0.0 / 0.0;
    lua_getfield(state, LUA_GLOBALSINDEX, name);
    const double value = lua_isnumber(state, -1) ? lua_tonumber(state, -1) : 0.0 / 0.0;
    lua_settop(state, -2);
    return value;
  }

  static size_t ModeCount() { return Game().modes.size(); }

  // An event layer of width x height cells with the given (x, y, event id)
  // cells, on a map of the same size without tiles.
  static void SetEventLayer(int width, int height, std::initializer_list<std::array<int, 3>> cells) {
    CMapManager& map = Game().map;
    map.event.Clear();
    map.event.width = width;
    map.event.height = height;
    map.event.layer.assign(static_cast<size_t>(width * height), 0);
    for (const auto& cell : cells) map.event.layer[cell[1] * width + cell[0]] = cell[2];
    map.data.width = width;
    map.data.height = height;
    for (std::vector<uint16_t>& tiles : map.data.layers) tiles.assign(static_cast<size_t>(width * height), 0);
    map.mapId = 1;
  }

  static CMapObject* FindObject(int eventId) {
    for (const auto& object : Game().map.event.objects) {
      if (object->eventId == eventId) return object.get();
    }
    return nullptr;
  }

  // What the map does when the player talks to the object.
  static std::string Talk(CMapObject* object) {
    StdoutCapture out;
    Game().map.ExecObjectEvent(object);
    return out.Take();
  }

  // The player presses a key on the open message window.
  static std::string AnswerMessage() {
    Game().msgWindow.keyFlag = 1;
    return Update();
  }

  void TearDown() override {
    CMapManager& map = Game().map;
    map.event.Clear();
    map.event.width = map.event.height = 0;
    map.data.width = map.data.height = 0;
    map.data.FreeLayers();
    map.playerX = map.playerY = map.scrollX = map.scrollY = 0;
    map.mapId = 0;
    Game().movedObject = nullptr;
    Game().store.visible = 0;
    Game().store.ClearGoods();
    Game().party.ClearMembers();
    Game().party.ClearItems();
    GameDataFixture::TearDown();
  }
};

TEST_F(ScriptManagerTest, ScriptsAreLookedForInTheEventFolderByMapId) {
  char path[128];
  CScriptManager::FormatScriptPath(path, sizeof path, 42);
  EXPECT_STREQ(path, "fixture\\event\\mapevt000042.lua");
}

TEST_F(ScriptManagerTest, ScriptsThatCannotRunShowTheirPathAndTheInterpretersMessage) {
  struct Case {
    const char* what;
    const char* source;  // null: no file
    const char* messagePart;
  };
  const Case cases[] = {
      {"missing file", nullptr, "cannot open"},
      {"syntax error", "function InitProc()\n", "'end' expected"},
      {"error in the chunk", "error('chunk failed')", "chunk failed"},
      // Host functions are registered after the chunk has run.
      {"host call at the top level", "expSetGameFlag(1, 2)", "attempt to call global 'expSetGameFlag'"},
  };
  for (const Case& c : cases) {
    remove("fixture\\event\\mapevt000001.lua");
    if (c.source != nullptr) WriteScript(c.source);
    ErrorMessageCapture errors;
    StdoutCapture out;
    EXPECT_EQ(Script().Load(1, &Game().map.event), 0) << c.what;
    const std::string trace = out.Take();
    ASSERT_EQ(errors.Messages().size(), 1u) << c.what;
    const std::string& message = errors.Messages()[0];
    EXPECT_EQ(message.rfind("Script [fixture\\event\\mapevt000001.lua] : ", 0), 0u) << message;
    EXPECT_NE(message.find(c.messagePart), std::string::npos) << message;
    EXPECT_EQ(message.back(), '\n');
    EXPECT_EQ(Script().state, nullptr) << c.what;
    // No events: not even InitProc runs.
    EXPECT_EQ(trace.find("PushMode"), std::string::npos) << c.what;
    EXPECT_EQ(Game().modes, std::list<int32_t>{MODE_FIELD}) << c.what;
  }
}

TEST_F(ScriptManagerTest, AScriptWithoutInitProcPushesAndPopsTheEventMode) {
  std::string trace;
  ErrorMessageCapture errors;
  ASSERT_EQ(LoadScript("x = 1\n", &trace), 1);
  EXPECT_EQ(trace, "PushMode 2\nPopMode 2 → 1\n");
  EXPECT_EQ(Game().modes, std::list<int32_t>{MODE_FIELD});
  EXPECT_EQ(Script().running, 0);
  EXPECT_TRUE(errors.Messages().empty());
}

TEST_F(ScriptManagerTest, AFadeSuspendsInitProcUntilTheEffectEnds) {
  std::string trace;
  ASSERT_EQ(LoadScript("function InitProc()\n"
                       "  expStartFadeout(255, 0, 0, 3)\n"
                       "  coroutine.yield()\n"
                       "  expSetGameFlag(1, 7)\n"
                       "end\n",
                       &trace),
            1);
  EXPECT_EQ(trace, "PushMode 2\nlua_StartFadeout\n");
  EXPECT_EQ(Game().GetMode(), MODE_EVENT);
  EXPECT_EQ(Game().waitState, WAIT_EFFECT);
  EXPECT_EQ(Game().effect.type, EFFECT_FADEOUT);
  EXPECT_EQ(Game().effect.colour, ComposeColorCode(255, 0, 0));
  EXPECT_EQ(Script().running, 1);
  EXPECT_EQ(Update(2), "");
  EXPECT_EQ(Game().gameFlags[1], 0);
  EXPECT_EQ(Update(), "CScriptManager::ExecNext\nlua_SetGameFlag\nPopMode 2 → 1\n");
  EXPECT_EQ(Game().gameFlags[1], 7);
  EXPECT_EQ(Game().waitState, WAIT_NONE);
  EXPECT_EQ(Game().modes, std::list<int32_t>{MODE_FIELD});
  EXPECT_EQ(Script().running, 0);
}

TEST_F(ScriptManagerTest, WaitFrameResumesOnTheUpdateAfterTheFrames) {
  ASSERT_EQ(LoadScript("function InitProc()\n"
                       "  expWaitFrame(2)\n"
                       "  coroutine.yield()\n"
                       "  resumed = 1\n"
                       "end\n"),
            1);
  EXPECT_EQ(Game().waitState, WAIT_FRAME);
  Update(2);
  EXPECT_TRUE(Global("resumed") != Global("resumed")) << "still waiting";
  EXPECT_EQ(Update(), "CScriptManager::ExecNext\nPopMode 2 → 1\n");
  EXPECT_EQ(Global("resumed"), 1.0);
}

TEST_F(ScriptManagerTest, FinishedOrFailedCoroutinesAreNotResumedAgain) {
  struct Case {
    const char* what;
    const char* source;
  };
  const Case cases[] = {
      {"finished", "function InitProc()\n  expWaitFrame(0)\n  coroutine.yield()\nend\n"},
      {"failed", "function InitProc()\n  expWaitFrame(0)\n  coroutine.yield()\n  error('late')\nend\n"},
  };
  for (const Case& c : cases) {
    Game().SetMode();
    ErrorMessageCapture errors;
    ASSERT_EQ(LoadScript(c.source), 1) << c.what;
    ASSERT_EQ(ModeCount(), 2u) << c.what;
    EXPECT_EQ(Update(), "CScriptManager::ExecNext\nPopMode 2 → 1\n") << c.what;
    // A resumption after the end (as a message left open asks for) changes
    // nothing.
    StdoutCapture out;
    Script().ExecNext();
    Script().ExecNext();
    EXPECT_EQ(out.Take(), "CScriptManager::ExecNext\nCScriptManager::ExecNext\n") << c.what;
    EXPECT_EQ(Game().modes, std::list<int32_t>{MODE_FIELD}) << c.what;
    EXPECT_EQ(Script().running, 0) << c.what;
    // Errors inside an event end it without a box.
    EXPECT_TRUE(errors.Messages().empty()) << c.what;
  }
}

TEST_F(ScriptManagerTest, AYieldWithoutAWaitStaysSuspended) {
  ASSERT_EQ(LoadScript("function InitProc()\n  coroutine.yield()\n  resumed = 1\nend\n"), 1);
  Update(5);
  EXPECT_EQ(Game().GetMode(), MODE_EVENT);
  EXPECT_EQ(Script().running, 1);
  EXPECT_TRUE(Global("resumed") != Global("resumed"));
}

TEST_F(ScriptManagerTest, GameFlagsAreSignedBytesWithinTheirRange) {
  ASSERT_EQ(LoadScript("function InitProc()\n"
                       "  expSetGameFlag(5, 300)\n"
                       "  a = expGetGameFlag(5)\n"
                       "  expSetGameFlag(6, 200)\n"
                       "  b = expGetGameFlag(6)\n"
                       "  expSetGameFlag(1023, -3)\n"
                       "  c = expGetGameFlag(1023)\n"
                       "  expSetGameFlag(1024, 9)\n"
                       "  expSetGameFlag(-1, 9)\n"
                       "  d = expGetGameFlag(1024)\n"
                       "  e = expGetGameFlag(-1)\n"
                       "  expSetGameFlag(7, 2.9)\n"
                       "  f = expGetGameFlag(7)\n"
                       "  expSetGameFlag(8, -2.9)\n"
                       "  g = expGetGameFlag(8)\n"
                       "end\n"),
            1);
  EXPECT_EQ(Global("a"), 44.0);
  EXPECT_EQ(Global("b"), -56.0);
  EXPECT_EQ(Global("c"), -3.0);
  EXPECT_EQ(Global("d"), 0.0);
  EXPECT_EQ(Global("e"), 0.0);
  EXPECT_EQ(Global("f"), 2.0) << "truncated toward zero";
  EXPECT_EQ(Global("g"), -2.0) << "truncated toward zero";
  EXPECT_EQ(Game().gameFlags[5], 44);
  EXPECT_EQ(Game().gameFlags[1023], 253);
  int set = 0;
  for (uint8_t flag : Game().gameFlags) set += flag != 0;
  EXPECT_EQ(set, 5) << "the out-of-range writes went nowhere";
}

TEST_F(ScriptManagerTest, MissingOrWronglyTypedArgumentsReadAsZero) {
  Game().gameFlags[0] = 9;
  Game().gameFlags[3] = 9;
  ASSERT_EQ(LoadScript("function InitProc()\n"
                       "  expSetGameFlag()\n"              // flag 0 becomes 0
                       "  expSetGameFlag(2, '12')\n"        // a numeric text converts
                       "  expSetGameFlag(3, {})\n"          // a table reads as 0
                       "  expSetGameFlag(4, 0/0)\n"         // NaN reads as 0
                       "  expSetGameFlag(1e300, 5)\n"       // far outside: ignored
                       "  expSetGameFlag(10, 'x', 1, 2, 3, 4, 5)\n"
                       "  expChangeMap(true, nil, 'a')\n"
                       "  expShake()\n"
                       "  expStartFadein(nil)\n"
                       "  expShowMessage({})\n"
                       "  expAddMessage(print)\n"
                       "  expShowYesNoMessage()\n"
                       "  expShowChoiceMessage(nil, 1, {})\n"
                       "  expGetTreasure()\n"
                       "  expMoveMapObject('x', {}, nil)\n"
                       "  expMovePlayer({})\n"
                       "  expGetYesNoAnswer(1, 2, 3)\n"
                       "  expWaitFrame(print)\n"
                       "  a = expGetGameFlag()\n"
                       "  b = expGetTreasureFlag()\n"
                       "  done = 1\n"
                       "end\n"),
            1);
  EXPECT_EQ(Global("done"), 1.0) << "no host function raised an error";
  EXPECT_EQ(Game().gameFlags[0], 0);
  EXPECT_EQ(Game().gameFlags[2], 12);
  EXPECT_EQ(Game().gameFlags[3], 0);
  EXPECT_EQ(Game().gameFlags[4], 0);
  EXPECT_EQ(Game().gameFlags[10], 0);
  EXPECT_EQ(Game().changeMapId, 0);
  EXPECT_EQ(Game().changeMapX, 0);
  EXPECT_EQ(Game().changeMapY, 0);
  EXPECT_EQ(Global("a"), 0.0);
  EXPECT_EQ(Global("b"), -1.0);
  EXPECT_STREQ(Game().msgWindow.lines[0], "") << "a table is no text";
  EXPECT_EQ(Game().waitState, WAIT_FRAME);
}

TEST_F(ScriptManagerTest, ShakeWithPeriodZeroUsesATenthInSinglePrecision) {
  ASSERT_EQ(LoadScript("function InitProc() expShake(0, 30, 0, 4) end\n"), 1);
  EXPECT_EQ(Game().effect.type, EFFECT_SHAKE_V);
  EXPECT_EQ(Game().effect.period, 0.10000000149011612);
  EXPECT_EQ(Game().effect.amplitude, 4);
  EXPECT_EQ(Game().effect.counter, 30u);
  EXPECT_EQ(Game().effect.total, 30u);
  EXPECT_EQ(Game().waitState, WAIT_EFFECT);
  ASSERT_EQ(LoadScript("function InitProc() expShake(1, 12, 2.5, 3) end\n"), 1);
  EXPECT_EQ(Game().effect.type, EFFECT_SHAKE_H);
  EXPECT_EQ(Game().effect.period, 2.5);
}

TEST_F(ScriptManagerTest, RequestsAreStoredWithTheirWaitStates) {
  ASSERT_EQ(LoadScript("function InitProc() expChangeMap(3, 4, 5, 2) end\n"), 1);
  EXPECT_EQ(Game().waitState, WAIT_CHANGE_MAP);
  EXPECT_EQ(Game().changeMapId, 3);
  EXPECT_EQ(Game().changeMapX, 4);
  EXPECT_EQ(Game().changeMapY, 5);
  EXPECT_EQ(Game().changeMapDirection, 2);
  ASSERT_EQ(LoadScript("function InitProc() expMovePlayer(3, 1) end\n"), 1);
  EXPECT_EQ(Game().waitState, WAIT_MOVE_PLAYER);
  EXPECT_EQ(Game().moveDirection, 3);
  EXPECT_EQ(Game().moveSpeed, 1);
  ASSERT_EQ(LoadScript("function InitProc() expStartFadein(1, 2, 3, 8) end\n"), 1);
  EXPECT_EQ(Game().waitState, WAIT_EFFECT);
  EXPECT_EQ(Game().effect.type, EFFECT_FADEIN);
  EXPECT_EQ(Game().effect.colour, ComposeColorCode(1, 2, 3));
  EXPECT_EQ(Game().effect.total, 8u);
}

TEST_F(ScriptManagerTest, TreasureFlagsAnswerMinusOneWhereNoFlagCanBe) {
  WriteTable("treasure\\Treasure.csv", {"5,2,1", "-1,2,2", "1500,2,3", "1023,2,4"});
  Game().treasureFlags.SetTaken(1023);
  ASSERT_EQ(LoadScript("function InitProc()\n"
                       "  a = expGetTreasureFlag(2, 1)\n"
                       "  b = expGetTreasureFlag(2, 2)\n"
                       "  c = expGetTreasureFlag(2, 3)\n"
                       "  d = expGetTreasureFlag(2, 4)\n"
                       "  e = expGetTreasureFlag(9, 9)\n"
                       "end\n"),
            1);
  EXPECT_EQ(Global("a"), 0.0);
  EXPECT_EQ(Global("b"), -1.0);
  EXPECT_EQ(Global("c"), -1.0) << "index 1500 has no flag";
  EXPECT_EQ(Global("d"), 1.0);
  EXPECT_EQ(Global("e"), -1.0) << "no row";
}

TEST_F(ScriptManagerTest, GetBGMIDLeavesTheSuspendedEventAsItWas) {
  ASSERT_EQ(LoadScript("function GetBGMID() return 3.7 end\n"
                       "function InitProc()\n"
                       "  expWaitFrame(0)\n"
                       "  coroutine.yield()\n"
                       "  resumed = 1\n"
                       "end\n"),
            1);
  lua_State* suspended = Script().coroutine;
  EXPECT_EQ(Script().GetBGMID(), 3);
  EXPECT_EQ(Script().coroutine, suspended);
  EXPECT_EQ(Script().running, 1);
  EXPECT_EQ(lua_gettop(Script().state), 1) << "only the suspended coroutine stays on the stack";
  EXPECT_EQ(Update(), "CScriptManager::ExecNext\nPopMode 2 → 1\n");
  EXPECT_EQ(Global("resumed"), 1.0);
}

TEST_F(ScriptManagerTest, GetBGMIDIsZeroWhenMissingOrFailing) {
  const char* sources[] = {
      "x = 1\n",
      "function GetBGMID() error('no music') end\n",
      "function GetBGMID() return 'loud' end\n",
      "function GetBGMID() end\n",
  };
  for (const char* source : sources) {
    ASSERT_EQ(LoadScript(source), 1) << source;
    EXPECT_EQ(Script().GetBGMID(), 0) << source;
  }
  ASSERT_EQ(LoadScript("function GetBGMID() coroutine.yield(5) end\n"), 1);
  EXPECT_EQ(Script().GetBGMID(), 5) << "a yield ends the query too";
  remove("fixture\\event\\mapevt000001.lua");
  ErrorMessageCapture errors;
  EXPECT_EQ(Script().Load(1, &Game().map.event), 0);
  EXPECT_EQ(Script().GetBGMID(), 0) << "no script";
}

TEST_F(ScriptManagerTest, HostFunctionsPrintTheirTraceLines) {
  struct Case {
    const char* call;
    const char* trace;
  };
  const Case cases[] = {
      {"expShowMessage('a')", "lua_ShowMessage\n"},
      {"expCloseMessage()", "lua_CloseMessage\n"},
      {"expAddMessage('b')", "lua_AddMessage\n"},
      {"expStartFadeout(0, 0, 0, 1)", "lua_StartFadeout\n"},
      {"expStartFadein(0, 0, 0, 1)", "lua_StartFadein\n"},
      {"expShake(0, 1, 1, 1)", "lua_Shake\n"},
      {"expChangeMap(1, 1, 1, 0)", "lua_ChangeMap\n"},
      {"expGetTreasureFlag(1, 1)", "lua_GetTreasureFlag\n"},
      {"expGetTreasure(1, 1)", "lua_GetTreasure\n"},
      {"expMovePlayer(0, 0)", "lua_MovePlayer\n"},
      {"expMoveMapObject(1, 0, 1)", "lua_MoveCharacter\n"},
      {"expWaitFrame(1)", "lua_WaitFrame\n"},
      {"expOpenStore(1, 1, 100, {})", "lua_OpenStore\n"},
      {"expLoadSoundFile(999)", "lua_LoadSoundFile\n"},
      {"expPlayBGM(999, 0)", "lua_PlayBGM\n"},
      {"expStopBGM()", ""},
      {"expStartBattle(3)", "lua_StartBattle\n"},
      {"expGetGameFlag(1)", "lua_GetGameFlag\n"},
      {"expSetGameFlag(1, 1)", "lua_SetGameFlag\n"},
      {"expShowYesNoMessage('c')", "lua_ShowYesNoMessage\n"},
      {"expShowChoiceMessage('d', 'e', 'f', '')", "lua_ShowChoiceMessage\n"},
      {"expGetYesNoAnswer()", "lua_GetYesNoAnswer\n"},
      {"expGetChooseAnswer()", "lua_GetChooseAnswer\n"},
  };
  WriteTable("treasure\\Treasure.csv", {"1,1,1"});
  for (const Case& c : cases) {
    ErrorMessageCapture errors;  // the sound table is not in the fixture
    std::string trace;
    ASSERT_EQ(LoadScript(std::string("function InitProc() ") + c.call + " end\n", &trace), 1);
    // The trace comes first; what the function's work prints follows it.
    const std::string expected = std::string("PushMode 2\n") + c.trace;
    EXPECT_EQ(trace.substr(0, expected.size()), expected) << c.call;
    EXPECT_EQ(trace.find("lua_", expected.size()), std::string::npos) << c.call;
  }
}

// The names the scripts are written against, all registered, in their order.
TEST_F(ScriptManagerTest, HostFunctionsAreRegisteredInTheirOrderAsFunctions) {
  const std::vector<std::string> vocabulary = {
      "expShowMessage",      "expCloseMessage",      "expAddMessage",      "expStartFadeout",
      "expStartFadein",      "expShake",             "expChangeMap",       "expGetTreasureFlag",
      "expGetTreasure",      "expMovePlayer",        "expMoveMapObject",   "expWaitFrame",
      "expOpenStore",        "expLoadSoundFile",     "expPlayBGM",         "expStopBGM",
      "expStartBattle",      "expGetGameFlag",       "expSetGameFlag",     "expShowYesNoMessage",
      "expShowChoiceMessage", "expGetYesNoAnswer",   "expGetChooseAnswer"};
  ASSERT_EQ(LoadScript("x = 1\n"), 1);
  size_t next = 0;
  for (int i = 0; i < GetScriptHostFunctionCount(); ++i) {
    const std::string name = GetScriptHostFunctionName(i);
    while (next < vocabulary.size() && vocabulary[next] != name) ++next;
    ASSERT_LT(next, vocabulary.size()) << name << " is out of order or unknown";
    lua_getfield(Script().state, LUA_GLOBALSINDEX, name.c_str());
    EXPECT_TRUE(lua_iscfunction(Script().state, -1)) << name;
    lua_settop(Script().state, -2);
  }
  EXPECT_EQ(GetScriptHostFunctionCount(), static_cast<int>(vocabulary.size()));
  EXPECT_EQ(GetScriptHostFunctionName(GetScriptHostFunctionCount()), nullptr);
}

TEST_F(ScriptManagerTest, GetMapObjectDescribesTheObjectOfEachEventCell) {
  SetEventLayer(4, 3, {{1, 0, 7}, {3, 0, 8}, {0, 1, 9}, {2, 2, 6}, {0, 2, 5}});
  std::string trace;
  ASSERT_EQ(LoadScript("function GetMapObject(id)\n"
                       "  if id == 7 then return { PicID = 3.7, Type = 'STABLE', MoveType = 'RANDOM',\n"
                       "    MoveSpeed = 'HIGH', MoveFreq = 'LOW', AniSpeed = 'HIGH', ScriptTriger = 'BUTTON' } end\n"
                       "  if id == 8 then return nil end\n"
                       "  if id == 9 then error('bad object') end\n"
                       "  if id == 5 then return { Type = 'FLOOR', ScriptTriger = 'PLAYER_ON', PicID = '12' } end\n"
                       "  return { Type = 5, MoveSpeed = {} }\n"
                       "end\n",
                       &trace),
            1);
  EXPECT_NE(trace.find("error : "), std::string::npos) << trace;
  EXPECT_NE(trace.find("bad object\n"), std::string::npos) << trace;
  // Cells 8 (nil) and 9 (an error) have no object; the rest are in row order.
  std::vector<int> order;
  for (const auto& object : Game().map.event.objects) order.push_back(object->eventId);
  EXPECT_EQ(order, (std::vector<int>{7, 5, 6}));

  const CMapObject* chest = FindObject(7);
  ASSERT_NE(chest, nullptr);
  EXPECT_EQ(chest->pictureId, 3) << "truncated";
  EXPECT_EQ(chest->type, OBJECT_STABLE);
  EXPECT_EQ(chest->passValue, 9);
  EXPECT_EQ(chest->moveType, MOVE_RANDOM);
  EXPECT_EQ(chest->moveSpeed, PACE_HIGH);
  EXPECT_EQ(chest->moveFrequency, PACE_LOW);
  EXPECT_EQ(chest->animationSpeed, PACE_HIGH);
  EXPECT_EQ(chest->trigger, TRIGGER_BUTTON);
  EXPECT_EQ(chest->cellX, 1);
  EXPECT_EQ(chest->cellY, 0);

  const CMapObject* floor = FindObject(5);
  ASSERT_NE(floor, nullptr);
  EXPECT_EQ(floor->pictureId, 0) << "a text is not a picture id";
  EXPECT_EQ(floor->type, OBJECT_FLOOR);
  EXPECT_EQ(floor->passValue, 0);
  EXPECT_EQ(floor->trigger, TRIGGER_PLAYER_ON);
  EXPECT_EQ(floor->cellX, 0);
  EXPECT_EQ(floor->cellY, 2);

  // Fields missing or of another type take their defaults.
  const CMapObject* plain = FindObject(6);
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->pictureId, 0);
  EXPECT_EQ(plain->type, OBJECT_NPC);
  EXPECT_EQ(plain->passValue, 9);
  EXPECT_EQ(plain->moveType, MOVE_STAND);
  EXPECT_EQ(plain->moveSpeed, PACE_NORMAL);
  EXPECT_EQ(plain->moveFrequency, PACE_NORMAL);
  EXPECT_EQ(plain->trigger, TRIGGER_NONE);
}

TEST_F(ScriptManagerTest, WithoutGetMapObjectNoCellHasAnObject) {
  SetEventLayer(2, 1, {{0, 0, 1}, {1, 0, 2}});
  std::string trace;
  ASSERT_EQ(LoadScript("x = 1\n", &trace), 1);
  EXPECT_TRUE(Game().map.event.objects.empty());
  EXPECT_NE(trace.find("error : "), std::string::npos) << trace;
}

// A script's metamethods run wherever the host reads or writes a script
// value; whatever they raise ends that step as an error of the script does,
// never the game.
TEST_F(ScriptManagerTest, FailingMetamethodsEndOnlyTheStepThatMetThem) {
  SetEventLayer(3, 1, {{0, 0, 1}, {1, 0, 2}, {2, 0, 3}});
  std::string trace;
  ErrorMessageCapture errors;
  ASSERT_EQ(LoadScript("local bad = setmetatable({}, {__index = function() error('no field') end})\n"
                       "function GetMapObject(id)\n"
                       "  if id == 2 then return bad end\n"
                       "  return { PicID = id }\n"
                       "end\n"
                       "function InitProc() started = 1 end\n",
                       &trace),
            1);
  EXPECT_NE(trace.find("no field\n"), std::string::npos) << trace;
  std::vector<int> made;
  for (const auto& object : Game().map.event.objects) made.push_back(object->eventId);
  EXPECT_EQ(made, (std::vector<int>{1, 3})) << "the table that failed gave no object";
  EXPECT_EQ(Global("started"), 1.0);
  EXPECT_EQ(Game().modes, std::list<int32_t>{MODE_FIELD});
  EXPECT_TRUE(errors.Messages().empty());

  // A lookup that fails ends the event as a missing function does.
  ASSERT_EQ(LoadScript("setmetatable(_G, {__index = function() error('hidden') end})\n"), 1);
  EXPECT_EQ(Game().modes, std::list<int32_t>{MODE_FIELD});
  EXPECT_EQ(Script().running, 0);
  EXPECT_EQ(Script().GetBGMID(), 0);
  EXPECT_EQ(lua_gettop(Script().state), 0) << "the failed query left nothing on the stack";

  // Globals that refuse new names refuse the host functions too: the script
  // cannot run, as one whose chunk failed.
  EXPECT_EQ(LoadScript("setmetatable(_G, {__newindex = function() error('read only') end})\n"), 0);
  ASSERT_EQ(errors.Messages().size(), 1u);
  EXPECT_NE(errors.Messages()[0].find("read only"), std::string::npos) << errors.Messages()[0];
  EXPECT_EQ(Script().state, nullptr);
}

// The interpreter does not verify precompiled code, so only source is run.
TEST_F(ScriptManagerTest, PrecompiledScriptsAreRefused) {
  const std::string chunk = std::string("\x1bLua\x51\x00\x01\x04\x04\x04\x08\x00", 12) + "garbage";
  const std::string sources[] = {chunk, "#!/usr/bin/lua\n" + chunk};
  for (const std::string& source : sources) {
    ErrorMessageCapture errors;
    EXPECT_EQ(LoadScript(source), 0);
    ASSERT_EQ(errors.Messages().size(), 1u);
    EXPECT_NE(errors.Messages()[0].find("precompiled scripts are not accepted"), std::string::npos)
        << errors.Messages()[0];
    EXPECT_EQ(Script().state, nullptr);
  }
  ErrorMessageCapture errors;
  EXPECT_EQ(LoadScript("#!/usr/bin/lua\nx = 1\n"), 1) << "a first '#' line before source is fine";
  EXPECT_TRUE(errors.Messages().empty());
}

TEST_F(ScriptManagerTest, ATalkShowsMessagesUntilTheScriptClosesThem) {
  WriteTable("lvinfo\\LvInfo001.csv", {"1,0,40,10,12,9,5,4,6,29"});
  Game().party.Init();
  Game().party.AddMember(1, 1);
  ASSERT_NE(Game().GetPlayer(), nullptr);
  Game().GetPlayer()->direction = DIR_RIGHT;
  SetEventLayer(3, 1, {{2, 0, 4}});
  ASSERT_EQ(LoadScript("function GetMapObject(id) return { PicID = 1, ScriptTriger = 'BUTTON' } end\n"
                       "function ExecObject(id)\n"
                       "  talked = id\n"
                       "  expShowMessage('hello')\n"
                       "  coroutine.yield()\n"
                       "  expAddMessage('more')\n"
                       "  coroutine.yield()\n"
                       "  expCloseMessage()\n"
                       "end\n"),
            1);
  CMapObject* speaker = FindObject(4);
  ASSERT_NE(speaker, nullptr);
  EXPECT_EQ(Talk(speaker), "PushMode 2\nlua_ShowMessage\n");
  EXPECT_EQ(Global("talked"), 4.0);
  EXPECT_EQ(Script().currentObject, speaker);
  EXPECT_EQ(speaker->direction, DIR_LEFT) << "turned to the player";
  EXPECT_EQ(Game().waitState, WAIT_MESSAGE);
  EXPECT_EQ(Game().msgWindow.pending, 1);
  EXPECT_EQ(Game().msgWindow.delay, 10);
  EXPECT_STREQ(Game().msgWindow.lines[0], "hello");
  // Without a key the script waits.
  EXPECT_EQ(Update(3), "");
  EXPECT_EQ(AnswerMessage(), "CScriptManager::ExecNext\nlua_AddMessage\n");
  EXPECT_STREQ(Game().msgWindow.lines[1], "more");
  EXPECT_EQ(Game().msgWindow.keyFlag, 0);
  EXPECT_EQ(Game().waitState, WAIT_MESSAGE);
  EXPECT_EQ(AnswerMessage(), "CScriptManager::ExecNext\nlua_CloseMessage\nPopMode 2 → 1\n");
  EXPECT_EQ(Game().waitState, WAIT_NONE);
  EXPECT_EQ(Game().msgWindow.pending, 0);
  EXPECT_EQ(Game().msgWindow.delay, 10);
  EXPECT_EQ(Game().modes, std::list<int32_t>{MODE_FIELD});
  // A key flag left over after the end resumes nothing and pops nothing.
  Game().waitState = WAIT_MESSAGE;
  Game().msgWindow.pending = 1;
  EXPECT_EQ(AnswerMessage(), "CScriptManager::ExecNext\n");
  EXPECT_EQ(Game().modes, std::list<int32_t>{MODE_FIELD});
}

TEST_F(ScriptManagerTest, MessagesInInitProcOrFromChestsTurnNobody) {
  SetEventLayer(2, 1, {{1, 0, 3}});
  ASSERT_EQ(LoadScript("function GetMapObject(id) return { PicID = 1, Type = 'STABLE' } end\n"
                       "function InitProc() expShowMessage('welcome') end\n"
                       "function ExecObject(id) expShowMessage('a chest') end\n"),
            1);
  CMapObject* chest = FindObject(3);
  ASSERT_NE(chest, nullptr);
  chest->direction = DIR_RIGHT;
  Talk(chest);
  EXPECT_EQ(chest->direction, DIR_RIGHT);
  EXPECT_STREQ(Game().msgWindow.lines[0], "a chest");
}

TEST_F(ScriptManagerTest, QuestionsResumeWhenTheirWindowHasClosed) {
  ASSERT_EQ(LoadScript("function InitProc()\n"
                       "  expShowYesNoMessage('sure?')\n"
                       "  coroutine.yield()\n"
                       "  yes = expGetYesNoAnswer()\n"
                       "  expShowChoiceMessage('which?', 'one', 'two', 'three')\n"
                       "  coroutine.yield()\n"
                       "  choice = expGetChooseAnswer()\n"
                       "end\n"),
            1);
  EXPECT_EQ(Game().waitState, WAIT_YESNO);
  EXPECT_EQ(Game().yesNoWindow.visible, 1);
  EXPECT_EQ(Update(), "") << "still open";
  Game().yesNoWindow.answer = 2;
  Game().yesNoWindow.SetVisible(0);
  EXPECT_EQ(Update(), "CScriptManager::ExecNext\nlua_GetYesNoAnswer\nlua_ShowChoiceMessage\n");
  EXPECT_EQ(Global("yes"), 2.0);
  EXPECT_EQ(Game().waitState, WAIT_CHOICE);
  EXPECT_EQ(Game().choiceWindow.visible, 1);
  Game().choiceWindow.answer = 3;
  Game().choiceWindow.SetVisible(0);
  EXPECT_EQ(Update(), "CScriptManager::ExecNext\nlua_GetChooseAnswer\nPopMode 2 → 1\n");
  EXPECT_EQ(Global("choice"), 3.0);
  EXPECT_EQ(Game().waitState, WAIT_NONE);
}

// A shop holds the script until the player leaves it.
TEST_F(ScriptManagerTest, AShopWaitsUntilThePlayerLeavesIt) {
  WriteTable("item\\NormalItem.csv", {"5,elixir,10,x"});
  WriteTable("item\\Weapon.csv", {"2001,dagger,150,x,0,1,8,0,0,0,0,1,100,0,0,0,0,0,0,0,0"});
  CGame& game = Game();
  std::string trace;
  ASSERT_EQ(LoadScript("function InitProc()\n"
                       "  expOpenStore(2, 1, 120, {2001, 5, 'x', 7.9})\n"
                       "  coroutine.yield()\n"
                       "  after = 1\n"
                       "end\n",
                       &trace),
            1);
  EXPECT_EQ(trace, "PushMode 2\nlua_OpenStore\nItemID [2001]\nItemID [5]\nItemID [0]\n"
                   "ItemID [7]\n");
  EXPECT_EQ(game.waitState, WAIT_STORE);
  EXPECT_EQ(game.store.visible, 1);
  EXPECT_EQ(game.store.menuWindow.visible, 1);
  EXPECT_EQ(game.store.listWindow.visible, 0);
  EXPECT_EQ(game.store.type, 2);
  EXPECT_EQ(game.store.pattern, 1);
  EXPECT_EQ(game.store.rate, 120);
  ASSERT_EQ(game.store.goods.size(), 4u);
  EXPECT_STREQ(game.store.goods[0]->name, "dagger");
  EXPECT_STREQ(game.store.goods[1]->name, "elixir");
  EXPECT_EQ(game.store.goods[2]->id, 0) << "no row: an item without a name";
  EXPECT_STREQ(game.store.goods[2]->name, "");

  // The shop takes the keys in the event mode; the script waits meanwhile.
  char keys[kKeyCount] = {};
  auto press = [&](int key) {
    keys[key] = 1;
    game.keyboard.Update(keys);
    keys[key] = 0;
    std::string printed = Update();
    game.keyboard.Update(keys);
    return printed + Update();
  };
  EXPECT_EQ(press(KEY_X), "");
  EXPECT_EQ(game.store.listWindow.visible, 1);
  EXPECT_TRUE(std::isnan(Global("after")));
  EXPECT_EQ(press(KEY_Z), "");
  EXPECT_EQ(game.waitState, WAIT_STORE);
  EXPECT_EQ(press(KEY_Z), "CScriptManager::ExecNext\nPopMode 2 → 1\n");
  EXPECT_EQ(Global("after"), 1.0);
  EXPECT_EQ(game.store.visible, 0);
  EXPECT_EQ(game.waitState, WAIT_NONE);
  EXPECT_EQ(ModeCount(), 1u);

  // Anything but a table is a shop without goods.
  ASSERT_EQ(LoadScript("function InitProc() expOpenStore(1, 1, 100, 'goods') end\n", &trace), 1);
  EXPECT_EQ(trace, "PushMode 2\nlua_OpenStore\nPopMode 2 → 1\n");
  EXPECT_TRUE(game.store.goods.empty());
  EXPECT_EQ(game.store.visible, 1);
}

TEST_F(ScriptManagerTest, TreasureIsTakenOnlyByAChestsEventAndOnlyWithinTheFlags) {
  WriteTable("item\\NormalItem.csv", {"5,elixir,10,x", "3,ether,10,x"});
  WriteTable("treasure\\Treasure.csv", {"5,1,20", "1500,1,21", "-1,1,22", "3,1,23"});
  Game().party.Init();
  SetEventLayer(4, 1, {{0, 0, 20}, {1, 0, 21}, {2, 0, 22}});
  std::string trace;
  ASSERT_EQ(LoadScript("function GetMapObject(id) return { PicID = 1, Type = 'STABLE', ScriptTriger = 'BUTTON' } end\n"
                       "function InitProc() fromInit = expGetTreasure(1, 23) end\n"
                       "function ExecObject(id) got = expGetTreasure(1, id) end\n",
                       &trace),
            1);
  // InitProc has no chest to open: it gets nothing.
  EXPECT_FALSE(Game().treasureFlags.IsTaken(3));
  EXPECT_EQ(Game().party.GetItemCount(3), 0);
  lua_getfield(Script().state, LUA_GLOBALSINDEX, "fromInit");
  EXPECT_STREQ(lua_tostring(Script().state, -1), "");
  lua_settop(Script().state, 0);

  struct Case {
    int eventId;
    const char* name;
    int flagIndex;  // -1: no flag may change
    int stepFrame;
  };
  const Case cases[] = {{20, "elixir", 5, 1}, {21, "", -1, 0}, {22, "", -1, 1}};
  for (const Case& c : cases) {
    CMapObject* chest = FindObject(c.eventId);
    ASSERT_NE(chest, nullptr) << c.eventId;
    chest->stepFrame = 0;
    const std::string talk = Talk(chest);
    lua_getfield(Script().state, LUA_GLOBALSINDEX, "got");
    EXPECT_STREQ(lua_tostring(Script().state, -1), c.name) << c.eventId;
    lua_settop(Script().state, 0);
    int taken = 0;
    for (uint8_t flag : Game().treasureFlags.flags) taken += flag;
    if (c.flagIndex >= 0) {
      EXPECT_TRUE(Game().treasureFlags.IsTaken(c.flagIndex));
      EXPECT_EQ(chest->stepFrame, 1) << "shown opened";
      EXPECT_NE(talk.find("lua_GetTreasure\n[elixir]\n"), std::string::npos) << talk;
    } else {
      EXPECT_EQ(chest->stepFrame, 0) << c.eventId;
    }
    EXPECT_EQ(taken, 1) << c.eventId;
  }
  EXPECT_EQ(Game().party.GetItemCount(5), 1);
  for (uint8_t flag : Game().gameFlags) EXPECT_EQ(flag, 0) << "nothing written past the treasure flags";
}

TEST_F(ScriptManagerTest, MovedObjectsGoThroughWallsAndTheScriptWaitsForTheStep) {
  SetEventLayer(4, 1, {{1, 0, 7}});
  ASSERT_EQ(LoadScript("function GetMapObject(id) return { PicID = 1 } end\n"
                       "function InitProc()\n"
                       "  expMoveMapObject(99, 3, 1)\n"
                       "  expMoveMapObject(7, 3, 1)\n"
                       "  coroutine.yield()\n"
                       "  expMoveMapObject(7, 1, 2)\n"
                       "  coroutine.yield()\n"
                       "end\n"),
            1);
  CMapObject* mover = FindObject(7);
  ASSERT_NE(mover, nullptr);
  EXPECT_EQ(Game().movedObject, mover);
  EXPECT_EQ(Game().waitState, WAIT_MOVE_OBJECT);
  EXPECT_EQ(mover->cellX, 2);
  EXPECT_EQ(mover->moveFramesTotal, 16);
  int updates = 0;
  while (Game().waitState == WAIT_MOVE_OBJECT && mover->moveFramesTotal == 16 && updates < 100) {
    Update();
    ++updates;
  }
  EXPECT_EQ(mover->moveFramesTotal, 32) << "speed 2 takes 32 frames";
  EXPECT_EQ(mover->cellX, 1);
  EXPECT_GE(updates, 16);
  EXPECT_LE(updates, 17);
  Update(40);
  EXPECT_EQ(Game().waitState, WAIT_NONE);
  EXPECT_EQ(Game().modes, std::list<int32_t>{MODE_FIELD});
}

TEST_F(ScriptManagerTest, MovingAnObjectNoOneHasLeavesTheWaitAsItWas) {
  SetEventLayer(2, 1, {});
  std::string trace;
  ASSERT_EQ(LoadScript("function InitProc() expWaitFrame(3) expMoveMapObject(5, 0, 1) end\n", &trace), 1);
  EXPECT_NE(trace.find("lua_MoveCharacter\n"), std::string::npos);
  EXPECT_EQ(Game().waitState, WAIT_FRAME);
  EXPECT_EQ(Game().movedObject, nullptr);
}

TEST_F(ScriptManagerTest, ObjectsTurnOppositeToThePlayer) {
  WriteTable("lvinfo\\LvInfo001.csv", {"1,0,40,10,12,9,5,4,6,29"});
  Game().party.Init();
  Game().party.AddMember(1, 1);
  const int turns[][2] = {{0, 2}, {1, 3}, {2, 0}, {3, 1}, {7, 0}, {-1, 0}};
  for (const auto& turn : turns) {
    CMapObject object;
    object.direction = 3;
    Game().GetPlayer()->direction = turn[0];
    Game().TurnToPlayer(&object);
    EXPECT_EQ(object.direction, turn[1]) << turn[0];
  }
}

TEST_F(ScriptManagerTest, TheMapChangesOnceTheEventHasEnded) {
  WriteTable("lvinfo\\LvInfo001.csv", {"1,0,40,10,12,9,5,4,6,29"});
  Game().party.Init();
  Game().party.AddMember(1, 1);
  CPlayerChar* player = Game().GetPlayer();
  player->offsetX = 5;
  player->x = 0;
  WriteScript("function InitProc() arrived = 1 end\n", 2);
  ASSERT_EQ(LoadScript("function InitProc()\n"
                       "  expChangeMap(2, 4, 5, 3)\n"
                       "  expWaitFrame(0)\n"
                       "  coroutine.yield()\n"
                       "end\n"),
            1);
  // The wait frame replaced the map change: a change must be the last call.
  EXPECT_EQ(Game().waitState, WAIT_FRAME);
  ASSERT_EQ(LoadScript("function InitProc()\n"
                       "  expChangeMap(2, 4, 5, 3)\n"
                       "  coroutine.yield()\n"
                       "end\n"),
            1);
  // Yielding after the change keeps the event running: no change.
  Update(3);
  EXPECT_NE(Game().map.mapId, 2);
  Game().SetMode();
  ASSERT_EQ(LoadScript("function InitProc() expChangeMap(2, 4, 5, 3) end\n"), 1);
  EXPECT_EQ(Game().waitState, WAIT_CHANGE_MAP);
  EXPECT_EQ(Update(), "PushMode 2\nPopMode 2 → 1\n");
  EXPECT_EQ(Game().waitState, WAIT_NONE);
  EXPECT_EQ(Game().map.mapId, 2);
  EXPECT_EQ(Global("arrived"), 1.0) << "the new map's script ran";
  EXPECT_EQ(Game().map.playerX, 4);
  EXPECT_EQ(Game().map.playerY, 5);
  EXPECT_EQ(player->direction, 3);
  EXPECT_EQ(player->offsetX, 0);
  EXPECT_EQ(player->x, 152);
  EXPECT_EQ(player->y, 104);
}

TEST_F(ScriptManagerTest, AScriptedStepMovesThePlayerOnceTheScrollHasEnded) {
  WriteTable("lvinfo\\LvInfo001.csv", {"1,0,40,10,12,9,5,4,6,29"});
  Game().party.Init();
  Game().party.AddMember(1, 1);
  SetEventLayer(5, 1, {});
  Game().map.playerX = 1;
  Game().map.playerY = 0;
  Game().map.scrollX = 3;  // a step still sliding
  ASSERT_EQ(LoadScript("function InitProc()\n"
                       "  expMovePlayer(3, 2)\n"
                       "  coroutine.yield()\n"
                       "  expMovePlayer(9, 2)\n"
                       "  coroutine.yield()\n"
                       "end\n"),
            1);
  EXPECT_EQ(Game().waitState, WAIT_MOVE_PLAYER);
  EXPECT_EQ(Update(), "") << "the scroll eases first, by 4 pixels in speed mode 2";
  EXPECT_EQ(Game().map.scrollX, 0);
  EXPECT_EQ(Game().map.playerX, 1);
  EXPECT_EQ(Update(), "CScriptManager::ExecNext\nlua_MovePlayer\n");
  EXPECT_EQ(Game().map.playerX, 2);
  EXPECT_EQ(Game().GetPlayer()->direction, DIR_RIGHT);
  EXPECT_EQ(Game().waitState, WAIT_MOVE_PLAYER);
  Update(3);  // 16 pixels at 4 a frame, the first 4 in the step's own update
  // Direction 9 turns the player that way but steps nowhere.
  EXPECT_EQ(Update(), "CScriptManager::ExecNext\nPopMode 2 → 1\n");
  EXPECT_EQ(Game().map.playerX, 2);
  EXPECT_EQ(Game().waitState, WAIT_NONE);
}

}  // namespace
