#include "system/path_chars.h"

#include "system/charset.h"

size_t PathCharLength(const char* p, int charsetCode) {
  return IsDbcsLeadByte(p, charsetCode) && p[1] != '\0' ? 2 : 1;
}

const char* PathComponentEnd(const char* p, int charsetCode) {
  while (*p && !IsPathSeparator(*p)) p += PathCharLength(p, charsetCode);
  return p;
}

const char* LastPathSeparator(const char* path, int charsetCode) {
  const char* last = nullptr;
  for (const char* p = path; *p; p += PathCharLength(p, charsetCode)) {
    if (IsPathSeparator(*p) || *p == ':') last = p;
  }
  return last;
}
