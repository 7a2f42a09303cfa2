#include "graphics/presentation.h"
#include "system/log.h"
#include "system/system_state.h"

namespace {
constexpr int kLogOverlayLineHeight = 16;
}  // namespace

int InitLogOverlay() {
  SystemState& state = GetSystemState();
  if (!GetDirectDrawObject() || !state.run.mainWindow) return -1;
  LogOverlayState& overlay = state.logOverlay;
  if (overlay.setUp) return 0;
  overlay = LogOverlayState{};
  overlay.setUp = 1;
  overlay.lineHeight = kLogOverlayLineHeight;
  // The font-deleted flag makes the first drawing create the font.
  overlay.font = -1;
  overlay.fontDeleted = 1;
  return 0;
}

void EndLogOverlay() {
  LogOverlayState& overlay = GetSystemState().logOverlay;
  if (!overlay.setUp) return;
  // The font is made by the first drawing; until fonts exist none was.
  overlay.fontDeleted = 1;
  overlay.font = -1;
  overlay.setUp = 0;
}
