// Where a movie's DirectDraw overlay goes: the rectangle arithmetic and the
// hide, show or leave-alone decision, as plain data. The overlay surface call
// itself is made through MovieOverlayOps, so the decisions can be watched
// call by call; movie_overlay_platform.cpp reads the window and makes the
// real call.
#ifndef OMBREL_SOUND_MOVIE_OVERLAY_H
#define OMBREL_SOUND_MOVIE_OVERLAY_H

#include "Ombrel.h"
#include "sound/movie_services.h"

// The overlay alignment the display reports; 0 means no constraint.
struct OverlayAlignment {
  int sourceBoundary;  // the source's left edge falls on a multiple of this
  int sourceSize;      // the source's width is a multiple of this
  int destBoundary;    // the destination's left edge falls on a multiple of this
  int destSize;        // the destination's width is a multiple of this
};

// What the main window's clip box says about its visible part.
enum class ClipBoxKind { kEmpty, kSimple, kComplex };

// The facts of the window that the placement depends on.
struct OverlayWindowView {
  int windowMode;  // 1 window mode, 0 full screen
  ClipBoxKind clipKind;  // window mode only
  IntRect clipBox;  // client coordinates; window mode only
  IntRect clientScreen;  // the client area in screen coordinates
  OverlayAlignment alignment;
};

enum class OverlayAction { kHide, kShow, kUnchanged };

struct OverlayDecision {
  OverlayAction action;
  IntRect source;  // zero when hidden
  IntRect dest;    // screen coordinates; zero when hidden
  MovieOverlayPlacement placement;  // what to store once the call is made
};

// The placement of a width x height movie drawn at (x, y) of the client area,
// scale times enlarged, against the one stored from the last call.
OverlayDecision PlaceMovieOverlay(int x, int y, int scale, int show, int width, int height,
                                  const OverlayWindowView& view,
                                  const MovieOverlayPlacement& stored);

// The overlay surface call: shows the source part of the surface at dest on
// the primary surface, or (show 0, rectangles null) hides it. An HRESULT.
class MovieOverlayOps {
 public:
  virtual ~MovieOverlayOps() = default;
  virtual long UpdateOverlay(IUnknown* overlaySurface, const IntRect* source, const IntRect* dest,
                             int show) = 0;
};

// The calls the movie code makes (the DirectDraw ones unless replaced);
// returns the calls installed before. Null puts the DirectDraw ones back.
MovieOverlayOps* InstallMovieOverlayOps(MovieOverlayOps* ops);
MovieOverlayOps* GetMovieOverlayOps();

// Decides the placement, makes the overlay call it needs and stores the
// placement: 0, or -1 when the call fails (the old placement is kept, so the
// next pass tries again).
int ApplyMovieOverlay(MovieRecord* movie, int x, int y, int scale, int show,
                      const OverlayWindowView& view, MovieOverlayOps* ops);

// The main window as the overlay sees it now.
OverlayWindowView ReadOverlayWindowView();

#endif
