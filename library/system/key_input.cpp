#include "system/key_input.h"

#include <limits.h>

#include "system/charset.h"
#include "system/handle_table.h"
#include "system/input_devices.h"
#include "system/string_helpers.h"
#include "system/tracked_memory.h"

namespace {

KeyInputState keyInput = {{}, -1, {}, 1, 0, kCursorBlinkMilliseconds, {}, {}, 0};

int NextPosition(int position) { return position == kInputCharRingSize - 1 ? 0 : position + 1; }

bool RingEmpty(const InputCharRing& ring) { return ring.readPosition == ring.writePosition; }

int RingFreeBytes(const InputCharRing& ring) {
  const int stored = (ring.writePosition - ring.readPosition + kInputCharRingSize) %
                     kInputCharRingSize;
  return kInputCharRingSize - 1 - stored;
}

void SetKeyInputColors(KeyInputState& state) {
  const ColorCode white = ComposeColorCode(255, 255, 255);
  const ColorCode yellow = ComposeColorCode(255, 255, 0);
  const ColorCode black = ComposeColorCode(0, 0, 0);
  const ColorCode colors[kKeyInputColorCount] = {
      white, yellow, white, ComposeColorCode(0, 255, 255), white, ComposeColorCode(255, 0, 0),
      ComposeColorCode(255, 255, 20), black, black, black, yellow, black, white, black,
      ComposeColorCode(128, 128, 128)};
  for (int i = 0; i < kKeyInputColorCount; ++i) state.colors[i] = colors[i];
}

int ShiftHeld(void*) {
  return IsKeyDown(kLeftShiftScanCode) || IsKeyDown(kRightShiftScanCode) ? 1 : 0;
}

void CopyToClipboard(void*, const char* bytes, int length) {
  auto* block = static_cast<char*>(TRACKED_ALLOC(static_cast<size_t>(length) + 1));
  if (!block) return;
  CopyBytes(block, bytes, static_cast<size_t>(length));
  block[length] = '\0';
  WriteClipboardText(block);
  FreeTrackedMemory(block);
}

void PasteFromClipboard(void*) {
  const int size = ReadClipboardText(nullptr, 0);
  if (size <= 1) return;
  auto* text = static_cast<char*>(TRACKED_ALLOC(static_cast<size_t>(size)));
  if (!text) return;
  if (ReadClipboardText(text, size) == 0) PushInputText(text, static_cast<int>(StringLength(text)));
  FreeTrackedMemory(text);
}

}  // namespace

KeyInputState& GetKeyInputState() { return keyInput; }

int InitKeyInput() {
  AppendLog("文字コードバッファの初期化を行います... ");
  keyInput = KeyInputState{};
  SetKeyInputColors(keyInput);
  keyInput.activeHandle = -1;
  keyInput.blinkStart = 0;
  keyInput.blinkPeriod = kCursorBlinkMilliseconds;
  keyInput.cursorVisible = 1;
  AppendLog("完了しました\n");
  return 0;
}

int EndKeyInput() {
  for (int slot = 0; slot < kKeyInputLimit; ++slot) {
    const KeyInputRecord& record = keyInput.records[slot];
    if (record.used) DeleteKeyInput(MakeHandle(slot, record.check, kHandleKindKeyInput));
  }
  // A candidate list may arrive while no key input uses the IME.
  FreeImeCandidateList();
  keyInput.activeHandle = -1;
  return 0;
}

int HasInputCharRoom() { return RingFreeBytes(keyInput.ring) > 0 ? 1 : 0; }

int PushInputChar(int code) {
  if (!HasInputCharRoom()) return -1;
  InputCharRing& ring = keyInput.ring;
  ring.bytes[ring.writePosition] = static_cast<unsigned char>(code & 0xFF);
  ring.writePosition = NextPosition(ring.writePosition);
  return 0;
}

int PushInputText(const char* text, int length) {
  const int fit = FitWholeChars(text, length, RingFreeBytes(keyInput.ring), GetCharsetCode());
  for (int i = 0; i < fit; ++i) PushInputChar(static_cast<unsigned char>(text[i]));
  return fit;
}

int TakeInputChar(char* out, int consume) {
  out[0] = 0;
  out[1] = 0;
  InputCharRing& ring = keyInput.ring;
  if (RingEmpty(ring)) return 0;
  const int start = ring.readPosition;
  const char lead = static_cast<char>(ring.bytes[start]);
  int next = NextPosition(start);
  int count = 1;
  if (!IsKeyInputControlCode(static_cast<unsigned char>(lead)) &&
      IsDbcsLeadByte(&lead, GetCharsetCode())) {
    // A lead byte waits in the ring until its trail byte has arrived.
    if (next == ring.writePosition) return 0;
    out[1] = static_cast<char>(ring.bytes[next]);
    next = NextPosition(next);
    count = 2;
  }
  out[0] = lead;
  if (consume) ring.readPosition = next;
  return count;
}

int RestartKeyInputCursorBlink() {
  keyInput.cursorVisible = 1;
  keyInput.blinkStart = GetTickMilliseconds();
  return 0;
}

KeyInputRecord* FindKeyInput(int handle) {
  if (handle < 0 || HandleKindOf(handle) != kHandleKindKeyInput) return nullptr;
  const int slot = HandleSlot(handle);
  if (slot >= kKeyInputLimit) return nullptr;
  KeyInputRecord& record = keyInput.records[slot];
  if (!record.used || record.check != HandleCheck(handle)) return nullptr;
  return &record;
}

int MakeKeyInput(int maxLength, int cancelAllowed, int singleByteOnly, int numbersOnly) {
  if (maxLength < 1 || maxLength == INT_MAX) return -1;
  int slot = 0;
  while (slot < kKeyInputLimit && keyInput.records[slot].used) ++slot;
  if (slot == kKeyInputLimit) return -1;
  auto* text = static_cast<char*>(TRACKED_ALLOC_ZEROED(static_cast<size_t>(maxLength) + 1));
  if (!text) return AppendLog("キー入力の文字列を保存するメモリの確保に失敗しました\n");
  KeyInputRecord& record = keyInput.records[slot];
  record = KeyInputRecord{};
  record.used = 1;
  record.check = keyInput.nextCheck;
  keyInput.nextCheck = (keyInput.nextCheck + 1) % kHandleCheckCount;
  record.maxLength = maxLength;
  record.selectionStart = -1;
  record.selectionEnd = -1;
  record.text = text;
  record.cancelAllowed = cancelAllowed ? 1 : 0;
  record.singleByteOnly = singleByteOnly ? 1 : 0;
  record.numbersOnly = numbersOnly ? 1 : 0;
  SetImeUse(1);
  return MakeHandle(slot, record.check, kHandleKindKeyInput);
}

int DeleteKeyInput(int handle) {
  KeyInputRecord* record = FindKeyInput(handle);
  if (!record) return -1;
  FreeTrackedMemory(record->text);
  *record = KeyInputRecord{};
  if (keyInput.activeHandle == handle) keyInput.activeHandle = -1;
  for (const KeyInputRecord& other : keyInput.records) {
    if (other.used) return 0;
  }
  SetImeUse(0);
  return 0;
}

int SetActiveKeyInput(int handle) {
  if (handle != -1 && !FindKeyInput(handle)) return -1;
  keyInput.activeHandle = handle;
  return 0;
}

int CheckKeyInputEnded(int handle) {
  const KeyInputRecord* record = FindKeyInput(handle);
  if (!record) return -1;
  if (!record->ended) return 0;
  return record->cancelled ? 2 : 1;
}

int GetKeyInputText(int handle, char* buffer, int bufferSize) {
  const KeyInputRecord* record = FindKeyInput(handle);
  if (!record || !buffer || bufferSize < 1) return -1;
  const int fit = FitWholeChars(record->text, record->length, bufferSize - 1, GetCharsetCode());
  CopyBytes(buffer, record->text, static_cast<size_t>(fit));
  buffer[fit] = '\0';
  return 0;
}

int ProcessKeyInput() {
  if (keyInput.ime.reopenStage != 0) RunImeReopenSequence();
  if (keyInput.activeHandle == -1) return 0;
  KeyInputRecord* record = FindKeyInput(keyInput.activeHandle);
  if (!record) return -1;
  if (record->ended) return 0;
  LimitImeComposition(record->length, record->maxLength);
  const KeyInputEditEnv env = {GetCharsetCode(), nullptr, ShiftHeld, CopyToClipboard,
                               PasteFromClipboard};
  while (!record->ended) {
    char character[2];
    const int count = TakeInputChar(character, 1);
    if (count == 0) return 0;
    RestartKeyInputCursorBlink();
    EditKeyInput(record, character, count, env);
  }
  return 0;
}
