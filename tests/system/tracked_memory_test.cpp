#include "system/tracked_memory.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <iomanip>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/log_capture.h"
#include "system/system_state.h"

namespace {

TrackedMemoryState& Memory() { return GetSystemState().memory; }

// The header's fields before the copy: 32 bytes in the 32-bit program, 40
// with 8-byte pointers; the header is 64 and 80 bytes.
constexpr size_t kCopied = sizeof(void*) == 4 ? 32 : 40;
constexpr ptrdiff_t kHeaderSize = sizeof(void*) == 4 ? 64 : 80;

// The block line the allocator should write, built here from the header's
// fields so the test pins the layout, not the values.
std::string ExpectedBlockLine(void* pointer, const char* fileTail, const std::string& chars,
                              const std::string& hex) {
  const TrackedMemoryHeader* header = GetTrackedMemoryHeader(pointer);
  char head[256];
  snprintf(head, sizeof head,
           "\tsize:%10d(%10.3fkb)  file:%-26s  line:%-5d  ID:%-5d  addr:%08llx  data:<",
           static_cast<int>(header->size), header->size / 1024.0, fileTail, header->line,
           header->id, static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(pointer)));
  return std::string(head) + chars + (hex.empty() ? ">]\r\n" : "> [" + hex + "]\r\n");
}

TEST(TrackedMemoryTest, HeaderSitsBeforeTheBlockWithItsFields) {
  void* block = AllocTrackedMemory(40, "source.cpp", 70000);
  ASSERT_NE(block, nullptr);
  const TrackedMemoryHeader* header = GetTrackedMemoryHeader(block);
  EXPECT_EQ(reinterpret_cast<const char*>(block) - reinterpret_cast<const char*>(header), kHeaderSize);
  EXPECT_STREQ(header->fileTail, "source.cpp");
  EXPECT_EQ(header->line, 70000 & 0xFFFF);
  EXPECT_EQ(header->size, 40u);
  EXPECT_EQ(header->next, nullptr);
  EXPECT_EQ(memcmp(header->copy, header, kCopied), 0);
  EXPECT_EQ(reinterpret_cast<const unsigned char*>(header) + kCopied, header->copy);
  EXPECT_EQ(Memory().tail, header);
  FreeTrackedMemory(block);
}

TEST(TrackedMemoryTest, SourceNameKeepsItsLast15Characters) {
  const struct {
    const char* file;
    const char* tail;
  } cases[] = {
      {"abcde_long_name.cpp", "e_long_name.cpp"},  // 19 characters
      {"exactly_15_.cpp", "exactly_15_.cpp"},
      {"short.cpp", "short.cpp"},
      {"", ""},
      {nullptr, ""},
  };
  for (const auto& c : cases) {
    void* block = AllocTrackedMemory(1, c.file, 1);
    EXPECT_STREQ(GetTrackedMemoryHeader(block)->fileTail, c.tail) << (c.file ? c.file : "null");
    FreeTrackedMemory(block);
  }
}

TEST(TrackedMemoryTest, FreeingTheOlderOfTwoKeepsTheTailAndDropsItsSize) {
  const int size0 = Memory().totalSize;
  const int count0 = Memory().blockCount;
  void* first = AllocTrackedMemory(100, "a.cpp", 1);
  void* second = AllocTrackedMemory(28, "b.cpp", 2);
  EXPECT_EQ(Memory().totalSize, size0 + 128);
  EXPECT_EQ(Memory().blockCount, count0 + 2);
  FreeTrackedMemory(first);
  EXPECT_EQ(Memory().tail, GetTrackedMemoryHeader(second));
  EXPECT_EQ(Memory().totalSize, size0 + 28);
  EXPECT_EQ(Memory().blockCount, count0 + 1);
  EXPECT_EQ(CheckTrackedMemory(), 0);
  FreeTrackedMemory(second);
  EXPECT_EQ(Memory().totalSize, size0);
  EXPECT_EQ(Memory().blockCount, count0);
  FreeTrackedMemory(nullptr);
}

TEST(TrackedMemoryTest, UnlinkingTheMiddleBlockJoinsItsNeighbours) {
  void* a = AllocTrackedMemory(8, "a", 1);
  void* b = AllocTrackedMemory(8, "b", 2);
  void* c = AllocTrackedMemory(8, "c", 3);
  FreeTrackedMemory(b);
  EXPECT_EQ(GetTrackedMemoryHeader(a)->next, GetTrackedMemoryHeader(c));
  EXPECT_EQ(GetTrackedMemoryHeader(c)->previous, GetTrackedMemoryHeader(a));
  EXPECT_EQ(CheckTrackedMemory(), 0);
  FreeTrackedMemory(c);
  FreeTrackedMemory(a);
}

TEST(TrackedMemoryTest, ZeroedAllocationClearsTheBlock) {
  auto* block = static_cast<unsigned char*>(AllocTrackedMemoryZeroed(300, "z", 1));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(block), 300), std::string(300, '\0'));
  FreeTrackedMemory(block);
}

TEST(TrackedMemoryTest, ReallocKeepsTheOldBytesZeroesTheNewAndRenewsTheId) {
  auto* block = static_cast<unsigned char*>(AllocTrackedMemory(16, "r.cpp", 1));
  memset(block, 0xAB, 16);
  const uint16_t oldId = GetTrackedMemoryHeader(block)->id;
  const int size0 = Memory().totalSize;

  block = static_cast<unsigned char*>(ReallocTrackedMemory(block, 4, "r.cpp", 2));
  block = static_cast<unsigned char*>(ReallocTrackedMemory(block, 5000, "grow.cpp", 3));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(block), 4), std::string(4, '\xAB'));
  // Bytes 4-15 were dropped by the shrink and must come back as zeroes.
  EXPECT_EQ(std::string(reinterpret_cast<char*>(block) + 4, 4996), std::string(4996, '\0'));
  const TrackedMemoryHeader* header = GetTrackedMemoryHeader(block);
  EXPECT_NE(header->id, oldId);
  EXPECT_STREQ(header->fileTail, "grow.cpp");
  EXPECT_EQ(header->line, 3);
  EXPECT_EQ(Memory().totalSize, size0 - 16 + 5000);
  EXPECT_EQ(Memory().tail, header);
  EXPECT_EQ(CheckTrackedMemory(), 0);
  FreeTrackedMemory(block);
}

TEST(TrackedMemoryTest, ReallocOfAMiddleBlockRelinksBothNeighbours) {
  void* a = AllocTrackedMemory(8, "a", 1);
  void* b = AllocTrackedMemory(8, "b", 2);
  void* c = AllocTrackedMemory(8, "c", 3);
  b = ReallocTrackedMemory(b, 100000, "b", 4);  // large enough to move
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(GetTrackedMemoryHeader(a)->next, GetTrackedMemoryHeader(b));
  EXPECT_EQ(GetTrackedMemoryHeader(c)->previous, GetTrackedMemoryHeader(b));
  EXPECT_EQ(Memory().tail, GetTrackedMemoryHeader(c));
  EXPECT_EQ(CheckTrackedMemory(), 0);
  FreeTrackedMemory(a);
  FreeTrackedMemory(b);
  FreeTrackedMemory(c);
}

TEST(TrackedMemoryTest, ReallocOfNullAllocates) {
  const int count0 = Memory().blockCount;
  void* block = ReallocTrackedMemory(nullptr, 100, "n.cpp", 9);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GetTrackedMemoryHeader(block)->size, 100u);
  EXPECT_EQ(Memory().blockCount, count0 + 1);
  FreeTrackedMemory(block);
}

TEST(TrackedMemoryTest, AllocationCounterWrapsAt65536) {
  Memory().counter = 65535;
  void* a = AllocTrackedMemory(1, "w", 1);
  void* b = AllocTrackedMemory(1, "w", 2);
  EXPECT_EQ(GetTrackedMemoryHeader(a)->id, 65535);
  EXPECT_EQ(GetTrackedMemoryHeader(b)->id, 0);
  FreeTrackedMemory(a);
  FreeTrackedMemory(b);
}

TEST(TrackedMemoryTest, ZeroSizeBlocksAreLoggedWithAnEmptyDataPart) {
  LogCapture capture;
  void* block = AllocTrackedMemory(0, "zero.cpp", 12);
  ASSERT_NE(block, nullptr);
  const std::string line = ExpectedBlockLine(block, "zero.cpp", "", "");
  FreeTrackedMemory(block);
  EXPECT_EQ(capture.ReadNormalized(), "#:mem alloc  " + line + "#:mem free  " + line);
}

TEST(TrackedMemoryTest, ReallocToZeroIsLogged) {
  void* block = AllocTrackedMemory(10, "re.cpp", 1);
  LogCapture capture;
  block = ReallocTrackedMemory(block, 0, "re.cpp", 2);
  const std::string line = ExpectedBlockLine(block, "re.cpp", "", "");
  EXPECT_EQ(capture.ReadNormalized(), "#:mem realloc  " + line);
  EnableLogOutput(0);
  FreeTrackedMemory(block);
}

// Worked lines: the size right-aligned in ten places and in kilobytes with
// three decimals, the file left-aligned in 26, line and ID in five, the
// address in eight hex digits, then up to 16 bytes as characters and hex.
TEST(TrackedMemoryTest, BlockLineShowsUpTo16BytesAsCharactersAndHex) {
  const struct {
    std::string bytes;
    const char* head;  // the line up to its address
    std::string tail;  // after the address
  } cases[] = {
      {"Hi!",
       "\tsize:         3(     0.003kb)  file:block.cpp                   line:77     ID:42     addr:",
       "  data:<Hi!> [48 69 21]\r\n"},
      {std::string("\x1F \x7E\x7F\x80\xFF", 6),
       "\tsize:         6(     0.006kb)  file:block.cpp                   line:77     ID:42     addr:",
       "  data:<. ~\x7F..> [1f 20 7e 7f 80 ff]\r\n"},
      {"0123456789abcdefXYZ",
       "\tsize:        19(     0.019kb)  file:block.cpp                   line:77     ID:42     addr:",
       "  data:<0123456789abcdef> [30 31 32 33 34 35 36 37 38 39 61 62 63 64 65 66]\r\n"},
  };
  for (const auto& c : cases) {
    Memory().counter = 42;
    void* block = AllocTrackedMemory(c.bytes.size(), "block.cpp", 77);
    memcpy(block, c.bytes.data(), c.bytes.size());
    std::ostringstream address;
    address << std::hex << std::setw(8) << std::setfill('0') << reinterpret_cast<uintptr_t>(block);
    LogCapture capture;
    LogTrackedMemoryBlock(GetTrackedMemoryHeader(block));
    EXPECT_EQ(capture.ReadNormalized(), "#:" + std::string(c.head) + address.str() + c.tail);
    EnableLogOutput(0);
    FreeTrackedMemory(block);
  }
}

TEST(TrackedMemoryTest, DumpListsBlocksNewestFirstThenTheTotals) {
  ASSERT_EQ(Memory().blockCount, 0) << "another test left a block";
  void* older = AllocTrackedMemory(2048, "older.cpp", 5);
  void* newer = AllocTrackedMemory(3, "newer.cpp", 6);
  memcpy(older, "OLD", 3);
  memcpy(newer, "new", 3);
  LogCapture capture;
  DumpTrackedMemory();
  char totals[128];
  snprintf(totals, sizeof totals, "\tTotal size:%d(%.3fkb)  Alloc num:%d\r\n", 2051, 2051 / 1024.0,
           2);
  const std::string text = capture.ReadNormalized();
  const std::string newerLine = ExpectedBlockLine(newer, "newer.cpp", "new", "6e 65 77");
  const std::string head = "#:\r\n#:Alloc memory dump\r\n#:" + newerLine + "#:";
  ASSERT_EQ(text.substr(0, head.size()), head);
  // Past its first three bytes the older block holds whatever the heap gave.
  const std::string olderLine = ExpectedBlockLine(older, "older.cpp", "OLD", "");
  const std::string olderPrefix = olderLine.substr(0, olderLine.find("data:<") + 9);
  EXPECT_EQ(text.substr(head.size(), olderPrefix.size()), olderPrefix);
  const std::string tail = std::string("#:") + totals + "#:\r\n";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  EnableLogOutput(0);
  FreeTrackedMemory(older);
  FreeTrackedMemory(newer);
}

TEST(TrackedMemoryTest, OverwrittenHeaderIsReportedByTheCheck) {
  void* intact = AllocTrackedMemory(4, "intact.cpp", 1);
  void* broken = AllocTrackedMemory(4, "broken.cpp", 2);
  memcpy(broken, "data", 4);
  auto* bytes = reinterpret_cast<unsigned char*>(GetTrackedMemoryHeader(broken));
  const unsigned char saved = bytes[5];
  bytes[5] = 'X';
  {
    LogCapture capture;
    EXPECT_EQ(CheckTrackedMemory(), -1);
    EXPECT_EQ(capture.ReadNormalized(),
              "#:以下のメモリ確保情報が破損しました" +
                  ExpectedBlockLine(broken, "brokeX.cpp", "data", "64 61 74 61"));
  }
  bytes[5] = saved;
  EXPECT_EQ(CheckTrackedMemory(), 0);
  // The last byte of the next link (the top byte of a pointer) is covered too.
  bytes[kCopied - 1] ^= 0x40;
  {
    LogCapture capture;
    EXPECT_EQ(CheckTrackedMemory(), -1);
  }
  bytes[kCopied - 1] ^= 0x40;
  EXPECT_EQ(CheckTrackedMemory(), 0);
  FreeTrackedMemory(broken);
  FreeTrackedMemory(intact);
}

TEST(TrackedMemoryTest, SizeThatWouldWrapWithTheHeaderIsRefusedWithADump) {
  void* kept = AllocTrackedMemory(4, "kept.cpp", 1);
  memcpy(kept, "keep", 4);
  const int count0 = Memory().blockCount;
  LogCapture capture;
  EXPECT_EQ(AllocTrackedMemory(static_cast<size_t>(-1) - 10, "huge.cpp", 1), nullptr);
  EXPECT_EQ(AllocTrackedMemory(static_cast<size_t>(-1) - 63, "huge.cpp", 2), nullptr);
  EXPECT_EQ(ReallocTrackedMemory(kept, static_cast<size_t>(-1) - 32, "huge.cpp", 3), nullptr);
  EXPECT_EQ(Memory().blockCount, count0);
  EXPECT_EQ(memcmp(kept, "keep", 4), 0);
  const std::string text = capture.ReadNormalized();
  size_t dumps = 0;
  for (size_t at = text.find("Alloc memory dump"); at != std::string::npos;
       at = text.find("Alloc memory dump", at + 1)) {
    ++dumps;
  }
  EXPECT_EQ(dumps, 3u);
  EnableLogOutput(0);
  FreeTrackedMemory(kept);
}

TEST(TrackedMemoryTest, ThreadsAllocatingTogetherKeepTheListWhole) {
  const int count0 = Memory().blockCount;
  const int size0 = Memory().totalSize;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      std::vector<void*> blocks;
      for (int i = 0; i < 500; ++i) {
        blocks.push_back(AllocTrackedMemory(static_cast<size_t>(i + t), "thread", i));
        if (i % 3 == 0) blocks.back() = ReallocTrackedMemory(blocks.back(), i * 2 + 1, "t", i);
        if (i % 2 == 0) {
          FreeTrackedMemory(blocks.front());
          blocks.erase(blocks.begin());
        }
      }
      for (void* block : blocks) FreeTrackedMemory(block);
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(Memory().blockCount, count0);
  EXPECT_EQ(Memory().totalSize, size0);
  EXPECT_EQ(CheckTrackedMemory(), 0);
}

}  // namespace
