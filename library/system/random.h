// The library's one random source, a Mersenne Twister (MT19937) seeded by
// the rule of the generator's first published version. SeedRandom and
// GetRandomInt are public (Ombrel.h).
#ifndef OMBREL_SYSTEM_RANDOM_H
#define OMBREL_SYSTEM_RANDOM_H

#include <stdint.h>

#include "Ombrel.h"

constexpr int kMersenneTwisterWords = 624;

struct MersenneTwisterState {
  uint32_t state[kMersenneTwisterWords] = {};
  uint32_t output[kMersenneTwisterWords] = {};  // tempered words of the current block
  int index = kMersenneTwisterWords;  // next output; the block is used up at 624
  int seeded = 0;
  int mmx = 0;
};

void SeedMersenneTwister(uint32_t seed);
uint32_t NextRandomWord();

// The same on a generator of the caller's, so that a fresh, never-seeded
// one can be examined.
void SeedMersenneTwisterState(MersenneTwisterState* generator, uint32_t seed);
uint32_t NextRandomWordFrom(MersenneTwisterState* generator);

// floor(word * (max + 1) / 2^32): 0..max for max >= 0, 0 for max -1.
int MapRandomWord(uint32_t word, int max);

#endif
