#include <gtest/gtest.h>

#include <filesystem>

#include "platform/platform.h"
#include "tests/support/test_support.h"

namespace {

TEST(DiskPath, ResolvesSystemNamesInAnyCase) {
  const std::string root = testing_support::MakeTempFolder("paths");
  std::filesystem::create_directories(root + "Gfx/Trees");
  testing_support::WriteFileBytes(root + "Gfx/Trees/Oak.Bmp", "x");
  struct Case {
    std::string name, expected;
  };
  const Case cases[] = {
      {root + "GFX\\TREES\\OAK.BMP", root + "Gfx/Trees/Oak.Bmp"},
      {root + "gfx\\trees\\oak.bmp", root + "Gfx/Trees/Oak.Bmp"},
      {root + "Gfx/Trees/Oak.Bmp", root + "Gfx/Trees/Oak.Bmp"},
      // A name that matches nothing keeps its own spelling, so a new file can be made there.
      {root + "GFX\\new.bmp", root + "Gfx/new.bmp"},
      {root + "gfx\\", root + "Gfx/"},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::DiskPath(c.name), c.expected) << c.name;
}

TEST(DiskPath, ExactMatchWinsOverOtherCase) {
  const std::string root = testing_support::MakeTempFolder("exact");
  testing_support::WriteFileBytes(root + "DATA.TXT", "upper");
  testing_support::WriteFileBytes(root + "data.txt", "lower");
  EXPECT_EQ(platform::DiskPath(root + "data.txt"), root + "data.txt");
  EXPECT_EQ(platform::DiskPath(root + "DATA.TXT"), root + "DATA.TXT");
  // Neither spelling: the first in listing order.
  EXPECT_EQ(platform::DiskPath(root + "Data.txt"), root + "DATA.TXT");
}

TEST(ListFolder, SortsWithoutRegardToCase) {
  const std::string root = testing_support::MakeTempFolder("list");
  for (const char* n : {"b.vif", "A.vif", "c.VIF"}) testing_support::WriteFileBytes(root + n, "");
  std::filesystem::create_directories(root + "Sub");
  EXPECT_EQ(platform::ListFolder(root, false), (std::vector<std::string>{"A.vif", "b.vif", "c.VIF"}));
  EXPECT_EQ(platform::ListFolder(root, true), (std::vector<std::string>{"Sub"}));
}

TEST(Process, RunsAndWaitsForExitCode) {
  EXPECT_EQ(platform::RunProcessAndWait("/bin/sh", {"-c", "exit 3"}), 3);
  EXPECT_EQ(platform::RunProcessAndWait("/nonexistent/tool", {}), -1);
}

TEST(Library, LoadsByNameAndFindsEntryPoints) {
  void* gl = platform::LoadLibrary("libGL.so.1");
  ASSERT_NE(gl, nullptr);
  EXPECT_NE(platform::GetProcAddress(gl, "glClear"), nullptr);
  EXPECT_EQ(platform::GetProcAddress(gl, "glNoSuchCall"), nullptr);
  platform::FreeLibrary(gl);
  EXPECT_EQ(platform::LoadLibrary("libno-such-library.so"), nullptr);
}

}  // namespace
