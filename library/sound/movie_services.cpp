#include "sound/movie_directshow.h"

int OpenMovieDirectShow(void*, MovieRecord*, const char*, int*, int*, int) { return -1; }
bool TakeDirectShowFrame(MovieRecord*) { return false; }
void CheckDirectShowMovieEnd(MovieRecord*) {}
void PauseDirectShowMovie(MovieRecord*) {}
void RunDirectShowMovie(MovieRecord*) {}
void CloseDirectShowMovie(MovieRecord*) {}
int UpdateMovieOverlays() { return 0; }
