// Switches the library's log on into "Log.txt" in the test's working folder
// for the life of the object and reads back what was written.
#ifndef OMBREL_TESTS_SUPPORT_LOG_CAPTURE_H
#define OMBREL_TESTS_SUPPORT_LOG_CAPTURE_H

#include <string>

class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // The file's bytes as written.
  std::string Read() const;
  // The same with each line's leading "<milliseconds>:" turned into "#:".
  std::string ReadNormalized() const;
  // Starts the file anew (as start-up does).
  void Restart();

  static std::string Path();
};

// Replaces digits followed by a colon at the start of every line with "#:".
std::string NormalizeLogTimes(const std::string& text);

#endif
