#include <gtest/gtest.h>

#include <cstring>

#include "Ombrel.h"

namespace {

const unsigned char kTen[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};

TEST(MemoryStreamTest, PartialLastElementIsDeliveredAndCountedAsOne) {
  MemoryStream* stream = OpenMemoryStream(kTen, 10);
  ASSERT_NE(stream, nullptr);
  unsigned char buffer[20] = {};
  EXPECT_EQ(ReadMemoryStream(buffer, 4, 5, stream), 2);
  EXPECT_EQ(std::memcmp(buffer, kTen, 8), 0);
  std::memset(buffer, 0xEE, sizeof buffer);
  EXPECT_EQ(ReadMemoryStream(buffer, 4, 1, stream), 1);
  EXPECT_EQ(buffer[0], 8);
  EXPECT_EQ(buffer[1], 9);
  EXPECT_EQ(buffer[2], 0xEE);
  EXPECT_EQ(TellMemoryStream(stream), 10);
  EXPECT_EQ(IsMemoryStreamEof(stream), 0);
  EXPECT_EQ(ReadMemoryStream(buffer, 4, 1, stream), 0);
  EXPECT_EQ(IsMemoryStreamEof(stream), 1);
  EXPECT_EQ(CloseMemoryStream(stream), 0);
}

TEST(MemoryStreamTest, SeeksClampToTheBlockAndClearTheEndFlag) {
  MemoryStream* stream = OpenMemoryStream(kTen, 10);
  unsigned char byte;
  SeekMemoryStream(stream, 0, 2);
  EXPECT_EQ(ReadMemoryStream(&byte, 1, 1, stream), 0);
  EXPECT_EQ(IsMemoryStreamEof(stream), 1);
  struct Case {
    int offset, origin, expected;
  };
  const Case cases[] = {{-5, 0, 0}, {100, 2, 10}, {3, 0, 3}, {4, 1, 7}, {-20, 1, 0}, {-1, 2, 9}};
  for (const Case& c : cases) {
    EXPECT_EQ(SeekMemoryStream(stream, c.offset, c.origin), 0);
    EXPECT_EQ(TellMemoryStream(stream), c.expected) << c.offset << " from " << c.origin;
    EXPECT_EQ(IsMemoryStreamEof(stream), 0);
  }
  CloseMemoryStream(stream);
}

TEST(MemoryStreamTest, ZeroCountsAndSizes) {
  MemoryStream* stream = OpenMemoryStream(kTen, 10);
  unsigned char buffer[4];
  EXPECT_EQ(ReadMemoryStream(buffer, 4, 0, stream), 0);
  EXPECT_EQ(ReadMemoryStream(buffer, 0, 3, stream), 3);
  EXPECT_EQ(TellMemoryStream(stream), 0);
  EXPECT_EQ(IsMemoryStreamIdle(stream), 1);
  CloseMemoryStream(stream);
  EXPECT_EQ(OpenMemoryStream(kTen, -1), nullptr);
}

TEST(MemoryStreamTest, TheMemoryRecordReadsTheStream) {
  MemoryStream* stream = OpenMemoryStream(kTen, 10);
  const StreamReadOps* ops = GetMemoryStreamOps();
  unsigned char buffer[3];
  EXPECT_EQ(ops->Seek(stream, 5, 0), 0);
  EXPECT_EQ(ops->Read(buffer, 1, 3, stream), 3);
  EXPECT_EQ(buffer[2], 7);
  EXPECT_EQ(ops->Tell(stream), 8);
  EXPECT_EQ(ops->IdleCheck(stream), 1);
  EXPECT_EQ(ops->Eof(stream), 0);
  EXPECT_EQ(ops->Close(stream), 0);
}

}  // namespace
