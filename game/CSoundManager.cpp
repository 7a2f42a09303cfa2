#include "CSoundManager.h"

#include <stdio.h>

#include "ErrorMessage.h"
#include "GameSettings.h"
#include "Ombrel.h"

const BgmEntry kBgmTable[kBgmCount] = {
    {1, "bgm\\isekai.mp3", 0},
    {2, "bgm\\forest.mp3", 0},
    {3, "bgm\\battle3.mp3", 0},
    {4, "bgm\\battle_win.mp3", 5170},  // the fanfare plays once, then its tail loops
};

namespace {

constexpr int kBgmBufferCount = 3;

}  // namespace

const BgmEntry* FindBgmEntry(int id) {
  for (const BgmEntry& entry : kBgmTable) {
    if (entry.id == id) return &entry;
  }
  return nullptr;
}

CSoundManager::CSoundManager() = default;
CSoundManager::~CSoundManager() = default;

int CSoundManager::LoadSoundFile(int id) {
  const auto known = m_handles.find(id);
  if (known != m_handles.end()) return known->second;
  const BgmEntry* entry = FindBgmEntry(id);
  int handle = -1;
  std::string path;
  if (entry != nullptr) {
    path = DataPath(entry->fileName);
    handle = LoadSoundFileToHandle(path.c_str(), kBgmBufferCount, -1);
  }
  if (handle == -1) ShowErrorMessage("サウンド読み込み失敗 ID : %d [%s]", id, path.c_str());
  m_handles.emplace(id, handle);
  return handle;
}

void CSoundManager::PlayBGM(int id, int rewind) {
  printf("BGM再生 [%d] 巻き戻し[%d]\n", id, rewind);
  const auto known = m_handles.find(id);
  if (known == m_handles.end()) return;
  StopBGM();
  const int handle = known->second;
  const BgmEntry* entry = FindBgmEntry(id);
  const int loopPosition = entry != nullptr ? entry->loopPositionMs : 0;
  if (loopPosition == -1) {
    PlaySoundHandle(handle, kSoundPlayBackground, 1);
  } else {
    SetSoundLoopPositionMs(loopPosition, handle);
    PlaySoundHandle(handle, kSoundPlayLoop, rewind);
  }
}

void CSoundManager::StopBGM() {
  for (const auto& [id, handle] : m_handles) {
    if (CheckSoundHandlePlaying(handle) == 1) StopSoundHandle(handle);
  }
}

void CSoundManager::ReleaseAll() {
  m_handles.clear();
  DeleteAllSoundHandles(0);
}

int CSoundManager::GetHandle(int id) const {
  const auto known = m_handles.find(id);
  return known != m_handles.end() ? known->second : -1;
}
