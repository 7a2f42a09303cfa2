#include "sound/music.h"

#include <windows.h>
#include <mmsystem.h>

#include "sound/direct_music.h"
#include "sound/sound_platform.h"
#include "sound/sound_record.h"
#include "sound/sound_services.h"
#include "sound/sound_state.h"
#include "system/system_state.h"
#include "system/tracked_memory.h"

namespace {

constexpr int kPassesAfterStop = 5;

SoundSystemState& State() { return GetSoundSystemState(); }

MCIERROR SendMci(UINT message, DWORD_PTR flags, void* parameters) {
  const auto send = GetSystemState().dlls.winmm.mciSendCommandA;
  if (!send) return MCIERR_UNRECOGNIZED_COMMAND;
  return send(State().mci.deviceId, message, flags, reinterpret_cast<DWORD_PTR>(parameters));
}

}  // namespace

int ProcessMciNotify() {
  MciState& mci = State().mci;
  if (mci.loop) {
    MCI_PLAY_PARMS play = {};
    play.dwCallback = reinterpret_cast<DWORD_PTR>(GetMainWindow());
    play.dwFrom = 0;
    // Playing only when the device took the play; a refused play leaves the
    // device to be closed like one that ended.
    if (SendMci(MCI_PLAY, MCI_NOTIFY | MCI_FROM, &play) == 0) {
      mci.playing = 1;
    } else {
      mci.loop = 0;
      MCI_GENERIC_PARMS close = {};
      SendMci(MCI_CLOSE, 0, &close);
      mci.playing = 0;
    }
  } else if (mci.playing) {
    MCI_GENERIC_PARMS close = {};
    SendMci(MCI_CLOSE, 0, &close);
    mci.playing = 0;
  }
  return 0;
}

int ProcessMusicPlayState() {
  if (!IsSoundSystemStarted()) return -1;
  // Only the DirectMusic mode has per-pass work: a segment counts as
  // playing once the performance has said so, and as ended once it no
  // longer does.
  if (State().midiMode != 1) return 0;
  auto& table = State().music;
  for (int slot = 0; slot < kMusicHandleLimit; ++slot) {
    MusicRecord* record = table.records[slot];
    if (!record || !record->playing) continue;
    const int playing = IsMusicSegmentPlaying(record);
    if (!record->started) {
      if (playing == 1) record->started = 1;
    } else if (playing != 1) {
      record->playing = 0;
    }
  }
  return 0;
}

int GetMusicPlayState(int handle) {
  if (!IsSoundSystemStarted()) return -1;
  MusicRecord* record = LookupSoundTable(State().music, handle);
  if (!record) return -1;
  return State().midiMode == 1 ? record->playing : State().mci.playing;
}

void DeleteTemporaryMidiFile() {
  MciState& mci = State().mci;
  if (!mci.tempMidiFile) return;
  DeleteFileA(mci.tempMidiPath);
  mci.tempMidiFile = 0;
  mci.tempMidiPath[0] = '\0';
}

int StopMusicHandle(int handle) {
  if (!IsSoundSystemStarted()) return -1;
  MusicRecord* record = LookupSoundTable(State().music, handle);
  if (!record) return -1;
  State().mci.loop = 0;
  if (State().midiMode == 1) {
    StopMusicSegment(record);
  } else {
    ProcessMciNotify();
    for (int i = 0; i < kPassesAfterStop; ++i) RunSoundMessagePass();
  }
  DeleteTemporaryMidiFile();
  record->playing = 0;
  record->started = 0;
  return 0;
}

int DeleteMusicHandle(int handle) {
  if (!IsSoundSystemStarted()) return -1;
  auto& table = State().music;
  MusicRecord* record = LookupSoundTable(table, handle);
  if (!record) return -1;
  if (record->playing) StopMusicHandle(handle);
  ReleaseMusicSegment(record);
  if (record->midiImage) {
    ZeroMemory(record->midiImage, static_cast<SIZE_T>(record->midiBytes));
    FreeTrackedMemory(record->midiImage);
  }
  FreeTrackedMemory(record);
  ClearSoundTableSlot(table, HandleSlot(handle));
  return 0;
}

int DeleteAllMusicHandles() {
  if (!IsSoundSystemStarted()) return -1;
  auto& table = State().music;
  for (int slot = 0; slot < kMusicHandleLimit; ++slot) {
    if (table.records[slot]) DeleteMusicHandle(SoundTableHandle(table, slot));
  }
  return 0;
}

int StopLibraryMusic() {
  SoundSystemState& state = State();
  if (!state.libraryMusicSet) return 0;
  if (state.libraryMusicIsSound) {
    StopSoundHandle(state.libraryMusicHandle);
    DeleteSoundHandle(state.libraryMusicHandle, 0);
  } else {
    StopMusicHandle(state.libraryMusicHandle);
    DeleteMusicHandle(state.libraryMusicHandle);
  }
  state.libraryMusicSet = 0;
  state.libraryMusicHandle = -1;
  return 0;
}
