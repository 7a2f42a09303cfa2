#include "system/random.h"

#include <random>
#include <set>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Words of the generator seeded by the first published rule, computed apart
// from this library: the 1st, 2nd, 3rd and 2000th word after seeding.
struct SeedCase {
  uint32_t seed;
  uint32_t words[4];
};
const SeedCase kSeedCases[] = {
    {0x00000000u, {0x1C75C7C9u, 0xDA9649C5u, 0x84E243E5u, 0x75C480B3u}},
    {0x00000001u, {0xD3F6B9E5u, 0xEF284157u, 0x0D3639C7u, 0xE7AF0E6Du}},
    {4357u, {0xAAE64AC3u, 0x5E7C47DAu, 0xB98E8121u, 0x5DD800DAu}},
    {0xFFFFFFFFu, {0x4AD3D4D0u, 0x4C02DC33u, 0x7834AB35u, 0xE8634665u}},
    {20240601u, {0xA9335AAFu, 0x2B8B44B9u, 0x90126491u, 0xB3E1A8CAu}},
};

std::vector<uint32_t> Draw(MersenneTwisterState* generator, int count) {
  std::vector<uint32_t> words;
  for (int i = 0; i < count; ++i) words.push_back(NextRandomWordFrom(generator));
  return words;
}

TEST(RandomTest, SeedingFollowsTheFirstPublishedRule) {
  for (const SeedCase& c : kSeedCases) {
    SCOPED_TRACE(c.seed);
    MersenneTwisterState generator;
    SeedMersenneTwisterState(&generator, c.seed);
    const std::vector<uint32_t> words = Draw(&generator, 2000);
    EXPECT_EQ(words[0], c.words[0]);
    EXPECT_EQ(words[1], c.words[1]);
    EXPECT_EQ(words[2], c.words[2]);
    EXPECT_EQ(words[1999], c.words[3]);
  }
}

TEST(RandomTest, SequenceDiffersFromTheLaterInitialisation) {
  MersenneTwisterState generator;
  SeedMersenneTwisterState(&generator, 4357);
  std::mt19937 later(4357);
  EXPECT_NE(NextRandomWordFrom(&generator), later());
}

TEST(RandomTest, FirstDrawBeforeSeedingComesFromTheSecondBlockOfSeed4357) {
  MersenneTwisterState fresh;
  EXPECT_EQ(fresh.index, 624);
  EXPECT_EQ(NextRandomWordFrom(&fresh), 0x3E44719Du);
  EXPECT_EQ(fresh.seeded, 1);

  MersenneTwisterState seeded;
  SeedMersenneTwisterState(&seeded, 4357);
  Draw(&seeded, 625);  // the first block and the word already drawn from fresh
  EXPECT_EQ(Draw(&fresh, 100), Draw(&seeded, 100));
}

TEST(RandomTest, SameSeedGivesTheSameRandomInts) {
  SeedRandom(77);
  std::vector<int> first;
  for (int i = 0; i < 6; ++i) first.push_back(GetRandomInt(99));
  EXPECT_EQ(first, (std::vector<int>{93, 11, 2, 40, 30, 37}));
  SeedRandom(77);
  std::vector<int> second;
  for (int i = 0; i < 6; ++i) second.push_back(GetRandomInt(99));
  EXPECT_EQ(first, second);
}

TEST(RandomTest, WordMapsToTheHighHalfOfItsProductWithTheRange) {
  const struct {
    uint32_t word;
    int max;
    int expected;
  } cases[] = {
      {0xFFFFFFFFu, 0, 0},          {0x7FFFFFFFu, 1, 0},   {0x80000000u, 1, 1},
      {0xFFFFFFFFu, 99, 99},        {0x00000000u, 99, 0},  {0x80000000u, 99, 50},
      {0xFFFFFFFFu, 0x7FFFFFFF, 0x7FFFFFFF},              {0x12345678u, -1, 0},
      {0xFFFFFFFFu, 1009899, 1009899},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MapRandomWord(c.word, c.max), c.expected) << std::hex << c.word << " " << c.max;
  }
}

TEST(RandomTest, RandomIntsCoverTheirRange) {
  SeedRandom(12345);
  std::set<int> seen;
  for (int i = 0; i < 2000; ++i) {
    const int value = GetRandomInt(5);
    ASSERT_GE(value, 0);
    ASSERT_LE(value, 5);
    seen.insert(value);
  }
  EXPECT_EQ(seen.size(), 6u);
}

}  // namespace
