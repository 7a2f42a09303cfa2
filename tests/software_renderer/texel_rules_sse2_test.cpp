#include <gtest/gtest.h>

#include "software_renderer/texel_rules_sse2.h"
#include "texel_rows_compare.h"

namespace {

using namespace texel_rows;

// Every member without a blend graph: with transparency 7 modes x 2 brights
// x (2 + 4 + 2 + 4) source cases.
TEST(TexelRulesSse2Test, PlainMembersGiveTheScalarBytes) { ComparePath<Path::kPlain>(11, 168); }
// Without the transparency axis: half as many, each run kind compared.
TEST(TexelRulesSse2Test, RunTableMembersGiveTheScalarBytes) { ComparePath<Path::kRunTable>(14, 84); }

}  // namespace
