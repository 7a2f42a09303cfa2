// The per-pixel blend rules of the software primitives, written once as
// always-inlined templates over the settings of a loop. Each loop ("member")
// instantiates them for one combination, so its inner loop tests nothing but
// the per-pixel conditions (transparent colour, the texel's alpha).
#ifndef OMBREL_SOFTWARE_RENDERER_BLEND_RULES_H
#define OMBREL_SOFTWARE_RENDERER_BLEND_RULES_H

#include <stdint.h>
#include <string.h>

#include <type_traits>

#define OMBREL_ALWAYS_INLINE inline __attribute__((always_inline))
// The same for a lambda, written after its parameter list: a lambda that a
// pixel loop calls is otherwise free to stay a call per pixel or block.
#define OMBREL_INLINE_LAMBDA __attribute__((always_inline))

namespace blend {

OMBREL_ALWAYS_INLINE uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  memcpy(&v, p, 4);
  return v;
}
OMBREL_ALWAYS_INLINE uint32_t Load16(const uint8_t* p) {
  uint16_t v;
  memcpy(&v, p, 2);
  return v;
}
OMBREL_ALWAYS_INLINE void Store32(uint8_t* p, uint32_t v) { memcpy(p, &v, 4); }
OMBREL_ALWAYS_INLINE void Store16(uint8_t* p, uint32_t v) {
  const auto w = static_cast<uint16_t>(v);
  memcpy(p, &w, 2);
}

// Everything a member needs, prepared once per call by the primitive's frame.
struct BlitRows {
  uint8_t* dst;
  const uint8_t* src;
  const uint8_t* graph;
  int32_t dstSkip;  // bytes from the end of one drawn row to the start of the next
  int32_t srcSkip;
  int32_t graphSkip;
  int32_t width;
  int32_t height;
  uint32_t transColor;
  uint32_t param;
  const void* palette;
  const int32_t* scaleParam;   // BlendScaleTable row of the parameter
  const int32_t* scaleBright[3];  // rows of the bright's blue, green, red
  const int32_t* diffParam;    // BlendDiffTable row of the parameter, at its centre
  const uint8_t* lerp6;        // BlendLerp6Table block of parameter / 4
  const uint8_t* graphWeights;
  const uint8_t* runTable;     // the source's TransRunTable, on the run-table path
  const uint8_t* runTableEnd;  // one past its buffer
};

// One member: a complete row-by-row loop for one combination of settings.
using BlitMember = void (*)(const BlitRows&);

// Channel positions: blue, green, red from the low end of a pixel.
template <bool Is32>
struct Layout;
template <>
struct Layout<true> {
  static constexpr int kShift[3] = {0, 8, 16};
  static constexpr uint32_t kMax[3] = {255, 255, 255};
  static constexpr int kProductShift[3] = {8, 8, 8};
};
template <>
struct Layout<false> {
  static constexpr int kShift[3] = {0, 5, 11};
  static constexpr uint32_t kMax[3] = {31, 63, 31};
  static constexpr int kProductShift[3] = {5, 6, 5};
};

template <class F>
OMBREL_ALWAYS_INLINE void ForChannels(F f) {
  f(std::integral_constant<int, 0>{});
  f(std::integral_constant<int, 1>{});
  f(std::integral_constant<int, 2>{});
}

// d moved toward v by the product of K weights, each worth 1/256: the product
// may leave 32 bits only in the bits that the shift discards, so the wrapped
// product still yields the exact channel.
template <int K>
OMBREL_ALWAYS_INLINE uint32_t Blend(uint32_t d, uint32_t v, uint32_t weights) {
  if constexpr (K == 0) {
    return v;
  } else {
    const uint32_t product = (v - d) * weights;
    return d + static_cast<uint32_t>(static_cast<int32_t>(product) >> (8 * K));
  }
}

// Packed saturating add and subtract on whole pixels. The guard bits borrow
// the lowest bit of green and red, which is why those bits do not follow exact
// arithmetic; the OR-step puts some of them back.
template <bool OrStep>
OMBREL_ALWAYS_INLINE uint32_t PackedAdd32(uint32_t d, uint32_t u) {
  const uint32_t x = (d & 0x00FEFEFFu) + (u & 0x00FEFEFFu);
  const uint32_t m = x & 0x01010100u;
  uint32_t pixel = x | (m - (m >> 8));
  if constexpr (OrStep) pixel |= (d | u) & 0x00010100u;
  return pixel;
}
OMBREL_ALWAYS_INLINE uint32_t PackedSub32(uint32_t d, uint32_t u) {
  const uint32_t x = (d | 0x01010100u) - (u & 0x00FEFEFFu);
  const uint32_t m = x & 0x01010100u;
  return x & (m - (m >> 8));
}
template <bool OrStep>
OMBREL_ALWAYS_INLINE uint32_t PackedAdd16(uint32_t d, uint32_t u) {
  const uint32_t x = (d & 0xF7DFu) + (u & 0xF7DFu);
  const uint32_t m = x & 0x10820u;
  uint32_t pixel = x | (m - (m >> 5));
  if constexpr (OrStep) pixel |= (d | u) & 0x0820u;
  return pixel & 0xFFFFu;
}
OMBREL_ALWAYS_INLINE uint32_t PackedSub16(uint32_t d, uint32_t u) {
  const uint32_t x = (d | 0x10820u) - (u & 0xF7DFu);
  const uint32_t m = x & 0x10820u;
  return x & (m - (m >> 5)) & 0xFFFFu;
}
// Two 16-bit pixels in one integer, the left one in the low half: the left
// red's carry or borrow reaches the right pixel's blue.
OMBREL_ALWAYS_INLINE uint32_t PairAdd16(uint32_t d, uint32_t u) {
  const uint32_t a = d & 0xF7DEF7DFu;
  const uint32_t b = u & 0xF7DEF7DFu;
  const uint32_t x = a + b;
  const uint32_t carry = x < a ? 1u : 0u;
  const uint32_t m = x & 0x08210820u;
  return x | (m - ((m >> 5) | (carry << 27)));
}
OMBREL_ALWAYS_INLINE uint32_t PairSub16(uint32_t d, uint32_t u) {
  const uint32_t a = d | 0x08210820u;
  const uint32_t b = u & 0xF7DEF7DFu;
  const uint32_t x = a - b;
  const uint32_t borrow = a < b ? 1u : 0u;
  const uint32_t m = x & 0x08210820u;
  return x & ((m - (m >> 5)) | (borrow ? 0u : 0xF8000000u));
}
// Whole-byte twins: every byte, the fourth included, saturates exactly.
OMBREL_ALWAYS_INLINE uint32_t SaturatingAddBytes(uint32_t d, uint32_t u) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t sum = ((d >> shift) & 0xFF) + ((u >> shift) & 0xFF);
    out |= (sum > 255 ? 255 : sum) << shift;
  }
  return out;
}
OMBREL_ALWAYS_INLINE uint32_t SaturatingSubBytes(uint32_t d, uint32_t u) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t a = (d >> shift) & 0xFF;
    const uint32_t b = (u >> shift) & 0xFF;
    out |= (a > b ? a - b : 0) << shift;
  }
  return out;
}
template <bool Is32>
OMBREL_ALWAYS_INLINE uint32_t Halve(uint32_t s, uint32_t d) {
  if constexpr (Is32) return ((s >> 1) & 0x7F7F7Fu) + ((d >> 1) & 0x7F7F7Fu);
  else return ((s >> 1) & 0x7BEFu) + ((d >> 1) & 0x7BEFu);
}

// The blend modes that the software primitives draw, in the order of their
// member tables.
constexpr int kDrawnModes[7] = {0, 1, 2, 3, 4, 10, 11};

// Index of a drawn mode in kDrawnModes after the parameter tests that every
// primitive shares, or -1 when the call draws nothing. Mode 1 at 255 is mode
// 0; a zero-parameter subtract still runs where the caller allows it, since
// the packed subtract of a zero term moves low bits.
inline int SelectModeIndex(uint32_t mode, uint32_t param, bool zeroSubtractDraws) {
  if (mode == 1 && param == 255) mode = 0;
  if ((mode == 1 || mode == 2) && param == 0) return -1;
  if (mode == 3 && param == 0 && !zeroSubtractDraws) return -1;
  for (int i = 0; i < 7; ++i) {
    if (static_cast<uint32_t>(kDrawnModes[i]) == mode) return i;
  }
  return -1;
}

// Members that replace the general rule for one parameter value.
enum class Special { kNone, kHalving, kHalvingMmx, kFullAdd, kFullAddMmx, kFullSub, kFullSubMmx };

// The loop shapes that apply the rules, where they part: the plain path mixes
// 16-bit parameter blends through BlendLerp6Table and copies an unblended
// alpha source whole; the run-table, stretched and triangle paths do neither,
// and the stretched path keys alpha-0 texels out of multiply too.
enum class Path { kPlain, kRunTable, kStretched, kTriangle };

// The settings that make one member of a primitive.
template <bool Is32, bool Palettised, int Mode, bool Graph, bool Bright, bool Alpha, bool Trans,
          Path P = Path::kPlain>
struct Settings {
  static constexpr bool kIs32 = Is32;
  static constexpr bool kPalettised = Palettised;
  static constexpr int kMode = Mode;
  static constexpr bool kGraph = Graph;
  static constexpr bool kBright = Bright;
  static constexpr bool kAlpha = Alpha;  // the source carries alpha
  static constexpr bool kTrans = Trans;
  static constexpr Path kPath = P;
  static constexpr bool kUsesParam = Mode == 1 || Mode == 2 || Mode == 3 || Mode == 10 || Mode == 11;
  static constexpr int kSourceBytes = Palettised ? 1 : (Is32 || Alpha) ? 4 : 2;
  static constexpr int kDestBytes = Is32 ? 4 : 2;
};

// Combines the texel s (colour word or 32-bit pixel, after the palette) with
// the destination pixel at dp. AlphaWeighs: the texel's alpha a is one of the
// weights; w is the blend-graph weight.
template <class C, bool AlphaWeighs>
OMBREL_ALWAYS_INLINE void CombinePixel(const BlitRows& r, uint32_t s, uint32_t a, uint32_t w,
                                       uint8_t* dp) {
  using L = Layout<C::kIs32>;
  constexpr int kMode = C::kMode;
  constexpr int K = (C::kGraph ? 1 : 0) + (AlphaWeighs ? 1 : 0) + (C::kUsesParam ? 1 : 0);
  uint32_t weights = 1;
  if constexpr (C::kGraph) weights *= w;
  if constexpr (AlphaWeighs) weights *= a;
  if constexpr (C::kUsesParam) weights *= r.param;

  const uint32_t d = C::kIs32 ? Load32(dp) : Load16(dp);
  auto write = [&](uint32_t pixel) {
    if constexpr (C::kIs32) Store32(dp, pixel);
    else Store16(dp, pixel);
  };
  auto channel = [](uint32_t pixel, auto ch) {
    return (pixel >> L::kShift[ch]) & L::kMax[ch];
  };
  auto bright = [&](uint32_t value, auto ch) -> uint32_t {
    if constexpr (C::kBright) return static_cast<uint32_t>(r.scaleBright[ch][value]);
    else return value;
  };
  // General rules write blue, green and red; 32-bit keeps the fourth byte.
  auto writeChannels = [&](auto perChannel) {
    uint32_t out = C::kIs32 ? (d & 0xFF000000u) : 0;
    ForChannels([&](auto ch) { out |= (perChannel(ch) & L::kMax[ch]) << L::kShift[ch]; });
    write(out);
  };

  if constexpr (kMode == 0) {
    if constexpr (K == 0 && !C::kBright) {
      write(s);
    } else if constexpr (K == 0) {
      writeChannels([&](auto ch) { return bright(channel(s, ch), ch); });
    } else {
      writeChannels([&](auto ch) {
        return Blend<K>(channel(d, ch), bright(channel(s, ch), ch), weights);
      });
    }
  } else if constexpr (kMode == 1) {
    writeChannels([&](auto ch) {
      const uint32_t t = bright(channel(s, ch), ch);
      const uint32_t dc = channel(d, ch);
      if constexpr (!C::kIs32 && K == 1 && !C::kBright && !C::kAlpha && C::kPath == Path::kPlain) {
        return static_cast<uint32_t>(r.lerp6[t * 64 + dc]);
      } else if constexpr (!C::kIs32 && K == 1) {
        return dc + static_cast<uint32_t>(r.diffParam[static_cast<int32_t>(t - dc)]);
      } else {
        return Blend<K>(dc, t, weights);
      }
    });
  } else if constexpr (kMode == 2 || kMode == 3) {
    uint32_t u = 0;
    ForChannels([&](auto ch) {
      uint32_t term;
      if constexpr (K == 1) {
        term = static_cast<uint32_t>(r.scaleParam[bright(channel(s, ch), ch)]);
      } else if constexpr (C::kIs32) {
        term = (bright(channel(s, ch), ch) * weights >> (8 * K)) & 0xFF;
      } else {
        // 16-bit: the weights other than the parameter first, then the
        // parameter through the table; an alpha source under bright takes its
        // alpha before the bright.
        uint32_t x;
        if constexpr (C::kAlpha && AlphaWeighs && C::kBright && !C::kGraph) {
          x = static_cast<uint32_t>(r.scaleBright[ch][channel(s, ch) * a >> 8]);
        } else {
          x = bright(channel(s, ch), ch) * (C::kGraph ? w : 1) * (AlphaWeighs ? a : 1) >>
              (8 * (K - 1));
        }
        term = static_cast<uint32_t>(r.scaleParam[x]);
      }
      u |= term << L::kShift[ch];
    });
    if constexpr (kMode == 2) {
      write(C::kIs32 ? PackedAdd32<true>(d, u) : PackedAdd16<true>(d, u));
    } else {
      write(C::kIs32 ? PackedSub32(d, u) : PackedSub16(d, u));
    }
  } else if constexpr (kMode == 4) {
    writeChannels([&](auto ch) {
      const uint32_t t = bright(channel(s, ch), ch);
      return (t * weights * channel(d, ch)) >> (8 * K + L::kProductShift[ch]);
    });
  } else if constexpr (kMode == 10) {
    writeChannels([&](auto ch) {
      const uint32_t v = bright(L::kMax[ch] - channel(s, ch), ch);
      const uint32_t dc = channel(d, ch);
      if constexpr (!C::kIs32 && K == 1) {
        return dc + static_cast<uint32_t>(r.diffParam[static_cast<int32_t>(v - dc)]);
      } else {
        return Blend<K>(dc, v, weights);
      }
    });
  } else if constexpr (kMode == 11) {
    writeChannels([&](auto ch) {
      const uint32_t dc = channel(d, ch);
      const uint32_t m = (bright(channel(s, ch), ch) * dc) >> L::kProductShift[ch];
      if constexpr (!C::kIs32 && ch == 1 && C::kAlpha && AlphaWeighs && !C::kGraph &&
                    !C::kBright) {
        // Green keeps five more bits of the product in this one case.
        const int32_t dWide = static_cast<int32_t>(32 * dc);
        const int32_t mWide = static_cast<int32_t>((channel(s, ch) * dc) >> 1);
        const int32_t sum = dWide * 65536 + (mWide - dWide) * static_cast<int32_t>(a * r.param);
        return static_cast<uint32_t>((sum >> 16) >> 5);
      } else if constexpr (!C::kIs32 && K == 1) {
        return dc + static_cast<uint32_t>(r.diffParam[static_cast<int32_t>(m - dc)]);
      } else {
        return Blend<K>(dc, m, weights);
      }
    });
  }
}

// Reads the texel at sp into its colour s (the palette entry, the 32-bit
// pixel or the 16-bit colour word) and its alpha a; false when the
// transparent colour keys it out.
template <class C>
OMBREL_ALWAYS_INLINE bool FetchTexel(const BlitRows& r, const uint8_t* sp, uint32_t* s,
                                     uint32_t* a) {
  *a = 255;
  if constexpr (C::kPalettised) {
    const uint32_t index = *sp;
    if constexpr (C::kTrans) {
      if (index == r.transColor) return false;
    }
    if constexpr (C::kIs32) *s = static_cast<const uint32_t*>(r.palette)[index];
    else *s = static_cast<const uint16_t*>(r.palette)[index];
  } else if constexpr (C::kIs32) {
    *s = Load32(sp);
    if constexpr (C::kAlpha) *a = *s >> 24;
    else if constexpr (C::kTrans) return *s != r.transColor;
  } else if constexpr (C::kAlpha) {
    const uint32_t raw = Load32(sp);
    *s = raw & 0xFFFF;
    *a = (raw >> 16) & 0xFF;
  } else {
    *s = Load16(sp);
    if constexpr (C::kTrans) return *s != r.transColor;
  }
  return true;
}

// Reads the texel at sp, applies the skip test and the weights that the texel
// decides, and combines it with the destination pixel at dp.
template <class C>
OMBREL_ALWAYS_INLINE void BlendTexel(const BlitRows& r, const uint8_t* sp, uint8_t* dp,
                                     const uint8_t* gp) {
  uint32_t s, a;
  if (!FetchTexel<C>(r, sp, &s, &a)) return;
  uint32_t w = 0;
  if constexpr (C::kGraph) w = r.graphWeights[*gp];

  if constexpr (C::kAlpha && C::kTrans) {
    // Except on the stretched path multiply has no zero-alpha test: alpha 0
    // weighs the texel to black.
    if constexpr (C::kMode != 4 || C::kPath == Path::kStretched) {
      if (a == 0) return;
    }
    if (a == 255) {
      CombinePixel<C, false>(r, s, a, w, dp);
    } else {
      CombinePixel<C, true>(r, s, a, w, dp);
    }
  } else if constexpr (C::kAlpha) {
    // Without bright and blend graph the plain path copies an unblended alpha
    // source whole, its alpha landing in the destination's fourth byte.
    constexpr bool kCopiedWhole =
        C::kMode == 0 && !C::kBright && !C::kGraph && C::kPath == Path::kPlain;
    CombinePixel<C, !kCopiedWhole>(r, s, a, w, dp);
  } else {
    CombinePixel<C, false>(r, s, a, w, dp);
  }
}

// The rule of a special member on the texel at sp over the pixel at dp, the
// transparent colour keying texels out as in the general members.
template <class C, Special Kind>
OMBREL_ALWAYS_INLINE void SpecialTexel(const BlitRows& r, const uint8_t* sp, uint8_t* dp) {
  uint32_t s, a;
  if (!FetchTexel<C>(r, sp, &s, &a)) return;
  const uint32_t d = C::kIs32 ? Load32(dp) : Load16(dp);
  uint32_t out;
  if constexpr (Kind == Special::kHalving || Kind == Special::kHalvingMmx) {
    out = Halve<C::kIs32>(s, d);
  } else if constexpr (Kind == Special::kFullAdd) {
    out = C::kIs32 ? PackedAdd32<false>(d, s) : PackedAdd16<false>(d, s);
  } else if constexpr (Kind == Special::kFullSub) {
    out = C::kIs32 ? PackedSub32(d, s) : PackedSub16(d, s);
  } else if constexpr (Kind == Special::kFullAddMmx) {
    out = SaturatingAddBytes(d, s);
  } else {
    static_assert(Kind == Special::kFullSubMmx);
    out = SaturatingSubBytes(d, s);
  }
  if constexpr (C::kIs32) Store32(dp, out);
  else Store16(dp, out);
}

// Whether a special member takes 16-bit pixels in pairs: the plain path's
// full-parameter add and subtract.
template <class C, Special Kind>
constexpr bool kPairs16 = !C::kIs32 && C::kPath == Path::kPlain &&
                          (Kind == Special::kFullAdd || Kind == Special::kFullSub);

// n pixels of a row under a special member, from the row's first drawn pixel.
// With pairs, neighbouring pixels go together from that first pixel; a pair
// with one transparent texel draws the other alone, and a last odd pixel is
// drawn alone.
template <class C, Special Kind>
OMBREL_ALWAYS_INLINE void SpecialRow(const BlitRows& r, const uint8_t* sp, uint8_t* dp, int32_t n) {
  if constexpr (kPairs16<C, Kind>) {
    constexpr bool kAdd = Kind == Special::kFullAdd;
    for (; n >= 2; n -= 2, sp += 2 * C::kSourceBytes, dp += 4) {
      uint32_t s0, s1, a;
      const bool draw0 = FetchTexel<C>(r, sp, &s0, &a);
      const bool draw1 = FetchTexel<C>(r, sp + C::kSourceBytes, &s1, &a);
      if (draw0 && draw1) {
        const uint32_t texels = s0 | (s1 << 16);
        Store32(dp, kAdd ? PairAdd16(Load32(dp), texels) : PairSub16(Load32(dp), texels));
      } else if (draw0) {
        SpecialTexel<C, Kind>(r, sp, dp);
      } else if (draw1) {
        SpecialTexel<C, Kind>(r, sp + C::kSourceBytes, dp + 2);
      }
    }
  }
  for (; n > 0; --n, sp += C::kSourceBytes, dp += C::kDestBytes) SpecialTexel<C, Kind>(r, sp, dp);
}

}  // namespace blend

#endif
