// The DirectShow side of movies, called by the movie handles: a filter graph
// that renders the file into the library's frame renderer.
#ifndef OMBREL_SOUND_MOVIE_DIRECTSHOW_H
#define OMBREL_SOUND_MOVIE_DIRECTSHOW_H

#include "sound/movie_services.h"

// Renders the file into a graph whose video ends in a new MovieRenderer; a
// file that cannot be rendered where it lies is rendered from a temporary
// copy. 0, or -1 with everything released and the failure logged.
int OpenMovieDirectShow(void* directDraw, MovieRecord* movie, const char* path, int* width,
                        int* height, int modeFlag);
// When the renderer has a new frame: clears its flag, points movie->frame at
// its buffer as 24-bit RGB and returns true.
bool TakeDirectShowFrame(MovieRecord* movie);
// At or past the stop position a looping movie starts again from the top and
// a single play ends.
void CheckDirectShowMovieEnd(MovieRecord* movie);
void PauseDirectShowMovie(MovieRecord* movie);
void RunDirectShowMovie(MovieRecord* movie);
// Deletes the temporary copy, hides the overlay, frees the renderer's frame
// buffer and releases every interface the record holds.
void CloseDirectShowMovie(MovieRecord* movie);
// Places a movie's DirectDraw overlay; 0 or -1.
int UpdateMovieOverlay(int x, int y, int scale, int movie, int show);
int UpdateMovieOverlays();

// The client area's position on the screen and the main window's visible
// region, for overlay placement.
struct OverlayWindow {
  int windowMode;
  IntRect client;  // in screen coordinates
  int clipKind;    // 0 empty, 1 one rectangle, 2 complex
  IntRect clip;    // client coordinates, when clipKind is 1
};

// Where an overlay goes: source (frame pixels) and destination (screen
// pixels) after clipping, aligned to the given boundaries (0 or 1: none).
// false when nothing of it can be seen. Platform-free.
bool PlaceMovieOverlay(int x, int y, int scale, int frameWidth, int frameHeight,
                       const OverlayWindow& window, int alignSource, int alignDest,
                       IntRect* source, IntRect* dest);

#endif
