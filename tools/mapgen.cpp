// Writes the game's map layer files (room.map, town.map, field.map) into the
// folder given on the command line. The maps are drawn here as rows of
// letters, each letter standing for a chip on each tile layer and a pass
// value; the event and encounter-area layers come from lists beside them.
// The chip values are the columns of the chip sheets that
// tools/content/contentgen.cpp draws.
//
//   mapgen.exe data\map
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

struct Terrain {
  char letter;
  uint16_t tile0, tile1, tile2;  // chip values of the three tile layers
  uint16_t pass;                 // 1, 2, 7, 8, 9 blocked (9 for walkers too), 20 a counter
  bool eventMayStand;            // an event may name this blocked cell
};

// Chip set 1 holds the ground, set 2 what stands on it, set 3 what is drawn
// over the characters (tree crowns, roofs).
const Terrain kTerrain[] = {
    {'.', 0x0001, 0, 0, 0, false},       // grass
    {'g', 0x0002, 0, 0, 0, false},       // forest floor
    {'~', 0x0003, 0, 0, 2, false},       // water (animated)
    {',', 0x0004, 0, 0, 0, false},       // path
    {'s', 0x0005, 0, 0, 0, false},       // sand
    {'F', 0x0006, 0, 0, 0, false},       // wooden floor
    {'M', 0x0008, 0, 0, 7, false},       // mountain
    {'T', 0x0001, 0x0001, 0, 1, false},  // tree: trunk; its crown hangs over the cell above
    {'t', 0x0002, 0x0001, 0, 1, false},  // tree in the forest
    {'W', 0x0001, 0x0002, 0, 1, false},  // house wall
    {'w', 0x0001, 0x0003, 0, 1, false},  // wall with a window
    {'D', 0x0001, 0x0004, 0, 0, false},  // door
    {'E', 0x0001, 0x0002, 0x0004, 1, false},  // wall under the eaves
    {'R', 0x0001, 0, 0x0002, 1, false},  // roof
    {'^', 0x0001, 0, 0x0003, 0, false},  // ridge: walkable, the roof hangs over it
    {'C', 0x0006, 0x0005, 0, 20, false}, // shop counter
    {'f', 0x0001, 0x0006, 0, 9, false},  // fence: walkers stay behind it too
    {'r', 0x0001, 0x0007, 0, 1, false},  // rock
    {'b', 0x0003, 0x0008, 0, 0, false},  // bridge over water
    {'*', 0x0001, 0x0009, 0, 0, false},  // flowers
    {'V', 0x0001, 0x000A, 0, 0, false},  // the village seen from the field
    {'B', 0x0001, 0x000B, 0, 1, false},  // bush
    {'o', 0x0001, 0x000C, 0, 1, false},  // barrel
    {'K', 0x0001, 0x0100, 0, 1, false},  // well
    {'S', 0x0001, 0x0101, 0, 1, true},   // signpost, read through an invisible event
    {'#', 0x0006, 0x0102, 0, 1, false},  // inner wall
    {'=', 0x0006, 0x0103, 0, 0, false},  // door mat
    {'x', 0x0006, 0x000D, 0, 1, false},  // table
    {'H', 0x0006, 0x000E, 0, 1, false},  // shelf
    {'Z', 0x0006, 0x000F, 0, 1, false},  // bed
    {'O', 0x0006, 0x000C, 0, 1, false},  // barrel indoors
};

const Terrain* FindTerrain(char letter) {
  for (const Terrain& t : kTerrain) {
    if (t.letter == letter) return &t;
  }
  return nullptr;
}

struct Event {
  int x, y, id;
};

struct Map {
  const char* fileName;
  int width, height;
  bool wraps;
  std::vector<std::string> rows;
  std::vector<Event> events;
  std::vector<uint16_t> areas;  // width x height, or empty for area 0
};

// Map 1, the elder's house: the mat (1) leads back to the village, the elder
// (2) tells of the tremor, a chest (3) stands by the beds.
Map MakeRoom() {
  Map map{"room.map", 14, 9, false, {}, {}, {}};
  map.rows = {
      "##############",  //
      "#HHHFFFFFFZFZ#",  //
      "#FFFFFFFFFFFF#",  //
      "#FFxxxFFFFFFF#",  //
      "#FFxxxFFFFFFF#",  //
      "#FFFFFFFFFOFO#",  //
      "#FFFFFFFFFFFF#",  //
      "#FFFFFFFFFFFF#",  //
      "######=#######",  //
  };
  map.events = {{6, 8, 1}, {8, 2, 2}, {11, 2, 3}};
  return map;
}

// Map 2, the village. New games start on the path at 7,7. Events: a
// villager who talks on two pages (1), a child walking at random in a
// fenced flower bed, so that it never blocks a street (2), a
// woman asking yes or no (3), the item, weapon and armour keepers behind
// their counters (4, 5, 6), two chests (7, 8), the signpost (9), the gate to
// the field (10), the elder's door (11) and the guard (12).
Map MakeTown() {
  Map map{"town.map", 24, 18, false, {}, {}, {}};
  map.rows = {
      "TTTTTTTTTTTTTTTTTTTTTTTT",  //
      "T..^^^^^.....**...~~~..T",  //
      "T..RRRRR..........~~~~.T",  //
      "T..EEEEE....S.....~~~~.T",  //
      "T..wWDWw...........~~..T",  //
      "T....,.........K.......T",  //
      "T....,,,,,,,,,,,,,,,...T",  //
      "T*.....,..........,...BT",  //
      "T.^^^^^.^^^^^.^^^^^.,..T",  //
      "T.RRRRR.RRRRR.RRRRR.,..T",  //
      "T.WFFFW.WFFFW.WFFFW.,..T",  //
      "T.WCCCW.WCCCW.WCCCW.,..T",  //
      "T.......,,,,,,,,,,,,,..T",  //
      "T.fff...fffff...,......T",  //
      "T.f....of*.*f...,..*...T",  //
      "T.f.....fffff...,...ff.T",  //
      "T...........,,,,,......T",  //
      "TTTTTTTTTTTT,TTTTTTTTTTT",  //
  };
  map.events = {{9, 5, 1},   {10, 14, 2}, {20, 13, 3}, {4, 10, 4},  {10, 10, 5}, {16, 10, 6},
                {3, 14, 7},  {22, 16, 8}, {12, 3, 9},  {12, 17, 10}, {5, 4, 11}, {14, 16, 12}};
  return map;
}

// Map 3, the field, which wraps around. Its west is grassland (encounter
// area 1), its east a forest (area 2) beyond a river; hills run along the
// north. The village lies at 10,10 (event 1), a chest at 33,6 (2) and a
// traveller walks the road (3).
Map MakeField() {
  const int width = 40, height = 30;
  Map map{"field.map", width, height, true, {}, {}, {}};
  map.rows.assign(height, std::string(width, '.'));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      char& cell = map.rows[y][x];
      if (x >= 22) cell = 'g';
      if (x >= 23 && (x * 7 + y * 11) % 5 == 0) cell = 't';                   // forest
      const int dx = x - 14, dy = y - 22;
      if (dx * dx * 4 + dy * dy * 9 <= 120) cell = '~';                       // the lake
      if (dx * dx * 4 + dy * dy * 9 > 120 && dx * dx * 4 + dy * dy * 9 <= 190) cell = 's';
      if (x == 20 && (y < 9 || y > 12)) cell = '~';                          // the river
      if (x == 20 && y >= 9 && y <= 12) cell = 'b';
      if (y <= 2 && (x * 7 + y * 3) % 4 != 0) cell = 'M';                    // hills
      if (y <= 2 && x % 13 == 5) cell = '.';                                 // passes through them
    }
  }
  // Flowers, bushes and a grove on the grassland.
  for (int y = 3; y < height; ++y) {
    for (int x = 0; x < 19; ++x) {
      char& cell = map.rows[y][x];
      if (cell != '.') continue;
      const int h = (x * 73 + y * 151 + x * y * 7) % 97;
      if (h < 4) cell = '*';
      else if (h == 50 || h == 51) cell = 'B';
      const int gx = x - 4, gy = y - 6;
      if (gx * gx + gy * gy * 2 <= 8 && (x + y) % 2 == 0) cell = 'T';
    }
  }
  for (int x = 10; x <= 30; ++x) map.rows[11][x] = x == 20 ? 'b' : ',';   // the road east
  for (int y = 11; y <= 16; ++y) map.rows[y][30] = ',';
  map.rows[10][10] = 'V';
  map.rows[14][5] = map.rows[15][6] = 'r';
  map.rows[6][33] = 'g';
  map.rows[5][33] = map.rows[6][32] = map.rows[6][34] = 't';
  map.events = {{10, 10, 1}, {33, 6, 2}, {15, 11, 3}};
  map.areas.assign(static_cast<size_t>(width * height), 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) map.areas[static_cast<size_t>(y * width + x)] = x <= 20 ? 1 : 2;
  }
  return map;
}

void PutInt32(std::vector<uint8_t>* out, size_t at, int32_t value) {
  for (int i = 0; i < 4; ++i) (*out)[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

bool WriteMap(const Map& map, const std::string& folder) {
  const size_t cells = static_cast<size_t>(map.width * map.height);
  std::vector<uint16_t> layers[6];
  for (std::vector<uint16_t>& layer : layers) layer.assign(cells, 0);
  for (int y = 0; y < map.height; ++y) {
    if (map.rows[y].size() != static_cast<size_t>(map.width)) {
      fprintf(stderr, "%s: row %d is %zu wide\n", map.fileName, y, map.rows[y].size());
      return false;
    }
    for (int x = 0; x < map.width; ++x) {
      const Terrain* t = FindTerrain(map.rows[y][x]);
      if (t == nullptr) {
        fprintf(stderr, "%s: unknown letter at %d,%d\n", map.fileName, x, y);
        return false;
      }
      const size_t i = static_cast<size_t>(y * map.width + x);
      layers[0][i] = t->tile0;
      layers[1][i] = t->tile1;
      layers[2][i] = t->tile2;
      layers[3][i] = t->pass;
      if (!map.areas.empty()) layers[5][i] = map.areas[i];
    }
  }
  // A tree's crown hangs over the cell above it (across the edge on a map
  // that wraps), so characters walking north of a tree pass behind it.
  for (int y = 0; y < map.height; ++y) {
    for (int x = 0; x < map.width; ++x) {
      const char c = map.rows[y][x];
      if (c != 'T' && c != 't') continue;
      if (y == 0 && !map.wraps) continue;
      const size_t above = static_cast<size_t>(((y + map.height - 1) % map.height) * map.width + x);
      if (layers[2][above] == 0) layers[2][above] = 0x0001;
    }
  }
  for (const Event& e : map.events) {
    const size_t i = static_cast<size_t>(e.y * map.width + e.x);
    if (layers[3][i] != 0 && !FindTerrain(map.rows[e.y][e.x])->eventMayStand) {
      fprintf(stderr, "%s: event %d stands on a blocked cell\n", map.fileName, e.id);
      return false;
    }
    layers[4][i] = static_cast<uint16_t>(e.id);
  }

  std::vector<uint8_t> bytes(20, 0);
  memcpy(bytes.data(), "MLCMAP\0\0", 8);
  PutInt32(&bytes, 8, map.width);
  PutInt32(&bytes, 12, map.height);
  bytes[18] = 1;  // format
  for (const std::vector<uint16_t>& layer : layers) {
    for (uint16_t cell : layer) {
      bytes.push_back(static_cast<uint8_t>(cell));
      bytes.push_back(static_cast<uint8_t>(cell >> 8));
    }
  }
  const std::string path = folder + "\\" + map.fileName;
  FILE* file = fopen(path.c_str(), "wb");
  if (file == nullptr) {
    fprintf(stderr, "cannot write %s\n", path.c_str());
    return false;
  }
  const bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: mapgen <output folder>\n");
    return 2;
  }
  for (const Map& map : {MakeRoom(), MakeTown(), MakeField()}) {
    if (!WriteMap(map, argv[1])) return 1;
    printf("%s\n", map.fileName);
  }
  return 0;
}
