#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "engine/base/diagnostics.h"
#include "engine/files/repository.h"
#include "platform/platform.h"
#include "tests/support/test_support.h"

using testing_support::FatalError;
using testing_support::MakeTempFolder;
using testing_support::OpenFileCount;
using testing_support::WriteFileBytes;

namespace {

class Repository : public ::testing::Test {
 protected:
  void SetUp() override {
    oldDir_ = platform::CurrentDir();
    root_ = MakeTempFolder("repo");
    ASSERT_EQ(chdir(root_.c_str()), 0);
  }
  void TearDown() override {
    xCloseArchive();
    ASSERT_EQ(chdir(oldDir_.c_str()), 0);
  }

  // Writes an archive holding the given entries (scrambled) after a few bytes of padding.
  void MakeArchive(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string bytes = "PAD!";
    std::vector<TArchiveEntry> dir;
    for (auto& [name, content] : entries) {
      std::string scrambled = content;
      xScramble(reinterpret_cast<uint8_t*>(scrambled.data()), scrambled.size(), 0);
      dir.push_back({name, static_cast<uint32_t>(content.size()), static_cast<uint32_t>(bytes.size())});
      bytes += scrambled;
    }
    WriteFileBytes(root_ + "data.arc", bytes);
    ASSERT_TRUE(xOpenArchive(root_ + "data.arc", dir));
  }

  std::string oldDir_, root_;
};

// Reads the handle's whole content in blocks of 8, checking positions and the end flag.
std::string ReadInBlocks(TRepositoryFile& f, std::vector<int32_t>& counts) {
  std::string all;
  char buf[8];
  for (int i = 0; i < 4; ++i) {
    int32_t n = xBlockRead(f, buf, 8);
    counts.push_back(n);
    all.append(buf, static_cast<size_t>(n));
  }
  return all;
}

TEST_F(Repository, DiskFileAndArchiveEntryReadAlike) {
  const std::string content = "0123456789";
  std::filesystem::create_directories(root_ + "gfx");
  WriteFileBytes(root_ + "gfx/tree.bmp", content);
  MakeArchive({{"gfx\\bush.bmp", content}});

  for (const char* name : {"\\gfx\\tree.bmp", "GFX\\BUSH.BMP"}) {
    TRepositoryFile f;
    xAssign(f, name);
    ASSERT_EQ(f.Opened, 1) << name;
    xReset(f, 1);
    EXPECT_EQ(xFileSize(f), 10);
    std::vector<int32_t> counts;
    EXPECT_EQ(ReadInBlocks(f, counts), content) << name;
    EXPECT_EQ(counts, (std::vector<int32_t>{8, 2, 0, 0})) << name;
    EXPECT_TRUE(xEof(f));
    xSeek(f, 3);
    char buf[4] = {};
    EXPECT_EQ(xBlockRead(f, buf, 4), 4);
    EXPECT_EQ(std::string(buf, 4), "3456") << name;
    EXPECT_EQ(xFilePos(f), 7);
    EXPECT_EQ(xBlockRead(f, buf, -5), 0);  // a negative count reads nothing
    EXPECT_EQ(xFilePos(f), 7);
    xClose(f);
  }
}

TEST_F(Repository, ArchiveSlicesDescrambleAlikeAndSeekStopsAtTheEnd) {
  std::string content;
  for (int i = 0; i < 200; ++i) content.push_back(static_cast<char>(i * 7));
  MakeArchive({{"a.bin", "first"}, {"b.bin", content}});
  TRepositoryFile f;
  xAssign(f, "b.bin");
  ASSERT_EQ(f.Opened, 1);
  EXPECT_EQ(LastFileSource, 2);
  xReset(f, 1);
  xSeek(f, 61);  // a slice crossing the table's wrap at 64
  char buf[10];
  ASSERT_EQ(xBlockRead(f, buf, 10), 10);
  EXPECT_EQ(std::string(buf, 10), content.substr(61, 10));
  xSeek(f, 5000);
  EXPECT_EQ(xFilePos(f), 200);
  EXPECT_EQ(xBlockRead(f, buf, 10), 0);
  // Records of 4 bytes, cut at the entry's end.
  xSeek(f, 190);
  xReset(f, 4);
  EXPECT_EQ(xBlockRead(f, buf, 2), 8);
  EXPECT_EQ(xBlockRead(f, buf, 2), 2);
}

TEST_F(Repository, ReadLnOverCrLfAndLfOnlyFiles) {
  WriteFileBytes(root_ + "crlf.txt", "AB\r\nC");
  TRepositoryFile f;
  xAssign(f, "CRLF.TXT");
  xReset(f, 1);
  std::string line;
  xReadLn(f, line);
  EXPECT_EQ(line, "AB");
  xReadLn(f, line);
  EXPECT_EQ(line, "C");
  EXPECT_TRUE(xEof(f));
  xReadLn(f, line);
  EXPECT_EQ(line, "");
  xClose(f);

  // A final CR puts the position one past the end.
  WriteFileBytes(root_ + "lastcr.txt", "XY\r");
  xAssign(f, "lastcr.txt");
  xReset(f, 1);
  xReadLn(f, line);
  EXPECT_EQ(line, "XY");
  EXPECT_EQ(xFilePos(f), 4);
  EXPECT_TRUE(xEof(f));
  xClose(f);

  // LF-only lines come back in pieces of up to 255 characters, LF characters included.
  std::string lf;
  for (int i = 0; i < 100; ++i) lf += "line\n";
  WriteFileBytes(root_ + "lf.txt", lf);
  xAssign(f, "lf.txt");
  xReset(f, 1);
  xReadLn(f, line);
  EXPECT_EQ(line, lf.substr(0, 255));
  xReadLn(f, line);
  EXPECT_EQ(line, lf.substr(255, 245));
  EXPECT_TRUE(xEof(f));
  xClose(f);

  // The capacity of the target cuts the line.
  WriteFileBytes(root_ + "long.txt", std::string(40, 'k') + "\r\n");
  xAssign(f, "long.txt");
  xReset(f, 1);
  ShortString<31> shortLine;
  xReadLn(f, shortLine);
  EXPECT_EQ(shortLine.str(), std::string(31, 'k'));
  xClose(f);
}

// A line is read byte by byte whatever the record size the handle was reset with.
TEST_F(Repository, ReadLnStaysInItsBufferWhateverTheRecordSize) {
  WriteFileBytes(root_ + "wide.txt", std::string(300, 'x') + "\r\nend");
  for (const int32_t recSize : {0, 2, 4, 1000, -3}) {
    TRepositoryFile f;
    xAssign(f, "wide.txt");
    xReset(f, recSize);
    std::string line;
    xReadLn(f, line);
    EXPECT_EQ(line, std::string(255, 'x')) << recSize;
    xReadLn(f, line);
    EXPECT_EQ(line, std::string(45, 'x')) << recSize;
    xReadLn(f, line);
    EXPECT_EQ(line, "end") << recSize;
    EXPECT_TRUE(xEof(f)) << recSize;
    EXPECT_EQ(f.RecSize, recSize);  // block reads keep their records
    xClose(f);
  }
}

// On disk only a regular file exists: a folder of the name opens but reads nothing.
TEST_F(Repository, FolderNamedLikeAFileDoesNotExist) {
  std::filesystem::create_directories(root_ + "gfx/tree.bmp");
  std::filesystem::create_directories(root_ + "news.ini");
  EXPECT_FALSE(xFileExists("gfx\\tree.bmp"));
  EXPECT_EQ(LastFileSource, 0);
  TRepositoryFile f;
  xAssign(f, "news.ini");
  EXPECT_EQ(f.Opened, 0);
  EXPECT_EQ(xFileSize(f), 0);
  // The archive is asked next.
  MakeArchive({{"GFX\\TREE.BMP", "bark"}});
  EXPECT_TRUE(xFileExists("gfx\\tree.bmp"));
  EXPECT_EQ(LastFileSource, 2);
  xAssign(f, "gfx\\tree.bmp");
  xReset(f, 1);
  char buf[8];
  ASSERT_EQ(xBlockRead(f, buf, 8), 4);
  EXPECT_EQ(std::string(buf, 4), "bark");
}

TEST_F(Repository, MixedCaseTreeResolvesFromUpperCaseNames) {
  std::filesystem::create_directories(root_ + "Vehicles/Meshes");
  WriteFileBytes(root_ + "Vehicles/Meshes/Bus.msh2", "mesh");
  EXPECT_TRUE(xFileExists("VEHICLES\\MESHES\\BUS.MSH2"));
  EXPECT_EQ(LastFileSource, 1);
  TRepositoryFile f;
  xAssign(f, "vehicles\\meshes\\bus.msh2");
  EXPECT_EQ(f.Name.str(), "VEHICLES\\MESHES\\BUS.MSH2");
  EXPECT_EQ(xFileSize(f), 4);
  // An absolute name stays absolute.
  xAssign(f, root_ + "Vehicles\\MESHES\\bus.MSH2");
  EXPECT_EQ(f.Opened, 1);
  EXPECT_FALSE(xFileExists("VEHICLES\\MESHES\\CAR.MSH2"));
  EXPECT_EQ(LastFileSource, 0);
}

TEST_F(Repository, MissingFilesStopAtTheirFirstUse) {
  struct Case {
    std::string name;
    void (*use)(TRepositoryFile&);
    std::string message;
  };
  const Case cases[] = {
      {"", [](TRepositoryFile& f) { xReset(f, 1); },
       "FATAL ERROR: QZRepository: xReset: There was an error with this file:  PROGRAM TERMINATES!"},
      {"gfx\\none.bmp", [](TRepositoryFile& f) { xReset(f, 1); },
       "FATAL ERROR: QZRepository: xReset: There was an error with this file: GFX\\NONE.BMP PROGRAM TERMINATES!"},
      {"none.txt", [](TRepositoryFile& f) { xSeek(f, 0); },
       "FATAL ERROR: QZRepository: xSeek: There was an error with this file: NONE.TXT PROGRAM TERMINATES!"},
      {"none.txt", [](TRepositoryFile& f) {
         char b[1];
         xBlockRead(f, b, 1);
       },
       "FATAL ERROR: QZRepository: xBlockRead: There was an error with this file: NONE.TXT PROGRAM TERMINATES!"},
  };
  for (const Case& c : cases) {
    TRepositoryFile f;
    xAssign(f, c.name);
    EXPECT_EQ(f.Opened, 0);
    EXPECT_EQ(xFileSize(f), 0);
    EXPECT_EQ(xFilePos(f), 0);
    try {
      c.use(f);
      ADD_FAILURE() << "no fatal stop for " << c.name;
    } catch (const FatalError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

TEST_F(Repository, TheLenientReaderNeverStopsOnAHandleThatIsNotOpened) {
  WriteFileBytes(root_ + "there.txt", "0123456789");
  struct Case {
    const char* what;
    void (*assign)(TRepositoryFile&);
  };
  const Case cases[] = {
      {"never assigned", [](TRepositoryFile&) {}},
      {"empty name", [](TRepositoryFile& f) { xAssign(f, ""); }},
      {"missing name", [](TRepositoryFile& f) { xAssign(f, "gfx\\none.bmp"); }},
      {"read partly, then a missing name",
       [](TRepositoryFile& f) {
         char b[4];
         xAssign(f, "there.txt");
         xReset(f, 1);
         xBlockRead(f, b, 4);
         xAssign(f, "none.txt");
       }},
  };
  struct Lenient {
    Lenient() { RepositoryLenient = true; }
    ~Lenient() { RepositoryLenient = false; }
  } lenient;
  const size_t before = OpenFileCount();
  for (const Case& c : cases) {
    TRepositoryFile f;
    c.assign(f);
    char buffer[8] = "unread";
    try {
      xReset(f, 4);
      EXPECT_EQ(f.RecSize, 4) << c.what;
      EXPECT_EQ(xBlockRead(f, buffer, 2), 0) << c.what;
      xSeek(f, 3);
      xClose(f);
    } catch (const FatalError& e) {
      ADD_FAILURE() << c.what << ": " << e.what();
    }
    EXPECT_STREQ(buffer, "unread") << c.what;
    EXPECT_TRUE(xEof(f)) << c.what;  // a reader that reads until the end stops at once
    EXPECT_EQ(xFilePos(f), 0) << c.what;
    EXPECT_EQ(OpenFileCount(), before) << c.what;
  }
  // An opened file reads as it does without the flag.
  TRepositoryFile f;
  xAssign(f, "there.txt");
  xReset(f, 4);
  char buffer[12] = {};
  EXPECT_EQ(xBlockRead(f, buffer, 2), 8);
  EXPECT_STREQ(buffer, "01234567");
}

TEST_F(Repository, AHandleClosesItsFileWhenAFatalStopUnwindsPastIt) {
  WriteFileBytes(root_ + "list.txt", "A\r\nB\r\n");
  const size_t before = OpenFileCount();
  try {
    TRepositoryFile f;
    xAssign(f, "list.txt");
    xReset(f, 1);
    EXPECT_EQ(OpenFileCount(), before + 1);
    SYS_BREAKPROGRAM("stop while the file is open");
  } catch (const FatalError&) {
  }
  EXPECT_EQ(OpenFileCount(), before);
}

}  // namespace
