#include "CGame.h"

#include <stdio.h>
#include <time.h>

#include "CDataManager.h"
#include "CUseItem.h"
#include "GameColors.h"
#include "GameSettings.h"
#include "Ombrel.h"

namespace {

// The script message windows show and hide this many frames after a script
// asks.
constexpr int kScriptWindowDelay = 10;
constexpr int kStartingItems[] = {2001, 3001, 2001, 3001, 1, 2002, 2002, 2003, 3001, 3002};
// The first two members start with a weapon in the right hand and a shield.
constexpr int kStartingWeapon = 2001;
constexpr int kStartingShield = 3001;
constexpr int kWeaponSlot = 0;
constexpr int kShieldSlot = 3;
// Members 1 to 4 start as these jobs.
constexpr int kStartingJobs[kPartyMemberSlots] = {JOB_NONE, JOB_BLACK_MAGE, JOB_WARRIOR,
                                                  JOB_WHITE_MAGE};

int64_t CalendarSeconds() { return static_cast<int64_t>(time(nullptr)); }

// Equips the inventory's first stack of the item; without one the slot is
// emptied and its old item goes back to the inventory.
void EquipFromInventory(CPlayerParty& party, CPlayerChar* member, int slot, int itemId) {
  for (int i = 0; i < kInventorySlots; ++i) {
    const ItemStack* stack = party.GetItem(i);
    if (stack != nullptr && stack->item.id == itemId) {
      member->Equip(slot, &stack->item);
      return;
    }
  }
  member->Equip(slot, nullptr);
}

}  // namespace

CGame* CGame::GetInstance() {
  static CGame game;
  return &game;
}

CGame::CGame() {
  cursor.visible = 1;
  effect.screen = CreateEmptyGraph(kEffectScreenWidth, kEffectScreenHeight, 0);
  encount.SetMap(&map.data);
  map.eventRunner = &script;
}

CGame::~CGame() = default;

int CGame::Init() {
  startTime = CalendarSeconds();
  CDataManager& data = CDataManager::GetInstance();
  const int charsLoaded = data.LoadCharGraph();
  const int chipsLoaded = data.LoadMapChips(&map.chipSets);
  party.Init();
  CUseItem* itemUse = CUseItem::GetInstance();
  itemUse->battle = &battle;
  itemUse->game = this;
  itemUse->party = &party;
  cursor.Load();
  cursor.visible = 0;
  PlaceScriptWindow(&msgWindow);
  yesNoWindow.Init();
  yesNoWindow.pending = 0;
  yesNoWindow.delay = kScriptWindowDelay;
  PlaceScriptWindow(&choiceWindow);
  store.Init(&party);
  store.visible = 0;
  for (CFrameWindow* window : store.windows) window->SetVisible(0);
  camp.Init(&party);
  camp.Hide();
  encount.SetMap(&map.data);
  NewGame();
  return charsLoaded && chipsLoaded ? 1 : 0;
}

void CGame::Term() {
  sound.ReleaseAll();
  cursor.Release();
  msgWindow.Release();
  yesNoWindow.Release();
  choiceWindow.Release();
  store.Release();
  camp.Release();
  CDataManager& data = CDataManager::GetInstance();
  for (int32_t& sheet : data.charSheets) {
    RemoveGraph(sheet, 0);
    sheet = -1;
  }
  data.charGraphLoaded = 0;
}

void CGame::SetMode() {
  modes.clear();
  PushMode(MODE_FIELD);
}

void CGame::PushMode(int mode) {
  modes.push_back(mode);
  printf("PushMode %d\n", mode);
}

int CGame::PopMode() {
  if (modes.empty()) return 0;
  const int removed = modes.back();
  modes.pop_back();
  printf("PopMode %d → %d\n", removed, GetMode());
  return removed;
}

int CGame::GetMode() const { return modes.empty() ? 0 : modes.back(); }

void CGame::NewGame() {
  SetMode();
  LoadMapWithScript(ReadDebugSetting("Init", "MapID", 2));
  map.playerX = ReadDebugSetting("Init", "MapPosX", 7);
  map.playerY = ReadDebugSetting("Init", "MapPosY", 7);
  int count = ReadDebugSetting("Init", "PlayerCount", 4);
  // A party of none would leave the field without a player.
  if (count < 1) count = 1;
  if (count > kPartyMemberSlots) count = kPartyMemberSlots;
  for (int n = 1; n <= count; ++n) party.AddMember(n, n);
  for (int itemId : kStartingItems) party.AddItem(1, itemId);
  const int64_t money =
      static_cast<int64_t>(party.money) + ReadDebugSetting("Init", "Gill", 2000);
  party.money = static_cast<int32_t>(money > kMaxMoney ? kMaxMoney : money);
  for (int i = 0; i < 2; ++i) {
    CPlayerChar* member = party.GetMember(i);
    if (member == nullptr) continue;
    EquipFromInventory(party, member, kWeaponSlot, kStartingWeapon);
    EquipFromInventory(party, member, kShieldSlot, kStartingShield);
    if (i == 0) member->direction = DIR_DOWN;
    member->CalcParam();
  }
  for (int i = 0; i < kPartyMemberSlots; ++i) {
    CPlayerChar* member = party.GetMember(i);
    if (member == nullptr) continue;
    member->job = kStartingJobs[i];
    InitDebugPlayer(member);
  }
  party.SortItems();
}

CPlayerChar* CGame::GetPlayer() const {
  for (int i = 0; i < kPartyMemberSlots; ++i) {
    CPlayerChar* member = party.GetMember(i);
    if (member != nullptr) return member;
  }
  return nullptr;
}

void CGame::InitDebugPlayer(CPlayerChar* member) {
  char key[64];
  snprintf(key, sizeof key, "Player%d_Exp", member->characterNumber);
  member->AddExp(ReadDebugSetting("Init", key, 0));
  member->hp = member->params.maxHp;
  member->mp = member->params.maxMp;
  switch (ReadDebugSetting("Init", "PlayerHP", 0)) {
    case 1:
      member->Damage(member->params.maxHp / 2);
      break;
    case 2:
      member->hp = 0;
      break;
    default:
      break;
  }
  switch (ReadDebugSetting("Init", "PlayerMP", 0)) {
    case 1:
      member->DamageMP(member->params.maxMp / 2);
      break;
    case 2:
      member->mp = 0;
      break;
    default:
      break;
  }
}

void CGame::LoadMapWithScript(int mapId) {
  movedObject = nullptr;  // the objects go with the old map
  map.LoadMap(mapId);
  script.Load(mapId, &map.event);
}

void CGame::ChangeMap(int mapId, int x, int y, int direction) {
  if (CPlayerChar* player = GetPlayer()) {
    player->offsetX = 0;
    player->offsetY = 0;
    player->x = kPlayerScreenX;
    player->y = kPlayerScreenY;
    player->direction = direction;
  }
  LoadMapWithScript(mapId);
  map.playerX = x;
  map.playerY = y;
}

void CGame::TurnToPlayer(CMapObject* object) {
  const CPlayerChar* player = GetPlayer();
  const int facing = player != nullptr ? player->direction : -1;
  switch (facing) {
    case DIR_DOWN:
      object->direction = DIR_UP;
      break;
    case DIR_LEFT:
      object->direction = DIR_RIGHT;
      break;
    case DIR_UP:
      object->direction = DIR_DOWN;
      break;
    case DIR_RIGHT:
      object->direction = DIR_LEFT;
      break;
    default:
      object->direction = DIR_DOWN;
      break;
  }
}

void CGame::StartEncount(int enemyPartyId) {
  effect.StartMosaic();
  pendingEnemyParty = enemyPartyId;
  waitState = WAIT_BATTLE;
}

void CGame::StartBattle() {
  battle.Release();
  constexpr int kEnemyPartyCount = 18;
  const int partyId = pendingEnemyParty != 0 ? pendingEnemyParty
                                             : GetRandomInt(1000) % kEnemyPartyCount + 1;
  battle.Start(BattleParam{1, &party, partyId});
  battle.visible = 1;
  for (CFrameWindow* window : battle.windows) window->SetVisible(1);
  // The battle opens with the enemy list and the party window only.
  battle.cmdWindow.SetVisible(0);
  battle.subWindow.SetVisible(0);
  battle.infoWindow.SetVisible(0);
  PushMode(MODE_BATTLE);
}

void CGame::EndBattle() {
  sound.StopBGM();
  sound.PlayBGM(script.GetBGMID(), 0);
  PopMode();
  if (GetMode() == MODE_EVENT) script.ExecNext();
}

void CGame::WaitFrames(int frames) {
  waitFrames = frames > 0 ? frames : 0;
  waitState = WAIT_FRAME;
}

void CGame::Update() {
  playTime = CalendarSeconds() - startTime + savedPlayTime;
  if (waitState == WAIT_FRAME) {
    // While a script waits out frames the effect, the keys and the modes
    // stand still.
    if (waitFrames > 0) {
      --waitFrames;
      AdvanceMap(runFlag != 0);
      return;
    }
    waitState = WAIT_NONE;
    script.ExecNext();
  }
  effect.CountDown();
  // While the window is in the background the keys keep their last state.
  if (IsAppActive()) keyboard.Update();
  if (!UpdateMode()) return;
  ServeWaitStates();
  cursor.Update();
}

bool CGame::UpdateMode() {
  switch (GetMode()) {
    case MODE_FIELD:
      if (keyboard.IsTriggered(KEY_A)) StartEncount(0);
      msgWindow.Control(keyboard);
      yesNoWindow.Control(keyboard);
      choiceWindow.Control(keyboard);
      if (!AllScriptWindowsShown()) UpdateField();
      // The camp opens only while the player stands on a cell and no script
      // waits.
      if (waitState == WAIT_NONE && !map.IsScrolling() && keyboard.IsTriggered(KEY_S)) {
        camp.Open();
        PushMode(MODE_CAMP);
        return false;
      }
      break;
    case MODE_EVENT:
      if (msgWindow.IsShown()) msgWindow.Control(keyboard);
      if (yesNoWindow.IsShown()) yesNoWindow.Control(keyboard);
      if (choiceWindow.IsShown()) choiceWindow.Control(keyboard);
      if (store.visible) store.Update(keyboard);
      break;
    case MODE_CAMP:
      camp.Update(keyboard);
      break;
    case MODE_BATTLE:
      battle.Update(keyboard);
      break;
    default:
      break;
  }
  return true;
}

void CGame::UpdateField() {
  runFlag = keyboard.keyStates[KEY_Z];
  if (CPlayerChar* player = GetPlayer()) player->UpdateField(&map, keyboard);
  if (!map.IsScrolling()) {
    const int party = encount.Check(map.playerX, map.playerY);
    if (party != -1) {
      // An encounter takes the place of this frame's step.
      StartEncount(party);
      return;
    }
    if (keyboard.IsHeld(KEY_UP)) {
      map.MovePlayer(0, -1);
    } else if (keyboard.IsHeld(KEY_DOWN)) {
      map.MovePlayer(0, 1);
    } else if (keyboard.IsHeld(KEY_LEFT)) {
      map.MovePlayer(-1, 0);
    } else if (keyboard.IsHeld(KEY_RIGHT)) {
      map.MovePlayer(1, 0);
    }
  }
  AdvanceMap(runFlag != 0);
}

void CGame::AdvanceMap(int scrollMode) {
  ++map.animationCounter;
  map.UpdateScroll(scrollMode);
  map.UpdateObjects();
}

// Each test sees the wait state of its moment, so a state set by one may be
// served by a later one in the same frame.
void CGame::ServeWaitStates() {
  // The battle starts when its mosaic has run out; its end resumes a script.
  if (waitState == WAIT_BATTLE && !effect.IsRunning()) {
    waitState = WAIT_NONE;
    StartBattle();
  }
  if (waitState == WAIT_EFFECT && !effect.IsRunning()) {
    waitState = WAIT_NONE;
    script.ExecNext();
  }
  // A message is answered on every frame with X or Z pressed until the
  // script shows the next text or closes the window.
  if (waitState == WAIT_MESSAGE && msgWindow.keyFlag != 0 && msgWindow.IsShown()) {
    script.ExecNext();
  }
  // A question's wait ends when the player's answer has closed its window.
  if (waitState == WAIT_YESNO && !yesNoWindow.visible) {
    waitState = WAIT_NONE;
    script.ExecNext();
  }
  if (waitState == WAIT_CHOICE && !choiceWindow.visible) {
    waitState = WAIT_NONE;
    script.ExecNext();
  }
  // The map changes once the event that asked for it has ended by itself.
  if (waitState == WAIT_CHANGE_MAP && !script.IsRunning()) {
    waitState = WAIT_NONE;
    ChangeMap(changeMapId, changeMapX, changeMapY, changeMapDirection);
  }
  if (waitState == WAIT_MOVE_PLAYER) {
    CPlayerChar* player = GetPlayer();
    if (player != nullptr) player->UpdateWalkFrame(map);
    if (!map.IsScrolling()) {
      if (player != nullptr) player->direction = moveDirection;
      static constexpr int kStep[4][2] = {{0, 1}, {-1, 0}, {0, -1}, {1, 0}};
      if (moveDirection >= 0 && moveDirection <= 3) {
        map.MovePlayer(kStep[moveDirection][0], kStep[moveDirection][1]);
      }
      waitState = WAIT_NONE;
      script.ExecNext();
    }
    AdvanceMap(moveSpeed);
  }
  if (waitState == WAIT_MOVE_OBJECT) {
    if (movedObject != nullptr && !movedObject->IsMoving() && movedObject->offsetX == 0 &&
        movedObject->offsetY == 0) {
      waitState = WAIT_NONE;
      script.ExecNext();
    }
    AdvanceMap(runFlag != 0);
  }
  // The player has left the shop.
  if (waitState == WAIT_STORE && !store.visible) {
    waitState = WAIT_NONE;
    script.ExecNext();
  }
}

void CGame::PlaceScriptWindow(CFrameWindow* window) {
  window->x = 20;
  window->y = 5;
  window->width = 280;
  window->height = 72;
  window->CopyWindowSkin();
  window->pending = 0;
  window->delay = kScriptWindowDelay;
}

bool CGame::AllScriptWindowsShown() const {
  return msgWindow.IsShown() && yesNoWindow.IsShown() && choiceWindow.IsShown();
}

void CGame::Draw() {
  // The camp, the battle and the shop each draw only themselves.
  if (GetMode() == MODE_CAMP) {
    camp.Draw();
    return;
  }
  if (GetMode() == MODE_BATTLE) {
    battle.Draw();
    return;
  }
  if (waitState == WAIT_STORE) {
    store.Draw();
    return;
  }
  map.DrawLayer(MAP_LAYER_TILE0);
  map.DrawLayer(MAP_LAYER_TILE1);
  map.event.Draw(map.playerY - 7, GetPlayer(), map.playerX - 10, map.scrollX, map.scrollY);
  map.DrawLayer(MAP_LAYER_TILE2);
  msgWindow.Draw();
  yesNoWindow.Draw();
  choiceWindow.Draw();
  cursor.Draw();
  effect.Draw();
  DrawStringFormatted(0, 15, COLOR_WHITE, "[%d:%d]", map.playerX, map.playerY);
}
