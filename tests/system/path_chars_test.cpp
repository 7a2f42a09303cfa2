#include "system/path_chars.h"

#include <string>

#include <gtest/gtest.h>

#include "system/charset.h"

namespace {

// "表" in Shift-JIS is 0x95 0x5C: its trail byte is the backslash.
const std::string kHyou = "\x95\x5C";

// Positions are byte offsets into the path; -1 for none.
TEST(PathCharsTest, TrailBytesNeverSplitAPath) {
  struct Case {
    std::string path;
    int charset;
    int componentEnd;
    int lastSeparator;
  };
  const Case cases[] = {
      {"abc", kCharsetShiftJis, 3, -1},
      {"ab\\cd/ef", kCharsetShiftJis, 2, 5},
      {kHyou + "\\x", kCharsetShiftJis, 2, 2},
      {"d\\" + kHyou, kCharsetShiftJis, 1, 1},
      {kHyou + kHyou, kCharsetShiftJis, 4, -1},
      {kHyou + kHyou, kCharsetDefault, 4, -1},
      {"c:" + kHyou, kCharsetShiftJis, 4, 1},
      // A lead byte the terminator cuts off is a character of one byte.
      {"a\x95", kCharsetShiftJis, 2, -1},
      {"", kCharsetShiftJis, 0, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const char* path = c.path.c_str();
    EXPECT_EQ(PathComponentEnd(path, c.charset) - path, c.componentEnd);
    const char* last = LastPathSeparator(path, c.charset);
    EXPECT_EQ(last ? last - path : -1, c.lastSeparator);
  }
}

TEST(PathCharsTest, CharacterLengths) {
  EXPECT_EQ(PathCharLength("a", kCharsetShiftJis), 1u);
  EXPECT_EQ(PathCharLength("\\", kCharsetShiftJis), 1u);
  EXPECT_EQ(PathCharLength(kHyou.c_str(), kCharsetShiftJis), 2u);
  EXPECT_EQ(PathCharLength("\x95", kCharsetShiftJis), 1u);
  // 0xA1 leads a character in Big5 but is a one-byte katakana in Shift-JIS.
  EXPECT_EQ(PathCharLength("\xA1\x5C", kCharsetBig5), 2u);
  EXPECT_EQ(PathCharLength("\xA1\x5C", kCharsetShiftJis), 1u);
}

}  // namespace
