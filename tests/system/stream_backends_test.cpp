// The same reads, seeks and end tests against every kind of stream: a plain
// file read directly, through a cached or asynchronous worker, a memory
// block, and the same bytes stored or packed inside an archive.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "Ombrel.h"
#include "support/file_fixtures.h"
#include "system/archive_cache.h"

namespace {

// The bytes every backend serves: compressible, and 2 bytes past a whole
// number of 4-byte elements.
const Bytes& Source() {
  static const Bytes data = TextBytes(4002);
  return data;
}

enum class Kind { File, Memory, Archive };

struct Backend {
  const char* name;
  Kind kind;
  const char* path;  // null for the memory block
  int useCache;
  int async;
};

const Backend kBackends[] = {
    {"Direct", Kind::File, "plain\\data.bin", 0, 0},
    {"CachedWorker", Kind::File, "plain\\data.bin", 1, 0},
    {"AsyncWorker", Kind::File, "plain\\data.bin", 0, 1},
    {"CachedAsyncWorker", Kind::File, "plain\\data.bin", 1, 1},
    {"Memory", Kind::Memory, nullptr, 0, 0},
    {"ArchiveStored", Kind::Archive, "stored\\data.bin", 0, 0},
    {"ArchivePacked", Kind::Archive, "packed\\data.bin", 0, 0},
    {"ArchiveStoredAsync", Kind::Archive, "stored\\data.bin", 0, 1},
    {"ArchivePackedAsync", Kind::Archive, "packed\\data.bin", 0, 1},
};

class StreamBackendsTest : public testing::TestWithParam<Backend> {
 protected:
  static void SetUpTestSuite() {
    WriteFileBytes("plain\\data.bin", Source());
    ArchiveWriterOptions stored;
    stored.compress = false;
    WriteFileBytes("stored.ARC", MakeArchiveImage({{"data.bin", Source()}}, stored));
    WriteFileBytes("packed.ARC", MakeArchiveImage({{"data.bin", Source()}}));
    ASSERT_LT(ReadFileBytes("packed.ARC").size(), Source().size() / 2);
  }

  static void TearDownTestSuite() { ReleaseUnusedArchives(); }

  void SetUp() override {
    const Backend& b = GetParam();
    if (b.kind == Kind::Memory) {
      ops_ = GetMemoryStreamOps();
      data_ = OpenMemoryStream(Source().data(), static_cast<int>(Source().size()));
    } else {
      ops_ = GetFileStreamOps();
      data_ = reinterpret_cast<void*>(OpenStream(b.path, b.useCache, 1, b.async));
    }
    ASSERT_NE(data_, nullptr);
  }

  void TearDown() override {
    if (data_) {
      EXPECT_EQ(ops_->Close(data_), 0);
    }
  }

  // Waits for an asynchronous read, so its bytes are in the buffer.
  int Read(void* buffer, size_t elementSize, size_t count) {
    const int result = ops_->Read(buffer, elementSize, count, data_);
    while (ops_->IdleCheck(data_) != 1) Sleep(1);
    return result;
  }
  int Seek(int offset, int origin) { return ops_->Seek(data_, offset, origin); }
  int Tell() { return ops_->Tell(data_); }
  int Eof() { return ops_->Eof(data_); }
  int EofValue() const { return GetParam().kind == Kind::Memory ? 1 : -1; }
  int Size() const { return static_cast<int>(Source().size()); }

  const StreamReadOps* ops_ = nullptr;
  void* data_ = nullptr;
};

TEST_P(StreamBackendsTest, ReadsInOddPiecesEqualTheSource) {
  Bytes read;
  unsigned char piece[7];
  for (int n; (n = Read(piece, 1, sizeof piece)) > 0;) read.insert(read.end(), piece, piece + n);
  EXPECT_EQ(read, Source());
  EXPECT_EQ(Tell(), Size());
  EXPECT_EQ(Eof(), EofValue());
}

TEST_P(StreamBackendsTest, SeeksFromEachOriginThenReads) {
  struct Case {
    int offset, origin, expected;
  };
  // Each read moves one byte on, so relative seeks count from there.
  const Case cases[] = {{100, 0, 100}, {-11, 1, 90}, {24, 1, 115}, {-2, 2, Size() - 2}, {0, 0, 0}};
  for (const Case& c : cases) {
    ASSERT_EQ(Seek(c.offset, c.origin), 0);
    EXPECT_EQ(Tell(), c.expected);
    unsigned char byte = 0;
    ASSERT_EQ(Read(&byte, 1, 1), 1);
    EXPECT_EQ(byte, Source()[static_cast<size_t>(c.expected)]) << "at " << c.expected;
    EXPECT_EQ(Tell(), c.expected + 1);
  }
}

TEST_P(StreamBackendsTest, ReadAtTheEndSetsTheEndFlagUntilASeek) {
  unsigned char buffer[8];
  ASSERT_EQ(Seek(0, 2), 0);
  EXPECT_EQ(Eof(), 0);
  EXPECT_EQ(Read(buffer, 1, sizeof buffer), 0);
  EXPECT_EQ(Eof(), EofValue());
  ASSERT_EQ(Seek(-3, 2), 0);
  EXPECT_EQ(Eof(), 0);
  EXPECT_EQ(Read(buffer, 1, sizeof buffer), 3);
  EXPECT_EQ(std::memcmp(buffer, Source().data() + Size() - 3, 3), 0);
}

// Files read only whole elements; a memory block delivers the partial last
// element as one; an archive file hands out the partial bytes but counts
// only whole elements.
TEST_P(StreamBackendsTest, PartialLastElementFollowsTheBackendsRule) {
  const Kind kind = GetParam().kind;
  unsigned char buffer[20];
  std::memset(buffer, 0xEE, sizeof buffer);
  ASSERT_EQ(Seek(-6, 2), 0);
  EXPECT_EQ(Read(buffer, 4, 5), 1);
  EXPECT_EQ(std::memcmp(buffer, Source().data() + Size() - 6, 4), 0);
  EXPECT_EQ(Tell(), kind == Kind::Archive ? Size() : Size() - 2);

  std::memset(buffer, 0xEE, sizeof buffer);
  const int second = Read(buffer, 4, 1);
  EXPECT_EQ(second, kind == Kind::Memory ? 1 : 0);
  if (kind == Kind::Memory) {
    EXPECT_EQ(std::memcmp(buffer, Source().data() + Size() - 2, 2), 0);
  } else if (kind == Kind::File) {
    EXPECT_EQ(buffer[0], 0xEE);
  }
  EXPECT_EQ(Tell(), kind == Kind::File ? Size() - 2 : Size());
  EXPECT_EQ(Eof(), kind == Kind::Memory ? 0 : -1);
}

TEST_P(StreamBackendsTest, SeeksOutsideTheDataFollowTheBackendsRule) {
  const bool clamps = GetParam().kind != Kind::File;
  ASSERT_EQ(Seek(Size() + 10, 0), 0);
  EXPECT_EQ(Tell(), clamps ? Size() : Size() + 10);
  unsigned char byte;
  EXPECT_EQ(Read(&byte, 1, 1), 0);
  EXPECT_EQ(Eof(), EofValue());

  ASSERT_EQ(Seek(7, 0), 0);
  EXPECT_EQ(Seek(-5, 0), clamps ? 0 : -1);
  EXPECT_EQ(Tell(), clamps ? 0 : 7);
}

std::string BackendName(const testing::TestParamInfo<Backend>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Each, StreamBackendsTest, testing::ValuesIn(kBackends), BackendName);

}  // namespace
