// Helpers of the game tests: a data folder of small tables written by the test
// itself, the repository's own data folder, and a capture of the game's error
// messages (nothing may wait on a modal box).
#ifndef MOONLITCAIRN_TESTS_GAME_FIXTURE_H
#define MOONLITCAIRN_TESTS_GAME_FIXTURE_H

#include <stdint.h>
#include <direct.h>
#include <stdio.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ErrorMessage.h"
#include "GameSettings.h"
#include "support/library_session.h"
#include "system/system_state.h"

// Collects the texts of ShowErrorMessage while it lives.
class ErrorMessageCapture {
 public:
  ErrorMessageCapture() {
    Messages().clear();
    m_previous = SetErrorMessageHandler(&Collect);
  }
  ~ErrorMessageCapture() { SetErrorMessageHandler(m_previous); }
  ErrorMessageCapture(const ErrorMessageCapture&) = delete;
  ErrorMessageCapture& operator=(const ErrorMessageCapture&) = delete;

  static std::vector<std::string>& Messages() {
    static std::vector<std::string> messages;
    return messages;
  }

 private:
  static int Collect(const char* text) {
    Messages().push_back(text);
    return 1;
  }
  ErrorMessageHandler m_previous;
};

inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
  FILE* file = fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr) << path;
  fwrite(bytes.data(), 1, bytes.size(), file);
  fclose(file);
}

// The repository's data folder, which the game installs beside its program.
inline std::string RepositoryDataFolder() { return std::string("Z:") + TEST_SOURCE_DIR + "\\..\\data"; }

// Party members load their battle pictures, which takes the library's
// graphics: it is started once for the whole test process and left inactive,
// so the game reads only the keys a test gives it (and runs while inactive,
// so loading never waits for the window to be activated).
inline void StartLibraryForPictures() {
  static LibrarySession* session = [] {
    LibraryOptions options;
    options.title = UniqueWindowTitle("GamePictures");
    options.runWhileInactive = 1;
    auto* started = new LibrarySession(options);
    GetSystemState().run.active = 0;
    return started;
  }();
  ASSERT_EQ(session->result(), 0);
}

// A fresh data folder "fixture" in the test's working directory with the
// sub-folders of the game's tables; the game is pointed at it.
class GameDataFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"fixture", "fixture\\item", "fixture\\lvinfo", "fixture\\enemy",
                               "fixture\\map", "fixture\\treasure"}) {
      _mkdir(folder);
    }
    // Each test starts without tables; it writes the ones it reads.
    for (const char* file :
         {"item\\NormalItem.csv", "item\\Weapon.csv", "item\\Armor.csv", "lvinfo\\LvInfo001.csv",
          "lvinfo\\LvInfo002.csv", "enemy\\EncountInfo.csv", "enemy\\EnemyPartyTable.csv",
          "enemy\\ArrangeTable.csv", "enemy\\EnemyTable.csv", "map\\MapInfo.csv",
          "map\\MapChipInfo.csv", "map\\AniChipInfo.csv", "map\\test.map",
          "treasure\\Treasure.csv", "debug.ini"}) {
      remove((std::string("fixture\\") + file).c_str());
    }
    SetGameDataFolder("fixture");
  }
  void TearDown() override { SetGameDataFolder("..\\data"); }

  // The members' battle pictures of the repository in the fixture, and the
  // library to load them.
  static void UseMemberPictures() {
    StartLibraryForPictures();
    _mkdir("fixture\\char");
    for (int n = 1; n <= 4; ++n) {
      char name[64];
      snprintf(name, sizeof name, "\\char\\char_battle%02d.png", n);
      ASSERT_TRUE(CopyFileA((RepositoryDataFolder() + name).c_str(),
                            (std::string("fixture") + name).c_str(), FALSE))
          << name;
    }
  }

  // Writes a table: two header lines, then the rows as given (each row's text
  // without its line break; CR LF is added, as an editor on Windows saves).
  static void WriteTable(const std::string& relativePath, const std::vector<std::string>& rows) {
    std::string text = "header one\r\nheader two\r\n";
    for (const std::string& row : rows) text += row + "\r\n";
    WriteFileBytes("fixture\\" + relativePath, text);
  }
};


#endif
