#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/base/worldstate.h"
#include "engine/files/languages.h"
#include "platform/platform.h"
#include "tests/support/test_support.h"

using testing_support::FatalError;
using testing_support::MakeTempFolder;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

namespace {

class LanguageFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    FreeLanguages();
    CaptureMissingTexts = false;
    oldDir_ = platform::CurrentDir();
    root_ = MakeTempFolder("lang");
    std::filesystem::create_directory(root_ + "UI");
    ASSERT_EQ(chdir(root_.c_str()), 0);
  }
  void TearDown() override {
    FreeLanguages();
    CaptureMissingTexts = false;
    LanguageOptions = kEngineLanguageOptions;
    platform::SetDebuggerSink(nullptr);
    ASSERT_EQ(chdir(oldDir_.c_str()), 0);
  }
  std::string oldDir_, root_;
};

TEST_F(LanguageFiles, BlocksJoinLinesWithCrLfWhateverTheFileLineEnds) {
  const char* endings[] = {"\r\n", "\n", "\r"};
  for (const char* eol : endings) {
    FreeLanguages();
    std::string e = eol;
    WriteFileBytes(root_ + "UI/English.lgd", "greeting" + e + "Hello" + e + "World" + e + "@@" + e + "EMPTY" + e +
                                                 "@@" + e + "^^" + e + "AFTER" + e + "x" + e + "@@" + e);
    LoadLanguages(root_ + "ui\\");
    ASSERT_EQ(Languages.Count, 1);
    EXPECT_EQ(CurrentLanguage->Name, "English");
    EXPECT_EQ(Translate("Greeting"), "Hello\r\nWorld") << "line end " << int(eol[0]) << int(eol[1]);
    EXPECT_EQ(Translate("EMPTY"), "");
    EXPECT_EQ(Translate("AFTER"), "!AFTER!");  // lines after "^^" are not read
  }
}

TEST_F(LanguageFiles, KeysAcrossLanguagesAndSelection) {
  WriteFileBytes(root_ + "UI/English.lgd", "ONLYEN\r\nyes\r\n@@\r\nBOTH\r\nboth-en\r\n@@\r\nBOTH\r\nlater\r\n@@\r\n^^\r\n");
  WriteFileBytes(root_ + "UI/deutsch.lgd", "BOTH\r\nbeide\r\n@@\r\n");  // no "^^": ends at the end of file
  LoadLanguages(root_ + "UI\\");
  ASSERT_EQ(Languages.Count, 2);
  EXPECT_EQ(LanguageAt(0)->Name, "deutsch");  // listed without regard to case
  EXPECT_EQ(LanguageAt(0)->Index, 1);
  EXPECT_EQ(LanguageAt(1)->Name, "English");
  EXPECT_EQ(CurrentLanguage, LanguageAt(0));
  EXPECT_EQ(Translate("BOTH"), "beide");
  EXPECT_EQ(Translate("ONLYEN"), "");  // defined only in the other language
  EXPECT_TRUE(SetLanguage("english"));
  EXPECT_EQ(Translate("both"), "later");  // a later block with the same key replaces the text
  EXPECT_FALSE(SetLanguage("Latin"));
  EXPECT_EQ(CurrentLanguage->Name, "English");
  EXPECT_EQ(LanguageTexts.Count, 2);
}

TEST_F(LanguageFiles, KeysAreKeptToTheOptionsLengthWhenStoredAndLookedUp) {
  // Two keys of 60 characters that differ only after the 50th.
  const std::string keyA = std::string(50, 'K') + std::string(10, 'A');
  const std::string keyB = std::string(50, 'K') + std::string(10, 'B');
  struct Case {
    const char* options;
    TLanguageOptions values;
    std::string storedKey;
    const char* textOfA;
    int keys;
  };
  const Case cases[] = {
      // The engine keeps 50 characters: both keys are one, and the later block's text wins.
      {"engine", kEngineLanguageOptions, std::string(50, 'K'), "b", 1},
      // The building program keeps 255: each key is stored and matched in full.
      {"building", kBuildingLanguageOptions, keyA, "a", 2},
  };
  for (const Case& c : cases) {
    FreeLanguages();
    LanguageOptions = c.values;
    WriteFileBytes(root_ + "UI/English.lgd", keyA + "\r\na\r\n@@\r\n" + keyB + "\r\nb\r\n@@\r\n");
    LoadLanguages(root_ + "UI\\");
    EXPECT_EQ(LanguageTexts.Count, c.keys) << c.options;
    EXPECT_EQ(LanguageTextAt(0)->Key.str(), c.storedKey) << c.options;
    EXPECT_EQ(Translate(keyA), c.textOfA) << c.options;
    EXPECT_EQ(Translate(keyB), "b") << c.options;
  }
  // Only the building program's full key tells a 50-character prefix from the key itself.
  EXPECT_EQ(Translate(std::string(50, 'K')), "!" + std::string(50, 'K') + "!");
}

TEST_F(LanguageFiles, BuildingOptionsReadBaseUiAndWriteNoDebuggerLines) {
  WriteFileBytes(root_ + "UI/English.lgd", "A\r\na\r\n@@\r\n");
  WriteFileBytes(root_ + "UI/Deutsch.lgd", "A\r\nb\r\n@@\r\n");
  const std::string oldBase = Base_DIR.str();
  Base_DIR = root_;
  LanguageOptions = kBuildingLanguageOptions;
  testing_support::CaptureDebugger();
  LoadLanguages();
  EXPECT_TRUE(SetLanguage("English"));
  EXPECT_TRUE(testing_support::DebuggerLines().empty());
  Base_DIR = oldBase;
  ASSERT_EQ(Languages.Count, 2);
  EXPECT_EQ(Translate("a"), "a");
}

TEST_F(LanguageFiles, MissingKeyIsCapturedAndTheToolStartsOncePerKey) {
  WriteFileBytes(root_ + "UI/English.lgd", "A\r\na\r\n@@\r\n");
  LoadLanguages(root_ + "UI\\");
  // A stand-in translation tool that counts its runs.
  WriteFileBytes(root_ + "quenlory.exe", "#!/bin/sh\necho run >> runs.txt\n");
  ASSERT_EQ(chmod((root_ + "quenlory.exe").c_str(), 0755), 0);
  CaptureMissingTexts = true;
  EXPECT_EQ(Translate("foo"), "!FOO!");
  EXPECT_EQ(ReadFileBytes(root_ + "debugl.txt"), "FOO\r\n");
  EXPECT_EQ(Translate("FOO"), "!FOO!");
  EXPECT_EQ(ReadFileBytes(root_ + "runs.txt"), "run\n");
  EXPECT_EQ(Translate("bar"), "!BAR!");
  EXPECT_EQ(ReadFileBytes(root_ + "debugl.txt"), "BAR\r\n");
  EXPECT_EQ(ReadFileBytes(root_ + "runs.txt"), "run\nrun\n");
  EXPECT_EQ(CurrentLanguage->Name, "English");
}

TEST_F(LanguageFiles, WithoutTheToolOnlyThePlaceholderAndTheFileRemain) {
  WriteFileBytes(root_ + "UI/English.lgd", "A\r\na\r\n@@\r\n");
  LoadLanguages(root_ + "UI\\");
  EXPECT_EQ(Translate("nope"), "!NOPE!");
  EXPECT_FALSE(std::filesystem::exists(root_ + "debugl.txt"));  // capture is off
  CaptureMissingTexts = true;
  EXPECT_EQ(Translate("nope"), "!NOPE!");
  EXPECT_EQ(ReadFileBytes(root_ + "debugl.txt"), "NOPE\r\n");
}

TEST_F(LanguageFiles, AtMostTwentyFilesAreLoaded) {
  for (int i = 0; i < 21; ++i) {
    char name[16];
    std::snprintf(name, sizeof(name), "L%02d.lgd", i);
    WriteFileBytes(root_ + "UI/" + name, "K\r\n" + std::string(name) + "\r\n@@\r\n");
  }
  LoadLanguages(root_ + "UI\\");
  ASSERT_EQ(Languages.Count, 20);
  EXPECT_EQ(LanguageAt(19)->Name, "L19");
  EXPECT_TRUE(SetLanguage("L19"));
  EXPECT_EQ(Translate("K"), "L19.lgd");
}

TEST_F(LanguageFiles, FatalCases) {
  try {
    LoadLanguageFile(1, root_ + "UI\\missing.lgd");
    ADD_FAILURE() << "no fatal stop";
  } catch (const FatalError& e) {
    EXPECT_EQ(std::string(e.what()), "FATAL ERROR: missing file " + root_ + "UI\\missing.lgd PROGRAM TERMINATES!");
  }
  // No language file at all: the list's index error.
  EXPECT_THROW(LoadLanguages(root_ + "UI\\"), FatalError);
}

TEST_F(LanguageFiles, SetMissingTextStoresOnlyForAKnownLanguage) {
  WriteFileBytes(root_ + "UI/English.lgd", "A\r\na\r\n@@\r\n");
  LoadLanguages(root_ + "UI\\");
  SetMissingText("NEW", "neu", "ENGLISH");
  EXPECT_EQ(Translate("NEW"), "neu");
  SetMissingText("OTHER", "x", "Klingon");
  EXPECT_EQ(Translate("OTHER"), "");  // the key exists now, without a text
}

}  // namespace
