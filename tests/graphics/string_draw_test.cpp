#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Ombrel.h"
#include <png.h>

#include "graphics/draw_state.h"
#include "graphics/font_system.h"
#include "graphics/graph_handles.h"
#include "graphics/screen_images.h"
#include "support/blit_oracle.h"
#include "support/library_session.h"
#include "system/system_state.h"

namespace {

// "Ａbc漢" and "Ombrel 12"
const char kMixedText[] = "Ａbc漢";
const char kAsciiText[] = "Ombrel 12";
const char kFace[] = "ＭＳ ゴシック";

// The glyphs as GDI gives them, laid out from the metrics alone: each
// character's bitmap goes to (pen + glyph origin x, top + ascent - glyph
// origin y), and the pen moves by the cell advance plus the spacing.
class GlyphOracle {
 public:
  GlyphOracle(int size, int thickness) {
    font_ = CreateFontA(size, 0, 0, 0, thickness * 100, 0, 0, 0, SHIFTJIS_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                        FIXED_PITCH, kFace);
    dc_ = CreateCompatibleDC(nullptr);
    old_ = SelectObject(dc_, font_);
    GetTextMetricsA(dc_, &metrics_);
  }
  ~GlyphOracle() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(font_);
  }

  struct Glyph {
    GLYPHMETRICS gm;
    std::vector<uint8_t> bits;
    int pitch;
    bool Set(int i, int j) const { return (bits[j * pitch + i / 8] >> (7 - i % 8)) & 1; }
  };

  Glyph Fetch(UINT code) const {
    const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    Glyph g = {};
    const DWORD size = GetGlyphOutlineA(dc_, code, GGO_BITMAP, &g.gm, 0, nullptr, &identity);
    if (size != GDI_ERROR && size > 0) {
      g.bits.resize(size);
      GetGlyphOutlineA(dc_, code, GGO_BITMAP, &g.gm, size, g.bits.data(), &identity);
      g.pitch = static_cast<int>(size / g.gm.gmBlackBoxY);
    }
    return g;
  }

  static std::vector<UINT> Codes(const char* text) {
    std::vector<UINT> codes;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p;) {
      const bool lead = (*p >= 0x81 && *p <= 0x9F) || (*p >= 0xE0 && *p <= 0xFC);
      if (lead && p[1]) {
        codes.push_back(static_cast<UINT>(p[0] << 8 | p[1]));
        p += 2;
      } else {
        codes.push_back(*p++);
      }
    }
    return codes;
  }

  // Sets every glyph pixel of the text in mask (width w) to 1 and, with an
  // edge of e pixels, the one-pixel cross (e = 1) around each to 2. The glyph
  // box (widened by 2e) starts at the pen plus the glyph origin's x, below
  // the line top by the ascent minus the origin's y. Vertical text turns
  // each box a quarter turn clockwise: its right column is the line height
  // minus that distance, its top the pen plus the origin's x.
  int Lay(const char* text, int x, int y, int spacing, std::vector<uint8_t>* mask, int w, int h,
          int e = 0, bool vertical = false) const {
    int lineHeight = metrics_.tmHeight + 2 * e;
    if (lineHeight & 1) ++lineHeight;
    int pen = 0;
    auto put = [&](int bi, int bj, int boxW, int boxH, int below, int right, uint8_t v) {
      int px;
      int py;
      if (vertical) {
        (void)boxW;
        px = x + lineHeight - below - 1 - bj;
        py = y + pen + right + bi;
        (void)boxH;
      } else {
        px = x + pen + right + bi;
        py = y + below + bj;
      }
      if (px < 0 || py < 0 || px >= w || py >= h) return;
      uint8_t& m = (*mask)[py * w + px];
      if (v == 1 || m == 0) m = v;
    };
    for (UINT code : Codes(text)) {
      const Glyph g = Fetch(code);
      if (code != 0x20 && code != 0x8140 && !g.bits.empty()) {
        const int boxW = static_cast<int>(g.gm.gmBlackBoxX) + 2 * e;
        const int boxH = static_cast<int>(g.gm.gmBlackBoxY) + 2 * e;
        const int below = metrics_.tmAscent - g.gm.gmptGlyphOrigin.y;
        const int right = g.gm.gmptGlyphOrigin.x;
        for (int j = 0; j < static_cast<int>(g.gm.gmBlackBoxY); ++j) {
          for (int i = 0; i < static_cast<int>(g.gm.gmBlackBoxX); ++i) {
            if (!g.Set(i, j)) continue;
            put(i + e, j + e, boxW, boxH, below, right, 1);
            if (e == 1) {
              put(i, j + 1, boxW, boxH, below, right, 2);
              put(i + 2, j + 1, boxW, boxH, below, right, 2);
              put(i + 1, j, boxW, boxH, below, right, 2);
              put(i + 1, j + 2, boxW, boxH, below, right, 2);
            }
          }
        }
      }
      pen += g.gm.gmCellIncX + 2 * e + spacing;
    }
    return pen;
  }

  int Advance(const char* text, int spacing) const {
    int pen = 0;
    for (UINT code : Codes(text)) pen += Fetch(code).gm.gmCellIncX + spacing;
    return pen;
  }

  const TEXTMETRICA& metrics() const { return metrics_; }

 private:
  HFONT font_;
  HDC dc_;
  HGDIOBJ old_;
  TEXTMETRICA metrics_;
};

class StringDrawTest : public StartedLibraryTest {
 protected:
  void SetUp() override {
    StartedLibraryTest::SetUp();
    ASSERT_EQ(SelectDrawTarget(-2), 0);
    screen_ = GetPrimaryScreenSoftImg();
    ASSERT_EQ(SetDefaultFontSize(11), 0);
    ASSERT_EQ(SetDefaultFontThickness(1), 0);
    ASSERT_EQ(SetDefaultFontSpacing(-1), 0);
    ASSERT_EQ(SetDefaultFontFace(kFace, -1), 0);
  }

  uint32_t Pixel(int x, int y) const {
    uint32_t v;
    std::memcpy(&v, screen_->pixels + y * screen_->body->pitch + x * 4, 4);
    return v & 0xFFFFFF;
  }

  void Clear(uint32_t value) {
    const IntRect whole = {0, 0, screen_->width, screen_->height};
    FillSoftImgRaw(screen_, &whole, value);
  }

  std::vector<uint32_t> Screen() const {
    std::vector<uint32_t> pixels;
    for (int y = 0; y < screen_->height; ++y) {
      for (int x = 0; x < screen_->width; ++x) pixels.push_back(Pixel(x, y));
    }
    return pixels;
  }

  // Pixels that differ from what the mask gives: value[m] for mask value m.
  int CountMismatches(const std::vector<uint8_t>& mask, const uint32_t value[3]) const {
    int differing = 0;
    const int w = screen_->width;
    for (int y = 0; y < screen_->height; ++y) {
      for (int x = 0; x < w; ++x) {
        if (Pixel(x, y) != value[mask[y * w + x]]) ++differing;
      }
    }
    return differing;
  }

  SOFTIMG* screen_ = nullptr;
};

TEST_F(StringDrawTest, DirectTextEqualsTheGlyphOracle) {
  const GlyphOracle oracle(11, 1);
  const int w = screen_->width;
  const int h = screen_->height;
  for (const char* text : {kMixedText, kAsciiText}) {
    SCOPED_TRACE(text);
    Clear(0x000000);
    ASSERT_EQ(DrawStringDefaultFont(7, 9, text, ComposeColorCode(255, 255, 255), 0), 0);
    std::vector<uint8_t> mask(w * h, 0);
    oracle.Lay(text, 7, 9, -1, &mask, w, h);
    int differing = 0;
    int lit = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const uint32_t expected = mask[y * w + x] ? 0xFFFFFFu : 0u;
        if (Pixel(x, y) != expected) ++differing;
        if (expected) ++lit;
      }
    }
    EXPECT_GT(lit, 20);
    EXPECT_EQ(differing, 0);
  }
}

TEST_F(StringDrawTest, ClippedTextKeepsItsVisibleColumns) {
  const GlyphOracle oracle(11, 1);
  const int w = screen_->width;
  const int h = screen_->height;
  Clear(0x000000);
  // The clip cuts the first glyph and the last; what is left is drawn from
  // its first visible column.
  ASSERT_EQ(SetDrawClipRect(11, 10, 31, 240), 0);
  ASSERT_EQ(DrawStringDefaultFont(7, 9, kMixedText, ComposeColorCode(255, 255, 255), 0), 0);
  std::vector<uint8_t> mask(w * h, 0);
  oracle.Lay(kMixedText, 7, 9, -1, &mask, w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (x < 11 || x >= 31 || y < 10) mask[y * w + x] = 0;
    }
  }
  const uint32_t values[3] = {0, 0xFFFFFF, 0};
  EXPECT_EQ(CountMismatches(mask, values), 0);
  // Text that starts right of the front screen's area draws nothing.
  ASSERT_EQ(SelectDrawTarget(-4), 0);
  ASSERT_EQ(SetDrawClipRect(0, 0, 100, 240), 0);
  Clear(0x000000);
  EXPECT_EQ(DrawStringDefaultFont(100, 9, "abc", ComposeColorCode(255, 255, 255), 0), 0);
  EXPECT_EQ(DrawStringDefaultFont(1, 1, "", ComposeColorCode(255, 255, 255), 0), 0);
  EXPECT_EQ(DrawStringDefaultFont(1, 1, nullptr, ComposeColorCode(255, 255, 255), 0), 0);
  const uint32_t black[3] = {0, 0, 0};
  EXPECT_EQ(CountMismatches(std::vector<uint8_t>(w * h, 0), black), 0);
}

TEST_F(StringDrawTest, EdgedTextDrawsItsEdge) {
  const int font = CreateFontToHandle(kFace, 16, 1, 1, -1, 1, 0, -1, -1);
  ASSERT_NE(font, -1);
  ASSERT_EQ(SetFontHandleSpacing(1, font), 0);
  const GlyphOracle oracle(16, 1);
  const int w = screen_->width;
  const int h = screen_->height;
  for (bool vertical : {false, true}) {
    SCOPED_TRACE(vertical ? "vertical" : "horizontal");
    Clear(0x000000);
    ASSERT_EQ(DrawStringWithFont(20, 30, kMixedText, ComposeColorCode(255, 255, 255), font,
                                 ComposeColorCode(255, 0, 0), vertical ? 1 : 0),
              0);
    std::vector<uint8_t> mask(w * h, 0);
    oracle.Lay(kMixedText, 20, 30, 1, &mask, w, h, 1, vertical);
    const uint32_t values[3] = {0, 0xFFFFFF, 0xFF0000};
    EXPECT_EQ(CountMismatches(mask, values), 0);
    EXPECT_GT(std::count(mask.begin(), mask.end(), 2), 50);
  }
  EXPECT_EQ(DeleteFontHandle(font), 0);
  EXPECT_EQ(DrawStringWithFont(0, 0, "a", ComposeColorCode(255, 255, 255), font, 0, 0), -1);
}

TEST_F(StringDrawTest, VerticalTextTurnsEachGlyph) {
  const GlyphOracle oracle(11, 1);
  const int w = screen_->width;
  const int h = screen_->height;
  Clear(0x000000);
  const int font = QueryDefaultFontHandle();
  int size[2] = {};
  const int advance = DrawOrMeasureString(0, 0, 0, kMixedText, 0, nullptr, nullptr, 1, font, 0,
                                          -1, 1, size);
  EXPECT_EQ(advance, oracle.Advance(kMixedText, -1));
  EXPECT_EQ(size[1], advance);
  EXPECT_EQ(size[0], GetFontRecord(font)->cellHeight);
  EXPECT_EQ(MeasureStringWidth(kMixedText, -1, 1), advance);
  ASSERT_EQ(DrawStringWithFont(40, 12, kMixedText, ComposeColorCode(255, 255, 255), font, 0, 1),
            0);
  std::vector<uint8_t> mask(w * h, 0);
  oracle.Lay(kMixedText, 40, 12, -1, &mask, w, h, 0, true);
  const uint32_t values[3] = {0, 0xFFFFFF, 0};
  EXPECT_EQ(CountMismatches(mask, values), 0);
}

// The work image blends the whole string once: the result equals the direct
// drawing blended at half strength onto the background, also for black text
// (whose written value 0 must not be taken for the work image's key).
TEST_F(StringDrawTest, BlendedTextGoesThroughTheWorkImage) {
  struct Case {
    int red, green, blue;
    uint32_t background;
  };
  const Case cases[] = {{255, 255, 255, 0x204060}, {0, 0, 0, 0xC0A080}, {40, 200, 90, 0x000001}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.red << "," << c.green << "," << c.blue);
    const ColorCode color = ComposeColorCode(c.red, c.green, c.blue);
    ASSERT_EQ(SetBlendModeAndParam(0, 0), 0);
    Clear(c.background);
    ASSERT_EQ(DrawStringDefaultFont(5, 50, kMixedText, color, 0), 0);
    const std::vector<uint32_t> direct = Screen();

    // The direct result as a layer keyed by the background, blended by the
    // reference model of the plain blit.
    SOFTIMG layer = {};
    SOFTIMG expected = {};
    const uint32_t key = c.background ^ 0x010101;
    ASSERT_EQ(CreateSoftImg(&layer, screen_->width, screen_->height, -1, key, kSoftImgColor32, 0,
                            0, 0, nullptr),
              0);
    ASSERT_EQ(CreateSoftImg(&expected, screen_->width, screen_->height, -1, 0, kSoftImgColor32,
                            0, 0, 0, nullptr),
              0);
    FillSoftImgRaw(&expected, nullptr, c.background);
    int drawn = 0;
    for (int y = 0; y < screen_->height; ++y) {
      for (int x = 0; x < screen_->width; ++x) {
        const uint32_t d = direct[y * screen_->width + x];
        const uint32_t v = d == c.background ? key : d;
        if (v != key) ++drawn;
        std::memcpy(layer.pixels + y * layer.body->pitch + x * 4, &v, 4);
      }
    }
    // Black on a black-free background is drawn directly too.
    EXPECT_GT(drawn, 20);
    OracleSettings settings = {};
    settings.drawArea = {0, 0, screen_->width, screen_->height};
    settings.mode = 1;
    settings.param = 128;
    settings.brightRed = settings.brightGreen = settings.brightBlue = 255;
    OracleDrawImage(&expected, &layer, 0, 0, 1, nullptr, settings);

    Clear(c.background);
    ASSERT_EQ(SetBlendModeAndParam(1, 128), 0);
    ASSERT_EQ(DrawStringDefaultFont(5, 50, kMixedText, color, 0), 0);
    int differing = 0;
    for (int y = 0; y < screen_->height; ++y) {
      for (int x = 0; x < screen_->width; ++x) {
        uint32_t e;
        std::memcpy(&e, expected.pixels + y * expected.body->pitch + x * 4, 4);
        if (Pixel(x, y) != (e & 0xFFFFFF)) ++differing;
      }
    }
    EXPECT_EQ(differing, 0);
    ReleaseSoftImg(&layer);
    ReleaseSoftImg(&expected);
  }
  // Full strength goes the direct way.
  ASSERT_EQ(SetBlendModeAndParam(1, 255), 0);
  Clear(0x000000);
  ASSERT_EQ(DrawStringDefaultFont(5, 50, kMixedText, ComposeColorCode(255, 255, 255), 0), 0);
  const GlyphOracle oracle(11, 1);
  std::vector<uint8_t> mask(screen_->width * screen_->height, 0);
  oracle.Lay(kMixedText, 5, 50, -1, &mask, screen_->width, screen_->height);
  const uint32_t values[3] = {0, 0xFFFFFF, 0};
  EXPECT_EQ(CountMismatches(mask, values), 0);
}

// Anti-aliased text always goes through the alpha work image: the screen
// gets the glyphs' coverage blended once, as the blit blends an image with
// alpha.
TEST_F(StringDrawTest, AntialiasedTextBlendsItsCoverage) {
  for (int type : {2, 3}) {
    const int font = CreateFontToHandle(kFace, 16, 1, type, -1, -1, 0, -1, -1);
    ASSERT_NE(font, -1);
    for (int mode : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "type " << type << " blend mode " << mode);
      SOFTIMG layer = {};
      SOFTIMG expected = {};
      ASSERT_EQ(CreateSoftImg(&layer, screen_->width, screen_->height, -1, 0, kSoftImgColor32, 0,
                              1, 0, nullptr),
                0);
      ASSERT_EQ(CreateSoftImg(&expected, screen_->width, screen_->height, -1, 0,
                              kSoftImgColor32, 0, 0, 0, nullptr),
                0);
      FillSoftImgRaw(&layer, nullptr, 0);
      FillSoftImgRaw(&expected, nullptr, 0x102030);
      const ColorCode text = ComposeColorCode(255, 255, 255);
      const ColorCode edge = ComposeColorCode(200, 0, 0);
      ASSERT_GT(DrawOrMeasureString(1, 12, 40, kMixedText, text, &layer, nullptr, 1, font, edge,
                                    -1, 0, nullptr),
                0);
      OracleSettings settings = {};
      settings.drawArea = {0, 0, screen_->width, screen_->height};
      settings.mode = mode;
      settings.param = 128;
      settings.brightRed = settings.brightGreen = settings.brightBlue = 255;
      OracleDrawImage(&expected, &layer, 0, 0, 1, nullptr, settings);

      Clear(0x102030);
      ASSERT_EQ(SetBlendModeAndParam(mode, 128), 0);
      ASSERT_EQ(DrawStringWithFont(12, 40, kMixedText, text, font, edge, 0), 0);
      int differing = 0;
      int lit = 0;
      for (int y = 0; y < screen_->height; ++y) {
        for (int x = 0; x < screen_->width; ++x) {
          uint32_t e;
          std::memcpy(&e, expected.pixels + y * expected.body->pitch + x * 4, 4);
          if (Pixel(x, y) != (e & 0xFFFFFF)) ++differing;
          if (Pixel(x, y) != 0x102030) ++lit;
        }
      }
      EXPECT_EQ(differing, 0);
      EXPECT_GT(lit, 50);
      ReleaseSoftImg(&layer);
      ReleaseSoftImg(&expected);
    }
    EXPECT_EQ(DeleteFontHandle(font), 0);
  }
}

TEST_F(StringDrawTest, BrightScalesTheTextColour) {
  ASSERT_EQ(SetBrightRGB(128, 255, 0), 0);
  Clear(0x000000);
  ASSERT_EQ(DrawStringDefaultFont(5, 5, "W", ComposeColorCode(200, 100, 255), 0), 0);
  const GlyphOracle oracle(11, 1);
  std::vector<uint8_t> mask(screen_->width * screen_->height, 0);
  oracle.Lay("W", 5, 5, -1, &mask, screen_->width, screen_->height);
  const uint32_t values[3] = {0, (128 * 200 / 255) << 16 | 100 << 8 | 0, 0};
  EXPECT_EQ(CountMismatches(mask, values), 0);
}

// A 16-bit graph takes 16-bit pixels even on a 32-bit screen, on both paths.
TEST_F(StringDrawTest, SixteenBitGraphTarget) {
  ASSERT_EQ(SetGraphCreateColorBits(16), 0);
  ASSERT_EQ(SetDrawValidGraphCreateFlag(1), 0);
  const int graph = CreateEmptyGraph(64, 24, 0);
  ASSERT_NE(graph, -1);
  SOFTIMG* image = &GetGraphRecord(graph)->view;
  ASSERT_EQ(image->body->colorType, kSoftImgColor16);
  ASSERT_EQ(SelectDrawTarget(graph), 0);
  const GlyphOracle oracle(11, 1);
  std::vector<uint8_t> mask(64 * 24, 0);
  oracle.Lay("漢a", 2, 3, -1, &mask, 64, 24);
  auto pixel = [&](int x, int y) {
    uint16_t v;
    std::memcpy(&v, image->pixels + y * image->body->pitch + x * 2, 2);
    return v;
  };
  for (int blend : {0, 1}) {
    SCOPED_TRACE(blend);
    FillSoftImgRaw(image, nullptr, 0x0000);
    ASSERT_EQ(SetBlendModeAndParam(blend, 128), 0);
    ASSERT_EQ(DrawStringDefaultFont(2, 3, "漢a", ComposeColorCode(255, 255, 255), 0), 0);
    int differing = 0;
    const uint16_t lit = blend == 0 ? 0xFFFF : 0x7BEF;
    for (int y = 0; y < 24; ++y) {
      for (int x = 0; x < 64; ++x) {
        if (pixel(x, y) != (mask[y * 64 + x] ? lit : 0)) ++differing;
      }
    }
    EXPECT_EQ(differing, 0);
  }
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  EXPECT_EQ(RemoveGraph(graph, 0), 0);
}

TEST_F(StringDrawTest, FormattedTextIsBounded) {
  Clear(0x000000);
  ASSERT_EQ(DrawStringFormatted(3, 3, ComposeColorCode(255, 255, 255), "[%d:%s]", 12, "ab"), 0);
  const std::vector<uint32_t> formatted = Screen();
  Clear(0x000000);
  ASSERT_EQ(DrawStringDefaultFont(3, 3, "[12:ab]", ComposeColorCode(255, 255, 255), 0), 0);
  EXPECT_EQ(Screen(), formatted);

  // Text beyond the 2048-byte buffer is cut, never written past it.
  const std::string longText(5000, 'x');
  Clear(0x000000);
  ASSERT_EQ(DrawStringFormatted(0, 3, ComposeColorCode(255, 255, 255), "%s", longText.c_str()), 0);
  const std::vector<uint32_t> cut = Screen();
  Clear(0x000000);
  ASSERT_EQ(DrawStringDefaultFont(0, 3, longText.substr(0, 2047).c_str(),
                                  ComposeColorCode(255, 255, 255), 0),
            0);
  EXPECT_EQ(Screen(), cut);
  EXPECT_EQ(MeasureStringWidth(longText.c_str(), 2047, 0),
            2047 * MeasureStringWidth("x", -1, 0));
}

TEST_F(StringDrawTest, LogOverlayIsWhiteTextWithABlackEdge) {
  LogOverlayState& overlay = GetSystemState().logOverlay;
  std::strcpy(overlay.lines[0], "Log line");
  std::strcpy(overlay.lines[1], "二行目の記録");
  overlay.shown = 1;
  Clear(0x808080);
  ASSERT_EQ(SetBlendModeAndParam(2, 100), 0);
  ASSERT_EQ(PresentScreen(), 0);
  overlay.shown = 0;
  const int w = screen_->width;
  int white[2] = {0, 0};
  int black = 0;
  for (int y = 0; y < screen_->height; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint32_t p = Pixel(x, y);
      if (p == 0) ++black;
      if (p != 0xFFFFFF) {
        EXPECT_TRUE(p == 0 || p == 0x808080) << x << "," << y;
        continue;
      }
      ASSERT_LT(y, 32) << "a white pixel below the two lines";
      ++white[y / 16];
      // The edge closes round every white pixel.
      const int around[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
      for (const auto& n : around) {
        if (n[0] < 0 || n[1] < 0 || n[0] >= w) continue;
        const uint32_t q = Pixel(n[0], n[1]);
        EXPECT_TRUE(q == 0xFFFFFF || q == 0) << x << "," << y;
      }
    }
  }
  EXPECT_GT(white[0], 20);
  EXPECT_GT(white[1], 20);
  EXPECT_GT(black, white[0] + white[1]);
  // The drawing settings are back as they were.
  EXPECT_EQ(GetDrawState().blendMode, 2);
  EXPECT_EQ(GetDrawState().blendParam, 100);
}

void WritePng(const std::string& path, const std::vector<uint32_t>& pixels, int width,
              int height) {
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_BGRA;
  std::vector<uint32_t> opaque(pixels);
  for (uint32_t& p : opaque) p |= 0xFF000000;
  png_image_write_to_file(&image, path.c_str(), 0, opaque.data(), width * 4, nullptr);
}

TEST_F(StringDrawTest, SceneForPeopleToLookAt) {
  for (int y = 0; y < screen_->height; ++y) {
    const IntRect row = {0, y, screen_->width, y + 1};
    FillSoftImgRaw(screen_, &row, static_cast<uint32_t>(y / 2) << 8 | 0x20);
  }
  const ColorCode white = ComposeColorCode(255, 255, 255);
  EXPECT_EQ(DrawStringDefaultFont(8, 8, "月下の石塚へようこそ。", white, 0), 0);
  EXPECT_EQ(DrawStringFormatted(8, 24, ComposeColorCode(255, 220, 120), "ＨＰ %5d / %d", 123, 456),
            0);
  const int edged = CreateFontToHandle(nullptr, 16, 4, 1, -1, -1, 0, -1, -1);
  const int thick = CreateFontToHandle(nullptr, 20, 6, 1, -1, 2, 0, -1, -1);
  EXPECT_EQ(DrawStringWithFont(8, 44, "縁取りの文字 Edge", white, edged, ComposeColorCode(0, 0, 0), 0),
            0);
  EXPECT_EQ(DrawStringWithFont(8, 66, "太い縁取り", ComposeColorCode(255, 240, 0), thick,
                               ComposeColorCode(160, 0, 0), 0),
            0);
  PaintBox(0, 96, 320, 130, ComposeColorCode(200, 40, 40), 1);
  EXPECT_EQ(SetBlendModeAndParam(1, 128), 0);
  EXPECT_EQ(DrawStringWithFont(8, 102, "半透明の行 blended 50%", white, edged, 0, 0), 0);
  EXPECT_EQ(SetBlendModeAndParam(0, 0), 0);
  EXPECT_EQ(DrawStringWithFont(280, 100, "縦書きの文字", white, edged, ComposeColorCode(0, 0, 160), 1),
            0);
  const char* lines[] = {"戦闘開始！", "スライムが現れた。", "Moonlitcairn 0123456789"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(DrawStringDefaultFont(8, 150 + 15 * i, lines[i], white, 0), 0);
  }
  WritePng(std::string(TEST_ARTIFACT_DIR) + "/graphics_text_scene.png", Screen(), screen_->width,
           screen_->height);
  DeleteFontHandle(edged);
  DeleteFontHandle(thick);
}

// A party screen's worth of texts in the game's font: four rows of names,
// levels, HP and MP, then the play time and the money, many characters
// each and most of them shared between texts.
struct ScreenText {
  int x;
  int y;
  std::string text;
};

std::vector<ScreenText> PartyScreenTexts() {
  const char* const names[] = {"アルヴィン", "セレスティア", "ガルド", "ミーナ・ロゼ"};
  const int levels[] = {12, 9, 15, 7};
  const int hp[][2] = {{1234, 1500}, {87, 960}, {2048, 2048}, {5, 412}};
  const int mp[][2] = {{56, 80}, {310, 320}, {0, 12}, {99, 140}};
  std::vector<ScreenText> texts;
  char line[64];
  for (int i = 0; i < 4; ++i) {
    const int y = 8 + 44 * i;
    texts.push_back({12, y, names[i]});
    texts.push_back({150, y, "ＬＶ"});
    std::snprintf(line, sizeof line, "%3d", levels[i]);
    texts.push_back({180, y, line});
    std::snprintf(line, sizeof line, "ＨＰ　%4d ／ %4d", hp[i][0], hp[i][1]);
    texts.push_back({24, y + 14, line});
    std::snprintf(line, sizeof line, "ＭＰ　%4d ／ %4d", mp[i][0], mp[i][1]);
    texts.push_back({24, y + 28, line});
  }
  texts.push_back({200, 190, "プレイ時間"});
  texts.push_back({220, 204, "01 : 05"});
  std::snprintf(line, sizeof line, "%9d", 1234567);
  texts.push_back({200, 222, line});
  texts.push_back({270, 222, "ギル"});
  return texts;
}

// Text the size of the cache and more: every character of the two-byte
// range from its start, each once.
std::string DistinctCharacters(int count) {
  std::string text;
  for (int lead = 0x88; lead <= 0x9F && count > 0; ++lead) {
    for (int trail = 0x40; trail <= 0xFC && count > 0; ++trail) {
      if (trail == 0x7F) continue;
      text += static_cast<char>(lead);
      text += static_cast<char>(trail);
      --count;
    }
  }
  return text;
}

// Every text of a screen drawn in one frame must look as it does drawn
// alone on a cleared screen with a cleared cache, whatever the cache held
// before: right after start-up, on the next frame, and after more distinct
// characters than the cache has slots went through it; drawn directly and
// through the work image.
TEST_F(StringDrawTest, AScreenOfTextsEqualsEachTextDrawnAlone) {
  const ColorCode white = ComposeColorCode(255, 255, 255);
  const std::vector<ScreenText> texts = PartyScreenTexts();
  ASSERT_EQ(SyncDefaultFont(), 0);
  const int font = QueryDefaultFontHandle();
  const FontRecord* record = GetFontRecord(font);
  ASSERT_NE(record, nullptr);
  const std::string churn = DistinctCharacters(record->slotCount + 37);

  struct Mode {
    const char* name;
    int blendMode;
    int blendParam;
  };
  struct Frame {
    const char* name;
    bool clearCache;
    bool churnBefore;
  };
  const Mode modes[] = {{"direct", 0, 0}, {"blended", 1, 160}};
  const Frame frames[] = {{"cold", true, false}, {"warm", false, false}, {"churned", false, true}};
  for (const Mode& m : modes) {
    SCOPED_TRACE(m.name);
    ASSERT_EQ(SetBlendModeAndParam(m.blendMode, m.blendParam), 0);
    std::vector<uint32_t> alone(screen_->width * screen_->height, 0);
    for (const ScreenText& t : texts) {
      Clear(0x000000);
      ASSERT_EQ(ClearFontGlyphCache(font), 0);
      ASSERT_EQ(DrawStringDefaultFont(t.x, t.y, t.text.c_str(), white, 0), 0);
      const std::vector<uint32_t> pixels = Screen();
      int lit = 0;
      for (size_t i = 0; i < pixels.size(); ++i) {
        if (pixels[i] == 0) continue;
        alone[i] = pixels[i];
        ++lit;
      }
      EXPECT_GT(lit, 4) << t.text;
    }
    const std::string stem = std::string(TEST_ARTIFACT_DIR) + "/graphics_text_party_" + m.name;
    WritePng(stem + "_alone.png", alone, screen_->width, screen_->height);
    for (const Frame& f : frames) {
      SCOPED_TRACE(f.name);
      if (f.clearCache) ASSERT_EQ(ClearFontGlyphCache(font), 0);
      if (f.churnBefore) ASSERT_GT(MeasureStringWidth(churn.c_str(), -1, 0), 0);
      Clear(0x000000);
      for (const ScreenText& t : texts) {
        ASSERT_EQ(DrawStringDefaultFont(t.x, t.y, t.text.c_str(), white, 0), 0);
      }
      const std::vector<uint32_t> frame = Screen();
      WritePng(stem + "_" + f.name + ".png", frame, screen_->width, screen_->height);
      int differing = 0;
      for (size_t i = 0; i < frame.size(); ++i) differing += frame[i] != alone[i];
      EXPECT_EQ(differing, 0);
    }
  }
  ASSERT_EQ(SetBlendModeAndParam(0, 0), 0);
}

TEST_F(StringDrawTest, MeasureIsTheSumOfAdvancesAndSpacing) {
  const GlyphOracle oracle(11, 1);
  for (const char* text : {kMixedText, kAsciiText, "   ", "　"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(MeasureStringWidth(text, -1, 0), oracle.Advance(text, -1));
  }
  // A byte limit cuts the text; a limit inside a two-byte character keeps
  // the whole character.
  EXPECT_EQ(MeasureStringWidth(kMixedText, 2, 0), oracle.Advance("Ａ", -1));
  EXPECT_EQ(MeasureStringWidth(kMixedText, 1, 0), oracle.Advance("Ａ", -1));
  EXPECT_EQ(MeasureStringWidth("", -1, 0), 0);
  EXPECT_EQ(MeasureStringWidth(nullptr, -1, 0), 0);
  // Spacing 2 makes a five-character text 15 pixels wider than spacing -1.
  const int narrow = MeasureStringWidth("abcde", -1, 0);
  ASSERT_EQ(SetDefaultFontSpacing(2), 0);
  EXPECT_EQ(MeasureStringWidth("abcde", -1, 0), narrow + 15);
}

}  // namespace
