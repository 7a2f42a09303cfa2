#include <gtest/gtest.h>

#include "software_renderer/texel_rules_sse2.h"
#include "texel_rows_compare.h"

namespace {

using namespace texel_rows;

// Every member without a blend graph on the stretched and triangle paths.
TEST(TexelRulesSse2Test, StretchedMembersGiveTheScalarBytes) { ComparePath<Path::kStretched>(12, 168); }
TEST(TexelRulesSse2Test, TriangleMembersGiveTheScalarBytes) { ComparePath<Path::kTriangle>(13, 168); }

}  // namespace
