#include "system/system_info.h"

#include <windows.h>
#include <x86intrin.h>

#include "system/clock.h"
#include "system/cpu_features.h"
#include "system/log.h"
#include "system/os_version.h"
#include "system/string_helpers.h"
#include "system/system_state.h"

namespace {

constexpr char kLibraryVersion[] = "3.05";
constexpr int kDirectXVersion = 0x70000;

void LogWindowsVersion(SystemInfo& info) {
  AppendLog("ＯＳ  ");
  OSVERSIONINFOA raw = {};
  raw.dwOSVersionInfoSize = sizeof raw;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExA(&raw);
#pragma GCC diagnostic pop
  WindowsVersion version;
  version.platform = raw.dwPlatformId;
  version.major = raw.dwMajorVersion;
  version.minor = raw.dwMinorVersion;
  // Windows 9x keeps the major and minor version in the build's high word.
  version.build = raw.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? LOWORD(raw.dwBuildNumber)
                                                                  : raw.dwBuildNumber;
  version.serviceText = raw.szCSDVersion;
  char suffix[16];
  ClassifyWindowsVersion(version, suffix, sizeof suffix, &info.osVersionCode);
  FormatOsText(version, suffix, info.osText, sizeof info.osText);
  AppendLogFormat("%s", info.osText);
}

// Counts time-stamp ticks over at least 100 ms of the millisecond clock.
void MeasureCpuSpeed(SystemInfo& info) {
  const uint64_t startTicks = __rdtsc();
  const uint32_t startTime = ReadMultimediaTime() & 0x7FFFFFFF;
  while (((ReadMultimediaTime() & 0x7FFFFFFF) - startTime) < 100) {
  }
  const uint64_t ticks = __rdtsc() - startTicks;
  const unsigned mhz = static_cast<unsigned>(ticks / 100000);
  info.cpuCounterRate = static_cast<int64_t>(ticks * 10);
  info.cpuCounter = 1;
  AppendLogFormat("ＣＰＵ動作速度：大体%.2fGHz", mhz / 1000.0);
  info.cpuSpeedMhz = static_cast<int>(mhz);
}

void LogCpuFeatures(SystemInfo& info, const CpuFeatures& cpu) {
  if (!cpu.hasCpuid) {
    AppendLog("ＣＰＵＩＤ命令は使えません\n");
    return;
  }
  if (!cpu.mmx) {
    AppendLog("ＭＭＸは使えません\n");
    return;
  }
  AppendLog("ＭＭＸ命令を使用します\n");
  info.mmx = 1;
  if (!cpu.sse) return;
  AppendLog("ＳＳＥ命令が使用可能です\n");
  info.sse = 1;
  if (!cpu.sse2) return;
  AppendLog("ＳＳＥ２命令が使用可能です\n");
  info.sse2 = 1;
}

}  // namespace

int LogSystemInfo() {
  SystemInfo& info = GetSystemState().info;
  AppendLog("システムの情報を出力します\n");
  IncreaseLogIndent();

  char line[64];
  FormatString(line, sizeof line, "Ombrelライブラリ Ver%s\n", kLibraryVersion);
  AppendLog(line);

  SYSTEM_INFO system = {};
  GetSystemInfo(&system);
  info.processorCount = static_cast<int>(system.dwNumberOfProcessors);
  AppendLogFormat("論理プロセッサの数 : %d", info.processorCount);

  LogWindowsVersion(info);
  info.directXVersion = kDirectXVersion;
  BeginSmallestTimerPeriod();

  CpuFeatures cpu;
  ReadCpuFeatures(&cpu);
  if (cpu.timeStampCounter) MeasureCpuSpeed(info);
  LogCpuFeatures(info, cpu);
  if (cpu.hasCpuid) {
    AppendLog("ＣＰＵベンダ：");
    char piece[5] = {};
    for (int i = 0; i < 12; i += 4) {
      CopyBytes(piece, cpu.vendor + i, 4);
      AppendLog(piece);
    }
    AppendLog("\n");
    if (cpu.name[0] != '\0') {
      AppendLogFormat("ＣＰＵ名：%s", cpu.name);
      CopyString(info.cpuName, cpu.name);
    }
  }

  DecreaseLogIndent();
  return 0;
}

void ConvertSystemTimeToLocalDateTime(const _SYSTEMTIME* time, LocalDateTime* out) {
  out->year = time->wYear;
  out->month = time->wMonth;
  out->day = time->wDay;
  out->hour = time->wHour;
  out->minute = time->wMinute;
  out->second = time->wSecond;
}

int GetLocalDateTime(LocalDateTime* out) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  ConvertSystemTimeToLocalDateTime(&now, out);
  return 0;
}

int IsMmxAvailable() { return GetSystemState().info.mmx; }

int GetOsVersionCode() { return GetSystemState().info.osVersionCode; }

int GetProcessorCount() { return GetSystemState().info.processorCount; }
