#include "system/random.h"

#include "system/cpu_features.h"

namespace {

constexpr int kN = kMersenneTwisterWords;
constexpr int kM = 397;
constexpr uint32_t kUpperMask = 0x80000000u;
constexpr uint32_t kLowerMask = 0x7FFFFFFFu;
constexpr uint32_t kMatrix = 0x9908B0DFu;
constexpr uint32_t kDefaultSeed = 4357;

MersenneTwisterState generator;

uint32_t Twist(uint32_t upper, uint32_t lower, uint32_t far) {
  const uint32_t y = (upper & kUpperMask) | (lower & kLowerMask);
  return far ^ (y >> 1) ^ ((y & 1u) ? kMatrix : 0u);
}

void GenerateBlock(MersenneTwisterState* g) {
  uint32_t* mt = g->state;
  int k = 0;
  for (; k < kN - kM; ++k) mt[k] = Twist(mt[k], mt[k + 1], mt[k + kM]);
  for (; k < kN - 1; ++k) mt[k] = Twist(mt[k], mt[k + 1], mt[k + kM - kN]);
  mt[kN - 1] = Twist(mt[kN - 1], mt[0], mt[kM - 1]);
  for (int i = 0; i < kN; ++i) {
    uint32_t y = mt[i];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    g->output[i] = y;
  }
  g->index = 0;
}

}  // namespace

void SeedMersenneTwisterState(MersenneTwisterState* g, uint32_t seed) {
  // Each word takes the high halves of two steps of x -> 69069 x + 1.
  uint32_t x = seed;
  for (int i = 0; i < kN; ++i) {
    const uint32_t next = 69069u * x + 1u;
    g->state[i] = (x & 0xFFFF0000u) | (next >> 16);
    x = 69069u * next + 1u;
  }
  CpuFeatures cpu;
  ReadCpuFeatures(&cpu);
  g->mmx = cpu.mmx;
  g->seeded = 1;
  GenerateBlock(g);
}

uint32_t NextRandomWordFrom(MersenneTwisterState* g) {
  if (g->index >= kN) {
    if (!g->seeded) SeedMersenneTwisterState(g, kDefaultSeed);
    GenerateBlock(g);
  }
  return g->output[g->index++];
}

void SeedMersenneTwister(uint32_t seed) { SeedMersenneTwisterState(&generator, seed); }

uint32_t NextRandomWord() { return NextRandomWordFrom(&generator); }

int MapRandomWord(uint32_t word, int max) {
  const int64_t range = static_cast<int64_t>(max) + 1;
  return static_cast<int>((static_cast<int64_t>(word) * range) >> 32);
}

int SeedRandom(uint32_t seed) {
  SeedMersenneTwister(seed);
  return 0;
}

int GetRandomInt(int max) { return MapRandomWord(NextRandomWord(), max); }
