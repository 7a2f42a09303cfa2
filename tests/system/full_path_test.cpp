#include <gtest/gtest.h>

#include <string>

#include "Ombrel.h"
#include "system/full_path.h"

namespace {

struct Case {
  const char* path;
  const char* base;
  const char* expected;
};

TEST(FullPathTest, BuildsTheFullFormAgainstABase) {
  const Case cases[] = {
      {"..\\data\\a.png", "C:\\game\\bin", "C:\\game\\data\\a.png"},
      {"\\x", "D:\\y", "D:\\x"},
      {"C:", "D:\\y", "C:"},
      {"a\\..", "C:\\b", "C:\\b\\a\\.."},  // the last component is not interpreted
      {"a//b", "C:\\", "C:\\a\\b"},
      {"..\\x", "C:\\", "C:\\x"},  // ".." at a drive root keeps the drive
      {"./a/./b", "C:\\g", "C:\\g\\a\\b"},
      {"C:name", "D:\\y", "C:\\name"},
      {"C:/a/b", "D:\\y", "C:\\a\\b"},
      {"\\\\server\\share\\f", "C:\\", "\\\\server\\share\\f"},
      {"\\\\server\\..\\..\\f", "C:\\", "\\\\f"},  // the network prefix stays
      {"a\\b\\", "C:\\g\\", "C:\\g\\a\\b"},
      {"Data\\Map.png", "c:\\Game", "c:\\Game\\Data\\Map.png"},  // the case stays
  };
  for (const Case& c : cases) {
    char out[260];
    ASSERT_EQ(BuildFullPath(c.path, c.base, out, sizeof out, 1, false), 0) << c.path;
    EXPECT_STREQ(out, c.expected) << c.path << " against " << c.base;
  }
}

TEST(FullPathTest, ArchiveFormUpperCasesButKeepsDoubleByteCharacters) {
  // "ソ" is 0x83 0x5C: its trail byte is a backslash and must not split.
  const Case cases[] = {
      {"..\\data\\map\\x.png", "c:\\game\\bin", "C:\\GAME\\DATA\\MAP\\X.PNG"},
      {"ソa\\b", "c:\\g", "C:\\G\\ソA\\B"},
      {"..\\..\\ソ\\x", "c:\\g\\ソ\\h", "C:\\G\\ソ\\X"},
  };
  for (const Case& c : cases) {
    char out[256];
    ASSERT_EQ(BuildFullPath(c.path, c.base, out, sizeof out, 1, true), 0) << c.path;
    EXPECT_STREQ(out, c.expected) << c.path;
  }
}

TEST(FullPathTest, RefusesResultsThatDoNotFit) {
  const std::string deep = "C:\\" + std::string(200, 'd');
  char out[256];
  EXPECT_EQ(BuildFullPath("short", deep.c_str(), out, sizeof out, 1, false), 0);
  EXPECT_EQ(BuildFullPath(std::string(60, 'x').c_str(), deep.c_str(), out, sizeof out, 1, false), -1);
  EXPECT_EQ(BuildFullPath(std::string(256, 'c').c_str(), "C:\\", out, 300, 1, false), -1)
      << "a component holds at most 255 bytes";
  char tiny[4];
  EXPECT_EQ(BuildFullPath("ab", "C:\\", tiny, sizeof tiny, 1, false), -1);
}

TEST(FullPathTest, MakeFullPathUsesTheCurrentFolderWithoutABase) {
  char current[260];
  ASSERT_EQ(MakeFullPath(nullptr, current, nullptr), 0);
  char out[260];
  ASSERT_EQ(MakeFullPath("x\\..\\y.txt", out, nullptr), 0);
  EXPECT_EQ(std::string(out), std::string(current) + "\\y.txt");
  ASSERT_EQ(MakeFullPath("y.txt", out, "E:\\base"), 0);
  EXPECT_STREQ(out, "E:\\base\\y.txt");
}

}  // namespace
