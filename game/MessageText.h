// How a script's text becomes window lines: the two characters backslash and
// "n" become a line break, the text is cut into lines at the breaks, and each
// line is shortened until its drawn width plus the two 10-pixel margins fits
// the window. Texts are in the game's double-byte code, and every cut falls
// between characters, never after a lead byte.
#ifndef MOONLITCAIRN_MESSAGE_TEXT_H
#define MOONLITCAIRN_MESSAGE_TEXT_H

constexpr int kMessageLines = 4;
constexpr int kMessageLineBytes = 481;
// The most bytes of one line part that go into a line before it is fitted.
constexpr int kMessageLinePartBytes = 479;
constexpr int kMessageWorkBytes = 1024;
// The left text margin and the same on the right.
constexpr int kMessageMargins = 20;

using MessageLines = char[kMessageLines][kMessageLineBytes];

// 1 when the byte starts a two-byte character of the game's text code.
int IsTextLeadByte(unsigned char c);
// The length of the character at text: 2 for a lead byte with its trail
// byte, 0 at the terminator and for a lead byte the terminator cuts, else 1.
int TextCharLength(const char* text);

// out holds kMessageWorkBytes bytes and is cleared first. A text whose
// converted form would not fit ends at the last whole character that does.
void ConvertNewline(char* out, const char* text);
// Copies at most kMessageLinePartBytes bytes of source into line (which
// holds kMessageLineBytes), then shortens it to the longest run of whole
// characters whose width plus the margins fits windowWidth; the first
// character stays even when it alone is too wide. Returns 0.
int FitTextWidth(const char* source, char* line, int windowWidth);
// Cuts the text into lines from firstLine on (clearing all lines first when
// firstLine is 0) and fits each; parts past the last line are dropped.
// Returns the index of the last line written + 1 (at most kMessageLines).
int SplitTextIntoLines(const char* text, int windowWidth, MessageLines lines, int firstLine);

#endif
