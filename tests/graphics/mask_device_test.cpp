// The mask through the Direct3D device: the same masked scenes drawn by the
// software renderer and by the device, checked against the mask bytes and
// against each other, and a mask that outlives a re-creation of the device.
// The device's frames are saved as artefacts.
#include <windows.h>

#include <png.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Ombrel.h"
#include "direct3d9/core_inputs.h"
#include "direct3d9/device_services.h"
#include "graphics/draw_state.h"
#include "graphics/graph_creation.h"
#include "graphics/graph_handles.h"
#include "graphics/graphics_startup.h"
#include "graphics/mask_screen.h"
#include "graphics/screen_settings.h"
#include "support/library_session.h"
#include "support/pixel_formats.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

using Frame = std::vector<uint32_t>;  // 0x00RRGGBB, row-major

void WritePng(const std::string& name, const Frame& pixels, int width, int height) {
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = PNG_FORMAT_BGRA;
  Frame opaque(pixels);
  for (uint32_t& p : opaque) p |= 0xFF000000;
  png_image_write_to_file(&image, (std::string(TEST_ARTIFACT_DIR) + "/" + name).c_str(), 0,
                          opaque.data(), width * 4, nullptr);
}

// What the current renderer holds for the draw target, through the lock.
Frame ReadTarget(int width, int height) {
  Frame frame(width * height, 0xFF000000);
  GraphImage view = {};
  const IntRect whole = {0, 0, width, height};
  if (LockDrawScreenPixels(&whole, &view) != 0) return frame;
  for (int y = 0; y < height; ++y) {
    const auto* row = static_cast<const uint8_t*>(view.pixels) + y * view.pitch;
    for (int x = 0; x < width; ++x) {
      uint32_t v;
      std::memcpy(&v, row + 4 * x, 4);
      frame[y * width + x] = v & 0x00FFFFFF;
    }
  }
  UnlockDrawScreenPixels();
  return frame;
}

// No two neighbours alike, so a shifted or mis-scaled copy shows.
uint32_t Pattern(int x, int y) {
  return static_cast<uint32_t>(40 + (x * 37 + y * 11) % 200) << 16 |
         static_cast<uint32_t>(30 + (x * 5 + y * 53) % 220) << 8 |
         static_cast<uint32_t>(20 + ((x ^ y) * 9) % 230);
}

int MakePatternGraph(int width, int height) {
  PixelBuffer pixels(width, height, 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixels.Set(x, y, Pattern(x, y));
  GraphImage image = {};
  image.format = X8R8G8B8Format();
  image.width = width;
  image.height = height;
  image.pitch = pixels.pitch;
  image.pixels = pixels.data();
  return CreateGraphFromGraphImagePair(&image, nullptr, 0, 0, 0);
}

// A 4-pixel checker: bytes of 1 where (x / 4 + y / 4) is odd.
void FillCheckerMask() {
  MaskState& mask = GetMaskState();
  for (int y = 0; y < mask.height; ++y)
    for (int x = 0; x < mask.width; ++x) mask.buffer[y * mask.pitch + x] = (x / 4 + y / 4) & 1;
}

// Reverse 0: a byte of 0 lets drawing through; reverse 1: a nonzero byte.
bool LetsThrough(int reverse, int x, int y) {
  const bool odd = ((x / 4 + y / 4) & 1) != 0;
  return reverse ? odd : !odd;
}

int MostChannelDifference(uint32_t a, uint32_t b) {
  int most = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const int d = std::abs(static_cast<int>((a >> shift) & 0xFF) -
                           static_cast<int>((b >> shift) & 0xFF));
    if (d > most) most = d;
  }
  return most;
}

const ColorCode kBackground = 0x00404040;

struct Draw {
  const char* name;
  IntRect area;  // where it draws
  std::function<int(int graph)> call;
};

// The draws of the software mask test, each in its own place, all in blend
// mode 0, and two that the renderers draw alike. (The device renderer takes
// no text.)
const Draw kDraws[] = {
    {"filled box", {20, 20, 61, 53}, [](int) { return PaintBox(20, 20, 61, 53, 0xFFFFFFFF, 1); }},
    {"outline", {70, 20, 101, 43}, [](int) { return PaintBox(70, 20, 101, 43, 0xFF00FF00, 0); }},
    {"line", {110, 21, 171, 48}, [](int) { return PaintLine(110, 21, 170, 47, 0xFF0000FF, 1); }},
    {"graph", {30, 100, 54, 116}, [](int g) { return PutGraph(30, 100, g, 0); }},
    {"stretched graph", {200, 100, 251, 139},
     [](int g) { return PutGraphStretched(200, 100, 251, 139, g, 0); }},
    {"doubled graph", {200, 160, 248, 192},
     [](int g) { return PutGraphStretched(200, 160, 248, 192, g, 0); }},
    {"horizontal line", {30, 200, 150, 201},
     [](int) { return PaintLine(30, 200, 150, 200, 0xFFFF00FF, 1); }},
};

struct Frames {
  Frame unmasked;
  Frame masked[2];  // by reverse flag
  Frame graphTarget[2];
};

class MaskDeviceTest : public ::testing::Test {
 protected:
  void Start(bool hardware) {
    LibraryOptions options;
    options.title = UniqueWindowTitle("MaskDevice");
    options.screenWidth = kWidth;
    options.screenHeight = kHeight;
    options.hardware = hardware;
    session_ = std::make_unique<LibrarySession>(options);
    ASSERT_EQ(session_->result(), 0);
    ASSERT_EQ(GetScreenSettings().hardwareOn, hardware ? 1 : 0);
  }
  void SetUpCheckerMask() {
    ASSERT_EQ(SelectDrawTarget(-2), 0);
    ASSERT_EQ(CreateMaskScreen(), 0);
    FillCheckerMask();
    if (GetScreenSettings().hardwareOn) {
      ASSERT_NE(GetMaskState().screenSurface, nullptr);
      ASSERT_EQ(UploadMaskImageTexture(), 0);
    }
  }
  // Every draw on the background, with the mask of the given polarity or
  // (reverse -1) without it.
  static Frame DrawAll(int graph, int reverse) {
    EnableMaskScreen(0);
    PaintFilledBox(0, 0, kWidth, kHeight, kBackground);
    if (reverse >= 0) {
      GetMaskState().reverse = reverse;
      EXPECT_EQ(EnableMaskScreen(1), 0);
      EXPECT_EQ(GetMaskState().inEffect, 1);
    }
    for (const Draw& d : kDraws) EXPECT_EQ(d.call(graph), 0) << d.name;
    EXPECT_EQ(GetMaskState().nesting, 0);
    EnableMaskScreen(0);
    return ReadTarget(kWidth, kHeight);
  }
  // A 40 x 30 graph as the draw target, filled white under the mask.
  static Frame DrawOnGraphTarget(int reverse) {
    SetDrawValidGraphCreateFlag(1);
    const int target = CreateEmptyGraph(40, 30, 0);
    SetDrawValidGraphCreateFlag(0);
    EXPECT_NE(target, -1);
    EXPECT_EQ(SelectDrawTarget(target), 0);
    EnableMaskScreen(0);
    PaintFilledBox(0, 0, 40, 30, kBackground);
    GetMaskState().reverse = reverse;
    EnableMaskScreen(1);
    EXPECT_EQ(PaintBox(0, 0, 40, 30, 0xFFFFFFFF, 1), 0);
    EnableMaskScreen(0);
    Frame frame = ReadTarget(40, 30);
    SelectDrawTarget(-2);
    RemoveGraph(target, 0);
    return frame;
  }
  Frames DrawScenes(bool hardware) {
    Frames frames;
    Start(hardware);
    if (HasFatalFailure()) return frames;
    SetUpCheckerMask();
    if (HasFatalFailure()) return frames;
    const int graph = MakePatternGraph(24, 16);
    EXPECT_NE(graph, -1);
    frames.unmasked = DrawAll(graph, -1);
    for (int reverse = 0; reverse < 2; ++reverse) {
      frames.masked[reverse] = DrawAll(graph, reverse);
      frames.graphTarget[reverse] = DrawOnGraphTarget(reverse);
    }
    GetMaskState().reverse = 0;
    session_.reset();
    return frames;
  }
  // Each pixel of masked is the unmasked one where the mask lets drawing
  // through and the background elsewhere.
  static void ExpectMaskedAsTheBytesSay(const Frame& unmasked, const Frame& masked, int reverse,
                                        int width, int height) {
    int changed = 0, blocked = 0, wrong = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const uint32_t drawn = unmasked[y * width + x];
        const uint32_t expected = LetsThrough(reverse, x, y) ? drawn : kBackground;
        if (masked[y * width + x] != expected && ++wrong <= 5)
          ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex
                        << masked[y * width + x] << ", expected " << expected;
        if (drawn != kBackground) (LetsThrough(reverse, x, y) ? changed : blocked) += 1;
      }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(changed, 0);
    EXPECT_GT(blocked, 0);
  }
  void TearDown() override {
    GetMaskState().reverse = 0;
    session_.reset();
    ResetDeviceCoreInputs();
  }
  std::unique_ptr<LibrarySession> session_;
};

TEST_F(MaskDeviceTest, TheDeviceMasksTheScenesAsTheSoftwareRendererDoes) {
  const Frames software = DrawScenes(false);
  ASSERT_FALSE(HasFatalFailure());
  const Frames hardware = DrawScenes(true);
  ASSERT_FALSE(HasFatalFailure());
  WritePng("mask_device_unmasked.png", hardware.unmasked, kWidth, kHeight);
  WritePng("mask_device_reverse0.png", hardware.masked[0], kWidth, kHeight);
  WritePng("mask_device_reverse1.png", hardware.masked[1], kWidth, kHeight);
  WritePng("mask_software_reverse0.png", software.masked[0], kWidth, kHeight);

  for (int reverse = 0; reverse < 2; ++reverse) {
    SCOPED_TRACE(testing::Message() << "reverse " << reverse);
    // The device's frames against the mask bytes themselves.
    ExpectMaskedAsTheBytesSay(hardware.unmasked, hardware.masked[reverse], reverse, kWidth,
                              kHeight);
    const Frame whiteBox(40 * 30, 0x00FFFFFF);
    ExpectMaskedAsTheBytesSay(whiteBox, hardware.graphTarget[reverse], reverse, 40, 30);
    ExpectMaskedAsTheBytesSay(software.unmasked, software.masked[reverse], reverse, kWidth,
                              kHeight);
    // And against the software renderer's, pixel for pixel, wherever the two
    // renderers draw alike without the mask: a diagonal line and a stretch
    // by 51/24 fall on a few pixels apart in the two renderers, mask or not,
    // and those pixels were checked against each renderer's own draw above.
    for (const Draw& d : kDraws) {
      int wrong = 0, apart = 0, alike = 0;
      for (int y = d.area.top; y < d.area.bottom; ++y)
        for (int x = d.area.left; x < d.area.right; ++x) {
          const int i = y * kWidth + x;
          if (software.unmasked[i] != hardware.unmasked[i]) {
            ++apart;
            continue;
          }
          ++alike;
          if (software.masked[reverse][i] != hardware.masked[reverse][i]) ++wrong;
        }
      EXPECT_EQ(wrong, 0) << d.name;
      EXPECT_GT(alike, apart) << d.name;
      if (reverse == 0) std::printf("%s: %d pixels alike, %d apart without the mask\n", d.name, alike, apart);
    }
    int wrong = 0, apart = 0;
    for (int i = 0; i < kWidth * kHeight; ++i) {
      if (software.unmasked[i] != hardware.unmasked[i]) {
        ++apart;
        continue;
      }
      if (software.masked[reverse][i] != hardware.masked[reverse][i]) ++wrong;
    }
    EXPECT_EQ(wrong, 0) << "pixels of the whole frame that differ";
    if (reverse == 0) std::printf("frame: %d pixels apart without the mask\n", apart);
    EXPECT_EQ(software.graphTarget[reverse], hardware.graphTarget[reverse]);
  }
}

TEST_F(MaskDeviceTest, AMaskOutlivesARecreationOfTheDevice) {
  Start(true);
  ASSERT_FALSE(HasFatalFailure());
  SetUpCheckerMask();
  ASSERT_FALSE(HasFatalFailure());
  const void* oldSurface = GetMaskState().screenSurface;
  ASSERT_EQ(RecoverGraphics(), 0);
  const MaskState& mask = GetMaskState();
  ASSERT_NE(mask.buffer, nullptr);
  EXPECT_NE(mask.screenSurface, nullptr);
  EXPECT_NE(mask.screenSurface, oldSurface);
  EXPECT_EQ(mask.created, 1);
  EXPECT_EQ(mask.inEffect, 1);
  int kept = 0;
  for (int y = 0; y < mask.height; ++y)
    for (int x = 0; x < mask.width; ++x)
      kept += mask.buffer[y * mask.pitch + x] == ((x / 4 + y / 4) & 1);
  EXPECT_EQ(kept, mask.width * mask.height) << "the mask bytes survive";

  // The new device's textures hold the mask without a new upload.
  const int graph = MakePatternGraph(24, 16);
  ASSERT_NE(graph, -1);
  const Frame unmasked = DrawAll(graph, -1);
  const Frame masked = DrawAll(graph, 0);
  WritePng("mask_device_after_restore.png", masked, kWidth, kHeight);
  ExpectMaskedAsTheBytesSay(unmasked, masked, 0, kWidth, kHeight);
}

TEST_F(MaskDeviceTest, ClearingUnderTheMaskClearsTheTargetItself) {
  Start(true);
  ASSERT_FALSE(HasFatalFailure());
  SetUpCheckerMask();
  ASSERT_FALSE(HasFatalFailure());
  EnableMaskScreen(0);
  PaintFilledBox(0, 0, kWidth, kHeight, 0x00FFFFFF);
  ASSERT_EQ(ClearDrawTarget(nullptr), 0);
  const Frame plain = ReadTarget(kWidth, kHeight);
  ASSERT_NE(plain[0], 0x00FFFFFFu);

  PaintFilledBox(0, 0, kWidth, kHeight, 0x00FFFFFF);
  ASSERT_EQ(EnableMaskScreen(1), 0);
  ASSERT_EQ(ClearDrawTarget(nullptr), 0);
  EXPECT_EQ(GetMaskState().inEffect, 1);
  EXPECT_EQ(QueryMaskScreenEnabled(), 1);
  EnableMaskScreen(0);
  EXPECT_EQ(ReadTarget(kWidth, kHeight), plain);
}

TEST_F(MaskDeviceTest, EndingTheMaskSystemReleasesTheDeviceObjects) {
  Start(true);
  ASSERT_FALSE(HasFatalFailure());
  SetUpCheckerMask();
  ASSERT_FALSE(HasFatalFailure());
  const MaskState& mask = GetMaskState();
  EXPECT_EQ(mask.textureWidth, 512);
  EXPECT_EQ(mask.textureHeight, 256);
  EXPECT_NE(mask.imageTexture, nullptr);
  EXPECT_NE(mask.screenTexture, nullptr);
  ASSERT_EQ(EndMaskSystem(), 0);
  EXPECT_EQ(mask.buffer, nullptr);
  EXPECT_EQ(mask.imageTexture, nullptr);
  EXPECT_EQ(mask.screenTexture, nullptr);
  EXPECT_EQ(mask.screenSurface, nullptr);
  // Drawing goes to the screen again.
  PaintFilledBox(0, 0, kWidth, kHeight, kBackground);
  PaintBox(10, 10, 20, 20, 0xFFFFFFFF, 1);
  const Frame frame = ReadTarget(kWidth, kHeight);
  EXPECT_EQ(frame[15 * kWidth + 15], 0x00FFFFFFu);
}

}  // namespace
