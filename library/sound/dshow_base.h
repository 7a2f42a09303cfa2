// A small base for the library's own DirectShow filters: reference-counted
// filters that own their pins, input pins that receive pushed samples,
// output pins that connect by offering their media types, and the
// enumerators the filter graph asks for. The filters built on it are the
// movie frame renderer and, for audio conversion, a memory reader and a
// sample grabber.
#ifndef OMBREL_SOUND_DSHOW_BASE_H
#define OMBREL_SOUND_DSHOW_BASE_H

#include <windows.h>
#include <strmif.h>
#include <vfwmsgs.h>

// Media type records whose format block belongs to COM's task memory.
void D_FreeMediaType(AM_MEDIA_TYPE* type);
HRESULT D_CopyMediaType(AM_MEDIA_TYPE* dest, const AM_MEDIA_TYPE* source);
AM_MEDIA_TYPE* D_CreateMediaTypeCopy(const AM_MEDIA_TYPE* source);  // task memory, or null
void D_DeleteMediaType(AM_MEDIA_TYPE* type);
// Through the library's bound COM functions.
HRESULT D_CoCreateInstance(REFCLSID classId, REFIID interfaceId, void** object);

class D_CBasePin;

// Guards a filter's state against the streaming threads.
class D_CLock {
 public:
  D_CLock() { InitializeCriticalSection(&section_); }
  ~D_CLock() { DeleteCriticalSection(&section_); }
  void Enter() { EnterCriticalSection(&section_); }
  void Leave() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

class D_CAutoLock {
 public:
  explicit D_CAutoLock(D_CLock* lock) : lock_(lock) { lock_->Enter(); }
  ~D_CAutoLock() { lock_->Leave(); }
  D_CAutoLock(const D_CAutoLock&) = delete;
  D_CAutoLock& operator=(const D_CAutoLock&) = delete;

 private:
  D_CLock* lock_;
};

class D_CBaseFilter : public IBaseFilter {
 public:
  D_CBaseFilter(const CLSID& classId, const wchar_t* name);
  virtual ~D_CBaseFilter();

  virtual int GetPinCount() = 0;
  virtual D_CBasePin* GetPin(int index) = 0;

  STDMETHODIMP QueryInterface(REFIID id, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetClassID(CLSID* classId) override;
  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP Run(REFERENCE_TIME start) override;
  STDMETHODIMP GetState(DWORD timeout, FILTER_STATE* state) override;
  STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
  STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;
  STDMETHODIMP EnumPins(IEnumPins** pins) override;
  STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override;
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
  STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
  STDMETHODIMP QueryVendorInfo(LPWSTR* info) override;

  // Sends an event to the graph's event sink; false without a graph.
  bool NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2);
  FILTER_STATE State() const { return state_; }
  REFERENCE_TIME StartTime() const { return start_; }
  IReferenceClock* Clock() const { return clock_; }
  D_CLock* Lock() { return &lock_; }

 protected:
  // Extra interfaces a derived filter answers for.
  virtual HRESULT QueryExtraInterface(REFIID id, void** object);
  // Called under the lock after the state has changed.
  virtual void OnStateChanged(FILTER_STATE previous) {}

  D_CLock lock_;

 private:
  LONG references_ = 1;
  CLSID classId_;
  wchar_t name_[128] = {};
  FILTER_STATE state_ = State_Stopped;
  REFERENCE_TIME start_ = 0;
  IReferenceClock* clock_ = nullptr;
  IFilterGraph* graph_ = nullptr;  // not counted: the graph owns the filter
};

// A pin lives inside its filter and counts references on it.
class D_CBasePin : public IPin {
 public:
  D_CBasePin(D_CBaseFilter* filter, const wchar_t* name, PIN_DIRECTION direction);
  virtual ~D_CBasePin();

  virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) = 0;
  // The index-th type this pin offers; VFW_S_NO_MORE_ITEMS past the last.
  virtual HRESULT GetMediaType(int index, AM_MEDIA_TYPE* type);
  virtual HRESULT SetMediaType(const AM_MEDIA_TYPE* type);
  virtual HRESULT CompleteConnect(IPin* receivePin) { return S_OK; }
  virtual void BreakConnect() {}

  STDMETHODIMP QueryInterface(REFIID id, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP Disconnect() override;
  STDMETHODIMP ConnectedTo(IPin** pin) override;
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
  STDMETHODIMP QueryDirection(PIN_DIRECTION* direction) override;
  STDMETHODIMP QueryId(LPWSTR* id) override;
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
  STDMETHODIMP QueryInternalConnections(IPin** pins, ULONG* count) override;
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;
  STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  IPin* Connected() const { return connected_; }
  const AM_MEDIA_TYPE& MediaType() const { return type_; }
  bool IsFlushing() const { return flushing_ != 0; }
  D_CBaseFilter* Filter() const { return filter_; }

 protected:
  HRESULT TryConnection(IPin* receivePin, const AM_MEDIA_TYPE* type);

  D_CBaseFilter* filter_;
  wchar_t name_[64] = {};
  PIN_DIRECTION direction_;
  IPin* connected_ = nullptr;
  AM_MEDIA_TYPE type_ = {};
  volatile LONG flushing_ = 0;
};

// An input pin that takes samples pushed by the pin before it.
class D_CBaseInputPin : public D_CBasePin, public IMemInputPin {
 public:
  D_CBaseInputPin(D_CBaseFilter* filter, const wchar_t* name);
  ~D_CBaseInputPin() override;

  STDMETHODIMP QueryInterface(REFIID id, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetAllocator(IMemAllocator** allocator) override;
  STDMETHODIMP NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
  STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) override;
  STDMETHODIMP Receive(IMediaSample* sample) override;
  STDMETHODIMP ReceiveMultiple(IMediaSample** samples, long count, long* processed) override;
  STDMETHODIMP ReceiveCanBlock() override;
  void BreakConnect() override;

 protected:
  IMemAllocator* allocator_ = nullptr;
};

#endif
