#include "sound/movie_services.h"

#include "sound/sound_services.h"

int InitYUVToRGBTables() { return 0; }

int UpdateMovieOverlays() { return 0; }

int PauseAllMovies() { return 0; }

int ResumeAllMovies() { return 0; }

int OpenMovie(const char*, int*, int*, int) { return -1; }

MovieRecord* GetMovieRecord(int) { return nullptr; }

int SetMovieFrameCallback(int, MovieFrameCallback, int) { return -1; }

int UpdateMovieFrame(int, int) { return -1; }

int UpdateTheoraFrameImage(void*, int, int) { return 0; }

int CloseMovieHandle(int) { return -1; }
