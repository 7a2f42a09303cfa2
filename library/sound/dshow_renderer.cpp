#include "sound/dshow_renderer.h"

#include <evcode.h>

namespace {

// How long a waiting sample sleeps between looks at the clock and the state.
constexpr DWORD kWaitStepMs = 5;

}  // namespace

D_CRendererInputPin::D_CRendererInputPin(D_CBaseVideoRenderer* renderer)
    : D_CBaseInputPin(renderer, L"In"), renderer_(renderer) {}

HRESULT D_CRendererInputPin::CheckMediaType(const AM_MEDIA_TYPE* type) {
  return renderer_->CheckMediaType(type);
}

HRESULT D_CRendererInputPin::SetMediaType(const AM_MEDIA_TYPE* type) {
  const HRESULT result = renderer_->SetMediaType(type);
  return FAILED(result) ? result : D_CBasePin::SetMediaType(type);
}

STDMETHODIMP D_CRendererInputPin::Receive(IMediaSample* sample) {
  if (!sample) return E_POINTER;
  if (IsFlushing()) return S_FALSE;
  return renderer_->ReceiveSample(sample);
}

STDMETHODIMP D_CRendererInputPin::EndOfStream() {
  if (!IsFlushing()) renderer_->EndOfStream();
  return S_OK;
}

STDMETHODIMP D_CRendererInputPin::BeginFlush() {
  D_CBasePin::BeginFlush();
  // A flush starts the stream over: its end has not come.
  renderer_->OnFlush();
  return S_OK;
}

D_CBaseVideoRenderer::D_CBaseVideoRenderer(const CLSID& classId, const wchar_t* name)
    : D_CBaseFilter(classId, name), pin_(this) {}

D_CBaseVideoRenderer::~D_CBaseVideoRenderer() = default;

STDMETHODIMP D_CBaseVideoRenderer::QueryInterface(REFIID id, void** object) {
  return D_CBaseFilter::QueryInterface(id, object);
}
STDMETHODIMP_(ULONG) D_CBaseVideoRenderer::AddRef() { return D_CBaseFilter::AddRef(); }
STDMETHODIMP_(ULONG) D_CBaseVideoRenderer::Release() { return D_CBaseFilter::Release(); }
STDMETHODIMP_(ULONG) D_CBaseVideoRenderer::GetMiscFlags() {
  return AM_FILTER_MISC_FLAGS_IS_RENDERER;
}

HRESULT D_CBaseVideoRenderer::QueryExtraInterface(REFIID id, void** object) {
  if (id == __uuidof(IAMFilterMiscFlags)) {
    *object = static_cast<IAMFilterMiscFlags*>(this);
    AddRef();
    return S_OK;
  }
  if (id == __uuidof(IMediaSeeking)) {
    // Positions are the upstream pin's to give.
    IPin* upstream = pin_.Connected();
    if (upstream) return upstream->QueryInterface(id, object);
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

void D_CBaseVideoRenderer::OnStateChanged(FILTER_STATE previous) {
  if (State() == State_Stopped) InterlockedExchange(&endOfStream_, 0);
  if (State() == State_Running && InterlockedExchange(&endOfStream_, 0)) {
    NotifyEvent(EC_COMPLETE, S_OK, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this)));
  }
}

void D_CBaseVideoRenderer::OnFlush() { InterlockedExchange(&endOfStream_, 0); }

void D_CBaseVideoRenderer::EndOfStream() {
  D_CAutoLock lock(&lock_);
  if (State() == State_Running) {
    NotifyEvent(EC_COMPLETE, S_OK, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this)));
  } else if (State() == State_Paused) {
    InterlockedExchange(&endOfStream_, 1);
  }
}

bool D_CBaseVideoRenderer::IsDue(IMediaSample* sample) {
  IReferenceClock* clock = Clock();
  REFERENCE_TIME start = 0;
  REFERENCE_TIME end = 0;
  if (!clock || FAILED(sample->GetTime(&start, &end))) return true;
  REFERENCE_TIME now = 0;
  if (FAILED(clock->GetTime(&now))) return true;
  return now >= StartTime() + start;
}

HRESULT D_CBaseVideoRenderer::ReceiveSample(IMediaSample* sample) {
  bool rendered = false;
  for (;;) {
    if (pin_.IsFlushing()) return S_FALSE;
    const FILTER_STATE state = State();
    if (state == State_Stopped) return VFW_E_WRONG_STATE;
    if (state == State_Running && IsDue(sample)) break;
    // A paused renderer shows its first sample at once and holds it.
    if (state == State_Paused && !rendered) {
      DoRenderSample(sample);
      rendered = true;
    }
    Sleep(kWaitStepMs);
  }
  if (!rendered) DoRenderSample(sample);
  return S_OK;
}
