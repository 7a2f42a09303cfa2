#include <gtest/gtest.h>

#include <cstring>

#include "support/file_fixtures.h"
#include "system/archive_format.h"
#include "system/lz_encode.h"

namespace {

Bytes Block(uint32_t unpackedSize, uint8_t escape, const Bytes& code) {
  LzBlockHeader header{unpackedSize, static_cast<uint32_t>(kLzHeaderSize + code.size()), escape};
  Bytes block(kLzHeaderSize);
  std::memcpy(block.data(), &header, sizeof header);
  block.insert(block.end(), code.begin(), code.end());
  return block;
}

// The code of one match, written by hand from the block format.
Bytes MatchCode(uint8_t escape, size_t length, size_t distance) {
  const size_t extra = length - 4;
  const size_t d = distance - 1;
  const unsigned distanceBytes = d < 0x100 ? 1 : d < 0x10000 ? 2 : 3;
  unsigned v = static_cast<unsigned>(((extra & 31) << 3) | (distanceBytes - 1));
  if (extra > 31) v |= 4;
  Bytes code = {escape, static_cast<uint8_t>(v < escape ? v : v + 1)};
  if (extra > 31) code.push_back(static_cast<uint8_t>(extra >> 5));
  for (unsigned i = 0; i < distanceBytes; ++i) code.push_back(static_cast<uint8_t>(d >> (8 * i)));
  return code;
}

Bytes Decode(const Bytes& block, int* result) {
  const int size = DecodeLz(block.data(), nullptr);
  Bytes out(size > 0 ? static_cast<size_t>(size) : 0);
  *result = DecodeLz(block.data(), out.data());
  return out;
}

TEST(LzCodecTest, LiteralsAndEscapedEscapes) {
  for (uint8_t escape : {uint8_t{0x00}, uint8_t{0x41}, uint8_t{0xFF}}) {
    const Bytes plain = {'a', 'b', escape, 'c', escape, escape};
    Bytes code;
    for (uint8_t b : plain) {
      code.push_back(b);
      if (b == escape) code.push_back(b);
    }
    int result;
    EXPECT_EQ(Decode(Block(static_cast<uint32_t>(plain.size()), escape, code), &result), plain);
    EXPECT_EQ(result, static_cast<int>(plain.size())) << int{escape};
  }
}

TEST(LzCodecTest, DistanceOneRepeatsTheLastByte) {
  Bytes code = {'x'};
  const Bytes match = MatchCode(0xFF, 10, 1);
  code.insert(code.end(), match.begin(), match.end());
  int result;
  EXPECT_EQ(Decode(Block(11, 0xFF, code), &result), Bytes(11, 'x'));
  EXPECT_EQ(result, 11);
}

TEST(LzCodecTest, EveryLengthAndDistanceFormForEveryEscapeSide) {
  struct Case {
    size_t length, distance;
  };
  // Short and extended lengths, with one, two and three distance bytes.
  const Case cases[] = {{4, 1},      {35, 2},     {36, 256},   {8195, 257},
                        {100, 65536}, {5, 65537}, {40, 1u << 24}, {1000, 3}};
  const Bytes prefix = RandomBytes((1u << 24) + 10, 7);
  for (uint8_t escape : {uint8_t{0x00}, uint8_t{0x30}, uint8_t{0xFF}}) {
    for (const Case& c : cases) {
      // Literal prefix long enough for the distance, written with escapes.
      Bytes code;
      const size_t prefixLength = c.distance + 3;
      for (size_t i = 0; i < prefixLength; ++i) {
        code.push_back(prefix[i]);
        if (prefix[i] == escape) code.push_back(escape);
      }
      const Bytes match = MatchCode(escape, c.length, c.distance);
      code.insert(code.end(), match.begin(), match.end());
      Bytes expected(prefix.begin(), prefix.begin() + static_cast<long>(prefixLength));
      for (size_t i = 0; i < c.length; ++i) expected.push_back(expected[expected.size() - c.distance]);
      int result;
      const Bytes out = Decode(Block(static_cast<uint32_t>(expected.size()), escape, code), &result);
      EXPECT_EQ(result, static_cast<int>(expected.size()));
      EXPECT_TRUE(out == expected) << "escape " << int{escape} << " length " << c.length
                                   << " distance " << c.distance;
    }
  }
}

TEST(LzCodecTest, EmptyBlocksAndSizeQueries) {
  int result;
  EXPECT_TRUE(Decode(Block(0, 0x10, {}), &result).empty());
  EXPECT_EQ(result, 0);
  EXPECT_EQ(DecodeLz(Block(1234, 0x10, {}).data(), nullptr), 1234);
}

TEST(LzCodecTest, DamagedBlocksAreRefused) {
  const uint8_t e = 0xF0;
  struct Case {
    const char* what;
    Bytes block;
  };
  Bytes beforeStart = {'a'};
  const Bytes far = MatchCode(e, 4, 2);
  beforeStart.insert(beforeStart.end(), far.begin(), far.end());
  const Bytes longMatch = MatchCode(e, 10, 1);
  Bytes tooLong = {'a'};
  tooLong.insert(tooLong.end(), longMatch.begin(), longMatch.end());
  Bytes shortPacked = Block(0, e, {});
  shortPacked[4] = 8;
  const Case cases[] = {
      {"match before the output start", Block(5, e, beforeStart)},
      {"code ends after the escape", Block(1, e, {'a', e})},
      {"code ends before the length byte", Block(50, e, {'a', e, static_cast<uint8_t>(MatchCode(e, 40, 1)[1])})},
      {"code ends inside the distance", Block(50, e, {'a', e, static_cast<uint8_t>(MatchCode(e, 4, 300)[1]), 0})},
      {"four distance bytes", Block(50, e, {'a', e, 3, 0, 0, 0, 0})},
      {"literals past the unpacked size", Block(2, e, {'a', 'b', 'c'})},
      {"match past the unpacked size", Block(5, e, tooLong)},
      {"output short of the unpacked size", Block(9, e, {'a', 'b'})},
      {"packed size below the header", shortPacked},
  };
  for (const Case& c : cases) {
    Bytes out(64, 0);
    EXPECT_EQ(DecodeLz(c.block.data(), out.data()), -1) << c.what;
  }
}

TEST(LzCodecTest, EncoderOutputDecodesToItsInput) {
  Bytes allValues;
  for (int i = 0; i < 4096; ++i) allValues.push_back(static_cast<uint8_t>(i * 7));
  struct Case {
    const char* what;
    Bytes data;
    bool shrinks;
  };
  const Case cases[] = {
      {"empty", {}, false},
      {"one byte", {42}, false},
      {"random", RandomBytes(200000, 9), false},
      {"zeros", Bytes(1 << 20, 0), true},
      {"text", TextBytes(300000), true},
      {"every byte value as often", allValues, true},
      {"random runs", [] {
         Bytes d = RandomBytes(5000, 4);
         for (int i = 0; i < 50; ++i) d.insert(d.end(), d.begin() + i * 13, d.begin() + i * 13 + 400);
         return d;
       }(), true},
  };
  for (const Case& c : cases) {
    Bytes block;
    ASSERT_EQ(EncodeLz(c.data.data(), c.data.size(), &block), 0) << c.what;
    int result;
    EXPECT_TRUE(Decode(block, &result) == c.data) << c.what;
    EXPECT_EQ(result, static_cast<int>(c.data.size())) << c.what;
    if (c.shrinks) {
      EXPECT_LT(block.size(), c.data.size() / 3) << c.what;
    }
  }
}

}  // namespace
