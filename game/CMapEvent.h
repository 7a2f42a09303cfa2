// The map's objects and its event layer, the event id of the object that
// starts on each cell. The objects are kept in row order, sorted once when
// they are made, and drawn in that order with the player among them.
#ifndef MOONLITCAIRN_CMAPEVENT_H
#define MOONLITCAIRN_CMAPEVENT_H

#include <stdint.h>

#include <memory>
#include <vector>

#include "CMapObject.h"

class CMapEvent {
 public:
  CMapEvent();
  virtual ~CMapEvent();
  CMapEvent(const CMapEvent&) = delete;
  CMapEvent& operator=(const CMapEvent&) = delete;

  // Deletes every object and frees the event layer.
  void Clear();
  void AddObject(std::unique_ptr<CMapObject> object);
  // Orders the objects by row, those of one row keeping their order. Done
  // once when the map's objects are made: an object that walks to another
  // row keeps its place.
  void SortByRow();
  // The objects in columns left - 1 to left + 22 and rows top - 1 to top + 16,
  // each at its cell's place on the screen; the player is drawn before the
  // first object below its row (top + 7), or last.
  void Draw(int topRow, CCharacterObject* player, int leftColumn, int scrollX, int scrollY);
  // The first object on the cell, visible or not, or null.
  CMapObject* FindObject(int x, int y) const;
  // The cell's event id; 0 outside the layer.
  uint16_t GetEventId(int x, int y) const;

  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint16_t> layer;
  std::vector<std::unique_ptr<CMapObject>> objects;
};

#endif
