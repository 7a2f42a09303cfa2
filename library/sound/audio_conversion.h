// The last decoder tried: the whole sound file handed to DirectShow, which
// decodes whatever it can parse to PCM, collected in memory. The file image
// is served by a memory reader filter, a sample grabber that accepts only
// PCM passes every sample to AppendGrabbedPcm, and the renderer the graph
// chose is swapped for a null renderer so that nothing is heard. The graph
// runs without a clock, as fast as it decodes.
#ifndef OMBREL_SOUND_AUDIO_CONVERSION_H
#define OMBREL_SOUND_AUDIO_CONVERSION_H

#include <windows.h>
#include <strmif.h>

#include <stdint.h>

#include "sound/dshow_base.h"
#include "sound/sound_decoder.h"

// A block of memory read as a file, optionally no faster than a rate.
struct D_CMemStream {
  const uint8_t* data;
  LONGLONG length;
  int kilobytesPerSecond;  // -1: unlimited
};

D_CMemStream* NewMemStream(const void* data, LONGLONG length, int kilobytesPerSecond);
void FreeMemStream(D_CMemStream* stream);
// Copies up to bytes from position; the count copied. Sleeps as the rate asks.
LONG ReadMemStream(D_CMemStream* stream, LONGLONG position, LONG bytes, BYTE* out);

class D_CMemReaderPin;

// A source filter named "Mem Reader" with one output pin that offers the
// given stream type and is read through IAsyncReader.
class D_CMemReader : public D_CBaseFilter {
 public:
  D_CMemReader(D_CMemStream* stream, const AM_MEDIA_TYPE* type, HRESULT* result);
  ~D_CMemReader() override;
  int GetPinCount() override { return 1; }
  D_CBasePin* GetPin(int index) override;
  D_CMemStream* Stream() const { return stream_; }
  const AM_MEDIA_TYPE& OfferedType() const { return type_; }

 private:
  D_CMemStream* stream_;
  AM_MEDIA_TYPE type_ = {};
  D_CMemReaderPin* pin_;
};

D_CMemReader* NewMemReader(D_CMemStream* stream, const AM_MEDIA_TYPE* type, HRESULT* result);
void FreeMemReader(D_CMemReader* reader);

// Called on the streaming thread for every sample the grabber passes on.
using D_GrabberCallback = HRESULT (*)(IMediaSample* sample, REFERENCE_TIME* start,
                                      REFERENCE_TIME* stop, void* user);

class D_CGrabberInputPin;
class D_CGrabberOutputPin;

// A pass-through filter that accepts one media type and hands every sample
// to a callback before passing it on unchanged.
class D_CSampleGrabber : public D_CBaseFilter {
 public:
  explicit D_CSampleGrabber(HRESULT* result);
  ~D_CSampleGrabber() override;
  int GetPinCount() override { return 2; }
  D_CBasePin* GetPin(int index) override;

  // Major type and subtype the input takes (GUID_NULL: any).
  HRESULT SetAcceptedMediaType(const AM_MEDIA_TYPE* type);
  HRESULT GetConnectedMediaType(AM_MEDIA_TYPE* type);
  HRESULT SetCallback(D_GrabberCallback callback, void* user);

  const AM_MEDIA_TYPE& Accepted() const { return accepted_; }
  D_GrabberCallback callback() const { return callback_; }
  void* user() const { return user_; }
  D_CGrabberInputPin* Input() const { return input_; }
  D_CGrabberOutputPin* Output() const { return output_; }

 private:
  AM_MEDIA_TYPE accepted_ = {};
  D_GrabberCallback callback_ = nullptr;
  void* user_ = nullptr;
  D_CGrabberInputPin* input_;
  D_CGrabberOutputPin* output_;
};

// The first pin of the direction (PINDIR_INPUT or PINDIR_OUTPUT), with a
// reference, or null.
IPin* FindFilterPin(IBaseFilter* filter, PIN_DIRECTION direction);

// Appends the sample's bytes to the decoder's PCM, growing it in 1 MB steps;
// a failed growth frees the PCM, so the conversion ends in failure. S_OK.
HRESULT AppendGrabbedPcm(IMediaSample* sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                         void* decoder);

// Decodes the decoder's whole stream through DirectShow: 0 with the decoder
// as kind kDecoderMemoryPcm, or -1 with the failure logged.
int OpenDirectShowDecoder(SoundDecoder* decoder);

#endif
