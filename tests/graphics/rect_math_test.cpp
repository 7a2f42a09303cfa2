#include <gtest/gtest.h>

#include "Ombrel.h"

namespace {

TEST(RectMathTest, ClipRectToBoundsMovesEveryEdgeInside) {
  struct Case {
    IntRect rect, bounds, expected;
  };
  const Case cases[] = {
      {{-10, 5, 30, 50}, {0, 0, 20, 40}, {0, 5, 20, 40}},
      {{50, 50, 60, 60}, {0, 0, 20, 40}, {20, 40, 20, 40}},
      {{8, 8, 2, 2}, {0, 0, 20, 40}, {8, 8, 8, 8}},
      {{-9, -9, -1, -1}, {0, 0, 20, 40}, {0, 0, 0, 0}},
      {{2, 3, 4, 5}, {0, 0, 20, 40}, {2, 3, 4, 5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rect.left);
    IntRect r = c.rect;
    EXPECT_EQ(ClipRectToBounds(&r, &c.bounds), 0);
    EXPECT_EQ(r.left, c.expected.left);
    EXPECT_EQ(r.top, c.expected.top);
    EXPECT_EQ(r.right, c.expected.right);
    EXPECT_EQ(r.bottom, c.expected.bottom);
  }
}

}  // namespace
