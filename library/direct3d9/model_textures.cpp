#include <math.h>
#include <string.h>

#include "direct3d9/core_inputs.h"
#include "direct3d9/direct3d_state.h"
#include "direct3d9/model_system.h"

namespace {

int FitPowerOfTwo(int size, int limit) {
  int fitted = 1;
  while (fitted < size) fitted <<= 1;
  return fitted > limit ? limit : fitted;
}

bool IsPowerOfTwo(int value) { return value > 0 && (value & (value - 1)) == 0; }

// Scales an image whose size is not a power of two to the next one (within
// half the device's maximum) and turns it when asked.
int FitTextureImage(GraphImage* image, int rotate) {
  if (!IsPowerOfTwo(image->width) || !IsPowerOfTwo(image->height)) {
    const DeviceCapsInfo& caps = GetDirect3DState().caps;
    int width = FitPowerOfTwo(image->width, caps.maxTextureWidth > 1 ? caps.maxTextureWidth / 2 : 1);
    int height =
        FitPowerOfTwo(image->height, caps.maxTextureHeight > 1 ? caps.maxTextureHeight / 2 : 1);
    GraphImage scaled = {};
    if (AllocGraphImage(width, height, &image->format, &scaled) != 0) return -1;
    StretchCopyGraphImage(0, 0, image->width, image->height, image, 0, 0, width, height, &scaled, 1);
    FreeGraphImage(image);
    *image = scaled;
  }
  if (rotate) RotateGraphImage180(image);
  return 0;
}

}  // namespace

int FillGradationGraph(int graph) {
  GraphImage image = {};
  if (AllocGraphImageXRGB8(256, 8, &image) != 0) return -1;
  for (int y = 0; y < 8; ++y) {
    uint8_t* row = static_cast<uint8_t*>(image.pixels) + y * image.pitch;
    for (int x = 0; x < 256; ++x) {
      uint32_t grey = static_cast<uint32_t>(x) * 0x010101u;
      memcpy(row + x * 4, &grey, 4);
    }
  }
  DeviceCoreHooks& hooks = GetDeviceCoreInputs().hooks;
  int enabled = 0;
  int color = hooks.getGraphTransColor ? hooks.getGraphTransColor(&enabled) : 0;
  if (hooks.setGraphTransColor) hooks.setGraphTransColor(color, 0);
  if (hooks.updateGraphFromGraphImage) hooks.updateGraphFromGraphImage(&image, graph);
  if (hooks.setGraphTransColor) hooks.setGraphTransColor(color, enabled);
  FreeGraphImage(&image);
  return graph;
}

int MakeNormalMapFromHeight(GraphImage* image, float bumpStrength) {
  float s = bumpStrength < 1e-6f ? 1e-6f : bumpStrength;
  GraphImage normal = {};
  if (AllocGraphImageXRGB8(image->width, image->height, &normal) != 0) return -1;
  for (int y = 0; y < image->height; ++y)
    for (int x = 0; x < image->width; ++x) {
      int h, hr, hd, g, b, a;
      GetGraphImagePixel(image, x, y, &h, &g, &b, &a);
      GetGraphImagePixel(image, (x + 1) % image->width, y, &hr, &g, &b, &a);
      GetGraphImagePixel(image, x, (y + 1) % image->height, &hd, &g, &b, &a);
      float du = (hr - h) / 255.0f, dv = (hd - h) / 255.0f;
      Vector3 n;
      MakeUnitVector(&n, -s * du, -s * dv, s * s);
      SetGraphImagePixel(&normal, x, y, static_cast<int>((n.x + 1.0f) * 127.5f),
                         static_cast<int>((n.y + 1.0f) * 127.5f),
                         static_cast<int>((n.z + 1.0f) * 127.5f), 0);
    }
  FreeGraphImage(image);
  *image = normal;
  return 0;
}

int LoadModelTextureImage(GraphImage* color, GraphImage* alpha, const void* colorBytes,
                          int colorSize, const void* alphaBytes, int alphaSize, int bumpFlag,
                          float bumpStrength, int rotateFlag) {
  *color = GraphImage{};
  *alpha = GraphImage{};
  auto fail = [&]() {
    FreeGraphImage(color);
    FreeGraphImage(alpha);
    return -1;
  };
  if (colorBytes && ReadGraphImage(nullptr, colorBytes, colorSize, 1, color, 0) != 0) return fail();
  if (alphaBytes && ReadGraphImage(nullptr, alphaBytes, alphaSize, 1, alpha, 0) != 0) return fail();
  if (!colorBytes) {
    if (!alphaBytes || AllocGraphImageXRGB8(alpha->width, alpha->height, color) != 0) return fail();
    for (int y = 0; y < color->height; ++y)
      memset(static_cast<uint8_t*>(color->pixels) + y * color->pitch, 0xFF, color->width * 4);
  }
  if (bumpFlag && MakeNormalMapFromHeight(color, bumpStrength) != 0) return fail();
  if (colorBytes && FitTextureImage(color, rotateFlag) != 0) return fail();
  if (alphaBytes && FitTextureImage(alpha, rotateFlag) != 0) return fail();
  return 0;
}
