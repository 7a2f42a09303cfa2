#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/file_fixtures.h"
#include "support/log_capture.h"
#include "system/win_file.h"

namespace {

int CountOwnThreads() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry;
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  }
  CloseHandle(snapshot);
  return count;
}

void WaitIdle(WinFile* file) {
  while (IsWinFileIdle(file) != 1) Sleep(1);
}

TEST(WinFileTest, CachedWorkerReadsAMebibyteInOddPiecesWithBackwardSeeks) {
  const Bytes source = RandomBytes(1 << 20, 5);
  WriteFileBytes("mebibyte.bin", source);
  WinFile* file = OpenWinFile("mebibyte.bin", 1, 1, 0);
  ASSERT_NE(file, nullptr);
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
      // Backward seeks empty the read-ahead; the next read starts at the target.
      ASSERT_EQ(SeekWinFile(file, -1000, 1), 0);
      position -= 1000;
      ASSERT_EQ(TellWinFile(file), static_cast<int>(position));
    }
    if (step % 3 == 0) Sleep(120);  // lets the worker fill its cache while idle
  }
  EXPECT_EQ(ReadWinFile(buffer.data(), 1, 1, file), 0);
  EXPECT_EQ(IsWinFileEof(file), -1);
  EXPECT_EQ(CloseWinFile(file), 0);
}

TEST(WinFileTest, ClosedWorkerFileCanBeDeletedAndItsThreadHasEnded) {
  WriteFileBytes("worker.bin", RandomBytes(5000, 1));
  const int before = CountOwnThreads();
  WinFile* file = OpenWinFile("worker.bin", 1, 1, 0);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(CountOwnThreads(), before + 1);
  EXPECT_FALSE(DeleteFileA("worker.bin")) << "the worker holds the file without sharing";
  EXPECT_EQ(CloseWinFile(file), 0);
  EXPECT_EQ(CountOwnThreads(), before);
  EXPECT_TRUE(DeleteFileA("worker.bin"));
}

// The worker opens its file without sharing, so a file that someone else
// reads can be measured but not taken over.
TEST(WinFileTest, WorkerThatCannotOpenItsFileLogsAndEnds) {
  WriteFileBytes("shared.bin", RandomBytes(100, 4));
  HANDLE other = CreateFileA("shared.bin", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  const int before = CountOwnThreads();
  LogCapture log;
  EXPECT_EQ(OpenWinFile("shared.bin", 1, 1, 0), nullptr);
  EXPECT_EQ(log.ReadNormalized(), "#:ファイルのオープンに失敗しました\r\n");
  EXPECT_EQ(CountOwnThreads(), before);
  CloseHandle(other);
  WinFile* file = OpenWinFile("shared.bin", 0, 1, 1);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(CloseWinFile(file), 0);
}

TEST(WinFileTest, AsyncReadReturnsItsCountAtOnceAndDeliversWhenIdle) {
  const Bytes source = RandomBytes(300000, 2);
  WriteFileBytes("async.bin", source);
  WinFile* file = OpenWinFile("async.bin", 0, 1, 1);
  ASSERT_NE(file, nullptr);
  Bytes buffer(source.size());
  EXPECT_EQ(ReadWinFile(buffer.data(), 1000, 300, file), 300);
  EXPECT_EQ(TellWinFile(file), 300000);
  WaitIdle(file);
  EXPECT_EQ(buffer, source);
  EXPECT_EQ(CloseWinFile(file), 0);
}

// A worker's seek used to return before it took effect, so the next read
// still used the old position.
TEST(WinFileTest, SeekOnAWorkerFileTakesEffectAtOnce) {
  const Bytes source = RandomBytes(10000, 3);
  WriteFileBytes("seek.bin", source);
  struct Case {
    int useCache, async;
  };
  for (const Case c : {Case{1, 0}, Case{0, 1}, Case{1, 1}}) {
    WinFile* file = OpenWinFile("seek.bin", c.useCache, 1, c.async);
    ASSERT_NE(file, nullptr);
    unsigned char bytes[16];
    ASSERT_EQ(ReadWinFile(bytes, 1, 10, file), 10);
    ASSERT_EQ(SeekWinFile(file, -5, 1), 0);
    EXPECT_EQ(TellWinFile(file), 5);
    ASSERT_EQ(SeekWinFile(file, 7000, 0), 0);
    EXPECT_EQ(TellWinFile(file), 7000);
    ASSERT_EQ(ReadWinFile(bytes, 4, 4, file), 4);
    WaitIdle(file);
    EXPECT_EQ(std::memcmp(bytes, source.data() + 7000, 16), 0) << c.useCache << c.async;
    EXPECT_EQ(TellWinFile(file), 7016);
    EXPECT_EQ(CloseWinFile(file), 0);
  }
}

TEST(WinFileTest, OpenFailsForMissingFilesAndOverlongPaths) {
  for (int useCache = 0; useCache < 2; ++useCache) {
    EXPECT_EQ(OpenWinFile("no such file.bin", useCache, 1, 0), nullptr);
  }
  const std::string longPath(300, 'a');
  EXPECT_EQ(OpenWinFile(longPath.c_str(), 1, 1, 0), nullptr);
}

TEST(WinFileTest, NewTempFileIsEmptyWritableAndNamedWithTmp) {
  char path[MAX_PATH] = {};
  void* handle = OpenNewTempFile(path);
  ASSERT_NE(handle, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  const std::string name = path;
  EXPECT_EQ(name.substr(0, std::strlen(folder) + 3), std::string(folder) + "tmp");
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(handle, "abc", 3, &written, nullptr));
  CloseHandle(handle);
  EXPECT_EQ(ReadFileBytes(path), BytesOf("abc"));
  DeleteFileA(path);
}

TEST(WinFileTest, SearchFillsFindDataAndAdvancesWithoutIt) {
  WriteTree("search", {{"a.txt", BytesOf("12345")}, {"b.txt", {}}, {"sub\\", {}}});
  FileFindData data;
  const intptr_t find = FindFirstWinFile("search\\*.txt", &data);
  ASSERT_NE(find, -1);
  EXPECT_STREQ(data.name, "a.txt");
  EXPECT_EQ(data.sizeLow, 5u);
  EXPECT_EQ(data.isDirectory, 0);
  EXPECT_GE(data.lastWriteTime.year, 2020);
  EXPECT_EQ(FindNextWinFile(find, nullptr), 0);
  EXPECT_EQ(FindNextWinFile(find, &data), -1);
  EXPECT_EQ(FindCloseWinFile(find), 0);

  ASSERT_NE(FindFirstWinFile("search\\sub", &data), -1);
  EXPECT_EQ(data.isDirectory, 1);
  EXPECT_EQ(FindFirstWinFile("search\\*.none", &data), -1);
}

TEST(WinFileTest, DirectoryCallsSetAndReportTheCurrentFolder) {
  char start[MAX_PATH];
  const int length = GetWinFileDir(start);
  ASSERT_GT(length, 0);
  EXPECT_EQ(static_cast<size_t>(length), std::strlen(start));
  CreateDirectoryA("inner", nullptr);
  EXPECT_NE(SetWinFileDir("inner"), 0);
  char now[MAX_PATH];
  GetWinFileDir(now);
  EXPECT_EQ(std::string(now), std::string(start) + "\\inner");
  EXPECT_NE(SetWinFileDir(start), 0);
  EXPECT_EQ(SetWinFileDir("no such folder"), 0);
}

}  // namespace
