#include "support/blit_oracle.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "support/blit_oracle_rules.h"
#include "support/oracle_pixels.h"

namespace oracle {

int SourceBytesPerPixel(const SoftImgBody* b) {
  if (b->palettised) return 1;
  if (b->colorType == 1) return 4;
  return b->alpha ? 4 : 2;
}

bool MakeFrame(Frame* f, const SOFTIMG* dest, const SOFTIMG* src, int transFlag,
               const SOFTIMG* blendGraph, const OracleSettings& settings, BlitPath path) {
  if (!IsSoftImgValid(dest) || !IsSoftImgValid(src)) return false;
  const SoftImgBody* db = dest->body;
  const SoftImgBody* sb = src->body;
  if (sb->colorType != db->colorType || db->palettised || db->alpha) return false;
  if (sb->colorType != 0 && sb->colorType != 1) return false;
  if (src->width <= 0 || src->height <= 0) return false;
  if (blendGraph && (!IsSoftImgValid(blendGraph) || blendGraph->width < src->width ||
                     blendGraph->height < src->height)) {
    return false;
  }
  *f = Frame{};
  f->is32 = sb->colorType == 1;
  f->palettised = sb->palettised == 1;
  f->hasAlpha = !f->palettised && sb->alpha == 1;
  f->trans = transFlag != 0;
  f->graph = blendGraph != nullptr;
  f->bright[0] = settings.brightBlue;
  f->bright[1] = settings.brightGreen;
  f->bright[2] = settings.brightRed;
  f->brightOn = !(settings.brightBlue == 255 && settings.brightGreen == 255 && settings.brightRed == 255);
  f->transColor = sb->transparentColor;
  f->srcBody = sb;
  f->p = std::clamp(settings.param, 0, 255);
  f->mode = settings.mode;
  f->path = path;
  f->borderParam = settings.borderParam;
  f->borderRange = settings.borderRange;
  if (!(f->mode >= 0 && f->mode <= 4) && f->mode != 10 && f->mode != 11) return false;
  if (f->mode == 1 && f->p == 255) f->mode = 0;
  if ((f->mode == 1 || f->mode == 2) && f->p == 0) return false;
  if (f->mode == 3 && f->p == 0 && !f->palettised) return false;
  return true;
}

Texel ReadTexel(const Frame& f, const uint8_t* sp) {
  Texel t{};
  if (f.palettised) {
    t.raw = *sp;
    const uint8_t* entry = f.srcBody->paletteBlock + t.raw * (f.is32 ? 4 : 2);
    t.colour = ReadBytes(entry, f.is32 ? 4 : 2);
  } else if (f.is32) {
    t.raw = ReadBytes(sp, 4);
    t.colour = t.raw;
    t.alpha = t.raw >> 24;
  } else if (f.hasAlpha) {
    uint32_t v = ReadBytes(sp, 4);
    t.raw = v;
    t.colour = v & 0xFFFF;
    t.alpha = (v >> 16) & 0xFF;
  } else {
    t.raw = ReadBytes(sp, 2);
    t.colour = t.raw;
  }
  return t;
}

bool Skipped(const Frame& f, const Texel& t) {
  if (!f.trans) return false;
  if (f.hasAlpha) return t.alpha == 0 && (f.mode != 4 || f.path == BlitPath::kStretched);
  return t.raw == f.transColor;
}

bool AlphaWeighs(const Frame& f, const Texel& t) {
  if (!f.hasAlpha) return false;
  if (f.trans) return t.alpha != 255;
  // The plain path copies an unblended alpha source whole.
  return !(f.path == BlitPath::kPlain && f.mode == 0 && !f.brightOn && !f.graph);
}

namespace {

int ApplyBright(const Frame& f, int ch, int v) { return f.brightOn ? Scale(f.bright[ch], v) : v; }

int BlendWith(const std::vector<int>& weights, int d, int v) {
  if (weights.empty()) return v;
  int64_t product = 1;
  for (int w : weights) product *= w;
  const int64_t unit = int64_t{1} << (8 * weights.size());
  return static_cast<int>(FloorDiv(int64_t{d} * unit + int64_t{v - d} * product, unit));
}

}  // namespace

uint32_t GeneralRule(const Frame& f, const Texel& t, bool alphaWeighs, int graphWeight,
                     uint32_t destValue) {
  const bool is32 = f.is32;
  const Pixel s = Split(t.colour, is32);
  const Pixel d = Split(destValue, is32);
  const bool usesP = f.mode == 1 || f.mode == 2 || f.mode == 3 || f.mode == 10 || f.mode == 11;
  std::vector<int> weights;
  if (f.graph) weights.push_back(graphWeight);
  if (alphaWeighs) weights.push_back(t.alpha);
  std::vector<int> weightsWithoutP = weights;
  if (usesP) weights.push_back(f.p);
  const bool onlyP = usesP && weights.size() == 1;

  Pixel out = d;  // the fourth byte stays unless a whole-pixel write sets it
  int tc[3];
  for (int ch = 0; ch < 3; ++ch) tc[ch] = ApplyBright(f, ch, s.c[ch]);

  switch (f.mode) {
    case 0:
      if (weights.empty() && !f.brightOn) return is32 ? t.colour : (t.colour & 0xFFFF);
      for (int ch = 0; ch < 3; ++ch) out.c[ch] = BlendWith(weights, d.c[ch], tc[ch]);
      break;
    case 1:
      for (int ch = 0; ch < 3; ++ch) {
        if (!is32 && onlyP && !f.brightOn && !f.hasAlpha && f.path == BlitPath::kPlain) {
          out.c[ch] = Lerp6(f.p >> 2, tc[ch], d.c[ch]);
        } else if (!is32 && onlyP) {
          out.c[ch] = d.c[ch] + Diff(f.p, tc[ch] - d.c[ch]);
        } else {
          out.c[ch] = BlendWith(weights, d.c[ch], tc[ch]);
        }
      }
      break;
    case 2:
    case 3: {
      Pixel u{};
      for (int ch = 0; ch < 3; ++ch) {
        if (onlyP) {
          u.c[ch] = Scale(f.p, tc[ch]);
        } else if (is32) {
          int64_t product = 1;
          for (int w : weights) product *= w;
          u.c[ch] = static_cast<int>((tc[ch] * product) >> (8 * weights.size())) & 0xFF;
        } else {
          int x;
          if (f.hasAlpha && alphaWeighs && f.brightOn && !f.graph) {
            x = Scale(f.bright[ch], (s.c[ch] * t.alpha) >> 8);
          } else {
            int64_t product = 1;
            for (int w : weightsWithoutP) product *= w;
            x = static_cast<int>((tc[ch] * product) >> (8 * weightsWithoutP.size()));
          }
          u.c[ch] = Scale(f.p, x);
        }
      }
      int carry;
      Pixel r = f.mode == 2 ? AddChannels(d, u, is32, true, &carry) : SubChannels(d, u, is32, &carry);
      return Join(r, is32);
    }
    case 4: {
      int64_t product = 1;
      for (int w : weights) product *= w;
      const int shifts[3] = {is32 ? 8 : 5, is32 ? 8 : 6, is32 ? 8 : 5};
      for (int ch = 0; ch < 3; ++ch) {
        out.c[ch] = static_cast<int>((tc[ch] * product * d.c[ch]) >> (8 * weights.size() + shifts[ch]));
      }
      break;
    }
    case 10:
      for (int ch = 0; ch < 3; ++ch) {
        const int v = ApplyBright(f, ch, ChannelMax(is32, ch) - s.c[ch]);
        out.c[ch] = (!is32 && onlyP) ? d.c[ch] + Diff(f.p, v - d.c[ch]) : BlendWith(weights, d.c[ch], v);
      }
      break;
    case 11: {
      const int shifts[3] = {is32 ? 8 : 5, is32 ? 8 : 6, is32 ? 8 : 5};
      for (int ch = 0; ch < 3; ++ch) {
        const int m = (tc[ch] * d.c[ch]) >> shifts[ch];
        if (!is32 && ch == 1 && f.hasAlpha && alphaWeighs && !f.graph && !f.brightOn) {
          const int64_t dWide = 32 * d.c[1];
          const int64_t mWide = (s.c[1] * d.c[1]) >> 1;
          const int64_t sum = dWide * 65536 + (mWide - dWide) * t.alpha * f.p;
          out.c[ch] = static_cast<int>(FloorDiv(sum, 65536) >> 5);
        } else if (!is32 && onlyP) {
          out.c[ch] = d.c[ch] + Diff(f.p, m - d.c[ch]);
        } else {
          out.c[ch] = BlendWith(weights, d.c[ch], m);
        }
      }
      break;
    }
  }
  return Join(out, is32);
}

}  // namespace oracle

using namespace oracle;

namespace {

// The run-table codes of the drawn view, decoded into one kind per pixel
// (0 transparent, 1 opaque, 2 translucent). A row ends at a code with both
// top bits set; a run that passes the row's end stops there; codes end with
// the buffer, and pixels no run reaches are not drawn.
std::vector<std::vector<int>> DecodeRunTable(const SoftImgBody* b, int width, int height) {
  std::vector<std::vector<int>> kinds(height, std::vector<int>(width, 0));
  size_t pos = 0;
  for (int y = 0; y < height; ++y) {
    int x = 0;
    while (pos < b->runTableSize) {
      const int code = b->runTable[pos++];
      if (code >= 0xC0) break;
      for (int i = 0; i <= (code & 0x3F); ++i, ++x) {
        if (x < width) kinds[y][x] = code >> 6;
      }
    }
  }
  return kinds;
}

}  // namespace

void OracleDrawImage(SOFTIMG* dest, const SOFTIMG* src, int x, int y, int transFlag,
                     const SOFTIMG* blendGraph, const OracleSettings& settings) {
  Frame f;
  if (!MakeFrame(&f, dest, src, transFlag, blendGraph, settings, BlitPath::kPlain)) return;
  const SoftImgBody* db = dest->body;
  const SoftImgBody* sb = src->body;

  // The drawn rectangle: the source's place, inside the area and the image.
  const IntRect& a = settings.drawArea;
  const int64_t left = std::max<int64_t>({int64_t{x}, a.left, 0});
  const int64_t top = std::max<int64_t>({int64_t{y}, a.top, 0});
  const int64_t right = std::min<int64_t>({int64_t{x} + src->width, a.right, dest->width});
  const int64_t bottom = std::min<int64_t>({int64_t{y} + src->height, a.bottom, dest->height});
  if (right <= left || bottom <= top) return;

  const bool runTable = transFlag == 1 && sb->runTableValid == 1 && sb->runTable &&
                        right - left == src->width && bottom - top == src->height;
  enum { kGeneral, kHalving, kFullAdd, kFullSub } member = kGeneral;
  std::vector<std::vector<int>> kinds;
  if (runTable) {
    f.path = BlitPath::kRunTable;
    kinds = DecodeRunTable(sb, src->width, src->height);
  } else if (!f.graph && !f.brightOn && !f.hasAlpha) {
    if (f.mode == 1 && f.p == 128) member = kHalving;
    if (f.mode == 2 && f.p == 255) member = kFullAdd;
    if (f.mode == 3 && f.p == 255) member = kFullSub;
  }
  const bool wholeBytes = settings.mmxFlag == 1 && f.is32;

  const int sbpp = SourceBytesPerPixel(sb);
  const int dbpp = f.is32 ? 4 : 2;
  auto srcAt = [&](int64_t dx, int64_t dy) {
    return src->pixels + (dy - y) * sb->pitch + (dx - x) * sbpp;
  };
  auto destAt = [&](int64_t dx, int64_t dy) { return dest->pixels + dy * db->pitch + dx * dbpp; };
  auto weightAt = [&](int64_t dx, int64_t dy) {
    if (!blendGraph) return 0;
    const uint8_t g = blendGraph->pixels[(dy - y) * blendGraph->body->pitch + (dx - x)];
    return GraphWeight(g, settings.borderParam, settings.borderRange);
  };

  for (int64_t dy = top; dy < bottom; ++dy) {
    if (!f.is32 && (member == kFullAdd || member == kFullSub)) {
      // Pairs from the row's first drawn pixel; a lone pixel takes the single rule.
      for (int64_t dx = left; dx < right; dx += 2) {
        const bool hasPartner = dx + 1 < right;
        Texel t0 = ReadTexel(f, srcAt(dx, dy));
        bool draw0 = !Skipped(f, t0);
        Texel t1{};
        bool draw1 = false;
        if (hasPartner) {
          t1 = ReadTexel(f, srcAt(dx + 1, dy));
          draw1 = !Skipped(f, t1);
        }
        Pixel d0 = Split(ReadBytes(destAt(dx, dy), 2), false);
        Pixel s0 = Split(t0.colour, false);
        int carry;
        if (draw0 && draw1) {
          Pixel d1 = Split(ReadBytes(destAt(dx + 1, dy), 2), false);
          Pixel s1 = Split(t1.colour, false);
          int carryLeft;
          Pixel r0 = member == kFullAdd ? AddChannels(d0, s0, false, false, &carryLeft)
                                        : SubChannels(d0, s0, false, &carryLeft);
          Pixel r1 = member == kFullAdd ? AddChannels(d1, s1, false, false, &carry, carryLeft)
                                        : SubChannels(d1, s1, false, &carry, carryLeft);
          WriteBytes(destAt(dx, dy), 2, Join(r0, false));
          WriteBytes(destAt(dx + 1, dy), 2, Join(r1, false));
        } else if (draw0) {
          Pixel r0 = member == kFullAdd ? AddChannels(d0, s0, false, false, &carry)
                                        : SubChannels(d0, s0, false, &carry);
          WriteBytes(destAt(dx, dy), 2, Join(r0, false));
        } else if (draw1) {
          Pixel d1 = Split(ReadBytes(destAt(dx + 1, dy), 2), false);
          Pixel r1 = member == kFullAdd ? AddChannels(d1, Split(t1.colour, false), false, false, &carry)
                                        : SubChannels(d1, Split(t1.colour, false), false, &carry);
          WriteBytes(destAt(dx + 1, dy), 2, Join(r1, false));
        }
      }
      continue;
    }
    for (int64_t dx = left; dx < right; ++dx) {
      const Texel t = ReadTexel(f, srcAt(dx, dy));
      bool alphaWeighs;
      if (runTable) {
        // The run's kind stands in for the skip test and the texel's alpha.
        const int kind = kinds[dy - top][dx - left];
        if (kind == 0) continue;
        alphaWeighs = f.hasAlpha && kind == 2;
      } else {
        if (Skipped(f, t)) continue;
        alphaWeighs = AlphaWeighs(f, t);
      }
      uint8_t* dp = destAt(dx, dy);
      const uint32_t dv = ReadBytes(dp, dbpp);
      uint32_t result;
      if (member == kHalving) {
        Pixel s = Split(t.colour, f.is32), d = Split(dv, f.is32), r{};
        for (int ch = 0; ch < 3; ++ch) r.c[ch] = s.c[ch] / 2 + d.c[ch] / 2;
        r.fourth = 0;
        result = Join(r, f.is32);
      } else if ((member == kFullAdd || member == kFullSub) && wholeBytes) {
        result = 0;
        for (int i = 0; i < 4; ++i) {
          int dc = (dv >> (8 * i)) & 0xFF, sc = (t.colour >> (8 * i)) & 0xFF;
          int v = member == kFullAdd ? std::min(255, dc + sc) : std::max(0, dc - sc);
          result |= uint32_t(v) << (8 * i);
        }
      } else if (member == kFullAdd || member == kFullSub) {
        int carry;
        Pixel d = Split(dv, true), s = Split(t.colour, true);
        result = Join(member == kFullAdd ? AddChannels(d, s, true, false, &carry)
                                         : SubChannels(d, s, true, &carry), true);
      } else {
        result = GeneralRule(f, t, alphaWeighs, weightAt(dx, dy), dv);
      }
      WriteBytes(dp, dbpp, result);
    }
  }
}
