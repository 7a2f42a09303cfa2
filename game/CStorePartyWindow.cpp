#include "CStorePartyWindow.h"

#include "CPlayerParty.h"
#include "ErrorMessage.h"

namespace {

constexpr int kEquipLeft = 5;
constexpr int kOtherLeft = 25;
constexpr int kRowTop = 10;
constexpr int kRowStep = 35;
constexpr int kStandingFrame = 1;
constexpr int kCheerFrame = 10;
// The blink shows each frame for this many frames.
constexpr int kBlinkHalf = 20;

}  // namespace

CStorePartyWindow::CStorePartyWindow() = default;

void CStorePartyWindow::Update() {
  CFrameWindow::Update();
  ++frameCounter;
  blinkFrame = frameCounter % (2 * kBlinkHalf) < kBlinkHalf ? kStandingFrame : kCheerFrame;
}

void CStorePartyWindow::SetTargetItem(const ItemData* item) {
  if (item == nullptr) return;
  if (item->IsEquipment()) {
    target = item;
  } else if (visible) {
    ShowErrorMessage("CStorePartyWindow::SetTargetItem 装備できないアイテムです");
  }
}

void CStorePartyWindow::Draw() {
  if (!visible) return;
  CFrameWindow::Draw();
  for (int i = 0; i < kPartyMemberSlots; ++i) {
    const CPlayerChar* member = party->GetMember(i);
    if (member == nullptr) continue;
    const bool canEquip = target != nullptr && CanJobEquip(target->equipGroup, member->job);
    const int frame = canEquip && blink ? blinkFrame : kStandingFrame;
    const int graph = member->battle.frames[frame];
    if (graph == -1) continue;
    PutGraphWithShake(x + (canEquip ? kEquipLeft : kOtherLeft), y + kRowTop + kRowStep * i, graph,
                      1);
  }
}
