#include "system/string_helpers.h"

#include <stdio.h>

#include "system/charset.h"

namespace {

// Steps over one character: 2 for a lead byte with its trail byte, else 1;
// 0 at the terminator or at a lead byte cut off by it.
int CharacterLength(const char* p, int charset) {
  if (*p == '\0') return 0;
  if (IsDbcsLeadByte(p, charset)) return p[1] == '\0' ? 0 : 2;
  return 1;
}

}  // namespace

size_t StringLength(const char* str) {
  size_t length = 0;
  while (str[length] != '\0') ++length;
  return length;
}

char* CopyString(char* dst, const char* src) {
  char* out = dst;
  while ((*out++ = *src++) != '\0') {
  }
  return dst;
}

char* CopyStringN(char* dst, const char* src, int count) {
  int i = 0;
  for (; i < count && src[i] != '\0'; ++i) dst[i] = src[i];
  dst[i] = '\0';
  return dst;
}

const char* FindCharInString(const char* str, int ch) {
  const int charset = GetCharsetCode();
  const char target = static_cast<char>(ch);
  for (const char* p = str;;) {
    const int length = CharacterLength(p, charset);
    if (length == 1 && *p == target) return p;
    if (length == 0) return target == '\0' && *p == '\0' ? p : nullptr;
    p += length;
  }
}

char* FindCharInString(char* str, int ch) {
  return const_cast<char*>(FindCharInString(static_cast<const char*>(str), ch));
}

char* UpperCaseString(char* str) {
  const int charset = GetCharsetCode();
  for (char* p = str;;) {
    const int length = CharacterLength(p, charset);
    if (length == 0) break;
    if (length == 1 && *p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
    p += length;
  }
  return str;
}

int StringEndsWithChar(const char* str, int ch) {
  const int charset = GetCharsetCode();
  const char* last = nullptr;
  for (const char* p = str;;) {
    const int length = CharacterLength(p, charset);
    if (length == 0) break;
    last = length == 1 ? p : nullptr;
    p += length;
  }
  return last && *last == static_cast<char>(ch) ? 1 : 0;
}

int CompareStrings(const char* a, const char* b) {
  for (;; ++a, ++b) {
    if (*a != *b) return 1;
    if (*a == '\0') return 0;
  }
}

int CompareStringsN(const char* a, const char* b, int count) {
  for (int i = 0; i < count; ++i) {
    if (a[i] != b[i]) return 1;
    if (a[i] == '\0') return 0;
  }
  return 0;
}

void FillBytes(void* dst, int value, size_t count) {
  auto* out = static_cast<unsigned char*>(dst);
  for (size_t i = 0; i < count; ++i) out[i] = static_cast<unsigned char>(value);
}

int CompareBytes(const void* a, const void* b, size_t count) {
  const auto* x = static_cast<const unsigned char*>(a);
  const auto* y = static_cast<const unsigned char*>(b);
  for (size_t i = 0; i < count; ++i) {
    if (x[i] != y[i]) return 1;
  }
  return 0;
}

size_t CopyBytes(void* dst, const void* src, size_t count) {
  auto* out = static_cast<unsigned char*>(dst);
  const auto* in = static_cast<const unsigned char*>(src);
  for (size_t i = 0; i < count; ++i) out[i] = in[i];
  return count;
}

size_t MoveBytes(void* dst, const void* src, size_t count) {
  auto* out = static_cast<unsigned char*>(dst);
  const auto* in = static_cast<const unsigned char*>(src);
  if (in == out) return count;
  if (in < out) {
    for (size_t i = count; i > 0; --i) out[i - 1] = in[i - 1];
  } else {
    for (size_t i = 0; i < count; ++i) out[i] = in[i];
  }
  return count;
}

char* IntToString(int value, char* buffer, int radix) {
  char* out = buffer;
  if (radix < 2 || radix > 36) {
    *out = '\0';
    return buffer;
  }
  // The magnitude is taken unsigned so that the most negative int works too.
  unsigned magnitude = static_cast<unsigned>(value);
  if (value < 0) {
    *out++ = '-';
    magnitude = 0u - magnitude;
  }
  char digits[33];
  int count = 0;
  do {
    const unsigned digit = magnitude % static_cast<unsigned>(radix);
    digits[count++] = static_cast<char>(digit < 10 ? '0' + digit : 'a' + digit - 10);
    magnitude /= static_cast<unsigned>(radix);
  } while (magnitude != 0);
  while (count > 0) *out++ = digits[--count];
  *out = '\0';
  return buffer;
}

int FormatString(char* buffer, size_t bufferSize, const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatStringV(buffer, bufferSize, format, args);
  va_end(args);
  return 0;
}

int FormatStringV(char* buffer, size_t bufferSize, const char* format, va_list args) {
  if (bufferSize == 0) return 0;
  if (vsnprintf(buffer, bufferSize, format, args) < 0) buffer[0] = '\0';
  return 0;
}
