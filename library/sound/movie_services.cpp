#include "sound/sound_services.h"

int InitYUVToRGBTables() { return 0; }

int UpdateMovieOverlays() { return 0; }

int PauseAllMovies() { return 0; }

int ResumeAllMovies() { return 0; }
