#include "CScriptManager.h"

#include <direct.h>
#include <stdio.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <lua.hpp>

#include "CGame.h"
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
  ASSERT_EQ(LoadScript("function InitProc() expStartBattle(7) end\n"), 1);
  EXPECT_EQ(Game().waitState, WAIT_BATTLE);
  EXPECT_EQ(Game().pendingEnemyParty, 7);
  EXPECT_EQ(Game().effect.type, EFFECT_MOSAIC);
  EXPECT_EQ(Game().effect.counter, 34u);
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
      {"expStartFadeout(0, 0, 0, 1)", "lua_StartFadeout\n"},
      {"expStartFadein(0, 0, 0, 1)", "lua_StartFadein\n"},
      {"expShake(0, 1, 1, 1)", "lua_Shake\n"},
      {"expChangeMap(1, 1, 1, 0)", "lua_ChangeMap\n"},
      {"expGetTreasureFlag(1, 1)", "lua_GetTreasureFlag\n"},
      {"expMovePlayer(0, 0)", "lua_MovePlayer\n"},
      {"expWaitFrame(1)", "lua_WaitFrame\n"},
      {"expLoadSoundFile(999)", "lua_LoadSoundFile\n"},
      {"expPlayBGM(999, 0)", "lua_PlayBGM\n"},
      {"expStopBGM()", ""},
      {"expStartBattle(1)", "lua_StartBattle\n"},
      {"expGetGameFlag(1)", "lua_GetGameFlag\n"},
      {"expSetGameFlag(1, 1)", "lua_SetGameFlag\n"},
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

// The names the scripts are written against, in the order they are
// registered; the functions whose subsystems the game does not have yet are
// not registered at all.
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
  EXPECT_EQ(GetScriptHostFunctionName(GetScriptHostFunctionCount()), nullptr);
}

}  // namespace
