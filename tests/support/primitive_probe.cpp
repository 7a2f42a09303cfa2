#include "support/primitive_probe.h"

#include <cstring>

#include "software_renderer/draw_line.h"
#include "software_renderer/fill_rect.h"
#include "software_renderer/soft_draw_settings.h"
#include "software_renderer/stretched_blit.h"
#include "software_renderer/triangle_draw.h"

namespace {

// A 4 x 4 black image under plain drawing settings; each probe draws white
// over it and looks whether anything changed.
class Probe {
 public:
  Probe() : saved_(GetSoftDrawSettings()) {
    GetSoftDrawSettings() = SoftDrawSettings{{0, 0, 4, 4}, 0, 255, 0x00FFFFFF, 0};
    CreateSoftImg(&image_, 4, 4, -1, 0, kSoftImgColor32, 0, 0, 0, nullptr);
    CreateSoftImg(&source_, 1, 1, -1, 0, kSoftImgColor32, 0, 0, 0, nullptr);
    FillSoftImgRaw(&source_, nullptr, 0xFFFFFFFF);
  }
  ~Probe() {
    ReleaseSoftImg(&image_);
    ReleaseSoftImg(&source_);
    GetSoftDrawSettings() = saved_;
  }
  template <class Draw>
  bool Draws(Draw draw) {
    FillSoftImgRaw(&image_, nullptr, 0);
    draw(&image_, &source_);
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) {
        uint32_t v;
        std::memcpy(&v, image_.pixels + y * image_.body->pitch + x * 4, 4);
        if (v != 0) return true;
      }
    }
    return false;
  }

 private:
  SoftDrawSettings saved_;
  SOFTIMG image_{};
  SOFTIMG source_{};
};

}  // namespace

const char* MissingSoftwarePrimitive() {
  Probe probe;
  const IntRect all = {0, 0, 4, 4};
  if (!probe.Draws([&](SOFTIMG* d, SOFTIMG*) { FillRectOnSoftImg(d, &all, 0xFFFFFFFF); })) {
    return "filled rectangle";
  }
  if (!probe.Draws([](SOFTIMG* d, SOFTIMG*) { DrawLineOnSoftImg(d, 0, 0, 3, 0, 0xFFFFFFFF); })) {
    return "line";
  }
  if (!probe.Draws(
          [&](SOFTIMG* d, SOFTIMG* s) { DrawStretchedImageOnSoftImg(d, s, &all, 0, nullptr); })) {
    return "stretched blit";
  }
  if (!probe.Draws([](SOFTIMG* d, SOFTIMG*) {
        const TriangleVertex corners[3] = {{0, 0, 0, 0}, {4, 0, 0, 0}, {0, 4, 0, 0}};
        DrawTriangleOnSoftImg(d, nullptr, corners, 0, nullptr, 0xFFFFFFFF);
      })) {
    return "triangle";
  }
  return "";
}
