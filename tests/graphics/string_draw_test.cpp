#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "Ombrel.h"
#include "graphics/draw_state.h"
#include "graphics/font_system.h"
#include "graphics/screen_images.h"
#include "support/library_session.h"

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

  // Sets every glyph pixel of the text in mask (width w); returns the advance.
  int Lay(const char* text, int x, int y, int spacing, std::vector<uint8_t>* mask, int w,
          int h) const {
    int pen = 0;
    for (UINT code : Codes(text)) {
      const Glyph g = Fetch(code);
      if (code != 0x20 && code != 0x8140 && !g.bits.empty()) {
        const int left = x + pen + g.gm.gmptGlyphOrigin.x;
        const int top = y + metrics_.tmAscent - g.gm.gmptGlyphOrigin.y;
        for (int j = 0; j < static_cast<int>(g.gm.gmBlackBoxY); ++j) {
          for (int i = 0; i < static_cast<int>(g.gm.gmBlackBoxX); ++i) {
            const int px = left + i;
            const int py = top + j;
            if (g.Set(i, j) && px >= 0 && py >= 0 && px < w && py < h) (*mask)[py * w + px] = 1;
          }
        }
      }
      pen += g.gm.gmCellIncX + spacing;
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
