#include "system/key_input_edit.h"

#include "system/charset.h"
#include "system/string_helpers.h"

namespace {

bool HasSelection(const KeyInputRecord& record) {
  return record.selectionStart != -1 && record.selectionEnd != -1;
}

void ClearSelection(KeyInputRecord* record) {
  record->selectionStart = -1;
  record->selectionEnd = -1;
}

void LowerViewToLength(KeyInputRecord* record) {
  if (record->viewPosition > record->length) record->viewPosition = record->length;
}

// The size of the character that starts at position; a lead byte without a
// trail byte counts as one byte.
int CharSizeAt(const KeyInputRecord& record, int position, int charsetCode) {
  if (position + 1 < record.length && IsDbcsLeadByte(record.text + position, charsetCode)) {
    return 2;
  }
  return 1;
}

// The size of the character that ends at position.
int CharSizeBefore(const KeyInputRecord& record, int position, int charsetCode) {
  if (position > 1 && ClassifyDbcsByte(record.text, position - 1, charsetCode) == 2) return 2;
  return 1;
}

void RemoveBytes(KeyInputRecord* record, int position, int count) {
  MoveBytes(record->text + position, record->text + position + count,
            static_cast<size_t>(record->length - position - count));
  record->length -= count;
  record->text[record->length] = '\0';
  LowerViewToLength(record);
}

// The selection in text order, clamped to the text.
void SelectionBounds(const KeyInputRecord& record, int* low, int* high) {
  int a = record.selectionStart;
  int b = record.selectionEnd;
  if (a > b) {
    const int t = a;
    a = b;
    b = t;
  }
  *low = a < 0 ? 0 : (a > record.length ? record.length : a);
  *high = b < *low ? *low : (b > record.length ? record.length : b);
}

void CopySelection(const KeyInputRecord& record, const KeyInputEditEnv& env) {
  if (!HasSelection(record) || !env.copyText) return;
  int low = 0;
  int high = 0;
  SelectionBounds(record, &low, &high);
  env.copyText(env.context, record.text + low, high - low);
}

bool ShiftHeld(const KeyInputEditEnv& env) {
  return env.isShiftHeld && env.isShiftHeld(env.context) != 0;
}

// Moves the cursor to target; with Shift the selection follows it from
// where the cursor stood, without Shift the selection goes.
void MoveCursor(KeyInputRecord* record, int target, bool extend) {
  if (extend) {
    if (!HasSelection(*record)) record->selectionStart = record->cursor;
    record->selectionEnd = target;
  } else {
    ClearSelection(record);
  }
  record->cursor = target;
}

bool AcceptsForNumber(const KeyInputRecord& record, const char* character, int count) {
  if (count != 1) return false;
  const char c = character[0];
  if (c >= '0' && c <= '9') return true;
  if (c == '-') return record.cursor == 0;
  if (c == '.') return FindCharInString(record.text, '.') == nullptr;
  return false;
}

// The start of the text's last character, walking from the start by whole
// characters.
int LastCharStart(const KeyInputRecord& record, int charsetCode) {
  int last = 0;
  for (int i = 0; i < record.length; i += CharSizeAt(record, i, charsetCode)) last = i;
  return last;
}

void InsertCharacter(KeyInputRecord* record, const char* character, int count,
                     int charsetCode) {
  DeleteKeyInputSelection(record);
  // A terminator would cut the text short of its length, and a character
  // larger than the whole text can never fit.
  if (character[0] == '\0' || count > record->maxLength) return;
  if (record->numbersOnly && !AcceptsForNumber(*record, character, count)) return;
  if (record->singleByteOnly && count == 2) return;
  while (record->length + count > record->maxLength) {
    const int last = LastCharStart(*record, charsetCode);
    RemoveBytes(record, last, record->length - last);
    // A cursor at the end moves back with it.
    if (record->cursor > record->length) record->cursor = record->length;
  }
  char* at = record->text + record->cursor;
  MoveBytes(at + count, at, static_cast<size_t>(record->length - record->cursor) + 1);
  CopyBytes(at, character, static_cast<size_t>(count));
  record->cursor += count;
  record->length += count;
}

}  // namespace

int IsKeyInputControlCode(int byte) {
  switch (byte) {
    case kKeyCodeDelete: case kKeyCodePageDown: case kKeyCodePageUp: case kKeyCodeEnd:
    case kKeyCodeHome: case kKeyCodeRight: case kKeyCodeLeft: case kKeyCodeUp:
    case kKeyCodeDown:
      return 1;
    default:
      return 0;
  }
}

int CountCharsInBytes(const char* string, int count, int charsetCode) {
  int chars = 0;
  for (int i = 0; i < count && string[i] != '\0';) {
    ++chars;
    i += IsDbcsLeadByte(string + i, charsetCode) && string[i + 1] != '\0' ? 2 : 1;
  }
  return chars;
}

int FitWholeChars(const char* text, int count, int limit, int charsetCode) {
  int fit = 0;
  while (fit < count) {
    const int size = fit + 1 < count && IsDbcsLeadByte(text + fit, charsetCode) ? 2 : 1;
    if (fit + size > limit) break;
    fit += size;
  }
  return fit;
}

int DeleteKeyInputSelection(KeyInputRecord* record) {
  if (!HasSelection(*record)) return 0;
  int low = 0;
  int high = 0;
  SelectionBounds(*record, &low, &high);
  record->cursor = low;
  RemoveBytes(record, low, high - low);
  ClearSelection(record);
  return 0;
}

void EditKeyInput(KeyInputRecord* record, const char* character, int count,
                  const KeyInputEditEnv& env) {
  const int charset = env.charsetCode;
  switch (static_cast<unsigned char>(character[0])) {
    case kKeyCodeCopy:
      CopySelection(*record, env);
      break;
    case kKeyCodeBackspace:
      if (HasSelection(*record)) {
        DeleteKeyInputSelection(record);
      } else if (record->cursor > 0) {
        const int n = CharSizeBefore(*record, record->cursor, charset);
        record->cursor -= n;
        RemoveBytes(record, record->cursor, n);
      }
      break;
    case kKeyCodeTab:
    case kKeyCodeUp:
    case kKeyCodeDown:
      break;
    case kKeyCodeEnter:
      record->ended = 1;
      break;
    case kKeyCodeDelete:
      if (!HasSelection(*record)) {
        if (record->cursor < record->length) {
          RemoveBytes(record, record->cursor, CharSizeAt(*record, record->cursor, charset));
        }
      } else {
        if (ShiftHeld(env)) CopySelection(*record, env);
        DeleteKeyInputSelection(record);
      }
      break;
    case kKeyCodePaste:
      if (env.pasteText) env.pasteText(env.context);
      break;
    case kKeyCodeCut:
      if (HasSelection(*record)) {
        CopySelection(*record, env);
        DeleteKeyInputSelection(record);
      }
      break;
    case kKeyCodeEnd:
      MoveCursor(record, record->length, ShiftHeld(env));
      break;
    case kKeyCodeHome:
      MoveCursor(record, 0, ShiftHeld(env));
      break;
    case kKeyCodeEscape:
      if (record->cancelAllowed) {
        record->cancelled = 1;
        record->ended = 1;
      }
      break;
    case kKeyCodeRight:
      if (record->cursor < record->length) {
        MoveCursor(record, record->cursor + CharSizeAt(*record, record->cursor, charset),
                   ShiftHeld(env));
      }
      break;
    case kKeyCodeLeft:
      if (record->cursor > 0) {
        MoveCursor(record, record->cursor - CharSizeBefore(*record, record->cursor, charset),
                   ShiftHeld(env));
      }
      break;
    default:
      InsertCharacter(record, character, count, charset);
      break;
  }
}
