// Movies: a file that no image loader reads may open as a movie whose frames
// update a graph. Ogg Theora files are decoded by the library's own Theora
// decoder with their Vorbis track played as a stream sound; anything else is
// played by a DirectShow filter graph ending in the library's frame renderer.
#ifndef OMBREL_SOUND_MOVIE_SERVICES_H
#define OMBREL_SOUND_MOVIE_SERVICES_H

#include <stdint.h>

#include "Ombrel.h"

struct TheoraDecoder;
struct MovieRenderer;
struct IUnknown;
struct IGraphBuilder;
struct IMediaControl;
struct IMediaSeeking;
struct IBasicAudio;
struct MovieRecord;

constexpr int kMovieHandleLimit = 100;
constexpr int kMoviePathSize = 260;
// What the duration becomes when the graph reports none, in 100-ns units.
constexpr int64_t kMovieDefaultDuration = 166666;

using MovieFrameCallback = void (*)(MovieRecord* movie, int userValue);

// Where a movie's DirectDraw overlay was last asked to go (shown is the show
// flag asked for) and the rectangles it was given for that, zero while it is
// hidden.
struct MovieOverlayPlacement {
  int x, y, scale, shown;
  IntRect source, dest;
};

struct MovieRecord {
  int32_t checkId;
  int32_t playType;  // bit 1 (value 2): loop
  int32_t theora;    // 1 Theora, 0 DirectShow
  TheoraDecoder* theoraDecoder;
  int64_t startClock;  // microseconds at which frame 0 was due
  StreamHandle fileStream;  // the file the Theora decoder reads
  int32_t sound;  // the audio track, -1 when there is none
  IUnknown* overlaySurface;  // the overlay surface; none is made in this build
  IGraphBuilder* graph;
  IMediaControl* mediaControl;
  IMediaSeeking* mediaSeeking;
  IBasicAudio* basicAudio;
  MovieRenderer* renderer;
  int64_t duration;  // 100-ns units
  int32_t tempFile;  // 1 when a temporary copy of the file was rendered
  wchar_t filePath[kMoviePathSize];
  int32_t frameTimeMs;  // movie time at the last frame change (Theora)
  int64_t stopPosition;  // 100-ns units
  int32_t width, height;
  int32_t playing;  // runs, or should run again after a pause-all
  int32_t stopped;
  int32_t frameShown;
  int32_t overlay;  // 1: shown through overlaySurface; never set in this build
  GraphImage frame;  // DirectShow frames: a view of the renderer's buffer
  GraphImage frameImage;  // a view of the image the callback copies
  int32_t alpha;  // 1: the right half of each frame holds the alpha of the left
  int32_t frameKind;  // 2 rules out the direct row copy
  MovieOverlayPlacement overlayPlacement;
  MovieFrameCallback frameCallback;
  int32_t callbackUser;
};

// modeFlag is handed to the DirectShow opener and has no effect. The movie
// opens stopped, showing frame 0. -1 when the file is no movie or all 100
// movie slots are taken.
int OpenMovie(const char* fileName, int* width, int* height, int modeFlag);
// -1 for a handle that is not live, also -1 ("no movie"), without effect.
int CloseMovieHandle(int movie);
MovieRecord* GetMovieRecord(int movie);
int SetMovieFrameCallback(int movie, MovieFrameCallback callback, int userValue);
// Brings the frame up to date with the movie's clock and hands it to the
// frame callback; the graphics core calls it before every draw of the graph.
int UpdateMovieFrame(int movie, int unused);
// keepPlaying 1 leaves the movie marked to run again at ResumeAllMovies.
int PauseMovieHandle(int movie, int keepPlaying);
int PauseAllMovies();
int ResumeAllMovies();

// Puts a DirectShow movie's overlay at (x, y) of the client area, scale
// times enlarged, or hides it (show 0), and stores the placement: 0, or -1
// for a handle that is no movie with an overlay or a failed overlay call.
// Before the movie's first frame was shown it does nothing (0).
int UpdateMovieOverlay(int x, int y, int scale, int movie, int show);
// Every DirectShow movie with an overlay again at its stored placement, so
// the overlay follows the window; the message pass calls it. 0.
int UpdateMovieOverlays();

// The frame a Theora movie shows at t microseconds of its clock: with a
// sound track, or without one and not looping, frames past the end hold the
// last one; a looping movie without sound wraps.
int TheoraFrameAtTime(int64_t microseconds, double framesPerSecond, int frameCount, int hasSound,
                      int loop);

// Non-zero when the frame image now holds the current frame; the image is
// also brought up to date when the surface is asked for.
int UpdateTheoraFrameImage(TheoraDecoder* decoder, int toImage, int toSurface);

#endif
