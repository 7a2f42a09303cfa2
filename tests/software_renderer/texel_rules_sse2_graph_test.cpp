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

// The same on the stretched and triangle paths, whose rules differ in
// multiply's zero-alpha test, and on the run-table path, each run both opaque
// and translucent.
TEST(TexelRulesSse2Test, StretchedBlendGraphMembersGiveTheScalarBytes) {
  ComparePath<Path::kStretched, true>(18, 168);
}
TEST(TexelRulesSse2Test, TriangleBlendGraphMembersGiveTheScalarBytes) {
  ComparePath<Path::kTriangle, true>(20, 168);
}
TEST(TexelRulesSse2Test, RunTableBlendGraphMembersGiveTheScalarBytes) {
  ComparePath<Path::kRunTable, true>(19, 84);
}

}  // namespace
