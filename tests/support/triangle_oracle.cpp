#include "support/triangle_oracle.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "support/oracle_pixels.h"

namespace {

using oracle::FloorDiv;

constexpr int64_t kOne = 262144;  // 2^18

int32_t Wrap32(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

// Truncation toward zero; INT32_MIN when the value leaves the 32-bit range.
int32_t TruncToInt32(double value) {
  const double t = std::trunc(value);
  if (!(t >= -2147483648.0 && t < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(t);
}

// One straight piece of a side: the rows it covers and its position at the
// first of them, in 14.18, exact.
struct Piece {
  int64_t firstRow, rows, x, slope;
};

Piece PieceBetween(int64_t x, int64_t row, int64_t toX, int64_t toRow) {
  const int64_t rows = toRow - row;
  return Piece{row, rows, x, (toX - x) / rows};  // the division truncates toward zero
}

bool Within(int32_t value) { return value >= -8192 && value <= 8191; }

}  // namespace

std::vector<TriangleOraclePixel> OracleTriangleCoverage(const TriangleVertex vertices[3],
                                                        const IntRect& area, bool textured) {
  std::vector<TriangleOraclePixel> out;
  for (int i = 0; i < 3; ++i) {
    const TriangleVertex& c = vertices[i];
    if (!Within(c.x) || !Within(c.y)) return out;
    if (textured && (!Within(c.u) || !Within(c.v))) return out;
  }
  int64_t X[3], Y[3], U[3], V[3];
  for (int i = 0; i < 3; ++i) {
    X[i] = vertices[i].x * kOne + kOne / 2;
    Y[i] = vertices[i].y * kOne + kOne / 2;
    U[i] = vertices[i].u * kOne;
    V[i] = vertices[i].v * kOne;
  }
  int A[3] = {0, 1, 2}, B[3] = {0, 1, 2};
  for (int i = 0; i <= 1; ++i) {
    for (int j = i + 1; j <= 2; ++j) {
      if (X[A[i]] > X[A[j]]) std::swap(A[i], A[j]);
      if (Y[B[i]] > Y[B[j]]) std::swap(B[i], B[j]);
    }
  }
  auto whole = [](int64_t f) { return f / kOne; };
  const int64_t dx1 = whole(X[A[1]] - X[A[0]]), dy1 = whole(Y[A[1]] - Y[A[0]]);
  const int64_t dx2 = whole(X[A[2]] - X[A[0]]), dy2 = whole(Y[A[2]] - Y[A[0]]);
  const int64_t det = dx2 * dy1 - dx1 * dy2;
  if (det == 0) return out;
  const int64_t du1 = whole(U[A[1]] - U[A[0]]), du2 = whole(U[A[2]] - U[A[0]]);
  const int64_t dv1 = whole(V[A[1]] - V[A[0]]), dv2 = whole(V[A[2]] - V[A[0]]);
  auto gradient = [det](int64_t numerator) {
    return TruncToInt32(static_cast<double>(numerator) * 262144.0 / static_cast<double>(det));
  };
  const int32_t dudx = gradient(du2 * dy1 - du1 * dy2), dudy = gradient(du1 * dx2 - du2 * dx1);
  const int32_t dvdx = gradient(dv2 * dy1 - dv1 * dy2), dvdy = gradient(dv1 * dx2 - dv2 * dx1);
  const int64_t refX = FloorDiv(X[A[0]], kOne), refY = FloorDiv(Y[A[0]], kOne);

  std::vector<Piece> left, right;
  const int b0 = B[0], b1 = B[1], b2 = B[2];
  auto row = [&](int i) { return FloorDiv(Y[i], kOne); };
  if (Y[b0] == Y[b1]) {
    const int r = X[b0] > X[b1] ? b0 : b1;
    const int l = r == b0 ? b1 : b0;
    left.push_back(PieceBetween(X[l], row(l), X[b2], row(b2)));
    right.push_back(PieceBetween(X[r], row(r), X[b2], row(b2)));
  } else if (Y[b1] == Y[b2]) {
    const int l = X[b1] <= X[b2] ? b1 : b2;
    const int r = l == b1 ? b2 : b1;
    left.push_back(PieceBetween(X[b0], row(b0), X[l], row(l)));
    right.push_back(PieceBetween(X[b0], row(b0), X[r], row(r)));
  } else {
    const double k1 = static_cast<double>(X[b1] - X[b0]) / static_cast<double>(Y[b1] - Y[b0]);
    const double k2 = static_cast<double>(X[b2] - X[b0]) / static_cast<double>(Y[b2] - Y[b0]);
    std::vector<Piece>& twoPieces = k1 < k2 ? left : right;
    std::vector<Piece>& onePiece = k1 < k2 ? right : left;
    twoPieces.push_back(PieceBetween(X[b0], row(b0), X[b1], row(b1)));
    const int64_t lowerStart = k1 < k2 ? X[b1] : X[b1] + 1;
    twoPieces.push_back(PieceBetween(lowerStart, row(b1), X[b2], row(b2)));
    onePiece.push_back(PieceBetween(X[b0], row(b0), X[b2], row(b2)));
  }
  auto edgeAt = [](const std::vector<Piece>& side, int64_t y) {
    for (const Piece& p : side) {
      if (y >= p.firstRow && y < p.firstRow + p.rows) return p.x + (y - p.firstRow) * p.slope;
    }
    return int64_t{0};  // not reached: both sides span the same rows
  };

  for (int64_t y = row(b0); y < row(b2); ++y) {
    if (y < area.top || y >= area.bottom) continue;
    const int64_t from = std::max<int64_t>(FloorDiv(edgeAt(left, y), kOne), area.left);
    const int64_t to = std::min<int64_t>(FloorDiv(edgeAt(right, y), kOne), area.right - 1);
    for (int64_t x = from; x <= to; ++x) {
      const int64_t u = U[A[0]] + (x - refX) * dudx + (y - refY) * dudy;
      const int64_t v = V[A[0]] + (x - refX) * dvdx + (y - refY) * dvdy;
      out.push_back({static_cast<int>(x), static_cast<int>(y), Wrap32(u), Wrap32(v)});
    }
  }
  return out;
}

namespace {

using oracle::Pixel;

struct Frame {
  bool is32, textured, palettised, hasAlpha, trans, graph, brightOn;
  int mode;
  int64_t p;
  int bright[3];  // blue, green, red
  uint32_t transColor;
  const SoftImgBody* srcBody;
};

struct Texel {
  uint32_t color;
  int64_t alpha;
  bool skipped;
  bool alphaWeighs;
};

Texel ReadTexel(const Frame& f, const uint8_t* sp) {
  Texel t{};
  if (f.palettised) {
    const uint32_t index = *sp;
    t.color = oracle::ReadBytes(f.srcBody->paletteBlock + index * (f.is32 ? 4 : 2), f.is32 ? 4 : 2);
    t.skipped = f.trans && index == f.transColor;
  } else if (!f.hasAlpha) {
    t.color = oracle::ReadBytes(sp, f.is32 ? 4 : 2);
    t.skipped = f.trans && t.color == f.transColor;
  } else {
    const uint32_t raw = oracle::ReadBytes(sp, 4);
    t.color = f.is32 ? raw : raw & 0xFFFF;
    t.alpha = f.is32 ? raw >> 24 : (raw >> 16) & 0xFF;
    t.alphaWeighs = !(f.trans && t.alpha == 255);
    t.skipped = f.trans && t.alpha == 0 && f.mode != 4;
  }
  return t;
}

int FieldBits(bool is32, int ch) { return is32 ? 8 : (ch == 1 ? 6 : 5); }

Pixel AddOrSubtract(int mode, const Pixel& d, const Pixel& added, bool is32) {
  int carry;
  return mode == 2 ? oracle::AddChannels(d, added, is32, true, &carry)
                   : oracle::SubChannels(d, added, is32, &carry);
}

// The solid colour's channels are scaled by the bright first, always.
uint32_t SolidPixel(const Frame& f, uint32_t color, uint32_t destValue) {
  const bool is32 = f.is32;
  const Pixel d = oracle::Split(destValue, is32);
  Pixel s = oracle::Split(color, is32);
  for (int ch = 0; ch < 3; ++ch) s.c[ch] = oracle::Scale(f.bright[ch], s.c[ch]);
  if (f.mode == 0) return oracle::Join(s, is32);
  if (f.mode == 2 || f.mode == 3) {
    Pixel added{};
    for (int ch = 0; ch < 3; ++ch) added.c[ch] = oracle::Scale(static_cast<int>(f.p), s.c[ch]);
    return oracle::Join(AddOrSubtract(f.mode, d, added, is32), is32);
  }
  Pixel r = d;
  for (int ch = 0; ch < 3; ++ch) {
    const int64_t product = FloorDiv(int64_t{s.c[ch]} * d.c[ch], int64_t{1} << FieldBits(is32, ch));
    if (f.mode == 4) {
      r.c[ch] = static_cast<int>(product);
      continue;
    }
    int64_t target = s.c[ch];
    if (f.mode == 10) target = oracle::ChannelMax(is32, ch) - s.c[ch];
    if (f.mode == 11) target = product;
    // 32-bit floors by 256; 16-bit truncates by 255 toward zero
    r.c[ch] = static_cast<int>(is32 ? d.c[ch] + FloorDiv((target - d.c[ch]) * f.p, 256)
                                    : d.c[ch] + oracle::Diff(static_cast<int>(f.p), static_cast<int>(target - d.c[ch])));
  }
  return oracle::Join(r, is32);
}

// The textured pixel; false when the pixel is left unchanged.
bool TexturedPixel(const Frame& f, const Texel& t, int64_t graphWeight, uint32_t destValue,
                   uint32_t* result) {
  if (t.skipped) return false;
  const bool is32 = f.is32;
  const Pixel d = oracle::Split(destValue, is32);
  const Pixel raw = oracle::Split(t.color, is32);
  std::vector<int64_t> weights;
  if (f.graph) weights.push_back(graphWeight);
  if (f.hasAlpha && t.alphaWeighs) weights.push_back(t.alpha);
  int64_t product = 1;
  for (int64_t w : weights) product *= w;
  const int64_t unit = int64_t{1} << (8 * weights.size());

  // Mode 10 inverts before the bright scales.
  int64_t s[3];
  for (int ch = 0; ch < 3; ++ch) {
    s[ch] = f.mode == 10 ? oracle::ChannelMax(is32, ch) - raw.c[ch] : raw.c[ch];
    if (f.brightOn) s[ch] = oracle::Scale(f.bright[ch], static_cast<int>(s[ch]));
  }
  Pixel r = d;
  if (f.mode == 0 && weights.empty()) {
    if (!f.brightOn) {
      *result = t.color;
    } else {
      for (int ch = 0; ch < 3; ++ch) r.c[ch] = static_cast<int>(s[ch]);
      *result = oracle::Join(r, is32);
    }
    return true;
  }
  if (f.mode == 2 || f.mode == 3) {
    Pixel added{};
    for (int ch = 0; ch < 3; ++ch) {
      int64_t v;
      if (is32) {
        v = weights.empty() ? oracle::Scale(static_cast<int>(f.p), static_cast<int>(s[ch]))
                            : FloorDiv(s[ch] * product * f.p, unit * 256);
      } else if (f.hasAlpha && t.alphaWeighs && f.brightOn && !f.graph) {
        // weighed by alpha before the bright scales it
        const int weighed = static_cast<int>(FloorDiv(raw.c[ch] * t.alpha, 256));
        v = oracle::Scale(static_cast<int>(f.p), oracle::Scale(f.bright[ch], weighed));
      } else {
        v = oracle::Scale(static_cast<int>(f.p), static_cast<int>(FloorDiv(s[ch] * product, unit)));
      }
      added.c[ch] = static_cast<int>(v);
    }
    *result = oracle::Join(AddOrSubtract(f.mode, d, added, is32), is32);
    return true;
  }
  for (int ch = 0; ch < 3; ++ch) {
    const int64_t fieldUnit = int64_t{1} << FieldBits(is32, ch);
    const int64_t dc = d.c[ch];
    int64_t v;
    if (f.mode == 0) {
      v = dc + FloorDiv((s[ch] - dc) * product, unit);
    } else if (f.mode == 4) {
      v = FloorDiv(s[ch] * dc * product, fieldUnit * unit);
    } else {  // 1, 10, 11
      const int64_t target = f.mode == 11 ? FloorDiv(s[ch] * dc, fieldUnit) : s[ch];
      if (!is32 && f.mode == 11 && ch == 1 && f.hasAlpha && t.alphaWeighs && !f.graph &&
          !f.brightOn) {
        // green at 1/32 of a step
        const int64_t fine = FloorDiv(raw.c[1] * dc, 2);
        v = dc + FloorDiv((fine - 32 * dc) * t.alpha * f.p, int64_t{1} << 21);
      } else if (!is32 && weights.empty()) {
        v = dc + oracle::Diff(static_cast<int>(f.p), static_cast<int>(target - dc));
      } else {
        v = dc + FloorDiv((target - dc) * product * f.p, unit * 256);
      }
    }
    r.c[ch] = static_cast<int>(v);
  }
  *result = oracle::Join(r, is32);
  return true;
}

}  // namespace

void OracleDrawTriangle(SOFTIMG* dest, const SOFTIMG* src, const TriangleVertex vertices[3],
                        int transFlag, const SOFTIMG* blendGraph, uint32_t color,
                        const OracleSettings& settings) {
  if (!IsSoftImgValid(dest)) return;
  const SoftImgBody* db = dest->body;
  Frame f{};
  f.textured = src != nullptr;
  if (f.textured && (!IsSoftImgValid(src) || src->body->colorType != db->colorType)) return;
  if (db->palettised || db->alpha) return;
  if (db->colorType != 0 && db->colorType != 1) return;
  if (f.textured && (src->width <= 0 || src->height <= 0)) return;
  const SOFTIMG* graph = f.textured ? blendGraph : nullptr;
  if (graph && (!IsSoftImgValid(graph) || graph->width < src->width || graph->height < src->height)) {
    return;
  }

  f.is32 = db->colorType == 1;
  f.srcBody = f.textured ? src->body : nullptr;
  f.palettised = f.textured && f.srcBody->palettised == 1;
  f.hasAlpha = f.textured && !f.palettised && f.srcBody->alpha == 1;
  f.trans = transFlag != 0;
  f.graph = graph != nullptr;
  f.transColor = f.textured ? f.srcBody->transparentColor : 0;
  f.bright[0] = settings.brightBlue;
  f.bright[1] = settings.brightGreen;
  f.bright[2] = settings.brightRed;
  f.brightOn = f.bright[0] != 255 || f.bright[1] != 255 || f.bright[2] != 255;
  f.p = std::clamp(settings.param, 0, 255);
  f.mode = settings.mode;
  const int drawn[] = {0, 1, 2, 3, 4, 10, 11};
  if (std::find(std::begin(drawn), std::end(drawn), f.mode) == std::end(drawn)) return;
  if (f.mode == 1 && f.p == 255) f.mode = 0;
  if ((f.mode == 1 || f.mode == 2 || f.mode == 3) && f.p == 0) return;

  const IntRect area{std::max(settings.drawArea.left, 0), std::max(settings.drawArea.top, 0),
                     std::min(settings.drawArea.right, dest->width),
                     std::min(settings.drawArea.bottom, dest->height)};
  if (area.left >= area.right || area.top >= area.bottom) return;
  const int destBytes = f.is32 ? 4 : 2;
  const int srcBytes = !f.textured ? 0 : f.palettised ? 1 : (f.is32 || f.hasAlpha) ? 4 : 2;
  for (const TriangleOraclePixel& px : OracleTriangleCoverage(vertices, area, f.textured)) {
    uint8_t* dp = dest->pixels + px.y * db->pitch + px.x * destBytes;
    const uint32_t destValue = oracle::ReadBytes(dp, destBytes);
    uint32_t result;
    if (!f.textured) {
      result = SolidPixel(f, color, destValue);
    } else {
      if (px.u < 0 || px.v < 0 || int64_t{px.u} >= src->width * kOne ||
          int64_t{px.v} >= src->height * kOne) {
        continue;
      }
      const int64_t tu = px.u / kOne, tv = px.v / kOne;
      const Texel t = ReadTexel(f, src->pixels + tv * f.srcBody->pitch + tu * srcBytes);
      int64_t weight = 0;
      if (f.graph) {
        const uint8_t g = graph->pixels[tv * graph->body->pitch + tu];
        weight = oracle::GraphWeight(g, settings.borderParam, settings.borderRange);
      }
      if (!TexturedPixel(f, t, weight, destValue, &result)) continue;
    }
    oracle::WriteBytes(dp, destBytes, result);
  }
}
