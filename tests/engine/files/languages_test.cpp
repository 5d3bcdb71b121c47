#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

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

TEST_F(LanguageFiles, LongKeysAreCutTo50WhenStoredAndLookedUp) {
  const std::string longKey(60, 'K');
  WriteFileBytes(root_ + "UI/English.lgd", longKey + "\r\ntext\r\n@@\r\n");
  LoadLanguages(root_ + "UI\\");
  EXPECT_EQ(LanguageTextAt(0)->Key.str(), std::string(50, 'K'));
  EXPECT_EQ(Translate(longKey), "text");
  EXPECT_EQ(Translate(std::string(50, 'K') + "other"), "text");
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
