#include "system/log.h"

#include <windows.h>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/log_capture.h"
#include "system/charset.h"
#include "system/system_state.h"

namespace {

struct LogCase {
  const char* name;
  std::vector<std::string> calls;  // "+" raises and "-" lowers the indentation
  std::string expected;            // time prefixes written as "#:"
};

std::string Repeat(char c, size_t count) { return std::string(count, c); }

std::string LongLines() {
  std::string text;
  for (int i = 0; i < 40; ++i) text += "line of the long text " + std::to_string(i) + "\n";
  return text;
}

std::string LongLinesConverted() {
  std::string text;
  for (int i = 0; i < 40; ++i) text += "line of the long text " + std::to_string(i) + "\r\n";
  return text;
}

TEST(LogTest, WritesTheBytesOfEachCallSequence) {
  const std::vector<LogCase> cases = {
      {"two lines in one call get one prefix", {"abc\ndef\n"}, "#:abc\r\ndef\r\n"},
      {"a call continues the unfinished line", {"abc", "def\n"}, "#:abcdef\r\n"},
      {"conversion stops at an existing CR LF", {"a\r\nb\nc"}, "#:a\r\nb\nc"},
      {"a leading line feed becomes CR LF", {"\nx\n"}, "#:\r\nx\r\n"},
      {"every call at a line start gets a prefix", {"a\n", "b\n"}, "#:a\r\n#:b\r\n"},
      {"indentation is tabs after the prefix",
       {"+", "+", "deep\n", "-", "one\n", "-", "-", "none\n"},
       "#:\t\tdeep\r\n#:\tone\r\n#:none\r\n"},
      {"tabs only at the start of a line", {"+", "a", "b\n", "-"}, "#:\tab\r\n"},
      {"a 255-byte text ending in a line feed is written whole",
       {Repeat('x', 254) + "\n"},
       "#:" + Repeat('x', 254) + "\r\n"},
      {"a 256-byte text takes the long path",
       {Repeat('y', 255) + "\n"},
       "#:" + Repeat('y', 255) + "\r\n"},
      {"a long text is converted whole", {LongLines()}, "#:" + LongLinesConverted()},
      {"Japanese text passes as its own bytes",
       {"ソフト\n"},
       "#:\x83\x5C\x83\x74\x83\x67\r\n"},
  };
  for (const LogCase& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture capture;
    for (const std::string& call : c.calls) {
      if (call == "+") {
        IncreaseLogIndent();
      } else if (call == "-") {
        DecreaseLogIndent();
      } else {
        EXPECT_EQ(AppendLog(call.c_str()), -1);
      }
    }
    EXPECT_EQ(capture.ReadNormalized(), c.expected);
  }
}

TEST(LogTest, TimePrefixCountsMillisecondsSinceTheLogStarted) {
  LogCapture capture;
  AppendLog("first\n");
  Sleep(60);
  AppendLog("second\n");
  const std::string text = capture.Read();
  const int first = std::stoi(text);
  const int second = std::stoi(text.substr(text.find("\r\n") + 2));
  EXPECT_GE(first, 0);
  EXPECT_LT(first, 50);
  EXPECT_GE(second, first + 40);
}

TEST(LogTest, FormatAppendsALineFeed) {
  LogCapture capture;
  AppendLogFormat("%d items of %s", 3, "ソ");
  EXPECT_EQ(capture.ReadNormalized(), "#:3 items of \x83\x5C\r\n");
}

TEST(LogTest, FormatCutsTextToItsBuffer) {
  LogCapture capture;
  const std::string longText(3000, 'z');
  EXPECT_EQ(AppendLogFormat("%s", longText.c_str()), -1);
  EXPECT_EQ(capture.ReadNormalized(), "#:" + std::string(1022, 'z') + "\r\n");
}

TEST(LogTest, LineFeedSearchStepsOverDoubleByteCharacters) {
  LogCapture capture;
  // Under Big5 every byte from 0x80 up leads a pair; the pair's trail byte 0x0A
  // is no line feed there, while the Shift-JIS rule sees 0xA4 as one character.
  const int oldCharset = GetCharsetCode();
  const int oldPage = GetCodePage();
  SetCharsetCode(kCharsetBig5, 950);
  AppendLog("\xA4\x0A" "a\n");
  SetCharsetCode(kCharsetShiftJis, 932);
  AppendLog("\xA4\x0A");
  SetCharsetCode(oldCharset, oldPage);
  EXPECT_EQ(capture.ReadNormalized(), "#:\xA4\x0A" "a\r\n#:\xA4\r\n");
}

TEST(LogTest, NothingIsWrittenWhileTheLogIsOff) {
  LogCapture capture;
  AppendLog("kept\n");
  EnableLogOutput(0);
  AppendLog("lost\n");
  AppendLogFormat("lost %d", 2);
  InitLogFile();  // leaves the existing file alone while off
  EXPECT_EQ(capture.ReadNormalized(), "#:kept\r\n");
  EnableLogOutput(1);
  AppendLog("back\n");
  EXPECT_EQ(capture.ReadNormalized(), "#:kept\r\n#:back\r\n");
}

// Points the log at another folder for one scope.
class LogFolderScope {
 public:
  explicit LogFolderScope(const std::string& folder) : saved_(GetSystemState().log.folder) {
    Set(folder);
  }
  ~LogFolderScope() { Set(saved_); }

 private:
  static void Set(const std::string& folder) {
    snprintf(GetSystemState().log.folder, kPathBufferSize, "%s", folder.c_str());
  }
  std::string saved_;
};

TEST(LogTest, NothingIsWrittenWithoutALogFolder) {
  LogCapture capture;
  {
    LogFolderScope none("");
    AppendLog("nowhere\n");
  }
  EXPECT_EQ(capture.Read(), "");
}

TEST(LogTest, InitLogFileEmptiesTheFileAndResetsTheLine) {
  LogCapture capture;
  IncreaseLogIndent();
  AppendLog("unfinished");
  capture.Restart();
  AppendLog("fresh\n");
  EXPECT_EQ(capture.ReadNormalized(), "#:fresh\r\n");
}

TEST(LogTest, FolderWithTrailingSeparatorIsNotDoubled) {
  LogCapture capture;
  {
    LogFolderScope slash(std::string(GetSystemState().log.folder) + "\\");
    AppendLog("through a folder ending in a separator\n");
  }
  EXPECT_EQ(capture.ReadNormalized(), "#:through a folder ending in a separator\r\n");
}

TEST(LogTest, FolderEndingInATrailByteGetsItsSeparator) {
  // "表" ends in 0x5C, the byte of a backslash: the path still needs one.
  CreateDirectoryA("表", nullptr);
  {
    LogCapture capture;
    LogFolderScope inside(std::string(GetSystemState().log.folder) + "\\表");
    InitLogFile();
    AppendLog("inside\n");
  }
  std::ifstream in("表\\Log.txt", std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(NormalizeLogTimes(text), "#:inside\r\n");
}

TEST(LogTest, LinesFromSeveralThreadsAreAllKept) {
  LogCapture capture;
  constexpr int kThreads = 4;
  constexpr int kLines = 150;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      const std::string line = "thread " + std::to_string(t) + "\n";
      for (int i = 0; i < kLines; ++i) AppendLog(line.c_str());
    });
  }
  for (std::thread& thread : threads) thread.join();
  const std::string text = capture.ReadNormalized();
  for (int t = 0; t < kThreads; ++t) {
    const std::string line = "#:thread " + std::to_string(t) + "\r\n";
    int count = 0;
    for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) {
      ++count;
    }
    EXPECT_EQ(count, kLines) << "thread " << t;
  }
}

}  // namespace
