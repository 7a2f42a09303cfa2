#include "graphics/font_system.h"
#include "graphics/presentation.h"
#include "system/log.h"
#include "system/system_state.h"

namespace {
constexpr int kLogOverlayLineHeight = 16;
constexpr int kLogOverlayFontThickness = 4;
}  // namespace

int InitLogOverlay() {
  SystemState& state = GetSystemState();
  if (!GetDirectDrawObject() || !state.run.mainWindow) return -1;
  LogOverlayState& overlay = state.logOverlay;
  if (overlay.setUp) return 0;
  overlay = LogOverlayState{};
  overlay.setUp = 1;
  overlay.lineHeight = kLogOverlayLineHeight;
  overlay.font = -1;
  overlay.fontDeleted = 1;
  CreateLogOverlayFont();
  return 0;
}

int CreateLogOverlayFont() {
  LogOverlayState& overlay = GetSystemState().logOverlay;
  if (!overlay.setUp && InitLogOverlay() != 0) return 0;
  if (!overlay.fontDeleted) return 0;
  // The font system sets the flag again when it deletes the font (a reset
  // or a screen-mode change), so the next drawing makes it anew.
  overlay.font = CreateFontToHandle(nullptr, overlay.lineHeight, kLogOverlayFontThickness,
                                    kFontEdge, -1, -1, 0, -1, -1);
  overlay.fontDeleted = 0;
  SetFontDeletedFlagPointer(overlay.font, &overlay.fontDeleted);
  return 0;
}

int DrawLogOverlay() {
  CreateLogOverlayFont();
  const LogOverlayState& overlay = GetSystemState().logOverlay;
  if (!overlay.setUp) return 0;
  int width = 0;
  int height = 0;
  QueryScreenState(&width, &height, nullptr);
  int lines = height / overlay.lineHeight;
  if (lines > kLogOverlayLineCount) lines = kLogOverlayLineCount;
  for (int i = 0; i < lines; ++i) {
    DrawStringWithFont(0, i * overlay.lineHeight, overlay.lines[i], ComposeColorCode(255, 255, 255),
                       overlay.font, ComposeColorCode(0, 0, 0), 0);
  }
  return 0;
}

void EndLogOverlay() {
  LogOverlayState& overlay = GetSystemState().logOverlay;
  if (!overlay.setUp) return;
  DeleteFontHandle(overlay.font);
  overlay.fontDeleted = 1;
  overlay.font = -1;
  overlay.setUp = 0;
}
