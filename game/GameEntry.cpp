#include "GameEntry.h"

#include <stdio.h>
#include <string.h>

#include <memory>

#include <windows.h>

#include "CGame.h"
#include "Ombrel.h"

double WindowScaleForSetting(int setting) {
  switch (setting) {
    case 1:
      return 1.0;
    case 2:
      return 4.0;
    case 3:
      return 0.5;
    default:
      return 2.0;
  }
}

int ReadProductVersion(const char* filePath, char* out) {
  snprintf(out, kVersionTextSize, "%s", "0.0.0.0");
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(filePath, &ignored);
  if (size == 0) return 0;
  std::unique_ptr<char[]> block(new (std::nothrow) char[size + 1]);
  if (!block || !GetFileVersionInfoA(filePath, 0, size, block.get())) return 0;
  struct Translation {
    WORD language;
    WORD codePage;
  };
  Translation* translation = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.get(), "\\VarFileInfo\\Translation",
                      reinterpret_cast<void**>(&translation), &length) ||
      length < sizeof(Translation)) {
    return 0;
  }
  char subBlock[50];
  snprintf(subBlock, sizeof subBlock, "\\StringFileInfo\\%04x%04x\\ProductVersion",
           translation->language, translation->codePage);
  char* value = nullptr;
  if (!VerQueryValueA(block.get(), subBlock, reinterpret_cast<void**>(&value), &length) ||
      value == nullptr || length == 0) {
    return 0;
  }
  // The value's length counts its terminator; copy no further than it.
  snprintf(out, kVersionTextSize, "%.*s", static_cast<int>(strnlen(value, length)), value);
  return 1;
}

int GetProductVersion(char* out) {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length >= sizeof path) {
    snprintf(out, kVersionTextSize, "%s", "0.0.0.0");
    return 0;
  }
  return ReadProductVersion(path, out);
}

void StepGameFrame(CGame& game) {
  game.Update();
  ClearDrawTarget(nullptr);
  game.effect.BeginMosaicFrame();
  game.Draw();
  game.effect.DrawMosaic();
}
