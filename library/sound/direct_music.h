// The DirectMusic mode of the sound system (MIDI mode 1): DirectMusic's
// performance makes the DirectSound object, and music handles play as
// segments of that performance. Start-up selects it only when the MIDI mode
// is 1 before it runs.
#ifndef OMBREL_SOUND_DIRECT_MUSIC_H
#define OMBREL_SOUND_DIRECT_MUSIC_H

struct MusicRecord;

// Creates the loader, the performance and the DirectMusic object, logs the
// ports and initialises the performance's audio, which sets the sound
// system's IDirectSound. 0 on success; 1 when the loader cannot be made (the
// caller starts over in DirectSound mode); -1 on any other failure, logged,
// with everything made released.
int StartDirectMusic();
// Stops the performance, closes it down and releases the three objects.
void StopDirectMusic();

// The record's segment: stop it, ask whether it plays (1, 0, or -1 without
// a segment), and unload and release it.
void StopMusicSegment(MusicRecord* record);
int IsMusicSegmentPlaying(MusicRecord* record);
void ReleaseMusicSegment(MusicRecord* record);

#endif
