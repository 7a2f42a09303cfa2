// The game's error boxes: a message captioned "ERROR" with the error icon,
// owned by the main window. After ShowErrorMessage the game carries on; every
// load failure of the game reports through it.
#ifndef MOONLITCAIRN_ERROR_MESSAGE_H
#define MOONLITCAIRN_ERROR_MESSAGE_H

// Formats into a 1024-byte text and shows it; returns the box's result, or -1
// (nothing shown) when the formatting fails.
int ShowErrorMessage(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));

// Formats at most 127 characters, shows them in the box, ends the library and
// the process with exit code -1.
[[noreturn]] void ShowFatalError(const char* format, ...)
    __attribute__((format(gnu_printf, 1, 2)));

// Where the formatted text goes instead of the box; null restores the box.
// Tests capture the messages here, since nothing may wait on a modal box.
using ErrorMessageHandler = int (*)(const char* text);
ErrorMessageHandler SetErrorMessageHandler(ErrorMessageHandler handler);

#endif
