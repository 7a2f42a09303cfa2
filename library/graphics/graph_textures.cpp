#include <windows.h>
#include <d3d9.h>

#include <string.h>

#include "direct3d9/direct3d_state.h"
#include "direct3d9/surface_formats.h"
#include "direct3d9/vertex_batch.h"
#include "graphics/color_format.h"
#include "graphics/graph_textures.h"
#include "graphics/screen_settings.h"
#include "system/log.h"
#include "system/tracked_memory.h"

namespace {

template <typename T>
void ReleaseObject(void*& object) {
  if (object) static_cast<T*>(object)->Release();
  object = nullptr;
}

// A source pixel as 8-bit channels.
struct Texel {
  uint32_t r, g, b, a;
};

// Reads pixels of the original's image in its own layout: a single channel
// (blend graphs) goes to every channel and alpha, a palette index through
// the palette, other layouts through their masks. A colour-keyed image
// takes alpha 0 at its transparent value so that the alpha test drops it.
class ImageReader {
 public:
  explicit ImageReader(const GraphOriginalImage& original)
      : body_(*original.image.body),
        format_(*body_.format),
        bytes_(format_.bytesPerPixel),
        single_(body_.colorType == kSoftImgSingle8),
        palette_(body_.palettised != 0),
        keyed_(original.alphaTest != 0) {}

  Texel Read(const uint8_t* p) const {
    uint32_t v = 0;
    memcpy(&v, p, bytes_);
    if (bytes_ < 4) v &= (1u << (8 * bytes_)) - 1;
    if (single_) return {v, v, v, v};
    Texel t;
    if (palette_) {
      const ColorPaletteEntry& e = format_.palette[v & 0xFF];
      t = {e.red, e.green, e.blue, 255};
    } else {
      t.r = ExpandChannelTo8((v & format_.redMask) >> format_.redShift, format_.redWidth);
      t.g = ExpandChannelTo8((v & format_.greenMask) >> format_.greenShift, format_.greenWidth);
      t.b = ExpandChannelTo8((v & format_.blueMask) >> format_.blueShift, format_.blueWidth);
      t.a = format_.alphaWidth
                ? ExpandChannelTo8((v & format_.alphaMask) >> format_.alphaShift,
                                   format_.alphaWidth)
                : 255;
    }
    if (keyed_ && v == body_.transparentColor) t.a = 0;
    return t;
  }
  int bytes() const { return bytes_; }

 private:
  const SoftImgBody& body_;
  const ColorFormat& format_;
  int bytes_;
  bool single_;
  bool palette_;
  bool keyed_;
};

// One row into the texture: 32-bit ARGB textures take the channels as they
// are; any other format packs them through its ColorFormat.
template <bool Argb8>
void WriteRow(uint8_t* dest, const ColorFormat& format, const ImageReader& reader,
              const uint8_t* source, int width) {
  for (int x = 0; x < width; ++x, source += reader.bytes()) {
    const Texel t = reader.Read(source);
    if (Argb8) {
      const uint32_t value = t.a << 24 | t.r << 16 | t.g << 8 | t.b;
      memcpy(dest + 4 * x, &value, 4);
    } else {
      const uint32_t value = PackColorCode(&format, t.r, t.g, t.b, t.a);
      memcpy(dest + format.bytesPerPixel * x, &value, format.bytesPerPixel);
    }
  }
}

bool IsArgb8(const ColorFormat& f) {
  return f.bytesPerPixel == 4 && f.redMask == 0x00FF0000 && f.greenMask == 0x0000FF00 &&
         f.blueMask == 0x000000FF;
}

int FillPiece(IDirect3DDevice9* device, const GraphOriginalImage& original,
              GraphTexturePiece& piece, const ColorFormat& format) {
  auto* staging = static_cast<IDirect3DTexture9*>(piece.stagingTexture);
  D3DLOCKED_RECT locked = {};
  if (staging->LockRect(0, &locked, nullptr, 0) < 0) return -1;
  const ImageReader reader(original);
  const SOFTIMG& image = original.image;
  const int rowBytes = piece.textureWidth * format.bytesPerPixel;
  const bool argb = IsArgb8(format);
  for (int y = 0; y < piece.textureHeight; ++y) {
    auto* dest = static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch;
    // The texture's unused margin stays at 0.
    memset(dest, 0, rowBytes);
    if (y >= piece.usedHeight) continue;
    const uint8_t* source = image.pixels + (piece.y + y) * image.body->pitch +
                            piece.x * reader.bytes();
    if (argb)
      WriteRow<true>(dest, format, reader, source, piece.usedWidth);
    else
      WriteRow<false>(dest, format, reader, source, piece.usedWidth);
  }
  staging->UnlockRect(0);
  return device->UpdateTexture(staging, static_cast<IDirect3DTexture9*>(piece.texture)) < 0 ? -1
                                                                                          : 0;
}

bool IsHardwareOriginal(const GraphOriginalImage* original) {
  return original && original->hardwareImage && original->pieces;
}

}  // namespace

TextureSplitLimits CurrentTextureSplitLimits() {
  const Direct3DState& state = GetDirect3DState();
  TextureSplitLimits limits = {};
  limits.userLimit = state.userTextureSizeLimit;
  limits.deviceLimit = state.maxTextureSize > 0 ? state.maxTextureSize : 256;
  limits.noSplit = state.noTextureSplit;
  limits.screenWidth = GetScreenSettings().width;
  return limits;
}

int SetupGraphHardwareImage(GraphOriginalImage* original) {
  original->hardwareImage = 1;
  // The textures are always filled from the system-memory image, which the
  // original keeps in either renderer.
  original->systemMemoryCopy = 1;
  original->mipCount = 1;
  original->mipLevels = 1;
  // A blend graph's weights go to the alpha channel, which the device's
  // threshold reads.
  if (original->blendGraph) {
    original->alpha = 1;
    original->colorBits = 32;
  }
  original->formatIndex = GraphFormatIndex(*original);
  if (LayoutGraphTexturePieces(original, CurrentTextureSplitLimits(),
                               GetDirect3DState().squareTexturesOnly) != 0)
    return -1;
  return CreateGraphTextures(original);
}

int CreateGraphTextures(GraphOriginalImage* original) {
  const Direct3DState& state = GetDirect3DState();
  IDirect3DDevice9* device = state.device;
  if (!device) return -1;
  if (!IsHardwareOriginal(original)) return 0;
  const int format = original->formatIndex >= 0 && original->formatIndex < kTextureFormatKinds
                         ? state.textureFormats[original->formatIndex]
                         : 0;
  if (format == 0 || !GetD3DFormatColorFormat(format)) {
    AppendLog("指定のフォーマットで作成できるテクスチャフォーマットがありませんでした\n");
    return -1;
  }
  const DWORD usage = original->drawValid ? D3DUSAGE_RENDERTARGET : 0;
  for (int i = 0; i < original->pieceCount; ++i) {
    GraphTexturePiece& piece = original->pieces[i];
    if (piece.texture) continue;
    IDirect3DTexture9* texture = nullptr;
    if (device->CreateTexture(piece.textureWidth, piece.textureHeight, original->mipCount, usage,
                              static_cast<D3DFORMAT>(format), D3DPOOL_DEFAULT, &texture,
                              nullptr) < 0 ||
        !texture) {
      AppendLog("書き込み専用テクスチャの作成に失敗しました\n");
      return -1;
    }
    piece.texture = texture;
    IDirect3DTexture9* staging = nullptr;
    if (device->CreateTexture(piece.textureWidth, piece.textureHeight, original->mipCount, 0,
                              static_cast<D3DFORMAT>(format), D3DPOOL_SYSTEMMEM, &staging,
                              nullptr) < 0 ||
        !staging) {
      AppendLog("メモリテクスチャの作成に失敗しました\n");
      return -1;
    }
    piece.stagingTexture = staging;
    IDirect3DSurface9* surface = nullptr;
    if (texture->GetSurfaceLevel(0, &surface) < 0 || !surface) {
      AppendLog("テクスチャのサーフェスアドレスの取得に失敗しました\n");
      return -1;
    }
    piece.surface = surface;
  }
  // New textures hold nothing yet: they are filled before their first draw.
  original->texturesStale = 1;
  return 0;
}

// Software originals have no pieces, so this does nothing for them.
int ReleaseGraphTargetSurfaces(GraphOriginalImage* original) {
  if (!original || !original->pieces) return 0;
  for (int i = 0; i < original->pieceCount; ++i)
    ReleaseObject<IDirect3DSurface9>(original->pieces[i].targetSurface);
  return 0;
}

int ReleaseGraphTextures(GraphOriginalImage* original) {
  if (!original || !original->pieces) return 0;
  ReleaseGraphTargetSurfaces(original);
  for (int i = 0; i < original->pieceCount; ++i) {
    GraphTexturePiece& piece = original->pieces[i];
    ReleaseObject<IDirect3DSurface9>(piece.surface);
    ReleaseObject<IDirect3DTexture9>(piece.texture);
    ReleaseObject<IDirect3DTexture9>(piece.stagingTexture);
  }
  return 0;
}

void FreeGraphTexturePieces(GraphOriginalImage* original) {
  if (!original->pieces) return;
  ReleaseGraphTextures(original);
  FreeTrackedMemory(original->pieces);
  original->pieces = nullptr;
  original->pieceCount = 0;
}

void MarkGraphPixelsChanged(GraphOriginalImage* original) {
  if (original) original->texturesStale = 1;
}

int RefreshGraphTextures(GraphOriginalImage* original) {
  if (!IsHardwareOriginal(original) || !original->texturesStale) return 0;
  const Direct3DState& state = GetDirect3DState();
  IDirect3DDevice9* device = state.device;
  if (!device) return -1;
  const ColorFormat* format = GetD3DFormatColorFormat(state.textureFormats[original->formatIndex]);
  if (!format || format->compression != kCompressionNone || !IsSoftImgValid(&original->image))
    return -1;
  // Textures that a pending draw reads must not change under it.
  FlushVertexBatch();
  for (int i = 0; i < original->pieceCount; ++i) {
    GraphTexturePiece& piece = original->pieces[i];
    if (!piece.texture || !piece.stagingTexture) return -1;
    if (FillPiece(device, *original, piece, *format) != 0) return -1;
  }
  original->texturesStale = 0;
  return 0;
}

void ReleaseAllGraphTextures() {
  for (int slot = 0; slot < GraphTableEndIndex(); ++slot) {
    const GraphRecord* record = GetGraphRecord(GraphHandleAtSlot(slot));
    if (record) ReleaseGraphTextures(record->original);
  }
}

void CreateAllGraphTextures() {
  for (int slot = 0; slot < GraphTableEndIndex(); ++slot) {
    const GraphRecord* record = GetGraphRecord(GraphHandleAtSlot(slot));
    if (record && record->original) CreateGraphTextures(record->original);
  }
}

void* GetGraphTexture(int graph) {
  GraphRecord* record = GetGraphRecord(graph);
  if (!record || !IsHardwareOriginal(record->original) || record->drawPieceCount == 0)
    return nullptr;
  RefreshGraphTextures(record->original);
  return record->drawPieces[0].texturePiece->texture;
}

void* GetGraphSurface(int graph, int* colorKind) {
  GraphRecord* record = GetGraphRecord(graph);
  if (!record || !IsHardwareOriginal(record->original) || record->drawPieceCount == 0)
    return nullptr;
  RefreshGraphTextures(record->original);
  if (colorKind) *colorKind = record->original->formatIndex;
  return record->drawPieces[0].texturePiece->surface;
}
