#include "system/os_version.h"

#include "system/string_helpers.h"

namespace {

int Classify(const WindowsVersion& v, char* suffix, size_t suffixSize, int* code,
             const char* name, int value) {
  FormatString(suffix, suffixSize, "%s", name);
  *code = value;
  return 1;
}

char SecondServiceChar(const WindowsVersion& v) {
  return v.serviceText && v.serviceText[0] != '\0' ? v.serviceText[1] : '\0';
}

}  // namespace

int ClassifyWindowsVersion(const WindowsVersion& v, char* suffix, size_t suffixSize, int* code) {
  if (suffixSize > 0) suffix[0] = '\0';
  switch (v.platform) {
    case 0:
      return Classify(v, suffix, suffixSize, code, "3.1", kOsWin32s);
    case 1:
      if (v.minor == 0) {
        return Classify(v, suffix, suffixSize, code,
                        SecondServiceChar(v) == 'C' ? "95OSR2" : "95", kOsWindows95);
      }
      if (v.minor == 10) {
        return Classify(v, suffix, suffixSize, code, SecondServiceChar(v) == 'A' ? "98SE" : "98",
                        kOsWindows98);
      }
      if (v.minor == 90) return Classify(v, suffix, suffixSize, code, "Me", kOsWindowsMe);
      return 0;
    case 2:
      if (v.major == 3) return Classify(v, suffix, suffixSize, code, "NT 3.51", kOsWindowsNt351);
      if (v.major == 4) return Classify(v, suffix, suffixSize, code, "4.0", kOsWindowsNt4);
      if (v.major == 5 && v.minor == 0) {
        return Classify(v, suffix, suffixSize, code, "2000", kOsWindows2000);
      }
      if (v.major == 5 && v.minor == 1) return Classify(v, suffix, suffixSize, code, "XP", kOsWindowsXp);
      if (v.major == 6 && v.minor == 0) {
        return Classify(v, suffix, suffixSize, code, "Vista", kOsWindowsVista);
      }
      if (v.major == 6 && v.minor == 1) return Classify(v, suffix, suffixSize, code, "7", kOsWindows7);
      if (v.major > 6 || (v.major == 6 && v.minor >= 2)) {
        return Classify(v, suffix, suffixSize, code, "", kOsWindows7);
      }
      return 0;
    default:
      return 0;
  }
}

void FormatOsText(const WindowsVersion& v, const char* suffix, char* text, size_t textSize) {
  FormatString(text, textSize, "Windows%s ( Build %d %s )", suffix, static_cast<int>(v.build),
               v.serviceText ? v.serviceText : "");
}
