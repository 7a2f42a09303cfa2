// The library's own string and byte helpers. The scanning ones are
// double-byte aware under the system's CharsetCode: a lead byte and the byte
// after it are stepped over together, so a trail byte is never taken for a
// single-byte character (a Shift-JIS trail byte can be '\\' or 'a').
#ifndef OMBREL_SYSTEM_STRING_HELPERS_H
#define OMBREL_SYSTEM_STRING_HELPERS_H

#include <stdarg.h>
#include <stddef.h>

size_t StringLength(const char* str);
char* CopyString(char* dst, const char* src);
// Copies at most count bytes and always terminates, so dst needs count + 1
// bytes; count 0 or less gives an empty string.
char* CopyStringN(char* dst, const char* src, int count);

const char* FindCharInString(const char* str, int ch);
char* FindCharInString(char* str, int ch);
char* UpperCaseString(char* str);
// 1 when str's last character is the single-byte character ch.
int StringEndsWithChar(const char* str, int ch);

// Equality tests: 0 when equal, 1 otherwise (no ordering).
int CompareStrings(const char* a, const char* b);
// Compares the first count bytes; a terminator both strings share ends the
// comparison, so nothing past the end of either string is read.
int CompareStringsN(const char* a, const char* b, int count);

void FillBytes(void* dst, int value, size_t count);
int CompareBytes(const void* a, const void* b, size_t count);
size_t CopyBytes(void* dst, const void* src, size_t count);
size_t MoveBytes(void* dst, const void* src, size_t count);

// Writes value in radix 2 to 36 (lower-case letters above 9, "-" before
// negatives) and returns buffer, which needs 34 bytes at most. Another radix
// gives an empty string.
char* IntToString(int value, char* buffer, int radix);

// printf-style formatting, cut to fit bufferSize bytes with the terminator;
// returns 0.
int FormatString(char* buffer, size_t bufferSize, const char* format, ...)
    __attribute__((format(gnu_printf, 3, 4)));
int FormatStringV(char* buffer, size_t bufferSize, const char* format, va_list args)
    __attribute__((format(gnu_printf, 3, 0)));

#endif
