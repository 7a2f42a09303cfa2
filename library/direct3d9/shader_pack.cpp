#include "direct3d9/shader_pack.h"

#include "system/archive.h"
#include "system/tracked_memory.h"

namespace {

struct ShaderPackState {
  Archive archive;
  uint8_t* archiveImage;
  uint8_t* pack;
  const uint8_t* vertexCode[kPackVertexShaderCount];
  const uint8_t* pixelCode[kPackPixelShaderCount];
};

ShaderPackState packState = {};

uint8_t* DecodeBlock(const void* block) {
  int size = DecodeLz(block, nullptr);
  if (size <= 0) return nullptr;
  uint8_t* out = static_cast<uint8_t*>(TRACKED_ALLOC(static_cast<size_t>(size)));
  if (!out) return nullptr;
  if (DecodeLz(block, out) != size) {
    FreeTrackedMemory(out);
    return nullptr;
  }
  return out;
}

int SizeAt(const uint8_t* pack, size_t entry) { return pack[entry * 2] | pack[entry * 2 + 1] << 8; }

}  // namespace

int IndexShaderPack(const uint8_t* pack, size_t size, const uint8_t** vertexCode,
                    const uint8_t** pixelCode) {
  if (size < kPackCodeOffset) return -1;
  size_t cursor = kPackCodeOffset;
  for (size_t entry = 0; entry < kPackVertexShaderCount + kPackPixelShaderCount; ++entry) {
    int bytes = SizeAt(pack, entry);
    const uint8_t* code = nullptr;
    if (bytes != 0) {
      // A size that runs past the end would point the device at foreign memory.
      if (bytes > static_cast<int>(size - cursor)) return -1;
      code = pack + cursor;
      cursor += bytes;
    }
    if (entry < kPackVertexShaderCount)
      vertexCode[entry] = code;
    else
      pixelCode[entry - kPackVertexShaderCount] = code;
  }
  return 0;
}

int LoadShaderPack() {
  ShaderPackState& s = packState;
  if (s.pack) return 1;
  // A previous attempt that failed half-way starts again from nothing.
  FreeShaderPack();
  ClearArchive(&s.archive);
  s.archiveImage = DecodeBlock(kShaderArchiveBlock);
  if (!s.archiveImage) return 0;
  int imageSize = DecodeLz(kShaderArchiveBlock, nullptr);
  if (OpenArchiveFromMemory(&s.archive, s.archiveImage, imageSize, nullptr) != 0) {
    FreeShaderPack();
    return 0;
  }
  int offset = 0, unpackedSize = 0;
  // A pack missing from the archive is treated like one that cannot be
  // loaded: drawing stays with the fixed-function pipeline.
  if (GetArchiveFileInfo(&s.archive, kShaderPackFileName, &offset, &unpackedSize) != 0) return 0;
  const uint8_t* block = GetArchiveImage(&s.archive) + offset;
  uint8_t* pack = DecodeBlock(block);
  if (!pack) return 0;
  if (DecodeLz(block, nullptr) != unpackedSize ||
      IndexShaderPack(pack, static_cast<size_t>(unpackedSize), s.vertexCode, s.pixelCode) != 0) {
    FreeTrackedMemory(pack);
    return 0;
  }
  s.pack = pack;
  return 1;
}

void FreeShaderPack() {
  ShaderPackState& s = packState;
  if (s.archiveImage) CloseArchive(&s.archive);
  if (s.archiveImage) FreeTrackedMemory(s.archiveImage);
  if (s.pack) FreeTrackedMemory(s.pack);
  s = ShaderPackState{};
}

const uint8_t* GetPackVertexShaderCode(int index) {
  if (!packState.pack || index < 0 || index >= kPackVertexShaderCount) return nullptr;
  return packState.vertexCode[index];
}

const uint8_t* GetPackPixelShaderCode(int index) {
  if (!packState.pack || index < 0 || index >= kPackPixelShaderCount) return nullptr;
  return packState.pixelCode[index];
}
