// Stream sounds: up to three sources played one after another through a
// one-second ring that the refill keeps about three quarters of a second
// ahead of the play cursor.
#ifndef OMBREL_SOUND_STREAM_SOUND_H
#define OMBREL_SOUND_STREAM_SOUND_H

#include "graphics/source_stream.h"
#include "sound/sound_record.h"

// writeCursor's value between priming and the first fill.
constexpr int kRingNotFilled = -800;

// Adds a source read through the stream. keepsStream is set to 1 when the
// source no longer needs the caller's stream (kinds 0 and 2 copy the data).
int AddSreamSound(const SourceStream* stream, int loopCount, int handle, int sourceKind,
                  int* keepsStream, int sharedHandle);
int AddStreamSoundFile(const char* path, int loopCount, int handle, int sourceKind,
                       int sharedHandle);
int AddStreamSoundMemory(const void* image, int size, int loopCount, int handle, int sourceKind,
                         int sharedHandle);

// The buffer the stream plays through, claimed for this handle; with force a
// stream that holds it now is stopped, without force the claim then fails.
int AcquireStreamBuffer(int handle, SoundRecord* record, SoundOutputBuffer** out, int force);
int PrimeStreamSound(int handle);
int PlayStreamSound(int handle, int playType, int restart);
int StopStreamSound(int handle);
int CheckStreamSoundPlaying(int handle);
int GetStreamPlayPosition(int handle);
int GetStreamPlayPositionMs(int handle);
int SetStreamSoundPosition(int byteOffset, int handle);

// One refill pass; 0, or -1 when no refill was due.
int ProcessStreamSound(int handle);
int ProcessStreamSounds();
// Turns the ring's play cursor (-1: read it) into the data position.
void UpdateStreamPlayPosition(int handle, int cursor);

// Releases every source of a stream record: decoders, images, memory streams
// and the caller's stream where it was handed over.
void ReleaseStreamSources(SoundRecord* record);

// Back to the start of the first source, unprimed, as after the end of the
// data.
void ClearStreamPlayState(SoundRecord* record);

// Links a record into the list of streams the refill walks.
void LinkStreamRecord(int handle, SoundRecord* record);
void UnlinkStreamRecord(SoundRecord* record);

#endif
