// The openers and block readers behind SoundDecoder, one set per kind. Each
// opener starts at stream offset 0 and on failure frees what it made and
// leaves the decoder's kind state zeroed.
#ifndef OMBREL_SOUND_DECODER_KINDS_H
#define OMBREL_SOUND_DECODER_KINDS_H

#include "sound/sound_decoder.h"

// Where the chunks of a RIFF/WAVE file lie.
struct WaveChunks {
  int formatOffset;
  int formatBytes;
  int dataOffset;
  int dataBytes;
};

// Walks the RIFF/WAVE chunks from offset 0: "fmt " first (or after one
// "bext"), then chunks up to "data". -1 for anything else or a format chunk
// shorter than 16 bytes. A data chunk that runs past the end of the stream
// holds the bytes that are there.
int FindWaveChunks(const SourceStream& stream, WaveChunks* out);
// Reads the format chunk into out (at most 18 bytes, zero-filled); a 16-byte
// chunk gets its bits per sample from the block align and no extra bytes.
int ReadWaveFormatChunk(const SourceStream& stream, const WaveChunks& chunks, WaveFormat* out);

int OpenWavPcmDecoder(SoundDecoder* decoder);
int DecodeWavPcmBlock(SoundDecoder* decoder);

int OpenAcmWavDecoder(SoundDecoder* decoder);
int OpenMp3Decoder(SoundDecoder* decoder);
int DecodeAcmBlock(SoundDecoder* decoder);
// Moves the main conversion to the PCM byte target (always forward after it
// has restarted or swapped in the parked one).
void SeekAcmDecoder(SoundDecoder* decoder, int target);
void CloseAcmDecoderState(SoundDecoder* decoder);
int GetAcmTotalBytes(SoundDecoder* decoder);

int OpenOggDecoder(SoundDecoder* decoder);
int DecodeOggBlock(SoundDecoder* decoder);
void SeekOggDecoder(SoundDecoder* decoder, int sample);
void CloseOggDecoderState(SoundDecoder* decoder);

#endif
