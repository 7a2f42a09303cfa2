// Writes the game's map layer files (town.map, field.map) into the folder given
// on the command line. The maps are drawn here as rows of letters, each letter
// standing for a chip on each tile layer and a pass value; the event and
// encounter-area layers come from lists beside them.
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
  uint16_t pass;                 // 1, 2, 7, 8, 9 blocked, 20 a counter
};

// Chip set 1 holds the ground, set 2 what stands on it, set 3 what is drawn
// over the characters (tree tops, roof edges).
const Terrain kTerrain[] = {
    {'.', 0x0001, 0, 0, 0},            // grass
    {',', 0x0002, 0, 0, 0},            // path
    {'~', 0x0003, 0, 0, 2},            // water (animated)
    {'s', 0x0004, 0, 0, 0},            // sand
    {'F', 0x0005, 0, 0, 0},            // stone floor
    {'T', 0x0001, 0x0001, 0x0001, 1},  // tree: trunk, top over the characters
    {'W', 0x0005, 0x0002, 0, 1},       // house wall
    {'R', 0x0005, 0x0003, 0x0002, 1},  // roof
    {'D', 0x0005, 0x0004, 0, 1},       // door
    {'C', 0x0005, 0x0005, 0, 20},      // shop counter
    {'f', 0x0001, 0x0006, 0, 1},       // fence
    {'r', 0x0001, 0x0007, 0, 1},       // rock
    {'b', 0x0003, 0x0008, 0, 0},       // bridge over water
    {'*', 0x0001, 0x0009, 0, 0},       // flowers
    {'V', 0x0001, 0x000A, 0, 0},       // the town seen from the field
    {'M', 0x0101, 0, 0, 7},            // mountain
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
  std::vector<std::string> rows;
  std::vector<Event> events;
  std::vector<uint16_t> areas;  // width x height, or empty for area 0
};

// The town: the item shop (keeper 2 behind the counter at 3,6), the weapon
// shop (keeper 3 at 13,5), a villager (1), a chest (10) in the pen and the
// gate to the field (4) at the bottom of the path. New games start at 7,7.
Map MakeTown() {
  Map map{"town.map", 20, 15, {}, {}, {}};
  map.rows = {
      "TTTTTTTTTTTTTTTTTTTT",  //
      "T..................T",  //
      "T.RRRR.....RRRRR...T",  //
      "T.RRRR.....RRRRR...T",  //
      "T.WDWW.....WWDWW...T",  //
      "T.fFf.......fFf....T",  //
      "T..C.........C.....T",  //
      "T..,,,,,,,,,,,,....T",  //
      "T.......,.....~~~..T",  //
      "T.RRRR..,.....~~~..T",  //
      "T.WWDW..,......~...T",  //
      "T....,,,,......*...T",  //
      "T.**....,....f..f..T",  //
      "T.......,....ffff..T",  //
      "TTTTTTTT,TTTTTTTTTTT",  //
  };
  map.events = {{10, 9, 1}, {3, 5, 2}, {13, 5, 3}, {8, 14, 4}, {15, 12, 10}};
  return map;
}

// The field wraps around. Its west is grassland (area 1), its east forest
// edge (area 2), its northern hills (area 3); the town lies at 10,10 (event
// 5), chests at 30,5 (11) and 35,25 (12).
Map MakeField() {
  const int width = 40, height = 30;
  Map map{"field.map", width, height, {}, {}, {}};
  map.rows.assign(height, std::string(width, '.'));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      char& cell = map.rows[y][x];
      const int dx = x - 26, dy = y - 16;
      if (dx * dx * 4 + dy * dy * 9 <= 100) cell = '~';                  // the lake
      if (x == 18 && (y < 8 || y > 11)) cell = '~';                      // the river
      if (x == 18 && y >= 8 && y <= 11) cell = 'b';
      if (y <= 2 && (x * 7 + y * 3) % 5 == 0) cell = 'M';                // hills
      if (x >= 30 && (x * 3 + y * 5) % 7 == 0 && cell == '.') cell = 'T';  // forest
      if ((x == 5 || x == 6) && y >= 20 && y <= 22) cell = 'r';
    }
  }
  for (int x = 8; x <= 12; ++x) map.rows[11][x] = ',';  // the road out of town
  map.rows[10][10] = 'V';
  map.rows[5][30] = '.';
  map.rows[25][35] = '.';
  map.events = {{10, 10, 5}, {30, 5, 11}, {35, 25, 12}};
  map.areas.assign(static_cast<size_t>(width * height), 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      map.areas[static_cast<size_t>(y * width + x)] = y < 6 ? 3 : x < 20 ? 1 : 2;
    }
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
  for (const Event& e : map.events) {
    const size_t i = static_cast<size_t>(e.y * map.width + e.x);
    if (layers[3][i] != 0 && layers[3][i] != 20) {
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
  for (const Map& map : {MakeTown(), MakeField()}) {
    if (!WriteMap(map, argv[1])) return 1;
    printf("%s\n", map.fileName);
  }
  return 0;
}
