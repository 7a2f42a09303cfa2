#include "CManipulator.h"

#include "Ombrel.h"

namespace {

bool IsKeyCode(int key) { return key >= 0 && key < kKeyCount; }

}  // namespace

CManipulator::CManipulator() = default;
CManipulator::~CManipulator() = default;

void CManipulator::Update() {
  char states[kKeyCount];
  GetAllKeyStates(states);
  Update(states);
}

void CManipulator::Update(const char* states) {
  for (int key = 0; key < kKeyCount; ++key) {
    keyStates[key] = static_cast<unsigned char>(states[key]);
    heldCounts[key] = keyStates[key] != 0 ? heldCounts[key] + 1 : 0;
  }
}

bool CManipulator::IsTriggered(int key) const {
  return IsKeyCode(key) && IsTriggeredCount(heldCounts[key]);
}

bool CManipulator::IsHeld(int key) const { return IsKeyCode(key) && keyStates[key] != 0; }
