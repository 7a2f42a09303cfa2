#include "sound/dshow_base.h"

#include <string.h>
#include <wchar.h>

#include <new>

#include "sound/dshow_guids.h"
#include "system/system_state.h"

namespace {

void* TaskAlloc(size_t bytes) {
  const auto alloc = GetSystemState().dlls.ole32.CoTaskMemAlloc;
  return alloc ? alloc(bytes) : nullptr;
}

void TaskFree(void* block) {
  const auto free = GetSystemState().dlls.ole32.CoTaskMemFree;
  if (block && free) free(block);
}

// Enumerates a filter's pins as they are when asked.
class PinEnumerator : public IEnumPins {
 public:
  PinEnumerator(D_CBaseFilter* filter, int position) : filter_(filter), position_(position) {
    filter_->AddRef();
  }
  virtual ~PinEnumerator() { filter_->Release(); }
  STDMETHODIMP QueryInterface(REFIID id, void** object) override {
    if (!object) return E_POINTER;
    if (id == __uuidof(IUnknown) || id == __uuidof(IEnumPins)) {
      *object = static_cast<IEnumPins*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return left;
  }
  STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override {
    if (!pins) return E_POINTER;
    ULONG got = 0;
    while (got < count && position_ < filter_->GetPinCount()) {
      pins[got] = filter_->GetPin(position_++);
      pins[got]->AddRef();
      ++got;
    }
    if (fetched) *fetched = got;
    return got == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    position_ += static_cast<int>(count);
    return position_ <= filter_->GetPinCount() ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    position_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumPins** clone) override {
    if (!clone) return E_POINTER;
    *clone = new (std::nothrow) PinEnumerator(filter_, position_);
    return *clone ? S_OK : E_OUTOFMEMORY;
  }

 private:
  LONG references_ = 1;
  D_CBaseFilter* filter_;
  int position_;
};

// Enumerates the media types a pin offers.
class TypeEnumerator : public IEnumMediaTypes {
 public:
  TypeEnumerator(D_CBasePin* pin, int position) : pin_(pin), position_(position) { pin_->AddRef(); }
  virtual ~TypeEnumerator() { pin_->Release(); }
  STDMETHODIMP QueryInterface(REFIID id, void** object) override {
    if (!object) return E_POINTER;
    if (id == __uuidof(IUnknown) || id == __uuidof(IEnumMediaTypes)) {
      *object = static_cast<IEnumMediaTypes*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return left;
  }
  STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override {
    if (!types) return E_POINTER;
    ULONG got = 0;
    while (got < count) {
      AM_MEDIA_TYPE type = {};
      if (pin_->GetMediaType(position_, &type) != S_OK) break;
      ++position_;
      types[got] = D_CreateMediaTypeCopy(&type);
      D_FreeMediaType(&type);
      if (!types[got]) break;
      ++got;
    }
    if (fetched) *fetched = got;
    return got == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    position_ += static_cast<int>(count);
    return S_OK;
  }
  STDMETHODIMP Reset() override {
    position_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumMediaTypes** clone) override {
    if (!clone) return E_POINTER;
    *clone = new (std::nothrow) TypeEnumerator(pin_, position_);
    return *clone ? S_OK : E_OUTOFMEMORY;
  }

 private:
  LONG references_ = 1;
  D_CBasePin* pin_;
  int position_;
};

void CopyName(wchar_t* dest, size_t size, const wchar_t* source) {
  dest[0] = L'\0';
  if (source) wcsncpy(dest, source, size - 1);
  dest[size - 1] = L'\0';
}

}  // namespace

void D_FreeMediaType(AM_MEDIA_TYPE* type) {
  TaskFree(type->pbFormat);
  type->pbFormat = nullptr;
  type->cbFormat = 0;
  if (type->pUnk) type->pUnk->Release();
  type->pUnk = nullptr;
}

HRESULT D_CopyMediaType(AM_MEDIA_TYPE* dest, const AM_MEDIA_TYPE* source) {
  *dest = *source;
  dest->pbFormat = nullptr;
  dest->cbFormat = 0;
  if (source->cbFormat && source->pbFormat) {
    dest->pbFormat = static_cast<BYTE*>(TaskAlloc(source->cbFormat));
    if (!dest->pbFormat) return E_OUTOFMEMORY;
    memcpy(dest->pbFormat, source->pbFormat, source->cbFormat);
    dest->cbFormat = source->cbFormat;
  }
  if (dest->pUnk) dest->pUnk->AddRef();
  return S_OK;
}

AM_MEDIA_TYPE* D_CreateMediaTypeCopy(const AM_MEDIA_TYPE* source) {
  auto* copy = static_cast<AM_MEDIA_TYPE*>(TaskAlloc(sizeof(AM_MEDIA_TYPE)));
  if (!copy) return nullptr;
  if (FAILED(D_CopyMediaType(copy, source))) {
    TaskFree(copy);
    return nullptr;
  }
  return copy;
}

void D_DeleteMediaType(AM_MEDIA_TYPE* type) {
  if (!type) return;
  D_FreeMediaType(type);
  TaskFree(type);
}

HRESULT D_CoCreateInstance(REFCLSID classId, REFIID interfaceId, void** object) {
  *object = nullptr;
  const auto create = GetSystemState().dlls.ole32.CoCreateInstance;
  if (!create) return E_FAIL;
  return create(classId, nullptr, CLSCTX_INPROC_SERVER, interfaceId, object);
}

D_CBaseFilter::D_CBaseFilter(const CLSID& classId, const wchar_t* name) : classId_(classId) {
  CopyName(name_, 128, name);
}

D_CBaseFilter::~D_CBaseFilter() {
  if (clock_) clock_->Release();
}

HRESULT D_CBaseFilter::QueryExtraInterface(REFIID, void** object) {
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP D_CBaseFilter::QueryInterface(REFIID id, void** object) {
  if (!object) return E_POINTER;
  if (id == __uuidof(IUnknown) || id == __uuidof(IPersist) || id == __uuidof(IMediaFilter) ||
      id == __uuidof(IBaseFilter)) {
    *object = static_cast<IBaseFilter*>(this);
    AddRef();
    return S_OK;
  }
  return QueryExtraInterface(id, object);
}

STDMETHODIMP_(ULONG) D_CBaseFilter::AddRef() { return InterlockedIncrement(&references_); }

STDMETHODIMP_(ULONG) D_CBaseFilter::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP D_CBaseFilter::GetClassID(CLSID* classId) {
  if (!classId) return E_POINTER;
  *classId = classId_;
  return S_OK;
}

STDMETHODIMP D_CBaseFilter::Stop() {
  D_CAutoLock lock(&lock_);
  const FILTER_STATE previous = state_;
  state_ = State_Stopped;
  OnStateChanged(previous);
  return S_OK;
}

STDMETHODIMP D_CBaseFilter::Pause() {
  D_CAutoLock lock(&lock_);
  const FILTER_STATE previous = state_;
  state_ = State_Paused;
  OnStateChanged(previous);
  return S_OK;
}

STDMETHODIMP D_CBaseFilter::Run(REFERENCE_TIME start) {
  D_CAutoLock lock(&lock_);
  const FILTER_STATE previous = state_;
  start_ = start;
  state_ = State_Running;
  OnStateChanged(previous);
  return S_OK;
}

STDMETHODIMP D_CBaseFilter::GetState(DWORD, FILTER_STATE* state) {
  if (!state) return E_POINTER;
  *state = state_;
  return S_OK;
}

STDMETHODIMP D_CBaseFilter::SetSyncSource(IReferenceClock* clock) {
  D_CAutoLock lock(&lock_);
  if (clock) clock->AddRef();
  if (clock_) clock_->Release();
  clock_ = clock;
  return S_OK;
}

STDMETHODIMP D_CBaseFilter::GetSyncSource(IReferenceClock** clock) {
  if (!clock) return E_POINTER;
  *clock = clock_;
  if (clock_) clock_->AddRef();
  return S_OK;
}

STDMETHODIMP D_CBaseFilter::EnumPins(IEnumPins** pins) {
  if (!pins) return E_POINTER;
  *pins = new (std::nothrow) PinEnumerator(this, 0);
  return *pins ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP D_CBaseFilter::FindPin(LPCWSTR id, IPin** pin) {
  if (!id || !pin) return E_POINTER;
  for (int i = 0; i < GetPinCount(); ++i) {
    LPWSTR name = nullptr;
    D_CBasePin* candidate = GetPin(i);
    if (SUCCEEDED(candidate->QueryId(&name))) {
      const bool same = wcscmp(name, id) == 0;
      TaskFree(name);
      if (same) {
        *pin = candidate;
        candidate->AddRef();
        return S_OK;
      }
    }
  }
  *pin = nullptr;
  return VFW_E_NOT_FOUND;
}

STDMETHODIMP D_CBaseFilter::QueryFilterInfo(FILTER_INFO* info) {
  if (!info) return E_POINTER;
  CopyName(info->achName, MAX_FILTER_NAME, name_);
  info->pGraph = graph_;
  if (graph_) graph_->AddRef();
  return S_OK;
}

STDMETHODIMP D_CBaseFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
  D_CAutoLock lock(&lock_);
  graph_ = graph;
  if (name) CopyName(name_, 128, name);
  return S_OK;
}

STDMETHODIMP D_CBaseFilter::QueryVendorInfo(LPWSTR*) { return E_NOTIMPL; }

bool D_CBaseFilter::NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2) {
  if (!graph_) return false;
  IMediaEventSink* sink = nullptr;
  if (FAILED(graph_->QueryInterface(__uuidof(IMediaEventSink), reinterpret_cast<void**>(&sink))) ||
      !sink) {
    return false;
  }
  sink->Notify(code, param1, param2);
  sink->Release();
  return true;
}

D_CBasePin::D_CBasePin(D_CBaseFilter* filter, const wchar_t* name, PIN_DIRECTION direction)
    : filter_(filter), direction_(direction) {
  CopyName(name_, 64, name);
}

D_CBasePin::~D_CBasePin() {
  if (connected_) connected_->Release();
  D_FreeMediaType(&type_);
}

STDMETHODIMP D_CBasePin::QueryInterface(REFIID id, void** object) {
  if (!object) return E_POINTER;
  if (id == __uuidof(IUnknown) || id == __uuidof(IPin)) {
    *object = static_cast<IPin*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) D_CBasePin::AddRef() { return filter_->AddRef(); }
STDMETHODIMP_(ULONG) D_CBasePin::Release() { return filter_->Release(); }

HRESULT D_CBasePin::GetMediaType(int, AM_MEDIA_TYPE*) { return VFW_S_NO_MORE_ITEMS; }

HRESULT D_CBasePin::SetMediaType(const AM_MEDIA_TYPE* type) {
  D_FreeMediaType(&type_);
  return D_CopyMediaType(&type_, type);
}

HRESULT D_CBasePin::TryConnection(IPin* receivePin, const AM_MEDIA_TYPE* type) {
  if (CheckMediaType(type) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
  if (FAILED(SetMediaType(type))) return E_OUTOFMEMORY;
  connected_ = receivePin;
  connected_->AddRef();
  if (SUCCEEDED(receivePin->ReceiveConnection(this, type))) {
    if (SUCCEEDED(CompleteConnect(receivePin))) return S_OK;
    receivePin->Disconnect();
  }
  connected_->Release();
  connected_ = nullptr;
  D_FreeMediaType(&type_);
  type_ = {};
  return VFW_E_TYPE_NOT_ACCEPTED;
}

STDMETHODIMP D_CBasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) {
  if (!receivePin) return E_POINTER;
  D_CAutoLock lock(filter_->Lock());
  if (direction_ != PINDIR_OUTPUT) return E_UNEXPECTED;
  if (connected_) return VFW_E_ALREADY_CONNECTED;
  if (filter_->State() != State_Stopped) return VFW_E_NOT_STOPPED;
  // A fully given type is the only one tried; otherwise ours, then theirs.
  if (type && type->majortype != GUID_NULL && type->subtype != GUID_NULL &&
      type->formattype != GUID_NULL) {
    return TryConnection(receivePin, type);
  }
  for (int i = 0;; ++i) {
    AM_MEDIA_TYPE candidate = {};
    if (GetMediaType(i, &candidate) != S_OK) break;
    const bool matches = !type || ((type->majortype == GUID_NULL ||
                                    type->majortype == candidate.majortype) &&
                                   (type->subtype == GUID_NULL || type->subtype == candidate.subtype));
    const HRESULT result = matches ? TryConnection(receivePin, &candidate) : E_FAIL;
    D_FreeMediaType(&candidate);
    if (result == S_OK) return S_OK;
  }
  IEnumMediaTypes* types = nullptr;
  if (SUCCEEDED(receivePin->EnumMediaTypes(&types)) && types) {
    AM_MEDIA_TYPE* candidate = nullptr;
    while (types->Next(1, &candidate, nullptr) == S_OK) {
      const HRESULT result = TryConnection(receivePin, candidate);
      D_DeleteMediaType(candidate);
      if (result == S_OK) {
        types->Release();
        return S_OK;
      }
    }
    types->Release();
  }
  return VFW_E_NO_ACCEPTABLE_TYPES;
}

STDMETHODIMP D_CBasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) {
  if (!connector || !type) return E_POINTER;
  D_CAutoLock lock(filter_->Lock());
  if (direction_ != PINDIR_INPUT) return E_UNEXPECTED;
  if (connected_) return VFW_E_ALREADY_CONNECTED;
  if (filter_->State() != State_Stopped) return VFW_E_NOT_STOPPED;
  if (CheckMediaType(type) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
  if (FAILED(SetMediaType(type))) return E_OUTOFMEMORY;
  connected_ = connector;
  connected_->AddRef();
  const HRESULT completed = CompleteConnect(connector);
  if (FAILED(completed)) {
    connected_->Release();
    connected_ = nullptr;
    D_FreeMediaType(&type_);
    type_ = {};
    return completed;
  }
  return S_OK;
}

STDMETHODIMP D_CBasePin::Disconnect() {
  D_CAutoLock lock(filter_->Lock());
  if (!connected_) return S_FALSE;
  if (filter_->State() != State_Stopped) return VFW_E_NOT_STOPPED;
  BreakConnect();
  connected_->Release();
  connected_ = nullptr;
  D_FreeMediaType(&type_);
  type_ = {};
  return S_OK;
}

STDMETHODIMP D_CBasePin::ConnectedTo(IPin** pin) {
  if (!pin) return E_POINTER;
  *pin = connected_;
  if (!connected_) return VFW_E_NOT_CONNECTED;
  connected_->AddRef();
  return S_OK;
}

STDMETHODIMP D_CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  D_CAutoLock lock(filter_->Lock());
  if (!connected_) {
    *type = {};
    return VFW_E_NOT_CONNECTED;
  }
  return D_CopyMediaType(type, &type_);
}

STDMETHODIMP D_CBasePin::QueryPinInfo(PIN_INFO* info) {
  if (!info) return E_POINTER;
  info->pFilter = filter_;
  filter_->AddRef();
  info->dir = direction_;
  CopyName(info->achName, MAX_PIN_NAME, name_);
  return S_OK;
}

STDMETHODIMP D_CBasePin::QueryDirection(PIN_DIRECTION* direction) {
  if (!direction) return E_POINTER;
  *direction = direction_;
  return S_OK;
}

STDMETHODIMP D_CBasePin::QueryId(LPWSTR* id) {
  if (!id) return E_POINTER;
  const size_t bytes = (wcslen(name_) + 1) * sizeof(wchar_t);
  *id = static_cast<LPWSTR>(TaskAlloc(bytes));
  if (!*id) return E_OUTOFMEMORY;
  memcpy(*id, name_, bytes);
  return S_OK;
}

STDMETHODIMP D_CBasePin::QueryAccept(const AM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  return CheckMediaType(type) == S_OK ? S_OK : S_FALSE;
}

STDMETHODIMP D_CBasePin::EnumMediaTypes(IEnumMediaTypes** types) {
  if (!types) return E_POINTER;
  *types = new (std::nothrow) TypeEnumerator(this, 0);
  return *types ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP D_CBasePin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }
STDMETHODIMP D_CBasePin::EndOfStream() { return S_OK; }

STDMETHODIMP D_CBasePin::BeginFlush() {
  InterlockedExchange(&flushing_, 1);
  return S_OK;
}

STDMETHODIMP D_CBasePin::EndFlush() {
  InterlockedExchange(&flushing_, 0);
  return S_OK;
}

STDMETHODIMP D_CBasePin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return S_OK; }

D_CBaseInputPin::D_CBaseInputPin(D_CBaseFilter* filter, const wchar_t* name)
    : D_CBasePin(filter, name, PINDIR_INPUT) {}

D_CBaseInputPin::~D_CBaseInputPin() {
  if (allocator_) allocator_->Release();
}

STDMETHODIMP D_CBaseInputPin::QueryInterface(REFIID id, void** object) {
  if (!object) return E_POINTER;
  if (id == __uuidof(IMemInputPin)) {
    *object = static_cast<IMemInputPin*>(this);
    AddRef();
    return S_OK;
  }
  return D_CBasePin::QueryInterface(id, object);
}

STDMETHODIMP_(ULONG) D_CBaseInputPin::AddRef() { return D_CBasePin::AddRef(); }
STDMETHODIMP_(ULONG) D_CBaseInputPin::Release() { return D_CBasePin::Release(); }

STDMETHODIMP D_CBaseInputPin::GetAllocator(IMemAllocator** allocator) {
  if (!allocator) return E_POINTER;
  D_CAutoLock lock(filter_->Lock());
  if (!allocator_) {
    const HRESULT made = D_CoCreateInstance(D_CLSID_MemoryAllocator, __uuidof(IMemAllocator),
                                            reinterpret_cast<void**>(&allocator_));
    if (FAILED(made)) {
      *allocator = nullptr;
      return made;
    }
  }
  *allocator = allocator_;
  allocator_->AddRef();
  return S_OK;
}

STDMETHODIMP D_CBaseInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL) {
  if (!allocator) return E_POINTER;
  D_CAutoLock lock(filter_->Lock());
  allocator->AddRef();
  if (allocator_) allocator_->Release();
  allocator_ = allocator;
  return S_OK;
}

STDMETHODIMP D_CBaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) { return E_NOTIMPL; }

STDMETHODIMP D_CBaseInputPin::Receive(IMediaSample*) { return S_OK; }

STDMETHODIMP D_CBaseInputPin::ReceiveMultiple(IMediaSample** samples, long count, long* processed) {
  long done = 0;
  HRESULT result = S_OK;
  while (done < count) {
    result = Receive(samples[done]);
    if (result != S_OK) break;
    ++done;
  }
  if (processed) *processed = done;
  return result;
}

STDMETHODIMP D_CBaseInputPin::ReceiveCanBlock() { return S_OK; }

void D_CBaseInputPin::BreakConnect() {
  if (allocator_) allocator_->Release();
  allocator_ = nullptr;
}
