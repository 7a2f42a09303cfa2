#include "support/library_session.h"

#include <windows.h>

#include <cstdlib>

#include "Ombrel.h"
#include "graphics/screen_settings.h"
#include "system/system_state.h"

namespace {
constexpr char kChildRoleVariable[] = "OMBREL_TEST_CHILD_ROLE";
}  // namespace

std::string UniqueWindowTitle(const char* stem) {
  return std::string(stem) + "-" + std::to_string(GetCurrentProcessId());
}

void ResetWindowSettings() {
  SystemSettings& settings = GetSystemState().settings;
  settings.windowTitle[0] = '\0';
  settings.windowClassName[0] = '\0';
  settings.windowScaleX = 0.0;
  settings.windowScaleY = 0.0;
  settings.runWhileInactive = 0;
  settings.windowMode = 1;
}

LibrarySession::LibrarySession(const LibraryOptions& options) {
  ResetWindowSettings();
  if (!options.title.empty()) SetMainWindowTitle(options.title.c_str());
  EnableHardwareRender(options.hardware ? 1 : 0);
  SetScreenMode(options.screenWidth, options.screenHeight, 32, 60);
  SetWindowScale(options.scale, -1.0);
  SetRunWhileInactive(options.runWhileInactive);
  result_ = InitLibrary();
}

LibrarySession::~LibrarySession() { EndLibrary(); }

void StartedLibraryTest::SetUp() {
  LibraryOptions options;
  options.title = UniqueWindowTitle("Started");
  options.scale = 2.0;
  session_ = std::make_unique<LibrarySession>(options);
  ASSERT_EQ(session_->result(), 0);
  window_ = GetMainWindow();
  DrainMessages();
  GetSystemState().run.active = 1;
}

void StartedLibraryTest::TearDown() { session_.reset(); }

void DrainMessages() {
  MSG message;
  for (int i = 0; i < 100 && PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE); ++i) {
    if (PumpMessages() != 0) return;
  }
}

std::string ChildRole() {
  const char* role = std::getenv(kChildRoleVariable);
  return role ? role : "";
}

int RunChildTest(const char* testName, const char* role, unsigned timeoutMilliseconds) {
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, sizeof exe);
  std::string command = std::string("\"") + exe + "\" --gtest_filter=" + testName;
  SetEnvironmentVariableA(kChildRoleVariable, role);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  const BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                                      nullptr, &startup, &process);
  SetEnvironmentVariableA(kChildRoleVariable, nullptr);
  if (!started) return -3;
  int code = -2;
  if (WaitForSingleObject(process.hProcess, timeoutMilliseconds) == WAIT_OBJECT_0) {
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    code = static_cast<int>(exitCode);
  } else {
    TerminateProcess(process.hProcess, 99);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}
