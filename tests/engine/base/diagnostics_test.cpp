#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "platform/platform.h"
#include "tests/support/test_support.h"

using testing_support::FatalError;
using testing_support::MakeTempFolder;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

namespace {

class DebugLog : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeTempFolder("syslog");
    sys_test::SetLogFolder(folder_);
    testing_support::CaptureDebugger();
    GameTime = 0;
  }
  void TearDown() override {
    platform::SetDebuggerSink(nullptr);
    GameTime = 0;
    DebugFileOpen = false;
  }
  std::string folder_;
};

TEST_F(DebugLog, HeaderWarningAndFatalLinesHaveTheirExactBytes) {
  SYS_InitDebugFile(false);
  ASSERT_TRUE(DebugFileOpen);
  EXPECT_EQ(SYS_DebugFileName(), folder_ + "SYS_Debug.txt");
  GameTime = 42;
  SYS_Warning("Base_DIR=C:\\game\\");
  const std::string msg(250, 'm');
  EXPECT_THROW(SYS_BREAKPROGRAM(msg), FatalError);

  const std::string fatal = "FATAL ERROR: " + msg + " PROGRAM TERMINATES!";
  const std::string expected =
      "Ostrel Debugfile\r\n42:Base_DIR=C:\\game\\\r\n42:" + fatal.substr(0, 255) + "\r\n";
  EXPECT_EQ(ReadFileBytes(folder_ + "SYS_Debug.txt"), expected);
  // The text after the game time is 255 characters and ends inside the message.
  EXPECT_EQ(fatal.substr(0, 255).back(), 'm');
}

TEST_F(DebugLog, DebuggerReceivesWarningsAndFatalTextCutTo254) {
  SYS_InitDebugFile(false);
  SYS_Warning("careful");
  SYS_DebugOut("progress");
  EXPECT_THROW(SYS_BREAKPROGRAM(std::string(300, 'x')), FatalError);
  ASSERT_EQ(testing_support::DebuggerLines().size(), 4u);
  EXPECT_EQ(testing_support::DebuggerLines()[0], "Initializing SYS_Debug.txt...");
  EXPECT_EQ(testing_support::DebuggerLines()[1], "Warning: careful");
  EXPECT_EQ(testing_support::DebuggerLines()[2], "progress");
  EXPECT_EQ(testing_support::DebuggerLines()[3].size(), 254u);
  EXPECT_EQ(testing_support::DebuggerLines()[3].rfind("SYS_BREAKPROGRAM: FATAL ERROR: xxx", 0), 0u);
}

TEST_F(DebugLog, WarningBeforeTheLogExistsWritesNoFile) {
  DebugFileOpen = false;
  SYS_Warning("early");
  EXPECT_FALSE(std::filesystem::exists(folder_ + "SYS_Debug.txt"));
  ASSERT_EQ(testing_support::DebuggerLines().size(), 1u);
  EXPECT_EQ(testing_support::DebuggerLines()[0], "Warning: early");
}

TEST_F(DebugLog, PlainNameReplacesAnOldLog) {
  WriteFileBytes(folder_ + "SYS_Debug.txt", "old contents of a long previous run\r\n");
  SYS_InitDebugFile(false);
  EXPECT_EQ(ReadFileBytes(folder_ + "SYS_Debug.txt"), "Ostrel Debugfile\r\n");
}

TEST_F(DebugLog, NumberedModeTakesTheFirstFreeNumber) {
  struct Case {
    std::vector<int> present;
    int expected;
  };
  const Case cases[] = {{{}, 1}, {{1, 2}, 3}, {{1, 3}, 2}, {{2}, 1}};
  for (const Case& c : cases) {
    folder_ = MakeTempFolder("numbered");
    sys_test::SetLogFolder(folder_);
    for (int n : c.present) WriteFileBytes(folder_ + "SYS_Debug_" + std::to_string(n) + ".txt", "x");
    SYS_InitDebugFile(true);
    EXPECT_EQ(SYS_DebugFileName(), folder_ + "SYS_Debug_" + std::to_string(c.expected) + ".txt");
    EXPECT_EQ(ReadFileBytes(SYS_DebugFileName()), "Ostrel Debugfile\r\n");
  }
}

TEST_F(DebugLog, AnUncreatableLogStaysClosedSilently) {
  sys_test::SetLogFolder(folder_ + "missing/folder/");
  SYS_InitDebugFile(false);
  EXPECT_FALSE(DebugFileOpen);
  SYS_Warning("still fine");
  EXPECT_EQ(testing_support::DebuggerLines().back(), "Warning: still fine");
}

// The building program's profile: its log lies in the folder current at start.
class BuildingDebugLog : public ::testing::Test {
 protected:
  void SetUp() override {
    oldDir_ = platform::CurrentDir();
    start_ = MakeTempFolder("buildstart");
    ASSERT_TRUE(platform::SetCurrentDir(start_));
    sys_test::SetLogFolder("");  // no seam: the profile's own folder
    SYS_SetProfile(kBuildingSysProfile);
    testing_support::CaptureDebugger();
    GameTime = 42;  // a building warning carries no game time
  }
  void TearDown() override {
    SYS_SetProfile(kEngineSysProfile);
    sys_test::SetLogFolder(MakeTempFolder("log"));
    platform::SetDebuggerSink(nullptr);
    GameTime = 0;
    DebugFileOpen = false;
    ASSERT_TRUE(platform::SetCurrentDir(oldDir_));
  }
  std::string oldDir_, start_;
};

TEST_F(BuildingDebugLog, HeaderAndWarningLinesHaveTheirExactBytes) {
  WriteFileBytes(start_ + "SYS_debug.txt", "a long previous run\r\n");
  SYS_InitDebugFile(true);  // there is no numbered variant
  ASSERT_TRUE(DebugFileOpen);
  EXPECT_EQ(SYS_DebugFileName(), start_ + "SYS_debug.txt");
  SYS_Warning("careful");
  const std::string longMsg(300, 'm');
  SYS_Warning(longMsg);
  EXPECT_EQ(ReadFileBytes(start_ + "SYS_debug.txt"),
            "Ostrel Debugfile (initialized by SYS)\r\ncareful\r\n" + std::string(255, 'm') + "\r\n");
  // Nothing reaches the debugger at start; a warning arrives as "ErrorMessage: " + text, cut to 255.
  ASSERT_EQ(testing_support::DebuggerLines().size(), 2u);
  EXPECT_EQ(testing_support::DebuggerLines()[0], "ErrorMessage: careful");
  EXPECT_EQ(testing_support::DebuggerLines()[1], "ErrorMessage: " + std::string(255 - 14, 'm'));
}

TEST_F(BuildingDebugLog, TwoStartsLeaveOnlyTheSecondRunsLines) {
  SYS_InitDebugFile(false);
  SYS_Warning("first run");
  SYS_InitDebugFile(false);
  SYS_Warning("second run");
  EXPECT_EQ(ReadFileBytes(start_ + "SYS_debug.txt"), "Ostrel Debugfile (initialized by SYS)\r\nsecond run\r\n");
  // One log of a fixed name: no numbered variant beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(start_), std::filesystem::directory_iterator{}), 1);
}

TEST_F(BuildingDebugLog, AWarningAfterTheCurrentFolderChangedGoesToTheFirstFile) {
  SYS_InitDebugFile(false);
  const std::string work = MakeTempFolder("buildwork");
  ASSERT_TRUE(platform::SetCurrentDir(work));
  SYS_Warning("after the change");
  EXPECT_EQ(ReadFileBytes(start_ + "SYS_debug.txt"),
            "Ostrel Debugfile (initialized by SYS)\r\nafter the change\r\n");
  EXPECT_FALSE(std::filesystem::exists(work + "SYS_debug.txt"));
  // The folder stays the one of the start, for the program's other logs too.
  EXPECT_EQ(SYS_LogFolder(), start_);
}

std::vector<std::string> g_cleanup;

TEST(FatalStop, CleansUpInOrderThenEnds) {
  g_cleanup.clear();
  sys_hooks::ArrayerFree = [] { g_cleanup.push_back("store freed"); };
  sys_hooks::GraDone = [] { g_cleanup.push_back("graphics done"); };
  try {
    SYS_BREAKPROGRAM("broken");
    FAIL() << "the fatal stop returned";
  } catch (const FatalError& e) {
    g_cleanup.push_back("ended");
    EXPECT_STREQ(e.what(), "FATAL ERROR: broken PROGRAM TERMINATES!");
  }
  sys_hooks::ArrayerFree = nullptr;
  sys_hooks::GraDone = nullptr;
  EXPECT_EQ(g_cleanup, (std::vector<std::string>{"store freed", "graphics done", "ended"}));
}

uint32_t g_fakeTicks = 0;

TEST(FatalStop, WaitsTheFullTimeAcrossATickWrap) {
  // The clock starts just below the wrap and advances 1,000 ms per reading.
  g_fakeTicks = 0xFFFFF000u;
  platform::SetTickSource([] { return g_fakeTicks += 1000; });
  sys_test::SetFatalWait(10000);
  uint32_t endedAt = 0;
  try {
    SYS_BREAKPROGRAM("wrap");
  } catch (const FatalError&) {
    endedAt = g_fakeTicks;
  }
  platform::SetTickSource(nullptr);
  sys_test::SetFatalWait(0);
  // T0 was read at 0xFFFFF000 + 1000; the loop ends on the first reading more than 10,000 later.
  EXPECT_EQ(static_cast<uint32_t>(endedAt - (0xFFFFF000u + 1000)), 11000u);
}

TEST(FatalStopDeathTest, EndsTheProcessWithNonZeroStatus) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        sys_test::SetFatalSink(nullptr);
        sys_test::SetFatalWait(0);
        SYS_BREAKPROGRAM("stop");
      },
      ::testing::ExitedWithCode(1), "");
  EXPECT_EXIT(
      {
        sys_test::SetFatalSink(nullptr);
        platform::SetMessageBoxSink([](const std::string&, const std::string&) {});
        SYS_FatalBox(10);
      },
      ::testing::ExitedWithCode(1), "");
}

TEST(FatalBox, TextsByCode) {
  const std::pair<uint16_t, const char*> table[] = {
      {1, "Could not register sfWindow class"}, {2, "Could not create sfWindow"},
      {5, "Cannot ChoosePixelFormat"},          {6, "Cannot SetPixelFormat"},
      {7, "Cannot DescribePixelFormat"},        {10, "There's no OpenGL renderer"},
      {11, "Cannot find OpenGL version"},       {14, "You have to restart to change display mode"},
      {15, "Bad display mode flags"},           {16, "Failed in changing resolution"},
      {17, "Display mode not supported"},       {18, "Registry could not be updated"},
      {19, "Couldn't restore old display settings!"}, {3, ""}, {20, ""}};
  for (auto& [code, text] : table) EXPECT_EQ(SYS_FatalBoxText(code), text) << code;
}

TEST(DisplayMode, RestoreWithNothingChangedDoesNothing) {
  SYS_RestoreDisplayMode();
  EXPECT_FALSE(DisplayModeChanged);
  EXPECT_TRUE(SYS_SetDisplayMode(0, 0, 0));   // the current mode: nothing to do
  EXPECT_FALSE(SYS_SetDisplayMode(800, 600, 32));  // no mode is listed here
  EXPECT_FALSE(DisplayModeChanged);
}

TEST(SysFiles, ExtractPathAndFileExists) {
  std::string path;
  SYS_ExtractPath("C:\\game\\vehicles\\bus.vif", path);
  EXPECT_EQ(path, "C:\\game\\vehicles\\");
  SYS_ExtractPath("bus.vif", path);
  EXPECT_EQ(path, "");
  const std::string folder = MakeTempFolder("exists");
  WriteFileBytes(folder + "here.txt", "1");
  EXPECT_TRUE(SYS_FileExists(folder + "here.txt"));
  EXPECT_FALSE(SYS_FileExists(folder + "gone.txt"));
  // A folder opens for reading on this platform, but it is no file.
  std::filesystem::create_directory(folder + "sub.txt");
  EXPECT_FALSE(SYS_FileExists(folder + "sub.txt"));
}

}  // namespace
