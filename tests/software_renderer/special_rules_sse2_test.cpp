#include <gtest/gtest.h>

#include "software_renderer/texel_rules_sse2.h"
#include "texel_rows_compare.h"

#include <type_traits>

#include "software_renderer/solid_rules.h"

namespace {

using namespace texel_rows;

// The special members, which take over some parameter values: halving,
// full-parameter add and subtract (16-bit pixels in pairs on the plain path)
// and the whole-byte twins, of every source kind without alpha, with and
// without transparency.
template <bool Is32, bool Palettised, Path P, blend::Special... Kinds>
void CompareSpecials(std::mt19937& rng, int* failures, int* members) {
  auto one = [&](auto trans) {
    using C = blend::Settings<Is32, Palettised, 1, false, false, false, decltype(trans)::value, P>;
    ((CompareRows<C, Weighing::kPerTexel, Kinds>(rng, failures), ++*members), ...);
  };
  one(std::false_type{});
  one(std::true_type{});
}

TEST(TexelRulesSse2Test, SpecialMembersGiveTheScalarBytes) {
  InitSoftImgBlendTables();
  using blend::Special;
  std::mt19937 rng(15);
  int failures = 0, members = 0;
  CompareSpecials<true, true, Path::kPlain, Special::kHalving, Special::kFullAdd, Special::kFullSub,
                  Special::kFullAddMmx, Special::kFullSubMmx>(rng, &failures, &members);
  CompareSpecials<true, false, Path::kPlain, Special::kHalving, Special::kHalvingMmx, Special::kFullAdd,
                  Special::kFullSub, Special::kFullAddMmx, Special::kFullSubMmx>(rng, &failures, &members);
  CompareSpecials<false, true, Path::kPlain, Special::kHalving, Special::kFullAdd, Special::kFullSub>(
      rng, &failures, &members);
  CompareSpecials<false, false, Path::kPlain, Special::kHalving, Special::kFullAdd, Special::kFullSub>(
      rng, &failures, &members);
  CompareSpecials<true, true, Path::kStretched, Special::kFullSub, Special::kFullSubMmx>(rng, &failures,
                                                                                       &members);
  CompareSpecials<true, false, Path::kStretched, Special::kFullSub, Special::kFullSubMmx>(rng, &failures,
                                                                                        &members);
  CompareSpecials<false, true, Path::kStretched, Special::kFullSub>(rng, &failures, &members);
  CompareSpecials<false, false, Path::kStretched, Special::kFullSub>(rng, &failures, &members);
  EXPECT_EQ(0, failures);
  // As many as the plain and stretched paths have special members.
  EXPECT_EQ(2 * (5 + 6 + 3 + 3 + 2 + 2 + 1 + 1), members);
}

// The spans of the one-colour primitives against the scalar rule, pixel by
// pixel, for every mode of both colour types.
template <bool Is32, size_t... I>
void CompareSolidSpans(std::mt19937& rng, int* failures, std::index_sequence<I...>) {
  auto one = [&](auto modeIndex) {
    constexpr int kMode = blend::kDrawnModes[decltype(modeIndex)::value];
    constexpr int kBytes = Is32 ? 4 : 2;
    for (int width = 0; width <= 67; ++width) {
      for (int align = 0; align < 16; ++align) {
        const uint32_t params[] = {1, 127, 128, 254, 255, static_cast<uint32_t>(rng() % 256)};
        const uint32_t param = params[rng() % 6];
        const bool brightOn = rng() % 2;
        const blend::SolidColor color = blend::PrepareSolidColor<Is32>(rng(), rng() & 0xFFFFFF, brightOn, param);
        std::vector<uint8_t> dst(static_cast<size_t>(width * kBytes + 16 + align));
        for (uint8_t& b : dst) b = static_cast<uint8_t>(rng());
        std::vector<uint8_t> expected = dst;
        for (int i = 0; i < width; ++i) blend::ApplySolid<Is32, kMode>(color, expected.data() + align + i * kBytes);
        const blend::SolidSpan<Is32, kMode> span(color);
        span(dst.data() + align, width);
        if (dst != expected && ++*failures <= 10) {
          ADD_FAILURE() << (Is32 ? "32-bit" : "16-bit") << " mode " << kMode << " p " << param << " bright "
                        << brightOn << " width " << width << " offset " << align;
        }
      }
    }
  };
  (one(std::integral_constant<size_t, I>{}), ...);
}

TEST(TexelRulesSse2Test, SolidSpansGiveTheScalarBytes) {
  InitSoftImgBlendTables();
  std::mt19937 rng(16);
  int failures = 0;
  CompareSolidSpans<true>(rng, &failures, std::make_index_sequence<7>{});
  CompareSolidSpans<false>(rng, &failures, std::make_index_sequence<7>{});
  EXPECT_EQ(0, failures);
}

}  // namespace
