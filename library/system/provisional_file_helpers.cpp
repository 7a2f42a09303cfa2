// Minimal versions of the system core's text-code helpers for the file layer.
#include "system/provisional_file_helpers.h"

int GetSystemCharsetCode() { return 0; }

int IsDbcsLeadByte(const char* p, int charsetCode) {
  const unsigned char c = static_cast<unsigned char>(*p);
  if (charsetCode == 2 || charsetCode == 3 || charsetCode == 4) return c >= 0x80 ? 1 : 0;
  return ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) ? 1 : 0;
}

void UpperCaseString(char* str) {
  const int charset = GetSystemCharsetCode();
  for (char* p = str; *p; ++p) {
    if (IsDbcsLeadByte(p, charset)) {
      if (!p[1]) break;
      ++p;
    } else if (*p >= 'a' && *p <= 'z') {
      *p = static_cast<char>(*p - 'a' + 'A');
    }
  }
}

int GetPlainFilesSwitch() { return 0; }
