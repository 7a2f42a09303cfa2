// What the graphics core uses of the movie layer: a file that no image loader
// reads may open as a movie whose frames update a graph. Until movies are
// played, no file opens as one and no handle is live.
#ifndef OMBREL_SOUND_MOVIE_SERVICES_H
#define OMBREL_SOUND_MOVIE_SERVICES_H

#include "Ombrel.h"

struct MovieRecord {
  int theora;          // 1: frames come from the Theora decoder
  void* theoraDecoder;
  int width;
  int height;
  int alpha;      // 1: the right half of each frame holds the alpha of the left
  int frameKind;  // 2 rules out the direct row copy
  GraphImage frameImage;
};

using MovieFrameCallback = void (*)(MovieRecord* movie, int userValue);

// Negative on failure.
int OpenMovie(const char* fileName, int* width, int* height, int userValue);
MovieRecord* GetMovieRecord(int movie);
int SetMovieFrameCallback(int movie, MovieFrameCallback callback, int userValue);
int UpdateMovieFrame(int movie, int flag);
// Non-zero when the frame image now holds the current frame.
int UpdateTheoraFrameImage(void* decoder, int flag, int reserved);
// -1 for a handle that is not live, also -1 ("no movie"), without effect.
int CloseMovieHandle(int movie);

#endif
