// MIDI music handles, played through MCI, or as DirectMusic segments in the
// DirectMusic mode. The tables are cleared at start-up and shut-down;
// MM_MCINOTIFY reaches ProcessMciNotify through the window.
#ifndef OMBREL_SOUND_MUSIC_H
#define OMBREL_SOUND_MUSIC_H

// The playing flag of a music handle, or -1 for a handle that is not live.
int GetMusicPlayState(int handle);
int StopMusicHandle(int handle);
int DeleteMusicHandle(int handle);
int DeleteAllMusicHandles();
// Removes the temporary file a MIDI image was written to for MCI, if any.
void DeleteTemporaryMidiFile();

#endif
