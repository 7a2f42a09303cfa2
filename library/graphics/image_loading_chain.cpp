#include <cstring>

#include "graphics/dxt_decompress.h"
#include "graphics/graph_image.h"
#include "graphics/image_loaders.h"
#include "system/charset.h"
#include "system/path_chars.h"
#include "system/string_helpers.h"
#include "system/tracked_memory.h"

namespace {

constexpr int kMaxUserLoaders = 10;
constexpr size_t kDibInfoBytes = 1068;  // header, 256 palette entries and a spare word
constexpr size_t kAlphaNameBytes = 260;

// Loaders a program may put before the built-in ones; nothing fills the list
// yet, so the chain goes straight to the built-in loaders.
struct UserGraphImageLoaders {
  GraphImageLoader loaders[kMaxUserLoaders];
  int count;
};
UserGraphImageLoaders userLoaders{};

const GraphImageLoader kDefaultGraphImageLoaders[] = {
    DecodeBmpImage, DecodeJpegImage, DecodePngImage, DecodeBgraImage, DecodeTgaImage,
    DecodeDdsImage, nullptr,
};

bool TryLoader(GraphImageLoader loader, const SourceStream* stream, GraphImage* image) {
  SeekSource(*stream, 0, 0);
  *image = GraphImage{};
  return loader(stream, image) == 0;
}

// An open file or memory block, closed with the function that matches how it
// was opened.
class OpenedSource {
 public:
  OpenedSource(const char* fileName, const void* memory, int memorySize, int fromMemory) {
    if (fromMemory) {
      if (!memory || memorySize < 0) return;
      MemoryStream* block = OpenMemoryStream(memory, memorySize);
      if (block) stream_ = MakeSourceStream(GetMemoryStreamOps(), block);
    } else {
      if (!fileName) return;
      StreamHandle file = OpenStream(fileName, 0, 1, 0);
      if (file) stream_ = MakeSourceStream(GetFileStreamOps(), reinterpret_cast<void*>(file));
    }
  }
  ~OpenedSource() { Close(); }
  OpenedSource(const OpenedSource&) = delete;
  OpenedSource& operator=(const OpenedSource&) = delete;

  bool IsOpen() const { return stream_.data != nullptr; }
  const SourceStream* Get() const { return &stream_; }
  void Close() {
    if (stream_.data) stream_.close(stream_.data);
    stream_.data = nullptr;
  }

 private:
  SourceStream stream_{};
};

}  // namespace

int DecodeGraphImage(const SourceStream* stream, GraphImage* image) {
  *image = GraphImage{};
  for (int i = 0; i < userLoaders.count; ++i) {
    if (TryLoader(userLoaders.loaders[i], stream, image)) return 0;
  }
  for (const GraphImageLoader* loader = kDefaultGraphImageLoaders; *loader; ++loader) {
    if (TryLoader(*loader, stream, image)) return 0;
  }
  *image = GraphImage{};
  return -1;
}

int ReadGraphImageOrDib(const char* fileName, const void* memory, int memorySize, int fromMemory,
                        int dib, int mirror, GraphImage* image, tagBITMAPINFO** bitmapInfo,
                        void** bits) {
  OpenedSource source(fileName, memory, memorySize, fromMemory);
  if (!source.IsOpen()) return -1;
  GraphImage decoded{};
  if (DecodeGraphImage(source.Get(), &decoded) != 0) return -1;
  if (fromMemory) source.Close();

  if (mirror == 1) {
    // The mirrored rows replace the top level only, so the copy keeps no mip
    // levels that would no longer match it.
    if (DecompressDxtGraphImage(&decoded) != 0 || MirrorGraphImage(&decoded) != 0) {
      FreeGraphImage(&decoded);
      return -1;
    }
    decoded.mipLevels = 0;
  }

  if (dib) {
    if (DecompressDxtGraphImage(&decoded) != 0) {
      FreeGraphImage(&decoded);
      return -1;
    }
    auto* info = static_cast<tagBITMAPINFO*>(TRACKED_ALLOC(kDibInfoBytes));
    if (!info) {
      FreeGraphImage(&decoded);
      return -1;
    }
    int result = ConvertGraphImageToDib(&decoded, info, bits, 0, 0);
    if (result == -1) {
      FreeTrackedMemory(info);
      FreeGraphImage(&decoded);
      return -1;
    }
    // Result 0 hands the image's own pixels to the caller as the DIB bits.
    if (result == 1) FreeGraphImage(&decoded);
    *bitmapInfo = info;
    return 0;
  }

  *image = decoded;
  return 0;
}

int ReadGraphImage(const char* fileName, const void* memory, int memorySize, int fromMemory,
                   GraphImage* image, int mirror) {
  return ReadGraphImageOrDib(fileName, memory, memorySize, fromMemory, 0, mirror, image, nullptr,
                             nullptr);
}

int ReadGraphImageWithAlpha(const char* fileName, const void* memory, int memorySize,
                            int fromMemory, const void* alphaMemory, int alphaMemorySize,
                            int alphaMode, GraphImage* image, GraphImage* alphaImage, int mirror) {
  if (ReadGraphImage(fileName, memory, memorySize, fromMemory, image, mirror) != 0) return -1;
  if (!alphaImage) return 1;
  int read = -1;
  if (alphaMode == 0) {
    char alphaName[kAlphaNameBytes];
    if (fileName && MakeAlphaFileName(fileName, alphaName, sizeof alphaName) == 0) {
      read = ReadGraphImage(alphaName, nullptr, 0, 0, alphaImage, mirror);
    }
  } else if (alphaMode == 1 && alphaMemory) {
    read = ReadGraphImage(nullptr, alphaMemory, alphaMemorySize, 1, alphaImage, mirror);
  }
  if (read == 0) return 0;
  *alphaImage = GraphImage{};
  return 1;
}

int MakeAlphaFileName(const char* fileName, char* out, size_t outSize) {
  // Only a dot in the last path element starts the extension, so a folder
  // such as "..\data" never gets the "_a".
  const int charset = GetCharsetCode();
  size_t dot = static_cast<size_t>(-1);
  const char* last = LastPathSeparator(fileName, charset);
  for (const char* p = last ? last + 1 : fileName; *p; p += PathCharLength(p, charset)) {
    if (*p == '.') dot = static_cast<size_t>(p - fileName);
  }
  const size_t length = StringLength(fileName);
  if (dot == static_cast<size_t>(-1)) dot = length;
  if (length + 3 > outSize) return -1;
  std::memcpy(out, fileName, dot);
  out[dot] = '_';
  out[dot + 1] = 'a';
  std::memcpy(out + dot + 2, fileName + dot, length - dot + 1);
  return 0;
}
