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

}  // namespace blend

#endif
