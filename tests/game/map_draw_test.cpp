// The field's pictures drawn onto the back screen and read back: chips cut
// from their sheets, animated chips, the window skin, character frames and
// the row order of map objects around the player.
#include <direct.h>
#include <stdio.h>
#include <string.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CDataManager.h"
#include "CGame.h"
#include "CMapEvent.h"
#include "CMapManager.h"
#include "ErrorMessage.h"
#include "GameSettings.h"
#include "Ombrel.h"
#include "game_fixture.h"
#include "graphics/screen_images.h"
#include "software_renderer/soft_image.h"
#include "support/image_fixtures.h"
#include "support/library_session.h"

namespace {

struct Rgb {
  int red, green, blue;
  bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "(" << c.red << ", " << c.green << ", " << c.blue << ")";
}

constexpr Rgb kTransparent = {0, 117, 117};
constexpr Rgb kBlack = {0, 0, 0};

Rgb ScreenPixel(int x, int y) {
  const SOFTIMG* screen = GetPrimaryScreenSoftImg();
  uint32_t v;
  memcpy(&v, screen->pixels + y * screen->body->pitch + x * 4, 4);
  return {static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF),
          static_cast<int>(v & 0xFF)};
}

// An RGB picture whose pixels the function gives.
void WritePng(const std::string& path, int width, int height,
              const std::function<Rgb(int, int)>& pixel) {
  PngFixture png;
  png.width = width;
  png.height = height;
  png.colorType = 2;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgb c = pixel(x, y);
      png.rows.push_back(static_cast<uint8_t>(c.red));
      png.rows.push_back(static_cast<uint8_t>(c.green));
      png.rows.push_back(static_cast<uint8_t>(c.blue));
    }
  }
  const Bytes bytes = EncodePng(png);
  WriteFileBytes(path, std::string(bytes.begin(), bytes.end()));
}

// The chip sheet: 4 chips across, 2 down; one transparent pixel in chip
// 0x0103 and one in chip 2.
Rgb SheetPixel(int x, int y) {
  if ((x == 50 && y == 20) || (x == 33 && y == 1)) return kTransparent;
  return {x * 4, y * 8, 200};
}

// The character sheets: red is x, green the line inside the 24-pixel row,
// blue the row and the sheet.
Rgb CharPixel(int sheet, int x, int y) { return {x, (y % 24) * 10, (y / 24) * 10 + sheet * 120}; }

class MapDrawTest : public StartedLibraryTest {
 protected:
  void SetUp() override {
    StartedLibraryTest::SetUp();
    for (const char* folder : {"fixture", "fixture\\map", "fixture\\char", "fixture\\graphs",
                               "fixture\\graphs\\system", "fixture\\treasure"}) {
      _mkdir(folder);
    }
    for (const char* file : {"map\\MapChipInfo.csv", "map\\AniChipInfo.csv", "debug.ini"}) {
      remove((std::string("fixture\\") + file).c_str());
    }
    SetGameDataFolder("fixture");
    ResetCaches();
    ASSERT_EQ(SelectDrawTarget(-2), 0);
    ClearDrawTarget(nullptr);
  }
  void TearDown() override {
    ResetCaches();
    SetGameDataFolder("..\\data");
    StartedLibraryTest::TearDown();
  }
  // The data manager lives for the process; each test loads its own.
  static void ResetCaches() {
    CDataManager& data = CDataManager::GetInstance();
    data.ReleaseMapChips();
    data.charGraphLoaded = 0;
    data.windowSkinLoaded = 0;
    for (int32_t& sheet : data.charSheets) sheet = -1;
  }
  static void WriteTable(const std::string& relativePath, const std::vector<std::string>& rows) {
    std::string text = "header one\r\nheader two\r\n";
    for (const std::string& row : rows) text += row + "\r\n";
    WriteFileBytes("fixture\\" + relativePath, text);
  }
  static void WriteCharSheets() {
    for (int sheet = 0; sheet < 2; ++sheet) {
      char path[64];
      snprintf(path, sizeof path, "fixture\\char\\char%02d.png", sheet + 1);
      WritePng(path, 256, 288, [sheet](int x, int y) { return CharPixel(sheet, x, y); });
    }
    // A member joins only with its battle picture too.
    ASSERT_TRUE(CopyFileA((RepositoryDataFolder() + "\\char\\char_battle01.png").c_str(),
                          "fixture\\char\\char_battle01.png", FALSE));
  }
  // A map of the size with the given cells of tile layer 0 in chip set 1.
  static void MakeMap(CMapManager* map, int width, int height) {
    map->data.width = width;
    map->data.height = height;
    for (std::vector<uint16_t>& layer : map->data.layers) layer.assign(width * height, 0);
    map->data.chipSetIds[0] = 1;
    map->data.chipSetIds[1] = 9;  // a chip set without a sheet
    map->data.chipSetIds[2] = 1;
  }
};

// Which rows of an animated chip frame k has turned, and how often: frame n
// turns row 9n mod 16 right by one pixel.
std::vector<int> RowTurns(int frame) {
  std::vector<int> turns(16, 0);
  for (int n = 0; n <= frame; ++n) ++turns[(9 * n) % 16];
  return turns;
}

TEST_F(MapDrawTest, ChipsAndAnimatedChipsAreDrawnFromTheirSheet) {
  WritePng("fixture\\map\\chips.png", 64, 32, SheetPixel);
  WriteTable("map\\MapChipInfo.csv", {"1,chips.png", "1,chips.png"});
  WriteTable("map\\AniChipInfo.csv", {"1,2,5"});
  CMapManager map;
  CDataManager& data = CDataManager::GetInstance();
  ASSERT_EQ(data.LoadMapChips(&map.chipSets), 1);
  EXPECT_EQ(data.mapChipsLoaded, 1);
  EXPECT_EQ(data.chipSheets.size(), 2u) << "both sheets are loaded";
  ASSERT_EQ(map.chipSets.size(), 1u);
  EXPECT_EQ(map.chipSets[1], data.chipSheets[0]) << "the first sheet of an id stays";
  ASSERT_EQ(data.aniChips.size(), 1u);
  EXPECT_EQ(data.aniChips[0]->parameter, 5);
  EXPECT_EQ(GetDrawTarget(), -2);
  EXPECT_EQ(data.LoadMapChips(&map.chipSets), 1) << "once per run";
  EXPECT_EQ(data.chipSheets.size(), 2u);

  MakeMap(&map, 3, 2);
  map.data.layers[0] = {0x0103, 2, 0, 0, 0, 0};
  map.data.layers[1] = {1, 1, 1, 1, 1, 1};
  map.playerX = 0;
  map.playerY = 0;
  // The player's cell at (152, 112); its right neighbour 16 further.
  for (uint32_t counter : {0u, 2u, 7u, 511u}) {
    SCOPED_TRACE(counter);
    ClearDrawTarget(nullptr);
    map.animationCounter = counter;
    map.DrawLayer(0);
    map.DrawLayer(1);
    const std::vector<int> turns = RowTurns(static_cast<int>((counter / 2) % 256));
    for (int j = 0; j < 16; ++j) {
      for (int i = 0; i < 16; ++i) {
        const Rgb chip = SheetPixel(48 + i, 16 + j);
        ASSERT_EQ(ScreenPixel(152 + i, 112 + j), chip == kTransparent ? kBlack : chip)
            << i << ", " << j;
        // The animated chip is copied whole, its transparent colour too.
        ASSERT_EQ(ScreenPixel(168 + i, 112 + j), SheetPixel(32 + (i - turns[j] % 16 + 16) % 16, j))
            << i << ", " << j;
      }
    }
    EXPECT_EQ(ScreenPixel(184, 112), kBlack) << "an empty cell";
    EXPECT_EQ(ScreenPixel(152, 128), kBlack);
  }
  // Frame 0 differs from the chip in row 0 only, frame 255 not at all.
  EXPECT_EQ(RowTurns(0), (std::vector<int>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(RowTurns(1), (std::vector<int>{1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(RowTurns(255), std::vector<int>(16, 16));

  // The view follows the player and the scroll: cell (0, 0) seen from the
  // player at (2, 1) with a scroll of (5, -3).
  map.playerX = 2;
  map.playerY = 1;
  map.scrollX = 5;
  map.scrollY = -3;
  ClearDrawTarget(nullptr);
  map.DrawLayer(0);
  const int x0 = 5 + (0 - 2 + 10) * 16 - 8, y0 = -3 + (0 - 1 + 7) * 16;
  EXPECT_EQ(ScreenPixel(x0, y0), SheetPixel(48, 16));
  EXPECT_EQ(ScreenPixel(x0 + 15, y0 + 15), SheetPixel(63, 31));

  data.ReleaseMapChips();
  EXPECT_EQ(data.mapChipsLoaded, 0);
  EXPECT_TRUE(data.aniChips.empty());
  EXPECT_TRUE(data.chipSheets.empty());
}

TEST_F(MapDrawTest, ChipLoadFailures) {
  ErrorMessageCapture errors;
  WritePng("fixture\\map\\chips.png", 64, 32, SheetPixel);
  WriteTable("map\\MapChipInfo.csv", {"1,chips.png", "2,missing.png"});
  WriteTable("map\\AniChipInfo.csv", {});
  CDataManager& data = CDataManager::GetInstance();
  std::map<int32_t, int32_t> chipSets;
  EXPECT_EQ(data.LoadMapChips(&chipSets), 0);
  ASSERT_EQ(errors.Messages().size(), 1u);
  EXPECT_EQ(errors.Messages()[0], "画像読み込み失敗 [fixture\\map\\missing.png]");
  EXPECT_EQ(data.mapChipsLoaded, 0);

  // An animated chip of a chip set without a sheet: the ones before it stay.
  data.ReleaseMapChips();
  chipSets.clear();
  WriteTable("map\\MapChipInfo.csv", {"1,chips.png"});
  WriteTable("map\\AniChipInfo.csv", {"1,1,0", "4,1,0", "1,2,0"});
  EXPECT_EQ(data.LoadMapChips(&chipSets), 0);
  EXPECT_EQ(data.mapChipsLoaded, 0);
  ASSERT_EQ(data.aniChips.size(), 2u);
  EXPECT_NE(data.aniChips[0]->frames[255], -1);
  EXPECT_EQ(data.aniChips[1]->chipSetId, 4);
  EXPECT_EQ(GetDrawTarget(), -2);
  EXPECT_EQ(errors.Messages().size(), 1u);
}

TEST_F(MapDrawTest, WindowSkinChipsAndGradientBands) {
  WritePng("fixture\\graphs\\system\\wnd_frame_chip.png", 144, 16,
           [](int x, int y) { return Rgb{(x / 16) * 20 + 10, 50 + y, 100}; });
  CDataManager& data = CDataManager::GetInstance();
  ASSERT_EQ(data.LoadWindowSkin(), 1);
  EXPECT_EQ(GetDrawTarget(), -2);
  for (int k = 0; k < 8; ++k) {
    ClearDrawTarget(nullptr);
    ASSERT_EQ(PutGraph(0, 0, data.windowSkinChips[k], 0), 0);
    EXPECT_EQ(ScreenPixel(0, 0), (Rgb{k * 20 + 10, 50, 100})) << k;
    EXPECT_EQ(ScreenPixel(15, 15), (Rgb{k * 20 + 10, 65, 100})) << k;
  }
  ClearDrawTarget(nullptr);
  ASSERT_EQ(PutGraph(0, 0, data.windowBackground, 0), 0);
  EXPECT_EQ(ScreenPixel(0, 112), (Rgb{8, 8, 255}));
  EXPECT_EQ(ScreenPixel(319, 120), (Rgb{0, 0, 247}));
  // Every band's colour at its own y, by the rule: (c, c, 255) with c =
  // (15360 - 1024 k) / 120 for the first fifteen, then (0, 0, 367 - 8 k).
  for (int k = 0; k < 30; ++k) {
    const Rgb expected =
        k < 15 ? Rgb{(15360 - 1024 * k) / 120, (15360 - 1024 * k) / 120, 255} : Rgb{0, 0, 367 - 8 * k};
    EXPECT_EQ(ScreenPixel(160, 8 * k), expected) << k;
  }
  EXPECT_EQ(ScreenPixel(160, 0), (Rgb{128, 128, 255}));
  EXPECT_EQ(ScreenPixel(160, 232), (Rgb{0, 0, 135}));
  EXPECT_EQ(data.LoadWindowSkin(), 1) << "once per run";

  ErrorMessageCapture errors;
  ResetCaches();
  remove("fixture\\graphs\\system\\wnd_frame_chip.png");
  EXPECT_EQ(data.LoadWindowSkin(), 0);
  EXPECT_EQ(data.windowSkinLoaded, 0);
  ASSERT_EQ(errors.Messages().size(), 1u);
  EXPECT_EQ(errors.Messages()[0], "画像読み込み失敗 [fixture\\graphs\\system\\wnd_frame_chip.png]");
}

TEST_F(MapDrawTest, CharacterFramesComeFromTheirSheetRow) {
  WriteCharSheets();
  CDataManager& data = CDataManager::GetInstance();
  ASSERT_EQ(data.LoadCharGraph(), 1);
  const struct {
    int picture, sheet, row;
  } cases[] = {{13, 1, 0}, {12, 0, 11}, {1, 0, 0}, {24, 1, 11}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.picture);
    CCharacterObject character;
    ASSERT_EQ(character.SetCharacter(3, c.picture), 1);
    EXPECT_EQ(character.visible, 1);
    EXPECT_EQ(character.direction, DIR_DOWN);
    EXPECT_EQ(character.stepFrame, 1);
    character.x = 100;
    character.y = 50;
    for (int frame : {0, 6, 15}) {
      ClearDrawTarget(nullptr);
      character.direction = frame / 4;
      character.stepFrame = frame % 4;
      character.Draw();
      for (int j : {0, 23}) {
        for (int i : {0, 15}) {
          EXPECT_EQ(ScreenPixel(100 + i, 50 + j), CharPixel(c.sheet, 16 * frame + i, 24 * c.row + j))
              << frame;
        }
      }
      EXPECT_EQ(ScreenPixel(116, 50), kBlack);
      EXPECT_EQ(ScreenPixel(100, 74), kBlack);
    }
    character.Release();
  }
  // Ids outside the two sheets draw nothing; 0 hides the character.
  for (int picture : {25, 200, -1, 0}) {
    CCharacterObject character;
    character.SetCharacter(1, picture);
    EXPECT_EQ(character.visible, picture == 0 ? 0 : 1) << picture;
    character.x = 100;
    character.y = 50;
    ClearDrawTarget(nullptr);
    character.Draw();
    for (int y = 40; y < 90; y += 3) {
      for (int x = 90; x < 130; x += 3) ASSERT_EQ(ScreenPixel(x, y), kBlack) << picture;
    }
  }
}

TEST_F(MapDrawTest, ObjectsBelowThePlayersRowAreDrawnOverIt) {
  WriteCharSheets();
  ASSERT_EQ(CDataManager::GetInstance().LoadCharGraph(), 1);
  CMapEvent event;
  auto add = [&](int x, int y, int picture) {
    auto object = std::make_unique<CMapObject>();
    object->pictureId = picture;
    object->Place(y, x);
    CMapObject* raw = object.get();
    event.AddObject(std::move(object));
    return raw;
  };
  // Made out of row order; sorted once.
  CMapObject* below = add(5, 6, 3);
  CMapObject* above = add(5, 4, 2);
  CMapObject* distant = add(40, 5, 4);
  event.SortByRow();
  EXPECT_EQ(event.objects[0].get(), above);
  EXPECT_EQ(event.FindObject(5, 6), below);
  EXPECT_EQ(event.FindObject(5, 5), nullptr);
  CCharacterObject player;
  player.SetCharacter(0, 1);
  player.x = kPlayerScreenX;
  player.y = kPlayerScreenY;
  // The player on cell (5, 5): top row -2, left column -5.
  event.Draw(5 - 7, &player, 5 - 10, 0, 0);
  EXPECT_EQ(above->x, 152);
  EXPECT_EQ(above->y, 88);
  EXPECT_EQ(below->y, 120);
  EXPECT_EQ(distant->x, 0) << "outside the view: not placed";
  // All face down on step frame 1; rows 104-111 are the player's over the
  // object above, rows 120-127 the object's below over the player.
  EXPECT_EQ(ScreenPixel(152, 104), CharPixel(0, 16, 0));
  EXPECT_EQ(ScreenPixel(152, 111), CharPixel(0, 16, 7));
  EXPECT_EQ(ScreenPixel(152, 100), CharPixel(0, 16, 24 + 12));
  EXPECT_EQ(ScreenPixel(160, 120), CharPixel(0, 24, 48));
  EXPECT_EQ(ScreenPixel(160, 127), CharPixel(0, 24, 48 + 7));
  EXPECT_EQ(ScreenPixel(160, 128), CharPixel(0, 24, 48 + 8));
  // The shifts of a scroll and a step move the objects with the map.
  ClearDrawTarget(nullptr);
  below->offsetY = -4;
  event.Draw(5 - 7, &player, 5 - 10, 3, 0);
  EXPECT_EQ(below->x, 155);
  EXPECT_EQ(ScreenPixel(155, 116), CharPixel(0, 16, 48));
}

TEST_F(MapDrawTest, FieldFrameAfterAStepWithTheKeys) {
  ErrorMessageCapture errors;  // the members' level tables are not written
  WritePng("fixture\\map\\chips.png", 64, 32, SheetPixel);
  WriteTable("map\\MapChipInfo.csv", {"1,chips.png"});
  WriteTable("map\\AniChipInfo.csv", {});
  WriteCharSheets();
  CGame& game = *CGame::GetInstance();
  CDataManager& data = CDataManager::GetInstance();
  ASSERT_EQ(data.LoadCharGraph(), 1);
  ASSERT_EQ(data.LoadMapChips(&game.map.chipSets), 1);
  game.SetMode();
  game.party.ClearMembers();
  game.party.AddMember(1, 1);
  ASSERT_NE(game.GetPlayer(), nullptr);
  MakeMap(&game.map, 24, 18);
  // A checkerboard of two chips under the characters, one chip of layer 2
  // over the player's head.
  for (int y = 0; y < 18; ++y) {
    for (int x = 0; x < 24; ++x) game.map.data.layers[0][y * 24 + x] = (x + y) % 2 ? 0x0001 : 0x0100;
  }
  game.map.data.layers[2][8 * 24 + 12] = 0x0103;
  game.map.playerX = 12;
  game.map.playerY = 9;
  auto chip = [](int value, int i, int j) {
    return SheetPixel(ChipSheetX(value) + i, ChipSheetY(value) + j);
  };

  char keys[kKeyCount] = {};
  keys[KEY_RIGHT] = 1;
  game.keyboard.Update(keys);
  game.UpdateField();
  ASSERT_EQ(game.map.playerX, 13);
  ASSERT_EQ(game.map.scrollX, 15);
  ClearDrawTarget(nullptr);
  game.Draw();
  WritePng(std::string(TEST_ARTIFACT_DIR) + "/game_field_frame.png", 320, 240, ScreenPixel);
  // Cell (13, 9) slides in from the right: x = 15 + (13 - 13 + 10) * 16 - 8.
  // (Its left column lies under the player's right edge.)
  EXPECT_EQ(ScreenPixel(170, 112 + 15), chip(0x0100, 3, 15));
  EXPECT_EQ(ScreenPixel(182, 112), chip(0x0100, 15, 0));
  EXPECT_EQ(ScreenPixel(151, 130), chip(0x0100, 0, 2)) << "cell (12, 10)";
  EXPECT_EQ(ScreenPixel(183, 112), chip(0x0001, 0, 0)) << "cell (14, 9)";
  // The player faces right on step frame 1: frame 13 of sheet row 0.
  const CPlayerChar* player = game.GetPlayer();
  EXPECT_EQ(player->direction, DIR_RIGHT);
  EXPECT_EQ(ScreenPixel(160, 115), CharPixel(0, 16 * 13 + 8, 11));
  EXPECT_EQ(ScreenPixel(153, 127), CharPixel(0, 16 * 13 + 1, 23));
  // Layer 2 at cell (12, 8), x = 15 + 9 * 16 - 8, y = 6 * 16, over the player.
  EXPECT_EQ(ScreenPixel(160, 106), chip(0x0103, 9, 10));
  EXPECT_EQ(ScreenPixel(160, 111), chip(0x0103, 9, 15));

  // Fifteen frames later the player stands on its new cell.
  keys[KEY_RIGHT] = 0;
  for (int frame = 0; frame < 15; ++frame) {
    game.keyboard.Update(keys);
    game.UpdateField();
  }
  ASSERT_EQ(game.map.scrollX, 0);
  ClearDrawTarget(nullptr);
  game.Draw();
  EXPECT_EQ(ScreenPixel(168, 112 + 15), chip(0x0001, 0, 15)) << "cell (14, 9)";
  EXPECT_EQ(ScreenPixel(152, 106), CharPixel(0, 16 * 13, 2)) << "layer 2 slid off the player";
  EXPECT_EQ(ScreenPixel(140, 106), chip(0x0103, 4, 10));

  game.party.ClearMembers();
  game.map.chipSets.clear();
  game.map.data.FreeLayers();
  game.map.data.width = game.map.data.height = 0;
  game.modes.clear();
}

}  // namespace
