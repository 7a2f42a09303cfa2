// Stand-ins for the text-code helpers and the system settings that the file
// layer reads, until the system core provides them with the same meaning.
#ifndef OMBREL_SYSTEM_PROVISIONAL_FILE_HELPERS_H
#define OMBREL_SYSTEM_PROVISIONAL_FILE_HELPERS_H

// The system's double-byte text code (0 default, 1 Shift-JIS, 2 Hangul,
// 3 Big5, 4 GB2312).
int GetSystemCharsetCode();

// 1 when the byte at p starts a two-byte character under charsetCode.
int IsDbcsLeadByte(const char* p, int charsetCode);

// In place, double-byte aware under the system's text code: a to z become A to Z.
void UpperCaseString(char* str);

// The plain-files switch of the system settings: 1 installs the Windows-file
// set as the default file functions.
int GetPlainFilesSwitch();

#endif
