#include "MessageText.h"

#include <string.h>

#include "Ombrel.h"

int IsTextLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

int TextCharLength(const char* text) {
  if (text[0] == '\0') return 0;
  if (!IsTextLeadByte(static_cast<unsigned char>(text[0]))) return 1;
  return text[1] != '\0' ? 2 : 0;
}

void ConvertNewline(char* out, const char* text) {
  memset(out, 0, kMessageWorkBytes);
  int written = 0;
  // A trail byte may be a backslash; only a backslash that starts a
  // character begins the pair.
  for (const char* p = text; *p != '\0';) {
    const int length = TextCharLength(p);
    if (length == 0) break;
    if (written + 1 >= kMessageWorkBytes || (length == 2 && written + 2 >= kMessageWorkBytes)) {
      break;
    }
    if (p[0] == '\\' && p[1] == 'n') {
      out[written++] = '\n';
      p += 2;
      continue;
    }
    memcpy(out + written, p, length);
    written += length;
    p += length;
  }
}

namespace {

// The number of bytes of the longest run of whole characters of text, at
// most limit bytes long.
int WholeCharsWithin(const char* text, int length, int limit) {
  int end = 0;
  while (end < length) {
    const int step = TextCharLength(text + end);
    if (step == 0 || end + step > limit || end + step > length) break;
    end += step;
  }
  return end;
}

// Copies the part, cut at a character boundary to what a line holds, and
// fits it.
void FitPart(const char* part, int length, char* line, int windowWidth) {
  const int copied = WholeCharsWithin(part, length, kMessageLinePartBytes);
  memcpy(line, part, copied);
  line[copied] = '\0';
  // Each cut leaves one more character off, down to the first character.
  int end = copied;
  while (end > 0 && windowWidth < MeasureStringWidth(line, -1, 0) + kMessageMargins) {
    int previous = 0;
    for (int at = 0; at < end;) {
      const int step = TextCharLength(line + at);
      if (at + step >= end) break;
      at += step;
      previous = at;
    }
    if (previous == 0) break;
    end = previous;
    line[end] = '\0';
  }
}

}  // namespace

int FitTextWidth(const char* source, char* line, int windowWidth) {
  FitPart(source, static_cast<int>(strlen(source)), line, windowWidth);
  return 0;
}

int SplitTextIntoLines(const char* text, int windowWidth, MessageLines lines, int firstLine) {
  if (firstLine == 0) memset(lines, 0, sizeof(MessageLines));
  if (firstLine < 0) firstLine = 0;
  if (firstLine >= kMessageLines) return kMessageLines;
  char work[kMessageWorkBytes];
  ConvertNewline(work, text);
  const char* part = work;
  for (int k = firstLine;; ++k) {
    const char* brk = strchr(part, '\n');
    if (brk == nullptr) {
      FitTextWidth(part, lines[k], windowWidth);
      return k + 1;
    }
    FitPart(part, static_cast<int>(brk - part), lines[k], windowWidth);
    // Lines past the last one have nowhere to go.
    if (k == kMessageLines - 1) return kMessageLines;
    part = brk + 1;
  }
}
