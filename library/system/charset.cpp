#include "system/charset.h"

int IsDbcsLeadByte(const char* p, int charsetCode) {
  const unsigned char c = static_cast<unsigned char>(*p);
  switch (charsetCode) {
    case kCharsetHangul:
    case kCharsetBig5:
    case kCharsetGb2312:
      return c >= 0x80 ? 1 : 0;
    default:
      return ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) ? 1 : 0;
  }
}

int ChooseCharsetForCodePage(unsigned oemCodePage, int* codePage) {
  int charset = kCharsetShiftJis;
  int page = 0;
  switch (oemCodePage) {
    case 932: charset = kCharsetShiftJis; page = 932; break;
    case 949: charset = kCharsetHangul; page = 949; break;
    case 950: charset = kCharsetBig5; page = 950; break;
    case 936: charset = kCharsetGb2312; page = 936; break;
    default: break;
  }
  if (codePage) *codePage = page;
  return charset;
}

int ClassifyDbcsByte(const char* s, int position, int charsetCode) {
  int i = 0;
  while (s[i] != '\0') {
    if (IsDbcsLeadByte(s + i, charsetCode)) {
      if (s[i + 1] == '\0') return -1;
      if (position == i) return 1;
      if (position == i + 1) return 2;
      i += 2;
    } else {
      if (position == i) return 0;
      ++i;
    }
  }
  return -1;
}
