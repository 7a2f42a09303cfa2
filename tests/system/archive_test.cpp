#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "support/file_fixtures.h"
#include "system/archive.h"
#include "system/archive_file.h"

namespace {

// "ソ" (0x83 0x5C) and "表" (0x95 0x5C) have a backslash as their trail byte.
const std::vector<FixtureFile>& Files() {
  static const std::vector<FixtureFile> files = {
      {"readme.txt", BytesOf("Moonlitcairn data\r\n")},
      {"empty.bin", {}},
      {"Map\\field.dat", RandomBytes(5000, 11)},
      {"Map\\Town\\story.txt", TextBytes(200000)},
      {"Graph\\ソース.png", RandomBytes(777, 12)},
      {"Graph\\表示.txt", TextBytes(3000)},
  };
  return files;
}

enum class Opening { Memory, Whole, WholeAsync, Streamed };
const Opening kOpenings[] = {Opening::Memory, Opening::Whole, Opening::WholeAsync, Opening::Streamed};

const char* Name(Opening o) {
  switch (o) {
    case Opening::Memory: return "memory";
    case Opening::Whole: return "whole";
    case Opening::WholeAsync: return "whole async";
    case Opening::Streamed: return "streamed";
  }
  return "";
}

int Open(Archive* archive, Opening opening, Bytes* image, const char* path, const char* key = nullptr) {
  ClearArchive(archive);
  switch (opening) {
    case Opening::Memory:
      return OpenArchiveFromMemory(archive, image->data(), static_cast<int>(image->size()), key);
    case Opening::Whole: return OpenArchiveWhole(archive, path, key, 0);
    case Opening::WholeAsync: return OpenArchiveWhole(archive, path, key, 1);
    case Opening::Streamed: return OpenArchiveStreamed(archive, path, key);
  }
  return -1;
}

// The bytes of a file read through the archive, or "missing".
std::string ReadEntry(Archive* archive, const std::string& path) {
  ArchiveFile file;
  if (OpenArchiveEntry(&file, archive, path.c_str(), 0) != 0) return "missing";
  std::string bytes(file.entry->size + 1, '\0');
  const int got = ReadArchiveFile(&file, bytes.data(), bytes.size());
  CloseArchiveFile(&file);
  bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return bytes;
}

std::string AsString(const Bytes& b) { return std::string(b.begin(), b.end()); }

TEST(ArchiveTest, EveryVersionKeyAndOpeningReadsTheFilesByteEqual) {
  for (int version = 0; version <= 4; ++version) {
    for (bool compress : {false, true}) {
      for (bool secondKey : {false, true}) {
        ArchiveWriterOptions options;
        options.version = version;
        options.compress = compress;
        options.secondKey = secondKey;
        const Bytes image = MakeArchiveImage(Files(), options);
        ASSERT_FALSE(image.empty());
        WriteFileBytes("every.ARC", image);
        for (Opening opening : kOpenings) {
          SCOPED_TRACE(testing::Message() << "version " << version << " compress " << compress
                                          << " second key " << secondKey << " " << Name(opening));
          Bytes block = image;
          Archive archive;
          ASSERT_EQ(Open(&archive, opening, &block, "every.ARC"), 0);
          EXPECT_EQ(archive.header.version, version);
          EXPECT_EQ(archive.charset, version == 4 ? 1 : 0);
          int packedFiles = 0;
          for (const FixtureFile& f : Files()) {
            EXPECT_EQ(ReadEntry(&archive, f.path), AsString(f.data)) << f.path;
            const ArchiveEntry* entry = FindArchiveFile(f.path.c_str(), &archive);
            ASSERT_NE(entry, nullptr);
            if (ArchiveEntryPackedSize(version, entry) != kArchiveStored) ++packedFiles;
          }
          // Text packs well; random bytes and tiny files stay stored.
          EXPECT_EQ(packedFiles, compress && version >= 2 ? 2 : 0);
          EXPECT_EQ(CloseArchive(&archive), 0);
          EXPECT_EQ(archive.image, nullptr);
          EXPECT_TRUE(block == image) << "the caller's block is given back as it was";
        }
      }
    }
  }
}

TEST(ArchiveTest, KeysDifferInTheirFirstTwoBytes) {
  uint8_t first[kArchiveKeySize], second[kArchiveKeySize];
  BuildArchiveKey(nullptr, first);
  BuildSecondArchiveKey(second);
  EXPECT_NE(first[0], second[0]);
  EXPECT_NE(first[1], second[1]);
  // So a second-key archive never passes the magic test under the first key.
  ArchiveWriterOptions options;
  options.secondKey = true;
  Bytes image = MakeArchiveImage(Files(), options);
  XorArchiveData(2, image.data(), 0, second);
  XorArchiveData(2, image.data(), 0, first);
  EXPECT_FALSE(image[0] == 'A' && image[1] == 'R');
}

TEST(ArchiveTest, KeyStringsRepeatToTwelveBytes) {
  uint8_t a[kArchiveKeySize], b[kArchiveKeySize], c[kArchiveKeySize];
  BuildArchiveKey("abc", a);
  BuildArchiveKey("abcabcabcabcXYZ", b);
  BuildArchiveKey("abcabcabcabd", c);
  EXPECT_EQ(std::memcmp(a, b, kArchiveKeySize), 0);
  EXPECT_NE(std::memcmp(a, c, kArchiveKeySize), 0);
}

TEST(ArchiveTest, KeyStringArchivesNeedTheirKeyButSecondKeyArchivesOpenWithAny) {
  ArchiveWriterOptions keyed;
  keyed.keyString = "secret";
  Bytes image = MakeArchiveImage(Files(), keyed);
  Archive archive;
  ClearArchive(&archive);
  EXPECT_EQ(OpenArchiveFromMemory(&archive, image.data(), static_cast<int>(image.size()), nullptr), -1);
  ASSERT_EQ(OpenArchiveFromMemory(&archive, image.data(), static_cast<int>(image.size()), "secret"), 0);
  EXPECT_EQ(ReadEntry(&archive, "readme.txt"), AsString(Files()[0].data));
  CloseArchive(&archive);

  ArchiveWriterOptions second;
  second.secondKey = true;
  Bytes image2 = MakeArchiveImage(Files(), second);
  ASSERT_EQ(OpenArchiveFromMemory(&archive, image2.data(), static_cast<int>(image2.size()), "secret"), 0);
  EXPECT_EQ(ReadEntry(&archive, "Map\\field.dat"), AsString(Files()[2].data));
  CloseArchive(&archive);
}

TEST(ArchiveTest, AnOpenRecordMustBeClosedFirst) {
  Bytes image = MakeArchiveImage(Files());
  Bytes copy = image;
  Archive archive;
  ClearArchive(&archive);
  ASSERT_EQ(OpenArchiveFromMemory(&archive, image.data(), static_cast<int>(image.size()), nullptr), 0);
  EXPECT_EQ(OpenArchiveFromMemory(&archive, copy.data(), static_cast<int>(copy.size()), nullptr), -1);
  WriteFileBytes("twice.ARC", copy);
  EXPECT_EQ(OpenArchiveStreamed(&archive, "twice.ARC", nullptr), -1);
  EXPECT_EQ(OpenArchiveWhole(&archive, "twice.ARC", nullptr, 0), -1);
  CloseArchive(&archive);
  EXPECT_EQ(CloseArchive(&archive), 0);
}

TEST(ArchiveTest, ImageAndFileInfoGiveTheStoredBytes) {
  ArchiveWriterOptions options;
  options.compress = false;
  Bytes image = MakeArchiveImage(Files(), options);
  WriteFileBytes("info.ARC", image);
  Archive archive;
  ASSERT_EQ(Open(&archive, Opening::WholeAsync, &image, "info.ARC"), 0);
  int offset = -1, size = -1;
  ASSERT_EQ(GetArchiveFileInfo(&archive, "map\\FIELD.DAT", &offset, &size), 0);
  const uint8_t* bytes = GetArchiveImage(&archive);
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(size, 5000);
  EXPECT_EQ(std::memcmp(bytes + offset, Files()[2].data.data(), 5000), 0);
  EXPECT_EQ(GetArchiveFileInfo(&archive, "map\\none.dat", &offset, &size), -1);
  CloseArchive(&archive);

  ASSERT_EQ(Open(&archive, Opening::Streamed, &image, "info.ARC"), 0);
  EXPECT_EQ(GetArchiveImage(&archive), nullptr);
  CloseArchive(&archive);
}

// Field editing on the unscrambled image of a small archive: root entries
// A.TXT and SUB, then SUB's entries B.BIN (packed) and C.BIN (stored, last).
class DamagedArchiveTest : public testing::Test {
 protected:
  void SetUp() override {
    image_ = MakeArchiveImage({{"a.txt", BytesOf("hello")},
                               {"sub\\b.bin", TextBytes(3000)},
                               {"sub\\c.bin", RandomBytes(100, 3)}});
    BuildArchiveKey(nullptr, key_);
  }

  Bytes Damaged(const std::function<void(uint8_t* plain, ArchiveHeader* h)>& damage) {
    Bytes plain = image_;
    XorArchiveData(plain.size(), plain.data(), 0, key_);
    ArchiveHeader* h = reinterpret_cast<ArchiveHeader*>(plain.data());
    damage(plain.data(), h);
    XorArchiveData(plain.size(), plain.data(), 0, key_);
    return plain;
  }

  static ArchiveEntry* Entry(uint8_t* plain, ArchiveHeader* h, int index) {
    return reinterpret_cast<ArchiveEntry*>(plain + h->tableOffset + h->entryTableOffset + index * 44);
  }
  static ArchiveDirectory* Dir(uint8_t* plain, ArchiveHeader* h, int index) {
    return reinterpret_cast<ArchiveDirectory*>(plain + h->tableOffset + h->directoryTableOffset + index * 16);
  }
  static uint8_t* NameRecord(uint8_t* plain, ArchiveHeader* h, int index) {
    return plain + h->tableOffset + Entry(plain, h, index)->nameOffset;
  }

  Bytes image_;
  uint8_t key_[kArchiveKeySize];
};

TEST_F(DamagedArchiveTest, DamagedTablesAreRefusedAtOpenByEveryOpening) {
  using Damage = std::function<void(uint8_t*, ArchiveHeader*)>;
  struct Case {
    const char* what;
    Damage damage;
  };
  const Case cases[] = {
      {"version 5", [](uint8_t*, ArchiveHeader* h) { h->version = 5; }},
      {"table past the end", [](uint8_t*, ArchiveHeader* h) { h->tableSize += 1000; }},
      {"table offset wraps", [](uint8_t*, ArchiveHeader* h) { h->tableOffset = 0xFFFFFFF0; }},
      {"entry table outside", [](uint8_t*, ArchiveHeader* h) { h->entryTableOffset = h->tableSize + 1; }},
      {"folder table outside", [](uint8_t*, ArchiveHeader* h) { h->directoryTableOffset = h->tableSize - 8; }},
      {"data start past the end", [](uint8_t*, ArchiveHeader* h) { h->dataStart = 0x7FFFFFFF; }},
      {"root with a parent", [](uint8_t* p, ArchiveHeader* h) { Dir(p, h, 0)->parent = 16; }},
      {"too many entries", [](uint8_t* p, ArchiveHeader* h) { Dir(p, h, 0)->entryCount = 0x10000000; }},
      {"first entry outside", [](uint8_t* p, ArchiveHeader* h) { Dir(p, h, 1)->firstEntry = 0xFFFFFFF0; }},
      {"name outside", [](uint8_t* p, ArchiveHeader* h) { Entry(p, h, 2)->nameOffset = h->tableSize - 2; }},
      {"name without units", [](uint8_t* p, ArchiveHeader* h) { NameRecord(p, h, 0)[0] = 0; }},
      {"name units past the table", [](uint8_t* p, ArchiveHeader* h) { NameRecord(p, h, 3)[1] = 0x7F; }},
      {"name not terminated", [](uint8_t* p, ArchiveHeader* h) { std::memset(NameRecord(p, h, 0) + 4, 'A', 8); }},
      {"folder record outside", [](uint8_t* p, ArchiveHeader* h) { Entry(p, h, 1)->dataOffset = 4096; }},
      {"folder loops to the root", [](uint8_t* p, ArchiveHeader* h) { Entry(p, h, 1)->dataOffset = 0; }},
      {"folder with a wrong parent", [](uint8_t* p, ArchiveHeader* h) { Dir(p, h, 1)->parent = 32; }},
      {"stored data past the end", [](uint8_t* p, ArchiveHeader* h) { Entry(p, h, 3)->size += 1; }},
      {"stored data offset wraps", [](uint8_t* p, ArchiveHeader* h) { Entry(p, h, 3)->dataOffset = 0xFFFFFFFF; }},
      {"packed block below its header", [](uint8_t* p, ArchiveHeader* h) { Entry(p, h, 2)->packedSize = 8; }},
      {"packed block past the end", [](uint8_t* p, ArchiveHeader* h) { Entry(p, h, 2)->packedSize = 1 << 20; }},
      {"file of 2 GiB", [](uint8_t* p, ArchiveHeader* h) { Entry(p, h, 0)->size = 0x80000000u; }},
  };
  for (const Case& c : cases) {
    const Bytes damaged = Damaged(c.damage);
    WriteFileBytes("damaged.ARC", damaged);
    for (Opening opening : kOpenings) {
      Bytes block = damaged;
      Archive archive;
      EXPECT_EQ(Open(&archive, opening, &block, "damaged.ARC"), -1) << c.what << ", " << Name(opening);
      EXPECT_EQ(archive.image, nullptr);
      EXPECT_EQ(archive.file, nullptr);
      EXPECT_TRUE(block == damaged) << "a refused block is left as it was given";
    }
  }
  EXPECT_TRUE(DeleteFileA("damaged.ARC")) << "a failed open leaves no file open";
}

TEST_F(DamagedArchiveTest, EveryTruncationIsRefused) {
  for (size_t length = 0; length < image_.size(); ++length) {
    Bytes block(image_.begin(), image_.begin() + static_cast<long>(length));
    Archive archive;
    ClearArchive(&archive);
    EXPECT_EQ(OpenArchiveFromMemory(&archive, block.data(), static_cast<int>(length), nullptr), -1) << length;
  }
  WriteFileBytes("cut.ARC", Bytes(image_.begin(), image_.end() - 1));
  Archive archive;
  ClearArchive(&archive);
  EXPECT_EQ(OpenArchiveStreamed(&archive, "cut.ARC", nullptr), -1);
}

TEST_F(DamagedArchiveTest, PackedBlockWhoseSizesDifferFromItsEntryDoesNotOpen) {
  const Bytes damaged = Damaged([](uint8_t* p, ArchiveHeader* h) {
    ArchiveEntry* entry = Entry(p, h, 2);
    auto* block = reinterpret_cast<LzBlockHeader*>(p + h->dataStart + entry->dataOffset);
    block->unpackedSize += 1;
  });
  WriteFileBytes("block.ARC", damaged);
  for (Opening opening : kOpenings) {
    Bytes block = damaged;
    Archive archive;
    ASSERT_EQ(Open(&archive, opening, &block, "block.ARC"), 0) << Name(opening);
    EXPECT_EQ(ReadEntry(&archive, "sub\\b.bin"), "missing") << Name(opening);
    EXPECT_EQ(ReadEntry(&archive, "sub\\c.bin").size(), 100u) << Name(opening);
    CloseArchive(&archive);
  }
}

}  // namespace

namespace {

// Reads one stored file of a streamed archive again and again in small
// pieces, as a movie's picture thread and sound thread do side by side.
struct ConcurrentReader {
  Archive* archive;
  const char* path;
  const Bytes* expected;
  int mismatches;
};

DWORD WINAPI ReadOverAndOver(void* parameter) {
  auto* reader = static_cast<ConcurrentReader*>(parameter);
  for (int round = 0; round < 12; ++round) {
    ArchiveFile file;
    if (OpenArchiveEntry(&file, reader->archive, reader->path, 0) != 0) {
      ++reader->mismatches;
      continue;
    }
    Bytes got;
    uint8_t piece[397];
    int n;
    while ((n = ReadArchiveFile(&file, piece, sizeof piece)) > 0) got.insert(got.end(), piece, piece + n);
    CloseArchiveFile(&file);
    if (got != *reader->expected) ++reader->mismatches;
  }
  return 0;
}

TEST(ArchiveTest, FilesOfOneStreamedArchiveReadOnSeveralThreadsStayWhole) {
  ArchiveWriterOptions options;
  options.version = 4;
  options.compress = false;
  const Bytes image = MakeArchiveImage(Files(), options);
  WriteFileBytes("threads.ARC", image);
  Archive archive;
  ClearArchive(&archive);
  ASSERT_EQ(OpenArchiveStreamed(&archive, "threads.ARC", nullptr), 0);
  const Bytes field = RandomBytes(5000, 11);
  const Bytes text = TextBytes(200000);
  ConcurrentReader readers[] = {{&archive, "Map\\field.dat", &field, 0},
                                {&archive, "Map\\Town\\story.txt", &text, 0},
                                {&archive, "Map\\field.dat", &field, 0}};
  HANDLE threads[3];
  for (int i = 0; i < 3; ++i) threads[i] = CreateThread(nullptr, 0, ReadOverAndOver, &readers[i], 0, nullptr);
  WaitForMultipleObjects(3, threads, TRUE, INFINITE);
  for (int i = 0; i < 3; ++i) {
    CloseHandle(threads[i]);
    EXPECT_EQ(readers[i].mismatches, 0) << readers[i].path;
  }
  EXPECT_EQ(CloseArchive(&archive), 0);
}

}  // namespace
