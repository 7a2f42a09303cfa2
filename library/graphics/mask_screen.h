// Masks: a screen-sized byte buffer that decides, pixel by pixel, where
// drawing may change the draw target. While the mask is in effect every
// primitive draws into a copy of the rectangle it may touch
// (BeginMaskedDraw), and only the pixels the mask lets through are copied
// back (EndMaskedDraw).
#ifndef OMBREL_GRAPHICS_MASK_SCREEN_H
#define OMBREL_GRAPHICS_MASK_SCREEN_H

#include <stdint.h>

#include "Ombrel.h"
#include "direct3d9/blend_info.h"
#include "software_renderer/soft_image.h"

constexpr int kMaskCapacity = 512;

struct MaskRecord {
  int check;
  uint8_t* pixels;  // owned
  int unused[3];
  int inUse;
  int unused2;
};

struct MaskState {
  MaskRecord records[kMaskCapacity];
  int reverse;      // 0: a mask byte of 0 lets drawing through; 1: a nonzero byte does
  uint8_t* buffer;  // one byte per screen pixel, null until set up
  int pitch;        // the screen width rounded up to a multiple of 4
  int width;
  int height;
  int created;    // the mask screen has been made
  int requested;  // the flag last given to EnableMaskScreen
  int inEffect;   // requested and created
  int nesting;    // of BeginMaskedDraw / EndMaskedDraw
  SOFTIMG image;  // what drawing lands on while the mask is in effect
  int imageMade;
  // The device's half: textures of powers of two covering the screen. The
  // image texture holds the mask bytes as alpha; drawing lands on the screen
  // texture (a render target) and is drawn back through the image's alpha.
  int textureWidth;
  int textureHeight;
  void* imageTexture;
  void* screenTexture;
  void* screenSurface;
  void* savedTarget;  // the target's surface, remembered by BeginMaskedDraw
};

MaskState& GetMaskState();

// The mask flags of a graphics start-up: requested 1, in effect 0.
void ResetMaskFlags();
int SetupMaskScreen(int flag);
int ReleaseMaskScreen();
// Makes the mask screen and marks it made; the mask takes effect when it is
// (or becomes) requested.
int CreateMaskScreen();
int BeginMaskedDraw(IntRect rect);
int EndMaskedDraw(IntRect rect);
int RestoreMaskScreen();
// Releases only the device objects, around a re-creation of the device: the
// mask buffer stays, and the next set-up fills the new image texture from it.
void ReleaseMaskDeviceObjects();
// Copies the mask buffer into the device's image texture, after the buffer
// changed; 0, or -1 without the texture.
int UploadMaskImageTexture();
int EndMaskSystem();
// The image a software primitive writes for the current draw target: the
// mask image while the mask is in effect, else the target's own.
SOFTIMG* CurrentTargetSoftImg();
// The draw target's own image, whatever the mask.
SOFTIMG* TargetOwnSoftImg();

// Applies a blend description at once for one draw of the mask code (the
// texture factor replaces the description's) and marks the blend state and
// texture as changed, so that the next ordinary draw sends its own; 0, or -1
// without a device.
int ApplyDeviceBlendInfoNow(const DeviceBlendInfo* info, uint32_t textureFactor, int handleFlag);

#endif
