#include "system/ime.h"

#include <imm.h>

#include "system/charset.h"
#include "system/key_input.h"
#include "system/message_pump.h"
#include "system/string_helpers.h"
#include "system/system_state.h"
#include "system/tracked_memory.h"

namespace {

ImeState& Ime() { return GetKeyInputState().ime; }

const ImmFunctions& Imm() { return GetSystemState().dlls.imm; }

// The main window's input context, released when it goes out of scope;
// empty when Imm32 or the context is missing.
class InputContext {
 public:
  InputContext() : window_(GetSystemState().run.mainWindow) {
    if (Imm().ImmGetContext) context_ = Imm().ImmGetContext(window_);
  }
  ~InputContext() {
    if (context_ && Imm().ImmReleaseContext) Imm().ImmReleaseContext(window_, context_);
  }
  InputContext(const InputContext&) = delete;
  InputContext& operator=(const InputContext&) = delete;

  HIMC__* get() const { return context_; }
  HWND window() const { return window_; }

 private:
  HWND window_;
  HIMC__* context_ = nullptr;
};

// Reads one of the composition's strings or data blocks; the bytes read,
// 0 when there are none or the IME reports an error.
int ReadComposition(HIMC__* context, DWORD index, void* buffer, int size) {
  if (!context || !Imm().ImmGetCompositionStringA) return 0;
  const LONG read = Imm().ImmGetCompositionStringA(context, index, buffer, static_cast<DWORD>(size));
  if (read < 0) return 0;
  return read > size ? size : static_cast<int>(read);
}

void ReadCompositionText(HIMC__* context, DWORD index, char* text) {
  FillBytes(text, 0, kImeTextCapacity + 1);
  ReadComposition(context, index, text, kImeTextCapacity);
}

void SetOpenStatus(BOOL open) {
  InputContext context;
  if (context.get() && Imm().ImmSetOpenStatus) Imm().ImmSetOpenStatus(context.get(), open);
}

void CancelComposition(HIMC__* context) {
  if (Imm().ImmNotifyIME) Imm().ImmNotifyIME(context, NI_COMPOSITIONSTR, CPS_CANCEL, 0);
}

void SetComposition(HIMC__* context, char* text) {
  if (!Imm().ImmSetCompositionStringA) return;
  Imm().ImmSetCompositionStringA(context, SCS_SETSTR, text,
                                 static_cast<DWORD>(StringLength(text)), nullptr, 0);
}

void OnComposition(LPARAM flags) {
  ImeState& ime = Ime();
  InputContext context;
  if (flags & GCS_COMPSTR) ReadCompositionText(context.get(), GCS_COMPSTR, ime.composition);
  if (flags & GCS_RESULTSTR) {
    FillBytes(ime.composition, 0, sizeof ime.composition);
    const int length =
        ReadComposition(context.get(), GCS_RESULTSTR, ime.composition, kImeTextCapacity);
    PushInputText(ime.composition, length);
    ReadCompositionText(context.get(), GCS_COMPSTR, ime.composition);
  }
  if ((flags & GCS_CURSORPOS) && context.get() && Imm().ImmGetCompositionStringA) {
    const LONG position =
        Imm().ImmGetCompositionStringA(context.get(), GCS_CURSORPOS, nullptr, 0);
    ime.compositionCursor =
        CountCharsInBytes(ime.composition, static_cast<int>(position), GetCharsetCode());
  }
  if (flags & GCS_COMPCLAUSE) {
    FillBytes(ime.clauses, 0, sizeof ime.clauses);
    ime.clauseCount =
        ReadComposition(context.get(), GCS_COMPCLAUSE, ime.clauses, kImeClauseSize) / 4;
  }
  if (flags & GCS_COMPATTR) {
    FillBytes(ime.attributes, 0, sizeof ime.attributes);
    ime.attributeLength =
        ReadComposition(context.get(), GCS_COMPATTR, ime.attributes, kImeAttributeSize);
  }
}

void ReadCandidateList() {
  ImeState& ime = Ime();
  InputContext context;
  if (!context.get() || !Imm().ImmGetCandidateListA) return;
  const DWORD size = Imm().ImmGetCandidateListA(context.get(), 0, nullptr, 0);
  if (size == 0) {
    AppendLogFormat("漢字変換候補のデータサイズが０でした  DefHWND:%llx IMC:%llx\n",
                    static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(context.window())),
                    static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(context.get())));
    return;
  }
  FreeImeCandidateList();
  void* list = TRACKED_ALLOC(size);
  if (!list) {
    ExitWithErrorFormat(
        "漢字変換候補を保存するメモリの確保に失敗しました( 確保しようとしたサイズ %d バイト )",
        static_cast<int>(size));
  }
  ime.candidateList = list;
  ime.candidateListSize = static_cast<int>(size);
  if (Imm().ImmGetCandidateListA(context.get(), 0, static_cast<CANDIDATELIST*>(list), size) ==
      0) {
    FreeImeCandidateList();
    AppendLogFormat("漢字変換候補の取得に失敗しました  BufSize:%d\n", static_cast<int>(size));
  }
}

// The IME changes its open status in steps of its own; the passes let it
// finish before the status is read.
void FollowOpenStatusChange(HWND window, WPARAM wParam, LPARAM lParam) {
  ImeState& ime = Ime();
  if (ime.changingOpenStatus) return;
  ime.changingOpenStatus = 1;
  DefWindowProcA(window, WM_IME_NOTIFY, wParam, lParam);
  const int64_t start = GetTickMicroseconds(0);
  while (PumpMessagesCore() == 0 &&
         GetTickMicroseconds(0) - start < kImeOpenStatusPassMicroseconds) {
  }
  InputContext context;
  if (context.get() && Imm().ImmGetOpenStatus) {
    ime.open = Imm().ImmGetOpenStatus(context.get()) ? 1 : 0;
  }
  ime.changingOpenStatus = 0;
}

LRESULT OnNotify(HWND window, WPARAM wParam, LPARAM lParam) {
  switch (wParam) {
    case IMN_CHANGECANDIDATE:
    case IMN_OPENCANDIDATE:
    case IMN_SETCANDIDATEPOS:
      ReadCandidateList();
      return 0;
    case IMN_CLOSECANDIDATE:
      FreeImeCandidateList();
      return 0;
    case IMN_SETOPENSTATUS:
      FollowOpenStatusChange(window, wParam, lParam);
      return 0;
    default:
      return DefWindowProcA(window, WM_IME_NOTIFY, wParam, lParam);
  }
}

}  // namespace

LRESULT HandleImeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ImeState& ime = Ime();
  RestartKeyInputCursorBlink();
  switch (message) {
    case WM_IME_STARTCOMPOSITION:
      ime.composing = 1;
      ime.compositionCursor = 0;
      return 0;
    case WM_IME_ENDCOMPOSITION:
      FillBytes(ime.composition, 0, sizeof ime.composition);
      ime.composing = 0;
      return 0;
    case WM_IME_COMPOSITION:
      OnComposition(lParam);
      return 0;
    case WM_IME_SETCONTEXT:
      // The key input draws the composition itself, so no IME window is shown.
      return DefWindowProcA(window, message, wParam, 0);
    case WM_IME_NOTIFY:
      return OnNotify(window, wParam, lParam);
    default:
      return 0;
  }
}

int SetImeUse(int flag) {
  ImeState& ime = Ime();
  if (flag == ime.use) return 0;
  const SystemState& state = GetSystemState();
  if (state.dlls.user32.WINNLSEnableIME) {
    state.dlls.user32.WINNLSEnableIME(state.run.mainWindow, flag);
  }
  ime.use = flag;
  if (!flag) {
    FreeImeCandidateList();
    FillBytes(ime.composition, 0, sizeof ime.composition);
    ime.composing = 0;
  }
  return 0;
}

void FreeImeCandidateList() {
  ImeState& ime = Ime();
  FreeTrackedMemory(ime.candidateList);
  ime.candidateList = nullptr;
  ime.candidateListSize = 0;
}

void StartImeReopenIfOpen() {
  ImeState& ime = Ime();
  if (ime.use && ime.open) ime.reopenStage = 1;
}

void RunImeReopenSequence() {
  ImeState& ime = Ime();
  for (int stage = ime.reopenStage; stage >= 1 && stage <= 4; ++stage) {
    switch (stage) {
      case 1: {
        InputContext context;
        if (context.get()) {
          FillBytes(ime.composition, 0, sizeof ime.composition);
          ReadCompositionText(context.get(), GCS_COMPSTR, ime.keptComposition);
          CancelComposition(context.get());
        }
        break;
      }
      case 2:
        SetOpenStatus(FALSE);
        break;
      case 3:
        SetOpenStatus(TRUE);
        break;
      default: {
        InputContext context;
        if (context.get()) {
          if (Imm().ImmSetOpenStatus) Imm().ImmSetOpenStatus(context.get(), TRUE);
          SetComposition(context.get(), ime.keptComposition);
        }
        break;
      }
    }
  }
  ime.reopenStage = 0;
}

void LimitImeComposition(int length, int maxLength) {
  ImeState& ime = Ime();
  const int n = static_cast<int>(StringLength(ime.composition));
  int limit = 65536;
  bool applied = false;
  if (ime.limitToRoom && length + n > maxLength) {
    limit = maxLength - length;
    applied = true;
  }
  if (ime.maxCompositionLength > 0 && n > ime.maxCompositionLength) {
    if (ime.maxCompositionLength < limit) limit = ime.maxCompositionLength;
    applied = true;
  }
  if (!applied) return;
  InputContext context;
  if (!context.get()) return;
  char text[kImeTextCapacity + 1] = {};
  const int read = ReadComposition(context.get(), GCS_COMPSTR, text, kImeTextCapacity);
  if (read <= limit) return;
  text[FitWholeChars(text, read, limit < 0 ? 0 : limit, GetCharsetCode())] = '\0';
  CancelComposition(context.get());
  SetComposition(context.get(), text);
}
