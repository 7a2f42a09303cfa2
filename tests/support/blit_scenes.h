// Software images and random scenes for the primitives' tests: guarded
// destinations, random sources, every combination of drawing settings, and
// small images with given pixels.
#ifndef OMBREL_TESTS_SUPPORT_BLIT_SCENES_H
#define OMBREL_TESTS_SUPPORT_BLIT_SCENES_H

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "software_renderer/soft_image.h"
#include "support/blit_oracle.h"

enum class SourceKind { kDirect, kPalettised, kAlpha };

// A destination whose pixels sit inside a larger buffer: canary bytes before
// and after, and padding at the end of every row, all of which must survive.
struct GuardedImage {
  std::vector<uint8_t> bytes;
  SOFTIMG view{};
  static constexpr int kCanary = 64;

  GuardedImage(int colorType, int width, int height, int padding, std::mt19937& rng);
  GuardedImage(const GuardedImage& other);
  GuardedImage& operator=(const GuardedImage&) = delete;
  ~GuardedImage();
};

// Empty when both images hold the same bytes; otherwise where they first
// differ, for a failure message.
std::string FirstDifference(const GuardedImage& real, const GuardedImage& expected);

// A source image of runs of random pixels drawn from a small pool, so that
// equal values (and so transparent ones, also several in a row) are common;
// optionally a view inside a larger image, and with work buffers (a run
// table) when asked.
struct SourceImage {
  SOFTIMG whole{};
  SOFTIMG view{};
  std::vector<uint32_t> pool;

  SourceImage(int colorType, SourceKind kind, int width, int height, bool cutOut,
              std::mt19937& rng, bool workBuffers = false);
  SourceImage(const SourceImage&) = delete;
  SourceImage& operator=(const SourceImage&) = delete;
  ~SourceImage();

  static uint32_t RandomPixel(int colorType, SourceKind kind, std::mt19937& rng);
};

// A blend-graph image of random bytes, or none.
struct GraphImageOf {
  SOFTIMG view{};
  GraphImageOf(int width, int height, std::mt19937& rng);
  GraphImageOf(const GraphImageOf&) = delete;
  GraphImageOf& operator=(const GraphImageOf&) = delete;
  ~GraphImageOf();
};

// A small image with given pixels (repeated to fill it), for worked examples.
struct Pixels {
  SOFTIMG view{};
  Pixels(int colorType, SourceKind kind, int width, int height, std::vector<uint32_t> values,
         uint32_t trans = 0, bool workBuffers = false);
  Pixels(const Pixels&) = delete;
  Pixels& operator=(const Pixels&) = delete;
  ~Pixels();
  uint32_t At(int x, int y) const;
  uint64_t Hash() const;
};

// The settings of one blit draw.
struct BlitCase {
  int colorType;
  SourceKind kind;
  int mode;
  int param;
  uint32_t bright;  // 0x00RRGGBB
  int transFlag;
  bool graph;
  int mmx;
};

// Calls draw for every colour type, source kind, mode (the drawn ones and a
// few that draw nothing), parameter (0, 1, 127, 128, 254, 255 and random),
// bright (off, 0xFEFEFE, random), transFlag (0, 1, 2), blend graph and MMX
// flag, twice each; stops after 20 failing cases.
void ForEachBlitCase(std::mt19937& rng, const std::function<void(const BlitCase&)>& draw);

// A drawing area inside a width x height image, often smaller than it and
// sometimes reaching past it.
IntRect RandomDrawArea(int width, int height, std::mt19937& rng);

// The settings of one fill or line.
struct SolidCase {
  int colorType;
  int mode;
  int param;
  uint32_t bright;  // 0x00RRGGBB
};

// Calls draw reps times for every colour type, mode (the drawn ones and a
// few that draw nothing), parameter (0, 1, 127, 128, 254, 255 and random)
// and bright (off, 0xFFFF00, random); stops after 20 failing cases.
void ForEachSolidCase(std::mt19937& rng, int reps, const std::function<void(const SolidCase&)>& draw);

// One random scene of a case: a source of up to maxSource x 6 pixels (with
// work buffers when asked), a guarded destination of up to maxDest x 9
// pixels and its expected twin, a blend graph at least as large as the source, random blend-graph
// weights, a drawing area (often smaller than the image, sometimes larger)
// and the library's drawing settings set to match.
struct BlitScene {
  BlitScene(const BlitCase& c, std::mt19937& rng, int maxSource = 11, int maxDest = 16,
            bool workBuffers = false);
  const SOFTIMG* Graph() const { return graph ? &graph->view : nullptr; }
  // The case, the scene and what follows, for a failure message.
  std::string Describe(const std::string& where) const;
  // Adds a failure when the two destinations differ.
  void Compare(const std::string& where) const;

  BlitCase c;
  int sourceWidth, sourceHeight;
  std::unique_ptr<SourceImage> source;
  std::unique_ptr<GuardedImage> real;
  std::unique_ptr<GuardedImage> expected;
  std::unique_ptr<GraphImageOf> graph;
  IntRect area;
  OracleSettings oracle;
};

// Images that the blits must refuse to draw with or into, beside ones they
// accept: 32-bit and 16-bit 5 x 4 sources, a 10 x 8 32-bit destination,
// destinations with a palette or alpha, a single-channel image and a blend
// graph smaller than the sources.
struct RefusalImages {
  Pixels src32{1, SourceKind::kDirect, 5, 4, {0x12345678}};
  Pixels src16{0, SourceKind::kDirect, 5, 4, {0x1234}};
  Pixels dest32{1, SourceKind::kDirect, 10, 8, {0xCAFEBABE}};
  Pixels palDest{1, SourceKind::kPalettised, 10, 8, {3}};
  Pixels alphaDest{1, SourceKind::kAlpha, 10, 8, {0x01020304}};
  Pixels single{2, SourceKind::kDirect, 5, 4, {1}};
  Pixels smallGraph{2, SourceKind::kDirect, 4, 4, {200}};
};

// The drawing settings of the library and of the oracle from the same values.
void UseDrawSettings(const IntRect& area, int mode, int param, uint32_t bright = 0xFFFFFF,
                     int mmx = 0);
OracleSettings OracleSettingsOf(const IntRect& area, int mode, int param, uint32_t bright,
                                int mmx, int borderParam, int borderRange);
void ResetDrawSettings();

// 32-bit pixel from blue, green, red and the fourth byte.
constexpr uint32_t Bgrx(uint32_t b, uint32_t g, uint32_t r, uint32_t x) {
  return b | g << 8 | r << 16 | x << 24;
}

#endif
