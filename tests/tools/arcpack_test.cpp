// Runs the packer tool on folders made here and reads its archives back
// through the library.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Ombrel.h"
#include "support/file_fixtures.h"
#include "system/archive.h"
#include "system/archive_cache.h"
#include "system/archive_file.h"

namespace {

const std::vector<FixtureFile>& GameData() {
  static const std::vector<FixtureFile> files = {
      {"map\\field.map", RandomBytes(3000, 1)},
      {"map\\town.map", TextBytes(40000)},
      {"graph\\ソース.png", RandomBytes(500, 2)},
      {"graph\\empty.png", {}},
      {"script\\", {}},
      {"readme.txt", BytesOf("read me")},
  };
  return files;
}

// Runs the tool with its output in a file; returns its exit code.
int RunTool(const std::string& arguments, std::string* output = nullptr) {
  const std::string tool = HostPathToWindows(TEST_ARTIFACT_DIR "/../tools/arcpack.exe");
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE out = CreateFileA("tool-output.txt", GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out;
  startup.hStdError = out;
  PROCESS_INFORMATION process = {};
  std::string command = "\"" + tool + "\" " + arguments;
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &process)) {
    CloseHandle(out);
    return -1;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CloseHandle(out);
  if (output) {
    const Bytes text = ReadFileBytes("tool-output.txt");
    output->assign(text.begin(), text.end());
  }
  return static_cast<int>(code);
}

std::string ReadEntry(Archive* archive, const std::string& path) {
  ArchiveFile file;
  if (OpenArchiveEntry(&file, archive, path.c_str(), 0) != 0) return "missing";
  std::string bytes(file.entry->size + 1, '\0');
  bytes.resize(static_cast<size_t>(ReadArchiveFile(&file, bytes.data(), bytes.size())));
  CloseArchiveFile(&file);
  return bytes;
}

class ArcpackTest : public testing::Test {
 protected:
  void SetUp() override {
    RemoveTree("game");
    WriteTree("game", {});
    WriteTree("game\\data", GameData());
    CreateDirectoryA("game\\bin", nullptr);
  }
  void TearDown() override { ReleaseUnusedArchives(); }

  // Opens an archive file whole; the record is closed by the caller.
  static void OpenWhole(Archive* archive, const char* path) {
    ClearArchive(archive);
    ASSERT_EQ(OpenArchiveWhole(archive, path, nullptr, 0), 0) << path;
  }
};

TEST_F(ArcpackTest, PacksAFolderIntoTheArchiveBesideIt) {
  ASSERT_EQ(RunTool("pack game\\data"), 0);
  Archive archive;
  OpenWhole(&archive, "game\\data.ARC");
  EXPECT_EQ(archive.header.version, 4);
  EXPECT_EQ(archive.header.codePage, 932u);
  int packed = 0;
  for (const FixtureFile& f : GameData()) {
    if (f.path.back() == '\\') continue;
    EXPECT_EQ(ReadEntry(&archive, f.path), std::string(f.data.begin(), f.data.end())) << f.path;
    if (ArchiveEntryPackedSize(4, FindArchiveFile(f.path.c_str(), &archive)) != kArchiveStored) ++packed;
  }
  EXPECT_EQ(packed, 1) << "only the text gains from packing";
  EXPECT_EQ(ChangeArchiveDir(&archive, "script", 1, nullptr), 0) << "empty folders are kept";
  CloseArchive(&archive);

  // The game's own road: from "bin", "..\data\..." is read from the archive.
  RemoveTree("game\\data");
  char start[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, start);
  SetCurrentDirectoryA("game\\bin");
  const StreamHandle h = OpenStream("..\\data\\graph\\ソース.png", 0, 1, 0);
  SetCurrentDirectoryA(start);
  ASSERT_NE(h, 0u);
  char buffer[600];
  EXPECT_EQ(ReadStream(buffer, 1, sizeof buffer, h), 500);
  EXPECT_EQ(std::string(buffer, 500), std::string(GameData()[2].data.begin(), GameData()[2].data.end()));
  CloseStream(h);
}

TEST_F(ArcpackTest, FixedTimeMakesTheBytesReproducible) {
  ASSERT_EQ(RunTool("pack game\\data first.ARC --fixed-time"), 0);
  // Rewriting a file changes its times on disk but not its archive.
  Sleep(20);
  WriteFileBytes("game\\data\\readme.txt", BytesOf("read me"));
  ASSERT_EQ(RunTool("pack game\\data\\ second.ARC --fixed-time"), 0);
  const Bytes first = ReadFileBytes("first.ARC");
  EXPECT_FALSE(first.empty());
  EXPECT_TRUE(first == ReadFileBytes("second.ARC"));
}

TEST_F(ArcpackTest, VersionsKeysAndStoringAreChosenOnTheCommandLine) {
  struct Case {
    const char* options;
    int version;
    bool anyPacked;
  };
  const Case cases[] = {{"--version=0", 0, false},   {"--version=1", 1, false},
                        {"--version=2", 2, true},    {"--version=3 --second-key", 3, true},
                        {"--store", 4, false},       {"--codepage=0 --second-key", 4, true}};
  for (const Case& c : cases) {
    ASSERT_EQ(RunTool(std::string("pack game\\data out.ARC ") + c.options), 0) << c.options;
    Archive archive;
    OpenWhole(&archive, "out.ARC");
    EXPECT_EQ(archive.header.version, c.version) << c.options;
    const ArchiveEntry* town = FindArchiveFile("map\\town.map", &archive);
    ASSERT_NE(town, nullptr) << c.options;
    EXPECT_EQ(ArchiveEntryPackedSize(c.version, town) != kArchiveStored, c.anyPacked) << c.options;
    EXPECT_EQ(ReadEntry(&archive, "graph\\ソース.png").size(), 500u) << c.options;
    CloseArchive(&archive);
  }
  EXPECT_EQ(RunTool("pack game\\data out.ARC --version=5"), 1);
}

TEST_F(ArcpackTest, ListAndVerifyReadBackThroughTheLibrary) {
  ASSERT_EQ(RunTool("pack game\\data"), 0);
  std::string output;
  ASSERT_EQ(RunTool("list game\\data.ARC", &output), 0);
  EXPECT_NE(output.find("version 4, code page 932"), std::string::npos) << output;
  EXPECT_NE(output.find("map\\town.map  40000 packed"), std::string::npos) << output;
  EXPECT_NE(output.find("graph\\ソース.png  500 stored"), std::string::npos) << output;
  EXPECT_NE(output.find("5 files"), std::string::npos) << output;

  EXPECT_EQ(RunTool("verify game\\data.ARC game\\data", &output), 0) << output;
  WriteFileBytes("game\\data\\map\\field.map", RandomBytes(3000, 99));
  EXPECT_EQ(RunTool("verify game\\data.ARC game\\data", &output), 1);
  EXPECT_NE(output.find("differs: map\\field.map"), std::string::npos) << output;
  WriteFileBytes("game\\data\\new.txt", BytesOf("new"));
  EXPECT_EQ(RunTool("verify game\\data.ARC game\\data", &output), 1);
  EXPECT_NE(output.find("missing: new.txt"), std::string::npos) << output;
}

TEST_F(ArcpackTest, ErrorsAreReportedByTheExitCode) {
  EXPECT_EQ(RunTool("pack no-such-folder"), 1);
  WriteFileBytes("not-an-archive.ARC", BytesOf("plain text"));
  EXPECT_EQ(RunTool("list not-an-archive.ARC"), 1);
  EXPECT_EQ(RunTool("list"), 2);
  EXPECT_EQ(RunTool("shuffle game\\data"), 2);
  EXPECT_EQ(RunTool("pack game\\data --bogus"), 2);
}

}  // namespace
