#include "sound/sound_services.h"

int InitializeSoundSystem() { return -1; }

int StopLibraryMusic() { return 0; }

int TerminateSoundSystem() { return -1; }

int ProcessStreamSounds() { return -1; }

int ProcessSoftSoundPlayers() { return -1; }

int ProcessMusicPlayState() { return -1; }

int ProcessMciNotify() { return 0; }
