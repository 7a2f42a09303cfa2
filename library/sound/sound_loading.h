// Loading sound files into handles, the whole-file helpers, and the in-memory
// WAV image that decoded PCM is kept in.
#ifndef OMBREL_SOUND_SOUND_LOADING_H
#define OMBREL_SOUND_SOUND_LOADING_H

#include "graphics/source_stream.h"
#include "sound/wave_format.h"

// A PCM sound longer than this is streamed instead of held in buffers.
constexpr unsigned kLongestMemorySoundSeconds = 180;

int CreateSoundHandleFromFile(const char* path, int bufferCount, int sharedHandle);
// Reads a whole file through the file access table into a new tracked block.
int LoadFileToMemory(const char* path, void** block, int* size);
// Reads a whole stream from its start into a new tracked block.
int LoadStreamToMemory(const SourceStream* stream, void** block, int* size);
// "RIFF" size "WAVE" "fmt " formatBytes format "data" pcmBytes pcm, in a new
// tracked block.
int BuildWaveFileImage(void** image, int* imageBytes, const void* format, int formatBytes,
                       const void* pcm, int pcmBytes);

#endif
