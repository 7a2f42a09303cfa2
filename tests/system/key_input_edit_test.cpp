#include "system/key_input_edit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "system/charset.h"

namespace {

constexpr int kEnd = -2;  // the cursor at the end of the text

// A key input over a buffer of its own, with the clipboard and the Shift
// keys played by the test.
class EditedInput {
 public:
  EditedInput(const char* text, int maxLength) : buffer_(maxLength + 1, '\0') {
    record_.used = 1;
    record_.maxLength = maxLength;
    record_.text = buffer_.data();
    record_.length = static_cast<int>(std::string(text).size());
    std::copy(text, text + record_.length, buffer_.begin());
    record_.cursor = record_.length;
    record_.selectionStart = -1;
    record_.selectionEnd = -1;
  }

  // Types the bytes as the ring hands them out, a lead byte and its trail
  // byte together, until the input ends.
  void Type(const std::string& keys) {
    const KeyInputEditEnv env = {kCharsetShiftJis, this, ShiftHeld, Copy, Paste};
    for (size_t i = 0; i < keys.size() && !record_.ended;) {
      const bool lead = !IsKeyInputControlCode(static_cast<unsigned char>(keys[i])) &&
                        IsDbcsLeadByte(&keys[i], kCharsetShiftJis) && i + 1 < keys.size();
      const int count = lead ? 2 : 1;
      EditKeyInput(&record_, &keys[i], count, env);
      i += count;
    }
  }

  std::string Text() const { return std::string(record_.text, record_.length); }

  KeyInputRecord record_ = {};
  bool shift_ = false;
  std::string copied_;
  int pastes_ = 0;

 private:
  static int ShiftHeld(void* self) { return static_cast<EditedInput*>(self)->shift_ ? 1 : 0; }
  static void Copy(void* self, const char* bytes, int length) {
    static_cast<EditedInput*>(self)->copied_.assign(bytes, length);
  }
  static void Paste(void* self) { ++static_cast<EditedInput*>(self)->pastes_; }

  std::vector<char> buffer_;
};

struct EditCase {
  const char* name;
  const char* text;
  int maxLength;
  int cursor;  // kEnd for the end
  int selectionStart;
  int selectionEnd;
  bool shift;
  const char* keys;
  const char* expectedText;
  int expectedCursor;
  int expectedSelectionStart;
  int expectedSelectionEnd;
  const char* expectedCopy;
};

TEST(KeyInputEditTest, TypedCharactersEditTheText) {
  const EditCase cases[] = {
      {"full input replaces its last character", "abc", 3, kEnd, -1, -1, false, "d", "abd", 3,
       -1, -1, ""},
      {"full input keeps a cursor before the end", "abc", 3, 1, -1, -1, false, "X", "aXb", 2, -1,
       -1, ""},
      {"a double-byte character makes room for itself", "abc", 3, kEnd, -1, -1, false, "漢",
       "a漢", 3, -1, -1, ""},
      {"a double-byte last character goes whole", "a漢", 3, kEnd, -1, -1, false, "b", "ab", 2, -1,
       -1, ""},
      {"backspace removes a whole double-byte character", "a漢", 8, kEnd, -1, -1, false, "\b",
       "a", 1, -1, -1, ""},
      {"backspace at the start does nothing", "ab", 8, 0, -1, -1, false, "\b", "ab", 0, -1, -1,
       ""},
      {"left steps over a double-byte character", "漢字", 8, kEnd, -1, -1, false, "\x1D", "漢字",
       2, -1, -1, ""},
      {"right steps over a double-byte character", "漢字", 8, 0, -1, -1, false, "\x1C", "漢字",
       2, -1, -1, ""},
      {"delete removes a whole double-byte character", "漢a", 8, 0, -1, -1, false, "\x10", "a",
       0, -1, -1, ""},
      {"shift and right select from the cursor", "abcd", 8, 1, -1, -1, true, "\x1C\x1C", "abcd",
       3, 1, 3, ""},
      {"shift and left select backwards", "abcd", 8, 3, -1, -1, true, "\x1D\x1D", "abcd", 1, 3,
       1, ""},
      {"shift and end select to the end", "abc", 8, 1, -1, -1, true, "\x19", "abc", 3, 1, 3, ""},
      {"shift and home select to the start", "abc", 8, 2, -1, -1, true, "\x1A", "abc", 0, 2, 0,
       ""},
      {"home without shift drops the selection", "abc", 8, 2, 2, 3, false, "\x1A", "abc", 0, -1,
       -1, ""},
      {"right without shift drops the selection", "abc", 8, 1, 1, 2, false, "\x1C", "abc", 2, -1,
       -1, ""},
      {"shift and delete cut the selection", "abcd", 8, 3, 1, 3, true, "\x10", "ad", 1, -1, -1,
       "bc"},
      {"delete alone only removes the selection", "abcd", 8, 3, 1, 3, false, "\x10", "ad", 1, -1,
       -1, ""},
      {"copy keeps the text", "abcd", 8, 1, 3, 1, false, "\x03", "abcd", 1, 3, 1, "bc"},
      {"cut removes what it copies", "abcd", 8, 1, 3, 1, false, "\x18", "ad", 1, -1, -1, "bc"},
      {"typing replaces the selection", "abcd", 8, 3, 1, 3, false, "X", "aXd", 2, -1, -1, ""},
      {"page up and page down are typed", "", 8, kEnd, -1, -1, false, "\x17\x15", "\x17\x15", 2,
       -1, -1, ""},
      {"up, down and tab do nothing", "ab", 8, 1, -1, -1, false, "\x1E\x1F\t", "ab", 1, -1, -1,
       ""},
      {"characters after enter are not applied", "", 8, kEnd, -1, -1, false, "ab\rc", "ab", 2,
       -1, -1, ""},
      {"a character larger than the whole input is dropped", "a", 1, kEnd, -1, -1, false, "漢",
       "a", 1, -1, -1, ""},
  };
  for (const EditCase& c : cases) {
    EditedInput input(c.text, c.maxLength);
    if (c.cursor != kEnd) input.record_.cursor = c.cursor;
    input.record_.selectionStart = c.selectionStart;
    input.record_.selectionEnd = c.selectionEnd;
    input.shift_ = c.shift;
    input.Type(c.keys);
    EXPECT_EQ(input.Text(), c.expectedText) << c.name;
    EXPECT_EQ(input.record_.text[input.record_.length], '\0') << c.name;
    EXPECT_EQ(input.record_.cursor, c.expectedCursor) << c.name;
    EXPECT_EQ(input.record_.selectionStart, c.expectedSelectionStart) << c.name;
    EXPECT_EQ(input.record_.selectionEnd, c.expectedSelectionEnd) << c.name;
    EXPECT_EQ(input.copied_, c.expectedCopy) << c.name;
  }
}

TEST(KeyInputEditTest, RestrictedInputsDropWhatTheyRefuse) {
  struct Case {
    int singleByteOnly;
    int numbersOnly;
    const char* keys;
    const char* expected;
  };
  const Case cases[] = {
      {0, 1, "-1-2.3.4a漢", "-12.34"},
      {0, 1, "12\x1A-", "-12"},
      {1, 0, "a漢b", "ab"},
      {0, 0, "a漢b", "a漢b"},
  };
  for (const Case& c : cases) {
    EditedInput input("", 16);
    input.record_.singleByteOnly = c.singleByteOnly;
    input.record_.numbersOnly = c.numbersOnly;
    input.Type(c.keys);
    EXPECT_EQ(input.Text(), c.expected) << c.keys;
  }
}

TEST(KeyInputEditTest, EnterEndsAndEscapeCancelsOnlyWhenAllowed) {
  EditedInput ended("ab", 8);
  ended.Type("\r");
  EXPECT_EQ(ended.record_.ended, 1);
  EXPECT_EQ(ended.record_.cancelled, 0);

  EditedInput cancelled("ab", 8);
  cancelled.record_.cancelAllowed = 1;
  cancelled.Type("\x1B");
  EXPECT_EQ(cancelled.record_.ended, 1);
  EXPECT_EQ(cancelled.record_.cancelled, 1);

  EditedInput kept("ab", 8);
  kept.Type("\x1B" "c");
  EXPECT_EQ(kept.record_.ended, 0);
  EXPECT_EQ(kept.Text(), "abc");
}

TEST(KeyInputEditTest, PasteAsksForTheClipboardAndViewFollowsAShorterText) {
  EditedInput input("abcdef", 8);
  input.record_.viewPosition = 5;
  input.Type("\x16\b\b\b");
  EXPECT_EQ(input.pastes_, 1);
  EXPECT_EQ(input.Text(), "abc");
  EXPECT_EQ(input.record_.viewPosition, 3);
}

TEST(KeyInputEditTest, ATerminatorByteIsNeverTyped) {
  EditedInput input("ab", 8);
  input.Type(std::string("x\0y", 3));
  EXPECT_EQ(input.Text(), "abxy");
  EXPECT_EQ(input.record_.length, 4);
}

TEST(KeyInputEditTest, CharactersAndWholeCharactersAreCountedByTheirBytes) {
  const std::string text = "a漢b字";  // bytes: a, 2, b, 2
  struct Case {
    int count;
    int chars;
    int fit;
  };
  const Case cases[] = {{-1, 0, 0}, {0, 0, 0}, {1, 1, 1}, {2, 2, 1},
                        {3, 2, 3},  {4, 3, 4}, {5, 4, 4}, {6, 4, 6}, {99, 4, 6}};
  for (const Case& c : cases) {
    EXPECT_EQ(CountCharsInBytes(text.c_str(), c.count, kCharsetShiftJis), c.chars) << c.count;
    EXPECT_EQ(FitWholeChars(text.c_str(), 6, c.count, kCharsetShiftJis), c.fit) << c.count;
  }
}

}  // namespace
