#include "software_renderer/soft_image.h"

#include <cstring>

#include "graphics/screen_settings.h"
#include "system/tracked_memory.h"

namespace {

constexpr uint32_t kPaletteBlockSize = 2048;

uint8_t* AllocBuffer(uint32_t size, bool zeroed) {
  void* p = zeroed ? AllocTrackedMemoryZeroed(size, "", 0) : AllocTrackedMemory(size, "", 0);
  return static_cast<uint8_t*>(p);
}

void FreeBuffer(uint8_t*& p) {
  if (p) FreeTrackedMemory(p);
  p = nullptr;
}

void FreeBody(SoftImgBody* body) {
  if (!body->pixelsCallerOwned) FreeBuffer(body->pixelBuffer);
  body->pixelBuffer = nullptr;
  FreeBuffer(body->premultipliedCopy);
  FreeBuffer(body->runTable);
  FreeBuffer(body->paletteBlock);
  body->paletteCopy = nullptr;
  FreeTrackedMemory(body);
}

int PitchShiftFor(int64_t requested, int32_t pitch) {
  int n = 0;
  while ((int64_t{1} << n) < requested) ++n;
  return (int64_t{1} << n) == pitch ? n : -1;
}

// A failed creation frees what it holds: the view is left not valid and
// without a body, so nothing is left that no one frees.
int FailCreation(SOFTIMG* view) {
  if (view->body) FreeBody(view->body);
  view->body = nullptr;
  return -1;
}

}  // namespace

int SoftImgBytesPerPixel(int colorType, int palettised, int alpha) {
  if (colorType == kSoftImgSingle8) return 1;
  if (colorType == kSoftImgSingle16) return 2;
  if (palettised) return 1;
  if (colorType == kSoftImgColor32) return 4;
  return alpha ? 4 : 2;
}

int CreateSoftImg(SOFTIMG* view, int width, int height, int pitch, uint32_t transparentColor,
                  int colorType, int palettised, int alpha, int workBuffers, void* callerPixels) {
  if (!view || view->magic == kSoftImgMagic) return -1;
  // Sizes and layouts are checked before anything is allocated, so that a
  // refused request changes nothing; offsets must stay within 32 bits.
  if (static_cast<uint32_t>(colorType) > 3 || width < 0 || height < 0) return -1;
  if (colorType >= kSoftImgSingle8) palettised = alpha = 0;
  palettised = palettised ? 1 : 0;
  alpha = (alpha && !palettised) ? 1 : 0;
  const int bpp = SoftImgBytesPerPixel(colorType, palettised, alpha);
  const int64_t rowBytes = int64_t{bpp} * width;
  int64_t finalPitch = pitch;
  if (pitch == -1) {
    finalPitch = (rowBytes + 15) & ~int64_t{15};
  } else if (pitch < rowBytes) {
    return -1;
  }
  if (finalPitch * height > INT32_MAX || int64_t{width + 5} * height > INT32_MAX) return -1;

  SoftImgBody* body = view->body;
  if (!body) {
    body = static_cast<SoftImgBody*>(AllocTrackedMemoryZeroed(sizeof(SoftImgBody), "", 0));
    if (!body) return -1;
    view->body = body;
  } else if (!body->pixelsCallerOwned) {
    // A body left on a view that is not valid is made again; its old pixels
    // have the old size and are replaced.
    FreeBuffer(body->pixelBuffer);
  }
  body->referenceCount = 1;
  body->width = width;
  body->height = height;
  body->transparentColor = transparentColor;
  body->colorType = colorType;
  body->palettised = palettised;
  body->alpha = alpha;
  body->premultipliedValid = 0;
  body->runTableValid = 0;
  body->pitch = static_cast<int32_t>(finalPitch);
  body->pitchShift = PitchShiftFor(pitch == -1 ? rowBytes : pitch, body->pitch);
  body->format = GetSoftImgColorFormat(colorType, alpha, palettised);

  FreeBuffer(body->paletteBlock);
  body->paletteCopy = nullptr;
  if (palettised) {
    body->paletteBlock = AllocBuffer(kPaletteBlockSize, true);
    if (!body->paletteBlock) return FailCreation(view);
    body->paletteCopy = body->paletteBlock + kPaletteBlockSize / 2;
  }

  const auto bufferSize = static_cast<uint32_t>(finalPitch * height);
  if (callerPixels) {
    body->pixelBuffer = static_cast<uint8_t*>(callerPixels);
    body->pixelsCallerOwned = 1;
  } else {
    body->pixelsCallerOwned = 0;
    body->pixelBuffer = AllocBuffer(bufferSize ? bufferSize : 1, false);
    if (!body->pixelBuffer) return FailCreation(view);
  }

  // A body made again keeps a work buffer only where this creation asks for
  // it and it holds the new size: the transfers write whole images into any
  // buffer they find, so an old, smaller one would be written past.
  const bool wantsPremultiplied = workBuffers && alpha;
  const bool wantsRunTable = workBuffers && colorType != kSoftImgSingle8;
  const auto runSize = static_cast<uint32_t>((width + 5) * height);
  if (!wantsPremultiplied || body->premultipliedSize < bufferSize) {
    FreeBuffer(body->premultipliedCopy);
    body->premultipliedSize = 0;
  }
  if (!wantsRunTable || body->runTableSize < runSize) {
    FreeBuffer(body->runTable);
    body->runTableSize = 0;
  }
  if (wantsPremultiplied && !body->premultipliedCopy) {
    body->premultipliedCopy = AllocBuffer(bufferSize ? bufferSize : 1, false);
    if (!body->premultipliedCopy) return FailCreation(view);
    body->premultipliedSize = bufferSize;
  }
  if (wantsRunTable && !body->runTable) {
    body->runTable = AllocBuffer(runSize ? runSize : 1, false);
    if (!body->runTable) return FailCreation(view);
    body->runTableSize = runSize;
  }

  view->magic = kSoftImgMagic;
  view->width = width;
  view->height = height;
  view->pixels = body->pixelBuffer;
  view->premultipliedPixels = body->premultipliedCopy;
  return 0;
}

int CreateScreenSoftImg(SOFTIMG* view, int width, int height, int colorType) {
  if (!view) return -1;
  *view = SOFTIMG{};
  if (colorType == -1) {
    colorType = GetScreenSettings().colorBits == 16 ? kSoftImgColor16 : kSoftImgColor32;
  }
  return CreateSoftImg(view, width, height, -1, 0, colorType, 0, 0, 0, nullptr);
}

void CreateSubSoftImg(SOFTIMG* dest, const SOFTIMG* src, int x, int y, int width, int height) {
  if (!dest || !IsSoftImgValid(src)) return;
  if (x < 0 || y < 0 || width < 0 || height < 0 || int64_t{x} + width > src->width ||
      int64_t{y} + height > src->height) {
    return;
  }
  SoftImgBody* body = src->body;
  const int bpp = SoftImgBytesPerPixel(body->colorType, body->palettised, body->alpha);
  const int32_t offset = y * body->pitch + x * bpp;
  dest->magic = kSoftImgMagic;
  dest->width = width;
  dest->height = height;
  dest->pixels = src->pixels + offset;
  dest->premultipliedPixels = body->premultipliedCopy ? src->premultipliedPixels + offset : nullptr;
  dest->body = body;
  ++body->referenceCount;
}

int IsSoftImgValid(const SOFTIMG* view) {
  return view && view->magic == kSoftImgMagic && view->body ? 1 : 0;
}

void ReleaseSoftImg(SOFTIMG* view) {
  if (!view || view->magic != kSoftImgMagic) return;
  SoftImgBody* body = view->body;
  if (body && --body->referenceCount <= 0) FreeBody(body);
  view->body = nullptr;
  view->magic = 0;
}

int CopySoftImgArea(SOFTIMG* dest, const SOFTIMG* src, const IntRect* rect, int x, int y) {
  if (!IsSoftImgValid(dest) || !IsSoftImgValid(src)) return -1;
  const IntRect whole{0, 0, src->width, src->height};
  const IntRect r = rect ? *rect : whole;
  // The conversion does not clip; an area that leaves either image is refused
  // instead of being written past the buffers.
  if (r.left < 0 || r.top < 0 || r.right > src->width || r.bottom > src->height || x < 0 ||
      y < 0 || int64_t{x} + (r.right - r.left) > dest->width ||
      int64_t{y} + (r.bottom - r.top) > dest->height) {
    return -1;
  }
  return ConvertFormatBlt(dest->pixels, dest->body->pitch, dest->body->format, src->pixels,
                          src->body->pitch, src->body->format, nullptr, 0, nullptr, x, y, &r, 0,
                          0, 0, 0, 0, 0, 0, 0);
}

void FillSoftImgRaw(SOFTIMG* view, const IntRect* rect, uint32_t value) {
  if (!IsSoftImgValid(view)) return;
  IntRect r{0, 0, view->width, view->height};
  if (rect) {
    const IntRect bounds = r;
    r = *rect;
    ClipRectToBounds(&r, &bounds);
  }
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  const SoftImgBody* body = view->body;
  const int bpp = body->format ? body->format->bytesPerPixel : 0;
  uint8_t* row = view->pixels + r.top * body->pitch + r.left * bpp;
  for (int j = 0; j < h; ++j, row += body->pitch) {
    if (bpp == 1) {
      std::memset(row, static_cast<int>(value & 0xFF), static_cast<size_t>(w));
    } else if (bpp == 2) {
      const auto v = static_cast<uint16_t>(value);
      for (int i = 0; i < w; ++i) std::memcpy(row + 2 * i, &v, 2);
    } else if (bpp == 4) {
      for (int i = 0; i < w; ++i) std::memcpy(row + 4 * i, &value, 4);
    } else {
      return;
    }
  }
}
