// Making the output buffers of a sound record: n buffers sharing one copy of
// a memory sound's PCM, or the one-second ring of a stream sound.
#ifndef OMBREL_SOUND_SOUND_HANDLE_BUFFERS_H
#define OMBREL_SOUND_SOUND_HANDLE_BUFFERS_H

#include "sound/sound_record.h"

// Memory kind: buffer 0 is created (or duplicated from the shared sound's
// first buffer), the others duplicate it; a failed duplicate ends the row and
// the sound keeps the buffers made. Stream kind: one ring of one second
// rounded up to a whole block; a ring that cannot be made ends the program.
int CreateSoundHandleBuffers(int sharedHandle, const WaveFormat* format, int bytes, int kind,
                             int count, int handle);

// One second of the format rounded up to a whole block.
int StreamRingBytes(const WaveFormat& format);

#endif
