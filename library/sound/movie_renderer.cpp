#include "sound/movie_renderer.h"

#include <amvideo.h>
#include <string.h>

#include <new>

#include "sound/dshow_guids.h"
#include "system/tracked_memory.h"

namespace {

// Frames beyond this are refused rather than sized from an untrusted header.
constexpr int32_t kMaxFrameSide = 16384;

}  // namespace

MovieRenderer::MovieRenderer() : D_CBaseVideoRenderer(D_CLSID_MovieRenderer, L"") {}

MovieRenderer* NewMovieRenderer(IUnknown*, HRESULT* result) {
  auto* renderer = new (std::nothrow) MovieRenderer();
  if (result) *result = renderer ? S_OK : E_OUTOFMEMORY;
  return renderer;
}

HRESULT MovieRenderer::CheckMediaType(const AM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  if (type->formattype != D_FORMAT_VideoInfo) return E_INVALIDARG;
  if (type->majortype != D_MEDIATYPE_Video || type->subtype != D_MEDIASUBTYPE_RGB24) return E_FAIL;
  // The header is read from the format block, so it must be there whole.
  if (!type->pbFormat || type->cbFormat < sizeof(VIDEOINFOHEADER)) return E_INVALIDARG;
  return S_OK;
}

HRESULT MovieRenderer::SetMediaType(const AM_MEDIA_TYPE* type) {
  if (CheckMediaType(type) != S_OK) return E_FAIL;
  const BITMAPINFOHEADER& header = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader;
  const int32_t width = header.biWidth;
  const int32_t height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  if (width <= 0 || height <= 0 || width > kMaxFrameSide || height > kMaxFrameSide) return E_FAIL;
  bottomUp = header.biHeight > 0 ? 1 : 0;
  frameWidth = width;
  frameHeight = height;
  framePitch = MovieFramePitch(width);
  FreeTrackedMemory(frameBuffer);
  frameBuffer = static_cast<uint8_t*>(
      TRACKED_ALLOC(static_cast<size_t>(framePitch) * static_cast<size_t>(frameHeight)));
  InterlockedExchange(&newFrame, 0);
  return frameBuffer ? S_OK : E_OUTOFMEMORY;
}

HRESULT MovieRenderer::DoRenderSample(IMediaSample* sample) {
  if (!sample) return E_POINTER;
  if (!frameBuffer) return S_OK;
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data)) || !data) return S_OK;
  // A short sample fills only the rows it holds.
  const size_t frameBytes = static_cast<size_t>(framePitch) * static_cast<size_t>(frameHeight);
  const long length = sample->GetActualDataLength();
  const size_t available = length > 0 ? static_cast<size_t>(length) : 0;
  if (bottomUp) {
    const int32_t rows = static_cast<int32_t>(
        available / static_cast<size_t>(framePitch) < static_cast<size_t>(frameHeight)
            ? available / static_cast<size_t>(framePitch)
            : static_cast<size_t>(frameHeight));
    for (int32_t row = 0; row < rows; ++row) {
      memcpy(frameBuffer + static_cast<size_t>(frameHeight - 1 - row) * framePitch,
             data + static_cast<size_t>(row) * framePitch, static_cast<size_t>(framePitch));
    }
  } else {
    memcpy(frameBuffer, data, available < frameBytes ? available : frameBytes);
  }
  InterlockedExchange(&newFrame, 1);
  return S_OK;
}
