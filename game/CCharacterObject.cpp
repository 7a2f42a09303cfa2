#include "CCharacterObject.h"

#include "CDataManager.h"
#include "Ombrel.h"

CCharacterObject::CCharacterObject() {
  for (int32_t& frame : frames) frame = -1;
}

CCharacterObject::~CCharacterObject() = default;

int CCharacterObject::SetCharacter(int newEventId, int newPictureId) {
  eventId = newEventId;
  pictureId = newPictureId;
  direction = DIR_DOWN;
  stepFrame = 1;
  Release();
  if (newPictureId == 0) {
    visible = 0;
    return 1;
  }
  visible = 1;
  int sheet = 0;
  int row = 0;
  // Only the two sheets' 24 rows exist; another id must not cut outside them.
  if (!CDataManager::GetCharSheetRow(newPictureId, &sheet, &row)) return 1;
  const int32_t graph = CDataManager::GetInstance().charSheets[sheet];
  for (int i = 0; i < kCharacterFrames; ++i) {
    frames[i] = CreateDerivedGraph(kCharacterWidth * i, kCharacterHeight * row, kCharacterWidth,
                                   kCharacterHeight, graph);
  }
  return 1;
}

void CCharacterObject::Draw() {
  if (!visible) return;
  if (direction < 0 || direction > 3 || stepFrame < 0 || stepFrame > 3) return;
  const int32_t frame = frames[4 * direction + stepFrame];
  if (frame == -1) return;
  PutGraphWithShake(x + offsetX, y + offsetY, frame, 1);
}

void CCharacterObject::Release() {
  for (int32_t& frame : frames) {
    if (frame != -1) RemoveGraph(frame, 0);
    frame = -1;
  }
}
