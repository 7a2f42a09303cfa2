#include "sound/direct_music.h"

#include <windows.h>
#include <dmusici.h>

#include "Ombrel.h"
#include "sound/sound_record.h"
#include "sound/sound_state.h"
#include "system/string_helpers.h"
#include "system/system_state.h"

namespace {

// The library's own copies of the identifiers, so that nothing links the
// platform's GUID library.
constexpr GUID kClsidLoader = {
    0xd2ac2892, 0xb39b, 0x11d1, {0x87, 0x04, 0x00, 0x60, 0x08, 0x93, 0xb1, 0xbd}};
constexpr GUID kIidLoader8 = {
    0x19e7c08c, 0x0a44, 0x4e6a, {0xa1, 0x16, 0x59, 0x5a, 0x7c, 0xd5, 0xde, 0x8c}};
constexpr GUID kClsidPerformance = {
    0xd2ac2881, 0xb39b, 0x11d1, {0x87, 0x04, 0x00, 0x60, 0x08, 0x93, 0xb1, 0xbd}};
constexpr GUID kIidPerformance8 = {
    0x679c4137, 0xc62e, 0x4147, {0xb2, 0xb4, 0x9d, 0x56, 0x9a, 0xcb, 0x25, 0x4c}};
constexpr GUID kClsidDirectMusic = {
    0x636b9f10, 0x0c7d, 0x11d1, {0x95, 0xb2, 0x00, 0x20, 0xaf, 0xdc, 0x74, 0x21}};
constexpr GUID kIidDirectMusic = {
    0x6536115a, 0x7b2d, 0x11d2, {0xba, 0x18, 0x00, 0x00, 0xf8, 0x75, 0xac, 0x12}};
constexpr GUID kIidDirectMusic8 = {
    0x2d3629f7, 0x813d, 0x4939, {0x85, 0x08, 0xf0, 0x5c, 0x6b, 0x75, 0xfd, 0x97}};
constexpr GUID kPerfMasterVolume = {
    0xd2ac28b1, 0xb39b, 0x11d1, {0x87, 0x04, 0x00, 0x60, 0x08, 0x93, 0xb1, 0xbd}};

constexpr DWORD kPerformanceChannels = 64;
constexpr DWORD kSampleRate = 44100;
constexpr DWORD kOutputClass = 1;  // DMUS_PC_OUTPUTCLASS

SoundSystemState& State() { return GetSoundSystemState(); }

IDirectMusicLoader8* Loader() { return static_cast<IDirectMusicLoader8*>(State().directMusicLoader); }
IDirectMusicPerformance8* Performance() {
  return static_cast<IDirectMusicPerformance8*>(State().directMusicPerformance);
}

HRESULT Create(const GUID& classId, const GUID& interfaceId, void** object) {
  *object = nullptr;
  const auto coCreateInstance = GetSystemState().dlls.ole32.CoCreateInstance;
  if (!coCreateInstance) return E_FAIL;
  const HRESULT made = coCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, interfaceId, object);
  if (SUCCEEDED(made) && !*object) return E_FAIL;
  return made;
}

// Releases what the DirectMusic start made, in reverse.
void ReleaseDirectMusicObjects() {
  SoundSystemState& state = State();
  if (IDirectMusicPerformance8* performance = Performance()) {
    performance->Stop(nullptr, nullptr, 0, 0);
    performance->CloseDown();
    performance->Release();
  }
  state.directMusicPerformance = nullptr;
  if (IDirectMusicLoader8* loader = Loader()) loader->Release();
  state.directMusicLoader = nullptr;
  if (state.directMusic) static_cast<IUnknown*>(state.directMusic)->Release();
  state.directMusic = nullptr;
}

int Fail(const char* text) {
  AppendLog(text);
  ReleaseDirectMusicObjects();
  SoundSystemState& state = State();
  if (state.directSound) state.directSound->Release();
  state.directSound = nullptr;
  return -1;
}

void LogPorts(IDirectMusic8* music) {
  for (DWORD index = 0;; ++index) {
    DMUS_PORTCAPS caps = {};
    caps.dwSize = sizeof caps;
    if (music->EnumPort(index, &caps) != S_OK) break;
    char description[DMUS_MAX_DESCRIPTION * 2] = "";
    WideCharToMultiByte(CP_ACP, 0, caps.wszDescription, -1, description,
                        static_cast<int>(sizeof description), nullptr, nullptr);
    AppendLogFormat("%s  Device%d:%s ", caps.dwClass == kOutputClass ? "出力ポート" : "入力ポート",
                    static_cast<int>(index), description);
  }
}

}  // namespace

int StartDirectMusic() {
  SoundSystemState& state = State();
  AppendLog("DirectSound8 の初期化を行います\n");
  void* object = nullptr;
  if (FAILED(Create(kClsidLoader, kIidLoader8, &object))) {
    AppendLog("DirectMusicLoader8 オブジェクトの作成に失敗しました\n");
    AppendLog("前バージョンでの初期化処理に移ります\n");
    return 1;
  }
  state.directMusicLoader = object;
  if (FAILED(Create(kClsidPerformance, kIidPerformance8, &object))) {
    return Fail("DirectMusicPerformance オブジェクトの作成に失敗しました\n");
  }
  state.directMusicPerformance = object;
  if (FAILED(Create(kClsidDirectMusic, kIidDirectMusic, &object))) {
    return Fail("DirectMusic オブジェクトの取得に失敗しました\n");
  }
  state.directMusic = object;
  IDirectMusic8* music8 = nullptr;
  if (FAILED(static_cast<IUnknown*>(object)->QueryInterface(kIidDirectMusic8,
                                                            reinterpret_cast<void**>(&music8))) ||
      !music8) {
    return Fail("DirectMusic8 オブジェクトの取得に失敗しました\n");
  }
  LogPorts(music8);
  DMUS_AUDIOPARAMS params = {};
  params.dwSize = sizeof params;
  params.dwValidData = DMUS_AUDIOPARAMS_FEATURES | DMUS_AUDIOPARAMS_SAMPLERATE;
  params.dwFeatures = DMUS_AUDIOF_ALL;
  params.dwSampleRate = kSampleRate;
  IDirectMusic* music = music8;
  IDirectSound* sound = nullptr;
  const HRESULT initialized = Performance()->InitAudio(
      &music, &sound, nullptr, DMUS_APATH_SHARED_STEREOPLUSREVERB, kPerformanceChannels,
      DMUS_AUDIOF_ALL, &params);
  music8->Release();
  if (FAILED(initialized) || !sound) {
    if (sound) sound->Release();
    return Fail("DirectMusicPerformanceオブジェクトの初期化に失敗しました\n");
  }
  state.directSound = sound;
  long volume = state.musicMasterVolume;
  Performance()->SetGlobalParam(kPerfMasterVolume, &volume, sizeof volume);
  return 0;
}

void StopDirectMusic() { ReleaseDirectMusicObjects(); }

void StopMusicSegment(MusicRecord* record) {
  auto* segment = static_cast<IDirectMusicSegment8*>(record->segment);
  if (segment && Performance()) Performance()->Stop(segment, nullptr, 0, 0);
}

int IsMusicSegmentPlaying(MusicRecord* record) {
  auto* segment = static_cast<IDirectMusicSegment8*>(record->segment);
  if (!segment || !Performance()) return -1;
  return Performance()->IsPlaying(segment, nullptr) == S_OK ? 1 : 0;
}

void ReleaseMusicSegment(MusicRecord* record) {
  auto* segment = static_cast<IDirectMusicSegment8*>(record->segment);
  if (!segment) return;
  if (Performance()) segment->Unload(Performance());
  if (Loader()) Loader()->ReleaseObjectByUnknown(segment);
  segment->Release();
  record->segment = nullptr;
}
