#include "system/charset.h"

#include <gtest/gtest.h>

namespace {

TEST(CharsetTest, LeadBytesFollowEachCode) {
  const struct {
    unsigned char byte;
    int shiftJis;  // codes 0, 1 and unknown codes
    int wide;      // codes 2, 3 and 4
  } cases[] = {
      {0x41, 0, 0}, {0x7F, 0, 0}, {0x80, 0, 1}, {0x81, 1, 1}, {0x9F, 1, 1}, {0xA0, 0, 1},
      {0xB0, 0, 1}, {0xDF, 0, 1}, {0xE0, 1, 1}, {0xFC, 1, 1}, {0xFD, 0, 1}, {0xFF, 0, 1},
  };
  for (const auto& c : cases) {
    const char text[2] = {static_cast<char>(c.byte), 0};
    for (int code : {0, 1, 7, -1}) EXPECT_EQ(IsDbcsLeadByte(text, code), c.shiftJis) << int(c.byte);
    for (int code : {2, 3, 4}) EXPECT_EQ(IsDbcsLeadByte(text, code), c.wide) << int(c.byte);
  }
}

TEST(CharsetTest, ClassifyWalksFromTheStart) {
  const struct {
    const char* text;
    int position;
    int expected;
  } cases[] = {
      {"a表b", 0, 0}, {"a表b", 1, 1}, {"a表b", 2, 2}, {"a表b", 3, 0}, {"a表b", 4, -1},
      {"", 0, -1},    {"ab\x95", 2, -1},  // a lead byte right before the end
      {"\x95\x5C\x95\x5C", 3, 2},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ClassifyDbcsByte(c.text, c.position, kCharsetShiftJis), c.expected)
        << c.text << " " << c.position;
  }
}

TEST(CharsetTest, CodePageChoosesTheCode) {
  const struct {
    unsigned oem;
    int charset;
    int page;
  } cases[] = {{932, 1, 932}, {949, 2, 949}, {950, 3, 950}, {936, 4, 936}, {437, 1, 0}, {0, 1, 0}};
  for (const auto& c : cases) {
    int page = -1;
    EXPECT_EQ(ChooseCharsetForCodePage(c.oem, &page), c.charset) << c.oem;
    EXPECT_EQ(page, c.page) << c.oem;
  }
}

}  // namespace
