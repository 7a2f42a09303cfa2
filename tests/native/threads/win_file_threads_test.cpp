// The read-ahead worker of Windows files under the thread sanitizer: the
// caller reads, seeks and polls while the worker serves requests and tops up
// its cache on its own, and several files run their workers at once.
#include "system/win_file.h"

#include <stdio.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes RandomFile(const std::string& path, size_t size, unsigned seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (unsigned char& b : bytes) b = static_cast<unsigned char>(random());
  FILE* file = fopen(path.c_str(), "wb");
  EXPECT_NE(file, nullptr);
  fwrite(bytes.data(), 1, bytes.size(), file);
  fclose(file);
  return bytes;
}

// Reads the whole file in odd pieces with a backward seek every fifth read,
// pausing now and then so that the worker fills its cache meanwhile; every
// piece must be the file's bytes at the position.
void ReadThrough(WinFile* file, const Bytes& source, int pauseMs) {
  const size_t pieces[] = {1, 7, 333, 4099, 65537, 13, 131073, 250};
  Bytes buffer(200000);
  size_t position = 0;
  for (int step = 0; position < source.size(); ++step) {
    const size_t want = pieces[step % 8];
    const int got = ReadWinFile(buffer.data(), 1, want, file);
    const size_t expected = want < source.size() - position ? want : source.size() - position;
    ASSERT_EQ(static_cast<size_t>(got), expected) << "at " << position;
    ASSERT_EQ(std::memcmp(buffer.data(), source.data() + position, expected), 0) << "at " << position;
    position += expected;
    if (step % 5 == 4 && position > 1000) {
      ASSERT_EQ(SeekWinFile(file, -1000, 1), 0);
      position -= 1000;
    }
    if (pauseMs && step % 3 == 0) usleep(pauseMs * 1000);
  }
  EXPECT_EQ(ReadWinFile(buffer.data(), 1, 1, file), 0);
  EXPECT_EQ(IsWinFileEof(file), -1);
}

TEST(WinFileThreadsTest, CachedReadsWhileTheWorkerTopsUpItsCache) {
  const Bytes source = RandomFile("cached.bin", 1 << 20, 5);
  WinFile* file = OpenWinFile("cached.bin", 1, 1, 0);
  ASSERT_NE(file, nullptr);
  ReadThrough(file, source, 120);  // longer than the worker's idle wait
  EXPECT_EQ(CloseWinFile(file), 0);
  unlink("cached.bin");
}

// Asynchronous reads return at once; the caller polls for the end while the
// worker fills the buffer, then reads the bytes it was given.
TEST(WinFileThreadsTest, AsynchronousReadsAreCompleteOnceTheFileIsIdle) {
  const Bytes source = RandomFile("async.bin", 300000, 6);
  for (const int useCache : {0, 1}) {
    SCOPED_TRACE(useCache ? "with cache" : "without cache");
    WinFile* file = OpenWinFile("async.bin", useCache, 1, 1);
    ASSERT_NE(file, nullptr);
    Bytes buffer(70001);
    size_t position = 0;
    while (position < source.size()) {
      const int got = ReadWinFile(buffer.data(), 1, buffer.size(), file);
      const size_t expected = std::min(buffer.size(), source.size() - position);
      ASSERT_EQ(static_cast<size_t>(got), expected);
      while (IsWinFileIdle(file) != 1) usleep(100);
      ASSERT_EQ(std::memcmp(buffer.data(), source.data() + position, expected), 0);
      position += expected;
      EXPECT_EQ(TellWinFile(file), static_cast<int>(position));
    }
    // A seek right after an asynchronous read waits for it first.
    ASSERT_EQ(ReadWinFile(buffer.data(), 1, 10, file), 0);
    ASSERT_EQ(SeekWinFile(file, 5, 0), 0);
    ASSERT_EQ(ReadWinFile(buffer.data(), 1, 100, file), 100);
    WaitForWinFileIdle(file);
    EXPECT_EQ(std::memcmp(buffer.data(), source.data() + 5, 100), 0);
    EXPECT_EQ(CloseWinFile(file), 0);
  }
  unlink("async.bin");
}

// Four files, each read by its own thread through its own worker, and one
// closed while its worker is topping up.
TEST(WinFileThreadsTest, SeveralFilesReadAtOnceAndCloseWhileFilling) {
  std::vector<Bytes> sources;
  for (int i = 0; i < 4; ++i) {
    sources.push_back(RandomFile("many" + std::to_string(i) + ".bin", 400000 + i * 777, 10 + i));
  }
  std::vector<std::thread> readers;
  for (int i = 0; i < 4; ++i) {
    readers.emplace_back([&sources, i] {
      WinFile* file = OpenWinFile(("many" + std::to_string(i) + ".bin").c_str(), 1, 1, 0);
      ASSERT_NE(file, nullptr);
      ReadThrough(file, sources[i], i % 2 ? 5 : 0);
      EXPECT_EQ(CloseWinFile(file), 0);
    });
  }
  for (std::thread& reader : readers) reader.join();

  WinFile* file = OpenWinFile("many0.bin", 1, 1, 0);
  ASSERT_NE(file, nullptr);
  unsigned char byte = 0;
  ASSERT_EQ(ReadWinFile(&byte, 1, 1, file), 1);
  usleep(105 * 1000);  // the worker's idle wait runs out and it reads ahead
  EXPECT_EQ(CloseWinFile(file), 0);
  for (int i = 0; i < 4; ++i) unlink(("many" + std::to_string(i) + ".bin").c_str());
}

}  // namespace
