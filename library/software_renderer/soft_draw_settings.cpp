#include "software_renderer/soft_draw_settings.h"

namespace {
// Defaults of a fresh drawing state: no blending, bright off, an empty area
// until a draw target sets it.
SoftDrawSettings settings{{0, 0, 0, 0}, 0, 0, 0x00FFFFFF, 0};
}

SoftDrawSettings& GetSoftDrawSettings() { return settings; }
