#include <gtest/gtest.h>

#include "software_renderer/texel_rules_sse2.h"
#include "texel_rows_compare.h"

namespace {

using namespace texel_rows;

// Every plain-path member with a blend graph: with transparency 7 modes x 2
// brights x (2 + 4 + 2 + 4) source cases, each on random weights that
// include 0 and 255. The graph row ends where the drawn pixels end.
TEST(TexelRulesSse2Test, PlainBlendGraphMembersGiveTheScalarBytes) {
  ComparePath<Path::kPlain, true>(17, 168);
}

}  // namespace
