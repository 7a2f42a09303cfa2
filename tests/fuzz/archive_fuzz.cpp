// An archive image from memory: opened with and without a key, then walked
// (searches from the root and every folder found), looked up and read.
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "system/archive.h"
#include "system/archive_file.h"
#include "system/tracked_memory.h"

namespace {

void ReadEntry(Archive* archive, const std::string& path) {
  ArchiveFile file{};
  if (OpenArchiveEntry(&file, archive, path.c_str(), 0) != 0) return;
  uint8_t buffer[4096];
  while (ReadArchiveFile(&file, buffer, sizeof buffer) > 0) {
  }
  SeekArchiveFile(&file, 0, 0);
  ReadArchiveFile(&file, buffer, 7);
  CloseArchiveFile(&file);
}

void Walk(Archive* archive, const std::string& folder, int depth) {
  if (depth > 4) return;
  FileFindData data{};
  ArchiveFindState* state = FindFirstInArchive(archive, (folder + "*").c_str(), &data);
  if (state == nullptr) return;
  int count = 0;
  do {
    const std::string name = data.name;
    if (name == "." || name == "..") continue;
    if (data.isDirectory) {
      Walk(archive, folder + name + "\\", depth + 1);
    } else {
      int offset = 0, size = 0;
      GetArchiveFileInfo(archive, (folder + name).c_str(), &offset, &size);
      ReadEntry(archive, folder + name);
    }
  } while (++count < 64 && FindNextInArchive(state, &data) == 0);
  FreeTrackedMemory(state);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  for (const char* key : {static_cast<const char*>(nullptr), "key"}) {
    std::vector<uint8_t> image(data, data + size);
    Archive archive{};
    ClearArchive(&archive);
    if (OpenArchiveFromMemory(&archive, image.data(), static_cast<int>(image.size()), key) != 0) continue;
    Walk(&archive, "", 0);
    ReadEntry(&archive, "A.TXT");
    ChangeArchiveDir(&archive, "DIR\\SUB", 1, nullptr);
    CloseArchive(&archive);
  }
  return 0;
}
