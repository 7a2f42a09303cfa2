// The rules of using an item outside a battle: which items can be used at
// all, and what each does to a member. Each effect returns 1 when it took
// effect, so that the item is consumed, and 0 (changing nothing) when it
// would not help the member.
#ifndef MOONLITCAIRN_CUSEITEM_H
#define MOONLITCAIRN_CUSEITEM_H

class CBattle;
class CGame;
class CPlayerParty;

class CUseItem {
 public:
  // The one object, made on first use.
  static CUseItem* GetInstance();
  virtual ~CUseItem();

  // 1 for items 1, 2, 3 and 5; item 4 only on the field of map 1; never any
  // other id, weapons and armour included.
  int CanUse(int itemId) const;
  // Item 1: 45 to 55 HP, refused at full HP and for a fallen member (a
  // fallen member cannot be healed).
  int RecoverHP(int memberIndex);
  // Item 2: clears the status word, refused when it is already 0.
  int CurePoison(int memberIndex);
  // Item 3: 25 to 35 MP, refused at full MP.
  int RecoverMP(int memberIndex);
  // Item 5: a fallen member comes back with max HP / 10 + 1; refused for
  // the living.
  int Revive(int memberIndex);

  // Set by the game when it starts.
  CBattle* battle = nullptr;
  CGame* game = nullptr;
  CPlayerParty* party = nullptr;

 private:
  CUseItem();
};

#endif
