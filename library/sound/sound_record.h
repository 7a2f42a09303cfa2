// The records behind sound, music and soft-sound handles.
#ifndef OMBREL_SOUND_SOUND_RECORD_H
#define OMBREL_SOUND_SOUND_RECORD_H

#include <stdint.h>

#include "graphics/source_stream.h"
#include "sound/output_buffer.h"
#include "sound/sound_decoder.h"
#include "system/linked_list.h"
#include "system/ring_buffer.h"

constexpr int kSoundBufferLimit = 10;
constexpr int kStreamSourceSlots = 4;
constexpr int kStreamSourceLimit = 3;

enum SoundRecordKind : int {
  kSoundKindMemory = 0,
  kSoundKindStream = 1,
};

enum StreamSourceKind : int {
  kSourceDecodedImage = 0,  // decoded whole, kept as a WAV image in memory
  kSourceFileImage = 2,     // the caller's file image copied into memory
  kSourceCallerStream = 3,  // read straight from the caller's stream
};

enum SoundPlayType : int {
  kPlayAndWait = 0,
  kPlayBackground = 1,
  kPlayLoop = 3,
};

struct StreamSoundSource {
  int8_t loopCount;  // -1 endless (back to loopStartSample), n replays the whole source n times
  int kind;
  uint8_t* image;
  int imageBytes;
  SourceStream stream;  // over image; all zero for kSourceCallerStream
  int loopStartSample;
  int stopSample;  // -1 none
  SoundDecoder decoder;
};

struct SoundRecord {
  int checkId;
  SoundOutputBuffer buffers[kSoundBufferLimit];
  WaveFormat format;
  int kind;
  int lastPlayType;
  int bufferOwner;  // the stream whose ring this one plays through, -1 its own
  int borrowerCount;
  int bufferUser;  // the stream playing through this record's ring, -1 none
  int deletePending;
  int ringBytes;
  int writeCursor;  // kRingNotFilled between priming and the first fill
  int refillBoundary;
  StreamSoundSource sources[kStreamSourceSlots];
  uint8_t closeSourceStream[kStreamSourceSlots];
  int sourceCount;
  int currentSource;
  int loopCounter;
  int bytesRead;
  int totalSamples;
  int playPosition;
  int lastPlayCursor;
  uint8_t primed;
  uint8_t endReached;
  uint8_t loopBackPending;
  uint8_t lastSourceDone;
  int loopBackDataBytes;
  int endRingOffset;
  int endPlayCursor;
  int loopBackRingOffset;
  // A loop region written more than once ahead of the cursor: the data
  // positions it runs from and to, so that the position folds back into it.
  // loopEndBytes 0: none.
  int loopStartBytes;
  int loopEndBytes;
  ListNode listNode;
  int pcmBytes;
  uint8_t* pcm;
  int* pcmRefCount;
  int bufferCount;
  int currentBuffer;
  int volume;  // hundredths of a decibel, -10000..0
  int pan;
  int frequency;
  uint8_t nextVolumeSet, nextPanSet, nextFrequencySet;
  int nextVolume, nextPan, nextFrequency;
};

struct MusicRecord {
  int checkId;
  int playing;
  int started;
  uint8_t* midiImage;
  int midiBytes;
  void* segment;
};

enum SoftSoundKind : int {
  kSoftSoundData = 0,
  kSoftSoundPlayer = 1,
};

struct SoftSoundRecord {
  int checkId;
  int kind;
  WaveFormat format;
  int sampleCount;  // data
  uint8_t* samples;
  ListNode listNode;  // player
  int waitingSamples;
  RingBuffer ring;
  SoundOutputBuffer buffer;
  int bufferBytes;
  int writePosition;
  int endPosition;  // -1 none
  int cursorBeforeEnd;
  int playedPastEnd;
  int aheadBytes;
  int playing;
};

#endif
