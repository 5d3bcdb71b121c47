#include "script/scriptfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "script/compiler.h"
#include "tests/script/script_fixture.h"
#include "tests/support/test_support.h"

namespace {

using script_testing::FromHex;
using script_testing::Hex;

std::vector<uint8_t> U32(uint32_t V) { return {uint8_t(V), uint8_t(V >> 8), uint8_t(V >> 16), uint8_t(V >> 24)}; }

std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> Parts) {
  std::vector<uint8_t> out;
  for (const auto& p : Parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

std::vector<uint8_t> Bytes(const std::string& S) { return std::vector<uint8_t>(S.begin(), S.end()); }

// The 30-byte image of PUSHVA 'Hi' and CALLEXT SHOWMESS.
const std::vector<uint8_t> kImage =
    FromHex("1E 00 00 00 18 03 02 48 69 13 01 00 63 00 00 01 00 08 53 48 4F 57 4D 45 53 53 0C 00 00 00");

TEST(ScriptFile, LinesAndTextConvertBothWays) {
  EXPECT_EQ(ScriptSourceText({"a", "", "b  "}), "a\r\n\r\nb  \r\n");
  EXPECT_EQ(ScriptSourceText({}), "");
  struct Case {
    std::string text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\r\nb", {"a", "b"}},
      {"a\rb\nc", {"a", "b", "c"}},
      {"a\n\r\nb", {"a", "", "b"}},
      {"\r\n", {""}},
      {"trailing  \r\n  lead\r\n", {"trailing  ", "  lead"}},
  };
  for (const Case& c : cases) EXPECT_EQ(ScriptSourceLines(c.text), c.lines) << c.text;
}

TEST(ScriptFile, EncodesSourceAndImageAfterTheirLengths) {
  EXPECT_EQ(EncodeScriptFile("", {}), FromHex("00 00 00 00 00 00 00 00"));
  EXPECT_EQ(EncodeScriptFile("Begin\r\n", kImage), Cat({U32(7), Bytes("Begin\r\n"), U32(30), kImage}));
  // Good files decode to what was encoded.
  for (const auto& [source, code] : std::vector<std::pair<std::string, std::vector<uint8_t>>>{
           {"", {}}, {"x\r\n", {}}, {"a\r\nb\r\n", kImage}, {"", {0, 0, 0, 0}}}) {
    TScriptFileData data;
    EXPECT_EQ(DecodeScriptFile(EncodeScriptFile(source, code), data), "");
    EXPECT_EQ(data.Source, source);
    EXPECT_EQ(data.Code, code);
  }
  // Bytes after the image are not read.
  TScriptFileData data;
  EXPECT_EQ(DecodeScriptFile(Cat({EncodeScriptFile("s", kImage), {1, 2, 3}}), data), "");
  EXPECT_EQ(data.Code, kImage);
}

TEST(ScriptFile, RefusesBadFilesBeforeTakingAnything) {
  std::vector<uint8_t> wrongSize = kImage;
  wrongSize[0] = 0x1D;
  std::vector<uint8_t> trailerOutside = kImage;
  trailerOutside[26] = 0x40;
  std::vector<uint8_t> noQuit = kImage;
  noQuit[12] = 0x62;
  std::vector<uint8_t> namesOutside = kImage;
  namesOutside[17] = 0x30;
  std::vector<uint8_t> big(65537, 0);
  big[0] = 0x01;
  big[2] = 0x01;
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    std::string reason;
  };
  const Case cases[] = {
      {"empty", {}, "shorter than its source length"},
      {"three bytes", {1, 0, 0}, "shorter than its source length"},
      {"source beyond the end", Cat({U32(10), Bytes("abc")}), "source length 10 beyond the end of the file"},
      {"huge source length", Cat({U32(0xFFFFFFFF), Bytes("abc")}), "source length 4294967295 beyond the end of the file"},
      {"no code length", Cat({U32(3), Bytes("abc"), {0, 0}}), "no code length after the source"},
      {"code beyond the end", Cat({U32(0), U32(31), kImage}), "code length 31 beyond the end of the file"},
      {"code above 65536", Cat({U32(0), U32(65537), big}), "code length 65537 above 65536"},
      {"code shorter than an image", Cat({U32(0), U32(3), {0, 0, 0}}), "code length 3 shorter than an image"},
      {"four bytes not the empty image", Cat({U32(0), U32(4), U32(4)}), "damaged image: size 4 below 13"},
      {"size word differs", Cat({U32(0), U32(30), wrongSize}), "image size 29 differs from the code length 30"},
      {"trailer outside", Cat({U32(0), U32(30), trailerOutside}), "damaged image: trailer offset 64 outside"},
      {"no QUIT at the trailer", Cat({U32(0), U32(30), noQuit}), "damaged image: no QUIT at the trailer offset 12"},
      {"names beyond the trailer", Cat({U32(0), U32(30), namesOutside}), "damaged image: names beyond the trailer"},
  };
  for (const Case& c : cases) {
    TScriptFileData data{"kept", {7}};
    EXPECT_EQ(DecodeScriptFile(c.bytes, data), c.reason) << c.what;
    EXPECT_EQ(data.Source, "kept") << c.what;
    EXPECT_EQ(data.Code, std::vector<uint8_t>{7}) << c.what;
  }
}

TEST(ScriptFile, ReadsAndWritesOnDisk) {
  const std::string folder = testing_support::MakeTempFolder("mas");
  std::string error;
  ASSERT_TRUE(WriteScriptFile(folder + "a.mas", "Begin\r\nEnd;\r\n", kImage, error)) << error;
  EXPECT_EQ(testing_support::ReadFileBytes(folder + "a.mas"),
            std::string("\x0D\0\0\0Begin\r\nEnd;\r\n\x1E\0\0\0", 21) + std::string(kImage.begin(), kImage.end()));
  EXPECT_FALSE(std::filesystem::exists(folder + "a.mas.tmp"));
  TScriptFileData data;
  ASSERT_TRUE(ReadScriptFile(folder + "a.mas", data, error)) << error;
  EXPECT_EQ(data.Source, "Begin\r\nEnd;\r\n");
  EXPECT_EQ(data.Code, kImage);

  // A missing file, a folder and a damaged file are refused with a message naming the path.
  data = TScriptFileData{"kept", {}};
  EXPECT_FALSE(ReadScriptFile(folder + "none.mas", data, error));
  EXPECT_EQ(error, "I/O error 2 (No such file or directory): " + folder + "none.mas");
  std::filesystem::create_directory(folder + "dir.mas");
  EXPECT_FALSE(ReadScriptFile(folder + "dir.mas", data, error));
  EXPECT_NE(error.find(folder + "dir.mas"), std::string::npos) << error;
  testing_support::WriteFileBytes(folder + "bad.mas", std::string("\x09\0\0\0abc", 7));
  EXPECT_FALSE(ReadScriptFile(folder + "bad.mas", data, error));
  EXPECT_EQ(error, "Not a mesh-animation-script (source length 9 beyond the end of the file): " + folder + "bad.mas");
  EXPECT_EQ(data.Source, "kept");

  // A failed write keeps the file that was there.
  EXPECT_FALSE(WriteScriptFile(folder + "missing/b.mas", "x", {}, error));
  EXPECT_EQ(error, "I/O error 2 (No such file or directory): " + folder + "missing/b.mas");
  std::filesystem::create_directory(folder + "busy.mas");
  EXPECT_FALSE(WriteScriptFile(folder + "busy.mas", "x", {}, error));
  EXPECT_TRUE(std::filesystem::is_directory(folder + "busy.mas"));
  EXPECT_FALSE(std::filesystem::exists(folder + "busy.mas.tmp"));
}

}  // namespace
