#include "support/triangle_fixtures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "software_renderer/blend_tables.h"
#include "software_renderer/soft_draw_settings.h"

FramedImage::FramedImage(int colorType, int width, int height, int border, int palettised,
                         int alpha)
    : pixelBytes_(SoftImgBytesPerPixel(colorType, palettised, alpha)) {
  EXPECT_EQ(0, CreateSoftImg(&whole_, width + 2 * border, height + 2 * border, -1, 0, colorType,
                             palettised, alpha, 0, nullptr));
  CreateSubSoftImg(&view_, &whole_, border, border, width, height);
  EXPECT_TRUE(IsSoftImgValid(&view_));
  std::memset(whole_.pixels, 0, static_cast<size_t>(whole_.body->pitch) * whole_.height);
}

FramedImage::~FramedImage() {
  ReleaseSoftImg(&view_);
  ReleaseSoftImg(&whole_);
}

uint32_t FramedImage::Get(int x, int y) const {
  uint32_t value = 0;
  std::memcpy(&value, view_.pixels + y * view_.body->pitch + x * pixelBytes_,
              static_cast<size_t>(pixelBytes_));
  return value;
}

void FramedImage::Set(int x, int y, uint32_t value) {
  std::memcpy(view_.pixels + y * view_.body->pitch + x * pixelBytes_, &value,
              static_cast<size_t>(pixelBytes_));
}

void FramedImage::Fill(uint32_t value) {
  for (int y = 0; y < view_.height; ++y) {
    for (int x = 0; x < view_.width; ++x) Set(x, y, value);
  }
}

void FramedImage::Randomise(std::mt19937& rng) {
  const size_t size = static_cast<size_t>(whole_.body->pitch) * whole_.height;
  for (size_t i = 0; i < size; ++i) whole_.pixels[i] = static_cast<uint8_t>(rng());
}

void FramedImage::CopyBytesFrom(const FramedImage& other) {
  std::memcpy(whole_.pixels, other.whole_.pixels,
              static_cast<size_t>(whole_.body->pitch) * whole_.height);
}

std::string FramedImage::Difference(const FramedImage& other) const {
  const int pitch = whole_.body->pitch;
  const size_t size = static_cast<size_t>(pitch) * whole_.height;
  for (size_t i = 0; i < size; ++i) {
    if (whole_.pixels[i] == other.whole_.pixels[i]) continue;
    const long offset = static_cast<long>(view_.pixels - whole_.pixels);
    const long at = static_cast<long>(i) - offset;
    const long row = at >= 0 ? at / pitch : -1 - (-at - 1) / pitch;
    const long column = at - row * pitch;
    std::ostringstream s;
    s << "byte " << column % pixelBytes_ << " of pixel (" << column / pixelBytes_ << ", " << row
      << ") of the view: " << int{whole_.pixels[i]} << ", expected "
      << int{other.whole_.pixels[i]};
    return s.str();
  }
  return {};
}

void UseTriangleSettings(const IntRect& area, int mode, int param, uint32_t bright) {
  GetSoftDrawSettings() = SoftDrawSettings{area, mode, param, bright, 0};
}

DrawCounter::DrawCounter(int width, int height) : image(1, width, height, 2) {
  InitSoftImgBlendTables();
}

void DrawCounter::Draw(const TriangleVertex (&v)[3], const IntRect* area) {
  const IntRect whole{0, 0, image.view()->width, image.view()->height};
  UseTriangleSettings(area ? *area : whole, 2, 255);
  DrawTriangleOnSoftImg(image.view(), nullptr, v, 0, nullptr, 1);
}

std::string DrawCounter::Spans() const {
  std::ostringstream s;
  for (int y = 0; y < image.view()->height; ++y) {
    for (int x = 0; x < image.view()->width; ++x) {
      if (At(x, y) == 0 || (x > 0 && At(x - 1, y) != 0)) continue;
      int end = x;
      while (end + 1 < image.view()->width && At(end + 1, y) != 0) ++end;
      if (s.tellp() > 0) s << ' ';
      s << y << ':' << x << '-' << end;
    }
  }
  return s.str();
}
