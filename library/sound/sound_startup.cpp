// Sound start-up and shut-down: DirectSound, the primary and silent buffers,
// the device log, the tables and the sound thread.
#include <windows.h>
#include <dsound.h>

#include <stdarg.h>

#include "Ombrel.h"
#include "sound/audio_conversion.h"
#include "sound/direct_music.h"
#include "sound/acm_codec.h"
#include "sound/music.h"
#include "sound/sound_capture.h"
#include "sound/soft_sound.h"
#include "sound/sound_services.h"
#include "sound/sound_state.h"
#include "sound/sound_thread.h"
#include "system/string_helpers.h"
#include "system/system_state.h"

namespace {

// The class and interface of DirectSound, spelled out so that no GUID
// library has to be linked.
constexpr GUID kClsidDirectSound = {
    0x47D4D946, 0x62E8, 0x11CF, {0x93, 0xBC, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr GUID kIidDirectSound = {
    0x279AFA83, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};

constexpr int kSilentSamples = 100;
constexpr DWORD kSilentBufferFlags = DSBCAPS_GLOBALFOCUS | DSBCAPS_STATIC;

SoundSystemState& State() { return GetSoundSystemState(); }

// The device log's lines are built with their own line ends.
void LogFormatted(const char* format, ...) {
  char text[1024];
  va_list arguments;
  va_start(arguments, format);
  FormatStringV(text, sizeof text, format, arguments);
  va_end(arguments);
  AppendLog(text);
}

const char* OkOrNo(DWORD flags, DWORD flag) { return (flags & flag) ? "OK" : "NO"; }

}  // namespace

// DirectSoundEnumerateA's callback: one log line per device; 1 goes on.
BOOL CALLBACK LogSoundDeviceEntry(GUID* guid, const char* description, const char* module,
                                  void* context);

namespace {

int FailStartup(const char* text) {
  SoundSystemState& state = State();
  if (text) AppendLog(text);
  if (state.primaryBuffer) state.primaryBuffer->Release();
  state.primaryBuffer = nullptr;
  if (state.directSound) state.directSound->Release();
  state.directSound = nullptr;
  FreeAcmCodec();
  DeleteSoundLock();
  return -1;
}

void StartSilentBuffer(IDirectSound* sound) {
  SoundSystemState& state = State();
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = 44100;
  format.wBitsPerSample = 16;
  format.nBlockAlign = 4;
  format.nAvgBytesPerSec = 44100 * 4;
  DSBUFFERDESC desc = {};
  desc.dwSize = sizeof desc;
  desc.dwFlags = kSilentBufferFlags;
  desc.dwBufferBytes = kSilentSamples * format.nBlockAlign;
  desc.lpwfxFormat = &format;
  IDirectSoundBuffer* buffer = nullptr;
  if (FAILED(sound->CreateSoundBuffer(&desc, &buffer, nullptr)) || !buffer) {
    AppendLog("無音バッファの作成に失敗しました");
    return;
  }
  void* first = nullptr;
  void* second = nullptr;
  DWORD firstBytes = 0;
  DWORD secondBytes = 0;
  if (FAILED(buffer->Lock(0, desc.dwBufferBytes, &first, &firstBytes, &second, &secondBytes, 0))) {
    AppendLog("無音バッファのロックに失敗しました");
    buffer->Release();
    return;
  }
  ZeroMemory(first, firstBytes);
  if (second) ZeroMemory(second, secondBytes);
  buffer->Unlock(first, firstBytes, second, secondBytes);
  // A looping silence keeps the device's output running between sounds.
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  state.silentBuffer = buffer;
}

void LogDevice(IDirectSound* sound) {
  DSCAPS caps = {};
  caps.dwSize = sizeof caps;
  IncreaseLogIndent();
  sound->GetCaps(&caps);
  AppendLog("DirectSound デバイスを列挙します\n");
  IncreaseLogIndent();
  HMODULE module = LoadLibraryA("DSOUND.DLL");
  if (!module) {
    AppendLog("DSOUND.DLL のロードに失敗しました\n");
  } else {
    using EnumerateFunction = HRESULT(WINAPI*)(LPDSENUMCALLBACKA, void*);
    auto enumerate = reinterpret_cast<EnumerateFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, "DirectSoundEnumerateA")));
    if (!enumerate) {
      AppendLog("DirectSound デバイスの列挙用関数のポインタ取得に失敗しました\n");
    } else {
      enumerate(LogSoundDeviceEntry, nullptr);
    }
  }
  DecreaseLogIndent();
  LogFormatted("最大サンプリングレート:%.2fKHz 最小サンプリングレート:%.2fKHz ",
               caps.dwMaxSecondarySampleRate / 1000.0, caps.dwMinSecondarySampleRate / 1000.0);
  LogFormatted("総サウンドメモリ領域:%.2fKB 空きサウンドメモリ領域:%.2fKB \n",
               caps.dwTotalHwMemBytes / 1024.0, caps.dwFreeHwMemBytes / 1024.0);
  AppendLog("利用可能サンプリング精度\n");
  LogFormatted(" プライマリ １６bit = %s  ８bit = %s ", OkOrNo(caps.dwFlags, DSCAPS_PRIMARY16BIT),
               OkOrNo(caps.dwFlags, DSCAPS_PRIMARY8BIT));
  LogFormatted(" セカンダリ １６bit = %s  ８bit = %s \n",
               OkOrNo(caps.dwFlags, DSCAPS_SECONDARY16BIT),
               OkOrNo(caps.dwFlags, DSCAPS_SECONDARY8BIT));
  AppendLog("利用可能チャンネル\n");
  LogFormatted(" プライマリ MONO = %s  STEREO = %s ", OkOrNo(caps.dwFlags, DSCAPS_PRIMARYMONO),
               OkOrNo(caps.dwFlags, DSCAPS_PRIMARYSTEREO));
  LogFormatted(" セカンダリ MONO = %s  STEREO = %s \n", OkOrNo(caps.dwFlags, DSCAPS_SECONDARYMONO),
               OkOrNo(caps.dwFlags, DSCAPS_SECONDARYSTEREO));
  DecreaseLogIndent();
  if (module) FreeLibrary(module);
}

}  // namespace

BOOL CALLBACK LogSoundDeviceEntry(GUID* guid, const char* description, const char* module,
                                  void* context) {
  AppendLogFormat("モジュール名:%15s  ドライバ記述:%s ", module ? module : "",
                  description ? description : "");
  return TRUE;
}

// Start-up's steps after the DirectSound object exists, in either mode.
static int FinishStartup(IDirectSound* sound) {
  SoundSystemState& state = State();
  StartSilentBuffer(sound);

  state.createType = kSoundCreateMemory;
  state.convertedBytesPerSample = 2;
  InitLinkedList(&state.streamHead, &state.streamTail);
  InitLinkedList(&state.softPlayerHead, &state.softPlayerTail);
  LogDevice(sound);
  DeleteAllSoundHandles(0);
  DeleteAllSoftSoundData();
  DeleteAllSoftSoundPlayers();
  StartSoundThread();
  AppendLog("DirectSound の初期化は正常に終了しました\n");
  return 0;
}


int InitializeSoundSystem() {
  SoundSystemState& state = State();
  if (state.directSound) return -1;
  CreateSoundLock();
  LoadAcmCodec();
  // What no other decoder opens is tried through DirectShow last.
  SetSoundDecoderFallbackOpener(OpenDirectShowDecoder);

  if (state.midiMode == 1) {
    // DirectMusic makes the DirectSound object; without its loader the
    // start goes on in DirectSound mode.
    const int music = StartDirectMusic();
    if (music < 0) return FailStartup(nullptr);
    if (music == 0) return FinishStartup(state.directSound);
    state.midiMode = 0;
  }
  AppendLog("DirectSound の初期化を行います\n");
  AppendLog("DirectSound インターフェースの取得を行います....  ");
  const auto coCreateInstance = GetSystemState().dlls.ole32.CoCreateInstance;
  IDirectSound* sound = nullptr;
  if (!coCreateInstance ||
      FAILED(coCreateInstance(kClsidDirectSound, nullptr,
                              CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                              kIidDirectSound, reinterpret_cast<void**>(&sound))) ||
      !sound) {
    return FailStartup("DirectSoundインターフェースの作成に失敗しました\n");
  }
  state.directSound = sound;
  AppendLog("成功\n");
  AppendLog("引き続きインターフェースの初期化処理...  ");
  const HRESULT initialized = sound->Initialize(nullptr);
  if (FAILED(initialized)) {
    AppendLog("初期化に失敗しました\n");
    AppendLogFormat("エラーコード %x", static_cast<unsigned>(initialized));
    return FailStartup(nullptr);
  }
  AppendLog("成功\n");
  if (FAILED(sound->SetCooperativeLevel(GetDesktopWindow(), DSSCL_PRIORITY))) {
    return FailStartup("DirectSoundの協調レベルの設定に失敗しました\n");
  }
  DSBUFFERDESC primaryDesc = {};
  primaryDesc.dwSize = sizeof primaryDesc;
  primaryDesc.dwFlags = DSBCAPS_PRIMARYBUFFER;
  if (FAILED(sound->CreateSoundBuffer(&primaryDesc, &state.primaryBuffer, nullptr)) ||
      !state.primaryBuffer) {
    state.primaryBuffer = nullptr;
    return FailStartup("DirectSoundのプライマリサウンドバッファの作成に失敗しました\n");
  }
  DSCAPS caps = {};
  caps.dwSize = sizeof caps;
  sound->GetCaps(&caps);
  const WaveFormat primary = MakePrimaryBufferFormat(
      (caps.dwFlags & DSCAPS_PRIMARYSTEREO) != 0, (caps.dwFlags & DSCAPS_PRIMARY16BIT) != 0,
      static_cast<int>(caps.dwMaxSecondarySampleRate));
  WAVEFORMATEX primaryFormat;
  memcpy(&primaryFormat, &primary, sizeof primaryFormat);
  if (FAILED(state.primaryBuffer->SetFormat(&primaryFormat))) {
    AppendLog("DirectSoundのプライマリサウンドバッファのフォーマット設定に失敗しました\n");
  }
  return FinishStartup(sound);
}

int TerminateSoundSystem() {
  SoundSystemState& state = State();
  if (!state.directSound) return -1;
  StopSoundThread();
  FinishCaptureWaveFile();
  DeleteAllSoundHandles(0);
  DeleteAllSoftSoundData();
  DeleteAllSoftSoundPlayers();
  DeleteAllMusicHandles();
  DeleteTemporaryMidiFile();
  if (state.midiMode == 1) StopDirectMusic();
  if (state.primaryBuffer) {
    state.primaryBuffer->Stop();
    state.primaryBuffer->Release();
    state.primaryBuffer = nullptr;
  }
  if (state.silentBuffer) {
    state.silentBuffer->Stop();
    state.silentBuffer->Release();
    state.silentBuffer = nullptr;
  }
  state.directSound->Release();
  state.directSound = nullptr;
  DeleteSoundLock();
  FreeAcmCodec();
  AppendLog("DirectSound の終了処理は正常に終了しました\n");
  return 0;
}
