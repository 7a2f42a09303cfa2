// Images and settings for the triangle tests.
#ifndef OMBREL_TESTS_SUPPORT_TRIANGLE_FIXTURES_H
#define OMBREL_TESTS_SUPPORT_TRIANGLE_FIXTURES_H

#include <stdint.h>

#include <random>
#include <string>
#include <vector>

#include "software_renderer/soft_image.h"
#include "software_renderer/triangle_draw.h"

// A software image seen through a view inside a larger one: the frame of
// `border` pixels around the view stands for memory a draw must not touch.
class FramedImage {
 public:
  FramedImage(int colorType, int width, int height, int border = 0, int palettised = 0,
              int alpha = 0);
  ~FramedImage();
  FramedImage(const FramedImage&) = delete;
  FramedImage& operator=(const FramedImage&) = delete;

  SOFTIMG* view() { return &view_; }
  const SOFTIMG* view() const { return &view_; }
  SoftImgBody* body() { return view_.body; }
  uint32_t Get(int x, int y) const;  // a pixel of the view, in its layout
  void Set(int x, int y, uint32_t value);
  void Fill(uint32_t value);
  void Randomise(std::mt19937& rng);  // every byte, the frame included
  void CopyBytesFrom(const FramedImage& other);
  // Empty when every byte equals the other's, else where the first differs.
  std::string Difference(const FramedImage& other) const;

 private:
  SOFTIMG whole_{};
  SOFTIMG view_{};
  int pixelBytes_;
};

void UseTriangleSettings(const IntRect& area, int mode, int param, uint32_t bright = 0xFFFFFF);

// How often each pixel of a 32-bit image was drawn: the blue channel after
// drawing, on black, solid triangles that add 1.
struct DrawCounter {
  DrawCounter(int width, int height);
  void Draw(const TriangleVertex (&v)[3], const IntRect* area = nullptr);
  int At(int x, int y) const { return static_cast<int>(image.Get(x, y) & 0xFF); }
  // The pixels drawn, as rows of "y:x0-x1" spans joined by spaces.
  std::string Spans() const;
  FramedImage image;
};

#endif
