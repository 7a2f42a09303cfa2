// SSE2 forms of the general per-texel rules (BlendTexel and CombinePixel in
// blend_rules.h): four 32-bit or eight 16-bit pixels a step, each lane the
// same products, floors and packed guard bits as the scalar rule, so that the
// two give the same bytes. The 16-bit plain-path mix, add and subtract that
// weigh by the parameter alone take the whole-word forms of
// blend16_rules_sse2.h.
#ifndef OMBREL_SOFTWARE_RENDERER_TEXEL_RULES_SSE2_H
#define OMBREL_SOFTWARE_RENDERER_TEXEL_RULES_SSE2_H

#ifdef __SSE2__
#include <emmintrin.h>

#include <type_traits>
#include <utility>

#include "software_renderer/blend16_rules_sse2.h"
#include "software_renderer/blend_rules.h"
#include "software_renderer/blend_rules_sse2.h"

namespace blend::sse2 {

// Which of the scalar rules a span applies to each texel: BlendTexel's, or
// the run table's, where the run's kind replaces the skip test.
enum class Weighing { kPerTexel, kOpaqueRun, kTranslucentRun };

// Per-call constants of the texel rules.
struct TexelConstants {
  Constants k;
  __m128i colourLanes;  // 16-bit lanes: all ones for blue, green, red; 0 for the fourth byte
  __m128i param16;      // p in every 16-bit lane
  __m128i scale16;      // ceil(p 2^14 / 255): the high product with 4 x is floor(x p / 255) for x <= 63
  __m128i bright16[3];  // the bright's blue, green and red bytes in every 16-bit lane
  __m128i trans16;      // the transparent colour in every 16-bit lane
  __m128i transMatches; // all ones when the transparent colour can equal a raw texel
  __m128i trans8;       // the transparent colour's low byte in every byte
  Words16Constants words16;  // the whole-word 16-bit rules
  // 32-bit blend-graph members: for each graph value, its weight in the three
  // colour lanes of a pixel and 0 in the fourth byte's (TexelCall).
  const uint64_t* graphLanes;
};

// The weights of the blend graph laid out for the 32-bit lanes, made once per
// call: a pixel's lanes are then one load instead of a few shuffles.
struct GraphLanes {
  alignas(16) uint64_t lanes[256];
};

template <class C>
OMBREL_ALWAYS_INLINE TexelConstants MakeTexelConstants(const BlitRows& r) {
  TexelConstants t;
  t.k = MakeConstants(r);
  t.colourLanes = _mm_setr_epi16(-1, -1, -1, 0, -1, -1, -1, 0);
  t.param16 = _mm_set1_epi16(static_cast<int16_t>(r.param));
  t.scale16 = _mm_set1_epi16(static_cast<int16_t>((r.param * 16384 + 254) / 255));
  for (int ch = 0; ch < 3; ++ch) t.bright16[ch] = _mm_set1_epi16(static_cast<int16_t>(r.scaleBright[ch][255]));
  t.trans16 = _mm_set1_epi16(static_cast<int16_t>(r.transColor));
  // A 16-bit raw value is compared with the whole transparent colour: a value
  // beyond the raw value's range matches no texel.
  const uint32_t rawMax = C::kPalettised ? 0xFF : C::kIs32 ? 0xFFFFFFFFu : 0xFFFF;
  t.transMatches = _mm_set1_epi32(r.transColor <= rawMax ? -1 : 0);
  t.trans8 = _mm_set1_epi8(static_cast<char>(r.transColor));
  t.words16 = MakeWords16Constants<C>(r);
  t.graphLanes = nullptr;
  return t;
}

// The per-call state of C's texel rules: the constants, and for 32-bit
// blend-graph members the graph's lanes, filled from the call's weight table,
// which tk points at (so the state is neither copied nor moved).
template <class C>
struct TexelCall {
  TexelConstants tk;
  GraphLanes graphLanes;
  explicit TexelCall(const BlitRows& r) : tk(MakeTexelConstants<C>(r)) {
    if constexpr (C::kGraph && C::kIs32) {
      for (int g = 0; g < 256; ++g) graphLanes.lanes[g] = r.graphWeights[g] * 0x0000000100010001ull;
      tk.graphLanes = graphLanes.lanes;
    }
  }
  TexelCall(const TexelCall&) = delete;
  TexelCall& operator=(const TexelCall&) = delete;
};

OMBREL_ALWAYS_INLINE __m128i Select(__m128i mask, __m128i yes, __m128i no) {
  return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

// d + floor((v - d) * w / 2^(8K)) in 16-bit lanes, w the product of K
// weights: for K = 1 given as 128 w (w <= 255), for K = 2 as w itself
// (w <= 65025, taken unsigned).
template <int K>
OMBREL_ALWAYS_INLINE __m128i BlendLanes(__m128i d, __m128i v, __m128i w) {
  const __m128i x = _mm_sub_epi16(v, d);
  if constexpr (K == 1) {
    return _mm_add_epi16(d, _mm_mulhi_epi16(_mm_slli_epi16(x, 1), w));
  } else {
    // The signed high product of w read as a signed lane is x too low by
    // exactly x where w >= 32768.
    const __m128i high = _mm_mulhi_epi16(x, w);
    return _mm_add_epi16(_mm_add_epi16(d, high), _mm_and_si128(x, _mm_srai_epi16(w, 15)));
  }
}

// d + floor((v - d) * w * q / 2^24) in 16-bit lanes, for three weights: w
// one weight (<= 255), q the product of the other two (<= 65025, taken
// unsigned), |v - d| <= 255. The product reaches 32 bits, so it is formed
// from the magnitude of v - d as two 16-bit factors, |v - d| w and q; a
// negative difference takes the ceiling of the magnitude's quotient, negated.
OMBREL_ALWAYS_INLINE __m128i Blend3Lanes(__m128i d, __m128i v, __m128i w, __m128i q) {
  const __m128i x = _mm_sub_epi16(v, d);
  const __m128i sign = _mm_srai_epi16(x, 15);
  const __m128i magnitude = _mm_sub_epi16(_mm_xor_si128(x, sign), sign);
  const __m128i a = _mm_mullo_epi16(magnitude, w);
  const __m128i high = _mm_mulhi_epu16(a, q);
  const __m128i low = _mm_mullo_epi16(a, q);
  const __m128i quotient = _mm_srli_epi16(high, 8);
  // All ones where the quotient is exact (the 24 bits below it are 0).
  const __m128i exact = _mm_cmpeq_epi16(
      _mm_or_si128(low, _mm_and_si128(high, _mm_set1_epi16(0xFF))), _mm_setzero_si128());
  // Negative: -(quotient + 1) + exact, that is NOT quotient - exact's mask.
  return _mm_add_epi16(d, _mm_sub_epi16(_mm_xor_si128(quotient, sign), _mm_and_si128(exact, sign)));
}

// The 32-bit rule of C on four texels s over four pixels d; AlphaWeighs as
// in CombinePixel. With LowHalf only the two low pixels are wanted: the high
// ones come out as copies of them. graphLo and graphHi: the blend-graph
// weights of the low and high two pixels in their colour lanes, 0 in the
// fourth byte's lane.
template <class C, bool AlphaWeighs, bool LowHalf = false>
OMBREL_ALWAYS_INLINE __m128i Combine32(const TexelConstants& tk, __m128i s, __m128i d,
                                       __m128i graphLo = __m128i{}, __m128i graphHi = __m128i{}) {
  constexpr int kMode = C::kMode;
  constexpr int K = (C::kGraph ? 1 : 0) + (AlphaWeighs ? 1 : 0) + (C::kUsesParam ? 1 : 0);
  const Constants& k = tk.k;
  if constexpr (kMode == 0 && K == 0) {
    if constexpr (!C::kBright) return s;
    else return Select(k.fourthByte, d, ScaleByBright(k, s));
  } else {
    const __m128i zero = _mm_setzero_si128();
    auto half = [&](__m128i sw, __m128i dw, __m128i gw) OMBREL_INLINE_LAMBDA {
      __m128i alpha = zero;
      if constexpr (AlphaWeighs) {
        alpha = _mm_and_si128(_mm_shufflehi_epi16(_mm_shufflelo_epi16(sw, 0xFF), 0xFF),
                              tk.colourLanes);
      }
      // The product of the weights, 0 in the fourth byte's lane, and as
      // BlendLanes takes it.
      __m128i w, blendWeight;
      if constexpr (AlphaWeighs && C::kUsesParam) {
        w = blendWeight = _mm_mullo_epi16(alpha, k.texelWeight);
      } else if constexpr (AlphaWeighs) {
        w = alpha;
        blendWeight = _mm_slli_epi16(alpha, 7);
      } else {
        w = k.texelWeight;
        blendWeight = k.paramHigh;
      }
      __m128i t = kMode == 10 ? _mm_sub_epi16(_mm_set1_epi16(255), sw) : sw;
      if constexpr (C::kBright) t = Div255(_mm_mullo_epi16(t, k.bright));
      if constexpr (C::kGraph) {
        // The graph's weight W comes first; w is the product of the others.
        if constexpr (kMode == 0) {
          if constexpr (AlphaWeighs) return BlendLanes<2>(dw, t, _mm_mullo_epi16(gw, alpha));
          else return BlendLanes<1>(dw, t, _mm_slli_epi16(gw, 7));
        } else if constexpr (kMode == 4) {
          // (t W d) >> 16, or (t W a d) >> 24 as the high product of t W and
          // a d shifted by 8.
          const __m128i tw = _mm_mullo_epi16(t, gw);
          if constexpr (AlphaWeighs) return _mm_srli_epi16(_mm_mulhi_epu16(tw, _mm_mullo_epi16(alpha, dw)), 8);
          else return _mm_mulhi_epu16(tw, dw);
        } else if constexpr (kMode == 2 || kMode == 3) {
          // The source term (t W w) >> 8K, every factor within 16 bits.
          if constexpr (AlphaWeighs) return _mm_srli_epi16(_mm_mulhi_epu16(_mm_mullo_epi16(t, gw), w), 8);
          else return _mm_mulhi_epu16(t, _mm_mullo_epi16(gw, w));
        } else {
          const __m128i v = kMode == 11 ? _mm_srli_epi16(_mm_mullo_epi16(t, dw), 8) : t;
          if constexpr (AlphaWeighs) return Blend3Lanes(dw, v, gw, w);
          else return BlendLanes<2>(dw, v, _mm_mullo_epi16(gw, w));
        }
      } else if constexpr (kMode == 0 || kMode == 1 || kMode == 10) {
        return BlendLanes<K>(dw, t, blendWeight);
      } else if constexpr (kMode == 11) {
        return BlendLanes<K>(dw, _mm_srli_epi16(_mm_mullo_epi16(t, dw), 8), blendWeight);
      } else if constexpr (kMode == 4) {
        if constexpr (AlphaWeighs) return _mm_mulhi_epu16(_mm_mullo_epi16(t, alpha), dw);
        else return _mm_srli_epi16(_mm_mullo_epi16(t, dw), 8);
      } else if constexpr (K == 1) {
        return Div255(_mm_mullo_epi16(t, w));  // the source term of add and subtract
      } else {
        return _mm_mulhi_epu16(t, w);
      }
    };
    const __m128i low = half(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero), graphLo);
    const __m128i out = _mm_packus_epi16(
        low, LowHalf ? low : half(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero), graphHi));
    if constexpr (kMode == 2) return PackedAdd<true>(d, out);
    else if constexpr (kMode == 3) return PackedSub(d, out);
    else if constexpr (kMode == 4) return Select(k.fourthByte, d, out);
    else return out;
  }
}

// PairAdd16 and PairSub16 on four pairs of colour words, each pair a 32-bit
// lane. The carry or borrow out of the lane is found by an unsigned compare.
OMBREL_ALWAYS_INLINE __m128i UnsignedGreater32(__m128i a, __m128i b) {
  const __m128i sign = _mm_set1_epi32(static_cast<int>(0x80000000u));
  return _mm_cmpgt_epi32(_mm_xor_si128(a, sign), _mm_xor_si128(b, sign));
}
OMBREL_ALWAYS_INLINE __m128i PairAdd16Lanes(__m128i d, __m128i u) {
  const __m128i keep = _mm_set1_epi32(static_cast<int>(0xF7DEF7DFu));
  const __m128i a = _mm_and_si128(d, keep);
  const __m128i x = _mm_add_epi32(a, _mm_and_si128(u, keep));
  const __m128i carry = UnsignedGreater32(a, x);
  const __m128i m = _mm_and_si128(x, _mm_set1_epi32(0x08210820));
  const __m128i low = _mm_or_si128(_mm_srli_epi32(m, 5), _mm_and_si128(carry, _mm_set1_epi32(0x08000000)));
  return _mm_or_si128(x, _mm_sub_epi32(m, low));
}
OMBREL_ALWAYS_INLINE __m128i PairSub16Lanes(__m128i d, __m128i u) {
  const __m128i a = _mm_or_si128(d, _mm_set1_epi32(0x08210820));
  const __m128i b = _mm_and_si128(u, _mm_set1_epi32(static_cast<int>(0xF7DEF7DFu)));
  const __m128i x = _mm_sub_epi32(a, b);
  const __m128i borrow = UnsignedGreater32(b, a);
  const __m128i m = _mm_and_si128(x, _mm_set1_epi32(0x08210820));
  const __m128i fill = _mm_or_si128(_mm_sub_epi32(m, _mm_srli_epi32(m, 5)),
                                    _mm_andnot_si128(borrow, _mm_set1_epi32(static_cast<int>(0xF8000000u))));
  return _mm_and_si128(x, fill);
}

// The 16-bit rule of C on eight colour words s over eight pixels d;
// AlphaWeighs as in CombinePixel, with the texels' alphas in the 16-bit lanes
// of alpha and their blend-graph weights in those of graph.
template <class C, bool AlphaWeighs>
OMBREL_ALWAYS_INLINE __m128i Combine16(const TexelConstants& tk, __m128i s, __m128i alpha, __m128i d,
                                       __m128i graph = __m128i{}) {
  constexpr int kMode = C::kMode;
  constexpr int kShift[3] = {0, 5, 11};
  constexpr int kMax[3] = {31, 63, 31};
  constexpr int kProductShift[3] = {5, 6, 5};
  if constexpr (kMode == 0 && !C::kBright && !AlphaWeighs && !C::kGraph) return s;
  if constexpr (kLerp6Words<C>) return Lerp6Words<C>(tk.words16, s, d);
  if constexpr (kScaledTermWords<C> && !AlphaWeighs) {
    if constexpr (kMode == 2) return AddScaledTermWords<C>(tk.words16, s, d);
    else return SubtractScaledTermWords<C>(tk.words16, s, d);
  }
  // The product of the alpha and the parameter, for modes with both.
  __m128i alphaParam = _mm_setzero_si128();
  if constexpr (AlphaWeighs && C::kUsesParam) alphaParam = _mm_mullo_epi16(alpha, tk.param16);
  __m128i out = _mm_setzero_si128();
  __m128i u = _mm_setzero_si128();
  ForChannels([&](auto ch) OMBREL_INLINE_LAMBDA {
    const __m128i max = _mm_set1_epi16(kMax[ch]);
    // Red is the top field: the shift alone extracts it.
    auto field = [&](__m128i x) OMBREL_INLINE_LAMBDA {
      const __m128i shifted = _mm_srli_epi16(x, kShift[ch]);
      return ch == 2 ? shifted : _mm_and_si128(shifted, max);
    };
    const __m128i sf = field(s);
    const __m128i df = field(d);
    __m128i t = kMode == 10 ? _mm_sub_epi16(max, sf) : sf;
    if constexpr (C::kBright) t = Div255(_mm_mullo_epi16(t, tk.bright16[ch]));
    __m128i f;
    if constexpr (C::kGraph) {
      // The graph's weight W first, then the alpha; the parameter last.
      const __m128i tw = _mm_mullo_epi16(t, graph);  // at most 63 x 255
      if constexpr (kMode == 0) {
        f = AlphaWeighs ? BlendLanes<2>(df, t, _mm_mullo_epi16(graph, alpha))
                        : BlendLanes<1>(df, t, _mm_slli_epi16(graph, 7));
      } else if constexpr (kMode == 2 || kMode == 3) {
        const __m128i x = AlphaWeighs ? _mm_mulhi_epu16(tw, alpha) : _mm_srli_epi16(tw, 8);
        u = _mm_or_si128(u, _mm_slli_epi16(Scale63Lanes(tk.scale16, x), kShift[ch]));
        return;
      } else if constexpr (kMode == 4) {
        // (t W [a] d) >> (8k + shift), with d scaled to take the shift.
        const __m128i ds = _mm_slli_epi16(df, 8 - kProductShift[ch]);
        f = AlphaWeighs ? _mm_srli_epi16(_mm_mulhi_epu16(tw, _mm_mullo_epi16(alpha, ds)), 8)
                        : _mm_mulhi_epu16(tw, ds);
      } else {
        const __m128i v = kMode == 11 ? _mm_srli_epi16(_mm_mullo_epi16(t, df), kProductShift[ch]) : t;
        f = AlphaWeighs ? Blend3Lanes(df, v, graph, alphaParam)
                        : BlendLanes<2>(df, v, _mm_mullo_epi16(graph, tk.param16));
      }
    } else if constexpr (kMode == 0) {
      f = AlphaWeighs ? BlendLanes<1>(df, t, _mm_slli_epi16(alpha, 7)) : t;
    } else if constexpr (kMode == 2 || kMode == 3) {
      __m128i x = t;
      if constexpr (AlphaWeighs && C::kBright) {
        // The alpha before the bright.
        x = Div255(_mm_mullo_epi16(_mm_srli_epi16(_mm_mullo_epi16(sf, alpha), 8), tk.bright16[ch]));
      } else if constexpr (AlphaWeighs) {
        x = _mm_srli_epi16(_mm_mullo_epi16(t, alpha), 8);
      }
      u = _mm_or_si128(u, _mm_slli_epi16(Scale63Lanes(tk.scale16, x), kShift[ch]));
      return;
    } else if constexpr (kMode == 4) {
      if constexpr (AlphaWeighs) {
        // (t a d) >> (8 + shift): t a below 2^14, d scaled to take the shift.
        f = _mm_mulhi_epu16(_mm_mullo_epi16(t, alpha), _mm_slli_epi16(df, 8 - kProductShift[ch]));
      } else {
        f = _mm_srli_epi16(_mm_mullo_epi16(t, df), kProductShift[ch]);
      }
    } else if constexpr (kMode == 11 && ch == 1 && C::kAlpha && AlphaWeighs && !C::kBright) {
      // Green keeps five more bits of the product: (D' + floor((M' - D')
      // a p / 2^16)) >> 5 with D' = 32 d and M' = (s d) >> 1.
      const __m128i dWide = _mm_slli_epi16(df, 5);
      const __m128i mWide = _mm_srli_epi16(_mm_mullo_epi16(sf, df), 1);
      f = _mm_srli_epi16(BlendLanes<2>(dWide, mWide, alphaParam), 5);
    } else {
      const __m128i v = kMode == 11 ? _mm_srli_epi16(_mm_mullo_epi16(t, df), kProductShift[ch]) : t;
      if constexpr (AlphaWeighs) f = BlendLanes<2>(df, v, alphaParam);
      else f = _mm_add_epi16(df, DiffLanes(tk.scale16, _mm_sub_epi16(v, df)));
    }
    // Every rule keeps a field within its range, so it needs no mask.
    out = _mm_or_si128(out, _mm_slli_epi16(f, kShift[ch]));
  });
  if constexpr (kMode == 2) return PackedAdd16Lanes(d, u);
  else if constexpr (kMode == 3) return PackedSub16Lanes(d, u);
  else return out;
}

// The low Bytes bytes of a register (4, 8 or 16), loaded or stored without
// touching the bytes after them; a load leaves the rest of the register zero.
template <int Bytes>
OMBREL_ALWAYS_INLINE __m128i LoadLowBytes(const uint8_t* p) {
  static_assert(Bytes == 4 || Bytes == 8 || Bytes == 16);
  if constexpr (Bytes == 4) return _mm_cvtsi32_si128(static_cast<int>(Load32(p)));
  else if constexpr (Bytes == 8) return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
  else return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
template <int Bytes>
OMBREL_ALWAYS_INLINE void StoreLowBytes(uint8_t* p, __m128i v) {
  static_assert(Bytes == 4 || Bytes == 8 || Bytes == 16);
  if constexpr (Bytes == 4) Store32(p, static_cast<uint32_t>(_mm_cvtsi128_si32(v)));
  else if constexpr (Bytes == 8) _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
  else _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// A block of texels as the rules take them: the colours after the palette,
// and the lanes whose raw value is the transparent colour.
struct TexelBlock {
  __m128i s;
  __m128i keyed;
  __m128i alpha16;  // 16-bit sources with alpha: each texel's alpha
  // Blend-graph members: each texel's weight in 16-bit lanes, for 32-bit
  // colour in the lanes of its three channels (0 in the fourth byte's),
  // the low two pixels in graph[0] and the high two in graph[1].
  __m128i graph[2];
};

// The lanes of the block: four 32-bit pixels or eight 16-bit ones.
template <class C>
constexpr int kLanes = C::kIs32 ? 4 : 8;

// Eight 16-bit lanes from value(0) to value(7), each put in from a general
// register: building them through memory makes the compiler store bytes and
// load words, which stalls.
template <class F, int... I>
OMBREL_ALWAYS_INLINE __m128i InsertWords(F value, std::integer_sequence<int, I...>) {
  __m128i v = _mm_setzero_si128();
  ((v = _mm_insert_epi16(v, static_cast<int>(value(I)), I)), ...);
  return v;
}
template <class F>
OMBREL_ALWAYS_INLINE __m128i GatherWords(F value) {
  return InsertWords(value, std::make_integer_sequence<int, 8>{});
}

// The blend-graph weights of a block: a whole block, its first Part pixels,
// or the one pixel's in every lane (One). gp is either the address of the
// block's graph pixels, side by side, or gp(i) gives lane i's graph pixel
// (texels gathered by column, as when stretching). 32-bit colour loads each
// pixel's lanes from tk.graphLanes; in 16-bit colour two weights at a time
// are joined in a general register, which costs fewer shuffles than putting
// each into its lane.
template <class C, bool One, int Part, class G>
OMBREL_ALWAYS_INLINE void LoadGraphWeights(const TexelConstants& tk, const BlitRows& r, G gp,
                                           TexelBlock* b) {
  const uint8_t* weights = r.graphWeights;
  // The graph pixels of lanes from to from + 3 (or + 1), a byte each from
  // the lowest.
  auto graph4 = [&](int from) OMBREL_INLINE_LAMBDA -> uint32_t {
    if constexpr (std::is_pointer_v<G>) {
      return Load32(gp + from);
    } else {
      return uint32_t{gp(from)} | uint32_t{gp(from + 1)} << 8 | uint32_t{gp(from + 2)} << 16 |
             uint32_t{gp(from + 3)} << 24;
    }
  };
  auto graph2 = [&]() OMBREL_INLINE_LAMBDA -> uint32_t {
    if constexpr (std::is_pointer_v<G>) return Load16(gp);
    else return uint32_t{gp(0)} | uint32_t{gp(1)} << 8;
  };
  if constexpr (One) {
    uint32_t g;
    if constexpr (std::is_pointer_v<G>) g = gp[0];
    else g = gp(0);
    const __m128i w = _mm_set1_epi16(static_cast<int16_t>(weights[g]));
    b->graph[0] = b->graph[1] = C::kIs32 ? _mm_and_si128(w, tk.colourLanes) : w;
  } else if constexpr (C::kIs32) {
    // Two pixels' lanes from the graph values in the low two bytes of g.
    auto pair = [lanes = tk.graphLanes](uint32_t g) OMBREL_INLINE_LAMBDA {
      const __m128i low = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(lanes + (g & 0xFF)));
      return _mm_castpd_si128(
          _mm_loadh_pd(_mm_castsi128_pd(low), reinterpret_cast<const double*>(lanes + ((g >> 8) & 0xFF))));
    };
    if constexpr (Part == 2) {
      b->graph[0] = pair(graph2());
      b->graph[1] = _mm_setzero_si128();
    } else {
      const uint32_t g = graph4(0);
      b->graph[0] = pair(g);
      b->graph[1] = pair(g >> 16);
    }
  } else {
    auto two = [weights](uint32_t g) OMBREL_INLINE_LAMBDA {
      return _mm_cvtsi32_si128(
          static_cast<int>(uint32_t{weights[g & 0xFF]} | uint32_t{weights[(g >> 8) & 0xFF]} << 16));
    };
    auto four = [&](int from) OMBREL_INLINE_LAMBDA {
      const uint32_t g = graph4(from);
      return _mm_unpacklo_epi32(two(g), two(g >> 16));
    };
    if constexpr (Part == 2) b->graph[0] = two(graph2());
    else if constexpr (Part == 4) b->graph[0] = four(0);
    else b->graph[0] = _mm_unpacklo_epi64(four(0), four(4));
  }
}

// Reads the block's texels; at(i) is the address of lane i's texel. With
// One, the single texel at(0) fills every lane, so that whole-register tests
// see that texel alone. A Part other than 0 reads that many texels side by
// side into the low lanes (half or a quarter of a block), the others zero.
template <class C, bool Contiguous, bool One, int Part, class At>
OMBREL_ALWAYS_INLINE TexelBlock LoadTexels(const TexelConstants& tk, const BlitRows& r, At at) {
  TexelBlock b;
  __m128i raw;
  if constexpr (!C::kIs32 && C::kAlpha) {
    // Four-byte texels: the colour word and the alpha of each, packed into
    // 16-bit lanes.
    __m128i lo, hi;
    if constexpr (One) {
      lo = hi = _mm_set1_epi32(static_cast<int>(Load32(at(0))));
    } else if constexpr (Part == 4) {
      lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at(0)));
      hi = _mm_setzero_si128();
    } else if constexpr (Part == 2) {
      lo = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at(0)));
      hi = _mm_setzero_si128();
    } else if constexpr (Contiguous) {
      lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at(0)));
      hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at(0) + 16));
    } else {
      lo = _mm_setr_epi32(static_cast<int>(Load32(at(0))), static_cast<int>(Load32(at(1))),
                          static_cast<int>(Load32(at(2))), static_cast<int>(Load32(at(3))));
      hi = _mm_setr_epi32(static_cast<int>(Load32(at(4))), static_cast<int>(Load32(at(5))),
                          static_cast<int>(Load32(at(6))), static_cast<int>(Load32(at(7))));
    }
    auto word = [](__m128i x) OMBREL_INLINE_LAMBDA { return _mm_srai_epi32(_mm_slli_epi32(x, 16), 16); };
    const __m128i alphaByte = _mm_set1_epi32(0xFF);
    b.s = _mm_packs_epi32(word(lo), word(hi));
    b.alpha16 = _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(lo, 16), alphaByte),
                                _mm_and_si128(_mm_srli_epi32(hi, 16), alphaByte));
    b.keyed = _mm_setzero_si128();
    return b;
  } else if constexpr (!std::is_pointer_v<decltype(at(0))>) {
    // A loader that reads the block's raw texels itself.
    static_assert(!C::kPalettised);
    b.s = at(0);
    raw = b.s;
  } else if constexpr (Part != 0) {
    static_assert(Contiguous && !C::kPalettised);
    b.s = LoadLowBytes<Part * C::kSourceBytes>(at(0));
    raw = b.s;
  } else if constexpr (C::kPalettised) {
    if constexpr (C::kIs32) {
      const auto* palette = static_cast<const uint32_t*>(r.palette);
      if constexpr (One) {
        raw = _mm_set1_epi32(*at(0));
        b.s = _mm_set1_epi32(static_cast<int>(palette[*at(0)]));
      } else {
        if constexpr (Contiguous) {
          const __m128i bytes = _mm_cvtsi32_si128(static_cast<int>(Load32(at(0))));
          const __m128i zero = _mm_setzero_si128();
          raw = _mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero);
        } else {
          raw = _mm_setr_epi32(*at(0), *at(1), *at(2), *at(3));
        }
        b.s = _mm_setr_epi32(static_cast<int>(palette[*at(0)]), static_cast<int>(palette[*at(1)]),
                             static_cast<int>(palette[*at(2)]), static_cast<int>(palette[*at(3)]));
      }
    } else {
      const auto* palette = static_cast<const uint16_t*>(r.palette);
      if constexpr (One) {
        raw = _mm_set1_epi16(*at(0));
        b.s = _mm_set1_epi16(static_cast<int16_t>(palette[*at(0)]));
      } else {
        if constexpr (Contiguous) {
          raw = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(at(0))),
                                  _mm_setzero_si128());
        } else {
          raw = GatherWords([&](int i) OMBREL_INLINE_LAMBDA { return uint32_t{*at(i)}; });
        }
        b.s = GatherWords([&](int i) OMBREL_INLINE_LAMBDA { return uint32_t{palette[*at(i)]}; });
      }
    }
  } else if constexpr (C::kIs32) {
    if constexpr (One) {
      b.s = _mm_set1_epi32(static_cast<int>(Load32(at(0))));
    } else if constexpr (Contiguous) {
      b.s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at(0)));
    } else {
      b.s = _mm_setr_epi32(static_cast<int>(Load32(at(0))), static_cast<int>(Load32(at(1))),
                           static_cast<int>(Load32(at(2))), static_cast<int>(Load32(at(3))));
    }
    raw = b.s;
  } else {
    if constexpr (One) {
      b.s = _mm_set1_epi16(static_cast<int16_t>(Load16(at(0))));
    } else if constexpr (Contiguous) {
      b.s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at(0)));
    } else {
      b.s = GatherWords([&](int i) OMBREL_INLINE_LAMBDA { return Load16(at(i)); });
    }
    raw = b.s;
  }
  b.keyed = _mm_setzero_si128();
  if constexpr (C::kTrans && !C::kAlpha) {
    const __m128i equal = C::kIs32 ? _mm_cmpeq_epi32(raw, tk.k.transColor) : _mm_cmpeq_epi16(raw, tk.trans16);
    // A 32-bit raw value holds any transparent colour.
    b.keyed = C::kIs32 && !C::kPalettised ? equal : _mm_and_si128(equal, tk.transMatches);
  }
  return b;
}

// The new pixels of one block under the rule that Wg picks, with the lanes
// where the destination stays (keyed or absent texels) holding d.
// The SSE2 form of a special member's rule (SpecialTexel and SpecialRow in
// blend_rules.h) on a block, the lanes that stay holding d. Pairs start at the
// block's first pixel.
template <class C, Special Kind>
OMBREL_ALWAYS_INLINE __m128i SpecialBlock(const TexelConstants& tk, const TexelBlock& b, __m128i d,
                                          __m128i stays, bool anyStays) {
  auto keep = [&](__m128i out) OMBREL_INLINE_LAMBDA { return anyStays ? Select(stays, d, out) : out; };
  if constexpr (C::kIs32) {
    return keep(Rule<C, Kind>(tk.k, b.s, d));
  } else if constexpr (Kind == Special::kHalving || Kind == Special::kHalvingMmx) {
    const __m128i mask = _mm_set1_epi16(0x7BEF);
    return keep(_mm_add_epi16(_mm_and_si128(_mm_srli_epi16(b.s, 1), mask),
                              _mm_and_si128(_mm_srli_epi16(d, 1), mask)));
  } else {
    constexpr bool kAdd = Kind == Special::kFullAdd;
    auto single = [&]() OMBREL_INLINE_LAMBDA {
      return kAdd ? PackedAdd16Lanes<false>(d, b.s) : PackedSub16Lanes(d, b.s);
    };
    if constexpr (!kPairs16<C, Kind>) {
      return keep(single());
    } else {
      const __m128i pairs = kAdd ? PairAdd16Lanes(d, b.s) : PairSub16Lanes(d, b.s);
      if (!anyStays) return pairs;
      // A pair with one texel staying draws the other alone.
      const __m128i whole = _mm_cmpeq_epi32(stays, _mm_setzero_si128());
      return Select(stays, d, Select(whole, pairs, single()));
    }
  }
}

// NoneStays: the caller knows that no lane stays (stays is zero).
template <class C, Weighing Wg, Special Kind = Special::kNone, bool LowHalf = false, bool NoneStays = false>
OMBREL_ALWAYS_INLINE __m128i BlendBlock(const TexelConstants& tk, const TexelBlock& b, __m128i d,
                                        __m128i stays, bool anyStays) {
  if constexpr (Kind != Special::kNone) return SpecialBlock<C, Kind>(tk, b, d, stays, anyStays);
  // Blocks that keep no pixel skip the masking, except after a copy, where
  // the masking costs less than a mispredicted test.
  constexpr bool kCheap = C::kMode == 0 && !C::kBright;
  auto keep = [&](__m128i out) OMBREL_INLINE_LAMBDA {
    return !NoneStays && (kCheap || anyStays) ? Select(stays, d, out) : out;
  };
  auto combine = [&](auto alphaWeighs) OMBREL_INLINE_LAMBDA {
    constexpr bool kWeighs = decltype(alphaWeighs)::value;
    if constexpr (C::kIs32) return Combine32<C, kWeighs, LowHalf>(tk, b.s, d, b.graph[0], b.graph[1]);
    else return Combine16<C, kWeighs>(tk, b.s, b.alpha16, d, b.graph[0]);
  };
  using Opaque = std::false_type;
  using Translucent = std::true_type;
  if constexpr (Wg == Weighing::kOpaqueRun) {
    return combine(Opaque{});
  } else if constexpr (Wg == Weighing::kTranslucentRun) {
    return combine(std::bool_constant<C::kAlpha>{});
  } else if constexpr (C::kAlpha && C::kTrans) {
    // Alpha 0 keeps the pixel (except in multiply off the stretched path),
    // alpha 255 leaves the alpha out of the weights. Sprites are mostly
    // opaque or empty: a block without a drawn translucent texel takes the
    // opaque rule alone.
    __m128i zeroLanes, opaqueLanes;
    if constexpr (C::kIs32) {
      const __m128i alpha = _mm_srli_epi32(b.s, 24);
      zeroLanes = _mm_cmpeq_epi32(alpha, _mm_setzero_si128());
      opaqueLanes = _mm_cmpeq_epi32(alpha, _mm_set1_epi32(255));
    } else {
      zeroLanes = _mm_cmpeq_epi16(b.alpha16, _mm_setzero_si128());
      opaqueLanes = _mm_cmpeq_epi16(b.alpha16, _mm_set1_epi16(255));
    }
    if constexpr (C::kMode != 4 || C::kPath == Path::kStretched) stays = _mm_or_si128(stays, zeroLanes);
    if (_mm_movemask_epi8(_mm_or_si128(stays, opaqueLanes)) == 0xFFFF)
      return Select(stays, d, combine(Opaque{}));
    if (_mm_movemask_epi8(opaqueLanes) == 0) return Select(stays, d, combine(Translucent{}));
    return Select(stays, d, Select(opaqueLanes, combine(Opaque{}), combine(Translucent{})));
  } else if constexpr (C::kAlpha) {
    constexpr bool kCopiedWhole =
        C::kMode == 0 && !C::kBright && !C::kGraph && C::kPath == Path::kPlain;
    return keep(combine(std::bool_constant<!kCopiedWhole>{}));
  } else {
    return keep(combine(Opaque{}));
  }
}

// Draws one block over dp: kLanes<C> pixels, with One the single pixel at
// dp, with Part that many pixels. absent: lanes that draw nothing (all ones),
// from the caller. gp: the blend-graph pixels of the block's texels, for
// blend-graph members, as LoadGraphWeights takes them.
template <class C, Weighing Wg, bool Contiguous, bool One, int Part = 0,
          Special Kind = Special::kNone, class At, class G = const uint8_t*>
OMBREL_ALWAYS_INLINE void DrawBlock(const TexelConstants& tk, const BlitRows& r, At at, uint8_t* dp,
                                    __m128i absent, G gp = nullptr) {
  TexelBlock b = LoadTexels<C, Contiguous, One, Part>(tk, r, at);
  const __m128i stays = _mm_or_si128(b.keyed, absent);
  const int staysMask = _mm_movemask_epi8(stays);
  if (staysMask == 0xFFFF) return;
  if constexpr (C::kGraph) LoadGraphWeights<C, One, Part>(tk, r, gp, &b);
  const bool anyStays = staysMask != 0;
  // A single 32-bit pixel or two are stored from the low half alone.
  constexpr bool kLowHalf = C::kIs32 && (One || Part == 2);
  if constexpr (Part != 0) {
    // The lanes past the part hold zeros: whatever the rule makes of them is
    // not stored.
    constexpr int kBytes = Part * C::kDestBytes;
    const __m128i d = LoadLowBytes<kBytes>(dp);
    StoreLowBytes<kBytes>(dp, BlendBlock<C, Wg, Kind, kLowHalf>(tk, b, d, stays, anyStays));
  } else if constexpr (One) {
    const __m128i d = C::kIs32 ? _mm_set1_epi32(static_cast<int>(Load32(dp)))
                               : _mm_set1_epi16(static_cast<int16_t>(Load16(dp)));
    const auto out = static_cast<uint32_t>(_mm_cvtsi128_si32(BlendBlock<C, Wg, Kind, kLowHalf>(tk, b, d, stays, anyStays)));
    if constexpr (C::kIs32) Store32(dp, out);
    else Store16(dp, out);
  } else {
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dp));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dp), BlendBlock<C, Wg, Kind>(tk, b, d, stays, anyStays));
  }
}

// Eight palettised texels over eight 32-bit pixels, two blocks: the indices
// are one load, compared with the transparent colour as bytes before they are
// widened, and eight texels none of which is keyed draw without masking.
template <class C, Weighing Wg>
OMBREL_ALWAYS_INLINE void DrawPalettisedPair(const TexelConstants& tk, const BlitRows& r,
                                             const uint32_t* palette, const uint8_t* sp, uint8_t* dp,
                                             const uint8_t* gp) {
  static_assert(C::kPalettised && C::kIs32 && !C::kAlpha);
  auto colours = [&](int first) OMBREL_INLINE_LAMBDA {
    return _mm_setr_epi32(static_cast<int>(palette[sp[first]]), static_cast<int>(palette[sp[first + 1]]),
                          static_cast<int>(palette[sp[first + 2]]), static_cast<int>(palette[sp[first + 3]]));
  };
  auto draw = [&](int first, __m128i stays, int staysBits, auto noneStays) OMBREL_INLINE_LAMBDA {
    constexpr bool kNoneStays = decltype(noneStays)::value;
    // After a copy the masking costs less than a mispredicted test.
    if constexpr (!kNoneStays && !(C::kMode == 0 && !C::kBright)) {
      if (staysBits == 0xF) return;
    }
    TexelBlock b;
    b.s = colours(first);
    b.keyed = stays;
    if constexpr (C::kGraph) LoadGraphWeights<C, false, 0>(tk, r, gp + first, &b);
    uint8_t* p = dp + first * 4;
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p),
                     BlendBlock<C, Wg, Special::kNone, false, kNoneStays>(tk, b, d, stays, staysBits != 0));
  };
  int keyedBits = 0;
  __m128i keyed = _mm_setzero_si128();
  if constexpr (C::kTrans) {
    // A transparent colour beyond a byte matches no index (transMatches).
    const __m128i raw = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(sp));
    keyed = _mm_and_si128(_mm_cmpeq_epi8(raw, tk.trans8), tk.transMatches);
    keyedBits = _mm_movemask_epi8(keyed) & 0xFF;
  }
  if (keyedBits == 0) {
    draw(0, _mm_setzero_si128(), 0, std::true_type{});
    draw(4, _mm_setzero_si128(), 0, std::true_type{});
  } else if (keyedBits != 0xFF) {
    const __m128i words = _mm_unpacklo_epi8(keyed, keyed);
    draw(0, _mm_unpacklo_epi16(words, words), keyedBits & 0xF, std::false_type{});
    draw(4, _mm_unpackhi_epi16(words, words), keyedBits >> 4, std::false_type{});
  }
}

// TexelSpan for the member C in one of its forms. gp: the row's blend-graph
// pixels from the first texel's, for blend-graph members.
template <class C, Weighing Wg, Special Kind>
OMBREL_ALWAYS_INLINE void TexelSpanOf(const TexelConstants& tk, const BlitRows& r, const uint8_t* sp,
                                      uint8_t* dp, int32_t n, const uint8_t* gp) {
  constexpr int kN = kLanes<C>;
  constexpr int kGraphStep = C::kGraph ? 1 : 0;
  const __m128i none = _mm_setzero_si128();
  if constexpr (C::kPalettised && C::kIs32 && Kind == Special::kNone) {
    // The palette's address held apart from r, which a store could change.
    const auto* palette = static_cast<const uint32_t*>(r.palette);
    for (; n >= 2 * kN; n -= 2 * kN, sp += 2 * kN, dp += 2 * kN * C::kDestBytes, gp += 2 * kN * kGraphStep) {
      DrawPalettisedPair<C, Wg>(tk, r, palette, sp, dp, gp);
    }
  }
  for (; n >= kN; n -= kN, sp += kN * C::kSourceBytes, dp += kN * C::kDestBytes, gp += kN * kGraphStep) {
    DrawBlock<C, Wg, true, false, false, Kind>(
        tk, r, [sp](int i) OMBREL_INLINE_LAMBDA { return sp + i * C::kSourceBytes; }, dp, none, gp);
  }
  if constexpr (!C::kPalettised) {
    // Short runs, such as a sprite's edges, take half a block, and with
    // eight lanes a quarter.
    auto part = [&](auto lanes) OMBREL_INLINE_LAMBDA {
      constexpr int kPart = decltype(lanes)::value;
      if (n >= kPart) {
        DrawBlock<C, Wg, true, false, kPart, Kind>(tk, r, [sp](int) OMBREL_INLINE_LAMBDA { return sp; }, dp, none,
                                                   gp);
        n -= kPart;
        sp += kPart * C::kSourceBytes;
        dp += kPart * C::kDestBytes;
        gp += kPart * kGraphStep;
      }
    };
    part(std::integral_constant<int, kN / 2>{});
    if constexpr (kN == 8) part(std::integral_constant<int, 2>{});
  }
  if constexpr (Kind != Special::kNone) {
    SpecialRow<C, Kind>(r, sp, dp, n);
  } else {
    for (; n > 0; --n, sp += C::kSourceBytes, dp += C::kDestBytes, gp += kGraphStep) {
      DrawBlock<C, Wg, true, true>(tk, r, [sp](int) OMBREL_INLINE_LAMBDA { return sp; }, dp, none, gp);
    }
  }
}

// n pixels of a row whose texels lie side by side from sp; with Kind, under
// that special member's rule, its last few pixels by the scalar rule. A member
// with a second form for some parameters takes it here. gp: the row's
// blend-graph pixels from the first texel's, for blend-graph members.
template <class C, Weighing Wg, Special Kind = Special::kNone>
OMBREL_ALWAYS_INLINE void TexelSpan(const TexelConstants& tk, const BlitRows& r, const uint8_t* sp,
                                    uint8_t* dp, int32_t n, const uint8_t* gp = nullptr) {
  if constexpr (Kind == Special::kNone && kHasOtherForm<C>) {
    if (tk.words16.otherForm) {
      TexelSpanOf<OtherForm<C>, Wg, Kind>(tk, r, sp, dp, n, gp);
      return;
    }
  }
  TexelSpanOf<C, Wg, Kind>(tk, r, sp, dp, n, gp);
}

}  // namespace blend::sse2

#endif
#endif
