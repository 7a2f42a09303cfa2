#include "system/system_info.h"

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "support/log_capture.h"
#include "system/os_version.h"
#include "system/system_state.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The log's lines without their time prefixes, each still ending in CR LF.
std::string LineStartingWith(const std::string& log, const std::string& start) {
  const std::string normalized = NormalizeLogTimes(log);
  const size_t at = normalized.find("#:" + start);
  if (at == std::string::npos) return "";
  return normalized.substr(at, normalized.find("\r\n", at) + 2 - at);
}

TEST(SystemInfoTest, VersionTableNamesAndCodesEachWindows) {
  const struct {
    WindowsVersion version;
    int known;
    const char* suffix;
    int code;
  } cases[] = {
      {{0, 3, 10, 0, ""}, 1, "3.1", 0},
      {{1, 4, 0, 950, " A"}, 1, "95", 1},
      {{1, 4, 0, 1111, " C"}, 1, "95OSR2", 1},
      {{1, 4, 10, 1998, ""}, 1, "98", 2},
      {{1, 4, 10, 2222, " A "}, 1, "98SE", 2},
      {{1, 4, 90, 3000, ""}, 1, "Me", 3},
      {{1, 4, 50, 3000, ""}, 0, "", 0x55},
      {{2, 3, 51, 1057, ""}, 1, "NT 3.51", 0x104},
      {{2, 4, 0, 1381, "Service Pack 6"}, 1, "4.0", 0x105},
      {{2, 5, 0, 2195, ""}, 1, "2000", 0x106},
      {{2, 5, 1, 2600, "Service Pack 3"}, 1, "XP", 0x107},
      {{2, 5, 2, 3790, ""}, 0, "", 0x55},
      {{2, 6, 0, 6002, "Service Pack 2"}, 1, "Vista", 0x108},
      {{2, 6, 1, 7601, "Service Pack 1"}, 1, "7", 0x109},
      // Newer systems get the newest code and no name of their own.
      {{2, 6, 2, 9200, ""}, 1, "", 0x109},
      {{2, 6, 3, 9600, ""}, 1, "", 0x109},
      {{2, 10, 0, 19045, ""}, 1, "", 0x109},
      {{3, 10, 0, 0, ""}, 0, "", 0x55},
  };
  for (const auto& c : cases) {
    char suffix[16] = "junk";
    int code = 0x55;
    EXPECT_EQ(ClassifyWindowsVersion(c.version, suffix, sizeof suffix, &code), c.known)
        << c.version.platform << " " << c.version.major << "." << c.version.minor;
    EXPECT_STREQ(suffix, c.suffix);
    EXPECT_EQ(code, c.code);
  }
}

TEST(SystemInfoTest, OsTextCarriesBuildAndServiceText) {
  const WindowsVersion seven{2, 6, 1, 7601, "Service Pack 1"};
  char text[128];
  FormatOsText(seven, "7", text, sizeof text);
  EXPECT_STREQ(text, "Windows7 ( Build 7601 Service Pack 1 )");
  const WindowsVersion ten{2, 10, 0, 19045, ""};
  FormatOsText(ten, "", text, sizeof text);
  EXPECT_STREQ(text, "Windows ( Build 19045  )");
}

TEST(SystemInfoTest, LogsTheSystemBlockAndKeepsItsFacts) {
  LogCapture capture;
  EXPECT_EQ(LogSystemInfo(), 0);
  const std::string log = capture.ReadNormalized();
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  const std::string head = "#:システムの情報を出力します\r\n#:\tOmbrelライブラリ Ver3.05\r\n#:\t論理プロセッサの数 : " +
                           std::to_string(system.dwNumberOfProcessors) + "\r\n#:\tＯＳ  Windows";
  EXPECT_EQ(log.substr(0, head.size()), head);
  EXPECT_EQ(GetProcessorCount(), static_cast<int>(system.dwNumberOfProcessors));

  const SystemInfo& info = GetSystemState().info;
  EXPECT_EQ(LineStartingWith(log, "\tＯＳ  "), "#:\tＯＳ  " + std::string(info.osText) + "\r\n");
  EXPECT_EQ(info.directXVersion, 0x70000);
  // Every processor this runs on has the counter, MMX, SSE and SSE2 (the build
  // itself needs SSE2).
  EXPECT_EQ(info.cpuCounter, 1);
  EXPECT_GT(info.cpuCounterRate, 100000000);
  EXPECT_EQ(info.cpuSpeedMhz, static_cast<int>(info.cpuCounterRate / 1000000));
  char speed[64];
  snprintf(speed, sizeof speed, "\tＣＰＵ動作速度：大体%.2fGHz\r\n",
           static_cast<unsigned>(info.cpuSpeedMhz) / 1000.0);
  EXPECT_EQ(LineStartingWith(log, "\tＣＰＵ動作速度"), std::string("#:") + speed);
  EXPECT_NE(log.find("#:\tＭＭＸ命令を使用します\r\n#:\tＳＳＥ命令が使用可能です\r\n#:\tＳＳＥ２命令が使用可能です\r\n"),
            std::string::npos);
  EXPECT_EQ(IsMmxAvailable(), 1);
  EXPECT_EQ(info.sse2, 1);
  const std::string vendor = LineStartingWith(log, "\tＣＰＵベンダ：");
  EXPECT_TRUE(vendor == "#:\tＣＰＵベンダ：GenuineIntel\r\n" || vendor == "#:\tＣＰＵベンダ：AuthenticAMD\r\n")
      << vendor;
  if (info.cpuName[0] != '\0') {
    EXPECT_EQ(LineStartingWith(log, "\tＣＰＵ名："), "#:\tＣＰＵ名：" + std::string(info.cpuName) + "\r\n");
  }
  // The block ends with the indentation back where it was.
  AppendLog("after\n");
  EXPECT_NE(capture.ReadNormalized().find("\r\n#:after\r\n"), std::string::npos);
}

TEST(SystemInfoTest, LocalDateTimeMatchesTheSystemClock) {
  SYSTEMTIME before;
  GetLocalTime(&before);
  LocalDateTime now{};
  EXPECT_EQ(GetLocalDateTime(&now), 0);
  EXPECT_EQ(now.year, before.wYear);
  EXPECT_EQ(now.month, before.wMonth);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_GE(now.day, 1);
  EXPECT_LE(now.hour, 23);
  EXPECT_LE(now.minute, 59);
  EXPECT_LE(now.second, 59);
}

// Runs inside a copy of this executable that Wine reports a given Windows
// version to; the parent test below reads what it leaves behind.
TEST(SystemInfoTest, DISABLED_ProbeForVersionTest) {
  LogCapture capture;
  LogSystemInfo();
  std::ofstream("code.txt") << GetSystemState().info.osVersionCode;
}

struct VersionCase {
  const char* wineVersion;
  const char* expectedLine;
  int code;
};

TEST(SystemInfoTest, WindowsVersionsOfTheWinePrefixGiveTheirLineAndCode) {
  const VersionCase cases[] = {
      {"winxp", "\tＯＳ  WindowsXP ( Build 2600 Service Pack 3 )\r\n", 0x107},
      {"win7", "\tＯＳ  Windows7 ( Build 7601 Service Pack 1 )\r\n", 0x109},
      // Without a compatibility manifest Windows 10 reports itself as 6.2.
      {"win10", "\tＯＳ  Windows ( Build 9200  )\r\n", 0x109},
  };
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(c.wineVersion);
    const std::string folder = std::string("probe_") + c.wineVersion;
    const std::string exe = folder + ".exe";
    CreateDirectoryA(folder.c_str(), nullptr);
    DeleteFileA((folder + "\\code.txt").c_str());
    ASSERT_TRUE(CopyFileA(self, exe.c_str(), FALSE));

    const std::string key = "Software\\Wine\\AppDefaults\\" + exe;
    HKEY handle;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &handle, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(handle, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(c.wineVersion),
                   static_cast<DWORD>(strlen(c.wineVersion) + 1));
    RegCloseKey(handle);

    std::string command = "\"" + exe +
                          "\" --gtest_also_run_disabled_tests "
                          "--gtest_filter=SystemInfoTest.DISABLED_ProbeForVersionTest";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               folder.c_str(), &startup, &process));
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 120000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
    EXPECT_EQ(exitCode, 0u);

    const std::string log = ReadFile(folder + "\\Log.txt");
    const std::string osLine = LineStartingWith(log, "\tＯＳ  ");
    EXPECT_EQ(osLine, std::string("#:") + c.expectedLine);
    EXPECT_EQ(ReadFile(folder + "\\code.txt"), std::to_string(c.code));
  }
}

}  // namespace
