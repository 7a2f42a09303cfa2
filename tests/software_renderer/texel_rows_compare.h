// The comparison of the SSE2 spans with the scalar rules, shared by the
// tests of the texel rules, split by path so that each compiles alone.
#ifndef OMBREL_TESTS_SOFTWARE_RENDERER_TEXEL_ROWS_COMPARE_H
#define OMBREL_TESTS_SOFTWARE_RENDERER_TEXEL_ROWS_COMPARE_H

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "software_renderer/blend_tables.h"
#include "software_renderer/member_grid.h"
#include "software_renderer/texel_rules_sse2.h"

namespace texel_rows {

using blend::BlitRows;
using blend::Path;
using blend::sse2::Weighing;

template <class C>
struct NoLoop {
  static void Run(const BlitRows&) {}
};

inline const char* PathName(Path p) {
  switch (p) {
    case Path::kPlain: return "plain";
    case Path::kRunTable: return "run table";
    case Path::kStretched: return "stretched";
    default: return "triangle";
  }
}

// One random setting of a member's inputs: parameter, bright, palette and
// transparent colour, blend-graph weights, and rows of texels with a mix of
// the values that the rules treat apart (the transparent colour, alpha 0 and
// 255, weights 0 and 255).
template <class C>
struct RandomInputs {
  uint32_t palette[256];
  uint8_t weights[256];
  BlitRows rows{};
  std::vector<uint8_t> src, dst, graph;

  RandomInputs(std::mt19937& rng, int width, int srcOffset, int dstOffset, int graphOffset = 0)
      : src(static_cast<size_t>(width * C::kSourceBytes + 16 + srcOffset)),
        dst(static_cast<size_t>(width * C::kDestBytes + 16 + dstOffset)),
        graph(static_cast<size_t>(width + graphOffset)) {
    for (uint32_t& entry : palette) entry = C::kIs32 ? rng() : rng() & 0xFFFF;
    if constexpr (!C::kIs32) {
      auto* words = reinterpret_cast<uint16_t*>(palette);
      for (int i = 0; i < 256; ++i) words[i] = static_cast<uint16_t>(rng());
    }
    const uint32_t params[] = {0, 1, 127, 128, 129, 254, 255, static_cast<uint32_t>(rng() % 256)};
    const uint32_t p = params[rng() % 8];
    const uint32_t bright = C::kBright ? rng() & 0xFFFFFF : 0xFFFFFF;
    rows.param = p;
    rows.palette = palette;
    rows.scaleParam = BlendScaleTable[p];
    for (int ch = 0; ch < 3; ++ch) rows.scaleBright[ch] = BlendScaleTable[(bright >> (8 * ch)) & 0xFF];
    rows.diffParam = &BlendDiffTable[p][256];
    rows.lerp6 = &BlendLerp6Table[p >> 2][0][0];
    for (uint8_t& w : weights) {
      const uint32_t pick = rng() % 4;
      w = static_cast<uint8_t>(pick == 0 ? 0 : pick == 1 ? 255 : rng());
    }
    rows.graphWeights = weights;
    for (uint8_t& g : graph) g = static_cast<uint8_t>(rng());
    for (uint8_t& b : src) b = static_cast<uint8_t>(rng());
    for (uint8_t& b : dst) b = static_cast<uint8_t>(rng());
    uint8_t* texels = src.data() + srcOffset;
    // The transparent colour is one of the texels, or now and then a value
    // that no raw texel can hold.
    uint32_t trans = 0;
    if (width > 0) std::memcpy(&trans, texels + (rng() % width) * C::kSourceBytes, C::kSourceBytes);
    if constexpr (C::kSourceBytes == 1) trans &= 0xFF;
    if constexpr (C::kSourceBytes == 2) trans &= 0xFFFF;
    if (rng() % 5 == 0) trans = C::kPalettised ? 0xFFFF : 0x1234567;
    rows.transColor = trans;
    for (int i = 0; i < width; ++i) {
      uint8_t* t = texels + i * C::kSourceBytes;
      const uint32_t pick = rng() % 4;
      if (pick == 0 && trans <= (C::kSourceBytes == 4 ? 0xFFFFFFFFu : C::kSourceBytes == 2 ? 0xFFFFu : 0xFFu)) {
        std::memcpy(t, &trans, C::kSourceBytes);
      }
      if constexpr (C::kAlpha) {
        const int alphaByte = C::kIs32 ? 3 : 2;
        if (pick == 1) t[alphaByte] = 0;
        if (pick == 2) t[alphaByte] = 255;
      }
    }
  }
};

// The scalar rule that the span's weighing or special member stands for.
template <class C, Weighing Wg, blend::Special Kind = blend::Special::kNone>
void ScalarRow(const BlitRows& r, const uint8_t* sp, uint8_t* dp, const uint8_t* gp, int n) {
  if constexpr (Kind != blend::Special::kNone) {
    blend::SpecialRow<C, Kind>(r, sp, dp, n);
    return;
  }
  for (int i = 0; i < n; ++i, sp += C::kSourceBytes, dp += C::kDestBytes, ++gp) {
    if constexpr (Wg == Weighing::kPerTexel) {
      blend::BlendTexel<C>(r, sp, dp, gp);
    } else {
      uint32_t s, a;
      blend::FetchTexel<C>(r, sp, &s, &a);
      blend::CombinePixel<C, Wg == Weighing::kTranslucentRun && C::kAlpha>(r, s, a, r.graphWeights[*gp], dp);
    }
  }
}

// Rows of every width from 0 to 67 at every alignment of the source and of
// the destination, through the SSE2 span and the scalar rule.
template <class C, Weighing Wg, blend::Special Kind = blend::Special::kNone>
void CompareRows(std::mt19937& rng, int* failures) {
  for (int width = 0; width <= 67; ++width) {
    for (int align = 0; align < 16; ++align) {
      const int srcOffset = align;
      const int dstOffset = (align * 7 + width) % 16;
      // The graph's row ends at its buffer's end, so that a read past the
      // drawn pixels would leave it.
      const int graphOffset = (align * 5) % 16;
      RandomInputs<C> in(rng, width, srcOffset, dstOffset, graphOffset);
      std::vector<uint8_t> expected = in.dst;
      const uint8_t* gp = in.graph.data() + graphOffset;
      ScalarRow<C, Wg, Kind>(in.rows, in.src.data() + srcOffset, expected.data() + dstOffset, gp, width);
      const blend::sse2::TexelCall<C> call(in.rows);
      blend::sse2::TexelSpan<C, Wg, Kind>(call.tk, in.rows, in.src.data() + srcOffset, in.dst.data() + dstOffset,
                                          width, gp);
      if (in.dst != expected && ++*failures <= 10) {
        size_t i = 0;
        while (in.dst[i] == expected[i]) ++i;
        ADD_FAILURE() << PathName(C::kPath) << (C::kIs32 ? " 32-bit" : " 16-bit")
                      << (C::kPalettised ? " palettised" : C::kAlpha ? " alpha" : " direct") << " mode "
                      << C::kMode << " graph " << C::kGraph << " bright " << C::kBright << " trans " << C::kTrans << " weighing "
                      << static_cast<int>(Wg) << " special " << static_cast<int>(Kind) << " p " << in.rows.param << " width " << width
                      << " offsets " << srcOffset << "," << dstOffset << ": byte " << i << " is "
                      << int{in.dst[i]} << ", scalar rule " << int{expected[i]};
      }
    }
  }
}

// Graph: compare the members with a blend graph, or those without.
template <bool Graph, class C>
void CompareMember(std::mt19937& rng, int* failures, int* members) {
  if constexpr (C::kGraph == Graph) {
    ++*members;
    if constexpr (C::kPath == Path::kRunTable) {
      CompareRows<C, Weighing::kOpaqueRun>(rng, failures);
      CompareRows<C, Weighing::kTranslucentRun>(rng, failures);
    } else {
      CompareRows<C, Weighing::kPerTexel>(rng, failures);
    }
  }
}

template <bool Is32, bool Palettised, Path P, bool Graph, size_t... I>
void CompareGrid(std::mt19937& rng, int* failures, int* members, std::index_sequence<I...>) {
  using Grid = blend::MemberGrid<Is32, Palettised, P != Path::kRunTable, P, NoLoop>;
  (CompareMember<Graph, typename Grid::template At<I>>(rng, failures, members), ...);
}

template <bool Is32, bool Palettised, Path P, bool Graph>
void CompareGrid(std::mt19937& rng, int* failures, int* members) {
  using Grid = blend::MemberGrid<Is32, Palettised, P != Path::kRunTable, P, NoLoop>;
  CompareGrid<Is32, Palettised, P, Graph>(rng, failures, members, std::make_index_sequence<Grid::kCount>{});
}

// Every member of the path that has an SSE2 form, those with a blend graph
// (Graph) or those without.
template <Path P, bool Graph = false>
void ComparePath(int seed, int expectedMembers) {
  InitSoftImgBlendTables();
  std::mt19937 rng(static_cast<unsigned>(seed));
  int failures = 0, members = 0;
  CompareGrid<true, true, P, Graph>(rng, &failures, &members);
  CompareGrid<true, false, P, Graph>(rng, &failures, &members);
  CompareGrid<false, true, P, Graph>(rng, &failures, &members);
  CompareGrid<false, false, P, Graph>(rng, &failures, &members);
  EXPECT_EQ(0, failures);
  EXPECT_EQ(expectedMembers, members);
}

}  // namespace texel_rows

#endif
