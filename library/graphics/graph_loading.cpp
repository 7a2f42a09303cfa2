#include <cstring>

#include "graphics/draw_state.h"
#include "graphics/graph_creation.h"
#include "graphics/graph_handles.h"
#include "graphics/graph_textures.h"
#include "graphics/screen_settings.h"
#include "software_renderer/soft_image_convert.h"
#include "sound/movie_services.h"
#include "system/log.h"
#include "system/message_pump.h"

namespace {

constexpr int kReloadPathSize = 1024;

// An image pair read from a file or from memory, freed at the end of the
// scope.
struct ReadImages {
  GraphImage image = {};
  GraphImage alpha = {};
  int result = -1;  // 0 with alpha, 1 without, -1 not read

  ReadImages() = default;
  ReadImages(const ReadImages&) = delete;
  ReadImages& operator=(const ReadImages&) = delete;
  ~ReadImages() { Free(); }

  void Free() {
    FreeGraphImage(&image);
    FreeGraphImage(&alpha);
    result = -1;
  }
  void ReadFile(const char* fileName, int mirror) {
    Free();
    result = ReadGraphImageWithAlpha(fileName, nullptr, 0, 0, nullptr, 0, 0, &image, &alpha,
                                     mirror);
  }
  int ReadMemory(const void* bytes, int size, const void* alphaBytes, int alphaSize,
                 int mirrorFlag) {
    Free();
    result = ReadGraphImageWithAlpha(nullptr, bytes, size, 1, alphaBytes, alphaSize, 1, &image,
                                     &alpha, mirrorFlag == 1 ? 1 : 0);
    return result;
  }
  GraphImage* AlphaOrNull() { return result == 0 ? &alpha : nullptr; }
};

// A file that no image loader reads may still be a movie; its graph shows
// the movie's frames.
int LoadMovieGraph(const char* fileName, int movieArg) {
  DrawStateRecord& state = GetDrawState();
  const DrawStateRecord saved = state;
  int width = 0;
  int height = 0;
  const int movie = OpenMovie(fileName, &width, &height, movieArg);
  if (movie < 0) {
    return AppendLogFormat("右記のグラフィックファイルのロードに失敗しました：%s \n", fileName);
  }
  const MovieRecord* record = GetMovieRecord(movie);
  const int screenBits = GetScreenSettings().colorBits;
  state.createColorBits = screenBits != 0 ? screenBits : 16;
  state.movieGraphCreating = 1;
  state.createAlphaTest = 0;
  state.createSystemMemoryCopy = 1;
  state.createDrawValid = 1;
  const int graph = AddGraphHandle();
  const int setup =
      SetupGraphOriginalImage(-1, graph, width, height, record ? record->alpha : 0, 0, 0);
  state.createColorBits = saved.createColorBits;
  state.movieGraphCreating = saved.movieGraphCreating;
  state.createAlphaTest = saved.createAlphaTest;
  state.createSystemMemoryCopy = saved.createSystemMemoryCopy;
  state.createDrawValid = saved.createDrawValid;
  if (setup != 0) {
    AppendLogFormat("右記のグラフィックファイルの格納用グラフィック領域の作成に失敗しました：%s",
                    fileName);
    CloseMovieHandle(movie);
    return -1;
  }
  GetGraphRecord(graph)->movie = movie;
  SetMovieFrameCallback(movie, CopyMovieFrameToGraph, graph);
  return graph;
}

}  // namespace

int LoadGraphFile(const char* fileName, int unusedFlag, int mirrorFlag, int movieArg) {
  if (!GetScreenSettings().graphicsSetUp || !fileName) return -1;
  WaitWhileInactive();
  ReadImages read;
  read.ReadFile(fileName, mirrorFlag == 1 ? 1 : 0);
  if (read.result >= 0) {
    const int graph = CreateGraphFromGraphImagePair(&read.image, read.AlphaOrNull(), unusedFlag,
                                                    mirrorFlag, 0);
    if (graph == -1) return -1;
    SetGraphSourceFile(graph, fileName, -1);
    // A reload reads the file mirrored again.
    GetGraphRecord(graph)->fileMirror = mirrorFlag == 1 ? 1 : 0;
    return graph;
  }
  const StreamHandle stream = OpenStream(fileName, 0, 0, 0);
  if (!stream) return AppendLogFormat("グラフィックファイル %s がありません", fileName);
  CloseStream(stream);
  return LoadMovieGraph(fileName, movieArg);
}

int CreateGraphFromFile(const char* fileName, int) { return LoadGraphFile(fileName, 0, 0, 0); }

int CreateDivGraphFromFile(const char* fileName, int allNum, int xNum, int yNum, int width,
                           int height, int* handles, int) {
  if (!handles || allNum < 0 || xNum < 0 || yNum < 0 ||
      allNum > static_cast<int64_t>(xNum) * yNum) {
    return -1;
  }
  WaitWhileInactive();
  ReadImages read;
  if (fileName) read.ReadFile(fileName, 0);
  if (read.result < 0) {
    return AppendLogFormat("右記のグラフィックファイルのロードに失敗しました：%s",
                           fileName ? fileName : "");
  }
  const int result = CreateDivGraphFromGraphImage(&read.image, read.AlphaOrNull(), allNum, xNum,
                                                  yNum, width, height, handles, 0, 0, 0);
  if (result == 0) {
    for (int i = 0; i < allNum; ++i) SetGraphSourceFile(handles[i], fileName, -1);
  }
  return result;
}

int CreateGraphFromFileImage(const void* fileBytes, int size, const void* alphaBytes,
                             int alphaSize, int unusedFlag, int mirrorFlag) {
  ReadImages read;
  if (read.ReadMemory(fileBytes, size, alphaBytes, alphaSize, mirrorFlag) < 0) return -1;
  return CreateGraphFromGraphImagePair(&read.image, read.AlphaOrNull(), unusedFlag, mirrorFlag,
                                       0);
}

int UpdateGraphFromFileImage(const void* fileBytes, int size, int graph, const void* alphaBytes,
                             int alphaSize, int unusedFlag, int mirrorFlag) {
  ReadImages read;
  if (read.ReadMemory(fileBytes, size, alphaBytes, alphaSize, mirrorFlag) < 0) return -1;
  return UpdateGraphFromGraphImagePair(&read.image, read.AlphaOrNull(), graph, unusedFlag,
                                       mirrorFlag, 0);
}

void CopyMovieFrameToGraph(MovieRecord* movie, int graph) {
  GraphRecord* record = GetGraphRecord(graph);
  if (!record || !movie || !movie->frameImage.pixels) return;
  if (movie->theora && !UpdateTheoraFrameImage(movie->theoraDecoder, 1, 0)) return;
  // Whichever path copies the frame, the textures follow at the next draw.
  MarkGraphPixelsChanged(record->original);
  const GraphImage& frame = movie->frameImage;
  const SoftImgBody& body = *record->view.body;
  if (movie->frameKind != 2 && !movie->alpha && frame.format.colorBits == body.format->colorBits) {
    // Same layout: the rows go straight across, as many as both hold.
    const int rows = frame.height < record->height ? frame.height : record->height;
    const int columns = frame.width < record->width ? frame.width : record->width;
    const size_t rowBytes = static_cast<size_t>(columns) * body.format->bytesPerPixel;
    for (int y = 0; y < rows; ++y) {
      std::memcpy(record->view.pixels + y * body.pitch,
                  static_cast<const uint8_t*>(frame.pixels) + y * frame.pitch, rowBytes);
    }
    return;
  }
  if (!movie->alpha) {
    ConvertGraphImageToSoftImg(&frame, nullptr, &record->view, 0, 0, record->width,
                               record->height, 0, 0, 0);
    return;
  }
  // The left half of the frame is the picture, the right half its alpha.
  GraphImage colour = frame;
  colour.width = frame.width / 2;
  GraphImage alpha = colour;
  alpha.pixels = static_cast<uint8_t*>(frame.pixels) + colour.width * frame.format.bytesPerPixel;
  ConvertGraphImageToSoftImg(&colour, &alpha, &record->view, 0, 0, record->width, record->height,
                             0, 0, 0);
}

void ReloadAllGraphFiles() {
  AppendLog("グラフィックを復帰します\n");
  ReadImages read;
  char lastPath[kReloadPathSize] = "";
  int lastMirror = 0;
  for (int slot = 0; slot < GraphTableEndIndex(); ++slot) {
    const int graph = GraphHandleAtSlot(slot);
    const GraphRecord* record = GetGraphRecord(graph);
    if (!record || !record->sourceFile) continue;
    // The transfer gives the graph a file record of its own and may free the
    // shared one, so the path is held apart.
    char path[kReloadPathSize];
    std::strncpy(path, record->sourceFile->path, sizeof path - 1);
    path[sizeof path - 1] = '\0';
    const int mirror = record->fileMirror;
    if (read.result < 0 || std::strcmp(path, lastPath) != 0 || mirror != lastMirror) {
      read.ReadFile(path, mirror);
      std::strcpy(lastPath, path);
      lastMirror = mirror;
      if (read.result < 0) {
        AppendLogFormat("ファイル:%s がロードできませんでした", path);
        continue;
      }
    }
    TransferGraphImageToGraph(nullptr, nullptr, nullptr, path, 0, &read.image, read.AlphaOrNull(),
                              record->fileX, record->fileY, graph, mirror);
  }
}
