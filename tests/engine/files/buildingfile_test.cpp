#include "engine/files/buildingfile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/files/rle.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct FieldCase {
  const char* field;
  size_t offset;
  std::function<void(TBuildingInfo&)> set;
  Bytes bytes;  // what the field writes at its offset, little-endian
};

// Every field once (the first and last element of each array), each with a value whose bytes
// differ from each other, so a field written at a wrong offset, in a wrong order or too wide shows.
std::vector<FieldCase> FieldCases() {
  const Bytes f1_5 = {0x00, 0x00, 0xC0, 0x3F};     // 1.5f
  const Bytes fm2_25 = {0x00, 0x00, 0x10, 0xC0};   // -2.25f
  const Bytes i_m1 = {0xFF, 0xFF, 0xFF, 0xFF};
  const Bytes i_258 = {0x02, 0x01, 0x00, 0x00};
  return {
      {"Names[0].Language", 0, [](TBuildingInfo& b) { b.Names[0].Language = "En"; }, {2, 'E', 'n'}},
      {"Names[0].Name", 41, [](TBuildingInfo& b) { b.Names[0].Name = "H"; }, {1, 'H'}},
      {"Names[19].Name", 82 * 19 + 41, [](TBuildingInfo& b) { b.Names[19].Name = "Z"; }, {1, 'Z'}},
      {"BuildingType", 1640, [](TBuildingInfo& b) { b.BuildingType = 13; }, {13}},
      {"StartYear", 1642, [](TBuildingInfo& b) { b.StartYear = 1850; }, {0x3A, 0x07}},
      {"LastYear", 1644, [](TBuildingInfo& b) { b.LastYear = 3000; }, {0xB8, 0x0B}},
      {"MinCitySize", 1648, [](TBuildingInfo& b) { b.MinCitySize = 258; }, i_258},
      {"MinIndustrySize", 1652, [](TBuildingInfo& b) { b.MinIndustrySize = 258; }, i_258},
      {"Storeys", 1656, [](TBuildingInfo& b) { b.Storeys = 258; }, i_258},
      {"Wealth", 1660, [](TBuildingInfo& b) { b.Wealth = 5; }, {5}},
      {"MaxInhabitants", 1664, [](TBuildingInfo& b) { b.MaxInhabitants = 258; }, i_258},
      {"FixedSize", 1668, [](TBuildingInfo& b) { b.FixedSize = 1; }, {1}},
      {"BoundCorners[0].x", 1688, [](TBuildingInfo& b) { b.BoundCorners[0].x = 1.5f; }, f1_5},
      {"BoundCorners[3].z", 1728 + 4, [](TBuildingInfo& b) { b.BoundCorners[3].z = -2.25f; }, fm2_25},
      {"BoundTop", 1736, [](TBuildingInfo& b) { b.BoundTop = 1.5f; }, f1_5},
      {"BoundBottom", 1740, [](TBuildingInfo& b) { b.BoundBottom = -2.25f; }, fm2_25},
      {"Fronts[0]", 1744, [](TBuildingInfo& b) { b.Fronts[0] = 1; }, {1}},
      {"Fronts[3]", 1747, [](TBuildingInfo& b) { b.Fronts[3] = 1; }, {1}},
      {"ScriptFile", 1748, [](TBuildingInfo& b) { b.ScriptFile = "a.mas"; }, {5, 'a', '.', 'm', 'a', 's'}},
      {"Points[0].y", 1796, [](TBuildingInfo& b) { b.Points[0].y = 1.5f; }, f1_5},
      {"Points[29].z", 1792 + 12 * 29 + 8, [](TBuildingInfo& b) { b.Points[29].z = -2.25f; }, fm2_25},
      {"GeneratorPoint", 2152, [](TBuildingInfo& b) { b.GeneratorPoint = 30; }, {30}},
      {"UsedWays", 2153, [](TBuildingInfo& b) { b.UsedWays = 3; }, {3}},
      {"Ways[0]", 2154, [](TBuildingInfo& b) { b.Ways[0] = {{1, 2, 3, 4}, 4}; }, {1, 2, 3, 4, 4}},
      {"Ways[19]", 2154 + 95, [](TBuildingInfo& b) { b.Ways[19] = {{9, 8, 7, 6}, 2}; }, {9, 8, 7, 6, 2}},
      {"Meshes[0].FileName", 2256, [](TBuildingInfo& b) { b.Meshes[0].FileName = "NONE"; }, {4, 'N', 'O', 'N', 'E'}},
      {"Meshes[0].X", 2256 + 44, [](TBuildingInfo& b) { b.Meshes[0].X = 1.5f; }, f1_5},
      {"Meshes[29].Roll", 2256 + 72 * 29 + 64, [](TBuildingInfo& b) { b.Meshes[29].Roll = -2.25f; }, fm2_25},
      {"Meshes[29].Used", 2256 + 72 * 29 + 68, [](TBuildingInfo& b) { b.Meshes[29].Used = 1; }, {1}},
      {"Costs", 4416, [](TBuildingInfo& b) { b.Costs = -1; }, i_m1},
      {"DestructionCosts", 4420, [](TBuildingInfo& b) { b.DestructionCosts = 258; }, i_258},
      {"Style", 4424, [](TBuildingInfo& b) { b.Style = "none"; }, {4, 'n', 'o', 'n', 'e'}},
      {"Location", 4445, [](TBuildingInfo& b) { b.Location = 4; }, {4}},
      {"Placement", 4446, [](TBuildingInfo& b) { b.Placement = 2; }, {2}},
      {"Smoking", 4447, [](TBuildingInfo& b) { b.Smoking = 1; }, {1}},
      {"SmokeType", 4448, [](TBuildingInfo& b) { b.SmokeType = -1; }, i_m1},
      {"SmokePosition.z", 4460, [](TBuildingInfo& b) { b.SmokePosition.z = 1.5f; }, f1_5},
      {"Version", 4464, [](TBuildingInfo& b) { b.Version = 2048; }, {0x00, 0x08, 0x00, 0x00}},
      {"Nodes[0].x", 4468, [](TBuildingInfo& b) { b.Nodes[0].Position.x = 1.5f; }, f1_5},
      {"Nodes[0] links and flags", 4480,
       [](TBuildingInfo& b) { b.Nodes[0].Next1 = 7, b.Nodes[0].Next2 = 9, b.Nodes[0].Station = 1, b.Nodes[0].Switcher = 2; },
       {7, 9, 1, 2}},
      {"Nodes[99].z", 4468 + 16 * 99 + 8, [](TBuildingInfo& b) { b.Nodes[99].Position.z = -2.25f; }, fm2_25},
      {"Wayed", 6068, [](TBuildingInfo& b) { b.Wayed = 1; }, {1}},
      {"Waypoint1", 6072, [](TBuildingInfo& b) { b.Waypoint1 = 258; }, i_258},
      {"Waypoint2", 6076, [](TBuildingInfo& b) { b.Waypoint2 = -1; }, i_m1},
      {"WayType", 6080, [](TBuildingInfo& b) { b.WayType = 258; }, i_258},
      {"ExitNode", 6084, [](TBuildingInfo& b) { b.ExitNode = 258; }, i_258},
      {"DepotNode", 6088, [](TBuildingInfo& b) { b.DepotNode = 258; }, i_258},
      {"ParkingSlots", 6092, [](TBuildingInfo& b) { b.ParkingSlots = 258; }, i_258},
      {"NirvanaDepot", 6096, [](TBuildingInfo& b) { b.NirvanaDepot = 1; }, {1}},
      {"SlotLength", 6100, [](TBuildingInfo& b) { b.SlotLength = 1.5f; }, f1_5},
      {"NodeScripted[0] (node 1)", 6104, [](TBuildingInfo& b) { b.NodeScripted[0] = 1; }, {1}},
      {"NodeScripted[99] (node 100)", 6203, [](TBuildingInfo& b) { b.NodeScripted[99] = 1; }, {1}},
      {"DepotSpeed", 6204, [](TBuildingInfo& b) { b.DepotSpeed = -2.25f; }, fm2_25},
      {"WayInvisible", 6208, [](TBuildingInfo& b) { b.WayInvisible = 1; }, {1}},
      {"Sound15Minutes", 6209, [](TBuildingInfo& b) { b.Sound15Minutes = "b.wav"; }, {5, 'b', '.', 'w', 'a', 'v'}},
      {"Play15Minutes", 6250, [](TBuildingInfo& b) { b.Play15Minutes = 1; }, {1}},
      {"MapUnique", 6251, [](TBuildingInfo& b) { b.MapUnique = 1; }, {1}},
      {"CitySpecific", 6252, [](TBuildingInfo& b) { b.CitySpecific = 1; }, {1}},
  };
}

TEST(BuildingInfo, WritesEachFieldAtItsOffsetAndNothingElse) {
  for (const FieldCase& c : FieldCases()) {
    SCOPED_TRACE(c.field);
    TBuildingInfo info{};
    c.set(info);
    const TBuildingInfoBytes bytes = BuildingInfoToBytes(info);
    for (size_t i = 0; i < bytes.size(); ++i) {
      const bool inField = i >= c.offset && i < c.offset + c.bytes.size();
      ASSERT_EQ(bytes[i], inField ? c.bytes[i - c.offset] : 0) << "byte " << i;
    }
    // Read back, the field gives the same bytes again.
    EXPECT_EQ(BuildingInfoToBytes(BuildingInfoFromBytes(bytes)), bytes);
  }
}

TEST(BuildingInfo, LeavesGapsAndTheReservedTailZeroAndCutsTexts) {
  TBuildingInfo info{};
  std::memset(&info, 0xAB, sizeof(info));  // gaps and text tails full of rubbish
  info.Style.len = 200;                    // a length past the text's room is cut to it
  const TBuildingInfoBytes bytes = BuildingInfoToBytes(info);
  for (auto [from, to] : std::vector<std::pair<size_t, size_t>>{
           {1641, 1642}, {1646, 1648}, {1661, 1664}, {1669, 1688}, {1789, 1792}, {2254, 2256}, {6069, 6072},
           {6097, 6100}, {6253, 9436}})
    for (size_t i = from; i < to; ++i) ASSERT_EQ(bytes[i], 0) << "byte " << i;
  EXPECT_EQ(bytes[4424], 20);
  for (size_t row = 0; row < 30; ++row)
    for (size_t i : {41, 42, 43, 69, 70, 71}) ASSERT_EQ(bytes[2256 + 72 * row + i], 0);
}

TEST(BuildingVersion, LoadsItsOwnAndOlderVersionsAndRefusesNewerOnesWithTheirNumber) {
  EXPECT_TRUE(InfoVersionLoadable(kBuildingVersionRule, 2047));
  EXPECT_TRUE(InfoVersionLoadable(kBuildingVersionRule, 2048));
  EXPECT_FALSE(InfoVersionLoadable(kBuildingVersionRule, 2049));
  EXPECT_FALSE(InfoVersionLoadable(kBuildingVersionRule, 0x80000000u));  // unsigned: far above
  EXPECT_EQ(std::string(kBuildingVersionRule.RefusalCaption), "Loading Cancelled!");
  EXPECT_EQ(InfoVersionRefusalText(kBuildingVersionRule, 2049),
            "ERROR : The file you tried to load has been created with a newer version of this program!\r"
            "Version needed for the chosen file: v8.1 Your version is v8.0!");
}

TEST(BuildingHead, IsTheEnglishEntryThenTheEnglishItemThenEntryZero) {
  TLanguageName names[20] = {};
  names[0].Language = "Deutsch";
  names[3].Language = "English";
  EXPECT_EQ(BuildingHeadIndex(names, {"Deutsch", "English"}), 3);  // by the entry's language
  names[3].Language = "Francais";
  EXPECT_EQ(BuildingHeadIndex(names, {"Deutsch", "English", "x", "English"}), 3);  // the last "English" item
  EXPECT_EQ(BuildingHeadIndex(names, {"Deutsch", "Francais"}), 0);
  std::vector<std::string> many(25, "x");
  many[22] = "English";
  EXPECT_EQ(BuildingHeadIndex(names, many), 0);  // an item past the 20 entries
}

TEST(NameEntry, IsFoundByLanguageElseByItemAndExistsOnlyFrom0To19) {
  std::array<TLanguageName, 20> names{};
  names[4].Language = "Deutsch";
  EXPECT_EQ(NameEntryIndex(names, 5, "Deutsch", 1), 4);
  EXPECT_EQ(NameEntryIndex(names, 4, "Deutsch", 1), 1);  // only the entries of loaded languages count
  EXPECT_EQ(NameEntryIndex(names, 30, "Other", 25), 25);
  EXPECT_FALSE(NameEntryExists(25));
  EXPECT_FALSE(NameEntryExists(20));
  EXPECT_FALSE(NameEntryExists(-1));
  EXPECT_TRUE(NameEntryExists(19));
}

class BuildingFile : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = testing_support::MakeTempFolder("bif"); }
  std::string Path(const std::string& name) const { return dir_ + name; }
  static TBuildingInfo Sample() {
    TBuildingInfo b{};
    b.Names[0].Language = "English";
    b.Names[0].Name = "Mill";
    b.Costs = -1;
    b.Points[3] = {1.5f, 2.5f, -3.0f};
    b.Version = kBuildingInfoVersion;
    return b;
  }
  // A file of a name head and the given stream.
  void WriteRaw(const std::string& name, const Bytes& stream, uint8_t headLength = 4) {
    std::string bytes(41, '\0');
    bytes[0] = static_cast<char>(headLength);
    bytes.append(stream.begin(), stream.end());
    testing_support::WriteFileBytes(Path(name), bytes);
  }
  static Bytes Packed(const uint8_t* data, int32_t size) {
    Bytes out(static_cast<size_t>(rlePackBound(size)));
    out.resize(static_cast<size_t>(rlecompress(data, size, out.data(), static_cast<int32_t>(out.size()))));
    return out;
  }
  std::string dir_;
};

TEST_F(BuildingFile, SavesTheEnglishHeadAndTheRecordAndReadsThemBack) {
  std::string error;
  ASSERT_TRUE(SaveBuildingFile(Path("mill.bif"), "Mill", Sample(), error)) << error;
  const std::string bytes = testing_support::ReadFileBytes(Path("mill.bif"));
  EXPECT_EQ(bytes.substr(0, 5), std::string("\x04Mill", 5));
  EXPECT_FALSE(std::filesystem::exists(Path("mill.bif") + kInfoTempSuffix));
  TBuildingInfo back{};
  ShortString<40> head{};
  ASSERT_TRUE(ReadBuildingFile(Path("mill.bif"), back, head, error)) << error;
  EXPECT_EQ(head.str(), "Mill");
  EXPECT_EQ(BuildingInfoToBytes(back), BuildingInfoToBytes(Sample()));
}

TEST_F(BuildingFile, TakesAStreamShorterThanTheRecordWithTheRestZero) {
  // An older, shorter record: its first 6,253 bytes only.
  const TBuildingInfoBytes full = BuildingInfoToBytes(Sample());
  WriteRaw("old.bif", Packed(full.data(), 6253));
  TBuildingInfo back{};
  std::memset(&back, 0x55, sizeof(back));
  ShortString<40> head{};
  std::string error;
  ASSERT_TRUE(ReadBuildingFile(Path("old.bif"), back, head, error)) << error;
  EXPECT_EQ(BuildingInfoToBytes(back), full);
  EXPECT_EQ(back.Reserved6253[0], 0);
}

TEST_F(BuildingFile, RefusesBadFilesWithAMessageAndLeavesTheRecordAsItWas) {
  const TBuildingInfoBytes full = BuildingInfoToBytes(Sample());
  const Bytes good = Packed(full.data(), kBuildingInfoSize);
  Bytes corrupt = good;
  corrupt.resize(good.size() / 2);  // ends before its end code
  std::vector<uint8_t> twice(full.begin(), full.end());
  twice.insert(twice.end(), full.begin(), full.end());
  testing_support::WriteFileBytes(Path("empty.bif"), "");
  testing_support::WriteFileBytes(Path("short.bif"), std::string("\x04Mill", 5));
  WriteRaw("corrupt.bif", corrupt);
  WriteRaw("inflating.bif", Packed(twice.data(), static_cast<int32_t>(twice.size())));
  WriteRaw("long.bif", Bytes(static_cast<size_t>(kBuildingFileFormat.StreamLimit()) + 1, 0));
  const struct {
    const char* file;
    const char* says;
  } cases[] = {{"empty.bif", "is empty"},
               {"short.bif", "ends inside its name head"},
               {"corrupt.bif", "damaged"},
               {"inflating.bif", "more than 9436 bytes"},
               {"long.bif", "more than 37744 bytes"},
               {"missing.bif", "Cannot open"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    TBuildingInfo info = Sample();
    ShortString<40> head = "as it was";
    std::string error;
    EXPECT_FALSE(ReadBuildingFile(Path(c.file), info, head, error));
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_NE(error.find(Path(c.file)), std::string::npos) << error;
    EXPECT_EQ(BuildingInfoToBytes(info), BuildingInfoToBytes(Sample()));
    EXPECT_EQ(head.str(), "as it was");
  }
}

TEST_F(BuildingFile, ASaveWhoseCheckDiffersWritesNothingAndNamesThePosition) {
  std::string error;
  ASSERT_TRUE(SaveBuildingFile(Path("mill.bif"), "Mill", Sample(), error)) << error;
  const std::string before = testing_support::ReadFileBytes(Path("mill.bif"));
  // A stream of another record: the check finds the first byte that differs.
  TBuildingInfo other = Sample();
  other.Costs = 5;
  const TBuildingInfoBytes otherBytes = BuildingInfoToBytes(other);
  const TBuildingInfoBytes mine = BuildingInfoToBytes(Sample());
  int32_t at = -2;
  EXPECT_FALSE(WriteCheckedInfoFile(kBuildingFileFormat, Path("mill.bif"), "Mill", mine.data(),
                                    Packed(otherBytes.data(), kBuildingInfoSize), error, &at));
  EXPECT_EQ(at, 4416);
  EXPECT_EQ(testing_support::ReadFileBytes(Path("mill.bif")), before);
  EXPECT_FALSE(std::filesystem::exists(Path("mill.bif") + kInfoTempSuffix));
}

TEST_F(BuildingFile, ListsTheFilesThatReadAndLeavesOutTheOthersWithTheirMessage) {
  std::string error;
  ASSERT_TRUE(SaveBuildingFile(Path("b.BIF"), "Mill", Sample(), error)) << error;
  ASSERT_TRUE(SaveBuildingFile(Path("a.bif"), "Barn", Sample(), error)) << error;
  testing_support::WriteFileBytes(Path("cut.bif"), std::string("\x04Mi", 3));
  testing_support::WriteFileBytes(Path("notes.txt"), "x");
  std::vector<std::string> skipped;
  const std::vector<InfoListEntry> list = ListBuildingFiles(dir_, skipped);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].head, "Barn");
  EXPECT_EQ(list[0].fileName, "a.bif");
  EXPECT_EQ(list[1].fileName, "b.BIF");
  ASSERT_EQ(skipped.size(), 1u);
  EXPECT_NE(skipped[0].find("cut.bif"), std::string::npos);
}

}  // namespace
