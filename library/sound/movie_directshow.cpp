#include "sound/movie_directshow.h"

#include <windows.h>
#include <control.h>
#include <strmif.h>

#include <stdio.h>
#include <string.h>

#include "Ombrel.h"
#include "sound/dshow_base.h"
#include "sound/dshow_guids.h"
#include "sound/movie_renderer.h"
#include "system/file_access.h"
#include "system/system_state.h"
#include "system/tracked_memory.h"

namespace {

constexpr int kCopyChunk = 1 << 20;
constexpr int kMovieLoopBit = 2;
// Room for "ファイル:" + a path of 260 bytes + " が開けませんでした".
constexpr size_t kFailureTextSize = 512;

template <typename T>
void ReleaseInterface(T** object) {
  if (*object) (*object)->Release();
  *object = nullptr;
}

void ReleaseMovieInterfaces(MovieRecord* movie) {
  ReleaseInterface(&movie->overlaySurface);
  ReleaseInterface(&movie->basicAudio);
  ReleaseInterface(&movie->mediaSeeking);
  ReleaseInterface(&movie->mediaControl);
  // The renderer lives while the graph holds it; ours is the last reference.
  if (movie->renderer) {
    MovieRenderer* renderer = movie->renderer;
    movie->renderer = nullptr;
    ReleaseInterface(&movie->graph);
    if (movie->frame.pixels == renderer->frameBuffer) movie->frame = GraphImage{};
    FreeTrackedMemory(renderer->frameBuffer);
    renderer->frameBuffer = nullptr;
    renderer->Release();
  }
  ReleaseInterface(&movie->graph);
}

}  // namespace

int CopyMovieToTempFile(const char* path, wchar_t* widePath) {
  const FileAccessTable* files = GetFileAccessTable();
  const StreamHandle source = files->Open(path, 0, 1, 0);
  if (!source) return -1;
  files->Seek(source, 0, 2);
  int left = files->Tell(source);
  files->Seek(source, 0, 0);
  auto* buffer = static_cast<char*>(TRACKED_ALLOC(kCopyChunk));
  char tempPath[MAX_PATH] = "";
  HANDLE temp = buffer ? static_cast<HANDLE>(OpenNewTempFile(tempPath)) : nullptr;
  if (!temp || left < 0) {
    if (temp) {
      CloseHandle(temp);
      DeleteFileA(tempPath);
    }
    FreeTrackedMemory(buffer);
    files->Close(source);
    return -1;
  }
  // The temporary folder's path comes from the system in its own code page.
  MultiByteToWideChar(932, 0, tempPath, -1, widePath, kMoviePathSize);
  widePath[kMoviePathSize - 1] = L'\0';
  bool complete = true;
  while (left > 0) {
    const int chunk = left < kCopyChunk ? left : kCopyChunk;
    const int read = files->Read(buffer, 1, static_cast<size_t>(chunk), source);
    DWORD written = 0;
    if (read <= 0 || !WriteFile(temp, buffer, static_cast<DWORD>(read), &written, nullptr) ||
        written != static_cast<DWORD>(read)) {
      complete = false;
      break;
    }
    left -= read;
  }
  CloseHandle(temp);
  FreeTrackedMemory(buffer);
  files->Close(source);
  return complete ? 0 : 1;
}

int OpenMovieDirectShow(void*, MovieRecord* movie, const char* path, int* width, int* height,
                        int) {
  movie->frame = GraphImage{};
  movie->overlayPlacement = MovieOverlayPlacement{};
  char failure[kFailureTextSize] = "";
  auto fail = [&](const char* text) {
    if (text) snprintf(failure, sizeof failure, "%s", text);
    ReleaseMovieInterfaces(movie);
    AppendLog(failure);
    return -1;
  };
  if (FAILED(D_CoCreateInstance(D_CLSID_FilterGraph, __uuidof(IGraphBuilder),
                                reinterpret_cast<void**>(&movie->graph)))) {
    return fail("CLSID_FilterGraph の作成に失敗しました");
  }
  HRESULT made = S_OK;
  movie->renderer = NewMovieRenderer(nullptr, &made);
  if (!movie->renderer || FAILED(movie->graph->AddFilter(movie->renderer, L"MovieRenderer"))) {
    return fail("Could not add renderer filter to graph!");
  }
  if (FAILED(movie->graph->QueryInterface(D_IID_IBasicAudio,
                                          reinterpret_cast<void**>(&movie->basicAudio)))) {
    return fail("BasicAudio インターフェースの取得に失敗しました");
  }
  if (FAILED(movie->graph->QueryInterface(__uuidof(IMediaControl),
                                          reinterpret_cast<void**>(&movie->mediaControl)))) {
    return fail("IID_IMediaControlインターフェイスの取得に失敗しました");
  }
  if (FAILED(movie->graph->QueryInterface(__uuidof(IMediaSeeking),
                                          reinterpret_cast<void**>(&movie->mediaSeeking)))) {
    return fail("IID_IMediaSeekingインターフェイスの取得に失敗しました");
  }
  const UINT codePage = static_cast<UINT>(GetSystemState().settings.codePage);
  MultiByteToWideChar(codePage, 0, path, -1, movie->filePath, kMoviePathSize);
  movie->filePath[kMoviePathSize - 1] = L'\0';
  if (FAILED(movie->graph->RenderFile(movie->filePath, nullptr))) {
    // The path is cut to fit the text, never past it.
    snprintf(failure, sizeof failure, "ファイル:%.300s が開けませんでした", path);
    if (movie->tempFile) return fail(nullptr);
    const int copied = CopyMovieToTempFile(path, movie->filePath);
    if (copied < 0) return fail(nullptr);
    movie->tempFile = 1;
    if (FAILED(movie->graph->RenderFile(movie->filePath, nullptr))) {
      DeleteFileW(movie->filePath);
      movie->tempFile = 0;
      return fail(nullptr);
    }
  }
  movie->duration = 0;
  movie->mediaSeeking->GetDuration(&movie->duration);
  if (movie->duration == 0) movie->duration = kMovieDefaultDuration;
  movie->stopPosition = 0;
  if (FAILED(movie->mediaSeeking->GetStopPosition(&movie->stopPosition))) {
    movie->stopPosition = movie->duration;
  }
  movie->width = movie->renderer->frameWidth;
  movie->height = movie->renderer->frameHeight;
  if (width) *width = movie->width;
  if (height) *height = movie->height;
  return 0;
}

bool TakeDirectShowFrame(MovieRecord* movie) {
  MovieRenderer* renderer = movie->renderer;
  if (!renderer || !InterlockedExchange(&renderer->newFrame, 0) || !renderer->frameBuffer) {
    return false;
  }
  GraphImage& frame = movie->frame;
  SetColorFormatRGB24(&frame.format);
  frame.width = renderer->frameWidth;
  frame.height = renderer->frameHeight;
  frame.pitch = renderer->framePitch;
  frame.pixels = renderer->frameBuffer;
  return true;
}

void CheckDirectShowMovieEnd(MovieRecord* movie) {
  if (!movie->mediaSeeking || !movie->mediaControl) return;
  LONGLONG position = 0;
  if (FAILED(movie->mediaSeeking->GetCurrentPosition(&position))) return;
  if (position < movie->stopPosition) return;
  if (movie->playType & kMovieLoopBit) {
    LONGLONG start = 0;
    movie->mediaSeeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                                      AM_SEEKING_NoPositioning);
    movie->mediaControl->Run();
  } else {
    movie->playing = 0;
    movie->stopped = 1;
  }
}

void PauseDirectShowMovie(MovieRecord* movie) {
  if (movie->mediaControl) movie->mediaControl->Pause();
}

void RunDirectShowMovie(MovieRecord* movie) {
  if (movie->mediaControl) movie->mediaControl->Run();
}

void CloseDirectShowMovie(MovieRecord* movie) {
  if (movie->tempFile) DeleteFileW(movie->filePath);
  movie->tempFile = 0;
  if (movie->mediaControl) movie->mediaControl->Stop();
  ReleaseMovieInterfaces(movie);
}
