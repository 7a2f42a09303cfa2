// Fails loudly when the machine set-up regresses: the code page, the Japanese
// font, the screen depth, Direct3D 9 and DirectSound the library relies on.
#include <windows.h>
#include <d3d9.h>
#include <dsound.h>

#include <gtest/gtest.h>

namespace {

// "ＭＳ ゴシック" in Shift-JIS, written as bytes so this test does not depend
// on the compiler's character-set conversion it also guards.
const char kGothicFace[] = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";

TEST(EnvironmentTest, CodePagesAreShiftJis) {
  EXPECT_EQ(GetACP(), 932u);
  EXPECT_EQ(GetOEMCP(), 932u);
}

TEST(EnvironmentTest, CompilerEmitsShiftJisLiterals) {
  EXPECT_STREQ("ＭＳ ゴシック", kGothicFace);
  EXPECT_STREQ("ソ", "\x83\x5C");
}

TEST(EnvironmentTest, GothicFaceGivesKanjiGlyphBitmaps) {
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  HFONT font = CreateFontA(11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                           FIXED_PITCH, kGothicFace);
  ASSERT_NE(font, nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  char face[64] = {};
  GetTextFaceA(dc, sizeof face, face);
  GLYPHMETRICS gm = {};
  const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
  const UINT kanji = 0x8EFA;  // 日
  DWORD size = GetGlyphOutlineA(dc, kanji, GGO_BITMAP, &gm, 0, nullptr, &identity);
  EXPECT_NE(size, GDI_ERROR) << "face " << face;
  EXPECT_GT(size, 0u);
  EXPECT_GT(gm.gmBlackBoxX, 4u);
  EXPECT_GT(gm.gmBlackBoxY, 4u);
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
}

TEST(EnvironmentTest, ScreenHas32BitsPerPixel) {
  HDC screen = GetDC(nullptr);
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32);
  ReleaseDC(nullptr, screen);
}

TEST(EnvironmentTest, Direct3D9CreatesADevice) {
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(d3d, nullptr);
  HWND window = CreateWindowA("STATIC", "d3d", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  D3DPRESENT_PARAMETERS pp = {};
  pp.Windowed = TRUE;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.BackBufferFormat = D3DFMT_UNKNOWN;
  pp.hDeviceWindow = window;
  IDirect3DDevice9* device = nullptr;
  HRESULT hr = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                 D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device);
  EXPECT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
  if (device) device->Release();
  d3d->Release();
  DestroyWindow(window);
}

TEST(EnvironmentTest, DirectSoundStartsWithoutASoundCard) {
  IDirectSound* sound = nullptr;
  HRESULT hr = DirectSoundCreate(nullptr, &sound, nullptr);
  EXPECT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
  if (sound) sound->Release();
}

}  // namespace
