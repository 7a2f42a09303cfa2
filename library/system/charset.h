// The double-byte text code the library scans strings by, and the lead-byte
// test that every double-byte-aware walk uses.
#ifndef OMBREL_SYSTEM_CHARSET_H
#define OMBREL_SYSTEM_CHARSET_H

enum CharsetCode {
  kCharsetDefault = 0,  // scanned by the Shift-JIS rules
  kCharsetShiftJis = 1,
  kCharsetHangul = 2,
  kCharsetBig5 = 3,
  kCharsetGb2312 = 4,
};

// 1 when the byte at p starts a two-byte character under charsetCode.
int IsDbcsLeadByte(const char* p, int charsetCode);

// What the byte at position is when s is walked from its start: 0 a one-byte
// character, 1 the lead byte of a two-byte character, 2 its trail byte, -1
// when the terminator comes first. A lead byte right before the terminator
// ends the walk.
int ClassifyDbcsByte(const char* s, int position, int charsetCode);

// The text code chosen at start-up from the OEM code page; writes the code
// page the library then uses (0 for pages it has no double-byte rule for).
int ChooseCharsetForCodePage(unsigned oemCodePage, int* codePage);

// The system's current text code (kept in SystemState).
int GetCharsetCode();
int GetCodePage();
void SetCharsetCode(int charsetCode, int codePage);

#endif
