#include "ErrorMessage.h"

#include <stdarg.h>
#include <stdio.h>

#include <windows.h>

#include "Ombrel.h"

namespace {

int ShowErrorBox(const char* text) {
  return MessageBoxA(GetMainWindow(), text, "ERROR", MB_OK | MB_ICONERROR);
}

ErrorMessageHandler errorHandler = nullptr;

}  // namespace

ErrorMessageHandler SetErrorMessageHandler(ErrorMessageHandler handler) {
  ErrorMessageHandler previous = errorHandler;
  errorHandler = handler;
  return previous;
}

int ShowErrorMessage(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  const int length = vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (length < 0) return -1;
  return errorHandler != nullptr ? errorHandler(text) : ShowErrorBox(text);
}

void ShowFatalError(const char* format, ...) {
  char text[128];
  va_list args;
  va_start(args, format);
  const int length = vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (length >= 0) {
    if (errorHandler != nullptr) {
      errorHandler(text);
    } else {
      ShowErrorBox(text);
    }
  }
  EndLibrary();
  fflush(stdout);
  ExitProcess(static_cast<UINT>(-1));
}
