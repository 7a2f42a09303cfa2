// The one game object: it owns the parts of the game, keeps the stack of game
// modes (the last entry is the current mode) and the wait state through which
// event scripts suspend themselves until a condition holds. The entry
// function calls Init once, Update and Draw once per frame and Term at the end.
#ifndef MOONLITCAIRN_CGAME_H
#define MOONLITCAIRN_CGAME_H

#include <stdint.h>

#include <list>

#include "CBattle.h"
#include "CCampWindow.h"
#include "CChoiceMsgWindow.h"
#include "CCursor.h"
#include "CEffect.h"
#include "CEncountManager.h"
#include "CManipulator.h"
#include "CMsgWindow.h"
#include "CMapManager.h"
#include "CPlayerParty.h"
#include "CScriptManager.h"
#include "CSoundManager.h"
#include "CStoreWindow.h"
#include "CYesNoMsgWindow.h"
#include "Treasure.h"

enum GameMode : int32_t {
  MODE_FIELD = 1,   // walking on the map
  MODE_EVENT = 2,   // an event script runs
  MODE_CAMP = 3,
  MODE_BATTLE = 4,
};

enum WaitState : int32_t {
  WAIT_NONE = 0,
  WAIT_MESSAGE = 1,
  WAIT_EFFECT = 2,
  WAIT_CHANGE_MAP = 3,
  WAIT_MOVE_PLAYER = 4,
  WAIT_MOVE_OBJECT = 5,
  WAIT_FRAME = 6,
  WAIT_STORE = 7,
  WAIT_BATTLE = 8,
  WAIT_YESNO = 10,
  WAIT_CHOICE = 11,
};

constexpr int kGameFlagCount = 1024;

class CGame {
 public:
  // Built on first use, which must come after the library has started, and
  // destroyed at process exit.
  static CGame* GetInstance();

  CGame();
  virtual ~CGame();
  CGame(const CGame&) = delete;
  CGame& operator=(const CGame&) = delete;

  // 1 when both the character sheets and the map chips loaded.
  int Init();
  // Releases what the game holds in the library, before the library ends.
  void Term();

  // Leaves MODE_FIELD as the only mode.
  void SetMode();
  void PushMode(int mode);
  // The removed mode; on an empty stack nothing is removed and 0 returned.
  int PopMode();
  // The last mode on the stack, 0 when it is empty.
  int GetMode() const;

  void Update();
  void UpdateField();
  void Draw();

  void NewGame();
  // The member drawn as the player on the field: the first occupied slot.
  CPlayerChar* GetPlayer() const;
  void InitDebugPlayer(CPlayerChar* member);

  // The map and its script, whose InitProc runs at once.
  void LoadMapWithScript(int mapId);
  // The player, without a step under way, on the cell of the new map.
  void ChangeMap(int mapId, int x, int y, int direction);
  // The object faces the player: the direction opposite to the player's.
  void TurnToPlayer(CMapObject* object);

  // The mosaic into a battle against the party (0: a random one).
  void StartEncount(int enemyPartyId);
  // Suspends the script for frames updates (0 or less: until the next one).
  void WaitFrames(int frames);
  // The battle against the pending enemy party (0: one of parties 1 to 18
  // at random), in its own mode.
  void StartBattle();
  // Back from the battle: the map's music goes on where it stopped and a
  // script waiting for the battle is resumed.
  void EndBattle();

  std::list<int32_t> modes;
  int32_t waitState = WAIT_NONE;
  int32_t pendingEnemyParty = 0;
  int64_t startTime = 0;
  int64_t savedPlayTime = 0;
  int64_t playTime = 0;
  CMapManager map;
  // The current map's event script; the map starts object events through it.
  CScriptManager script;
  CEncountManager encount;
  CManipulator keyboard;
  CSoundManager sound;
  CPlayerParty party;
  int32_t runFlag = 0;  // Z held on the field: the map scrolls twice as fast
  CEffect effect;
  uint8_t gameFlags[kGameFlagCount] = {};
  TreasureFlags treasureFlags;
  CCursor cursor;  // the one hand cursor of every menu
  // Built after the cursor, whose address its menus keep.
  CBattle battle{&cursor};
  // The shop that scripts open; while a script waits for it, it is drawn
  // alone.
  CStoreWindow store{&cursor};
  CCampWindow camp{&cursor, this};
  // The script message windows; the question windows take this game's cursor
  // because the game cannot be reached while it is being built.
  CMsgWindow msgWindow;
  CYesNoMsgWindow yesNoWindow{&cursor};
  CChoiceMsgWindow choiceWindow{&cursor};
  int32_t changeMapId = 0;
  int32_t changeMapX = 0;
  int32_t changeMapY = 0;
  int32_t changeMapDirection = 0;
  int32_t moveDirection = 0;
  int32_t moveSpeed = 0;
  CMapObject* movedObject = nullptr;  // the object a script moves; not owned
  int32_t waitFrames = 0;

 private:
  // False when the frame ends with the mode's work (the camp was opened).
  bool UpdateMode();
  // One frame of the map while the field or a waiting script runs.
  void AdvanceMap(int scrollMode);
  void ServeWaitStates();
  // Places a script message window at (20, 5), 280 x 72, with the skin,
  // hidden with a delay of 10 frames.
  static void PlaceScriptWindow(CFrameWindow* window);
  // All three script message windows shown or about to be.
  bool AllScriptWindowsShown() const;
};

#endif
