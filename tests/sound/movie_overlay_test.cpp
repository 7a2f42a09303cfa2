#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Ombrel.h"
#include "sound/movie_overlay.h"
#include "sound/movie_services.h"
#include "support/library_session.h"
#include "support/movie_fixtures.h"
#include "system/main_window.h"

namespace {

struct OverlayCall {
  IUnknown* surface;
  bool hasRects;
  IntRect source, dest;
  int show;
};

// Records every overlay call and answers with a chosen result.
class RecordingOverlayOps : public MovieOverlayOps {
 public:
  long UpdateOverlay(IUnknown* surface, const IntRect* source, const IntRect* dest,
                     int show) override {
    OverlayCall call{surface, source && dest, {}, {}, show};
    if (source) call.source = *source;
    if (dest) call.dest = *dest;
    calls.push_back(call);
    return result;
  }
  std::vector<OverlayCall> calls;
  long result = 0;
};

// Stands in for the overlay surface: only its address is passed around.
class FakeSurface : public IUnknown {
 public:
  STDMETHODIMP QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
};

bool SameRect(const IntRect& a, const IntRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Describe(const IntRect& r) {
  return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
         std::to_string(r.right) + ", " + std::to_string(r.bottom) + ")";
}

OverlayWindowView FullScreen(IntRect screen) {
  OverlayWindowView view{};
  view.windowMode = 0;
  view.clientScreen = screen;
  return view;
}

OverlayWindowView Windowed(ClipBoxKind kind, IntRect clipBox, IntRect clientScreen) {
  OverlayWindowView view{};
  view.windowMode = 1;
  view.clipKind = kind;
  view.clipBox = clipBox;
  view.clientScreen = clientScreen;
  return view;
}

// Worked examples of the placement rules: the source is the whole frame and
// the destination the frame scaled at (x, y); in window mode the clip box
// hides (empty, complex) or clips (simple); the result moves by the client
// area's screen position and is clipped to it; what was cut from the
// destination is cut from the source divided by the scale; an empty result
// hides.
TEST(MovieOverlayTest, PlacesClipsAndShrinksByTheRules) {
  const IntRect none{};
  const IntRect screen{0, 0, 640, 480};
  const IntRect client{100, 50, 740, 530};
  const struct {
    const char* name;
    int x, y, scale, show, width, height;
    OverlayWindowView view;
    OverlayAction action;
    IntRect source, dest;
  } cases[] = {
      {"full screen, fits", 10, 20, 1, 1, 320, 240, FullScreen(screen), OverlayAction::kShow,
       {0, 0, 320, 240}, {10, 20, 330, 260}},
      // (10, 20)-(650, 500) loses 10 on the right and 20 at the bottom: the
      // source loses 10 / 2 and 20 / 2.
      {"full screen, past the right and bottom", 10, 20, 2, 1, 320, 240, FullScreen(screen),
       OverlayAction::kShow, {0, 0, 315, 230}, {10, 20, 640, 480}},
      // 4 pixels cut at the left by scale 3 cut 4 / 3 = 1 source column.
      {"scale 3, cut on the left", -4, 0, 3, 1, 100, 100, FullScreen(screen),
       OverlayAction::kShow, {1, 0, 100, 100}, {0, 0, 296, 300}},
      // Client coordinates (-20, -10)-(140, 110) clipped by the clip box to
      // (0, 0)-(140, 110), then moved to the client area's place on screen.
      {"window, simple clip box", -20, -10, 1, 1, 160, 120,
       Windowed(ClipBoxKind::kSimple, {0, 0, 200, 150}, client), OverlayAction::kShow,
       {20, 10, 160, 120}, {100, 50, 240, 160}},
      {"window, clip box cuts the right", 150, 0, 1, 1, 160, 120,
       Windowed(ClipBoxKind::kSimple, {0, 0, 200, 150}, client), OverlayAction::kShow,
       {0, 0, 50, 120}, {250, 50, 300, 170}},
      {"window, complex region", 0, 0, 1, 1, 160, 120,
       Windowed(ClipBoxKind::kComplex, {0, 0, 200, 150}, client), OverlayAction::kHide, none,
       none},
      {"window, empty region", 0, 0, 1, 1, 160, 120,
       Windowed(ClipBoxKind::kEmpty, {}, client), OverlayAction::kHide, none, none},
      {"window, outside the clip box", 300, 0, 1, 1, 160, 120,
       Windowed(ClipBoxKind::kSimple, {0, 0, 200, 150}, client), OverlayAction::kHide, none,
       none},
      {"full screen, off the screen", 640, 0, 1, 1, 160, 120, FullScreen(screen),
       OverlayAction::kHide, none, none},
      {"show flag 0", 0, 0, 1, 0, 160, 120, FullScreen(screen), OverlayAction::kHide, none,
       none},
      {"scale 0", 0, 0, 0, 1, 160, 120, FullScreen(screen), OverlayAction::kHide, none, none},
      {"negative scale", 300, 300, -1, 1, 160, 120, FullScreen(screen), OverlayAction::kHide,
       none, none},
      {"no frame size", 0, 0, 1, 1, 0, 120, FullScreen(screen), OverlayAction::kHide, none, none},
      // 10,000,000 x 320 passes 32 bits before the screen clips it.
      {"huge scale", 0, 0, 10000000, 1, 320, 240, FullScreen(screen), OverlayAction::kShow,
       {0, 0, 1, 1}, {0, 0, 640, 480}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const OverlayDecision d =
        PlaceMovieOverlay(c.x, c.y, c.scale, c.show, c.width, c.height, c.view, {});
    EXPECT_EQ(d.action, c.action);
    EXPECT_TRUE(SameRect(d.source, c.source)) << Describe(d.source);
    EXPECT_TRUE(SameRect(d.dest, c.dest)) << Describe(d.dest);
    EXPECT_TRUE(SameRect(d.placement.source, c.source));
    EXPECT_TRUE(SameRect(d.placement.dest, c.dest));
    EXPECT_EQ(d.placement.x, c.x);
    EXPECT_EQ(d.placement.y, c.y);
    EXPECT_EQ(d.placement.scale, c.scale);
    EXPECT_EQ(d.placement.shown, c.show);
  }
}

// The display reports no alignment, but when one is given the left edges
// move up to the boundary and the widths go down to whole steps; a width
// that aligns away hides.
TEST(MovieOverlayTest, AlignsEdgesAndWidthsWhenTheDisplayAsks) {
  OverlayWindowView view = FullScreen({0, 0, 640, 480});
  view.alignment = OverlayAlignment{4, 8, 16, 32};
  OverlayDecision d = PlaceMovieOverlay(-6, 1, 1, 1, 100, 50, view, {});
  // Source (6, 0)-(100, 50): left 6 -> 8, width 92 -> 88. Destination
  // (0, 1)-(94, 51): left stays 0, width 94 -> 64.
  EXPECT_EQ(d.action, OverlayAction::kShow);
  EXPECT_TRUE(SameRect(d.source, {8, 0, 96, 50})) << Describe(d.source);
  EXPECT_TRUE(SameRect(d.dest, {0, 1, 64, 51})) << Describe(d.dest);

  d = PlaceMovieOverlay(10, 0, 1, 1, 20, 20, view, {});
  // Destination left 10 -> 16, width 14 -> 0.
  EXPECT_EQ(d.action, OverlayAction::kHide);
}

TEST(MovieOverlayTest, ShowsOnlyWhenThePlacementChangesAndHidesEveryTime) {
  RecordingOverlayOps ops;
  FakeSurface surface;
  MovieRecord movie{};
  movie.width = 160;
  movie.height = 120;
  movie.overlaySurface = &surface;
  const OverlayWindowView view = FullScreen({0, 0, 640, 480});

  ASSERT_EQ(ApplyMovieOverlay(&movie, 10, 20, 1, 1, view, &ops), 0);
  ASSERT_EQ(ops.calls.size(), 1u);
  EXPECT_EQ(ops.calls[0].surface, &surface);
  EXPECT_EQ(ops.calls[0].show, 1);
  EXPECT_TRUE(SameRect(ops.calls[0].source, {0, 0, 160, 120}));
  EXPECT_TRUE(SameRect(ops.calls[0].dest, {10, 20, 170, 140}));
  EXPECT_TRUE(SameRect(movie.overlayPlacement.dest, {10, 20, 170, 140}));

  // Nothing changed: no call.
  ASSERT_EQ(ApplyMovieOverlay(&movie, 10, 20, 1, 1, view, &ops), 0);
  EXPECT_EQ(ops.calls.size(), 1u);

  // The window moved: the same request lands elsewhere on screen.
  const OverlayWindowView moved = FullScreen({5, 0, 645, 480});
  ASSERT_EQ(ApplyMovieOverlay(&movie, 10, 20, 1, 1, moved, &ops), 0);
  ASSERT_EQ(ops.calls.size(), 2u);
  EXPECT_TRUE(SameRect(ops.calls[1].dest, {15, 20, 175, 140}));

  // Hiding is asked for on every pass, with no rectangles.
  for (int pass = 0; pass < 2; ++pass) {
    ASSERT_EQ(ApplyMovieOverlay(&movie, 10, 20, 1, 0, moved, &ops), 0);
    EXPECT_EQ(ops.calls.back().show, 0);
    EXPECT_FALSE(ops.calls.back().hasRects);
  }
  EXPECT_EQ(ops.calls.size(), 4u);
  EXPECT_EQ(movie.overlayPlacement.shown, 0);

  // Shown again at the very place it had before it was hidden.
  ASSERT_EQ(ApplyMovieOverlay(&movie, 10, 20, 1, 1, moved, &ops), 0);
  ASSERT_EQ(ops.calls.size(), 5u);
  EXPECT_EQ(ops.calls[4].show, 1);
  EXPECT_TRUE(SameRect(ops.calls[4].dest, {15, 20, 175, 140}));

  // Covered by another window, then uncovered: hidden, then shown again.
  const IntRect client{5, 0, 645, 480};
  ASSERT_EQ(ApplyMovieOverlay(&movie, 10, 20, 1, 1, Windowed(ClipBoxKind::kEmpty, {}, client),
                              &ops),
            0);
  EXPECT_EQ(ops.calls.back().show, 0);
  EXPECT_EQ(movie.overlayPlacement.shown, 1);
  ASSERT_EQ(ApplyMovieOverlay(&movie, 10, 20, 1, 1,
                              Windowed(ClipBoxKind::kSimple, {0, 0, 640, 480}, client), &ops),
            0);
  EXPECT_EQ(ops.calls.back().show, 1);
  EXPECT_EQ(ops.calls.size(), 7u);
}

TEST(MovieOverlayTest, AFailedCallKeepsTheOldPlacementSoTheNextPassTriesAgain) {
  RecordingOverlayOps ops;
  FakeSurface surface;
  MovieRecord movie{};
  movie.width = 160;
  movie.height = 120;
  movie.overlaySurface = &surface;
  const OverlayWindowView view = FullScreen({0, 0, 640, 480});

  ops.result = E_FAIL;
  EXPECT_EQ(ApplyMovieOverlay(&movie, 10, 20, 1, 1, view, &ops), -1);
  EXPECT_TRUE(SameRect(movie.overlayPlacement.dest, {}));
  ops.result = S_OK;
  EXPECT_EQ(ApplyMovieOverlay(&movie, 10, 20, 1, 1, view, &ops), 0);
  EXPECT_EQ(ops.calls.size(), 2u);
  EXPECT_EQ(ops.calls[1].show, 1);
}

// The handle-level calls: which movies the per-frame pass moves and with
// what. No window exists here, so every placement comes out hidden; what is
// checked is which movies are reached with their stored request.
TEST(MovieOverlayTest, TheFramePassReachesOnlyDirectShowMoviesWithAShownOverlay) {
  const std::string path = "overlay.ogv";
  TheoraMovieSpec spec;
  spec.frames = 2;
  ASSERT_TRUE(WriteMovieFile(path, MakeTheoraMovie(spec)));
  int width = 0, height = 0;
  const int handle = OpenMovie(path.c_str(), &width, &height, 0);
  ASSERT_NE(handle, -1);
  MovieRecord* movie = GetMovieRecord(handle);
  ASSERT_NE(movie, nullptr);

  RecordingOverlayOps ops;
  MovieOverlayOps* before = InstallMovieOverlayOps(&ops);
  FakeSurface surface;

  EXPECT_EQ(UpdateMovieOverlay(0, 0, 1, handle, 1), -1);  // no overlay
  EXPECT_EQ(UpdateMovieOverlay(0, 0, 1, -1, 1), -1);
  EXPECT_EQ(UpdateMovieOverlays(), 0);
  EXPECT_TRUE(ops.calls.empty());

  // The record taken for a DirectShow movie with an overlay (restored below,
  // before the movie is closed as what it is).
  movie->theora = 0;
  movie->overlay = 1;
  movie->overlaySurface = &surface;
  movie->overlayPlacement.x = 3;
  movie->overlayPlacement.y = 4;
  movie->overlayPlacement.scale = 2;
  movie->overlayPlacement.shown = 1;
  movie->frameShown = 0;
  EXPECT_EQ(UpdateMovieOverlays(), 0);
  EXPECT_TRUE(ops.calls.empty()) << "no frame has been shown yet";

  movie->frameShown = 1;
  EXPECT_EQ(UpdateMovieOverlays(), 0);
  ASSERT_EQ(ops.calls.size(), 1u);
  EXPECT_EQ(ops.calls[0].surface, &surface);
  EXPECT_EQ(ops.calls[0].show, 0);
  // The request stays stored for the next pass.
  EXPECT_EQ(movie->overlayPlacement.x, 3);
  EXPECT_EQ(movie->overlayPlacement.scale, 2);
  EXPECT_EQ(movie->overlayPlacement.shown, 1);

  EXPECT_EQ(UpdateMovieOverlay(7, 8, 1, handle, 0), 0);
  EXPECT_EQ(movie->overlayPlacement.x, 7);
  EXPECT_EQ(movie->overlayPlacement.shown, 0);
  EXPECT_EQ(ops.calls.size(), 2u);

  InstallMovieOverlayOps(before);
  movie->theora = 1;
  movie->overlay = 0;
  movie->overlaySurface = nullptr;
  EXPECT_EQ(CloseMovieHandle(handle), 0);
  DeleteFileA(path.c_str());
}

using MovieOverlayPassTest = StartedLibraryTest;

// With the library running, a frame's message pass moves the overlay to the
// client area's place on screen (or hides it when the window shows nothing).
TEST_F(MovieOverlayPassTest, EveryMessagePassMovesTheOverlay) {
  const std::string path = "overlay-pass.ogv";
  TheoraMovieSpec spec;
  spec.frames = 2;
  ASSERT_TRUE(WriteMovieFile(path, MakeTheoraMovie(spec)));
  const int handle = OpenMovie(path.c_str(), nullptr, nullptr, 0);
  ASSERT_NE(handle, -1);
  MovieRecord* movie = GetMovieRecord(handle);
  FakeSurface surface;
  movie->theora = 0;
  movie->overlay = 1;
  movie->overlaySurface = &surface;
  movie->frameShown = 1;
  movie->overlayPlacement.x = 8;
  movie->overlayPlacement.y = 6;
  movie->overlayPlacement.scale = 1;
  movie->overlayPlacement.shown = 1;
  RecordingOverlayOps ops;
  MovieOverlayOps* before = InstallMovieOverlayOps(&ops);

  EXPECT_EQ(PumpMessages(), 0);
  ASSERT_FALSE(ops.calls.empty());
  const OverlayCall& first = ops.calls[0];
  EXPECT_EQ(first.surface, &surface);
  if (first.show) {
    RECT client{};
    GetClientScreenRect(&client);
    EXPECT_EQ(first.dest.left, client.left + 8);
    EXPECT_EQ(first.dest.top, client.top + 6);
    EXPECT_TRUE(SameRect(first.source, {0, 0, movie->width, movie->height}))
        << Describe(first.source);
  }

  InstallMovieOverlayOps(before);
  movie->theora = 1;
  movie->overlay = 0;
  movie->overlaySurface = nullptr;
  EXPECT_EQ(CloseMovieHandle(handle), 0);
  DeleteFileA(path.c_str());
}

TEST(MovieOverlayTest, InstallingNullPutsTheDirectDrawCallsBack) {
  MovieOverlayOps* directDraw = GetMovieOverlayOps();
  RecordingOverlayOps ops;
  EXPECT_EQ(InstallMovieOverlayOps(&ops), directDraw);
  EXPECT_EQ(GetMovieOverlayOps(), &ops);
  EXPECT_EQ(InstallMovieOverlayOps(nullptr), &ops);
  EXPECT_EQ(GetMovieOverlayOps(), directDraw);
}

}  // namespace
