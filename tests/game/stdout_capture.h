// Collects what the game prints on standard output (its traces) while it
// lives: the C runtime's descriptor 1 is pointed at a file for the time.
#ifndef MOONLITCAIRN_TESTS_STDOUT_CAPTURE_H
#define MOONLITCAIRN_TESTS_STDOUT_CAPTURE_H

#include <fcntl.h>
#include <io.h>
#include <stdio.h>

#include <string>

class StdoutCapture {
 public:
  StdoutCapture() {
    fflush(stdout);
    m_saved = _dup(1);
    m_file = _open("stdout_capture.txt", _O_CREAT | _O_TRUNC | _O_RDWR | _O_BINARY, 0666);
    _dup2(m_file, 1);
  }
  ~StdoutCapture() { Restore(); }
  StdoutCapture(const StdoutCapture&) = delete;
  StdoutCapture& operator=(const StdoutCapture&) = delete;

  // Everything printed so far, line breaks as "\n"; printing goes back to where it went before.
  std::string Take() {
    Restore();
    std::string text;
    FILE* file = fopen("stdout_capture.txt", "rb");
    if (file == nullptr) return text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    fclose(file);
    // Text-mode output turns each line break into CR LF.
    std::string lines;
    for (char c : text) {
      if (c != '\r') lines += c;
    }
    return lines;
  }

 private:
  void Restore() {
    if (m_saved == -1) return;
    fflush(stdout);
    _dup2(m_saved, 1);
    _close(m_saved);
    _close(m_file);
    m_saved = -1;
  }
  int m_saved = -1;
  int m_file = -1;
};

#endif
