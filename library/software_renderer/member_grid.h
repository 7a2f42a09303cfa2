// Compile-time tables of a primitive's general members: one instantiated loop
// for every combination of mode, blend graph, bright, source alpha and
// transparency, found by index at the call.
#ifndef OMBREL_SOFTWARE_RENDERER_MEMBER_GRID_H
#define OMBREL_SOFTWARE_RENDERER_MEMBER_GRID_H

#include <stddef.h>

#include <array>
#include <utility>

#include "software_renderer/blend_rules.h"

namespace blend {

// Loop<C>::Run is the member of the settings C. Palettised sources have no
// alpha axis, and a primitive without a transparency axis (TransAxis false)
// makes its members with Trans false.
template <bool Is32, bool Palettised, bool TransAxis, Path P, template <class> class Loop>
struct MemberGrid {
  static constexpr size_t kAlphaCases = Palettised ? 1 : 2;
  static constexpr size_t kTransCases = TransAxis ? 2 : 1;
  static constexpr size_t kPerMode = 2 * 2 * kAlphaCases * kTransCases;
  static constexpr size_t kCount = 7 * kPerMode;

  template <size_t I>
  using At = Settings<Is32, Palettised, kDrawnModes[I / kPerMode],
                      (I / (2 * kAlphaCases * kTransCases)) % 2 == 1,
                      (I / (kAlphaCases * kTransCases)) % 2 == 1,
                      (I / kTransCases) % kAlphaCases == 1, TransAxis && I % 2 == 1, P>;
  using Fn = decltype(&Loop<At<0>>::Run);

  template <size_t... I>
  static constexpr std::array<Fn, kCount> Make(std::index_sequence<I...>) {
    return {{&Loop<At<I>>::Run...}};
  }
  static constexpr std::array<Fn, kCount> kTable = Make(std::make_index_sequence<kCount>{});

  static Fn Find(int modeIndex, bool graph, bool bright, bool alpha, bool trans) {
    size_t i = static_cast<size_t>(modeIndex);
    i = i * 2 + graph;
    i = i * 2 + bright;
    i = i * kAlphaCases + (kAlphaCases == 2 && alpha);
    i = i * kTransCases + (kTransCases == 2 && trans);
    return kTable[i];
  }
};

// Every member of one colour type and source kind: the general grid, and
// special members that take over some parameter values.
template <class General, class Specials>
struct WithSpecials {
  static constexpr size_t kCount = General::kCount + Specials::kCount;

  static auto Find(int modeIndex, Special special, bool graph, bool bright, bool alpha, bool trans,
                   bool mmx) {
    if (special != Special::kNone) return Specials::Find(special, trans, mmx);
    return General::Find(modeIndex, graph, bright, alpha, trans);
  }
};

// The member that Members<Is32, Palettised>::Find(args...) picks for the
// source's colour type and kind.
template <template <bool, bool> class Members, class... Args>
auto FindForSource(bool is32, bool palettised, Args... args) {
  if (is32) {
    return palettised ? Members<true, true>::Find(args...) : Members<true, false>::Find(args...);
  }
  return palettised ? Members<false, true>::Find(args...) : Members<false, false>::Find(args...);
}

// Whether a primitive has the given numbers of members for 32-bit
// palettised, 32-bit direct, 16-bit palettised and 16-bit direct sources.
template <template <bool, bool> class Members>
constexpr bool MemberCountsAre(size_t palettised32, size_t direct32, size_t palettised16,
                               size_t direct16) {
  return Members<true, true>::kCount == palettised32 && Members<true, false>::kCount == direct32 &&
         Members<false, true>::kCount == palettised16 && Members<false, false>::kCount == direct16;
}

}  // namespace blend

#endif
