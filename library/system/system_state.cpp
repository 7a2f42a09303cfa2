#include "system/system_state.h"

#include "system/charset.h"

namespace {
// Zero at process start; constant-initialised, so usable from any static
// constructor.
SystemState systemState;
}  // namespace

SystemState& GetSystemState() { return systemState; }

ApiGuard& GetApiGuard() { return systemState.guard; }

void ClearSystemStateForStartup() {
  systemState.run = SystemRuntime{};
  systemState.logOverlay = LogOverlayState{};
}

int GetCharsetCode() { return systemState.settings.charsetCode; }

int GetCodePage() { return systemState.settings.codePage; }

void SetCharsetCode(int charsetCode, int codePage) {
  systemState.settings.charsetCode = charsetCode;
  systemState.settings.codePage = codePage;
}
