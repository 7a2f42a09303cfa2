#include "system/string_helpers.h"

#include <limits.h>
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "system/charset.h"

namespace {

// Runs the body with the system's CharsetCode set, then puts it back.
class CharsetScope {
 public:
  explicit CharsetScope(int charset) : charset_(GetCharsetCode()), page_(GetCodePage()) {
    SetCharsetCode(charset, 0);
  }
  ~CharsetScope() { SetCharsetCode(charset_, page_); }

 private:
  int charset_;
  int page_;
};

TEST(StringHelpersTest, FindCharStepsOverDoubleByteCharacters) {
  const struct {
    int charset;
    const char* text;
    char ch;
    int expected;  // index, or -1 for none
  } cases[] = {
      // "表" is 0x95 0x5C: its trail byte is a backslash under Shift-JIS.
      {kCharsetShiftJis, "表", '\\', -1},
      {kCharsetShiftJis, "表\\a", '\\', 2},
      {kCharsetDefault, "表\\a", '\\', 2},
      {kCharsetShiftJis, "\xE0\x61x", 'a', -1},
      // 0xB0 is a one-byte katakana under Shift-JIS but leads a pair elsewhere.
      {kCharsetShiftJis, "\xB0\x5C", '\\', 1},
      {kCharsetHangul, "\xB0\x5C", '\\', -1},
      {kCharsetBig5, "\xB0\x5C\\", '\\', 2},
      {kCharsetGb2312, "\xFE\x41" "A", 'A', 2},
      {kCharsetShiftJis, "abc", 'd', -1},
      {kCharsetShiftJis, "abc", '\0', 3},
      // A lead byte cut off by the terminator ends the search there.
      {kCharsetShiftJis, "ab\x95", 'x', -1},
      {kCharsetShiftJis, "", 'a', -1},
  };
  for (const auto& c : cases) {
    CharsetScope scope(c.charset);
    const char* found = FindCharInString(c.text, c.ch);
    EXPECT_EQ(found ? static_cast<int>(found - c.text) : -1, c.expected)
        << "charset " << c.charset << " text " << c.text;
  }
}

TEST(StringHelpersTest, UpperCaseLeavesDoubleByteCharactersAlone) {
  const struct {
    int charset;
    const char* text;
    const char* expected;
  } cases[] = {
      {kCharsetShiftJis, "abc xyz", "ABC XYZ"},
      {kCharsetShiftJis, "a\x83\x61z", "A\x83\x61Z"},
      {kCharsetShiftJis, "\xB0\x61", "\xB0" "A"},
      {kCharsetHangul, "\xB0\x61", "\xB0\x61"},
      {kCharsetShiftJis, "ab\x95", "AB\x95"},
      {kCharsetShiftJis, "", ""},
  };
  for (const auto& c : cases) {
    CharsetScope scope(c.charset);
    char buffer[32];
    strcpy(buffer, c.text);
    EXPECT_STREQ(UpperCaseString(buffer), c.expected);
  }
}

TEST(StringHelpersTest, EndsWithCharIgnoresTrailBytes) {
  CharsetScope scope(kCharsetShiftJis);
  EXPECT_EQ(StringEndsWithChar("C:\\dir\\", '\\'), 1);
  EXPECT_EQ(StringEndsWithChar("C:\\表", '\\'), 0);
  EXPECT_EQ(StringEndsWithChar("", '\\'), 0);
  EXPECT_EQ(StringEndsWithChar("x", 'x'), 1);
}

TEST(StringHelpersTest, CopiesTerminateAndStopAtTheirCount) {
  char buffer[16];
  memset(buffer, '#', sizeof buffer);
  EXPECT_STREQ(CopyString(buffer, "hello"), "hello");
  EXPECT_EQ(StringLength("hello"), 5u);
  const struct {
    const char* src;
    int count;
    const char* expected;
  } cases[] = {{"hello", 3, "hel"}, {"hi", 10, "hi"}, {"hi", 2, "hi"}, {"hi", 0, ""}, {"hi", -4, ""}};
  for (const auto& c : cases) {
    memset(buffer, '#', sizeof buffer);
    EXPECT_STREQ(CopyStringN(buffer, c.src, c.count), c.expected) << c.src << " " << c.count;
  }
}

TEST(StringHelpersTest, ComparisonsTellOnlyEqualOrNot) {
  EXPECT_EQ(CompareStrings("abc", "abc"), 0);
  EXPECT_EQ(CompareStrings("abc", "abd"), 1);
  EXPECT_EQ(CompareStrings("ab", "abc"), 1);
  EXPECT_EQ(CompareStrings("abd", "abc"), 1);
  const struct {
    const char* a;
    const char* b;
    int count;
    int expected;
  } cases[] = {
      {"ab", "ab", 3, 0},  // the terminators are compared too
      {"ab", "abc", 3, 1}, {"ab", "ac", 1, 0}, {"ab", "ac", 2, 1},
      {"abc", "abd", 2, 0}, {"x", "y", 0, 0},  {"ab", "ab", 100, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CompareStringsN(c.a, c.b, c.count), c.expected) << c.a << " " << c.b << " " << c.count;
  }
}

TEST(StringHelpersTest, ByteFunctionsFillCompareAndCopy) {
  unsigned char buffer[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  FillBytes(buffer, 0x1FF, 3);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 4), std::string("\xFF\xFF\xFF\x04", 4));
  FillBytes(buffer, 0, 0);
  EXPECT_EQ(buffer[0], 0xFF);
  EXPECT_EQ(CompareBytes("abc", "abd", 2), 0);
  EXPECT_EQ(CompareBytes("abc", "abd", 3), 1);
  EXPECT_EQ(CompareBytes("a", "b", 0), 0);
  char out[4] = {};
  EXPECT_EQ(CopyBytes(out, "xyz", 3), 3u);
  EXPECT_STREQ(out, "xyz");
}

TEST(StringHelpersTest, MoveBytesHandlesOverlapBothWays) {
  const struct {
    int dst;
    int src;
    int count;
    const char* expected;
  } cases[] = {
      {2, 0, 6, "ababcdefij"},  // source below destination: copied backwards
      {0, 2, 6, "cdefghghij"},  // source above: forwards
      {3, 3, 4, "abcdefghij"},
      {0, 5, 0, "abcdefghij"},
  };
  for (const auto& c : cases) {
    char buffer[] = "abcdefghij";
    EXPECT_EQ(MoveBytes(buffer + c.dst, buffer + c.src, c.count), static_cast<size_t>(c.count));
    EXPECT_STREQ(buffer, c.expected) << c.dst << " " << c.src;
  }
}

TEST(StringHelpersTest, IntToStringWritesEveryRadix) {
  const struct {
    int value;
    int radix;
    const char* expected;
  } cases[] = {
      {255, 16, "ff"},          {-10, 10, "-10"},    {0, 10, "0"},
      {5, 2, "101"},            {35, 36, "z"},       {INT_MAX, 10, "2147483647"},
      {INT_MIN, 10, "-2147483648"},                  {INT_MIN, 2, "-10000000000000000000000000000000"},
      {-1, 16, "-1"},           {7, 1, ""},          {7, 37, ""},
  };
  for (const auto& c : cases) {
    char buffer[40];
    memset(buffer, '#', sizeof buffer);
    EXPECT_STREQ(IntToString(c.value, buffer, c.radix), c.expected) << c.value << " " << c.radix;
  }
}

TEST(StringHelpersTest, FormatStringStaysInsideItsBuffer) {
  char buffer[12];
  memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(FormatString(buffer, 8, "%s-%d", "0123456789", 42), 0);
  EXPECT_STREQ(buffer, "0123456");
  EXPECT_EQ(buffer[8], '#');
  FormatString(buffer, sizeof buffer, "%.2f|%x", 1.005f * 2, 255u);
  EXPECT_STREQ(buffer, "2.01|ff");
  buffer[0] = 'q';
  FormatString(buffer, 0, "%s", "nothing");
  EXPECT_EQ(buffer[0], 'q');
}

}  // namespace
