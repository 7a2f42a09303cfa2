// The sound handle table and the per-handle operations that do not depend on
// how a sound is fed; stream sounds are handed on to stream_sound.h.
#ifndef OMBREL_SOUND_SOUND_HANDLES_H
#define OMBREL_SOUND_SOUND_HANDLES_H

#include "Ombrel.h"
#include "sound/sound_record.h"

// The record of a live sound handle, or null.
SoundRecord* GetSoundRecord(int handle);

// A zeroed record in a new slot (handle -1) or in the free slot of the given
// handle, which comes back with its check id; the new handle or -1.
int AddSoundData(int handle);

// The buffer a sound plays through now: a memory sound's current buffer, a
// stream's ring (its own or the one it borrows); null when there is none.
SoundOutputBuffer* GetCurrentSoundBuffer(SoundRecord* record);

// Applies volume, pan and frequency to a buffer, each from its one-shot
// override when that is set (and clears it).
void ApplySoundSettings(SoundRecord* record, SoundOutputBuffer* buffer);

// Runs message passes while the sound plays (play type 0).
void WaitWhileSoundPlays(int handle);

#endif
