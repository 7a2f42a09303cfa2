// Times the conversion blit's paths on a 1024 x 1024 image against the
// same-layout row copy measured in the same run.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "Ombrel.h"

namespace {

constexpr int kSize = 1024;
constexpr int kRepeats = 20;

struct Path {
  const char* name;
  ColorFormat source;
  ColorFormat dest;
  int keyToAlpha;
  int dither;
};

ColorFormat Masks(int bits, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  ColorFormat f{};
  SetColorFormatFromMasks(&f, bits, r, g, b, a);
  return f;
}

double Seconds(const LARGE_INTEGER& start, const LARGE_INTEGER& end) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
}

double TimePath(const Path& path, std::vector<uint8_t>& source, std::vector<uint8_t>& dest) {
  const IntRect rect{0, 0, kSize, kSize};
  const int sourcePitch = kSize * path.source.bytesPerPixel;
  const int destPitch = kSize * path.dest.bytesPerPixel;
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  for (int i = 0; i < kRepeats; ++i) {
    ConvertFormatBlt(dest.data(), destPitch, &path.dest, source.data(), sourcePitch, &path.source,
                     nullptr, 0, nullptr, 0, 0, &rect, 0, path.keyToAlpha, 0x00FF00FF, path.dither,
                     0, 0, 0, 0);
  }
  QueryPerformanceCounter(&end);
  return Seconds(start, end) / kRepeats;
}

}  // namespace

int main() {
  ColorFormat xrgb{}, argb{}, rgb{}, gray{};
  SetColorFormatXRGB8(&xrgb);
  SetColorFormatARGB8(&argb);
  SetColorFormatRGB24(&rgb);
  SetColorFormatGray8(&gray);
  const ColorFormat r565 = Masks(16, 0xF800, 0x07E0, 0x001F, 0);
  const ColorFormat a444 = Masks(16, 0x0F00, 0x00F0, 0x000F, 0xF000);
  const Path paths[] = {
      {"same layout (baseline)", argb, argb, 0, 0},
      {"R8G8B8 to X8R8G8B8", rgb, xrgb, 0, 0},
      {"R5G6B5 to X8R8G8B8", r565, xrgb, 0, 0},
      {"palette to X8R8G8B8", gray, xrgb, 0, 0},
      {"X8R8G8B8 to A8R8G8B8 keyed", xrgb, argb, 1, 0},
      {"A8R8G8B8 to A4R4G4B4", argb, a444, 0, 0},
      {"A8R8G8B8 to R5G6B5 ordered dither", argb, r565, 0, 1},
      {"A8R8G8B8 to R5G6B5 running dither", argb, r565, 0, 2},
  };
  std::vector<uint8_t> source(static_cast<size_t>(kSize) * kSize * 4);
  std::vector<uint8_t> dest(source.size());
  for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i * 2654435761u >> 13);

  double baseline = 0;
  for (const Path& path : paths) {
    double seconds = TimePath(path, source, dest);
    if (baseline == 0) baseline = seconds;
    std::printf("%-38s %8.3f ms  %6.2fx baseline\n", path.name, seconds * 1000, seconds / baseline);
  }
  return 0;
}
