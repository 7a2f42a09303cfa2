#include "sound/acm_codec.h"

#include <windows.h>
#include <mmreg.h>
#include <msacm.h>

#include <string.h>

namespace {

struct AcmBindings {
  HMODULE module;
  MMRESULT(WINAPI* formatSuggest)(HACMDRIVER, LPWAVEFORMATEX, LPWAVEFORMATEX, DWORD, DWORD);
  MMRESULT(WINAPI* streamOpen)(LPHACMSTREAM, HACMDRIVER, LPWAVEFORMATEX, LPWAVEFORMATEX,
                               LPWAVEFILTER, DWORD_PTR, DWORD_PTR, DWORD);
  MMRESULT(WINAPI* streamClose)(HACMSTREAM, DWORD);
  MMRESULT(WINAPI* metrics)(HACMOBJ, UINT, LPVOID);
  MMRESULT(WINAPI* streamPrepareHeader)(HACMSTREAM, LPACMSTREAMHEADER, DWORD);
  MMRESULT(WINAPI* streamConvert)(HACMSTREAM, LPACMSTREAMHEADER, DWORD);
  MMRESULT(WINAPI* streamUnprepareHeader)(HACMSTREAM, LPACMSTREAMHEADER, DWORD);
  MMRESULT(WINAPI* streamSize)(HACMSTREAM, DWORD, LPDWORD, DWORD);
};

AcmBindings acm;

template <typename Function>
void Bind(Function* entry, const char* name) {
  *entry = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(acm.module, name)));
}

HACMSTREAM AsStream(uintptr_t stream) { return reinterpret_cast<HACMSTREAM>(stream); }

LPWAVEFORMATEX AsFormat(const void* format) {
  return static_cast<LPWAVEFORMATEX>(const_cast<void*>(format));
}

}  // namespace

int LoadAcmCodec() {
  if (acm.module) return 0;
  acm.module = LoadLibraryA("msacm32.dll");
  if (!acm.module) return -1;
  Bind(&acm.formatSuggest, "acmFormatSuggest");
  Bind(&acm.streamOpen, "acmStreamOpen");
  Bind(&acm.streamClose, "acmStreamClose");
  Bind(&acm.metrics, "acmMetrics");
  Bind(&acm.streamPrepareHeader, "acmStreamPrepareHeader");
  Bind(&acm.streamConvert, "acmStreamConvert");
  Bind(&acm.streamUnprepareHeader, "acmStreamUnprepareHeader");
  Bind(&acm.streamSize, "acmStreamSize");
  return 0;
}

void FreeAcmCodec() {
  if (acm.module) FreeLibrary(acm.module);
  acm = AcmBindings{};
}

bool IsAcmCodecReady() {
  return acm.formatSuggest && acm.streamOpen && acm.streamClose && acm.metrics &&
         acm.streamPrepareHeader && acm.streamConvert && acm.streamUnprepareHeader &&
         acm.streamSize;
}

int GetAcmMaxFormatBytes() {
  if (!IsAcmCodecReady()) return -1;
  DWORD bytes = 0;
  if (acm.metrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, &bytes) != 0) return -1;
  return static_cast<int>(bytes);
}

int SuggestAcmPcmFormat(const void* sourceFormat, WaveFormat* out) {
  if (!IsAcmCodecReady()) return -1;
  WAVEFORMATEX pcm = {};
  pcm.wFormatTag = WAVE_FORMAT_PCM;
  if (acm.formatSuggest(nullptr, AsFormat(sourceFormat), &pcm, sizeof pcm,
                        ACM_FORMATSUGGESTF_WFORMATTAG) != 0) {
    return -1;
  }
  static_assert(sizeof pcm == sizeof *out, "WaveFormat has the WAVEFORMATEX layout");
  memcpy(out, &pcm, sizeof pcm);
  out->extraSize = 0;
  return 0;
}

int OpenAcmStream(const void* sourceFormat, const WaveFormat* pcm, uintptr_t* stream) {
  if (!IsAcmCodecReady()) return -1;
  WAVEFORMATEX destination;
  memcpy(&destination, pcm, sizeof destination);
  HACMSTREAM opened = nullptr;
  if (acm.streamOpen(&opened, nullptr, AsFormat(sourceFormat), &destination, nullptr, 0, 0,
                     ACM_STREAMOPENF_NONREALTIME) != 0) {
    return -1;
  }
  *stream = reinterpret_cast<uintptr_t>(opened);
  return 0;
}

void CloseAcmStream(uintptr_t stream) {
  if (stream && acm.streamClose) acm.streamClose(AsStream(stream), 0);
}

int ConvertAcmChunk(uintptr_t stream, const uint8_t* source, int sourceBytes, uint8_t* dest,
                    int destBytes, int* used, int* produced) {
  *used = 0;
  *produced = 0;
  if (!IsAcmCodecReady() || !stream) return -1;
  ACMSTREAMHEADER header = {};
  header.cbStruct = sizeof header;
  header.pbSrc = const_cast<uint8_t*>(source);
  header.cbSrcLength = static_cast<DWORD>(sourceBytes);
  header.pbDst = dest;
  header.cbDstLength = static_cast<DWORD>(destBytes);
  if (acm.streamPrepareHeader(AsStream(stream), &header, 0) != 0) return -1;
  const MMRESULT result =
      acm.streamConvert(AsStream(stream), &header, ACM_STREAMCONVERTF_BLOCKALIGN);
  acm.streamUnprepareHeader(AsStream(stream), &header, 0);
  if (result != 0) return -1;
  // A codec never reports more than it was given; trusting a larger count
  // would read or hand out bytes past the buffers.
  *used = static_cast<int>(header.cbSrcLengthUsed > header.cbSrcLength ? header.cbSrcLength
                                                                       : header.cbSrcLengthUsed);
  *produced = static_cast<int>(
      header.cbDstLengthUsed > header.cbDstLength ? header.cbDstLength : header.cbDstLengthUsed);
  return 0;
}

int GetAcmDestinationBytes(uintptr_t stream, int sourceBytes) {
  if (!IsAcmCodecReady() || !stream) return -1;
  DWORD bytes = 0;
  if (acm.streamSize(AsStream(stream), static_cast<DWORD>(sourceBytes), &bytes,
                     ACM_STREAMSIZEF_SOURCE) != 0 ||
      bytes > 0x7FFFFFFF) {
    return -1;
  }
  return static_cast<int>(bytes);
}
