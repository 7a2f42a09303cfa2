// The test executables' entry: runs the tests, then ends the process at once.
// Wine sometimes hangs or faults inside its own DLL detach when a process that
// used windows, sound or Direct3D exits on a loaded machine; the results are
// already written by then, so the exit path is skipped. Each test cleans up
// what it starts and checks that itself.
#include <windows.h>

#include <cstdio>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  std::fflush(stdout);
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(result));
  return result;
}
