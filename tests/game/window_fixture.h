// Helpers of the window tests: the library started, a data folder whose
// system pictures (window skin, cursor, list arrows, mark) the test writes
// itself, and the back screen read back pixel by pixel.
#ifndef MOONLITCAIRN_TESTS_GAME_WINDOW_FIXTURE_H
#define MOONLITCAIRN_TESTS_GAME_WINDOW_FIXTURE_H

#include <direct.h>
#include <stdio.h>
#include <string.h>

#include <functional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "CDataManager.h"
#include "CManipulator.h"
#include "GameSettings.h"
#include "Ombrel.h"
#include "game_fixture.h"
#include "graphics/screen_images.h"
#include "software_renderer/soft_image.h"
#include "support/image_fixtures.h"
#include "support/library_session.h"

struct Rgb {
  int red, green, blue;
  bool operator==(const Rgb&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "(" << c.red << ", " << c.green << ", " << c.blue << ")";
}

constexpr Rgb kWhite = {255, 255, 255};
constexpr Rgb kBlack = {0, 0, 0};

inline Rgb ScreenPixel(int x, int y) {
  const SOFTIMG* screen = GetPrimaryScreenSoftImg();
  uint32_t v;
  memcpy(&v, screen->pixels + y * screen->body->pitch + x * 4, 4);
  return {static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF),
          static_cast<int>(v & 0xFF)};
}

// Whether any pixel of the rectangle (right and bottom exclusive) has the colour.
inline bool AnyPixelIs(int left, int top, int right, int bottom, Rgb colour) {
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      if (ScreenPixel(x, y) == colour) return true;
    }
  }
  return false;
}

// An RGB picture whose pixels the function gives.
inline void WritePngFile(const std::string& path, int width, int height,
                         const std::function<Rgb(int, int)>& pixel) {
  PngFixture png;
  png.width = width;
  png.height = height;
  png.colorType = 2;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgb c = pixel(x, y);
      png.rows.push_back(static_cast<uint8_t>(c.red));
      png.rows.push_back(static_cast<uint8_t>(c.green));
      png.rows.push_back(static_cast<uint8_t>(c.blue));
    }
  }
  const Bytes bytes = EncodePng(png);
  WriteFileBytes(path, std::string(bytes.begin(), bytes.end()));
}

// Pixel (px, py) of skin chip i: red names the chip, green and blue the
// place inside it; pixel (7, 2) is black, the transparent colour.
inline Rgb SkinChipPixel(int i, int px, int py) {
  if (px == 7 && py == 2) return kBlack;
  return {40 + 20 * i, px * 16, py * 16};
}

// The skin's background at screen row y: band k is a line 8 pixels thick
// centred on row 8 k (rows 8 k - 4 to 8 k + 3), coloured (c, c, 255) with
// c = (15360 - 1024 k) / 120 for the upper 15 bands, then (0, 0, 367 - 8 k).
inline Rgb BandColour(int y) {
  const int k = (y + 4) / 8;
  if (k < 15) {
    const int c = (15360 - 1024 * k) / 120;
    return {c, c, 255};
  }
  return {0, 0, 367 - 8 * k};
}

constexpr Rgb kCursorColour = {250, 160, 20};
constexpr Rgb kUpArrowColour = {250, 10, 10};
constexpr Rgb kDownArrowColour = {10, 250, 10};
constexpr Rgb kMarkColour = {10, 10, 250};

class WindowTest : public StartedLibraryTest {
 protected:
  void SetUp() override {
    StartedLibraryTest::SetUp();
    for (const char* folder : {"fixture", "fixture\\graphs", "fixture\\graphs\\system"}) {
      _mkdir(folder);
    }
    WritePngFile("fixture\\graphs\\system\\wnd_frame_chip.png", 144, 16,
                 [](int x, int y) { return SkinChipPixel(x / 16, x % 16, y); });
    // A cursor of 8 x 8 with a transparent top-left pixel.
    WritePngFile("fixture\\graphs\\system\\cursor.png", 8, 8,
                 [](int x, int y) { return x == 0 && y == 0 ? kBlack : kCursorColour; });
    WritePngFile("fixture\\graphs\\system\\list_arrow_up.png", 8, 8,
                 [](int, int) { return kUpArrowColour; });
    WritePngFile("fixture\\graphs\\system\\list_arrow_down.png", 8, 8,
                 [](int, int) { return kDownArrowColour; });
    WritePngFile("fixture\\graphs\\system\\mark.png", 8, 8, [](int, int) { return kMarkColour; });
    SetGameDataFolder("fixture");
    // The data manager lives for the process; each test loads its own skin.
    CDataManager::GetInstance().windowSkinLoaded = 0;
    ASSERT_EQ(SelectDrawTarget(-2), 0);
    ClearDrawTarget(nullptr);
  }
  void TearDown() override {
    CDataManager::GetInstance().windowSkinLoaded = 0;
    SetGameDataFolder("..\\data");
    StartedLibraryTest::TearDown();
  }
};

// Counts one frame with the given keys down into the keyboard.
inline void PressKeys(CManipulator* keyboard, std::initializer_list<int> held) {
  char states[kKeyCount] = {};
  for (int key : held) states[key] = 1;
  keyboard->Update(states);
}

#endif
