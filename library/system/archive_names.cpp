// Archive names: search keys of path components and wildcard matching. Names
// are compared upper-cased (a to z only); both bytes of a double-byte
// character stay as they are.
#include <cstring>

#include "system/archive_format.h"
#include "system/path_chars.h"

int MakeArchiveNameKeyForCharset(ArchiveNameKey* key, int charset, const char* component,
                                 int* lengthOut) {
  size_t length = 0;
  unsigned sum = 0;
  const char* p = component;
  while (*p && !IsPathSeparator(*p)) {
    const size_t step = PathCharLength(p, charset);
    if (length + step + 4 > kArchiveNameKeyBytes) return -1;
    for (size_t i = 0; i < step; ++i) {
      uint8_t b = static_cast<uint8_t>(p[i]);
      if (step == 1 && b >= 'a' && b <= 'z') b = static_cast<uint8_t>(b - 'a' + 'A');
      key->name[length + i] = b;
      sum += b;
    }
    length += step;
    p += step;
  }
  // One to four zero bytes, so every name ends inside its last unit.
  const size_t units = (length + 4) / 4;
  std::memset(key->name + length, 0, units * 4 - length);
  key->byteSum = static_cast<uint16_t>(sum);
  key->unitCount = static_cast<uint16_t>(units);
  if (lengthOut) *lengthOut = static_cast<int>(length);
  return 0;
}

int MatchArchiveWildcardForCharset(const char* name, const char* pattern, int charset) {
  const char* n = name;
  const char* p = pattern;
  // Where the last '*' resumes in the pattern, and the name position it has
  // swallowed up to; a mismatch lets that '*' take one more character.
  const char* starPattern = nullptr;
  const char* starName = nullptr;
  while (*n) {
    if (*p == '*') {
      while (*p == '*') ++p;
      if (!*p) return 0;
      starPattern = p;
      starName = n;
      continue;
    }
    const size_t nameStep = PathCharLength(n, charset);
    if (*p == '?') {
      ++p;
      n += nameStep;
      continue;
    }
    if (*p) {
      const size_t patternStep = PathCharLength(p, charset);
      if (patternStep == nameStep && std::memcmp(p, n, nameStep) == 0) {
        p += patternStep;
        n += nameStep;
        continue;
      }
    }
    if (!starPattern) return -1;
    starName += PathCharLength(starName, charset);
    n = starName;
    p = starPattern;
  }
  // At the name's end, trailing dots and stars match nothing, as on disk
  // ("A.*" finds A, "*.*" finds every name).
  while (*p == '*' || *p == '.') ++p;
  return *p ? -1 : 0;
}
