#include "system/key_input.h"

#include "system/charset.h"
#include "system/log.h"

namespace {

KeyInputState keyInput = {{}, -1, 0};

int NextPosition(int position) { return position == kInputCharRingSize - 1 ? 0 : position + 1; }

bool RingEmpty(const InputCharRing& ring) { return ring.readPosition == ring.writePosition; }

}  // namespace

KeyInputState& GetKeyInputState() { return keyInput; }

int InitKeyInput() {
  AppendLog("文字コードバッファの初期化を行います... ");
  keyInput = KeyInputState{};
  keyInput.activeHandle = -1;
  AppendLog("完了しました\n");
  return 0;
}

int EndKeyInput() {
  keyInput.activeHandle = -1;
  return 0;
}

int HasInputCharRoom() {
  const InputCharRing& ring = keyInput.ring;
  return NextPosition(ring.writePosition) != ring.readPosition ? 1 : 0;
}

int PushInputChar(int code) {
  if (!HasInputCharRoom()) return -1;
  InputCharRing& ring = keyInput.ring;
  ring.bytes[ring.writePosition] = static_cast<unsigned char>(code & 0xFF);
  ring.writePosition = NextPosition(ring.writePosition);
  return 0;
}

int IsKeyInputControlCode(int byte) {
  switch (byte) {
    case 0x10: case 0x15: case 0x17: case 0x19: case 0x1A:
    case 0x1C: case 0x1D: case 0x1E: case 0x1F:
      return 1;
    default:
      return 0;
  }
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

int ProcessKeyInput() {
  // Key-input handles come with the line editor; until one is active the
  // typed characters stay in the ring.
  return keyInput.activeHandle < 0 ? -1 : 0;
}

LRESULT HandleImeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}
