#include "CsvTable.h"

#include <limits.h>

#include <string>

#include <gtest/gtest.h>

namespace {

struct TokenCase {
  const char* row;
  const char* field;
  int length;
  const char* rest;  // where the cursor stands afterwards
};

TEST(CsvTableTest, TokenRunsToCommaThenCarriageReturnThenLineFeed) {
  const TokenCase cases[] = {
      {"12,abc,\n", "12", 2, "abc,\n"},
      {"last\r\n", "last", 4, "\n"},
      {"last\n", "last", 4, ""},
      {" spaced , x\n", " spaced ", 8, " x\n"},
      {",\n", "", 0, "\n"},
      {"no break", "no break", 8, ""},  // a last line without its line break
      // A comma after the CR still wins: the search for a comma comes first.
      {"a\rb,c\n", "a\rb", 3, "c\n"},
  };
  for (const TokenCase& c : cases) {
    SCOPED_TRACE(c.row);
    const char* cursor = c.row;
    char buffer[32];
    EXPECT_EQ(ReadCsvToken(&cursor, buffer, sizeof buffer), c.length);
    EXPECT_STREQ(buffer, c.field);
    EXPECT_STREQ(cursor, c.rest);
  }
}

TEST(CsvTableTest, NoFieldPastTheEndOfTheRow) {
  const char* cursor = "7\n";
  char buffer[8] = "junk";
  EXPECT_EQ(ReadCsvToken(&cursor, buffer, sizeof buffer), 1);
  EXPECT_EQ(ReadCsvToken(&cursor, buffer, sizeof buffer), -1);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(ReadCsvInt(&cursor), 0);
}

TEST(CsvTableTest, LongFieldIsCutToTheBuffer) {
  const char* cursor = "abcdefgh,x\n";
  char buffer[4];
  EXPECT_EQ(ReadCsvToken(&cursor, buffer, sizeof buffer), 8);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_STREQ(cursor, "x\n");
}

TEST(CsvTableTest, IntegersConvertLikeTheStandardDecimalRule) {
  const struct {
    const char* row;
    int value;
  } cases[] = {
      {"42,", 42},          {"  -17,", -17},     {"+5\n", 5},
      {"12abc,", 12},       {"abc,", 0},         {",", 0},
      {"2147483647,", INT_MAX}, {"99999999999,", INT_MAX}, {"-99999999999,", INT_MIN},
      {" 7 8,", 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    const char* cursor = c.row;
    EXPECT_EQ(ReadCsvInt(&cursor), c.value);
  }
}

TEST(CsvTableTest, RowIsMalformedWhenAFieldIsMissingOrTooWide) {
  {
    CCsvRow row("1,2\n");
    EXPECT_EQ(row.ReadInt(), 1);
    EXPECT_EQ(row.ReadInt(), 2);
    EXPECT_TRUE(row.IsComplete());
    row.ReadInt();
    EXPECT_FALSE(row.IsComplete());
  }
  {
    // Sixteen bytes fit a 17-byte field; seventeen do not, and nothing is cut
    // in the middle of a double-byte character.
    char name[17];
    CCsvRow fits("0123456789abcdef,x\n");
    fits.ReadText(name, sizeof name);
    EXPECT_STREQ(name, "0123456789abcdef");
    EXPECT_TRUE(fits.IsComplete());
    CCsvRow wide("あいうえおかきくけ,x\n");
    wide.ReadText(name, sizeof name);
    EXPECT_STREQ(name, "");
    EXPECT_FALSE(wide.IsComplete());
  }
}

}  // namespace
