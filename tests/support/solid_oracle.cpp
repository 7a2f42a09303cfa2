#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "support/blit_oracle.h"
#include "support/oracle_pixels.h"

using namespace oracle;

namespace {

struct SolidFrame {
  bool is32;
  int mode, p;
  Pixel colour;  // after the bright; fourth: the colour's top byte
  IntRect area;  // the drawing area inside the target
};

// False when nothing is drawn: targets with a palette or alpha, colour types
// other than 0 and 1, a mode that does not draw, a parameter test.
bool MakeSolidFrame(SolidFrame* f, const SOFTIMG* target, uint32_t color,
                    const OracleSettings& s) {
  if (!IsSoftImgValid(target)) return false;
  const SoftImgBody* b = target->body;
  if (b->palettised || b->alpha || (b->colorType != 0 && b->colorType != 1)) return false;
  f->is32 = b->colorType == 1;
  f->p = std::clamp(s.param, 0, 255);
  f->mode = s.mode;
  if (!(f->mode >= 0 && f->mode <= 4) && f->mode != 10 && f->mode != 11) return false;
  if (f->mode == 1 && f->p == 255) f->mode = 0;
  if ((f->mode == 1 || f->mode == 2 || f->mode == 3) && f->p == 0) return false;
  f->colour = Split(color, f->is32);
  const int brights[3] = {s.brightBlue, s.brightGreen, s.brightRed};
  if (!(s.brightBlue == 255 && s.brightGreen == 255 && s.brightRed == 255)) {
    // The one colour is scaled once, by component / 256.
    for (int ch = 0; ch < 3; ++ch) f->colour.c[ch] = f->colour.c[ch] * brights[ch] / 256;
  }
  f->area = IntRect{std::max(s.drawArea.left, 0), std::max(s.drawArea.top, 0),
                    std::min(s.drawArea.right, target->width), std::min(s.drawArea.bottom, target->height)};
  return f->area.right > f->area.left && f->area.bottom > f->area.top;
}

// d moved toward v by p / 256, floored.
int Toward32(int d, int v, int p) { return static_cast<int>(FloorDiv(256 * d + (v - d) * p, 256)); }
// d moved toward v by the table's p / 255, rounded toward zero.
int Toward16(int d, int v, int p) { return d + Diff(p, v - d); }

uint32_t SolidPixel(const SolidFrame& f, uint32_t destValue) {
  const Pixel& c = f.colour;
  const Pixel d = Split(destValue, f.is32);
  Pixel out = d;
  const int shifts[3] = {f.is32 ? 8 : 5, f.is32 ? 8 : 6, f.is32 ? 8 : 5};
  int carry;
  switch (f.mode) {
    case 0:
      return Join(c, f.is32);
    case 2:
    case 3: {
      Pixel u{};
      for (int ch = 0; ch < 3; ++ch) u.c[ch] = Scale(f.p, c.c[ch]);
      return Join(f.mode == 2 ? AddChannels(d, u, f.is32, true, &carry) : SubChannels(d, u, f.is32, &carry), f.is32);
    }
    default:
      break;
  }
  for (int ch = 0; ch < 3; ++ch) {
    const int product = (d.c[ch] * c.c[ch]) >> shifts[ch];
    int toward = 0;
    if (f.mode == 4) {
      out.c[ch] = product;
      continue;
    }
    if (f.mode == 1) toward = c.c[ch];
    if (f.mode == 10) toward = ChannelMax(f.is32, ch) - c.c[ch];
    if (f.mode == 11) toward = product;
    out.c[ch] = f.is32 ? Toward32(d.c[ch], toward, f.p) : Toward16(d.c[ch], toward, f.p);
  }
  return Join(out, f.is32);
}

void DrawPixel(SOFTIMG* target, const SolidFrame& f, int64_t x, int64_t y) {
  const int bytes = f.is32 ? 4 : 2;
  uint8_t* p = target->pixels + y * target->body->pitch + x * bytes;
  WriteBytes(p, bytes, SolidPixel(f, ReadBytes(p, bytes)));
}

int Trunc(double v) {
  if (v >= 2147483647.0) return INT_MAX;
  if (v <= -2147483648.0) return INT_MIN;
  return static_cast<int>(v);
}

}  // namespace

void OracleFillRect(SOFTIMG* target, const IntRect* rect, uint32_t color,
                    const OracleSettings& settings) {
  SolidFrame f;
  if (!MakeSolidFrame(&f, target, color, settings)) return;
  IntRect r{0, 0, target->width, target->height};
  if (rect) {
    r = IntRect{std::min(rect->left, rect->right), std::min(rect->top, rect->bottom),
                std::max(rect->left, rect->right), std::max(rect->top, rect->bottom)};
  }
  for (int64_t y = std::max(r.top, f.area.top); y < std::min(r.bottom, f.area.bottom); ++y) {
    for (int64_t x = std::max(r.left, f.area.left); x < std::min(r.right, f.area.right); ++x) {
      DrawPixel(target, f, x, y);
    }
  }
}

void OracleDrawLine(SOFTIMG* target, int x1, int y1, int x2, int y2, uint32_t color,
                    const OracleSettings& settings) {
  SolidFrame f;
  if (!MakeSolidFrame(&f, target, color, settings)) return;
  const int L = f.area.left, T = f.area.top, R = f.area.right, B = f.area.bottom;
  if (std::max(x1, x2) < L || std::min(x1, x2) >= R || std::max(y1, y2) < T || std::min(y1, y2) >= B) return;

  // Clip both points along the line, x = cx + a y and y = cy + k x.
  const double a = y1 == y2 ? 0 : (double(x2) - x1) / (double(y2) - y1);
  const double k = x1 == x2 ? 0 : (double(y2) - y1) / (double(x2) - x1);
  const double cx = x1 - a * y1, cy = y1 - k * x1;
  if (x1 < L) { x1 = L; y1 = Trunc(cy + k * L); }
  else if (x1 >= R) { x1 = R - 1; y1 = Trunc(cy + k * (R - 1)); }
  if (x2 < L) { x2 = L - 1; y2 = Trunc(cy + k * (L - 1)); }
  else if (x2 >= R) { x2 = R; y2 = Trunc(cy + k * R); }
  if (y1 < T) { y1 = T; x1 = Trunc(cx + a * T); }
  else if (y1 >= B) { y1 = B - 1; x1 = Trunc(cx + a * (B - 1)); }
  if (y2 < T) { y2 = T - 1; x2 = Trunc(cx + a * (T - 1)); }
  else if (y2 >= B) { y2 = B; x2 = Trunc(cx + a * B); }
  // The final clamps hold for every line: none is dropped after the clipping.
  x1 = std::clamp(x1, L, R - 1);
  y1 = std::clamp(y1, T, B - 1);
  x2 = std::clamp(x2, L - 1, R);
  y2 = std::clamp(y2, T - 1, B);

  const int64_t dx = x2 - x1, dy = y2 - y1;
  const int64_t major = std::max(std::llabs(dx), std::llabs(dy));
  const int64_t sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
  for (int64_t i = 0; i < major; ++i) {
    if (std::llabs(dx) >= std::llabs(dy)) {
      DrawPixel(target, f, x1 + sx * i, y1 + sy * (i * std::llabs(dy) / major));
    } else {
      DrawPixel(target, f, x1 + sx * (i * std::llabs(dx) / major), y1 + sy * i);
    }
  }
}
