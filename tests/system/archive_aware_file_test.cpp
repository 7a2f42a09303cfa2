// The default file set as the game uses it: the working folder is "bin" and
// the data lie in "..\data", loose or as the archive "..\data.ARC".
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Ombrel.h"
#include "support/file_fixtures.h"
#include "support/log_capture.h"
#include "system/archive_aware_file.h"
#include "system/archive_cache.h"
#include "system/file_access.h"

namespace {

class ArchiveAwareFileTest : public testing::Test {
 protected:
  void SetUp() override {
    GetCurrentDirectoryA(MAX_PATH, start_);
    const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    folder_ = std::string(start_) + "\\" + name;
    RemoveTree(folder_);
    CreateDirectoryA(folder_.c_str(), nullptr);
    CreateDirectoryA((folder_ + "\\bin").c_str(), nullptr);
    ASSERT_TRUE(SetCurrentDirectoryA((folder_ + "\\bin").c_str()));
  }

  void TearDown() override {
    SetCurrentDirectoryA(start_);
    ReleaseUnusedArchives();
  }

  // Writes the archive that stands for "..\data".
  void WriteDataArchive(const std::vector<FixtureFile>& files, const ArchiveWriterOptions& options = {}) {
    WriteFileBytes("..\\data.ARC", MakeArchiveImage(files, options));
  }

  static std::string ReadAll(const char* path) {
    const StreamHandle h = OpenStream(path, 0, 1, 0);
    if (!h) return "not found";
    std::string bytes;
    char buffer[100];
    for (int n; (n = ReadDataFile(buffer, sizeof buffer, h)) > 0;) bytes.append(buffer, static_cast<size_t>(n));
    EXPECT_EQ(CloseStream(h), 0);
    return bytes;
  }

  std::string ArchivePath(const char* relative) {
    char full[kArchivePathSize];
    EXPECT_EQ(MakeArchiveFullPath(full, relative), 0);
    return full;
  }

  char start_[MAX_PATH];
  std::string folder_;
};

TEST_F(ArchiveAwareFileTest, AnArchiveStandsForItsFolderWithoutFallingBackToTheDisk) {
  WriteDataArchive({{"map\\field.map", BytesOf("from the archive")}, {"map\\packed.txt", TextBytes(5000)}});
  WriteFileBytes("..\\data\\map\\field.map", BytesOf("loose"));
  WriteFileBytes("..\\data\\only_loose.txt", BytesOf("loose only"));
  EXPECT_EQ(ReadAll("..\\data\\map\\field.map"), "from the archive");
  EXPECT_EQ(ReadAll("..\\DATA\\Map\\FIELD.MAP"), "from the archive");
  const Bytes text = TextBytes(5000);
  EXPECT_EQ(ReadAll("..\\data\\map\\packed.txt"), std::string(text.begin(), text.end()));
  EXPECT_EQ(ReadAll("..\\data\\only_loose.txt"), "not found");
  EXPECT_EQ(ReadAll((folder_ + "\\data\\map\\field.map").c_str()), "from the archive");
}

TEST_F(ArchiveAwareFileTest, WithoutAnArchiveThePlainFileIsRead) {
  WriteFileBytes("..\\data\\map\\field.map", BytesOf("loose"));
  EXPECT_EQ(ReadAll("..\\data\\map\\field.map"), "loose");
  EXPECT_EQ(ReadAll("..\\data\\map\\missing.map"), "not found");
}

TEST_F(ArchiveAwareFileTest, ACandidateThatIsNoArchiveIsPassedOver) {
  WriteFileBytes("..\\data.ARC", BytesOf("this is not an archive at all, just text"));
  WriteFileBytes("..\\data\\map.ARC", MakeArchiveImage({{"field.map", BytesOf("inner archive")}}));
  WriteFileBytes("..\\data\\plain.txt", BytesOf("plain"));
  EXPECT_EQ(ReadAll("..\\data\\plain.txt"), "plain");
  EXPECT_EQ(ReadAll("..\\data\\map\\field.map"), "inner archive");
}

// "Z:.ARC" names a file in the drive's current folder, so a bare drive has no
// archive: were it tried, this ".ARC" would stand for the whole drive.
TEST_F(ArchiveAwareFileTest, ABareDriveHasNoArchive) {
  WriteFileBytes(".ARC", MakeArchiveImage({{"other.txt", BytesOf("inside")}}));
  WriteFileBytes("plain.txt", BytesOf("plain"));
  EXPECT_EQ(ReadAll("plain.txt"), "plain");
}

TEST_F(ArchiveAwareFileTest, The513thOpenFailsAndWorksAgainAfterOneClose) {
  WriteDataArchive({{"a.txt", BytesOf("a")}});
  std::vector<StreamHandle> handles;
  for (int i = 0; i < kMaxOpenFiles; ++i) {
    const StreamHandle h = OpenStream("..\\data\\a.txt", 0, 1, 0);
    ASSERT_NE(h, 0u) << i;
    handles.push_back(h);
  }
  EXPECT_EQ(handles[0], 0xF0000000u) << "slot 0 gives a non-zero handle";
  {
    LogCapture log;
    EXPECT_EQ(OpenStream("..\\data\\a.txt", 0, 1, 0), 0u);
    EXPECT_EQ(log.ReadNormalized(), "#:同時に開けるファイルの数が限界を超えました\r\n");
  }
  ASSERT_EQ(CloseStream(handles[100]), 0);
  const StreamHandle again = OpenStream("..\\data\\a.txt", 0, 1, 0);
  EXPECT_EQ(again, handles[100]) << "the freed slot is taken again";
  handles[100] = again;
  char byte = 0;
  EXPECT_EQ(ReadStream(&byte, 1, 1, handles[0]), 1);
  EXPECT_EQ(byte, 'a');
  for (StreamHandle h : handles) EXPECT_EQ(CloseStream(h), 0);
}

TEST_F(ArchiveAwareFileTest, HandlesOfEmptySlotsAreRefused) {
  const StreamHandle bad[] = {0xF0000000u, 0xF0000000u | 600, 5, 0};
  char byte;
  for (StreamHandle h : bad) {
    EXPECT_EQ(CloseArchiveAwareStream(h), -1);
    EXPECT_EQ(TellArchiveAwareStream(h), -1);
    EXPECT_EQ(SeekArchiveAwareStream(h, 0, 0), -1);
    EXPECT_EQ(ReadArchiveAwareStream(&byte, 1, 1, h), -1);
    EXPECT_EQ(IsArchiveAwareStreamEof(h), -1);
    EXPECT_EQ(IsArchiveAwareStreamIdle(h), -1);
  }
}

TEST_F(ArchiveAwareFileTest, ReadsInAnArchiveComputeTheirSizeSafely) {
  WriteDataArchive({{"hundred.bin", RandomBytes(100, 8)}});
  const StreamHandle h = OpenStream("..\\data\\hundred.bin", 0, 1, 0);
  ASSERT_NE(h, 0u);
  std::vector<char> buffer(200, 'z');
  EXPECT_EQ(ReadStream(buffer.data(), 0, 5, h), 0) << "element size 0 reads nothing";
  EXPECT_EQ(TellStream(h), 0);
  // 0x10000 x 0x10001 overflows 32 bits; counted in 64 bits it is the whole rest.
  EXPECT_EQ(ReadStream(buffer.data(), 0x10000, 0x10001, h), 0);
  EXPECT_EQ(TellStream(h), 100);
  EXPECT_EQ(buffer[100], 'z');
  CloseStream(h);
}

TEST_F(ArchiveAwareFileTest, ArchivesStayCachedUntilReleased) {
  WriteDataArchive({{"a.txt", BytesOf("a")}});
  const std::string archive = ArchivePath("..\\data.ARC");
  EXPECT_EQ(GetArchiveReferenceCount(archive.c_str()), -1);
  const StreamHandle h = OpenStream("..\\data\\a.txt", 0, 1, 0);
  const StreamHandle h2 = OpenStream("..\\data\\a.txt", 0, 1, 0);
  EXPECT_EQ(GetArchiveReferenceCount(archive.c_str()), 2);
  CloseStream(h);
  CloseStream(h2);
  EXPECT_EQ(GetArchiveReferenceCount(archive.c_str()), 0);
  EXPECT_EQ(OpenStream("..\\data\\missing.txt", 0, 1, 0), 0u);
  EXPECT_EQ(GetArchiveReferenceCount(archive.c_str()), 0) << "a failed open gives its reference back";
  EXPECT_EQ(ReleaseUnusedArchives(), 0);
  EXPECT_EQ(GetArchiveReferenceCount(archive.c_str()), -1);
  EXPECT_TRUE(DeleteFileA("..\\data.ARC"));
}

std::vector<std::string> Find(const char* pattern) {
  const FileAccessTable* table = GetFileAccessTable();
  std::vector<std::string> names;
  FileFindData data;
  const intptr_t find = table->FindFirst(pattern, &data);
  if (find == -1) return names;
  do names.push_back(data.name); while (table->FindNext(find, &data) == 0);
  EXPECT_EQ(table->FindClose(find), 0);
  return names;
}

TEST_F(ArchiveAwareFileTest, SearchesListTheArchiveWhenItStandsForTheFolder) {
  WriteDataArchive({{"b.png", {}}, {"a.png", {}}, {"map\\x.map", {}}});
  using Names = std::vector<std::string>;
  EXPECT_EQ(Find("..\\data\\*"), (Names{".", "a.png", "b.png", "map"}));
  EXPECT_EQ(Find("..\\data\\map\\*"), (Names{".", "..", "x.map"}));
  EXPECT_EQ(Find("..\\data\\*.PNG"), (Names{"a.png", "b.png"}));
  const std::string archive = ArchivePath("..\\data.ARC");
  EXPECT_EQ(Find("..\\data\\*.none"), Names{});
  EXPECT_EQ(GetArchiveReferenceCount(archive.c_str()), 0) << "a search that finds nothing keeps no reference";
  WriteFileBytes("..\\loose\\c.txt", {});
  EXPECT_EQ(Find("..\\loose\\*.txt"), Names{"c.txt"});
}

TEST_F(ArchiveAwareFileTest, PlainFilesFirstPrefersTheLooseFile) {
  WriteDataArchive({{"map\\field.map", BytesOf("archive")}, {"only_archived.txt", BytesOf("archived")}});
  WriteFileBytes("..\\data\\map\\field.map", BytesOf("loose"));
  GetArchiveLookupSettings()->plainFilesFirst = 1;
  EXPECT_EQ(ReadAll("..\\data\\map\\field.map"), "loose");
  EXPECT_EQ(ReadAll("..\\data\\only_archived.txt"), "archived");
  GetArchiveLookupSettings()->plainFilesFirst = 0;
  EXPECT_EQ(ReadAll("..\\data\\map\\field.map"), "archive");
}

TEST_F(ArchiveAwareFileTest, PathsTooLongToLookUpFailWithoutHarm) {
  // A working folder deep enough that the full path no longer fits.
  std::string deep = folder_;
  while (deep.size() < 200) {
    deep += "\\deeper_folder";
    CreateDirectoryA(deep.c_str(), nullptr);
  }
  ASSERT_TRUE(SetCurrentDirectoryA(deep.c_str()));
  const std::string name(250 - deep.size(), 'n');
  WriteFileBytes(name, BytesOf("fits"));
  EXPECT_EQ(ReadAll(name.c_str()), "fits");
  const std::string longer = name + "nnnnnn";
  WriteFileBytes(longer, BytesOf("too long"));
  ASSERT_NE(GetFileAttributesA(longer.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ReadAll(longer.c_str()), "not found");
  EXPECT_EQ(ReadAll(std::string(400, 'x').c_str()), "not found");
}

TEST_F(ArchiveAwareFileTest, DirectoryEntriesSetAndGetTheCurrentFolder) {
  const FileAccessTable* table = GetFileAccessTable();
  char directory[MAX_PATH];
  EXPECT_EQ(table->GetDir(directory), 0);
  EXPECT_EQ(std::string(directory), folder_ + "\\bin");
  EXPECT_EQ(table->SetDir(".."), 0);
  table->GetDir(directory);
  EXPECT_EQ(std::string(directory), folder_);
}

}  // namespace
