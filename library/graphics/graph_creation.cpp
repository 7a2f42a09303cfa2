#include "graphics/graph_creation.h"

#include <cstring>

#include "direct3d9/device_services.h"
#include "graphics/draw_state.h"
#include "graphics/draw_target.h"
#include "graphics/dxt_decompress.h"
#include "graphics/graph_bitmap_source.h"
#include "graphics/graph_handles.h"
#include "graphics/graph_textures.h"
#include "graphics/screen_images.h"
#include "graphics/screen_settings.h"
#include "software_renderer/fill_rect.h"
#include "software_renderer/soft_image_convert.h"
#include "system/message_pump.h"
#include "graphics/graph_image.h"
#include "system/tracked_memory.h"

namespace {

int Clamp255(int value) { return value < 0 ? 0 : (value > 255 ? 255 : value); }

bool GraphicsSetUp() { return GetScreenSettings().graphicsSetUp != 0; }

// Block-compressed images are decoded into a copy of their own, so that the
// caller's image stays as it was.
class PlainImage {
 public:
  explicit PlainImage(const GraphImage* image) : source_(image) {
    if (!image || image->format.compression == kCompressionNone) return;
    size_t bytes = 0;
    if (!ComputeDxtDataSize(image->width, image->height, image->format.compression, 1, &bytes)) {
      failed_ = true;
      return;
    }
    copy_ = *image;
    copy_.pixels = AllocGraphImageMemory(bytes);
    if (!copy_.pixels) {
      failed_ = true;
      return;
    }
    std::memcpy(copy_.pixels, image->pixels, bytes);
    copy_.mipLevels = 0;
    if (DecompressDxtGraphImage(&copy_) != 0) failed_ = true;
    source_ = &copy_;
  }
  ~PlainImage() { FreeGraphImage(&copy_); }
  PlainImage(const PlainImage&) = delete;
  PlainImage& operator=(const PlainImage&) = delete;

  bool failed() const { return failed_; }
  const GraphImage* get() const { return source_; }

 private:
  const GraphImage* source_;
  GraphImage copy_ = {};
  bool failed_ = false;
};

// A palette original's transparent value: the first entry of the
// transparent colour, compared at the palette's depth.
void SetPaletteTransparentIndex(SoftImgBody* body, uint32_t transColor) {
  const bool is32 = body->colorType == kSoftImgColor32;
  uint32_t key = transColor & 0x00FFFFFF;
  if (!is32) key = (key >> 8 & 0xF800) | (key >> 5 & 0x07E0) | (key >> 3 & 0x001F);
  body->transparentColor = 0;
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t entry = 0;
    if (is32) {
      std::memcpy(&entry, body->paletteBlock + 4 * i, 4);
      entry &= 0x00FFFFFF;
    } else {
      uint16_t e16;
      std::memcpy(&e16, body->paletteBlock + 2 * i, 2);
      entry = e16;
    }
    if (entry == key) {
      body->transparentColor = i;
      return;
    }
  }
}

int TransferImageToGraphPixels(const GraphImage* image, const GraphImage* alphaImage,
                               const IntRect& source, int destX, int destY, GraphRecord* record) {
  FlushVertexBatch();
  if (source.right <= source.left || source.bottom <= source.top) return 0;
  if (destX < 0 || destY < 0) return -1;
  int width = source.right - source.left;
  int height = source.bottom - source.top;
  if (width > record->width - destX) width = record->width - destX;
  if (height > record->height - destY) height = record->height - destY;
  if (width <= 0 || height <= 0) return -1;
  const PlainImage plain(image);
  const PlainImage plainAlpha(alphaImage);
  if (plain.failed() || plainAlpha.failed()) return -1;
  GraphOriginalImage* original = record->original;
  const int transFlag = GetDrawState().noTransColor ? 0 : 1;
  if (ConvertGraphImageToSoftImg(plain.get(), plainAlpha.get(), &original->image, source.left,
                                 source.top, width, height, record->originalX + destX,
                                 record->originalY + destY, transFlag) < 0) {
    return -1;
  }
  if (original->palette) {
    SetPaletteTransparentIndex(original->image.body, original->transparentColor);
  }
  MarkGraphPixelsChanged(original);
  return 0;
}

// The images to transfer: the caller's, or views of its two bitmaps.
bool PickSources(const ColorFormat* format, HBITMAP__* bitmap, HBITMAP__* alphaBitmap,
                 int bitmapFlag, const GraphImage*& image, const GraphImage*& alphaImage,
                 GraphImage* bitmapImage, GraphImage* alphaBitmapImage) {
  if (!bitmapFlag) return true;
  if (DescribeBitmapImage(bitmap, format, bitmapImage) != 0) return false;
  image = bitmapImage;
  alphaImage = nullptr;
  if (alphaBitmap) {
    if (DescribeBitmapImage(alphaBitmap, format, alphaBitmapImage) != 0) return false;
    alphaImage = alphaBitmapImage;
  }
  return true;
}

void MirrorPair(GraphImage* image, GraphImage* alphaImage) {
  if (image) MirrorGraphImage(image);
  if (alphaImage && alphaImage->pixels) MirrorGraphImage(alphaImage);
}

GraphImage* AlphaOrNull(GraphImage* alphaImage) {
  return alphaImage && alphaImage->pixels ? alphaImage : nullptr;
}

}  // namespace

int SetGraphCreateColorBits(int bits) {
  GetDrawState().createColorBits = bits;
  return 0;
}

int GetGraphCreateColorBits() { return GetDrawState().createColorBits; }

int SetDrawValidGraphCreateFlag(int flag) {
  GetDrawState().createDrawValid = flag;
  return 0;
}

int GetDrawValidGraphCreateFlag() { return GetDrawState().createDrawValid; }

int SetAlphaTestGraphCreateFlag(int flag) {
  GetDrawState().createAlphaTest = flag;
  return 0;
}

int GetAlphaTestGraphCreateFlag() { return GetDrawState().createAlphaTest; }

int SetEmptyGraphAlphaFlag(int flag) {
  GetDrawState().createEmptyGraphAlpha = flag;
  return 0;
}

int GetEmptyGraphAlphaFlag() { return GetDrawState().createEmptyGraphAlpha; }

int SetSystemMemoryCopyFlag(int flag) {
  GetDrawState().createSystemMemoryCopy = flag;
  return 0;
}

int GetSystemMemoryCopyFlag() { return GetDrawState().createSystemMemoryCopy; }

int GetMovieGraphCreateFlag() { return GetDrawState().movieGraphCreating; }

int EnableGraphTransColor(int flag) {
  GetDrawState().noTransColor = flag == 0 ? 1 : 0;
  return 0;
}

int SetGraphTransColor(int red, int green, int blue) {
  if (GetScreenSettings().colorBits == 8) return 0;
  GetDrawState().transColor = static_cast<uint32_t>(Clamp255(red)) << 16 |
                              static_cast<uint32_t>(Clamp255(green)) << 8 |
                              static_cast<uint32_t>(Clamp255(blue));
  return 0;
}

int CreateEmptyGraph(int width, int height, int) {
  WaitWhileInactive();
  const int graph = AddGraphHandle();
  if (SetupGraphOriginalImage(-1, graph, width, height, GetDrawState().createEmptyGraphAlpha, 0,
                              0) != 0) {
    return -1;
  }
  return graph;
}

int CreateGraphForGraphImage(const GraphImage* image, const GraphImage* alphaImage, int) {
  if (!GraphicsSetUp() || !image) return -1;
  WaitWhileInactive();
  if (alphaImage &&
      (alphaImage->width != image->width || alphaImage->height != image->height)) {
    return -1;
  }
  const ColorFormat& format = image->format;
  const int alpha = format.alphaWidth != 0 || alphaImage ? 1 : 0;
  const int palette = format.bytesPerPixel == 1 && format.alphaWidth == 0 && !alphaImage ? 1 : 0;
  const int graph = AddGraphHandle();
  if (SetupGraphOriginalImage(image->mipLevels ? image->mipLevels : -1, graph, image->width,
                              image->height, alpha, palette,
                              static_cast<int>(format.compression)) != 0) {
    return -1;
  }
  return graph;
}

int CreateGraphFromGraphImagePair(GraphImage* image, GraphImage* alphaImage, int unusedFlag,
                                  int mirrorFlag, int mirrorImageFlag) {
  if (!image) return -1;
  alphaImage = AlphaOrNull(alphaImage);
  UpdateColorFormatUnusedMask(&image->format);
  if (alphaImage) UpdateColorFormatUnusedMask(&alphaImage->format);
  const bool mirror = mirrorFlag == 1 && mirrorImageFlag == 1;
  if (mirror) MirrorPair(image, alphaImage);
  int graph = CreateGraphForGraphImage(image, alphaImage, unusedFlag);
  if (graph != -1 && TransferGraphImageToGraph(nullptr, nullptr, nullptr, nullptr, 0, image,
                                               alphaImage, 0, 0, graph, 0) != 0) {
    // A graph whose pixels could not be filled would show whatever the new
    // image held; the caller gets no half-made graph.
    RemoveGraph(graph, 0);
    graph = -1;
  }
  if (mirror) MirrorPair(image, alphaImage);
  return graph;
}

int UpdateGraphFromGraphImagePair(GraphImage* image, GraphImage* alphaImage, int graph, int,
                                  int mirrorFlag, int mirrorImageFlag) {
  if (!image) return -1;
  alphaImage = AlphaOrNull(alphaImage);
  UpdateColorFormatUnusedMask(&image->format);
  if (alphaImage) UpdateColorFormatUnusedMask(&alphaImage->format);
  const GraphRecord* record = GetGraphRecord(graph);
  if (!record || image->width != record->width || image->height != record->height ||
      (alphaImage &&
       (alphaImage->width != record->width || alphaImage->height != record->height))) {
    return -1;
  }
  const bool mirror = mirrorFlag == 1 && mirrorImageFlag == 1;
  if (mirror) MirrorPair(image, alphaImage);
  const int result = TransferGraphImageToGraph(nullptr, nullptr, nullptr, nullptr, 0, image,
                                               alphaImage, 0, 0, graph, 0);
  if (mirror) MirrorPair(image, alphaImage);
  return result == 0 ? 0 : -1;
}

int UpdateGraphFromGraphImage(GraphImage* image, int graph) {
  return UpdateGraphFromGraphImagePair(image, nullptr, graph, 0, 0, 0);
}

int CreateDivGraphFromGraphImage(GraphImage* image, GraphImage* alphaImage, int allNum, int xNum,
                                 int yNum, int width, int height, int* handles, int unusedFlag,
                                 int mirrorFlag, int mirrorImageFlag) {
  // More pieces than the grid holds would leave slots of the caller's array
  // unfilled while reporting success.
  if (!handles || allNum < 0 || xNum < 0 || yNum < 0 ||
      allNum > static_cast<int64_t>(xNum) * yNum) {
    return -1;
  }
  const int whole =
      CreateGraphFromGraphImagePair(image, alphaImage, unusedFlag, mirrorFlag, mirrorImageFlag);
  if (whole == -1) return -1;
  int made = 0;
  for (int row = 0; row < yNum && made < allNum; ++row) {
    for (int column = 0; column < xNum && made < allNum; ++column) {
      const int x = mirrorFlag == 1 ? width * (xNum - 1 - column) : width * column;
      const int piece = CreateDerivedGraph(x, row * height, width, height, whole);
      if (piece == -1) {
        AppendLog("グラフィックの分割に失敗しました in CreateDivGraphFromGraphImage\n");
        for (int i = 0; i < made; ++i) RemoveGraph(handles[i], 0);
        RemoveGraph(whole, 0);
        return -1;
      }
      handles[made++] = piece;
    }
  }
  RemoveGraph(whole, 0);
  return 0;
}

int TransferGraphImageToGraph(const ColorFormat* format, HBITMAP__* bitmap,
                              HBITMAP__* alphaBitmap, const char* fileName, int bitmapFlag,
                              const GraphImage* image, const GraphImage* alphaImage, int x, int y,
                              int graph, int mirrorFlag) {
  GraphRecord* record = GetGraphRecord(graph);
  if (!GraphicsSetUp() || !record) return -1;
  SetGraphSourceFile(graph, fileName, -1);
  record->fileX = x;
  record->fileY = y;
  record->fileMirror = mirrorFlag;
  GraphImage bitmapImage = {};
  GraphImage alphaBitmapImage = {};
  if (!PickSources(format, bitmap, alphaBitmap, bitmapFlag, image, alphaImage, &bitmapImage,
                   &alphaBitmapImage) ||
      !image) {
    return -1;
  }
  const IntRect source = {x, y, x + record->width, y + record->height};
  return TransferImageToGraphPixels(image, alphaImage, source, 0, 0, record);
}

int TransferGraphImageRectToGraph(const ColorFormat* format, HBITMAP__* bitmap,
                                  HBITMAP__* alphaBitmap, const char* fileName, int bitmapFlag,
                                  const IntRect* source, int destX, int destY,
                                  const GraphImage* image, const GraphImage* alphaImage, int graph,
                                  int mirrorFlag) {
  GraphRecord* record = GetGraphRecord(graph);
  if (!GraphicsSetUp() || !record || !source) return -1;
  SetGraphSourceFile(graph, fileName, -1);
  record->fileX = source->left - destX;
  record->fileY = source->top - destY;
  record->fileMirror = mirrorFlag;
  GraphImage bitmapImage = {};
  GraphImage alphaBitmapImage = {};
  if (!PickSources(format, bitmap, alphaBitmap, bitmapFlag, image, alphaImage, &bitmapImage,
                   &alphaBitmapImage) ||
      !image) {
    return -1;
  }
  return TransferImageToGraphPixels(image, alphaImage, *source, destX, destY, record);
}

int FillGraphWithColor(int graph, int red, int green, int blue, int) {
  GraphRecord* record = GetGraphRecord(graph);
  if (!record) return -1;
  const IntRect whole = {0, 0, record->width, record->height};
  FillRectOnSoftImg(&record->view, &whole,
                    ComposeColorCode(Clamp255(red), Clamp255(green), Clamp255(blue)));
  MarkGraphPixelsChanged(record->original);
  return 0;
}

int CopyDrawScreenToGraph(int x1, int y1, int x2, int y2, int graph) {
  GraphRecord* record = GetGraphRecord(graph);
  if (!record) return -1;
  FlushVertexBatch();
  EndDeviceScene();
  if (GetScreenSettings().hardwareOn) {
    // The device's picture is read through the screen lock.
    if (record->width != x2 - x1 || record->height != y2 - y1) return -1;
    const IntRect rect = {x1, y1, x2, y2};
    GraphImage view = {};
    if (LockDrawScreenPixels(&rect, &view) != 0) return -1;
    const IntRect whole = {0, 0, view.width, view.height};
    const int result = TransferImageToGraphPixels(&view, nullptr, whole, 0, 0, record);
    UnlockDrawScreenPixels();
    return result;
  }
  const SOFTIMG* source = GetPrimaryScreenSoftImg();
  if (const GraphRecord* target = GetGraphRecord(GetDrawTarget())) source = &target->view;
  if (!IsSoftImgValid(source)) return -1;
  if (x1 < 0 || x1 >= x2 || x2 > source->width || y1 < 0 || y1 >= y2 || y2 > source->height ||
      record->width != x2 - x1 || record->height != y2 - y1) {
    return -1;
  }
  const IntRect rect = {x1, y1, x2, y2};
  if (CopySoftImgArea(&record->view, source, &rect, 0, 0) < 0) return -1;
  MarkGraphPixelsChanged(record->original);
  return 0;
}
