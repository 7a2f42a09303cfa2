// The blend-graph comparison on the stretched, triangle and run-table paths.
// Kept apart from the plain path's (which the native sanitizer tree also
// builds): with every path in one unit the sanitizer build of it needs more
// than 10 GB.
#include <gtest/gtest.h>

#include "software_renderer/texel_rules_sse2.h"
#include "texel_rows_compare.h"

namespace {

using namespace texel_rows;

// The rules of these paths differ from the plain path's in multiply's
// zero-alpha test; the run-table members draw each run both opaque and
// translucent.
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
