#include "support/primitive_probe.h"

#include <cstring>

#include "software_renderer/soft_draw_settings.h"
#include "software_renderer/triangle_draw.h"

bool SoftwareTriangleDraws() {
  // A white triangle over a 4 x 4 black image under plain settings.
  const SoftDrawSettings saved = GetSoftDrawSettings();
  GetSoftDrawSettings() = SoftDrawSettings{{0, 0, 4, 4}, 0, 255, 0x00FFFFFF, 0};
  SOFTIMG image{};
  CreateSoftImg(&image, 4, 4, -1, 0, kSoftImgColor32, 0, 0, 0, nullptr);
  FillSoftImgRaw(&image, nullptr, 0);
  const TriangleVertex corners[3] = {{0, 0, 0, 0}, {4, 0, 0, 0}, {0, 4, 0, 0}};
  DrawTriangleOnSoftImg(&image, nullptr, corners, 0, nullptr, 0xFFFFFFFF);
  bool drawn = false;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      uint32_t v;
      std::memcpy(&v, image.pixels + y * image.body->pitch + x * 4, 4);
      drawn = drawn || v != 0;
    }
  }
  ReleaseSoftImg(&image);
  GetSoftDrawSettings() = saved;
  return drawn;
}
