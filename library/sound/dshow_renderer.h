// The base of the library's video renderer filter: one input pin whose
// samples are shown at their time on the graph's clock (at once without a
// clock), the first one at once while paused; the end of the stream is
// reported to the graph once the filter runs. Seeking is answered by the
// pin the renderer is connected to.
#ifndef OMBREL_SOUND_DSHOW_RENDERER_H
#define OMBREL_SOUND_DSHOW_RENDERER_H

#include "sound/dshow_base.h"

class D_CBaseVideoRenderer;

class D_CRendererInputPin : public D_CBaseInputPin {
 public:
  explicit D_CRendererInputPin(D_CBaseVideoRenderer* renderer);
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP Receive(IMediaSample* sample) override;
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override;

 private:
  D_CBaseVideoRenderer* renderer_;
};

class D_CBaseVideoRenderer : public D_CBaseFilter, public IAMFilterMiscFlags {
 public:
  D_CBaseVideoRenderer(const CLSID& classId, const wchar_t* name);
  ~D_CBaseVideoRenderer() override;

  virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT SetMediaType(const AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT DoRenderSample(IMediaSample* sample) = 0;

  STDMETHODIMP QueryInterface(REFIID id, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP_(ULONG) GetMiscFlags() override;

  int GetPinCount() override { return 1; }
  D_CBasePin* GetPin(int index) override { return index == 0 ? &pin_ : nullptr; }

  HRESULT ReceiveSample(IMediaSample* sample);
  void EndOfStream();
  void OnFlush();

 protected:
  HRESULT QueryExtraInterface(REFIID id, void** object) override;
  void OnStateChanged(FILTER_STATE previous) override;

 private:
  bool IsDue(IMediaSample* sample);
  D_CRendererInputPin pin_;
  volatile LONG endOfStream_ = 0;  // reached, not yet reported
};

#endif
