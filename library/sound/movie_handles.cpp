#include <math.h>

#include "Ombrel.h"
#include "sound/movie_directshow.h"
#include "sound/movie_overlay.h"
#include "sound/movie_services.h"
#include "sound/sound_services.h"
#include "sound/sound_state.h"
#include "sound/sound_table.h"
#include "sound/theora_decoder.h"
#include "system/file_access.h"
#include "system/log.h"
#include "system/tracked_memory.h"

namespace {

constexpr int kTheoraStockSize = 10;
constexpr int kMovieLoopBit = 2;
// Only the Ogg Vorbis decoder may read a movie's sound track.
constexpr int kOnlyOggMask = ~kDecoderMaskOgg;

using MovieTable = SoundSlotTable<MovieRecord, kMovieHandleLimit, kHandleKindMovie>;

MovieTable& Movies() {
  static MovieTable table;
  return table;
}

int FirstEmptySlot() {
  MovieTable& table = Movies();
  for (int slot = 0; slot < kMovieHandleLimit; ++slot) {
    if (!table.records[slot]) return slot;
  }
  return -1;
}

// The movie's sound track, loaded as a stream from the file through the Ogg
// Vorbis decoder alone; -1 when the file has none.
int LoadMovieSound(const char* path) {
  SoundSystemState& sound = GetSoundSystemState();
  const int savedType = GetSoundCreateType();
  const int savedMask = sound.decoderDisableMask;
  sound.movieAudio = 1;
  SetSoundCreateType(kSoundCreateStreamFile);
  sound.decoderDisableMask = kOnlyOggMask;
  const int handle = LoadSoundFileToHandle(path, 1, -1);
  sound.decoderDisableMask = savedMask;
  sound.movieAudio = 0;
  SetSoundCreateType(savedType);
  return handle;
}

bool OpenTheoraMovie(MovieRecord* movie, const char* path, int* width, int* height) {
  const FileAccessTable* files = GetFileAccessTable();
  movie->fileStream = OpenStream(path, 0, 1, 0);
  if (!movie->fileStream) return false;
  movie->theoraDecoder = OpenTheoraDecoder(files, movie->fileStream, kTheoraStockSize);
  if (!movie->theoraDecoder) {
    CloseStream(movie->fileStream);
    movie->fileStream = 0;
    return false;
  }
  movie->sound = LoadMovieSound(path);
  TheoraMovieInfo info{};
  ReadTheoraMovieInfo(movie->theoraDecoder, &info);
  movie->width = info.width;
  movie->height = info.height;
  if (width) *width = info.width;
  if (height) *height = info.height;
  movie->theora = 1;
  movie->frameImage = *GetTheoraFrameImage(movie->theoraDecoder);
  movie->overlay = 0;
  return true;
}

void FreeMovie(int slot) {
  MovieTable& table = Movies();
  FreeTrackedMemory(table.records[slot]);
  table.records[slot] = nullptr;
  --table.count;
}

void UpdateTheoraMovie(MovieRecord* movie) {
  TheoraMovieInfo info{};
  ReadTheoraMovieInfo(movie->theoraDecoder, &info);
  const bool hasSound = movie->sound != -1;
  const bool loop = (movie->playType & kMovieLoopBit) != 0;
  const int64_t t = hasSound ? static_cast<int64_t>(GetSoundHandlePositionMs(movie->sound)) * 1000
                             : GetTickMicroseconds(0) - movie->startClock;
  const int frame = TheoraFrameAtTime(t, info.framesPerSecond, info.frameCount, hasSound, loop);
  const int current = GetTheoraCurrentFrame(movie->theoraDecoder);
  if (frame != current) {
    AdvanceTheoraFrame(movie->theoraDecoder,
                       frame > current ? frame - current : info.frameCount - current + frame);
    movie->frameTimeMs = static_cast<int32_t>(t / 1000);
  } else if (frame == info.frameCount - 1 && !loop && !hasSound) {
    movie->playing = 0;
    movie->stopped = 1;
  }
}

}  // namespace

int TheoraFrameAtTime(int64_t microseconds, double framesPerSecond, int frameCount, int hasSound,
                      int loop) {
  if (frameCount <= 0) return 0;
  const double exact = static_cast<double>(microseconds) * framesPerSecond / 1000000.0;
  // A clock far beyond the frame count is held at it before the conversion.
  const double limited = exact < 0 ? 0 : exact > 2147483647.0 ? 2147483647.0 : exact;
  int frame = static_cast<int>(limited);
  if (frame >= frameCount) frame = (!hasSound && loop) ? frame % frameCount : frameCount - 1;
  return frame;
}

int OpenMovie(const char* fileName, int* width, int* height, int modeFlag) {
  MovieTable& table = Movies();
  const int slot = FirstEmptySlot();
  if (slot < 0 || !fileName) return -1;
  auto* movie = static_cast<MovieRecord*>(TRACKED_ALLOC_ZEROED(sizeof(MovieRecord)));
  if (!movie) return AppendLog("メモリの確保に失敗しました in OpenMovie");
  movie->sound = -1;
  table.records[slot] = movie;
  ++table.count;
  if (!OpenTheoraMovie(movie, fileName, width, height)) {
    movie->tempFile = 0;
    if (OpenMovieDirectShow(nullptr, movie, fileName, width, height, modeFlag) != 0) {
      FreeMovie(slot);
      return AppendLog("ムービーファイルオープン処理時にエラーが発生しました");
    }
    movie->frameImage = movie->frame;
  }
  movie->stopped = 1;
  movie->playing = 0;
  movie->playType = kSoundPlayBackground;
  movie->checkId = table.nextCheck;
  table.nextCheck = (table.nextCheck + 1) % kHandleCheckCount;
  if (table.endIndex <= slot) table.endIndex = slot + 1;
  return MakeHandle(slot, movie->checkId, kHandleKindMovie);
}

MovieRecord* GetMovieRecord(int movie) { return LookupSoundTable(Movies(), movie); }

int SetMovieFrameCallback(int movie, MovieFrameCallback callback, int userValue) {
  MovieRecord* record = GetMovieRecord(movie);
  if (!record) return -1;
  record->frameCallback = callback;
  record->callbackUser = userValue;
  return 0;
}

int UpdateMovieFrame(int movie, int) {
  MovieRecord* record = GetMovieRecord(movie);
  if (!record) return -1;
  if (record->theora) {
    if (!record->stopped) UpdateTheoraMovie(record);
    if (record->frameCallback) {
      record->frameCallback(record, record->callbackUser);
      record->frameShown = 1;
    }
    return 0;
  }
  if (TakeDirectShowFrame(record) && record->frameCallback) {
    record->frameImage = record->frame;
    record->frameCallback(record, record->callbackUser);
    record->frameShown = 1;
  }
  CheckDirectShowMovieEnd(record);
  return 0;
}

int PauseMovieHandle(int movie, int keepPlaying) {
  MovieRecord* record = GetMovieRecord(movie);
  if (!record) return -1;
  if (record->stopped) return 0;
  if (record->theora) {
    if (record->sound != -1) StopSoundHandle(record->sound);
    UpdateMovieFrame(movie, 0);
  } else {
    PauseDirectShowMovie(record);
  }
  record->stopped = 1;
  if (!keepPlaying) record->playing = 0;
  return 0;
}

int PauseAllMovies() {
  MovieTable& table = Movies();
  for (int slot = 0; slot < kMovieHandleLimit; ++slot) {
    if (table.records[slot]) PauseMovieHandle(SoundTableHandle(table, slot), 1);
  }
  return 0;
}

int ResumeAllMovies() {
  MovieTable& table = Movies();
  for (int slot = 0; slot < kMovieHandleLimit; ++slot) {
    MovieRecord* movie = table.records[slot];
    if (!movie || !movie->stopped || !movie->playing) continue;
    const int playType = movie->playType != 0 ? movie->playType : kSoundPlayBackground;
    if (movie->theora) {
      TheoraMovieInfo info{};
      ReadTheoraMovieInfo(movie->theoraDecoder, &info);
      const int current = GetTheoraCurrentFrame(movie->theoraDecoder);
      const double elapsed =
          info.framesPerSecond > 0 ? 1000000.0 / info.framesPerSecond * current : 0.0;
      movie->startClock = GetTickMicroseconds(0) - static_cast<int64_t>(elapsed);
      if (movie->sound != -1) PlaySoundHandle(movie->sound, playType, 0);
    } else {
      RunDirectShowMovie(movie);
    }
    movie->stopped = 0;
    movie->playType = playType;
    movie->playing = 1;
  }
  return 0;
}

int CloseMovieHandle(int movie) {
  MovieRecord* record = GetMovieRecord(movie);
  if (!record) return -1;
  if (record->theora) {
    // The decoder's thread reads the file until it has ended.
    CloseTheoraDecoder(record->theoraDecoder);
    CloseStream(record->fileStream);
    if (record->sound != -1) DeleteSoundHandle(record->sound, 0);
  } else {
    CloseDirectShowMovie(record);
  }
  FreeMovie(HandleSlot(movie));
  return 0;
}

int UpdateMovieOverlay(int x, int y, int scale, int movie, int show) {
  MovieRecord* record = GetMovieRecord(movie);
  if (!record || record->theora || !record->overlay || !record->overlaySurface) return -1;
  // Until a frame has been shown the surface holds nothing to put on screen.
  if (!record->frameShown) return 0;
  return ApplyMovieOverlay(record, x, y, scale, show, ReadOverlayWindowView(),
                           GetMovieOverlayOps());
}

int UpdateMovieOverlays() {
  MovieTable& table = Movies();
  for (int slot = 0; slot < kMovieHandleLimit; ++slot) {
    const MovieRecord* movie = table.records[slot];
    if (!movie || movie->theora || !movie->overlay) continue;
    const MovieOverlayPlacement& at = movie->overlayPlacement;
    UpdateMovieOverlay(at.x, at.y, at.scale, SoundTableHandle(table, slot), at.shown);
  }
  return 0;
}
