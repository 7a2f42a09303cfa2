// What the system layer calls of the sound and movie layer: start and end
// of sound, the per-frame services and the movie pause and resume.
#ifndef OMBREL_SOUND_SOUND_SERVICES_H
#define OMBREL_SOUND_SOUND_SERVICES_H

int InitYUVToRGBTables();
int InitializeSoundSystem();
int StopLibraryMusic();
int TerminateSoundSystem();

int ProcessStreamSounds();
int ProcessSoftSoundPlayers();
int ProcessMusicPlayState();
int ProcessMciNotify();

int UpdateMovieOverlays();
int PauseAllMovies();
int ResumeAllMovies();

#endif
