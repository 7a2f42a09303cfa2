// Timing helpers shared by the software-renderer benchmarks: every rate is
// put beside a memcpy of the same rows measured in the same run.
#ifndef OMBREL_BENCH_BENCH_TIMING_H
#define OMBREL_BENCH_BENCH_TIMING_H

#include <windows.h>

#include <cstring>
#include <vector>

#include "software_renderer/soft_image.h"

inline double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Calls per second of fn, best of three runs of at least 20 ms each.
template <class F>
double CallsPerSecond(F fn) {
  double best = 0;
  for (int run = 0; run < 3; ++run) {
    long calls = 0;
    const double start = Now();
    double elapsed = 0;
    do {
      for (int i = 0; i < 8; ++i) fn();
      calls += 8;
      elapsed = Now() - start;
    } while (elapsed < 0.02);
    if (calls / elapsed > best) best = calls / elapsed;
  }
  return best;
}

// Pixels per second of a memcpy of every row of the image.
inline double MemcpyPixelsPerSecond(SOFTIMG* image, int bytesPerPixel) {
  const int pitch = image->body->pitch;
  std::vector<uint8_t> rows(static_cast<size_t>(pitch) * image->height, 7);
  const double calls = CallsPerSecond([&] {
    for (int y = 0; y < image->height; ++y) {
      std::memcpy(image->pixels + y * pitch, rows.data() + y * pitch,
                  static_cast<size_t>(image->width) * bytesPerPixel);
    }
  });
  return calls * image->width * image->height;
}

#endif
