#include "graphics/graph_creation.h"

#include <png.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "graphics/draw_state.h"
#include "graphics/graph_handles.h"
#include "graphics/screen_images.h"
#include "sound/movie_services.h"
#include "support/image_fixtures.h"
#include "support/library_session.h"
#include "support/log_capture.h"

namespace {

class GraphCreationTest : public StartedLibraryTest {};

uint32_t At(const SOFTIMG& image, int x, int y) {
  uint32_t v;
  std::memcpy(&v, image.pixels + y * image.body->pitch + x * 4, 4);
  return v;
}

uint32_t GraphPixel(int graph, int x, int y) { return At(GetGraphRecord(graph)->view, x, y); }

// A width x height RGB PNG whose pixel (x, y) is (x * 16, y * 16, 0x40).
Bytes GradientPng(int width, int height) {
  PngFixture png;
  png.width = width;
  png.height = height;
  png.colorType = PNG_COLOR_TYPE_RGB;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      png.rows.push_back(static_cast<uint8_t>(x * 16));
      png.rows.push_back(static_cast<uint8_t>(y * 16));
      png.rows.push_back(0x40);
    }
  }
  return EncodePng(png);
}

uint32_t Gradient(int x, int y) {
  return static_cast<uint32_t>(x * 16) << 16 | static_cast<uint32_t>(y * 16) << 8 | 0x40;
}

// A grey PNG whose every pixel is the given level, as an alpha file.
Bytes GreyPng(int width, int height, uint8_t level) {
  PngFixture png;
  png.width = width;
  png.height = height;
  png.colorType = PNG_COLOR_TYPE_GRAY;
  png.rows.assign(static_cast<size_t>(width) * height, level);
  return EncodePng(png);
}

TEST_F(GraphCreationTest, GraphFromFileTakesItsAlphaFromTheSecondFile) {
  WriteFileBytes("pics\\sprite.png", GradientPng(4, 3));
  WriteFileBytes("pics\\sprite_a.png", GreyPng(4, 3, 0x80));
  WriteFileBytes("pics\\plain.png", GradientPng(4, 3));
  const int withAlpha = CreateGraphFromFile("pics\\sprite.png", 0);
  const int plain = CreateGraphFromFile("pics\\plain.png", 0);
  ASSERT_GE(withAlpha, 0);
  ASSERT_GE(plain, 0);
  EXPECT_EQ(GetGraphRecord(withAlpha)->original->alpha, 1);
  EXPECT_EQ(GetGraphRecord(plain)->original->alpha, 0);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(GraphPixel(withAlpha, x, y), 0x80000000u | Gradient(x, y)) << x << "," << y;
      EXPECT_EQ(GraphPixel(plain, x, y) & 0xFFFFFF, Gradient(x, y)) << x << "," << y;
    }
  }
  ASSERT_NE(GetGraphRecord(plain)->sourceFile, nullptr);
  EXPECT_NE(std::string(GetGraphRecord(plain)->sourceFile->path).find("pics\\plain.png"),
            std::string::npos);
}

TEST_F(GraphCreationTest, MissingAndUnreadableFilesAreLoggedAndRefused) {
  WriteFileBytes("junk.png", {1, 2, 3, 4, 5});
  const int live = GraphLiveCount();
  LogCapture log;
  EXPECT_EQ(CreateGraphFromFile("nowhere.png", 0), -1);
  EXPECT_EQ(CreateGraphFromFile("junk.png", 0), -1);
  int handles[2] = {-7, -7};
  EXPECT_EQ(CreateDivGraphFromFile("nowhere.png", 2, 2, 1, 1, 1, handles, 0), -1);
  EXPECT_EQ(handles[0], -7);
  const std::string text = log.Read();
  EXPECT_NE(text.find("グラフィックファイル nowhere.png がありません"), std::string::npos) << text;
  // An existing file that no loader reads is tried as a movie.
  EXPECT_NE(text.find("右記のグラフィックファイルのロードに失敗しました：junk.png \r\n"),
            std::string::npos);
  EXPECT_NE(text.find("右記のグラフィックファイルのロードに失敗しました：nowhere.png"),
            std::string::npos);
  EXPECT_EQ(GraphLiveCount(), live);
}

TEST_F(GraphCreationTest, DividedPictureMakesPiecesRowByRowAndDropsTheWhole) {
  WriteFileBytes("div.png", GradientPng(9, 4));
  int handles[5] = {};
  const int live = GraphLiveCount();
  ASSERT_EQ(CreateDivGraphFromFile("div.png", 5, 3, 2, 3, 2, handles, 0), 0);
  EXPECT_EQ(GraphLiveCount(), live + 5);
  const int origins[5][2] = {{0, 0}, {3, 0}, {6, 0}, {0, 2}, {3, 2}};
  const GraphOriginalImage* shared = GetGraphRecord(handles[0])->original;
  EXPECT_EQ(shared->referenceCount, 5);
  for (int i = 0; i < 5; ++i) {
    const GraphRecord* piece = GetGraphRecord(handles[i]);
    ASSERT_NE(piece, nullptr);
    EXPECT_EQ(piece->original, shared);
    EXPECT_EQ(piece->width, 3);
    EXPECT_EQ(piece->height, 2);
    EXPECT_EQ(GraphPixel(handles[i], 1, 1) & 0xFFFFFF,
              Gradient(origins[i][0] + 1, origins[i][1] + 1))
        << i;
    // Each piece has a file record of its own.
    ASSERT_NE(piece->sourceFile, nullptr);
    EXPECT_EQ(piece->sourceFile->referenceCount, 1);
  }
  // Deleting one piece keeps the original for the others.
  RemoveGraph(handles[0], 0);
  EXPECT_EQ(shared->referenceCount, 4);
  EXPECT_EQ(GraphPixel(handles[4], 0, 0) & 0xFFFFFF, Gradient(3, 2));
}

TEST_F(GraphCreationTest, DividedPictureIsAllOrNothing) {
  WriteFileBytes("small.png", GradientPng(4, 4));
  int handles[4] = {-7, -7, -7, -7};
  const int live = GraphLiveCount();
  LogCapture log;
  // The third piece would start at x 4, outside the picture.
  EXPECT_EQ(CreateDivGraphFromFile("small.png", 4, 4, 1, 2, 2, handles, 0), -1);
  EXPECT_EQ(GraphLiveCount(), live);
  EXPECT_NE(log.Read().find("グラフィックの分割に失敗しました in CreateDivGraphFromGraphImage"),
            std::string::npos);
}

TEST_F(GraphCreationTest, MorePiecesThanTheGridHoldsAreRefusedTouchingNothing) {
  WriteFileBytes("grid.png", GradientPng(6, 4));
  const int other = CreateEmptyGraph(2, 2, 0);
  ASSERT_GE(other, 0);
  const int before = GraphLiveCount();
  // A grid of 3 x 1 cannot give 4 pieces; the fourth slot holds a live graph.
  int handles[4] = {-7, -7, -7, other};
  EXPECT_EQ(CreateDivGraphFromFile("grid.png", 4, 3, 1, 2, 2, handles, 0), -1);
  EXPECT_EQ(handles[0], -7);
  EXPECT_EQ(handles[2], -7);
  EXPECT_EQ(handles[3], other);
  EXPECT_EQ(GraphLiveCount(), before);
  EXPECT_EQ(GetGraphRecord(other)->sourceFile, nullptr);
  for (auto grid : {std::pair<int, int>{-1, -1}, {0, 5}, {2, -3}}) {
    EXPECT_EQ(CreateDivGraphFromFile("grid.png", 1, grid.first, grid.second, 2, 2, handles, 0),
              -1);
  }
  EXPECT_EQ(GraphLiveCount(), before);
  // As many pieces as the grid holds still work.
  EXPECT_EQ(CreateDivGraphFromFile("grid.png", 3, 3, 1, 2, 2, handles, 0), 0);
  EXPECT_EQ(handles[3], other);
}

TEST_F(GraphCreationTest, FillingAGraphRunsLikeAFillUnderTheDrawingState) {
  const int graph = CreateEmptyGraph(6, 4, 0);
  ASSERT_GE(graph, 0);
  // Channels clamp to 0..255; the alpha is not used.
  ASSERT_EQ(FillGraphWithColor(graph, 300, -5, 128, 7), 0);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 6; ++x) EXPECT_EQ(GraphPixel(graph, x, y) & 0xFFFFFF, 0xFF0080u);
  }
  // The draw area of the current target cuts it, bright and blending apply.
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  ASSERT_EQ(SetDrawClipRect(2, 1, 4, 3), 0);
  SetBrightRGB(128, 255, 255);
  SetBlendModeAndParam(2, 255);
  ASSERT_EQ(FillGraphWithColor(graph, 0, 0x40, 0x10, 255), 0);
  // A fill's one colour is scaled as c x b >> 8: green 0x40 -> 0x3F, blue
  // 0x10 -> 0x0F; added to (0xFF, 0x00, 0x80).
  EXPECT_EQ(GraphPixel(graph, 2, 1) & 0xFFFFFF, 0xFF3F8Fu);
  EXPECT_EQ(GraphPixel(graph, 3, 2) & 0xFFFFFF, 0xFF3F8Fu);
  EXPECT_EQ(GraphPixel(graph, 1, 1) & 0xFFFFFF, 0xFF0080u);
  EXPECT_EQ(GraphPixel(graph, 4, 2) & 0xFFFFFF, 0xFF0080u);
  EXPECT_EQ(GraphPixel(graph, 2, 3) & 0xFFFFFF, 0xFF0080u);
  SetBlendModeAndParam(0, 0);
  SetBrightRGB(255, 255, 255);
  EXPECT_EQ(FillGraphWithColor(0x12345, 1, 2, 3, 4), -1);
  RemoveGraph(graph, 0);
  EXPECT_EQ(FillGraphWithColor(graph, 1, 2, 3, 4), -1);
}

TEST_F(GraphCreationTest, ARectangleOfAnImageGoesToAPointInsideTheGraph) {
  GraphImage image = {};
  ASSERT_EQ(AllocGraphImageXRGB8(5, 4, &image), 0);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 5; ++x) SetGraphImagePixel(&image, x, y, x * 16, y * 16, 0x40, 255);
  }
  const int graph = CreateEmptyGraph(6, 6, 0);
  ASSERT_GE(graph, 0);
  FillSoftImgRaw(&GetGraphRecord(graph)->view, nullptr, 0xFF777777);
  struct Case {
    IntRect source;
    int destX, destY;
  } const cases[] = {
      {{1, 2, 4, 4}, 2, 1},  // 3 x 2 pixels from (1, 2) to (2, 1)
      {{0, 0, 5, 4}, 4, 3},  // cut at the graph's right and bottom edges
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "to " << c.destX << "," << c.destY);
    FillSoftImgRaw(&GetGraphRecord(graph)->view, nullptr, 0xFF777777);
    ASSERT_EQ(TransferGraphImageRectToGraph(nullptr, nullptr, nullptr, "rect.png", 0, &c.source,
                                            c.destX, c.destY, &image, nullptr, graph, 0),
              0);
    for (int y = 0; y < 6; ++y) {
      for (int x = 0; x < 6; ++x) {
        const int sx = c.source.left + x - c.destX;
        const int sy = c.source.top + y - c.destY;
        const bool inside = x >= c.destX && y >= c.destY && sx < c.source.right &&
                            sy < c.source.bottom;
        EXPECT_EQ(GraphPixel(graph, x, y) & 0xFFFFFF, inside ? Gradient(sx, sy) : 0x777777u)
            << x << "," << y;
      }
    }
    // A reload reads the file at the place the rectangle came from.
    const GraphRecord* record = GetGraphRecord(graph);
    EXPECT_EQ(record->fileX, c.source.left - c.destX);
    EXPECT_EQ(record->fileY, c.source.top - c.destY);
    ASSERT_NE(record->sourceFile, nullptr);
    const std::string path = record->sourceFile->path;
    EXPECT_EQ(path.substr(path.size() - 9), "\\rect.png") << path;
  }
  const IntRect some = {0, 0, 2, 2};
  EXPECT_EQ(TransferGraphImageRectToGraph(nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0, 0,
                                          &image, nullptr, graph, 0),
            -1);
  EXPECT_EQ(TransferGraphImageRectToGraph(nullptr, nullptr, nullptr, nullptr, 0, &some, -1, 0,
                                          &image, nullptr, graph, 0),
            -1);
  EXPECT_EQ(TransferGraphImageRectToGraph(nullptr, nullptr, nullptr, nullptr, 0, &some, 0, 0,
                                          &image, nullptr, 0x7001, 0),
            -1);
  FreeGraphImage(&image);
  RemoveGraph(graph, 0);
}

TEST_F(GraphCreationTest, GraphFromImageInMemoryAndItsUpdates) {
  const Bytes file = GradientPng(5, 2);
  const int graph = CreateGraphFromFileImage(file.data(), static_cast<int>(file.size()), nullptr,
                                             0, 0, 1);
  ASSERT_GE(graph, 0);
  // Mirrored: the rightmost column first. No source file is recorded.
  EXPECT_EQ(GraphPixel(graph, 0, 1) & 0xFFFFFF, Gradient(4, 1));
  EXPECT_EQ(GetGraphRecord(graph)->sourceFile, nullptr);

  ScopedImage narrow;
  ASSERT_EQ(AllocGraphImageXRGB8(4, 2, narrow.get()), 0);
  std::memset(narrow->pixels, 0x11, static_cast<size_t>(narrow->pitch) * 2);
  EXPECT_EQ(UpdateGraphFromGraphImage(narrow.get(), graph), -1);
  EXPECT_EQ(GraphPixel(graph, 0, 1) & 0xFFFFFF, Gradient(4, 1));

  const Bytes other = GreyPng(5, 2, 0x33);
  ASSERT_EQ(UpdateGraphFromFileImage(other.data(), static_cast<int>(other.size()), graph, nullptr,
                                     0, 0, 0),
            0);
  EXPECT_EQ(GraphPixel(graph, 4, 1) & 0xFFFFFF, 0x333333u);
  EXPECT_EQ(CreateGraphFromFileImage("nonsense", 8, nullptr, 0, 0, 0), -1);
}

TEST_F(GraphCreationTest, TransparentColourAndItsSwitch) {
  // Transfers of an image into a graph with alpha turn the transparent
  // colour into alpha 0 unless the switch is off.
  SetEmptyGraphAlphaFlag(1);
  const int on = CreateEmptyGraph(2, 1, 0);
  EnableGraphTransColor(0);
  const int off = CreateEmptyGraph(2, 1, 0);
  SetEmptyGraphAlphaFlag(0);
  ScopedImage image;
  ASSERT_EQ(AllocGraphImageXRGB8(2, 1, image.get()), 0);
  const uint32_t pixels[2] = {0x000000, 0x102030};  // black is the transparent colour
  std::memcpy(image->pixels, pixels, sizeof pixels);
  EnableGraphTransColor(1);
  ASSERT_EQ(UpdateGraphFromGraphImage(image.get(), on), 0);
  EnableGraphTransColor(0);
  ASSERT_EQ(UpdateGraphFromGraphImage(image.get(), off), 0);
  EXPECT_EQ(GraphPixel(on, 0, 0) >> 24, 0u);
  EXPECT_EQ(GraphPixel(off, 0, 0) >> 24, 0xFFu);
  EXPECT_EQ(GraphPixel(on, 1, 0), 0xFF102030u);
}

TEST_F(GraphCreationTest, BlockCompressedImageBecomesAPlainGraph) {
  Dds dds;
  dds.fourCc = FourCc("DXT1");
  dds.width = 4;
  dds.height = 4;
  dds.data = {0x1F, 0x00, 0x1F, 0x00, 0, 0, 0, 0};  // all blue
  const Bytes file = dds.File();
  const int graph = CreateGraphFromFileImage(file.data(), static_cast<int>(file.size()), nullptr,
                                             0, 0, 0);
  ASSERT_GE(graph, 0);
  EXPECT_EQ(GraphPixel(graph, 3, 3) & 0xFFFFFF, 0x0000FFu);
}

TEST_F(GraphCreationTest, ScreenCopyNeedsAGraphOfExactlyTheRectangle) {
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  SOFTIMG* screen = GetPrimaryScreenSoftImg();
  const IntRect block = {10, 20, 14, 23};
  FillSoftImgRaw(screen, &block, 0xFFABCDEF);
  const int exact = CreateEmptyGraph(4, 3, 0);
  const int wrong = CreateEmptyGraph(320, 240, 0);
  EXPECT_EQ(CopyDrawScreenToGraph(10, 20, 14, 23, exact), 0);
  EXPECT_EQ(GraphPixel(exact, 3, 2), 0xFFABCDEFu);
  EXPECT_EQ(CopyDrawScreenToGraph(10, 20, 14, 23, wrong), -1);
  EXPECT_EQ(CopyDrawScreenToGraph(0, 0, 320, 240, wrong), 0);
  EXPECT_EQ(CopyDrawScreenToGraph(0, 0, 321, 240, wrong), -1);
  EXPECT_EQ(CopyDrawScreenToGraph(5, 5, 5, 8, exact), -1);
  // From a graph target the graph is the source.
  ASSERT_EQ(SelectDrawTarget(exact), 0);
  const int corner = CreateEmptyGraph(1, 1, 0);
  EXPECT_EQ(CopyDrawScreenToGraph(3, 2, 4, 3, corner), 0);
  EXPECT_EQ(GraphPixel(corner, 0, 0), 0xFFABCDEFu);
  EXPECT_EQ(CopyDrawScreenToGraph(0, 0, 10, 10, wrong), -1);
}

TEST_F(GraphCreationTest, ReloadFillsFileGraphsAgainReadingEachFileOnce) {
  WriteFileBytes("reload.png", GradientPng(6, 2));
  int pieces[3] = {};
  ASSERT_EQ(CreateDivGraphFromFile("reload.png", 3, 3, 1, 2, 2, pieces, 0), 0);
  const int mirrored = LoadGraphFile("reload.png", 0, 1, 0);
  ASSERT_GE(mirrored, 0);
  const int memoryOnly = CreateEmptyGraph(2, 2, 0);
  for (int g : {pieces[0], pieces[1], pieces[2], mirrored, memoryOnly}) {
    FillSoftImgRaw(&GetGraphRecord(g)->view, nullptr, 0xFF777777);
  }
  ReloadAllGraphFiles();
  EXPECT_EQ(GraphPixel(pieces[0], 1, 1) & 0xFFFFFF, Gradient(1, 1));
  EXPECT_EQ(GraphPixel(pieces[2], 0, 0) & 0xFFFFFF, Gradient(4, 0));
  EXPECT_EQ(GraphPixel(mirrored, 0, 0) & 0xFFFFFF, Gradient(5, 0));
  EXPECT_EQ(GraphPixel(memoryOnly, 0, 0), 0xFF777777u);

  // A file gone missing is logged and skipped.
  DeleteFileA("reload.png");
  LogCapture log;
  ReloadAllGraphFiles();
  EXPECT_NE(log.Read().find("ファイル:"), std::string::npos);
  EXPECT_NE(log.Read().find("reload.png がロードできませんでした"), std::string::npos);
}

TEST_F(GraphCreationTest, MovieFramesAreCopiedIntoTheGraph) {
  const int graph = CreateEmptyGraph(4, 2, 0);
  MovieRecord movie = {};
  movie.width = 4;
  movie.height = 2;
  ASSERT_EQ(AllocGraphImageXRGB8(4, 2, &movie.frameImage), 0);
  auto* frame = static_cast<uint32_t*>(movie.frameImage.pixels);
  for (int i = 0; i < 8; ++i) frame[i % 4 + (i / 4) * movie.frameImage.pitch / 4] = 0x010101u * i;
  CopyMovieFrameToGraph(&movie, graph);
  EXPECT_EQ(GraphPixel(graph, 3, 1) & 0xFFFFFF, 0x070707u);
  // Through the conversion (frame kind 2).
  movie.frameKind = 2;
  frame[0] = 0x00ABCDEF;
  CopyMovieFrameToGraph(&movie, graph);
  EXPECT_EQ(GraphPixel(graph, 0, 0) & 0xFFFFFF, 0xABCDEFu);
  // With alpha the right half is the alpha of the left.
  const int half = CreateEmptyGraph(2, 2, 0);
  movie.alpha = 1;
  frame[1] = 0x00445566;
  CopyMovieFrameToGraph(&movie, half);
  EXPECT_EQ(GraphPixel(half, 1, 0) & 0xFFFFFF, 0x445566u);
  // A graph that is gone is left alone.
  CopyMovieFrameToGraph(&movie, 12345);
  FreeGraphImage(&movie.frameImage);
}

}  // namespace
