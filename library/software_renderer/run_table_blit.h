// The plain blit's second path: a source drawn whole with transparency walks
// its TransRunTable, skipping transparent runs in one step and drawing opaque
// and translucent runs without testing each pixel.
#ifndef OMBREL_SOFTWARE_RENDERER_RUN_TABLE_BLIT_H
#define OMBREL_SOFTWARE_RENDERER_RUN_TABLE_BLIT_H

#include "software_renderer/blend_rules.h"

// The member for the settings; it reads the codes from rows.runTable up to
// rows.runTableEnd. modeIndex indexes blend::kDrawnModes.
blend::BlitMember SelectRunTableMember(bool is32, bool palettised, int modeIndex, bool graph,
                                       bool bright, bool alpha);

#endif
