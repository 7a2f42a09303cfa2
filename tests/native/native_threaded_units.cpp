// What the threaded units of the thread-sanitizer build reach of the
// platform-bound library beyond the Win32 calls of native_threads.cpp.
// Nothing here decides anything a test checks.
#include <unistd.h>

#include "Ombrel.h"
#include "sound/theora_decoder.h"
#include "system/api_guard.h"
#include "system/system_info.h"
#include "system/win_file.h"

// The guard's record, which the Windows build keeps in the system state.
ApiGuard& GetApiGuard() {
  static ApiGuard guard;
  return guard;
}

int GetProcessorCount() { return static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN)); }

// The folder and search calls of the Windows-file table; the tests read named
// files only, and these refuse.
int SetWinFileDir(const char*) { return -1; }
int GetWinFileDir(char* buffer) {
  buffer[0] = 0;
  return 0;
}
intptr_t FindFirstWinFile(const char*, FileFindData*) { return -1; }
int FindNextWinFile(intptr_t, FileFindData*) { return -1; }
int FindCloseWinFile(intptr_t) { return -1; }

// The decoder's Direct3D side as it is with no device in use: no surface is
// made, so frames are converted into the image only.
void ReleaseTheoraYUVSurface(TheoraDecoder* decoder) { decoder->yuvSurface = nullptr; }
int CreateTheoraYUVSurface(TheoraDecoder* decoder) {
  decoder->yuvSurface = nullptr;
  decoder->yuvFourCC = 0;
  return 0;
}
int CopyTheoraFrameToSurface(TheoraDecoder*, const TheoraFrameSlot&) { return 0; }
