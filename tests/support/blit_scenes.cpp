#include "support/blit_scenes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "software_renderer/blend_tables.h"
#include "software_renderer/soft_draw_settings.h"

GuardedImage::GuardedImage(int colorType, int width, int height, int padding, std::mt19937& rng) {
  const int bpp = colorType == 1 ? 4 : 2;
  const int pitch = width * bpp + padding;
  bytes.resize(static_cast<size_t>(kCanary * 2 + pitch * height));
  for (auto& b : bytes) b = static_cast<uint8_t>(rng());
  EXPECT_EQ(0, CreateSoftImg(&view, width, height, pitch, 0, colorType, 0, 0, 0, bytes.data() + kCanary));
}

GuardedImage::GuardedImage(const GuardedImage& other) : bytes(other.bytes) {
  const SoftImgBody* b = other.view.body;
  EXPECT_EQ(0, CreateSoftImg(&view, b->width, b->height, b->pitch, 0, b->colorType, 0, 0, 0,
                             bytes.data() + kCanary));
}

GuardedImage::~GuardedImage() { ReleaseSoftImg(&view); }

std::string FirstDifference(const GuardedImage& real, const GuardedImage& expected) {
  if (real.bytes == expected.bytes) return {};
  size_t i = 0;
  while (real.bytes[i] == expected.bytes[i]) ++i;
  std::ostringstream s;
  s << "first difference at byte " << static_cast<long>(i) - GuardedImage::kCanary << " (pitch "
    << real.view.body->pitch << "): got " << int(real.bytes[i]) << ", expected " << int(expected.bytes[i]);
  return s.str();
}

SourceImage::SourceImage(int colorType, SourceKind kind, int width, int height, bool cutOut,
                         std::mt19937& rng, bool workBuffers) {
  const int extra = cutOut ? 3 : 0;
  EXPECT_EQ(0, CreateSoftImg(&whole, width + extra, height + extra, -1, 0, colorType,
                             kind == SourceKind::kPalettised, kind == SourceKind::kAlpha,
                             workBuffers, nullptr));
  SoftImgBody* b = whole.body;
  for (int i = 0; i < 5; ++i) pool.push_back(RandomPixel(colorType, kind, rng));
  for (int y = 0; y < b->height; ++y) {
    uint32_t v = 0;
    for (int x = 0; x < b->width; ++x) {
      // Runs of equal pixels, so that whole groups share the transparent colour.
      if (x == 0 || rng() % 2) v = rng() % 3 ? pool[rng() % pool.size()] : RandomPixel(colorType, kind, rng);
      uint8_t* p = whole.pixels + y * b->pitch;
      if (kind == SourceKind::kPalettised) p[x] = static_cast<uint8_t>(v);
      else if (colorType == 1 || kind == SourceKind::kAlpha) std::memcpy(p + 4 * x, &v, 4);
      else std::memcpy(p + 2 * x, &v, 2);
    }
  }
  if (kind == SourceKind::kPalettised) {
    for (int i = 0; i < 2048; ++i) b->paletteBlock[i] = static_cast<uint8_t>(rng());
    b->paletteCount = 1 + static_cast<int>(rng() % 256);
  }
  const int x = cutOut ? static_cast<int>(rng() % 4) : 0;
  const int y = cutOut ? static_cast<int>(rng() % 4) : 0;
  CreateSubSoftImg(&view, &whole, x, y, width, height);
}

SourceImage::~SourceImage() {
  ReleaseSoftImg(&view);
  ReleaseSoftImg(&whole);
}

uint32_t SourceImage::RandomPixel(int colorType, SourceKind kind, std::mt19937& rng) {
  const uint32_t alphas[] = {0, 255, 0, 255, static_cast<uint32_t>(rng() & 0xFF)};
  switch (kind) {
    case SourceKind::kPalettised:
      return rng() % 4 == 0 ? 255 : rng() & 0xFF;
    case SourceKind::kAlpha: {
      const uint32_t a = alphas[rng() % 5];
      return colorType == 1 ? (rng() & 0xFFFFFF) | a << 24
                            : (rng() & 0xFFFF) | a << 16 | (rng() & 0xFF000000);
    }
    default:
      return colorType == 1 ? rng() : rng() & 0xFFFF;
  }
}

GraphImageOf::GraphImageOf(int width, int height, std::mt19937& rng) {
  EXPECT_EQ(0, CreateSoftImg(&view, width, height, -1, 0, 2, 0, 0, 0, nullptr));
  for (int i = 0; i < view.body->pitch * height; ++i) view.pixels[i] = static_cast<uint8_t>(rng());
}

GraphImageOf::~GraphImageOf() { ReleaseSoftImg(&view); }

Pixels::Pixels(int colorType, SourceKind kind, int width, int height, std::vector<uint32_t> values,
               uint32_t trans, bool workBuffers) {
  const bool palettised = kind == SourceKind::kPalettised, alpha = kind == SourceKind::kAlpha;
  EXPECT_EQ(0, CreateSoftImg(&view, width, height, -1, trans, colorType, palettised, alpha,
                             workBuffers, nullptr));
  const int bpp = SoftImgBytesPerPixel(colorType, palettised, alpha);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t v = values[static_cast<size_t>(y * width + x) % values.size()];
      std::memcpy(view.pixels + y * view.body->pitch + x * bpp, &v, static_cast<size_t>(bpp));
    }
  }
}

Pixels::~Pixels() { ReleaseSoftImg(&view); }

uint32_t Pixels::At(int x, int y) const {
  uint32_t v = 0;
  const int bpp = view.body->colorType == 1 ? 4 : 2;
  std::memcpy(&v, view.pixels + y * view.body->pitch + x * bpp, static_cast<size_t>(bpp));
  return v;
}

uint64_t Pixels::Hash() const {
  uint64_t h = 1469598103934665603ull;
  for (int i = 0; i < view.body->pitch * view.height; ++i) h = (h ^ view.pixels[i]) * 1099511628211ull;
  return h;
}

void UseDrawSettings(const IntRect& area, int mode, int param, uint32_t bright, int mmx) {
  GetSoftDrawSettings() = SoftDrawSettings{area, mode, param, bright, mmx};
}

OracleSettings OracleSettingsOf(const IntRect& area, int mode, int param, uint32_t bright,
                                int mmx, int borderParam, int borderRange) {
  return OracleSettings{area, mode, param, static_cast<int>((bright >> 16) & 0xFF),
                        static_cast<int>((bright >> 8) & 0xFF), static_cast<int>(bright & 0xFF),
                        mmx, borderParam, borderRange};
}

void ResetDrawSettings() { GetSoftDrawSettings() = SoftDrawSettings{{0, 0, 0, 0}, 0, 0, 0xFFFFFF, 0}; }

void ForEachBlitCase(std::mt19937& rng, const std::function<void(const BlitCase&)>& draw) {
  const int modes[] = {0, 1, 2, 3, 4, 10, 11, 5, 9, 12, -1};
  const SourceKind kinds[] = {SourceKind::kDirect, SourceKind::kPalettised, SourceKind::kAlpha};
  int failures = 0;
  for (int colorType : {0, 1}) {
    for (SourceKind kind : kinds) {
      for (int mode : modes) {
        for (int param : {0, 1, 127, 128, 254, 255, -2}) {
          for (int brightCase = 0; brightCase < 3; ++brightCase) {
            for (int transFlag : {0, 1, 2}) {
              for (bool graph : {false, true}) {
                for (int mmx : {0, 1}) {
                  BlitCase c{colorType, kind, mode, param, 0xFFFFFF, transFlag, graph, mmx};
                  for (int rep = 0; rep < 2; ++rep) {
                    if (param == -2) c.param = static_cast<int>(rng() % 256);
                    if (brightCase == 1) c.bright = 0xFEFEFE;
                    if (brightCase == 2) c.bright = rng() & 0xFFFFFF;
                    draw(c);
                    if (::testing::Test::HasFailure() && ++failures > 20) return;
                  }
                }
              }
            }
          }
        }
      }
    }
  }
}

IntRect RandomDrawArea(int width, int height, std::mt19937& rng) {
  IntRect area{0, 0, width, height};
  if (rng() % 2) {
    area.left = static_cast<int>(rng() % static_cast<unsigned>(width));
    area.right = area.left + static_cast<int>(rng() % static_cast<unsigned>(width - area.left + 1));
    area.top = static_cast<int>(rng() % static_cast<unsigned>(height));
    area.bottom = area.top + static_cast<int>(rng() % static_cast<unsigned>(height - area.top + 1));
  } else if (rng() % 6 == 0) {
    area = IntRect{-3, -3, width + 5, height + 5};  // wider than the image: nothing may land outside it
  }
  return area;
}

void ForEachSolidCase(std::mt19937& rng, int reps, const std::function<void(const SolidCase&)>& draw) {
  int failures = 0;
  for (int colorType : {0, 1}) {
    for (int mode : {0, 1, 2, 3, 4, 10, 11, 5, 9, 12, -1}) {
      for (int param : {0, 1, 127, 128, 254, 255, -2}) {
        for (int brightCase = 0; brightCase < 3; ++brightCase) {
          for (int rep = 0; rep < reps; ++rep) {
            const int p = param == -2 ? static_cast<int>(rng() % 256) : param;
            const uint32_t bright = brightCase == 0 ? 0xFFFFFF : brightCase == 1 ? 0xFFFF00 : rng() & 0xFFFFFF;
            draw(SolidCase{colorType, mode, p, bright});
            if (::testing::Test::HasFailure() && ++failures > 20) return;
          }
        }
      }
    }
  }
}

BlitScene::BlitScene(const BlitCase& c, std::mt19937& rng, int maxSource, int maxDest, bool workBuffers)
    : c(c) {
  sourceWidth = 1 + static_cast<int>(rng() % static_cast<unsigned>(maxSource));
  sourceHeight = 1 + static_cast<int>(rng() % 6);
  const int dw = 1 + static_cast<int>(rng() % static_cast<unsigned>(maxDest));
  const int dh = 1 + static_cast<int>(rng() % 9);
  source = std::make_unique<SourceImage>(c.colorType, c.kind, sourceWidth, sourceHeight, rng() % 2, rng, workBuffers);
  const int padding = static_cast<int>(rng() % 3) * 4 + 2 * (c.colorType == 0 ? static_cast<int>(rng() % 2) : 0);
  real = std::make_unique<GuardedImage>(c.colorType, dw, dh, padding, rng);
  expected = std::make_unique<GuardedImage>(*real);

  uint32_t trans = source->pool[rng() % source->pool.size()];
  if (c.kind == SourceKind::kPalettised) {
    const uint32_t choices[] = {trans & 0xFF, 255, 0xFFFF, 256};
    trans = choices[rng() % 4];
  } else if (c.kind == SourceKind::kDirect && c.colorType == 1 && rng() % 4 == 0) {
    trans ^= 0x01000000;  // equal in the low 24 bits only: must not match
  } else if (c.kind == SourceKind::kDirect && c.colorType == 0 && rng() % 8 == 0) {
    trans |= 0x10000;  // above 16 bits: matches no pixel
  }
  source->view.body->transparentColor = trans;

  if (c.graph) {
    graph = std::make_unique<GraphImageOf>(sourceWidth + static_cast<int>(rng() % 3),
                                           sourceHeight + static_cast<int>(rng() % 3), rng);
  }
  const int bp = static_cast<int>(rng() % 256), br = static_cast<int>(rng() % 256);
  MakeBlendGraphWeightTable(bp, br);

  area = RandomDrawArea(dw, dh, rng);
  UseDrawSettings(area, c.mode, c.param, c.bright, c.mmx);
  oracle = OracleSettingsOf(area, c.mode, c.param, c.bright, c.mmx, bp, br);
}

std::string BlitScene::Describe(const std::string& where) const {
  std::ostringstream s;
  s << "type " << c.colorType << " kind " << static_cast<int>(c.kind) << " mode " << c.mode
    << " p " << c.param << " bright " << std::hex << c.bright << " trans " << std::dec
    << c.transFlag << " (" << std::hex << source->view.body->transparentColor << std::dec
    << ") graph " << c.graph << " (" << oracle.borderParam << "," << oracle.borderRange
    << ") mmx " << c.mmx << " source " << sourceWidth << "x" << sourceHeight << " into "
    << real->view.width << "x" << real->view.height << " " << where << " area " << area.left
    << "," << area.top << "," << area.right << "," << area.bottom;
  return s.str();
}

void BlitScene::Compare(const std::string& where) const {
  const std::string difference = FirstDifference(*real, *expected);
  if (!difference.empty()) ADD_FAILURE() << Describe(where) << ": " << difference;
}
