// SoundSystemState: the sound subsystem's one static record. The device
// objects are held through forward-declared interfaces so that the decoders
// and the stream logic, which read this record, build without Windows.
#ifndef OMBREL_SOUND_SOUND_STATE_H
#define OMBREL_SOUND_SOUND_STATE_H

#include <stdint.h>

#include "sound/sound_decoder.h"
#include "sound/sound_table.h"
#include "system/linked_list.h"

struct IDirectSound;
struct IDirectSoundBuffer;
struct SoundRecord;
struct MusicRecord;
struct SoftSoundRecord;

constexpr int kSoundHandleLimit = 32768;
constexpr int kMusicHandleLimit = 256;
constexpr int kSoftSoundHandleLimit = 8192;
constexpr int kSoundPathSize = 260;

// 0 decode to PCM in memory; 2 stream from a copy of the file image held in
// memory; 3 stream straight from the file. 1 is stored as 0.
enum SoundCreateType : int {
  kSoundCreateMemory = 0,
  kSoundCreateStreamImage = 2,
  kSoundCreateStreamFile = 3,
};

enum SoundThreadStop : int {
  kSoundThreadRun = 0,
  kSoundThreadStopAsked = 1,
  kSoundThreadStopped = 2,
};

struct MciState {
  unsigned deviceId;
  int loop;
  int playing;
  int tempMidiFile;
  char tempMidiPath[kSoundPathSize];
};

struct SoundSystemState {
  int lockMade;
  void* directMusicLoader;
  void* directMusicPerformance;
  void* directMusic;
  IDirectSound* directSound;  // null until start-up succeeded
  IDirectSoundBuffer* primaryBuffer;
  ListNode streamHead, streamTail;
  ListNode softPlayerHead, softPlayerTail;
  IDirectSoundBuffer* silentBuffer;
  int midiMode;  // 0 MCI, 1 DirectMusic
  long musicMasterVolume;  // the DirectMusic performance's, set at its start
  SoundSlotTable<SoundRecord, kSoundHandleLimit, kHandleKindSound> sounds;
  SoundSlotTable<MusicRecord, kMusicHandleLimit, kHandleKindMusic> music;
  SoundSlotTable<SoftSoundRecord, kSoftSoundHandleLimit, kHandleKindSoftSound> softSounds;
  MciState mci;
  int libraryMusicSet;
  int libraryMusicHandle;
  int libraryMusicIsSound;
  int capturing;
  void* captureFile;
  int captureSamples;
  int createType;
  int decoderDisableMask;
  int movieAudio;
  int convertedBytesPerSample;
  int softwareMixing;
  int softwareLocation;
  void* thread;
  uint32_t threadId;
  volatile int threadStop;
  SoundDecoderOpener fallbackOpener;
};

SoundSystemState& GetSoundSystemState();

inline bool IsSoundSystemStarted() { return GetSoundSystemState().directSound != nullptr; }

// The critical section guarding the tables, every stream record and the
// decoders against the sound thread; re-entrant. Made at start-up and deleted
// at shut-down after the thread has ended.
void CreateSoundLock();
void DeleteSoundLock();
void EnterSoundLock();
void LeaveSoundLock();

class SoundLockHolder {
 public:
  SoundLockHolder() { EnterSoundLock(); }
  ~SoundLockHolder() { LeaveSoundLock(); }
  SoundLockHolder(const SoundLockHolder&) = delete;
  SoundLockHolder& operator=(const SoundLockHolder&) = delete;
};

#endif
