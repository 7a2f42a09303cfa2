// Ogg Theora movies that movie tests encode for themselves. Each frame shows
// a white band on its top rows and its own number in binary as dark and
// light 16 x 16 blocks below, so that a decoded frame tells which frame it
// is and which way up it came out; neighbouring frames differ in a few
// blocks only, so the encoder keeps them as inter frames.
#ifndef OMBREL_TESTS_SUPPORT_MOVIE_FIXTURES_H
#define OMBREL_TESTS_SUPPORT_MOVIE_FIXTURES_H

#include <stdint.h>

#include <string>
#include <vector>

using MovieBytes = std::vector<uint8_t>;

struct TheoraMovieSpec {
  int width = 64;  // multiples of 16; height at least 32
  int height = 48;
  int frames = 12;
  int fpsNumerator = 30;
  int fpsDenominator = 1;
  int keyFrameInterval = 4;
  bool pagePerFrame = true;  // false: the encoder's own page breaks
  int soundMilliseconds = 0;  // > 0: a Vorbis track of a tone that long
  // The picture inside the coded frame (0 width: the whole frame), at its
  // offset from the frame's top left; the frame outside it is black.
  int pictureLeft = 0;
  int pictureTop = 0;
  int pictureWidth = 0;
  int pictureHeight = 0;
};

MovieBytes MakeTheoraMovie(const TheoraMovieSpec& spec);
// An Ogg file with a Vorbis stream only.
MovieBytes MakeVorbisOnlyOgg(int milliseconds);

// The band: rows 0-7 at luma 235, which a correct conversion makes white.
constexpr int kBandRows = 8;
constexpr int kBandGrey = 254;

// The frame number an XRGB8 image of such a frame shows; -1 when a block is
// neither dark nor light.
int ReadFrameNumber(const uint8_t* pixels, int pitch, int width, int height);

bool WriteMovieFile(const std::string& path, const MovieBytes& bytes);

#endif
