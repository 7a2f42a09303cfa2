#include "graphics/mask_screen.h"

#include <cstring>

#include "direct3d9/direct3d_state.h"
#include "graphics/draw_state.h"
#include "graphics/draw_target.h"
#include "graphics/graph_handles.h"
#include "graphics/mask_screen_device.h"
#include "graphics/screen_images.h"
#include "graphics/screen_settings.h"
#include "system/handle_table.h"
#include "system/tracked_memory.h"

namespace {

constexpr int kMaskHandleTag = 0x2800;  // the kind in bits 11-14 of the upper half
constexpr int kMaskColorFormatKind = 14;
constexpr int kMaskAlphaFormatKind = 15;

MaskState maskState = {};

int MakeMaskHandle(int index, int check) { return index | ((check | kMaskHandleTag) << 16); }

MaskRecord* GetMaskRecord(int handle) {
  if (handle < 0 || HandleKindOf(handle) != kHandleKindMask) return nullptr;
  const int index = HandleSlot(handle);
  if (index >= kMaskCapacity) return nullptr;
  MaskRecord& record = maskState.records[index];
  if (!record.inUse || record.check != HandleCheck(handle)) return nullptr;
  return &record;
}

bool HardwareOn() { return GetScreenSettings().hardwareOn != 0; }

// The mask stands in for the target only where it covers it: a target
// larger than the screen would let the primitives write past the mask image
// and beyond the mask bytes.
bool MaskCoversTarget() {
  const DrawStateRecord& state = GetDrawState();
  return state.targetWidth <= maskState.width && state.targetHeight <= maskState.height;
}

// Whether drawing lands on the mask's copy rather than on the target.
bool MaskStandsIn() {
  if (!maskState.inEffect || !MaskCoversTarget()) return false;
  return HardwareOn() ? maskState.screenSurface != nullptr : maskState.imageMade != 0;
}

// The rectangle both the draw area and the mask screen hold.
IntRect ClipToMask(IntRect rect) {
  ClipRectToBounds(&rect, &GetDrawState().drawArea);
  const IntRect screen = {0, 0, maskState.width, maskState.height};
  ClipRectToBounds(&rect, &screen);
  return rect;
}

template <typename Pixel>
void CopyLetThrough(const IntRect& r, const SOFTIMG& from, SOFTIMG* to) {
  for (int y = r.top; y < r.bottom; ++y) {
    const uint8_t* mask = maskState.buffer + static_cast<size_t>(y) * maskState.pitch;
    const auto* source = reinterpret_cast<const Pixel*>(from.pixels + y * from.body->pitch);
    auto* dest = reinterpret_cast<Pixel*>(to->pixels + y * to->body->pitch);
    for (int x = r.left; x < r.right; ++x) {
      const bool through = maskState.reverse ? mask[x] != 0 : mask[x] == 0;
      if (through) dest[x] = source[x];
    }
  }
}

}  // namespace

MaskState& GetMaskState() { return maskState; }

void ResetMaskFlags() {
  maskState.requested = 1;
  maskState.inEffect = 0;
  maskState.nesting = 0;
}

int RemoveMaskHandle(int handle) {
  MaskRecord* record = GetMaskRecord(handle);
  if (!record) return -1;
  if (record->pixels) FreeTrackedMemory(record->pixels);
  *record = MaskRecord{};
  return 0;
}

int RemoveAllMaskHandles() {
  for (int i = 0; i < kMaskCapacity; ++i) {
    const MaskRecord& record = maskState.records[i];
    if (record.inUse) RemoveMaskHandle(MakeMaskHandle(i, record.check));
  }
  return 0;
}

SOFTIMG* TargetOwnSoftImg() {
  if (GraphRecord* record = GetGraphRecord(GetDrawState().drawTarget)) return &record->view;
  return GetPrimaryScreenSoftImg();
}

SOFTIMG* CurrentTargetSoftImg() {
  if (!HardwareOn() && MaskStandsIn()) return &maskState.image;
  return TargetOwnSoftImg();
}

int SetupMaskScreen(int flag) {
  if (flag == 0) return 0;
  int width = 0;
  int height = 0;
  GetScreenModeSize(&width, &height);
  if (!maskState.buffer) {
    const int pitch = (width + 3) / 4 * 4;
    const size_t size = static_cast<size_t>(pitch) * height;
    maskState.buffer = static_cast<uint8_t*>(TRACKED_ALLOC(size));
    if (!maskState.buffer) ExitWithError("マスク用バッファの確保に失敗しました");
    std::memset(maskState.buffer, 0, size);
    maskState.pitch = pitch;
    maskState.width = width;
    maskState.height = height;
  }
  if (HardwareOn()) {
    const Direct3DState& d3d = GetDirect3DState();
    if (d3d.textureFormats[kMaskColorFormatKind] == 0) {
      ExitWithError(
          "マスク描画用カラーバッファで使用できるテクスチャフォーマットがありませんでした");
    }
    if (d3d.textureFormats[kMaskAlphaFormatKind] == 0) {
      ExitWithError(
          "マスク描画用アルファチャンネルバッファで使用できるテクスチャフォーマットがありませんでし"
          "た");
    }
    CreateMaskDeviceObjects(width, height);
    return 0;
  }
  if (!IsSoftImgValid(&maskState.image)) {
    const int colorType = GetScreenColorBits() == 16 ? kSoftImgColor16 : kSoftImgColor32;
    if (CreateScreenSoftImg(&maskState.image, width, height, colorType) != 0) {
      ExitWithError("マスク用 SOFTIMG の作成に失敗しました");
    }
    maskState.imageMade = 1;
  }
  return 0;
}

int ReleaseMaskScreen() {
  if (maskState.buffer) FreeTrackedMemory(maskState.buffer);
  maskState.buffer = nullptr;
  if (maskState.imageMade) {
    ReleaseSoftImg(&maskState.image);
    maskState.image = SOFTIMG{};
    maskState.imageMade = 0;
  }
  ReleaseMaskDeviceObjects();
  return 0;
}

int CreateMaskScreen() {
  SetupMaskScreen(1);
  maskState.created = 1;
  if (maskState.requested) EnableMaskScreen(1);
  return 0;
}

int EnableMaskScreen(int flag) {
  if (!maskState.buffer) return -1;
  maskState.requested = flag;
  maskState.inEffect = flag != 0 && maskState.created ? 1 : 0;
  if (HardwareOn()) {
    RouteMaskRenderTarget(MaskStandsIn());
  } else {
    SetCurrentDrawSoftImg(CurrentTargetSoftImg());
  }
  return 0;
}

int QueryMaskScreenEnabled() { return maskState.requested; }

int BeginMaskedDraw(IntRect rect) {
  if (++maskState.nesting != 1) return 0;
  if (!MaskStandsIn()) return 0;
  const IntRect r = ClipToMask(rect);
  if (r.right <= r.left || r.bottom <= r.top) return 0;
  if (HardwareOn()) {
    CopyTargetToMaskSurface(r);
    return 0;
  }
  CopySoftImgArea(&maskState.image, TargetOwnSoftImg(), &r, r.left, r.top);
  return 0;
}

int EndMaskedDraw(IntRect rect) {
  if (maskState.nesting > 0) --maskState.nesting;
  if (maskState.nesting != 0) return 0;
  if (!MaskStandsIn()) return 0;
  const IntRect r = ClipToMask(rect);
  if (r.right <= r.left || r.bottom <= r.top) return 0;
  if (HardwareOn()) {
    DrawMaskedRectBack(r);
    return 0;
  }
  SOFTIMG* target = TargetOwnSoftImg();
  if (!IsSoftImgValid(target)) return 0;
  switch (target->body->format->bytesPerPixel) {
    case 2:
      CopyLetThrough<uint16_t>(r, maskState.image, target);
      break;
    case 4:
      CopyLetThrough<uint32_t>(r, maskState.image, target);
      break;
    default:
      break;  // other pixel sizes are not masked
  }
  return 0;
}

int RestoreMaskScreen() {
  SetupMaskScreen(maskState.created);
  if (maskState.requested) EnableMaskScreen(1);
  return 0;
}

int EndMaskSystem() {
  if (maskState.requested) EnableMaskScreen(0);
  ReleaseMaskScreen();
  maskState.created = 0;
  maskState.inEffect = 0;
  return 0;
}
