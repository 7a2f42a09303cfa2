#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/file_fixtures.h"
#include "system/archive.h"
#include "system/tracked_memory.h"
#include "system/win_file.h"

namespace {

const std::vector<FixtureFile>& Tree() {
  static const std::vector<FixtureFile> files = {
      {"readme.txt", BytesOf("root")},
      {"Map\\a.png", BytesOf("a")},
      {"Map\\b.PNG", BytesOf("bb")},
      {"Map\\A.B.PNG", BytesOf("ab")},
      {"Map\\x.pn", BytesOf("x")},
      {"Map\\Town.png", BytesOf("town picture")},
      {"Map\\Town\\t.png", BytesOf("t")},
      {"Map\\Dungeon\\", {}},
      {"Map\\ソース.txt", BytesOf("so")},
      {"Sound\\", {}},
  };
  return files;
}

class ArchiveLookupTest : public testing::Test {
 protected:
  void SetUp() override {
    image_ = MakeArchiveImage(Tree());
    ClearArchive(&archive_);
    ASSERT_EQ(OpenArchiveFromMemory(&archive_, image_.data(), static_cast<int>(image_.size()), nullptr), 0);
    root_ = archive_.currentDirectory;
  }
  void TearDown() override { CloseArchive(&archive_); }

  std::string Found(const char* path) {
    const ArchiveEntry* entry = FindArchiveFile(path, &archive_);
    EXPECT_EQ(archive_.currentDirectory, root_) << "a lookup puts the current folder back";
    return entry ? GetArchiveEntryName(&archive_, entry) : "null";
  }

  // The names a search yields, in order.
  std::vector<std::string> Search(const char* path) {
    std::vector<std::string> names;
    FileFindData data;
    ArchiveFindState* state = FindFirstInArchive(&archive_, path, &data);
    if (!state) return names;
    do names.push_back(data.name); while (FindNextInArchive(state, &data) == 0);
    FreeTrackedMemory(state);
    return names;
  }

  Bytes image_;
  Archive archive_;
  ArchiveDirectory* root_ = nullptr;
};

TEST_F(ArchiveLookupTest, FilesAreFoundIgnoringTheCaseOfLatinLetters) {
  struct Case {
    const char* path;
    const char* found;
  };
  const Case cases[] = {
      {"readme.txt", "readme.txt"},
      {"README.TXT", "readme.txt"},
      {"map\\A.PNG", "a.png"},
      {"MAP/b.png", "b.PNG"},
      {"mAp\\toWN\\T.png", "t.png"},
      {"\\readme.txt", "readme.txt"},
      {"Map\\\\readme.txt", "readme.txt"},  // two separators restart at the root
      {"Map\\ソース.TXT", "ソース.txt"},
      {"Map\\Town.png", "Town.png"},
      {"Map", "null"},  // folders are not files
      {"Map\\Town", "null"},
      {"Map\\Town\\", "null"},
      {"Map\\none.png", "null"},
      {"none\\a.png", "null"},
      // A missing middle folder used to find the file named like it.
      {"readme.txt\\x", "null"},
      {"Map\\Town.png\\t.png", "null"},
      {"Map\\a.png\\a.png", "null"},
  };
  for (const Case& c : cases) EXPECT_EQ(Found(c.path), c.found) << c.path;
}

TEST_F(ArchiveLookupTest, ChangingFolders) {
  auto here = [this](const char* name) { return FindArchiveFile(name, &archive_) != nullptr; };
  EXPECT_EQ(ChangeArchiveDir(&archive_, "..", 1, nullptr), -1);
  EXPECT_EQ(archive_.currentDirectory, root_);
  ASSERT_EQ(ChangeArchiveDir(&archive_, "map\\town", 1, nullptr), 0);
  EXPECT_TRUE(here("T.PNG"));
  EXPECT_EQ(ChangeArchiveDir(&archive_, ".", 1, nullptr), 0);
  EXPECT_TRUE(here("T.PNG"));
  ASSERT_EQ(ChangeArchiveDir(&archive_, "..", 1, nullptr), 0);
  EXPECT_TRUE(here("a.png"));
  EXPECT_EQ(ChangeArchiveDir(&archive_, "/", 1, nullptr), 0);
  EXPECT_EQ(archive_.currentDirectory, root_);

  ArchiveNameKey key;
  EXPECT_EQ(ChangeArchiveDir(&archive_, "Map\\Nope\\Deeper", 1, &key), -1);
  EXPECT_EQ(archive_.currentDirectory, root_);
  EXPECT_STREQ(reinterpret_cast<const char*>(key.name), "NOPE");
  EXPECT_EQ(ChangeArchiveDir(&archive_, "Map\\Nope\\Deeper", 0, nullptr), -1);
  EXPECT_TRUE(here("a.png")) << "without restoring it stays where the walk stopped";
  ChangeArchiveDir(&archive_, "\\", 0, nullptr);
}

TEST_F(ArchiveLookupTest, NameKeysAreUpperCasedPaddedAndSummed) {
  struct Case {
    const char* component;
    const char* name;
    int units, length;
  };
  const Case cases[] = {
      {"abc", "ABC", 1, 3}, {"abcd", "ABCD", 2, 4}, {"a\\b", "A", 1, 1}, {"aソb", "AソB", 2, 4}, {"", "", 1, 0}};
  for (const Case& c : cases) {
    ArchiveNameKey key;
    int length = -1;
    ASSERT_EQ(MakeArchiveNameKey(&key, &archive_, c.component, &length), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(key.name), c.name) << c.component;
    EXPECT_EQ(key.unitCount, c.units) << c.component;
    EXPECT_EQ(length, c.length) << c.component;
    unsigned sum = 0;
    for (const char* p = c.name; *p; ++p) sum += static_cast<uint8_t>(*p);
    EXPECT_EQ(key.byteSum, sum) << c.component;
    EXPECT_EQ(key.name[key.unitCount * 4 - 1], 0);
  }
  ArchiveNameKey key;
  EXPECT_EQ(MakeArchiveNameKey(&key, &archive_, std::string(1021, 'n').c_str(), nullptr), -1);
  EXPECT_EQ(MakeArchiveNameKey(&key, &archive_, std::string(1020, 'n').c_str(), nullptr), 0);
}

TEST_F(ArchiveLookupTest, SplittingPaths) {
  struct Case {
    const char* path;
    const char* name;
    const char* folder;
  };
  const Case cases[] = {{"a\\b\\c.png", "c.png", "a\\b"}, {"c.png", "c.png", ""}, {"x:y", "y", "x"},
                        {"a/b", "b", "a"},                {"ソ", "ソ", ""},         {"a\\ソ", "ソ", "a"}};
  for (const Case& c : cases) {
    char name[64], folder[64];
    SplitArchivePath(c.path, &archive_, name, folder);
    EXPECT_STREQ(name, c.name) << c.path;
    EXPECT_STREQ(folder, c.folder) << c.path;
  }
}

TEST_F(ArchiveLookupTest, WildcardsMatchWithBacktracking) {
  struct Case {
    const char* name;
    const char* pattern;
    bool matches;
  };
  const Case cases[] = {
      {"A.B.PNG", "*.PNG", true},  // the first "." is not the one that matters
      {"A.PNG", "*.PNG", true},   {"A.PNGX", "*.PNG", false}, {"ABAB", "*AB", true},
      {"AXBXB", "A*B", true},     {"A", "*", true},           {"", "*", true},
      {"A", "?", true},           {"AB", "?", false},         {"A", "??", false},
      {"A", "A.*", true},  // trailing dots and stars match nothing at the end, as on disk
      {"A", "*.*", true},         {"A", "A.", true},          {"A", ".*", false},
      {"ABC", "ABC.?", false},    {"X.PNG", "*.P?G", true},   {"ソース.TXT", "*ス.TXT", true},
      {"ソース.TXT", "?ース.TXT", true},  // "?" takes a whole double-byte character
      {"ソ", "?", true},          {"ソース", "*\\", false},  // a trail byte is not a separator
      {".", "?", true},           {"..", "*.PNG", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MatchArchiveWildcard(c.name, c.pattern, &archive_) == 0, c.matches)
        << c.name << " against " << c.pattern;
  }
}

TEST_F(ArchiveLookupTest, SearchesYieldDotsThenEntriesInTableOrder) {
  using Names = std::vector<std::string>;
  EXPECT_EQ(Search("*"), (Names{".", "Map", "readme.txt", "Sound"})) << "no \"..\" in the root";
  EXPECT_EQ(Search("map\\*"), (Names{".", "..", "A.B.PNG", "a.png", "b.PNG", "Dungeon", "Town", "Town.png",
                                     "x.pn", "ソース.txt"}));
  EXPECT_EQ(Search("Map\\*.png"), (Names{"A.B.PNG", "a.png", "b.PNG", "Town.png"}));
  EXPECT_EQ(Search("Map\\Dungeon\\*"), (Names{".", ".."}));
  EXPECT_TRUE(Search("Map\\*.none").empty());
  EXPECT_TRUE(Search("Nope\\*").empty());
  EXPECT_EQ(archive_.currentDirectory, root_);
}

TEST_F(ArchiveLookupTest, SearchFillsFindDataAndAdvancesWithoutIt) {
  FileFindData data;
  ArchiveFindState* state = FindFirstInArchive(&archive_, "Map\\T*", &data);
  ASSERT_NE(state, nullptr);
  EXPECT_STREQ(data.name, "Town");
  EXPECT_EQ(data.isDirectory, 1);
  EXPECT_EQ(FindNextInArchive(state, &data), 0);
  EXPECT_STREQ(data.name, "Town.png");
  EXPECT_EQ(data.isDirectory, 0);
  EXPECT_EQ(data.sizeLow, 12u);
  EXPECT_EQ(data.sizeHigh, 0u);
  EXPECT_GE(data.lastWriteTime.year, 1999);
  EXPECT_EQ(FindNextInArchive(state, &data), -1);
  FreeTrackedMemory(state);

  state = FindFirstInArchive(&archive_, "Map\\*", nullptr);
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(FindNextInArchive(state, nullptr), 0);
  EXPECT_EQ(FindNextInArchive(state, &data), 0);
  EXPECT_STREQ(data.name, "A.B.PNG") << "a search without find data still advances";
  FreeTrackedMemory(state);
}

// The same patterns against the same tree on disk and in the archive.
TEST_F(ArchiveLookupTest, WildcardSearchesFindWhatTheDiskSearchFinds) {
  WriteTree("disk", Tree());
  const char* patterns[] = {"*",   "*.*",  "*.PNG", "*.png", "A*",   "A.*",   "?.PNG",  "???",     "*B*",
                            "*.", "A.B.*", "T*N",  "*.P?G", "TOWN*", "*X",   "?????", "ソ*",     "*ス.txt"};
  for (const char* pattern : patterns) {
    std::vector<std::string> onDisk;
    FileFindData data;
    const intptr_t find = FindFirstWinFile((std::string("disk\\Map\\") + pattern).c_str(), &data);
    if (find != -1) {
      do onDisk.push_back(data.name); while (FindNextWinFile(find, &data) == 0);
      FindCloseWinFile(find);
    }
    std::vector<std::string> inArchive = Search((std::string("Map\\") + pattern).c_str());
    std::sort(onDisk.begin(), onDisk.end());
    std::sort(inArchive.begin(), inArchive.end());
    EXPECT_EQ(inArchive, onDisk) << pattern;
  }
  RemoveTree("disk");
}

}  // namespace
