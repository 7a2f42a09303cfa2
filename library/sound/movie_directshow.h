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
// Copies the file (through the file functions) into a new temporary file
// whose path goes to widePath (260 characters): 0, 1 when a write fell
// short (the copy is left as far as it got), -1 when nothing was made.
int CopyMovieToTempFile(const char* path, wchar_t* widePath);
// When the renderer has a new frame: clears its flag, points movie->frame at
// its buffer as 24-bit RGB and returns true.
bool TakeDirectShowFrame(MovieRecord* movie);
// At or past the stop position a looping movie starts again from the top and
// a single play ends.
void CheckDirectShowMovieEnd(MovieRecord* movie);
void PauseDirectShowMovie(MovieRecord* movie);
void RunDirectShowMovie(MovieRecord* movie);
// Deletes the temporary copy, stops the graph, frees the renderer's frame
// buffer and releases every interface the record holds.
void CloseDirectShowMovie(MovieRecord* movie);

#endif
