// The event script of the current map: one Lua state per map. The script
// describes the map's objects, runs InitProc when the map is entered and
// ExecObject when an object's trigger fires, and names the map's music.
// Events run as coroutines: a host function that needs time sets the game's
// wait state and the script yields; the game resumes it through ExecNext once
// the wait is over.
#ifndef MOONLITCAIRN_CSCRIPTMANAGER_H
#define MOONLITCAIRN_CSCRIPTMANAGER_H

#include <stdint.h>

#include <memory>

#include "CMapManager.h"

struct lua_State;

class CScriptManager : public CObjectEventRunner {
 public:
  CScriptManager();
  // Closes the state.
  ~CScriptManager() override;
  CScriptManager(const CScriptManager&) = delete;
  CScriptManager& operator=(const CScriptManager&) = delete;

  // Replaces the state by the map's "mapevt%06d.lua", registers the host
  // functions, makes the objects of the event layer's cells through
  // GetMapObject into event and runs InitProc. 0 when the script cannot be
  // loaded or its chunk fails: an error box says why, and the map has no
  // objects and no events.
  int Load(int mapId, CMapEvent* event);
  // Pushes MODE_EVENT and starts InitProc; the mode is popped when it ends.
  int ExecInitProc();
  // Starts ExecObject with the object's event id; the caller has pushed
  // MODE_EVENT, which is popped when the event ends.
  void ExecObject(CMapObject* object) override;
  bool IsRunning() const override { return running != 0; }
  // Resumes the current coroutine after a wait. A coroutine that has
  // finished or failed is not resumed again: the running flag and the mode
  // stack stay as they are.
  void ExecNext();
  // The first result of GetBGMID, 0 when it is missing or fails. The
  // current event stays suspended as it was.
  int GetBGMID();

  // The path of the map's script in the game's data folder.
  static void FormatScriptPath(char* out, int size, int mapId);

  // Called on every new state once its libraries are open, before the
  // script's chunk runs: a harness that runs untrusted scripts bounds their
  // memory and steps here. The game sets none.
  static void (*limitState)(lua_State* state);

  lua_State* state = nullptr;
  lua_State* coroutine = nullptr;  // kept on the state's main stack while it lives
  CMapObject* currentObject = nullptr;
  int32_t running = 0;

 private:
  void Close();
  // One object from GetMapObject's table, or null when it gives none.
  std::unique_ptr<CMapObject> MakeObject(int eventId);
  // Runs the global on a fresh coroutine, with the event id as its one
  // argument when withEventId; ends the event when it does not yield.
  void StartCoroutine(const char* function, int eventId, bool withEventId);
  void Finish(int resumeStatus);
};

#endif
