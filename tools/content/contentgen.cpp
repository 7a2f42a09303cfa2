// Builds the game's pictures, event scripts and music from the readable
// sources beside it: drawings in art/, note lists in music/, scripts in
// event/ (UTF-8). Run by tools/content/build-content.sh, which compiles it
// for the host and encodes the music with lame.
//
//   contentgen <tools/content> <data> <wav folder> [contact sheet png]
#include <errno.h>
#include <iconv.h>
#include <math.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "art.h"
#include "png_writer.h"
#include "synth.h"

namespace {

const Rgb kOutline = {28, 24, 36};

struct Output {
  std::string path;  // relative to the data folder
  Picture picture;
};
std::vector<Output> g_outputs;

void Emit(const std::string& path, const Picture& picture) { g_outputs.push_back({path, picture}); }

// ---- chip sheets: a chip value is row * 256 + column, value 0 is no chip,
// so column 0 of row 0 stays empty.

Picture ChipSheet(const ArtBook& art, const std::vector<std::vector<const char*>>& rows) {
  Picture sheet(256, 16 * int(rows.size()));
  for (size_t r = 0; r < rows.size(); ++r) {
    for (size_t c = 0; c < rows[r].size(); ++c) {
      if (rows[r][c] != nullptr) Blit(&sheet, art.Render(rows[r][c]), int(c) * 16, int(r) * 16);
    }
  }
  return sheet;
}

void MakeChipSheets(const ArtBook& art) {
  // The columns here are the chip values that tools/mapgen.cpp uses.
  Emit("map/chip_ground.png",
       ChipSheet(art, {{nullptr, "grass", "grass_dark", "water", "path", "sand", "floor",
                        "stone_floor", "mountain"}}));
  Emit("map/chip_object.png",
       ChipSheet(art, {{nullptr, "tree_trunk", "wall", "wall_window", "door", "counter", "fence",
                        "rock", "bridge", "flowers", "town", "bush", "barrel", "table", "shelf",
                        "bed"},
                       {"well", "sign", "inner_wall", "mat"}}));
  Emit("map/chip_upper.png",
       ChipSheet(art, {{nullptr, "tree_crown", "roof", "roof_ridge", "roof_eaves"}}));
}

// ---- character sheets: twelve characters a sheet, one 24-pixel row each,
// frame 4 * direction + step (directions down, left, up, right; step 1
// stands, 0 and 2 are the two feet forward).

// Characters whose palette wears the hat drawing.
bool WearsHat(const std::string& palette) { return palette == "maria"; }

Picture Walker(const ArtBook& art, const char* name, const std::string& palette) {
  Picture p = art.Render(name, palette);
  if (WearsHat(palette)) {
    const bool step = strstr(name, "step") != nullptr;  // drawn one row higher
    Blit(&p, Shift(art.Render("hat", palette), 0, step ? -1 : 0), 0, 0);
  }
  return Outline(p, kOutline);
}

void PutCharacterRow(const ArtBook& art, const std::string& palette, Picture* sheet, int row) {
  std::vector<Picture> frames(16);
  if (palette == "chest") {
    const Picture closed = Outline(art.Render("chest_closed"), kOutline);
    const Picture open = Outline(art.Render("chest_open"), kOutline);
    for (int i = 0; i < 16; ++i) frames[i] = i % 4 == 0 ? closed : open;
  } else {
    const Picture downStand = Walker(art, "walk_down_stand", palette);
    const Picture downStep = Walker(art, "walk_down_step", palette);
    const Picture upStand = Walker(art, "walk_up_stand", palette);
    const Picture upStep = Walker(art, "walk_up_step", palette);
    const Picture leftStand = Walker(art, "walk_left_stand", palette);
    const Picture leftStep1 = Walker(art, "walk_left_step1", palette);
    const Picture leftStep2 = Walker(art, "walk_left_step2", palette);
    const Picture set[4][4] = {
        {downStep, downStand, Mirror(downStep), downStand},
        {leftStep1, leftStand, leftStep2, leftStand},
        {upStep, upStand, Mirror(upStep), upStand},
        {Mirror(leftStep1), Mirror(leftStand), Mirror(leftStep2), Mirror(leftStand)},
    };
    for (int d = 0; d < 4; ++d)
      for (int s = 0; s < 4; ++s) frames[4 * d + s] = set[d][s];
  }
  for (int i = 0; i < 16; ++i) Blit(sheet, frames[i], 16 * i, 24 * row);
}

// Picture ids 1-24 (sheet 1 holds 1-12, sheet 2 holds 13-24); the event
// scripts name characters by these numbers.
const char* const kCharacters[24] = {
    "dino",      "maria",   "miria", "jax",     "villager", "woman",  "elder",    "child",
    "merchant",  "guard",   "smith", "chest",   "traveller", "nun",   "bard",     "soldier",
    "girl",      "chest",   "villager", "woman", "elder",   "child",  "merchant", "guard"};

void MakeCharacterSheets(const ArtBook& art) {
  for (int sheet = 0; sheet < 2; ++sheet) {
    Picture picture(256, 288);
    for (int row = 0; row < 12; ++row) PutCharacterRow(art, kCharacters[sheet * 12 + row], &picture, row);
    char name[32];
    snprintf(name, sizeof name, "char/char%02d.png", sheet + 1);
    Emit(name, picture);
  }
}

// ---- battle sprites: one row of 18 frames of 24 x 24, facing the enemies
// on the left. 0-2 walk in (1 also stands), 3 ready, 4 wind-up, 5 strike,
// 10 victory, 11 hit, 12 and 13 fallen, 15-17 walk away.

const char* const kHeroes[4] = {"dino", "maria", "miria", "jax"};

void MakeBattleSprites(const ArtBook& art) {
  for (int n = 0; n < 4; ++n) {
    auto pose = [&](const char* name) { return Outline(art.Render(name, kHeroes[n]), kOutline); };
    const Picture stand = pose("battle_stand"), walk = pose("battle_walk");
    const Picture windup = pose("battle_windup"), strike = pose("battle_strike");
    const Picture fallen = pose("battle_fallen"), victory = pose("battle_victory");
    const Picture bob = Shift(stand, 0, -1);
    Picture frames[18];
    for (Picture& f : frames) f = stand;
    frames[0] = walk;
    frames[2] = bob;
    frames[3] = Shift(stand, 0, 1);
    frames[4] = windup;
    frames[5] = strike;
    frames[10] = victory;
    frames[11] = Lighten(Shift(stand, 2, 0));
    frames[12] = fallen;
    frames[13] = fallen;
    frames[15] = Mirror(walk);
    frames[16] = Mirror(stand);
    frames[17] = Mirror(bob);
    Picture sheet(18 * 24, 24);
    for (int i = 0; i < 18; ++i) Blit(&sheet, frames[i], 24 * i, 0);
    char name[40];
    snprintf(name, sizeof name, "char/char_battle%02d.png", n + 1);
    Emit(name, sheet);
  }
}

// ---- enemies, by enemy id (EnemyTable.csv): drawing and palette.

struct EnemyLook {
  const char* drawing;
  const char* palette;
};
const EnemyLook kEnemies[] = {{"goblin", "goblin"}, {"rat", "rat"},         {"slime", "slime"},
                              {"bat", "bat"},       {"orc", "orc"},         {"golem", "golem"},
                              {"slime", "redslime"}, {"bat", "bloodbat"}};

void MakeEnemies(const ArtBook& art) {
  for (size_t i = 0; i < sizeof kEnemies / sizeof kEnemies[0]; ++i) {
    const Picture p = Scale(Outline(art.Render(kEnemies[i].drawing, kEnemies[i].palette), kOutline), 2);
    char name[48];
    snprintf(name, sizeof name, "enemy/graphs/enemy_%03zu.png", i + 1);
    Emit(name, p);
  }
}

// ---- window pictures.

Rgb Mix(Rgb a, Rgb b, double t) {
  return Rgb{uint8_t(lrint(a.r + (b.r - a.r) * t)), uint8_t(lrint(a.g + (b.g - a.g) * t)),
             uint8_t(lrint(a.b + (b.b - a.b) * t))};
}

// The window border: a dark line outside, a white line and a grey line
// inside, with rounded corners. Cells: top-left, top-right, bottom-left,
// bottom-right, top, bottom, left, right, and a spare ninth.
Picture WindowSkin() {
  const Rgb lines[3] = {{24, 24, 48}, {248, 248, 248}, {168, 168, 200}};
  // The border of a 32 x 32 window whose corners are the four corner cells.
  Picture box(32, 32);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const int dx = x < 16 ? 15 - x : x - 16, dy = y < 16 ? 15 - y : y - 16;  // 0 at the centre
      int depth;  // 0 = outermost pixel of the border
      if (dx >= 12 && dy >= 12) {
        const double r = sqrt(double((dx - 11) * (dx - 11) + (dy - 11) * (dy - 11)));
        depth = int(4.5 - r);
        if (r > 4.5) continue;
      } else {
        depth = 15 - (dx > dy ? dx : dy);
      }
      if (depth >= 0 && depth < 3) box.At(x, y) = lines[depth];
    }
  }
  Picture skin(9 * 16, 16);
  const int corners[4][2] = {{0, 0}, {16, 0}, {0, 16}, {16, 16}};
  for (int i = 0; i < 4; ++i) {
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) skin.At(16 * i + x, y) = box.At(corners[i][0] + x, corners[i][1] + y);
  }
  // Edges: the straight middle of the box's sides.
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      skin.At(64 + x, y) = box.At(15, y);            // top
      skin.At(80 + x, y) = box.At(15, 16 + y);       // bottom
      skin.At(96 + x, y) = box.At(x, 15);            // left
      skin.At(112 + x, y) = box.At(16 + x, 15);      // right
    }
  }
  return skin;
}

// The time gauge's frame: the bar runs inside it from x 6 to x 62, y 3 to 5.
Picture GaugeFrame() {
  Picture p(68, 9);
  for (int x = 3; x <= 65; ++x) p.At(x, 0) = p.At(x, 8) = kOutline;
  for (int y = 1; y <= 7; ++y) p.At(3, y) = p.At(65, y) = kOutline;
  const Rgb rim = {120, 120, 150};
  for (int x = 4; x <= 64; ++x) p.At(x, 1) = p.At(x, 7) = rim;
  for (int y = 2; y <= 6; ++y) p.At(4, y) = p.At(5, y) = p.At(63, y) = p.At(64, y) = rim;
  return p;
}

void MakeSystemPictures(const ArtBook& art) {
  Emit("graphs/system/wnd_frame_chip.png", WindowSkin());
  Emit("graphs/system/cursor.png", art.Render("cursor"));
  Emit("graphs/system/mark.png", art.Render("mark"));
  Emit("graphs/system/list_arrow_up.png", art.Render("list_arrow_up"));
  Emit("graphs/system/list_arrow_down.png", art.Render("list_arrow_down"));
  Emit("graphs/system/atb_gauge.png", GaugeFrame());
}

// ---- the battle background: sky, two ranges of hills and a meadow.

uint32_t Hash(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352d;
  x ^= x >> 15;
  x *= 0x846ca68b;
  x ^= x >> 16;
  return x;
}

void MakeField() {
  Picture p(320, 240);
  const Rgb skyTop = {72, 120, 208}, skyLow = {190, 220, 250};
  const Rgb farHill = {120, 150, 190}, nearHill = {72, 130, 96};
  const Rgb grassFar = {110, 176, 84}, grassNear = {62, 136, 58};
  for (int x = 0; x < 320; ++x) {
    const double far = 92 - 18 * sin(x * 0.021 + 0.7) - 9 * sin(x * 0.057 + 2.0);
    const double nearTop = 108 - 10 * sin(x * 0.034 + 4.1) - 5 * sin(x * 0.09);
    for (int y = 0; y < 240; ++y) {
      Rgb c;
      if (y < far) {
        c = Mix(skyTop, skyLow, y / 110.0);
        // A few soft clouds.
        const double cloud = sin(x * 0.05 + y * 0.02) + sin(x * 0.013 - y * 0.11 + 1.3);
        if (y < 60 && cloud > 1.55) c = Mix(c, Rgb{250, 250, 255}, (cloud - 1.55) * 1.5);
      } else if (y < nearTop) {
        c = Mix(farHill, skyLow, (nearTop - y) / 60.0 * 0.4);
      } else if (y < 120) {
        c = Mix(nearHill, farHill, (120 - y) / 30.0 * 0.3);
      } else {
        c = Mix(grassFar, grassNear, (y - 120) / 120.0);
        const uint32_t h = Hash(uint32_t(x * 977 + y * 131));
        if (h % 23 == 0) c = Mix(c, Rgb{40, 96, 40}, 0.6);   // tufts
        if (h % 97 == 1) c = Mix(c, Rgb{240, 240, 160}, 0.7);  // flowers
      }
      p.At(x, y) = c;
    }
  }
  Emit("field/field_01.png", p);
}

// ---- event scripts: UTF-8 sources become Shift-JIS. A double-byte
// character whose second byte is 0x5C would end a Lua escape sequence
// wrongly inside a quoted string, so that byte is doubled there.

bool ConvertScript(const std::string& source, const std::string& target) {
  std::ifstream in(source, std::ios::binary);
  if (!in) return false;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == (iconv_t)-1) return false;
  std::string sjis(text.size() * 2 + 16, '\0');
  char* inPtr = &text[0];
  size_t inLeft = text.size();
  char* outPtr = &sjis[0];
  size_t outLeft = sjis.size();
  const size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  iconv_close(cd);
  if (r == size_t(-1)) {
    fprintf(stderr, "%s: cannot convert to Shift-JIS (%s)\n", source.c_str(), strerror(errno));
    return false;
  }
  sjis.resize(sjis.size() - outLeft);
  std::string out;
  char quote = 0;
  for (size_t i = 0; i < sjis.size(); ++i) {
    const unsigned char c = uint8_t(sjis[i]);
    const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    if (lead && i + 1 < sjis.size()) {
      out += sjis[i];
      out += sjis[++i];
      if (quote && sjis[i] == '\\') out += '\\';
      continue;
    }
    out += char(c);
    if (quote) {
      if (c == '\\' && i + 1 < sjis.size()) out += sjis[++i];
      else if (c == uint8_t(quote)) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = char(c);
    } else if (c == '-' && i + 1 < sjis.size() && sjis[i + 1] == '-') {
      // A comment runs to the end of its line, quotes and all.
      while (i + 1 < sjis.size() && sjis[i + 1] != '\n') out += sjis[++i];
    }
  }
  std::ofstream file(target, std::ios::binary);
  file << out;
  return bool(file);
}

// ---- the contact sheet: every picture, doubled when small, on grey.

Picture ContactSheet() {
  const int width = 1100;
  std::vector<std::pair<Picture, std::pair<int, int>>> placed;
  int x = 8, y = 8, rowHeight = 0;
  for (const Output& o : g_outputs) {
    Picture p = o.picture.width <= 160 && o.picture.height <= 160 ? Scale(o.picture, 2) : o.picture;
    if (x + p.width + 8 > width) {
      x = 8;
      y += rowHeight + 8;
      rowHeight = 0;
    }
    placed.push_back({p, {x, y}});
    x += p.width + 8;
    rowHeight = p.height > rowHeight ? p.height : rowHeight;
  }
  Picture sheet(width, y + rowHeight + 8, Rgb{96, 96, 104});
  for (auto& [p, at] : placed) {
    // Transparent pixels show as a checker so the shapes stand out.
    for (int py = 0; py < p.height; ++py)
      for (int px = 0; px < p.width; ++px)
        sheet.At(at.first + px, at.second + py) =
            p.At(px, py) != kClear ? p.At(px, py)
                                   : (((px / 4) + (py / 4)) % 2 ? Rgb{150, 150, 158} : Rgb{180, 180, 188});
  }
  return sheet;
}

// A look at a map as the field draws it: tile layers 0 and 1, the event
// cells marked, then layer 2 over them. Read from a map file of mapgen.
bool MapPreview(const std::string& mapFile, const Picture sheets[3], Picture* out) {
  std::ifstream in(mapFile, std::ios::binary);
  std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (b.size() < 20) return false;
  auto le32 = [&](size_t at) { return int(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24); };
  const int width = le32(8), height = le32(12);
  if (width <= 0 || height <= 0 || width > 1024 || height > 1024 ||
      b.size() < 20 + size_t(6) * width * height * 2) {
    return false;
  }
  auto cell = [&](int layer, int x, int y) {
    const size_t at = 20 + (size_t(layer) * width * height + size_t(y) * width + x) * 2;
    return int(b[at] | b[at + 1] << 8);
  };
  *out = Picture(width * 16, height * 16, Rgb{0, 0, 0});
  auto drawLayer = [&](int layer) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const int v = cell(layer, x, y);
        if (v == 0) continue;
        const Picture& sheet = sheets[layer];
        for (int py = 0; py < 16; ++py) {
          for (int px = 0; px < 16; ++px) {
            const int sx = (v % 256) * 16 + px, sy = (v / 256) * 16 + py;
            if (!sheet.Inside(sx, sy) || sheet.At(sx, sy) == kClear) continue;
            out->At(x * 16 + px, y * 16 + py) = sheet.At(sx, sy);
          }
        }
      }
    }
  };
  drawLayer(0);
  drawLayer(1);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (cell(4, x, y) == 0) continue;
      for (int i = 0; i < 16; ++i) {
        out->At(x * 16 + i, y * 16) = out->At(x * 16 + i, y * 16 + 15) = Rgb{255, 0, 255};
        out->At(x * 16, y * 16 + i) = out->At(x * 16 + 15, y * 16 + i) = Rgb{255, 0, 255};
      }
    }
  }
  drawLayer(2);
  return true;
}

const Picture* FindOutput(const std::string& path) {
  for (const Output& o : g_outputs) {
    if (o.path == path) return &o.picture;
  }
  return nullptr;
}

bool MakeFolders(const std::string& root, const std::string& relative) {
  std::string path = root;
  std::stringstream parts(relative);
  std::string part;
  std::vector<std::string> names;
  while (std::getline(parts, part, '/')) names.push_back(part);
  names.pop_back();  // the file itself
  for (const std::string& n : names) {
    path += "/" + n;
    if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    fprintf(stderr, "usage: contentgen <tools/content> <data> <wav folder> [contact sheet]\n");
    return 2;
  }
  const std::string source = argv[1], data = argv[2], wavs = argv[3];
  ArtBook art;
  for (const char* file : {"palettes.txt", "chips.txt", "characters.txt", "enemies.txt", "system.txt"}) {
    if (!art.Read(source + "/art/" + file)) return 1;
  }
  MakeChipSheets(art);
  MakeCharacterSheets(art);
  MakeBattleSprites(art);
  MakeEnemies(art);
  MakeSystemPictures(art);
  MakeField();
  for (const Output& o : g_outputs) {
    if (!MakeFolders(data, o.path) || !WritePng(data + "/" + o.path, o.picture)) {
      fprintf(stderr, "cannot write %s\n", o.path.c_str());
      return 1;
    }
  }
  if (argc == 5) {
    if (!WritePng(argv[4], ContactSheet())) {
      fprintf(stderr, "cannot write %s\n", argv[4]);
      return 1;
    }
    // Beside the contact sheet, the committed maps drawn with these chips
    // (event cells framed in magenta).
    const Picture sheets[3] = {*FindOutput("map/chip_ground.png"), *FindOutput("map/chip_object.png"),
                               *FindOutput("map/chip_upper.png")};
    std::string folder = argv[4];
    folder = folder.substr(0, folder.find_last_of('/') + 1);
    for (const char* map : {"room", "town", "field"}) {
      Picture preview;
      if (!MapPreview(source + "/../../data/map/" + map + ".map", sheets, &preview) ||
          !WritePng(folder + "map_" + map + ".png", preview)) {
        fprintf(stderr, "cannot draw the map %s\n", map);
        return 1;
      }
    }
  }

  for (int map = 1; map <= 3; ++map) {
    char name[32];
    snprintf(name, sizeof name, "mapevt%06d.lua", map);
    if (!MakeFolders(data, std::string("event/") + name) ||
        !ConvertScript(source + "/event/" + name, data + "/event/" + name)) {
      fprintf(stderr, "cannot convert %s\n", name);
      return 1;
    }
  }

  for (const char* piece : {"isekai", "forest", "battle3", "battle_win"}) {
    std::vector<int16_t> samples;
    if (!RenderPiece(source + "/music/" + piece + ".txt", &samples)) return 1;
    if (!WriteWav(wavs + "/" + piece + ".wav", samples)) {
      fprintf(stderr, "cannot write %s.wav\n", piece);
      return 1;
    }
  }
  return 0;
}
