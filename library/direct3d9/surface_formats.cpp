#include "Ombrel.h"
#include "direct3d9/surface_formats.h"

#include <stdint.h>

#include "direct3d9/d3d_types.h"

namespace {

struct FormatMasks {
  int format;
  int bits;
  uint32_t red, green, blue, alpha;
};

constexpr FormatMasks kFormatMasks[] = {
    {D_D3DFMT_R8G8B8, 24, 0xFF0000, 0xFF00, 0xFF, 0},
    {D_D3DFMT_A8R8G8B8, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
    {D_D3DFMT_X8R8G8B8, 32, 0xFF0000, 0xFF00, 0xFF, 0},
    {D_D3DFMT_R5G6B5, 16, 0xF800, 0x7E0, 0x1F, 0},
    {D_D3DFMT_X1R5G5B5, 16, 0x7C00, 0x3E0, 0x1F, 0},
    {D_D3DFMT_A1R5G5B5, 16, 0x7C00, 0x3E0, 0x1F, 0x8000},
    {D_D3DFMT_A4R4G4B4, 16, 0xF00, 0xF0, 0xF, 0xF000},
    {D_D3DFMT_R3G3B2, 8, 0xE0, 0x1C, 0x3, 0},
    {D_D3DFMT_A8R3G3B2, 16, 0xE0, 0x1C, 0x3, 0xFF00},
    {D_D3DFMT_X4R4G4B4, 16, 0xF00, 0xF0, 0xF, 0},
    {D_D3DFMT_A2B10G10R10, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000},
    {D_D3DFMT_A8B8G8R8, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},
    {D_D3DFMT_X8B8G8R8, 32, 0xFF, 0xFF00, 0xFF0000, 0},
    {D_D3DFMT_A2R10G10B10, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000},
};
constexpr int kFormatMaskCount = sizeof kFormatMasks / sizeof kFormatMasks[0];

struct FormatRecords {
  ColorFormat records[kFormatMaskCount];
  FormatRecords() {
    for (int i = 0; i < kFormatMaskCount; ++i) {
      const FormatMasks& m = kFormatMasks[i];
      SetColorFormatFromMasks(&records[i], m.bits, m.red, m.green, m.blue, m.alpha);
    }
  }
};

struct Candidate {
  int format;
  const char* name;
};

struct KindRule {
  const char* logText;
  Candidate candidates[3];
  const char* failureText;  // null where the kind cannot fail
};

const KindRule kColorKinds[6] = {
    {"16bit カラーフォーマットは %s です",
     {{D_D3DFMT_R5G6B5, "D_D3DFMT_R5G6B5"}, {D_D3DFMT_X1R5G5B5, "D_D3DFMT_X1R5G5B5"}},
     "使用できる 16bit カラーフォーマットが見つかりませんでした\n"},
    {"32bit カラーフォーマットは %s です", {{D_D3DFMT_X8R8G8B8, "D_D3DFMT_X8R8G8B8"}}, nullptr},
    {"アルファ付き 16bit カラーフォーマットは %s です",
     {{D_D3DFMT_A4R4G4B4, "D_D3DFMT_A4R4G4B4"}, {D_D3DFMT_A8R8G8B8, "D_D3DFMT_A8R8G8B8"}},
     "使用できるアルファ付き 16bit カラーフォーマットが見つかりませんでした\n"},
    {"アルファ付き 32bit カラーフォーマットは %s です",
     {{D_D3DFMT_A8R8G8B8, "D_D3DFMT_A8R8G8B8"}, {D_D3DFMT_A4R4G4B4, "D_D3DFMT_A4R4G4B4"}},
     "使用できるアルファ付き 32bit カラーフォーマットが見つかりませんでした\n"},
    {"アルファテスト用 16bit カラーフォーマットは %s です",
     {{D_D3DFMT_A1R5G5B5, "D_D3DFMT_A1R5G5B5"},
      {D_D3DFMT_A8R8G8B8, "D_D3DFMT_A8R8G8B8"},
      {D_D3DFMT_A4R4G4B4, "D_D3DFMT_A4R4G4B4"}},
     "使用できるアルファテスト用 16bit カラーフォーマットが見つかりませんでした\n"},
    {"アルファテスト用 32bit カラーフォーマットは %s です",
     {{D_D3DFMT_A8R8G8B8, "D_D3DFMT_A8R8G8B8"},
      {D_D3DFMT_A1R5G5B5, "D_D3DFMT_A1R5G5B5"},
      {D_D3DFMT_A4R4G4B4, "D_D3DFMT_A4R4G4B4"}},
     "使用できるアルファテスト用 32bit カラーフォーマットが見つかりませんでした\n"},
};

struct DxtKind {
  const char* logText;
  int format;
  const char* name;
  int fallbackKind;
};

const DxtKind kDxtKinds[5] = {
    {"ＤＸＴ１テクスチャフォーマットは%s", D_D3DFMT_DXT1, " D_D3DFMT_DXT1 です", 4},
    {"ＤＸＴ２テクスチャフォーマットは%s", D_D3DFMT_DXT2, " D_D3DFMT_DXT2 です", 3},
    {"ＤＸＴ３テクスチャフォーマットは%s", D_D3DFMT_DXT3, " D_D3DFMT_DXT3 です", 3},
    {"ＤＸＴ４テクスチャフォーマットは%s", D_D3DFMT_DXT4, " D_D3DFMT_DXT4 です", 3},
    {"ＤＸＴ５テクスチャフォーマットは%s", D_D3DFMT_DXT5, " D_D3DFMT_DXT5 です", 3},
};

const KindRule kRenderTargetKinds[4] = {
    // Kind 11 on an R5G6B5 screen.
    {"描画用 16bit カラーフォーマットは %s です",
     {{D_D3DFMT_R5G6B5, "D3DFMT_R5G6B5"},
      {D_D3DFMT_X1R5G5B5, "D3DFMT_R5G5B5"},
      {D_D3DFMT_X8R8G8B8, "D_D3DFMT_X8R8G8B8"}},
     "使用できる描画用 16bit カラーフォーマットがありませんでした\n"},
    // Kind 11 on any other screen.
    {"描画用 16bit カラーフォーマットは %s です",
     {{D_D3DFMT_X1R5G5B5, "D_D3DFMT_R5G5B5"},
      {D_D3DFMT_R5G6B5, "D_D3DFMT_R5G6B5"},
      {D_D3DFMT_X8R8G8B8, "D_D3DFMT_X8R8G8B8"}},
     "使用できる描画用 16bit カラーフォーマットがありませんでした\n"},
    {"描画用 32bit カラーフォーマットは %s です",
     {{D_D3DFMT_X8R8G8B8, "D_D3DFMT_X8R8G8B8"},
      {D_D3DFMT_R5G6B5, "D3DFMT_R5G6B5"},
      {D_D3DFMT_X1R5G5B5, "D3DFMT_R5G5B5"}},
     "使用できる描画用 32bit カラーフォーマットがありませんでした\n"},
    {"描画用アルファ付き 32bit カラーフォーマットは %s です",
     {{D_D3DFMT_A8R8G8B8, "D_D3DFMT_A8R8G8B8"}, {D_D3DFMT_A4R4G4B4, "D3DFMT_A4R4G4B4"}},
     "使用できる描画用アルファ付き 32bit カラーフォーマットがありませんでした\n"},
};

const Candidate* FirstAccepted(const KindRule& rule, bool renderTarget, FormatProbe& probe) {
  for (const Candidate& candidate : rule.candidates) {
    if (!candidate.name) break;
    bool accepted = renderTarget ? probe.AcceptsRenderTarget(candidate.format)
                                 : probe.AcceptsTexture(candidate.format);
    if (accepted) return &candidate;
  }
  return nullptr;
}

}  // namespace

const ColorFormat* GetD3DFormatColorFormat(int format) {
  static const FormatRecords records;
  for (int i = 0; i < kFormatMaskCount; ++i)
    if (kFormatMasks[i].format == format) return &records.records[i];
  return nullptr;
}

void LogScreenFormat(int screenFormat) {
  const char* name;
  switch (screenFormat) {
    case D_D3DFMT_X8R8G8B8:
      name = "D3DFMT_X8R8G8B8";
      break;
    case D_D3DFMT_R5G6B5:
      name = "D3DFMT_R5G6B5";
      break;
    case D_D3DFMT_X1R5G5B5:
      name = "D3DFMT_X1R5G5B5";
      break;
    default:
      AppendLogFormat("バックバッファが対応していないフォーマット %d です", screenFormat);
      name = "不明";
      break;
  }
  AppendLogFormat("画面のフォーマットは %s です", name);
}

int ChooseZBufferFormat(FormatProbe& probe) {
  const Candidate candidates[] = {{D_D3DFMT_D16, "D3DFMT_D16"},
                                  {D_D3DFMT_D24X8, "D3DFMT_D24X8"},
                                  {D_D3DFMT_D32, "D3DFMT_D32"}};
  for (const Candidate& candidate : candidates) {
    if (!probe.AcceptsDepth(candidate.format)) continue;
    AppendLogFormat("Ｚバッファのフォーマットは %s です", candidate.name);
    return candidate.format;
  }
  AppendLog("使用できる Zバッファフォーマットが見つかりませんでした\n");
  return 0;
}

int ChooseTextureFormats(FormatProbe& probe, int screenFormat, int thirtyTwoBitScreen,
                         int formats[16]) {
  const char* names[16] = {};
  for (int kind = 0; kind < 6; ++kind) {
    const KindRule& rule = kColorKinds[kind];
    const Candidate* chosen = FirstAccepted(rule, false, probe);
    if (chosen) {
      formats[kind] = chosen->format;
      names[kind] = chosen->name;
    } else if (kind == 1) {
      // No 32-bit colour texture: 32-bit images use the 16-bit format.
      formats[1] = formats[0];
      names[1] = names[0];
    } else {
      AppendLog(rule.failureText);
      return -1;
    }
    AppendLogFormat(rule.logText, names[kind]);
  }
  for (int i = 0; i < 5; ++i) {
    const DxtKind& dxt = kDxtKinds[i];
    int kind = 6 + i;
    if (probe.AcceptsTexture(dxt.format)) {
      formats[kind] = dxt.format;
      AppendLogFormat(dxt.logText, dxt.name);
    } else {
      formats[kind] = formats[dxt.fallbackKind];
      AppendLogFormat(dxt.logText, "使えません");
    }
  }
  for (int kind = 11; kind < 14; ++kind) {
    const KindRule& rule = kind == 11 ? kRenderTargetKinds[screenFormat == D_D3DFMT_R5G6B5 ? 0 : 1]
                                      : kRenderTargetKinds[kind - 10];
    const Candidate* chosen = FirstAccepted(rule, true, probe);
    if (!chosen) {
      AppendLog(rule.failureText);
      formats[kind] = 0;
      continue;
    }
    formats[kind] = chosen->format;
    AppendLogFormat(rule.logText, chosen->name);
  }
  formats[14] = thirtyTwoBitScreen ? formats[12] : formats[11];
  formats[15] = thirtyTwoBitScreen ? formats[5] : formats[4];
  return 0;
}
