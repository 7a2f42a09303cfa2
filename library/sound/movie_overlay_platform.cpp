// The window facts and the DirectDraw call behind movie overlays.
#include <windows.h>
#include <ddraw.h>

#include "sound/movie_overlay.h"
#include "graphics/presentation.h"
#include "system/main_window.h"
#include "system/system_state.h"

namespace {

// {06675A80-3B9B-11D2-B92F-00609797EA5B}
constexpr GUID kSurface7Id = {0x06675a80, 0x3b9b, 0x11d2,
                              {0xb9, 0x2f, 0x00, 0x60, 0x97, 0x97, 0xea, 0x5b}};

RECT ToRect(const IntRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// The overlay goes onto the primary surface of the DirectDraw object that
// owns it.
class DirectDrawOverlayOps : public MovieOverlayOps {
 public:
  long UpdateOverlay(IUnknown* overlaySurface, const IntRect* source, const IntRect* dest,
                     int show) override {
    if (!overlaySurface) return E_POINTER;
    IDirectDrawSurface7* surface = nullptr;
    HRESULT result =
        overlaySurface->QueryInterface(kSurface7Id, reinterpret_cast<void**>(&surface));
    if (FAILED(result)) return result;
    IDirectDraw7* directDraw = nullptr;
    result = surface->GetDDInterface(reinterpret_cast<void**>(&directDraw));
    IDirectDrawSurface7* primary = nullptr;
    if (SUCCEEDED(result)) result = directDraw->GetGDISurface(&primary);
    if (SUCCEEDED(result)) {
      if (show) {
        RECT from = ToRect(*source);
        RECT to = ToRect(*dest);
        result = surface->UpdateOverlay(&from, primary, &to, DDOVER_SHOW, nullptr);
      } else {
        result = surface->UpdateOverlay(nullptr, primary, nullptr, DDOVER_HIDE, nullptr);
      }
    }
    if (primary) primary->Release();
    if (directDraw) directDraw->Release();
    surface->Release();
    return result;
  }
};

DirectDrawOverlayOps g_directDrawOps;
MovieOverlayOps* g_ops = &g_directDrawOps;

IntRect ToIntRect(const RECT& r) { return IntRect{r.left, r.top, r.right, r.bottom}; }

}  // namespace

MovieOverlayOps* InstallMovieOverlayOps(MovieOverlayOps* ops) {
  MovieOverlayOps* before = g_ops;
  g_ops = ops ? ops : &g_directDrawOps;
  return before;
}

MovieOverlayOps* GetMovieOverlayOps() { return g_ops; }

OverlayWindowView ReadOverlayWindowView() {
  OverlayWindowView view{};
  view.windowMode = GetSystemState().settings.windowMode;
  view.clipKind = ClipBoxKind::kEmpty;
  if (view.windowMode) {
    HWND window = GetMainWindow();
    HDC dc = window ? GetDC(window) : nullptr;
    if (dc) {
      RECT box{};
      const int kind = GetClipBox(dc, &box);
      ReleaseDC(window, dc);
      if (kind == SIMPLEREGION) {
        view.clipKind = ClipBoxKind::kSimple;
        view.clipBox = ToIntRect(box);
      } else if (kind == COMPLEXREGION) {
        view.clipKind = ClipBoxKind::kComplex;
      }
    }
  }
  RECT client{};
  GetClientScreenRect(&client);
  view.clientScreen = ToIntRect(client);
  DDCAPS_DX7 caps;
  QueryDirectDrawCaps(&caps);
  OverlayAlignment& align = view.alignment;
  if (caps.dwCaps & DDCAPS_ALIGNBOUNDARYSRC) align.sourceBoundary = caps.dwAlignBoundarySrc;
  if (caps.dwCaps & DDCAPS_ALIGNSIZESRC) align.sourceSize = caps.dwAlignSizeSrc;
  if (caps.dwCaps & DDCAPS_ALIGNBOUNDARYDEST) align.destBoundary = caps.dwAlignBoundaryDest;
  if (caps.dwCaps & DDCAPS_ALIGNSIZEDEST) align.destSize = caps.dwAlignSizeDest;
  return view;
}
