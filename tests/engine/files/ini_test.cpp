#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <unistd.h>

#include "engine/base/text.h"
#include "engine/files/ini.h"
#include "engine/files/repository.h"
#include "platform/platform.h"
#include "tests/support/test_support.h"

using testing_support::FatalError;
using testing_support::MakeTempFolder;
using testing_support::WriteFileBytes;

namespace {

class FastIni : public ::testing::Test {
 protected:
  void SetUp() override {
    oldDir_ = platform::CurrentDir();
    root_ = MakeTempFolder("ini");
    ASSERT_EQ(chdir(root_.c_str()), 0);
    ini_ = std::make_unique<TFastIni>();
  }
  void TearDown() override {
    platform::SetDebuggerSink(nullptr);
    xCloseArchive();
    ASSERT_EQ(chdir(oldDir_.c_str()), 0);
  }
  void Load(const std::string& text) {
    WriteFileBytes(root_ + "news.ini", text);
    LoadIni(*ini_, "news.ini");
  }
  std::string oldDir_, root_;
  std::unique_ptr<TFastIni> ini_;
};

TEST_F(FastIni, ReadsUpperCasedValuesAndKeepsBlanksInKeys) {
  Load("[News]\r\ntitle=Hello World\r\ncount = 12\r\nvalue=12X\r\nempty=\r\n");
  std::string value;
  ReadString(*ini_, "news", "TITLE", "x", value);
  EXPECT_EQ(value, "HELLO WORLD");
  EXPECT_EQ(ReadInteger(*ini_, "NEWS", "COUNT", 5), 5);  // the key text is "COUNT "
  EXPECT_EQ(ReadInteger(*ini_, "NEWS", "count ", 5), 12);
  EXPECT_EQ(ReadInteger(*ini_, "NEWS", "VALUE", 5), 12);
  EXPECT_EQ(ReadInteger(*ini_, "NEWS", "EMPTY", 5), 0);  // an empty value is 0, not the default
  ReadString(*ini_, "other", "TITLE", "fallback", value);
  EXPECT_EQ(value, "fallback");
}

TEST_F(FastIni, DropsLayoutLinesAtLoad) {
  Load("[A]\r\nCaption=Text\r\nClass=Image\r\nClass=Button\r\nclass=center\r\n\r\nParent=x\r\nAnchor=y\r\n"
       "Absolute=1\r\nStretch=0\r\nK=V\r\n");
  ASSERT_EQ(ini_->Count, 4);
  EXPECT_EQ(ini_->Lines[1].str(), "[A]");
  EXPECT_EQ(ini_->Lines[2].str(), "CLASS=IMAGE");
  EXPECT_EQ(ini_->Lines[3].str(), "CLASS=CENTER");
  EXPECT_EQ(ini_->Lines[4].str(), "K=V");
}

TEST_F(FastIni, LinesAreCutTo31Characters) {
  Load("[S]\r\nKEY=" + std::string(40, 'v') + "\r\n");
  std::string value;
  ReadString(*ini_, "S", "KEY", "", value);
  EXPECT_EQ(value, std::string(27, 'V'));
}

TEST_F(FastIni, SectionEndsAtTheNextBracketAndLastSectionIsReused) {
  Load("[ONE]\r\nA=1\r\n[TWO]\r\nB=2\r\nC=3\r\n");
  EXPECT_EQ(FindKey(*ini_, "ONE", "B"), 0);  // B stands only in a later section
  EXPECT_EQ(ini_->LastSection, 1);
  EXPECT_EQ(FindKey(*ini_, "TWO", "B"), 4);
  EXPECT_EQ(ini_->LastSection, 3);
  // The remembered section is taken as it stands: even a stale line there is trusted first.
  ini_->Lines[1] = std::string("[TWO]");
  EXPECT_EQ(FindKey(*ini_, "two", "C"), 5);
  EXPECT_EQ(ini_->LastSection, 3);
  EXPECT_EQ(FindKey(*ini_, "three", "C"), 0);
  std::string value;
  IniLineValue("NOEQUALS", value);
  EXPECT_EQ(value, "");
  IniLineValue("K=" + std::string(60, 'x'), value);
  EXPECT_EQ(value.size(), 50u);
}

TEST_F(FastIni, At2250LinesTheLoadStops) {
  std::string text;
  for (int i = 0; i < 2249; ++i) text += "K" + std::to_string(i) + "=1\r\n";
  Load(text);
  EXPECT_EQ(ini_->Count, 2249);
  EXPECT_GE(IniMaxLines, 2249);
  WriteFileBytes(root_ + "long.ini", text + "ONEMORE=1\r\n");
  try {
    LoadIni(*ini_, "long.ini");
    FAIL() << "no fatal stop";
  } catch (const FatalError& e) {
    EXPECT_STREQ(e.what(), "FATAL ERROR: Inifile too long: long.ini PROGRAM TERMINATES!");
  }
}

TEST_F(FastIni, MissingFileWarnsThenStopsInTheRepository) {
  // A folder of the name is no file either.
  std::filesystem::create_directory(root_ + "folder.ini");
  for (const std::string name : {"gone.ini", "folder.ini"}) {
    testing_support::CaptureDebugger();
    try {
      LoadIni(*ini_, name);
      ADD_FAILURE() << "no fatal stop for " << name;
    } catch (const FatalError& e) {
      EXPECT_EQ(e.what(), "FATAL ERROR: QZRepository: xReset: There was an error with this file: " + UpperShort(name) +
                              " PROGRAM TERMINATES!");
    }
    EXPECT_EQ(testing_support::Warnings(), std::vector<std::string>{"Error: Missing File: " + name});
  }
}

// An archive entry whose directory promises more bytes than the archive holds: the load ends
// where the reading stops moving, with the lines read so far.
TEST_F(FastIni, LoadEndsWhereTheReadingStopsMoving) {
  std::string bytes = "[A]\r\nK=V\r\n";
  xScramble(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size(), 0);
  WriteFileBytes(root_ + "data.arc", bytes);
  ASSERT_TRUE(xOpenArchive(root_ + "data.arc", {{"NEWS.INI", 40, 0}}));
  testing_support::CaptureDebugger();
  LoadIni(*ini_, "news.ini");
  ASSERT_EQ(ini_->Count, 2);
  EXPECT_EQ(ini_->Lines[2].str(), "K=V");
  EXPECT_FALSE(testing_support::Warnings().empty());  // the short entry is warned by the repository
}

}  // namespace
