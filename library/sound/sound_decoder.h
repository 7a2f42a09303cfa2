// SoundDecoder: turns a sound file read through a SourceStream into PCM
// handed out in blocks. Opening tries, in order, RIFF/WAVE PCM, RIFF/WAVE
// through the audio compression manager, Ogg Vorbis, MPEG audio through the
// audio compression manager, and last an installable fallback that decodes
// the whole file into memory.
#ifndef OMBREL_SOUND_SOUND_DECODER_H
#define OMBREL_SOUND_SOUND_DECODER_H

#include <stdint.h>

#include "graphics/source_stream.h"
#include "sound/wave_format.h"

struct OggVorbis_File;

enum SoundDecoderKind : int {
  kDecoderWavPcm = 0,
  kDecoderAcm = 1,
  kDecoderOgg = 2,
  kDecoderMemoryPcm = 3,
};

// Bits of the decoder disable mask: a set bit skips that opener.
enum SoundDecoderMaskBit : int {
  kDecoderMaskWavPcm = 1 << 0,
  kDecoderMaskAcmWav = 1 << 1,
  kDecoderMaskOgg = 1 << 2,
  kDecoderMaskMp3 = 1 << 3,
  kDecoderMaskFallback = 1 << 4,
};

// The compression manager's two conversions over the compressed data held in
// memory: the main one that plays, and a parked one kept just before the loop
// start so that a loop-back does not decode from the first frame again.
struct AcmDecoderState {
  uint8_t* sourceFormat;  // the format record the conversions read
  uintptr_t mainStream;
  uintptr_t parkedStream;
  uint8_t* data;  // the compressed data, read whole
  int dataBytes;
  int mainSourcePosition;
  int totalSamples;  // -1 when unknown (compressed WAV); no conversion hands out more
  int parkedSourcePosition;
  int parkedProduced;  // PCM bytes the parked conversion has produced
  uint8_t* parkedBlock;
  int chunkBytes;  // compressed bytes fed per conversion call
  // PCM bytes a conversion started at the data start produces before the
  // first sample of the sound (an MP3's encoder and decoder delay), and what
  // each conversion still has to drop of them.
  int leadBytes;
  int mainLeadLeft;
  int parkedLeadLeft;
};

struct OggDecoderState {
  int open;
  OggVorbis_File* file;
  int bytesPerSample;
};

// Whole PCM held in memory (what the fallback opener produces).
struct MemoryPcmState {
  uint8_t* pcm;
  int capacity;
  int pcmBytes;
  int readPosition;
};

struct SoundDecoder {
  int valid;
  int endOfData;
  int kind;
  SourceStream stream;
  int formatChunkOffset;
  int formatChunkBytes;
  int dataOffset;
  int dataBytes;  // Ogg: total PCM bytes
  WaveFormat outFormat;
  AcmDecoderState acm;
  OggDecoderState ogg;
  MemoryPcmState memory;
  uint8_t* block;
  int blockBytes;
  int blockLeft;
  int blockReadOffset;
  int outPos;  // PCM bytes handed out or skipped since the data start
  int loopStartBytes;
  int useOldVorbisFile;
};

// The last opener tried, which takes the decoder with its stream at offset 0
// and on success leaves it as kind kDecoderMemoryPcm with outFormat and
// blockBytes set. Sound start-up installs the DirectShow conversion here
// (OpenDirectShowDecoder); null before, and the tests may install their own.
using SoundDecoderOpener = int (*)(SoundDecoder* decoder);
int SetSoundDecoderFallbackOpener(SoundDecoderOpener opener);

// 0, or -1 when no enabled opener accepts the data. The decoder keeps a copy
// of the stream record; the caller keeps the stream open while it is used.
int OpenSoundDecoder(const SourceStream* stream, SoundDecoder* decoder);
// Bytes copied, fewer at the end of the data; 0 once the end was met or for
// n 0; -1 for a decoder that is not open.
int ReadSoundDecoder(SoundDecoder* decoder, void* buffer, int n);
int SeekSoundDecoder(SoundDecoder* decoder, int sample);
int CloseSoundDecoder(SoundDecoder* decoder);
int GetSoundDecoderFormat(const SoundDecoder* decoder, WaveFormat* out);
int GetSoundDecoderTotalBytes(SoundDecoder* decoder);
// The whole PCM in a new tracked block; 0, or -1 when it cannot be held.
int DecodeSoundToMemory(SoundDecoder* decoder, WaveFormat* format, void** block, int* size);

#endif
