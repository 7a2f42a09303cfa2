// Starting and ending the library in tests: the window settings made before
// start-up, a title no other test process uses, and a child run of the test
// executable for behaviour that ends the process.
#ifndef OMBREL_TESTS_SUPPORT_LIBRARY_SESSION_H
#define OMBREL_TESTS_SUPPORT_LIBRARY_SESSION_H

#include <windows.h>

#include <memory>
#include <string>

#include <gtest/gtest.h>

// stem + the process id, so that parallel test processes never meet as a
// second running copy.
std::string UniqueWindowTitle(const char* stem);

// Forgets the window settings (title, class name, scale, mode) that a
// previous start-up in this process left behind.
void ResetWindowSettings();

struct LibraryOptions {
  std::string title;  // empty: no title set
  int screenWidth = 320;
  int screenHeight = 240;
  double scale = 1.0;
  int runWhileInactive = 0;
  bool hardware = false;  // lets the library make a Direct3D device
};

// Makes the settings and starts the library; ends it when destroyed.
class LibrarySession {
 public:
  explicit LibrarySession(const LibraryOptions& options);
  ~LibrarySession();
  LibrarySession(const LibrarySession&) = delete;
  LibrarySession& operator=(const LibrarySession&) = delete;

  int result() const { return result_; }

 private:
  int result_;
};

// A test case that runs with the library started: a 320 x 240 screen at
// scale 2 in a window of the process's own title, the queue drained.
class StartedLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::unique_ptr<LibrarySession> session_;
  HWND window_ = nullptr;
};

// Dispatches what is waiting until a PumpMessages call finds the queue empty.
void DrainMessages();

// The name of the child role this process runs in ("" in a normal run).
std::string ChildRole();
// Runs this test executable again with only the given test and the role in
// its environment; returns its exit code, or -2 when it did not end within
// the time.
int RunChildTest(const char* testName, const char* role, unsigned timeoutMilliseconds);

#endif
