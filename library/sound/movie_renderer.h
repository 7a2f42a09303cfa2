// MovieRenderer: the video renderer at the end of a DirectShow movie's graph.
// It accepts 24-bit RGB frames, keeps the latest one as a top-down copy and
// raises newFrame, which the movie code polls and clears when the movie's
// graph is drawn. There is no lock: a frame may be overwritten while it is
// being copied out.
#ifndef OMBREL_SOUND_MOVIE_RENDERER_H
#define OMBREL_SOUND_MOVIE_RENDERER_H

#include <stdint.h>

#include "sound/dshow_renderer.h"

struct MovieRenderer : public D_CBaseVideoRenderer {
  MovieRenderer();

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE* type) override;
  HRESULT DoRenderSample(IMediaSample* sample) override;

  // Owned by the movie, which frees it at close.
  uint8_t* frameBuffer = nullptr;
  volatile LONG newFrame = 0;
  int32_t bottomUp = 0;
  int32_t frameWidth = 0;
  int32_t frameHeight = 0;
  int32_t framePitch = 0;
};

// A new renderer with one reference, or null when memory runs out; the
// result, when given, is S_OK or E_OUTOFMEMORY.
MovieRenderer* NewMovieRenderer(IUnknown* outer, HRESULT* result);

// Bytes per row of a 24-bit frame: whole 32-bit words.
inline int32_t MovieFramePitch(int32_t width) { return (3 * width + 3) & ~3; }

#endif
