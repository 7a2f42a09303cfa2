// The system's audio compression manager, bound by name at sound start-up,
// behind calls that take the library's own types so that the decoders using
// it stay free of the Windows headers.
#ifndef OMBREL_SOUND_ACM_CODEC_H
#define OMBREL_SOUND_ACM_CODEC_H

#include <stdint.h>

#include "sound/wave_format.h"

// Loads "msacm32.dll" once and takes its eight functions; a missing one stays
// null and the conversions that need it fail.
int LoadAcmCodec();
void FreeAcmCodec();
bool IsAcmCodecReady();

// The largest format record any installed codec uses, or -1.
int GetAcmMaxFormatBytes();
// The PCM format the codec suggests for a source format record.
int SuggestAcmPcmFormat(const void* sourceFormat, WaveFormat* out);
// A non-real-time conversion from the source format to PCM.
int OpenAcmStream(const void* sourceFormat, const WaveFormat* pcm, uintptr_t* stream);
void CloseAcmStream(uintptr_t stream);
// Converts whole source blocks of source into dest; used and produced
// receive the bytes taken and written. -1 when the conversion fails.
int ConvertAcmChunk(uintptr_t stream, const uint8_t* source, int sourceBytes, uint8_t* dest,
                    int destBytes, int* used, int* produced);
// The PCM bytes the source bytes convert to, or -1.
int GetAcmDestinationBytes(uintptr_t stream, int sourceBytes);

#endif
