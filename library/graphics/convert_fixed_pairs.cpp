#include "graphics/convert_format_blt.h"

namespace {

enum class Layout {
  kOther, kPalette8, kR5G6B5, kX1R5G5B5, kA1R5G5B5, kR8G8B8, kX8R8G8B8, kA8R8G8B8
};

Layout Classify(const ColorFormat& f) {
  if (f.bytesPerPixel == 1) return Layout::kPalette8;
  auto masks = [&](int bits, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    return f.colorBits == bits && f.redMask == r && f.greenMask == g && f.blueMask == b &&
           f.alphaMask == a;
  };
  if (masks(16, 0xF800, 0x07E0, 0x001F, 0)) return Layout::kR5G6B5;
  if (masks(16, 0x7C00, 0x03E0, 0x001F, 0)) return Layout::kX1R5G5B5;
  if (masks(16, 0x7C00, 0x03E0, 0x001F, 0x8000)) return Layout::kA1R5G5B5;
  if (masks(24, 0xFF0000, 0xFF00, 0xFF, 0)) return Layout::kR8G8B8;
  if (masks(32, 0xFF0000, 0xFF00, 0xFF, 0)) return Layout::kX8R8G8B8;
  if (masks(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000)) return Layout::kA8R8G8B8;
  return Layout::kOther;
}

// The fixed pairs truncate: each 8-bit channel keeps its top bits, and
// widened channels go to the top of their byte with low bits 0.
constexpr uint32_t TruncateTo565(uint32_t c) {
  return ((c >> 8) & 0xF800) | ((c >> 5) & 0x07E0) | ((c >> 3) & 0x001F);
}
constexpr uint32_t TruncateTo555(uint32_t c) {
  return ((c >> 9) & 0x7C00) | ((c >> 6) & 0x03E0) | ((c >> 3) & 0x001F);
}
constexpr uint32_t WidenFrom565(uint32_t p) {
  return ((p & 0xF800) << 8) | ((p & 0x07E0) << 5) | ((p & 0x001F) << 3);
}
constexpr uint32_t Narrow565To555(uint32_t p) { return ((p & 0xFFC0) >> 1) | (p & 0x001F); }
constexpr uint32_t Widen555To565(uint32_t p) {
  uint32_t green = (p >> 5) & 0x1F;
  return ((p & 0x7C00) << 1) | ((green << 1 | (green & 1)) << 5) | (p & 0x001F);
}

struct PairContext {
  const uint32_t* palette;
  uint32_t key24;   // the transparent colour's red, green and blue
  uint32_t key555;  // the same cut to 5-5-5
};

struct PaletteTo565 {
  static uint32_t Apply(uint32_t p, const PairContext& c) { return TruncateTo565(c.palette[p]); }
};
struct PaletteToX555 {
  static uint32_t Apply(uint32_t p, const PairContext& c) {
    return TruncateTo555(c.palette[p]) | 0x8000;
  }
};
struct PaletteToX8 {
  static uint32_t Apply(uint32_t p, const PairContext& c) { return c.palette[p] | 0xFF000000; }
};
struct Rgb24To565 {
  static uint32_t Apply(uint32_t p, const PairContext&) { return TruncateTo565(p); }
};
struct Rgb24ToX555 {
  static uint32_t Apply(uint32_t p, const PairContext&) { return TruncateTo555(p) | 0x8000; }
};
struct Rgb24ToX8 {
  static uint32_t Apply(uint32_t p, const PairContext&) { return p | 0xFF000000; }
};
struct X8To565 {
  static uint32_t Apply(uint32_t p, const PairContext&) { return TruncateTo565(p); }
};
struct R565ToRgb24 {
  static uint32_t Apply(uint32_t p, const PairContext&) { return WidenFrom565(p); }
};
struct R565ToX8 {
  static uint32_t Apply(uint32_t p, const PairContext&) { return WidenFrom565(p); }
};
struct R565ToX555 {
  static uint32_t Apply(uint32_t p, const PairContext&) { return Narrow565To555(p); }
};
struct X555To565 {
  static uint32_t Apply(uint32_t p, const PairContext&) { return Widen555To565(p); }
};
// Keyed palette entries are compared on their colour alone: the entry's
// fourth byte is not part of the colour, so it must not decide the keying.
struct PaletteToA1555 {
  static uint32_t Apply(uint32_t p, const PairContext& c) {
    uint32_t e = c.palette[p];
    return TruncateTo555(e) | ((e & 0xFFFFFF) == c.key24 ? 0 : 0x8000);
  }
};
struct PaletteToA8 {
  static uint32_t Apply(uint32_t p, const PairContext& c) {
    uint32_t e = c.palette[p] & 0xFFFFFF;
    return e == c.key24 ? e : e | 0xFF000000;
  }
};
struct Rgb24ToA1555 {
  static uint32_t Apply(uint32_t p, const PairContext& c) {
    return TruncateTo555(p) | (p == c.key24 ? 0 : 0x8000);
  }
};
struct Rgb24ToA8 {
  static uint32_t Apply(uint32_t p, const PairContext& c) {
    return p == c.key24 ? p : p | 0xFF000000;
  }
};
struct R565ToA1555 {
  static uint32_t Apply(uint32_t p, const PairContext& c) {
    uint32_t color = Narrow565To555(p);
    return color | (color == c.key555 ? 0 : 0x8000);
  }
};
struct R565ToA8 {
  static uint32_t Apply(uint32_t p, const PairContext& c) {
    return WidenFrom565(p) | (Narrow565To555(p) == c.key555 ? 0 : 0xFF000000);
  }
};

template <class Rule, int SourceBytes, int DestBytes>
void RunPair(const ConvertJob& job, const PairContext& context) {
  auto rule = [context](uint32_t p, int, int, uint32_t& out) {
    out = Rule::Apply(p, context);
    return true;
  };
  WalkConvertPixels<SourceBytes, DestBytes>(job, rule);
}

struct FixedPair {
  Layout source;
  Layout dest;
  bool keyToAlpha;
  void (*run)(const ConvertJob&, const PairContext&);
};

constexpr FixedPair kFixedPairs[] = {
    {Layout::kPalette8, Layout::kR5G6B5, false, RunPair<PaletteTo565, 1, 2>},
    {Layout::kPalette8, Layout::kX1R5G5B5, false, RunPair<PaletteToX555, 1, 2>},
    {Layout::kPalette8, Layout::kX8R8G8B8, false, RunPair<PaletteToX8, 1, 4>},
    {Layout::kR8G8B8, Layout::kR5G6B5, false, RunPair<Rgb24To565, 3, 2>},
    {Layout::kR8G8B8, Layout::kX1R5G5B5, false, RunPair<Rgb24ToX555, 3, 2>},
    {Layout::kR8G8B8, Layout::kX8R8G8B8, false, RunPair<Rgb24ToX8, 3, 4>},
    {Layout::kX8R8G8B8, Layout::kR5G6B5, false, RunPair<X8To565, 4, 2>},
    {Layout::kR5G6B5, Layout::kR8G8B8, false, RunPair<R565ToRgb24, 2, 3>},
    {Layout::kR5G6B5, Layout::kX8R8G8B8, false, RunPair<R565ToX8, 2, 4>},
    {Layout::kR5G6B5, Layout::kX1R5G5B5, false, RunPair<R565ToX555, 2, 2>},
    {Layout::kX1R5G5B5, Layout::kR5G6B5, false, RunPair<X555To565, 2, 2>},
    {Layout::kPalette8, Layout::kA1R5G5B5, true, RunPair<PaletteToA1555, 1, 2>},
    {Layout::kPalette8, Layout::kA8R8G8B8, true, RunPair<PaletteToA8, 1, 4>},
    {Layout::kR8G8B8, Layout::kA1R5G5B5, true, RunPair<Rgb24ToA1555, 3, 2>},
    {Layout::kR8G8B8, Layout::kA8R8G8B8, true, RunPair<Rgb24ToA8, 3, 4>},
    {Layout::kR5G6B5, Layout::kA1R5G5B5, true, RunPair<R565ToA1555, 2, 2>},
    {Layout::kR5G6B5, Layout::kA8R8G8B8, true, RunPair<R565ToA8, 2, 4>},
};

}  // namespace

bool RunFixedPairConversion(const ConvertJob& job) {
  if (job.ditherMode != 0 || job.alphaOnly || job.alphaFromRed || job.mirror || job.alpha ||
      job.skipTransparent) {
    return false;
  }
  const Layout source = Classify(*job.sourceFormat);
  const Layout dest = Classify(*job.destFormat);
  for (const FixedPair& pair : kFixedPairs) {
    if (pair.source == source && pair.dest == dest && pair.keyToAlpha == job.keyToAlpha) {
      const uint32_t key24 = job.transColor & 0xFFFFFF;
      const PairContext context{job.sourcePalette, key24, TruncateTo555(key24)};
      pair.run(job, context);
      return true;
    }
  }
  return false;
}
