#include <gtest/gtest.h>

#include <string>

#include "Ombrel.h"
#include "support/file_fixtures.h"
#include "system/archive_aware_file.h"
#include "system/file_access.h"
#include "system/win_file.h"

namespace {

// A caller's own file set that records what reaches it.
struct Recorded {
  std::string path;
  int useCache = -1, reserved = -1, async = -1;
  size_t elementSize = 0, count = 0;
};
Recorded recorded;

const FileAccessTable kRecordingTable = {
    [](const char* path, int useCache, int reserved, int async) -> StreamHandle {
      recorded.path = path;
      recorded.useCache = useCache;
      recorded.reserved = reserved;
      recorded.async = async;
      return 77;
    },
    [](StreamHandle) { return 0; },
    [](StreamHandle) { return 1234; },
    [](StreamHandle, int, int) { return 0; },
    [](void*, size_t elementSize, size_t count, StreamHandle) {
      recorded.elementSize = elementSize;
      recorded.count = count;
      return 5;
    },
    [](StreamHandle) { return 0; },
    [](StreamHandle) { return 1; },
    [](const char*) { return 0; },
    [](char*) { return 0; },
    [](const char*, FileFindData*) -> intptr_t { return -1; },
    [](intptr_t, FileFindData*) { return -1; },
    [](intptr_t) { return 0; },
};

TEST(FileAccessTest, TheArchiveAwareSetIsActiveFromProcessStart) {
  EXPECT_EQ(GetFileAccessTable()->Open, &OpenArchiveAwareStream);
  EXPECT_EQ(GetFileAccessTable()->FindClose, &FindCloseArchiveAware);
}

TEST(FileAccessTest, ACallersTableTakesEveryCallUntilNullRestoresTheDefault) {
  ASSERT_EQ(InstallFileAccessTable(&kRecordingTable), 0);
  EXPECT_EQ(OpenStream("x.png", 1, 1, 0), 77u);
  EXPECT_EQ(recorded.path, "x.png");
  EXPECT_EQ(recorded.useCache, 1);
  EXPECT_EQ(TellStream(77), 1234);
  EXPECT_EQ(OpenDataFile("map.dat", 7), 77u);
  EXPECT_EQ(recorded.useCache, 0);
  EXPECT_EQ(recorded.reserved, 1);
  EXPECT_EQ(recorded.async, 1) << "any non-zero value asks for asynchronous reads";
  char buffer[8];
  EXPECT_EQ(ReadDataFile(buffer, 8, 77), 5);
  EXPECT_EQ(recorded.elementSize, 1u);
  EXPECT_EQ(recorded.count, 8u);
  EXPECT_EQ(GetFileStreamOps()->Tell(reinterpret_cast<void*>(77)), 1234);

  ASSERT_EQ(InstallFileAccessTable(nullptr), 0);
  EXPECT_EQ(GetFileAccessTable()->Open, &OpenArchiveAwareStream);
}

TEST(FileAccessTest, ReadDataFileCountsBytesAndGivesZeroAtTheEndInBothSets) {
  WriteFileBytes("five.bin", BytesOf("12345"));
  for (const FileAccessTable* table : {&kWinFileAccessTable, &kArchiveAwareFileAccessTable}) {
    InstallFileAccessTable(table);
    const StreamHandle h = OpenDataFile("five.bin", 0);
    ASSERT_NE(h, 0u);
    char buffer[8];
    EXPECT_EQ(ReadDataFile(buffer, 8, h), 5);
    EXPECT_EQ(ReadDataFile(buffer, 8, h), 0);
    EXPECT_EQ(IsStreamEof(h), -1);
    EXPECT_EQ(IsStreamIdle(h), 1);
    EXPECT_EQ(SeekStream(h, 1, 0), 0);
    EXPECT_EQ(ReadDataFile(buffer, 8, h), 4);
    EXPECT_EQ(CloseStream(h), 0);
  }
  InstallFileAccessTable(nullptr);
}

}  // namespace
