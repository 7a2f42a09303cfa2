#include <windows.h>
#include <strmif.h>
#include <amvideo.h>
#include <mmreg.h>

#include <stdio.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Ombrel.h"
#include "sound/dshow_guids.h"
#include "sound/movie_directshow.h"
#include "sound/movie_renderer.h"
#include "support/movie_fixtures.h"
#include "support/sound_fixtures.h"
#include "system/tracked_memory.h"

namespace {

// A media sample over a byte block: only what a renderer reads.
class BlockSample : public IMediaSample {
 public:
  explicit BlockSample(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  STDMETHODIMP QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP GetPointer(BYTE** data) override {
    *data = bytes_.data();
    return S_OK;
  }
  STDMETHODIMP_(LONG) GetSize() override { return static_cast<LONG>(bytes_.size()); }
  STDMETHODIMP GetTime(REFERENCE_TIME*, REFERENCE_TIME*) override { return VFW_E_SAMPLE_TIME_NOT_SET; }
  STDMETHODIMP SetTime(REFERENCE_TIME*, REFERENCE_TIME*) override { return E_NOTIMPL; }
  STDMETHODIMP IsSyncPoint() override { return S_OK; }
  STDMETHODIMP SetSyncPoint(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP IsPreroll() override { return S_FALSE; }
  STDMETHODIMP SetPreroll(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP_(LONG) GetActualDataLength() override { return static_cast<LONG>(bytes_.size()); }
  STDMETHODIMP SetActualDataLength(LONG) override { return E_NOTIMPL; }
  STDMETHODIMP GetMediaType(AM_MEDIA_TYPE**) override { return S_FALSE; }
  STDMETHODIMP SetMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  STDMETHODIMP IsDiscontinuity() override { return S_FALSE; }
  STDMETHODIMP SetDiscontinuity(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP GetMediaTime(LONGLONG*, LONGLONG*) override { return E_NOTIMPL; }
  STDMETHODIMP SetMediaTime(LONGLONG*, LONGLONG*) override { return E_NOTIMPL; }

 private:
  std::vector<uint8_t> bytes_;
};

struct VideoType {
  VIDEOINFOHEADER info = {};
  AM_MEDIA_TYPE type = {};
  VideoType(int width, int height, GUID subtype = D_MEDIASUBTYPE_RGB24,
            GUID format = D_FORMAT_VideoInfo) {
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biBitCount = 24;
    type.majortype = D_MEDIATYPE_Video;
    type.subtype = subtype;
    type.formattype = format;
    type.cbFormat = sizeof info;
    type.pbFormat = reinterpret_cast<BYTE*>(&info);
  }
};

// Rows numbered in their first byte, as a bottom-up or top-down DIB holds them.
std::vector<uint8_t> NumberedRows(int pitch, int height) {
  std::vector<uint8_t> bytes(static_cast<size_t>(pitch) * height, 0xEE);
  for (int row = 0; row < height; ++row) bytes[static_cast<size_t>(row) * pitch] = static_cast<uint8_t>(row);
  return bytes;
}

TEST(MovieRendererTest, AcceptsOnlyVideoInfoRgb24) {
  MovieRenderer* renderer = NewMovieRenderer(nullptr, nullptr);
  ASSERT_NE(renderer, nullptr);
  WAVEFORMATEX wave = {};
  AM_MEDIA_TYPE audio = {D_MEDIATYPE_Audio, D_MEDIASUBTYPE_PCM, TRUE, FALSE, 4, D_FORMAT_WaveFormatEx,
                         nullptr, sizeof wave, reinterpret_cast<BYTE*>(&wave)};
  VideoType rgb24(16, 16);
  VideoType rgb32(16, 16, D_MEDIASUBTYPE_RGB32);
  VideoType shortFormat(16, 16);
  shortFormat.type.cbFormat = 8;
  EXPECT_EQ(renderer->CheckMediaType(nullptr), E_POINTER);
  EXPECT_EQ(renderer->CheckMediaType(&audio), E_INVALIDARG);
  EXPECT_EQ(renderer->CheckMediaType(&rgb32.type), E_FAIL);
  EXPECT_EQ(renderer->CheckMediaType(&shortFormat.type), E_INVALIDARG);
  EXPECT_EQ(renderer->CheckMediaType(&rgb24.type), S_OK);
  renderer->Release();
}

TEST(MovieRendererTest, KeepsFramesTopDownWithWordAlignedRows) {
  const struct {
    int width;
    int height;
    int pitch;
    bool bottomUp;
  } cases[] = {{320, 240, 960, true}, {321, 5, 964, true}, {321, -5, 964, false}, {1, 3, 4, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
    HRESULT made = E_FAIL;
    MovieRenderer* renderer = NewMovieRenderer(nullptr, &made);
    ASSERT_EQ(made, S_OK);
    VideoType type(c.width, c.height);
    ASSERT_EQ(renderer->SetMediaType(&type.type), S_OK);
    const int rows = c.height < 0 ? -c.height : c.height;
    EXPECT_EQ(renderer->framePitch, c.pitch);
    EXPECT_EQ(renderer->frameHeight, rows);
    EXPECT_EQ(renderer->bottomUp, c.bottomUp ? 1 : 0);
    EXPECT_EQ(renderer->newFrame, 0);
    BlockSample sample(NumberedRows(c.pitch, rows));
    EXPECT_EQ(renderer->DoRenderSample(&sample), S_OK);
    EXPECT_EQ(renderer->newFrame, 1);
    for (int row = 0; row < rows; ++row) {
      const int from = c.bottomUp ? rows - 1 - row : row;
      EXPECT_EQ(renderer->frameBuffer[static_cast<size_t>(row) * c.pitch], from);
    }
    FreeTrackedMemory(renderer->frameBuffer);
    renderer->Release();
  }
}

TEST(MovieRendererTest, ShortSamplesAndBadSizesDoNotOverrun) {
  MovieRenderer* renderer = NewMovieRenderer(nullptr, nullptr);
  EXPECT_EQ(renderer->DoRenderSample(nullptr), E_POINTER);
  BlockSample before(NumberedRows(12, 4));
  EXPECT_EQ(renderer->DoRenderSample(&before), S_OK);  // no buffer yet: nothing copied
  EXPECT_EQ(renderer->newFrame, 0);
  for (const int width : {0, -4, 20000}) {
    VideoType bad(width, 4);
    EXPECT_EQ(renderer->SetMediaType(&bad.type), E_FAIL) << width;
  }
  VideoType type(4, 4);
  ASSERT_EQ(renderer->SetMediaType(&type.type), S_OK);
  BlockSample shortSample(NumberedRows(12, 2));  // two rows of four
  EXPECT_EQ(renderer->DoRenderSample(&shortSample), S_OK);
  EXPECT_EQ(renderer->frameBuffer[3 * 12], 0);  // bottom-up: the first row is the last
  EXPECT_EQ(renderer->frameBuffer[2 * 12], 1);
  FreeTrackedMemory(renderer->frameBuffer);
  renderer->Release();
}

TEST(MovieDirectShowTest, CopiesAFileWholeIntoATemporaryFile) {
  const std::vector<uint8_t> bytes = PatternBytes(5 << 19, 7);  // 2.5 MB
  ASSERT_TRUE(WriteMovieFile("big.bin", bytes));
  wchar_t copyPath[kMoviePathSize] = L"";
  ASSERT_EQ(CopyMovieToTempFile("big.bin", copyPath), 0);
  FILE* copy = _wfopen(copyPath, L"rb");
  ASSERT_NE(copy, nullptr);
  std::vector<uint8_t> copied(bytes.size() + 16);
  const size_t read = fread(copied.data(), 1, copied.size(), copy);
  fclose(copy);
  EXPECT_EQ(read, bytes.size());
  copied.resize(read);
  EXPECT_TRUE(copied == bytes);
  const wchar_t* name = wcsrchr(copyPath, L'\\');
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(wcsncmp(name + 1, L"tmp", 3), 0);
  EXPECT_TRUE(DeleteFileW(copyPath));
  DeleteFileA("big.bin");
  EXPECT_EQ(CopyMovieToTempFile("no such file.bin", copyPath), -1);
}

}  // namespace
