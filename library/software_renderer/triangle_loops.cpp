#include "software_renderer/triangle_loops.h"

#include <array>
#include <cstddef>
#include <utility>

#include "software_renderer/triangle_rules.h"

namespace {

template <class C>
void TexturedLoop(const TriangleJob& job) {
  const TriangleSetup& t = job.setup;
  WalkTriangleRows(t, job.area, [&job, &t](int32_t y, int32_t x, int32_t count) {
    // Unsigned wrapping arithmetic: the map is affine modulo 2^32, and a
    // texel outside the source fails the bounds test whatever the wrap.
    const uint32_t dx = static_cast<uint32_t>(x - t.refX);
    const uint32_t dy = static_cast<uint32_t>(y - t.refY);
    uint32_t u = static_cast<uint32_t>(t.refU) + dx * static_cast<uint32_t>(t.dudx) +
                 dy * static_cast<uint32_t>(t.dudy);
    uint32_t v = static_cast<uint32_t>(t.refV) + dx * static_cast<uint32_t>(t.dvdx) +
                 dy * static_cast<uint32_t>(t.dvdy);
    const uint32_t stepU = static_cast<uint32_t>(t.dudx);
    const uint32_t stepV = static_cast<uint32_t>(t.dvdx);
    uint8_t* dp = job.dest + y * job.destPitch + x * C::kDestBytes;
    do {
      if (u < job.uLimit && v < job.vLimit) {
        const uint32_t tu = u >> kFixed18Shift;
        const uint32_t tv = v >> kFixed18Shift;
        const uint8_t* gp = nullptr;
        if constexpr (C::kGraph) gp = job.graph + tv * job.graphPitch + tu;
        triangle::ShadeTexel<C>(job.rules, job.src + tv * job.srcPitch + tu * C::kSourceBytes, dp,
                                gp);
      }
      u += stepU;
      v += stepV;
      dp += C::kDestBytes;
    } while (--count > 0);
  });
}

template <class C>
void SolidLoop(const TriangleJob& job) {
  WalkTriangleRows(job.setup, job.area, [&job](int32_t y, int32_t x, int32_t count) {
    uint8_t* dp = job.dest + y * job.destPitch + x * C::kDestBytes;
    do {
      triangle::CombineColour<C, false>(job.rules, job.colour, 255, 0, dp);
      dp += C::kDestBytes;
    } while (--count > 0);
  });
}

constexpr int kModes[7] = {0, 1, 2, 3, 4, 10, 11};

// Textured loops of one colour type and source kind, indexed by
// ((((mode * 2 + graph) * 2 + bright) * alphaCases + alpha) * 2 + trans).
template <bool Is32, bool Palettised>
struct TexturedLoops {
  static constexpr size_t kAlphaCases = Palettised ? 1 : 2;
  static constexpr size_t kCount = 7 * 2 * 2 * kAlphaCases * 2;

  template <size_t I>
  using At = blend::Settings<Is32, Palettised, kModes[I / (8 * kAlphaCases)],
                             (I / (4 * kAlphaCases)) % 2 == 1, (I / (2 * kAlphaCases)) % 2 == 1,
                             (I / 2) % kAlphaCases == 1, I % 2 == 1>;

  template <size_t... I>
  static constexpr std::array<TriangleLoop, kCount> Make(std::index_sequence<I...>) {
    return {{&TexturedLoop<At<I>>...}};
  }
  static constexpr std::array<TriangleLoop, kCount> kTable =
      Make(std::make_index_sequence<kCount>{});

  static TriangleLoop Find(size_t modeIndex, const TriangleLoopKey& key) {
    size_t i = modeIndex;
    i = i * 2 + key.graph;
    i = i * 2 + key.bright;
    i = i * kAlphaCases + (kAlphaCases == 2 && key.alpha);
    i = i * 2 + key.trans;
    return kTable[i];
  }
};

// Solid loops by mode; the bright is applied to the colour beforehand.
template <bool Is32>
struct SolidLoops {
  template <size_t... I>
  static constexpr std::array<TriangleLoop, 7> Make(std::index_sequence<I...>) {
    return {{&SolidLoop<blend::Settings<Is32, false, kModes[I], false, false, false, false>>...}};
  }
  static constexpr std::array<TriangleLoop, 7> kTable = Make(std::make_index_sequence<7>{});
};

template <bool Is32>
constexpr size_t kLoopCount = TexturedLoops<Is32, true>::kCount +
                              TexturedLoops<Is32, false>::kCount + SolidLoops<Is32>::kTable.size();
static_assert(TexturedLoops<true, true>::kCount == 56);
static_assert(TexturedLoops<true, false>::kCount == 112);
static_assert(kLoopCount<true> == 175 && kLoopCount<false> == 175);

template <bool Is32>
TriangleLoop Find(size_t modeIndex, const TriangleLoopKey& key) {
  if (!key.textured) return SolidLoops<Is32>::kTable[modeIndex];
  if (key.palettised) return TexturedLoops<Is32, true>::Find(modeIndex, key);
  return TexturedLoops<Is32, false>::Find(modeIndex, key);
}

}  // namespace

TriangleLoop SelectTriangleLoop(const TriangleLoopKey& key) {
  for (size_t i = 0; i < 7; ++i) {
    if (kModes[i] == key.mode) return key.is32 ? Find<true>(i, key) : Find<false>(i, key);
  }
  return nullptr;
}
