// A party member: name, level, job, experience, hit and magic points, the base
// values of its level, the values derived from them and its equipment, and its
// battle commands.
#ifndef MOONLITCAIRN_CPLAYERCHAR_H
#define MOONLITCAIRN_CPLAYERCHAR_H

#include <stdint.h>

#include "BattleAction.h"
#include "CCharacterObject.h"
#include "CMemberSprite.h"
#include "CPlayerBattle.h"
#include "GameData.h"

class CManipulator;
class CMapManager;
class CPlayerParty;

constexpr int kMaxLevel = 99;
constexpr int kMaxExp = 9999999;
constexpr int kMemberNameSize = 33;  // 32 bytes of text and a NUL
constexpr int kMemberCommandCount = 4;

enum Job : int32_t {
  JOB_NONE = 0,         // "すっぴん"
  JOB_WARRIOR = 1,      // "せんし"
  JOB_BLACK_MAGE = 2,   // "くろまどうし"
  JOB_WHITE_MAGE = 3,   // "しろまどうし"
};

// The fourteen derived values of a member: the eight base values with their
// equipment bonuses, then the battle values.
struct CharParams : LevelParams {
  int32_t attack;
  int32_t defence;
  int32_t magicDefence;
  int32_t evasion;
  int32_t magicEvasion;
  int32_t equipWeight;
};

// On the field the leader is drawn as the player: its character sprite
// stands at the screen centre while the map scrolls under it.
class CPlayerChar : public CCharacterObject {
 public:
  CPlayerChar();
  ~CPlayerChar() override;

  CPlayerParty* party = nullptr;
  int32_t characterNumber = 0;  // selects the level table and the name
  int32_t pictureNumber = 0;
  char name[kMemberNameSize] = {};
  int32_t level = 0;
  int32_t jobLevel = 0;
  int32_t job = JOB_NONE;
  int32_t backRow = 0;
  int32_t exp = 0;
  int32_t hp = 0;
  int32_t mp = 0;
  int32_t atbGauge = 0;  // 0 to 100
  LevelParams base{};
  CharParams params{};
  int32_t defending = 0;
  int32_t status = 0;
  ItemData equipment[kEquipSlotCount] = {};
  int32_t commands[kMemberCommandCount] = {};

  // The member's own battle sprite; a test may put another in its place
  // (not owned then).
  CPlayerBattle battle;
  void SetSprite(CMemberSprite* sprite) { m_sprite = sprite; }
  CMemberSprite* GetSprite() const { return m_sprite; }

  // Fills a new member of the party: level 1 from its level table, its name,
  // full HP and MP, the commands fight and item, its field sprite at the
  // screen centre facing up and its battle sprite. Returns non-zero when both
  // sprites loaded.
  int Init(CPlayerParty* owner, int characterNo, int pictureNo);
  // Frees the field and battle pictures.
  void Release() override;

  // The leader's field frame: while the map stands still it faces the first
  // held arrow and, when X triggers, talks to what is in front; then it
  // takes the player's cell and the step frame of the scroll.
  void UpdateField(CMapManager* map, const CManipulator& keyboard);
  // The cell and step frame only, while a script moves the player.
  void UpdateWalkFrame(const CMapManager& map);

  void CalcParam();
  // The derived values with candidate in slot (null: the slot empty); the
  // member is not changed.
  void CalcParamWith(CharParams* out, const ItemData* candidate, int slot) const;

  // Copies item into the slot and takes one from the inventory; null empties
  // the slot like Unequip. The slot's old item is overwritten, so callers
  // empty it first. Neither recomputes the derived values.
  int Equip(int slot, const ItemData* item);
  // Returns the slot's item to the inventory and empties the slot: 1, or 0
  // with the item kept on when the inventory cannot take it.
  int Unequip(int slot);

  // Lowers HP (a negative value heals, never a fallen member).
  void Damage(int value);
  void DamageMP(int value);
  // 1 when at least one level was gained.
  int AddExp(int gained);

 private:
  void CalcParamInto(CharParams* out, const ItemData* const slots[kEquipSlotCount],
                     int candidateSlot) const;
  bool LevelUpOnce();

  CMemberSprite* m_sprite = &battle;
};

// The name of a character number: 1 "ディノ", 2 "マリア", 3 "ミリア", 4 "ジャックス",
// any other an empty text.
const char* GetCharacterName(int characterNo);

// The text of a job: "すっぴん", "せんし", "くろまどうし", "しろまどうし" for jobs 0
// to 3, "ふめい" for any other value.
const char* JobName(int job);

// The step frame of a walking character: 1, 0, 0, 1 across one cell and 1, 2,
// 2, 1 across the next, from the scroll offset that is not 0.
int WalkFrame(int scrollX, int scrollY, int cellX, int cellY);

#endif
