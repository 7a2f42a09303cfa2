#include "system/ring_buffer.h"

#include <limits.h>

#include <string>

#include <gtest/gtest.h>

#include "support/log_capture.h"
#include "system/tracked_memory.h"

namespace {

// A ring of the given capacity whose bytes are 'A' + offset, with the stored
// part starting at read.
RingBuffer MakeRing(int capacity, int read, int stored) {
  RingBuffer ring{};
  ring.data = static_cast<unsigned char*>(TRACKED_ALLOC(capacity));
  for (int i = 0; i < capacity; ++i) ring.data[i] = static_cast<unsigned char>('A' + i);
  ring.capacity = capacity;
  ring.readPosition = read;
  ring.stored = stored;
  ring.writePosition = (read + stored) % capacity;
  return ring;
}

std::string Take(RingBuffer* ring, int size, int peek) {
  std::string out(size, '\0');
  EXPECT_EQ(ReadRingBuffer(ring, out.data(), size, peek), 0);
  return out;
}

TEST(RingBufferTest, ReadingAcrossTheEndWrapsToTheStart) {
  RingBuffer ring = MakeRing(10, 8, 4);
  EXPECT_EQ(Take(&ring, 4, 1), "IJAB");
  EXPECT_EQ(ring.readPosition, 8);
  EXPECT_EQ(ring.stored, 4);
  EXPECT_EQ(Take(&ring, 4, 0), "IJAB");
  EXPECT_EQ(ring.readPosition, 2);
  EXPECT_EQ(ring.stored, 0);
  TerminateRingBuffer(&ring);
}

TEST(RingBufferTest, ReadingMoreThanIsStoredCopiesNothing) {
  RingBuffer ring = MakeRing(10, 3, 2);
  char out[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(ReadRingBuffer(&ring, out, 3, 0), -1);
  EXPECT_EQ(out[0], 'x');
  EXPECT_EQ(ring.stored, 2);
  EXPECT_EQ(Take(&ring, 2, 0), "DE");
  TerminateRingBuffer(&ring);
}

TEST(RingBufferTest, NormalizeTurnsAPositionAtTheCapacityIntoZero) {
  RingBuffer ring{};
  ring.capacity = 10;
  ring.readPosition = 10;
  ring.writePosition = 10;
  EXPECT_EQ(NormalizeRingBuffer(&ring), &ring);
  EXPECT_EQ(ring.readPosition, 0);
  EXPECT_EQ(ring.writePosition, 0);
}

TEST(RingBufferTest, ReserveOnAnEmptyRingAllocatesAddPlus1000) {
  RingBuffer ring{};
  EXPECT_EQ(ReserveRingBuffer(&ring, 1), 0);
  EXPECT_EQ(ring.capacity, 1001);
  EXPECT_NE(ring.data, nullptr);
  EXPECT_EQ(ReserveRingBuffer(&ring, 1001), 0);
  EXPECT_EQ(ring.capacity, 1001);  // already fits
  TerminateRingBuffer(&ring);
  EXPECT_EQ(ring.data, nullptr);
  EXPECT_EQ(ring.capacity, 0);
}

TEST(RingBufferTest, GrowingKeepsWrappedBytesInOrderAtTheStart) {
  const struct {
    int read;
    int stored;
    std::string bytes;
  } cases[] = {{7, 6, "HIJABC"}, {2, 5, "CDEFG"}, {0, 10, "ABCDEFGHIJ"}, {5, 0, ""}};
  for (const auto& c : cases) {
    RingBuffer ring = MakeRing(10, c.read, c.stored);
    ASSERT_EQ(ReserveRingBuffer(&ring, 20), 0);
    EXPECT_EQ(ring.capacity, 20 + c.stored * 3 / 2 + 1000);
    EXPECT_EQ(ring.readPosition, 0);
    EXPECT_EQ(ring.writePosition, c.stored);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(ring.data), c.stored), c.bytes);
    TerminateRingBuffer(&ring);
  }
}

TEST(RingBufferTest, FailedGrowthKeepsTheStoredBytes) {
  RingBuffer ring = MakeRing(10, 8, 4);
  unsigned char* const data = ring.data;
  LogCapture capture;
  EXPECT_EQ(ReserveRingBuffer(&ring, INT_MAX), -1);
  EXPECT_EQ(capture.ReadNormalized(),
            "#:リングバッファの再確保に失敗しました(確保しようとしたサイズ 2147484653 byte)\r\n");
  EXPECT_EQ(ring.data, data);
  EXPECT_EQ(ring.capacity, 10);
  EXPECT_EQ(Take(&ring, 4, 0), "IJAB");
  EXPECT_EQ(ReserveRingBuffer(&ring, -1), -1);
  TerminateRingBuffer(&ring);
}

TEST(RingBufferTest, WritesWrapAndGrowAsNeeded) {
  RingBuffer ring{};
  std::string expected;
  std::string taken;
  // Alternate writes and reads so that the positions run around the block
  // several times before it has to grow.
  for (int round = 0; round < 60; ++round) {
    std::string chunk(37 + round * 3, static_cast<char>('a' + round % 26));
    ASSERT_EQ(WriteRingBuffer(&ring, chunk.data(), static_cast<int>(chunk.size())), 0);
    expected += chunk;
    const int size = ring.stored > 40 ? ring.stored - 40 : 0;
    taken += Take(&ring, size, 0);
  }
  taken += Take(&ring, ring.stored, 0);
  EXPECT_EQ(taken, expected);
  TerminateRingBuffer(&ring);
}

}  // namespace
