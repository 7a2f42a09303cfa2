#include "sound/audio_conversion.h"

#include <control.h>
#include <mmreg.h>

#include <string.h>

#include <new>

#include "Ombrel.h"
#include "graphics/source_stream.h"
#include "sound/decoder_kinds.h"
#include "sound/dshow_guids.h"
#include "sound/sound_platform.h"
#include "system/tracked_memory.h"

namespace {

// Identifiers the library's own filters report for themselves.
constexpr GUID D_CLSID_MemReader = {
    0x5b2f3a10, 0x6c41, 0x4e0b, {0x9a, 0x57, 0x31, 0x0d, 0x8e, 0x62, 0xa4, 0x11}};
constexpr GUID D_CLSID_SampleGrabberSelf = {
    0x5b2f3a11, 0x6c41, 0x4e0b, {0x9a, 0x57, 0x31, 0x0d, 0x8e, 0x62, 0xa4, 0x11}};

constexpr LONGLONG kUnitsPerSecond = 10000000;  // REFERENCE_TIME per second
constexpr int kPcmGrowth = 0x100000;
constexpr int kCapacityFactor = 10;
constexpr DWORD kWaitStep = 100;
constexpr long kComplete = 1;  // EC_COMPLETE

template <typename T>
void ReleaseInterface(T** object) {
  if (*object) (*object)->Release();
  *object = nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------
// Memory stream

D_CMemStream* NewMemStream(const void* data, LONGLONG length, int kilobytesPerSecond) {
  if (!data || length < 0) return nullptr;
  auto* stream = new (std::nothrow) D_CMemStream;
  if (!stream) return nullptr;
  stream->data = static_cast<const uint8_t*>(data);
  stream->length = length;
  stream->kilobytesPerSecond = kilobytesPerSecond;
  return stream;
}

void FreeMemStream(D_CMemStream* stream) { delete stream; }

LONG ReadMemStream(D_CMemStream* stream, LONGLONG position, LONG bytes, BYTE* out) {
  if (position < 0 || bytes <= 0 || position >= stream->length) return 0;
  const LONGLONG left = stream->length - position;
  const LONG n = left < bytes ? static_cast<LONG>(left) : bytes;
  memcpy(out, stream->data + position, static_cast<size_t>(n));
  if (stream->kilobytesPerSecond > 0) {
    SleepSoundThread(static_cast<int>(LONGLONG{n} * 1000 / (LONGLONG{stream->kilobytesPerSecond} * 1024)));
  }
  return n;
}

// ---------------------------------------------------------------------------
// Memory reader: its pin is read by the parser through IAsyncReader. Every
// request is served at once and queued for WaitForNext.

class D_CMemReaderPin : public D_CBasePin, public IAsyncReader {
 public:
  explicit D_CMemReaderPin(D_CMemReader* reader)
      : D_CBasePin(reader, L"Output", PINDIR_OUTPUT), reader_(reader) {
    InitializeCriticalSection(&queueLock_);
    ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  }
  ~D_CMemReaderPin() override {
    for (int i = 0; i < count_; ++i) queue_[i].sample->Release();
    if (ready_) CloseHandle(ready_);
    DeleteCriticalSection(&queueLock_);
  }
  bool Ready() const { return ready_ != nullptr; }

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override {
    return type->majortype == reader_->OfferedType().majortype ? S_OK : S_FALSE;
  }
  HRESULT GetMediaType(int index, AM_MEDIA_TYPE* type) override {
    if (index != 0) return VFW_S_NO_MORE_ITEMS;
    return D_CopyMediaType(type, &reader_->OfferedType());
  }

  STDMETHODIMP QueryInterface(REFIID id, void** object) override {
    if (!object) return E_POINTER;
    if (id == __uuidof(IAsyncReader)) {
      *object = static_cast<IAsyncReader*>(this);
      AddRef();
      return S_OK;
    }
    return D_CBasePin::QueryInterface(id, object);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return D_CBasePin::AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return D_CBasePin::Release(); }

  STDMETHODIMP RequestAllocator(IMemAllocator* preferred, ALLOCATOR_PROPERTIES* properties,
                                IMemAllocator** actual) override {
    if (!properties || !actual) return E_POINTER;
    *actual = nullptr;
    ALLOCATOR_PROPERTIES wanted = *properties;
    if (wanted.cbAlign < 1) wanted.cbAlign = 1;
    ALLOCATOR_PROPERTIES got = {};
    if (preferred && SUCCEEDED(preferred->SetProperties(&wanted, &got))) {
      preferred->AddRef();
      *actual = preferred;
      return S_OK;
    }
    IMemAllocator* allocator = nullptr;
    const HRESULT made = D_CoCreateInstance(D_CLSID_MemoryAllocator, __uuidof(IMemAllocator),
                                            reinterpret_cast<void**>(&allocator));
    if (FAILED(made)) return made;
    const HRESULT set = allocator->SetProperties(&wanted, &got);
    if (FAILED(set)) {
      allocator->Release();
      return set;
    }
    *actual = allocator;
    return S_OK;
  }

  STDMETHODIMP Request(IMediaSample* sample, DWORD_PTR user) override {
    if (!sample) return E_POINTER;
    EnterCriticalSection(&queueLock_);
    HRESULT result = S_OK;
    if (flushing_) {
      result = VFW_E_WRONG_STATE;
    } else if (count_ == kQueueSize) {
      result = E_FAIL;
    } else {
      result = Fill(sample);
      if (SUCCEEDED(result)) {
        sample->AddRef();
        queue_[count_++] = {sample, user};
        SetEvent(ready_);
      }
    }
    LeaveCriticalSection(&queueLock_);
    return result;
  }

  STDMETHODIMP WaitForNext(DWORD timeout, IMediaSample** sample, DWORD_PTR* user) override {
    if (!sample || !user) return E_POINTER;
    *sample = nullptr;
    *user = 0;
    for (;;) {
      EnterCriticalSection(&queueLock_);
      if (count_ > 0) {
        *sample = queue_[0].sample;  // the queue's reference goes to the caller
        *user = queue_[0].user;
        memmove(&queue_[0], &queue_[1], sizeof queue_[0] * static_cast<size_t>(count_ - 1));
        if (--count_ == 0 && !flushing_) ResetEvent(ready_);
        LeaveCriticalSection(&queueLock_);
        return S_OK;
      }
      const bool flushing = flushing_;
      LeaveCriticalSection(&queueLock_);
      if (flushing) return VFW_E_WRONG_STATE;
      if (WaitForSingleObject(ready_, timeout) == WAIT_TIMEOUT) return VFW_E_TIMEOUT;
    }
  }

  STDMETHODIMP SyncReadAligned(IMediaSample* sample) override {
    if (!sample) return E_POINTER;
    return Fill(sample);
  }

  STDMETHODIMP SyncRead(LONGLONG position, LONG length, BYTE* buffer) override {
    if (!buffer) return E_POINTER;
    const LONG got = ReadMemStream(reader_->Stream(), position, length, buffer);
    return got == length ? S_OK : S_FALSE;
  }

  STDMETHODIMP Length(LONGLONG* total, LONGLONG* available) override {
    if (total) *total = reader_->Stream()->length;
    if (available) *available = reader_->Stream()->length;
    return S_OK;
  }

  STDMETHODIMP BeginFlush() override {
    EnterCriticalSection(&queueLock_);
    flushing_ = true;
    SetEvent(ready_);
    LeaveCriticalSection(&queueLock_);
    return S_OK;
  }

  STDMETHODIMP EndFlush() override {
    EnterCriticalSection(&queueLock_);
    flushing_ = false;
    if (count_ == 0) ResetEvent(ready_);
    LeaveCriticalSection(&queueLock_);
    return S_OK;
  }

 private:
  static constexpr int kQueueSize = 64;
  struct Pending {
    IMediaSample* sample;
    DWORD_PTR user;
  };

  // The sample's times name the bytes it wants, in units of 1/10^7.
  HRESULT Fill(IMediaSample* sample) {
    REFERENCE_TIME start = 0, stop = 0;
    if (FAILED(sample->GetTime(&start, &stop))) return VFW_E_SAMPLE_TIME_NOT_SET;
    BYTE* buffer = nullptr;
    if (FAILED(sample->GetPointer(&buffer))) return E_FAIL;
    const LONGLONG position = start / kUnitsPerSecond;
    LONGLONG wanted = (stop - start) / kUnitsPerSecond;
    if (wanted > sample->GetSize()) wanted = sample->GetSize();
    const LONG got = ReadMemStream(reader_->Stream(), position, static_cast<LONG>(wanted), buffer);
    sample->SetActualDataLength(got);
    if (got < wanted) {
      REFERENCE_TIME end = (position + got) * kUnitsPerSecond;
      sample->SetTime(&start, &end);
    }
    return got == wanted ? S_OK : S_FALSE;
  }

  D_CMemReader* reader_;
  CRITICAL_SECTION queueLock_;
  HANDLE ready_;
  Pending queue_[kQueueSize] = {};
  int count_ = 0;
  bool flushing_ = false;
};

D_CMemReader::D_CMemReader(D_CMemStream* stream, const AM_MEDIA_TYPE* type, HRESULT* result)
    : D_CBaseFilter(D_CLSID_MemReader, L"Mem Reader"), stream_(stream), pin_(nullptr) {
  *result = D_CopyMediaType(&type_, type);
  if (FAILED(*result)) return;
  pin_ = new (std::nothrow) D_CMemReaderPin(this);
  *result = pin_ && pin_->Ready() ? S_OK : E_OUTOFMEMORY;
}

D_CMemReader::~D_CMemReader() {
  delete pin_;
  D_FreeMediaType(&type_);
}

D_CBasePin* D_CMemReader::GetPin(int index) { return index == 0 ? pin_ : nullptr; }

D_CMemReader* NewMemReader(D_CMemStream* stream, const AM_MEDIA_TYPE* type, HRESULT* result) {
  HRESULT made = E_OUTOFMEMORY;
  auto* reader = new (std::nothrow) D_CMemReader(stream, type, &made);
  if (reader && FAILED(made)) {
    reader->Release();
    reader = nullptr;
  }
  if (result) *result = reader ? S_OK : E_OUTOFMEMORY;
  return reader;
}

void FreeMemReader(D_CMemReader* reader) {
  if (reader) reader->Release();
}

// ---------------------------------------------------------------------------
// Sample grabber: samples pass from the input to the downstream pin in
// place, through the allocator the upstream filter chose.

class D_CGrabberInputPin : public D_CBaseInputPin {
 public:
  explicit D_CGrabberInputPin(D_CSampleGrabber* grabber)
      : D_CBaseInputPin(grabber, L"Input"), grabber_(grabber) {}

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override {
    const AM_MEDIA_TYPE& accepted = grabber_->Accepted();
    if (accepted.majortype != GUID_NULL && accepted.majortype != type->majortype) return S_FALSE;
    if (accepted.subtype != GUID_NULL && accepted.subtype != type->subtype) return S_FALSE;
    return S_OK;
  }

  IMemAllocator* Allocator() const { return allocator_; }

  STDMETHODIMP Receive(IMediaSample* sample) override;
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;
  STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

 private:
  D_CSampleGrabber* grabber_;
};

class D_CGrabberOutputPin : public D_CBasePin {
 public:
  explicit D_CGrabberOutputPin(D_CSampleGrabber* grabber)
      : D_CBasePin(grabber, L"Output", PINDIR_OUTPUT), grabber_(grabber) {}

  // The output carries what the input carries.
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override {
    const D_CGrabberInputPin* input = grabber_->Input();
    if (!input->Connected()) return S_FALSE;
    return type->majortype == input->MediaType().majortype &&
                   type->subtype == input->MediaType().subtype
               ? S_OK
               : S_FALSE;
  }
  HRESULT GetMediaType(int index, AM_MEDIA_TYPE* type) override {
    if (index != 0 || !grabber_->Input()->Connected()) return VFW_S_NO_MORE_ITEMS;
    return D_CopyMediaType(type, &grabber_->Input()->MediaType());
  }
  HRESULT CompleteConnect(IPin* receivePin) override {
    IMemInputPin* downstream = nullptr;
    if (FAILED(receivePin->QueryInterface(__uuidof(IMemInputPin),
                                          reinterpret_cast<void**>(&downstream)))) {
      return VFW_E_NO_TRANSPORT;
    }
    IMemAllocator* allocator = grabber_->Input()->Allocator();
    const HRESULT told = allocator ? downstream->NotifyAllocator(allocator, FALSE) : S_OK;
    if (FAILED(told)) {
      downstream->Release();
      return told;
    }
    downstream_ = downstream;
    return S_OK;
  }
  void BreakConnect() override { ReleaseInterface(&downstream_); }

  IMemInputPin* Downstream() const { return downstream_; }

 private:
  D_CSampleGrabber* grabber_;
  IMemInputPin* downstream_ = nullptr;
};

STDMETHODIMP D_CGrabberInputPin::Receive(IMediaSample* sample) {
  if (!sample) return E_POINTER;
  if (IsFlushing()) return S_FALSE;
  if (grabber_->State() == State_Stopped) return VFW_E_WRONG_STATE;
  if (const D_GrabberCallback callback = grabber_->callback()) {
    REFERENCE_TIME start = 0, stop = 0;
    sample->GetTime(&start, &stop);
    callback(sample, &start, &stop, grabber_->user());
  }
  IMemInputPin* downstream = grabber_->Output()->Downstream();
  return downstream ? downstream->Receive(sample) : S_OK;
}

STDMETHODIMP D_CGrabberInputPin::EndOfStream() {
  IPin* next = grabber_->Output()->Connected();
  return next ? next->EndOfStream() : S_OK;
}

STDMETHODIMP D_CGrabberInputPin::BeginFlush() {
  D_CBasePin::BeginFlush();
  IPin* next = grabber_->Output()->Connected();
  return next ? next->BeginFlush() : S_OK;
}

STDMETHODIMP D_CGrabberInputPin::EndFlush() {
  D_CBasePin::EndFlush();
  IPin* next = grabber_->Output()->Connected();
  return next ? next->EndFlush() : S_OK;
}

STDMETHODIMP D_CGrabberInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop,
                                            double rate) {
  IPin* next = grabber_->Output()->Connected();
  return next ? next->NewSegment(start, stop, rate) : S_OK;
}

D_CSampleGrabber::D_CSampleGrabber(HRESULT* result)
    : D_CBaseFilter(D_CLSID_SampleGrabberSelf, L"SampleGrabber"),
      input_(new (std::nothrow) D_CGrabberInputPin(this)),
      output_(new (std::nothrow) D_CGrabberOutputPin(this)) {
  *result = input_ && output_ ? S_OK : E_OUTOFMEMORY;
}

D_CSampleGrabber::~D_CSampleGrabber() {
  delete output_;
  delete input_;
  D_FreeMediaType(&accepted_);
}

D_CBasePin* D_CSampleGrabber::GetPin(int index) {
  if (index == 0) return input_;
  if (index == 1) return output_;
  return nullptr;
}

HRESULT D_CSampleGrabber::SetAcceptedMediaType(const AM_MEDIA_TYPE* type) {
  D_CAutoLock lock(Lock());
  D_FreeMediaType(&accepted_);
  accepted_ = {};
  return type ? D_CopyMediaType(&accepted_, type) : S_OK;
}

HRESULT D_CSampleGrabber::GetConnectedMediaType(AM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  if (!input_->Connected()) return VFW_E_NOT_CONNECTED;
  return input_->ConnectionMediaType(type);
}

HRESULT D_CSampleGrabber::SetCallback(D_GrabberCallback callback, void* user) {
  D_CAutoLock lock(Lock());
  callback_ = callback;
  user_ = user;
  return S_OK;
}

// ---------------------------------------------------------------------------

IPin* FindFilterPin(IBaseFilter* filter, PIN_DIRECTION direction) {
  IEnumPins* pins = nullptr;
  if (!filter || FAILED(filter->EnumPins(&pins)) || !pins) return nullptr;
  IPin* pin = nullptr;
  IPin* found = nullptr;
  while (!found && pins->Next(1, &pin, nullptr) == S_OK) {
    PIN_DIRECTION its;
    if (SUCCEEDED(pin->QueryDirection(&its)) && its == direction) {
      found = pin;
    } else {
      pin->Release();
    }
  }
  pins->Release();
  return found;
}

HRESULT AppendGrabbedPcm(IMediaSample* sample, REFERENCE_TIME*, REFERENCE_TIME*, void* user) {
  auto* decoder = static_cast<SoundDecoder*>(user);
  MemoryPcmState& memory = decoder->memory;
  if (!memory.pcm) return S_OK;
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data))) return S_OK;
  const long length = sample->GetActualDataLength();
  if (length <= 0) return S_OK;
  while (static_cast<int64_t>(memory.pcmBytes) + length > memory.capacity) {
    const int64_t grown = static_cast<int64_t>(memory.capacity) + kPcmGrowth;
    uint8_t* block =
        grown <= INT32_MAX ? static_cast<uint8_t*>(TRACKED_ALLOC(static_cast<size_t>(grown))) : nullptr;
    if (!block) {
      FreeTrackedMemory(memory.pcm);
      memory.pcm = nullptr;
      return S_OK;
    }
    memcpy(block, memory.pcm, static_cast<size_t>(memory.pcmBytes));
    FreeTrackedMemory(memory.pcm);
    memory.pcm = block;
    memory.capacity = static_cast<int>(grown);
  }
  memcpy(memory.pcm + memory.pcmBytes, data, static_cast<size_t>(length));
  memory.pcmBytes += length;
  return S_OK;
}

namespace {

// Everything one conversion holds, released in one place.
struct Conversion {
  uint8_t* image = nullptr;
  D_CMemStream* stream = nullptr;
  D_CMemReader* reader = nullptr;
  IBaseFilter* nullRenderer = nullptr;
  IGraphBuilder* graph = nullptr;
  D_CSampleGrabber* grabber = nullptr;
  IMediaFilter* mediaFilter = nullptr;
  IMediaControl* control = nullptr;
  IMediaEvent* events = nullptr;

  ~Conversion() {
    if (control) control->Stop();
    ReleaseInterface(&events);
    ReleaseInterface(&control);
    ReleaseInterface(&mediaFilter);
    ReleaseInterface(&graph);
    ReleaseInterface(&nullRenderer);
    if (grabber) grabber->Release();
    FreeMemReader(reader);
    FreeMemStream(stream);
    FreeTrackedMemory(image);
  }
};

bool HasPin(IBaseFilter* filter, PIN_DIRECTION direction) {
  IPin* pin = FindFilterPin(filter, direction);
  if (!pin) return false;
  pin->Release();
  return true;
}

// The input pin of a renderer of the graph (a filter with a connected
// input and no output, not one of ours), with a reference: one that is fed
// audio when there is one, else the first.
IPin* FindRendererInput(IGraphBuilder* graph, IBaseFilter* skip1, IBaseFilter* skip2) {
  IEnumFilters* filters = nullptr;
  if (FAILED(graph->EnumFilters(&filters)) || !filters) return nullptr;
  IPin* chosen = nullptr;
  bool chosenAudio = false;
  IBaseFilter* filter = nullptr;
  while (!chosenAudio && filters->Next(1, &filter, nullptr) == S_OK) {
    if (filter != skip1 && filter != skip2 && !HasPin(filter, PINDIR_OUTPUT)) {
      if (IPin* input = FindFilterPin(filter, PINDIR_INPUT)) {
        AM_MEDIA_TYPE type = {};
        if (SUCCEEDED(input->ConnectionMediaType(&type))) {
          const bool audio = type.majortype == D_MEDIATYPE_Audio;
          D_FreeMediaType(&type);
          if (!chosen || audio) {
            if (chosen) chosen->Release();
            chosen = input;
            chosenAudio = audio;
            input = nullptr;
          }
        }
        if (input) input->Release();
      }
    }
    filter->Release();
  }
  filters->Release();
  return chosen;
}

// Takes the renderer the graph chose out of the graph's chain and connects
// the null renderer in its place. When the graph built the audio chain past
// the grabber, the grabber goes in first, so the samples always pass it.
bool SwapRendererForNull(IGraphBuilder* graph, D_CSampleGrabber* grabber,
                         IBaseFilter* nullRenderer) {
  IPin* input = FindRendererInput(graph, nullRenderer, grabber);
  if (!input) return false;
  IPin* upstream = nullptr;
  AM_MEDIA_TYPE type = {};
  const bool audio = SUCCEEDED(input->ConnectionMediaType(&type)) &&
                     type.majortype == D_MEDIATYPE_Audio;
  D_FreeMediaType(&type);
  if (FAILED(input->ConnectedTo(&upstream)) || !upstream) {
    input->Release();
    return false;
  }
  graph->Disconnect(upstream);
  graph->Disconnect(input);
  input->Release();
  if (audio && !grabber->Input()->Connected()) {
    const HRESULT joined = graph->Connect(upstream, grabber->Input());
    upstream->Release();
    if (FAILED(joined)) return false;
    upstream = grabber->Output();
    upstream->AddRef();
  }
  IPin* nullInput = FindFilterPin(nullRenderer, PINDIR_INPUT);
  const bool connected = nullInput && SUCCEEDED(graph->Connect(upstream, nullInput));
  if (nullInput) nullInput->Release();
  upstream->Release();
  return connected;
}

int Fail(SoundDecoder* decoder, const char* text) {
  AppendLog(text);
  FreeTrackedMemory(decoder->memory.pcm);
  decoder->memory = MemoryPcmState{};
  return -1;
}

}  // namespace

int OpenDirectShowDecoder(SoundDecoder* decoder) {
  decoder->memory = MemoryPcmState{};
  Conversion c;
  int fileBytes = 0;
  if (!SeekSource(decoder->stream, 0, 0) || !CountSourceBytesLeft(decoder->stream, &fileBytes) ||
      fileBytes <= 0) {
    return -1;
  }
  c.image = static_cast<uint8_t*>(TRACKED_ALLOC(static_cast<size_t>(fileBytes)));
  if (!c.image || !ReadSourceBytes(decoder->stream, c.image, static_cast<size_t>(fileBytes))) {
    return -1;
  }
  c.stream = NewMemStream(c.image, fileBytes, -1);
  if (!c.stream) return Fail(decoder, "MP3変換用 D_CMemStream の作成に失敗しました");
  AM_MEDIA_TYPE streamType = {};
  streamType.majortype = D_MEDIATYPE_Stream;
  streamType.subtype = D_MEDIASUBTYPE_MPEG1Audio;
  streamType.bFixedSizeSamples = TRUE;
  streamType.lSampleSize = 1;
  HRESULT made = S_OK;
  c.reader = NewMemReader(c.stream, &streamType, &made);
  if (!c.reader) return Fail(decoder, "MP3変換用 D_CMemReader の作成に失敗しました");
  if (FAILED(D_CoCreateInstance(D_CLSID_NullRenderer, __uuidof(IBaseFilter),
                                reinterpret_cast<void**>(&c.nullRenderer)))) {
    return Fail(decoder, "MP3変換用 NullRender の作成に失敗しました");
  }
  if (FAILED(D_CoCreateInstance(D_CLSID_FilterGraph, __uuidof(IGraphBuilder),
                                reinterpret_cast<void**>(&c.graph)))) {
    return Fail(decoder, "MP3変換用 IGraphBuilder の作成に失敗しました");
  }
  c.grabber = new (std::nothrow) D_CSampleGrabber(&made);
  if (!c.grabber || FAILED(made)) return Fail(decoder, "MP3変換用 D_CSampleGrabber の作成に失敗しました");
  AM_MEDIA_TYPE pcmType = {};
  pcmType.majortype = D_MEDIATYPE_Audio;
  pcmType.subtype = D_MEDIASUBTYPE_PCM;
  if (FAILED(c.grabber->SetAcceptedMediaType(&pcmType))) {
    return Fail(decoder, "サンプルグラバフィルタのメディアタイプの設定に失敗しました");
  }
  if (FAILED(c.graph->AddFilter(c.grabber, L"SampleGrabber"))) {
    return Fail(decoder, "サンプルグラバフィルタのグラフへの追加に失敗しました");
  }
  if (FAILED(c.graph->AddFilter(c.reader, L"MemFile"))) {
    return Fail(decoder, "メモリファイルフィルタのグラフへの追加に失敗しました");
  }
  {
    IPin* output = FindFilterPin(c.reader, PINDIR_OUTPUT);
    const HRESULT rendered = output ? c.graph->Render(output) : E_FAIL;
    if (output) output->Release();
    if (FAILED(rendered)) return Fail(decoder, "グラフの構築に失敗しました");
  }
  if (FAILED(c.graph->AddFilter(c.nullRenderer, L"File Renderer"))) {
    return Fail(decoder, "ヌルレンダラーフィルタのグラフへの追加に失敗しました");
  }
  if (!SwapRendererForNull(c.graph, c.grabber, c.nullRenderer)) {
    return Fail(decoder, "既存レンダラーをNullレンダラーと交換する処理が失敗しました");
  }
  AM_MEDIA_TYPE connected = {};
  if (FAILED(c.grabber->GetConnectedMediaType(&connected))) {
    return Fail(decoder, "音声が含まれていないか、オーディオフォーマットの取得に失敗しました。");
  }
  const bool waveFormat = connected.formattype == D_FORMAT_WaveFormatEx && connected.pbFormat &&
                          connected.cbFormat >= sizeof(WAVEFORMATEX) - sizeof(WORD);
  WAVEFORMATEX wave = {};
  if (waveFormat) memcpy(&wave, connected.pbFormat, sizeof wave - sizeof(WORD));
  D_FreeMediaType(&connected);
  if (!waveFormat) return Fail(decoder, "サポート外のストリームフォーマットです。");
  if (wave.wFormatTag != WAVE_FORMAT_PCM || wave.nChannels == 0 || wave.nBlockAlign == 0) {
    return Fail(decoder, "サポート外のオーディオフォーマットです。");
  }
  WaveFormat& out = decoder->outFormat;
  out = WaveFormat{};
  out.formatTag = kWaveFormatPcm;
  out.channels = wave.nChannels;
  out.samplesPerSec = wave.nSamplesPerSec;
  out.blockAlign = wave.nBlockAlign;
  out.avgBytesPerSec = static_cast<uint32_t>(wave.nBlockAlign) * wave.nSamplesPerSec;
  out.bitsPerSample = static_cast<uint16_t>(wave.nBlockAlign * 8 / wave.nChannels);
  out.extraSize = 0;
  if (FAILED(c.grabber->SetCallback(AppendGrabbedPcm, decoder))) {
    return Fail(decoder, "コールバック関数を設定できません");
  }
  const int64_t capacity = int64_t{fileBytes} * kCapacityFactor;
  decoder->memory.pcm =
      capacity <= INT32_MAX ? static_cast<uint8_t*>(TRACKED_ALLOC(static_cast<size_t>(capacity))) : nullptr;
  if (!decoder->memory.pcm) return Fail(decoder, "PCMデータを格納するメモリ領域の確保に失敗しました");
  decoder->memory.capacity = static_cast<int>(capacity);
  decoder->memory.pcmBytes = 0;
  if (FAILED(c.graph->QueryInterface(__uuidof(IMediaFilter), reinterpret_cast<void**>(&c.mediaFilter)))) {
    return Fail(decoder, "IMediaFilter の取得に失敗しました");
  }
  c.mediaFilter->SetSyncSource(nullptr);
  if (FAILED(c.graph->QueryInterface(__uuidof(IMediaControl), reinterpret_cast<void**>(&c.control)))) {
    return Fail(decoder, "IMediaControl の取得に失敗しました");
  }
  if (FAILED(c.graph->QueryInterface(D_IID_IMediaEvent, reinterpret_cast<void**>(&c.events)))) {
    return Fail(decoder, "IMediaEvent の取得に失敗しました");
  }
  c.control->Run();
  if (RunSoundMessagePass()) return Fail(decoder, "MP3変換の途中でソフトが終了しました");
  for (;;) {
    long code = 0;
    if (c.events->WaitForCompletion(kWaitStep, &code) == S_OK) {
      // The wait ends with the stream's end, an error, or an abort by the
      // user of the graph; the last two fail alike.
      if (code != kComplete) return Fail(decoder, "MP3変換の途中でエラーが発生しました");
      if (!decoder->memory.pcm) {
        return Fail(decoder, "PCMデータを格納するメモリ領域の再確保に失敗しました");
      }
      break;
    }
    if (RunSoundMessagePass()) return Fail(decoder, "MP3変換の途中でソフトが終了しました");
  }
  // The streaming threads are done with the PCM once the graph has stopped.
  c.control->Stop();
  decoder->kind = kDecoderMemoryPcm;
  decoder->blockBytes = static_cast<int>(out.avgBytesPerSec);
  decoder->dataBytes = decoder->memory.pcmBytes;
  return 0;
}
