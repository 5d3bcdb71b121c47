#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "apps/common/startup.h"
#include "engine/base/worldstate.h"
#include "platform/platform.h"
#include "tests/support/test_support.h"

using testing_support::MakeTempFolder;
using testing_support::WriteFileBytes;

namespace {

// Both editors read their own ini file by the same rules.
class IniFile : public ::testing::TestWithParam<const char*> {};

TEST_P(IniFile, FirstLineNamesTheBaseDirectory) {
  struct Case {
    const char* what;
    const char* ini;  // nullptr: no ini file
    std::string expected;
  };
  const Case cases[] = {
      {"no ini file", nullptr, "/prog/"},
      {"plain line", "C:\\Game", "C:\\Game\\"},
      {"trailing separator doubles", "C:\\Game\\", "C:\\Game\\\\"},
      {"CR LF ends the line", "/data/game\r\nsecond line\r\n", "/data/game\\"},
      {"LF ends the line", "/data/game\nsecond", "/data/game\\"},
      {"CR ends the line", "/data/game\rsecond", "/data/game\\"},
      {"empty file", "", "\\"},
  };
  for (const Case& c : cases) {
    const std::string folder = MakeTempFolder("ini");
    if (c.ini) WriteFileBytes(folder + GetParam(), c.ini);
    std::string base, error;
    EXPECT_TRUE(appcommon::ReadBaseDirectory(folder, GetParam(), "/prog/", base, error)) << c.what;
    EXPECT_EQ(base, c.expected) << c.what;
  }
}

TEST_P(IniFile, LineIsCutTo255Characters) {
  const std::string folder = MakeTempFolder("ini");
  WriteFileBytes(folder + GetParam(), std::string(300, 'a') + "\r\n");
  std::string base, error;
  ASSERT_TRUE(appcommon::ReadBaseDirectory(folder, GetParam(), "/prog/", base, error));
  EXPECT_EQ(base, std::string(255, 'a') + "\\");
}

TEST_P(IniFile, UnreadableIniNamesThePath) {
  const std::string folder = MakeTempFolder("ini");
  std::filesystem::create_directory(folder + GetParam());  // a folder cannot be read as a file
  std::string base = "unchanged", error;
  EXPECT_FALSE(appcommon::ReadBaseDirectory(folder, GetParam(), "/prog/", base, error));
  EXPECT_NE(error.find(folder + GetParam()), std::string::npos) << error;
  EXPECT_EQ(base, "unchanged");
}

TEST_P(IniFile, OnlyItsOwnIniCounts) {
  const std::string folder = MakeTempFolder("ini");
  const std::string other = std::string(GetParam()) == "vadrel.ini" ? "brumin.ini" : "vadrel.ini";
  WriteFileBytes(folder + other, "/elsewhere\r\n");
  std::string base, error;
  ASSERT_TRUE(appcommon::ReadBaseDirectory(folder, GetParam(), "/prog/", base, error));
  EXPECT_EQ(base, "/prog/");
}

// Start-up reads the ini of the current folder and wants an existing base folder.
TEST_P(IniFile, StartFoldersNeedAnExistingBaseFolder) {
  const std::string oldDir = platform::CurrentDir();
  const std::string folder = MakeTempFolder("ini");
  ASSERT_EQ(chdir(folder.c_str()), 0);
  WriteFileBytes(folder + GetParam(), folder.substr(0, folder.size() - 1) + "\r\n");
  std::string error;
  EXPECT_TRUE(appcommon::SetStartFolders(GetParam(), "work\\", error)) << error;
  const std::string base = folder.substr(0, folder.size() - 1) + "\\";
  EXPECT_EQ(Base_DIR.str(), base);
  EXPECT_EQ(Work_DIR.str(), base + "work\\");

  WriteFileBytes(folder + GetParam(), folder + "nowhere\r\n");
  EXPECT_FALSE(appcommon::SetStartFolders(GetParam(), "other\\", error));
  EXPECT_EQ(error, "I/O error 2 (No such file or directory): " + folder + "nowhere/");
  EXPECT_EQ(Base_DIR.str(), base);
  EXPECT_EQ(Work_DIR.str(), base + "work\\");
  ASSERT_EQ(chdir(oldDir.c_str()), 0);
}

INSTANTIATE_TEST_SUITE_P(BothEditors, IniFile, ::testing::Values("vadrel.ini", "brumin.ini"));

}  // namespace
