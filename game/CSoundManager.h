// The game's background music: a fixed table of four pieces, each an MP3 file
// with the position its loop goes back to, loaded into library sound handles
// on request and played one at a time.
#ifndef MOONLITCAIRN_CSOUNDMANAGER_H
#define MOONLITCAIRN_CSOUNDMANAGER_H

#include <stdint.h>

#include <map>

struct BgmEntry {
  int32_t id;
  const char* fileName;   // under the data folder
  int32_t loopPositionMs;  // -1 plays once
};

constexpr int kBgmCount = 4;
extern const BgmEntry kBgmTable[kBgmCount];

// The table row of the id, or null.
const BgmEntry* FindBgmEntry(int id);

class CSoundManager {
 public:
  CSoundManager();
  virtual ~CSoundManager();

  // The id's handle, -1 when its file could not be loaded (after the error
  // box) or the id has no table row. An id loaded before keeps its handle
  // and is not loaded again, so a battle that loads its music each time
  // leaves no sound behind.
  int LoadSoundFile(int id);
  // Stops what plays and plays the id's piece, looping from its loop
  // position; rewind 0 resumes where the piece stopped. An id never loaded
  // changes nothing.
  void PlayBGM(int id, int rewind);
  void StopBGM();
  // Forgets every id and deletes every sound handle of the library.
  void ReleaseAll();

  // The handle the id maps to, or -1 when it is not loaded.
  int GetHandle(int id) const;

 private:
  std::map<int32_t, int32_t> m_handles;
};

#endif
