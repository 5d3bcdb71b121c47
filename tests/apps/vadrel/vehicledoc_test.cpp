#include "apps/vadrel/vehicledoc.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <random>

#include "apps/vadrel/vehicletools.h"
#include "engine/base/text.h"
#include "engine/files/rle.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::MakeTempFolder;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

TVehicleInfo Record(const std::string& name, int32_t weight) {
  TVehicleInfo v{};
  v.Names[0].Language = "English";
  v.Names[0].Name = name;
  v.Weight = weight;
  v.Version = 2560;
  return v;
}

std::string PackedFile(const std::string& head, const TVehicleInfo& v) {
  std::vector<uint8_t> stream;
  EXPECT_TRUE(PackVehicleInfo(v, stream));
  std::string file(41, '\0');
  file[0] = static_cast<char>(head.size());
  std::memcpy(file.data() + 1, head.data(), head.size());
  return file + std::string(stream.begin(), stream.end());
}

TEST(VehicleDoc, FloatTextKeepsTwoDecimalsAndMoreWhereAValueNeedsThem) {
  const struct {
    float value;
    const char* text;
  } cases[] = {
      {12.5f, "12.50"},  {0.125f, "0.125"}, {0.0f, "0.00"},         {-0.0f, "0.00"},
      {-3.75f, "-3.75"}, {0.1f, "0.10"},    {1.0f / 3.0f, "0.33333334"}, {16777215.0f, "16777215.00"},
      {1e-7f, "0.0000001"},
  };
  for (const auto& c : cases) EXPECT_EQ(vadrel::FloatToControlText(c.value), c.text) << c.value;
  // Every finite float reads back as itself.
  std::mt19937 gen(7);
  for (int i = 0; i < 20000; ++i) {
    uint32_t bits = gen();
    float f;
    std::memcpy(&f, &bits, 4);
    if (!std::isfinite(f)) continue;
    const std::string text = vadrel::FloatToControlText(f);
    EXPECT_EQ(ControlTextToFloat(text), f) << text;
  }
}

TEST(VehicleDoc, ListItemsNameTheirFiles) {
  EXPECT_EQ(vadrel::VehicleListItemText({"Bus", "bus1.vif"}), "Bus (bus1.vif)");
  const struct {
    const char* item;
    const char* file;
  } cases[] = {
      {"Bus (bus1.vif)", "bus1.vif"},
      {"Bus (big) (bus1.vif)", "bus1.vif"},
      {" (x.vif)", "x.vif"},
      {"no brackets", "no bracket"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(vadrel::FileNameOfListItem(c.item), c.file) << c.item;
}

TEST(VehicleDoc, HeadNameIsTheLastEnglishItemWithinTheTwentyEntries) {
  EXPECT_EQ(vadrel::HeadNameIndex({"Deutsch", "English"}), 1);
  EXPECT_EQ(vadrel::HeadNameIndex({"English", "Deutsch", "English"}), 2);
  EXPECT_EQ(vadrel::HeadNameIndex({"Deutsch", "english"}), 0);
  EXPECT_EQ(vadrel::HeadNameIndex({}), 0);
  std::vector<std::string> many(25, "Other");
  many[22] = "English";
  EXPECT_EQ(vadrel::HeadNameIndex(many), 0);
  many[19] = "English";
  EXPECT_EQ(vadrel::HeadNameIndex(many), 0);  // the last one lies outside
  many[22] = "Other";
  EXPECT_EQ(vadrel::HeadNameIndex(many), 19);
}

TEST(VehicleDoc, VersionRuleAndRefusalText) {
  EXPECT_TRUE(vadrel::VehicleVersionLoadable(2560));
  EXPECT_TRUE(vadrel::VehicleVersionLoadable(0));
  EXPECT_TRUE(vadrel::VehicleVersionLoadable(static_cast<uint32_t>(-1)));
  EXPECT_FALSE(vadrel::VehicleVersionLoadable(2561));
  EXPECT_FALSE(vadrel::VehicleVersionLoadable(0x7FFFFFFF));
  EXPECT_EQ(vadrel::VersionRefusalText(2561),
            "ERROR : The file you tried to load has been created with a newer version of this program, LOADING "
            "CANCELED!\rVersion needed for the chosen file: v10.1 Your version is v10.0!");
  const std::string text = vadrel::VersionRefusalText(11 * 256 + 3);
  EXPECT_EQ(text.substr(text.size() - 28), "v11.3 Your version is v10.0!");
}

TEST(VehicleDoc, SmallRulesOfTheControls) {
  EXPECT_EQ(vadrel::GearItemOfCount(3, 6), 3);
  EXPECT_EQ(vadrel::GearItemOfCount(-1, 6), 0);
  EXPECT_EQ(vadrel::GearItemOfCount(99, 6), 5);
  EXPECT_EQ(vadrel::GearItemOfCount(2, 0), -1);
  EXPECT_EQ(vadrel::MeshFileNameOfCell("'bus.msh2'"), "bus.msh2");
  EXPECT_EQ(vadrel::MeshFileNameOfCell("NONE"), "NONE");
  EXPECT_EQ(vadrel::MeshFileNameOfCell("bus.msh2"), "bus.msh2");
  EXPECT_EQ(vadrel::MeshFileNameOfCell("'"), "'");
  EXPECT_EQ(vadrel::MeshFileNameOfCell("''"), "");
  EXPECT_EQ(vadrel::MeshCellOfFileName("NONE"), "NONE");
  EXPECT_EQ(vadrel::MeshCellOfFileName("bus.msh2"), "'bus.msh2'");
  EXPECT_TRUE(vadrel::IsNoScriptName(""));
  EXPECT_TRUE(vadrel::IsNoScriptName("none.Mas"));
  EXPECT_FALSE(vadrel::IsNoScriptName("bus.mas"));
  EXPECT_EQ(vadrel::VehicleCaption(), "Corvane Vadrel v10.0");
  EXPECT_EQ(vadrel::VehicleCaption("C:\\game\\vehicles\\bus.vif"), "Corvane Vadrel v10.0 - bus.vif");
  EXPECT_EQ(vadrel::VehicleCaption("/tmp/x/bus.vif"), "Corvane Vadrel v10.0 - bus.vif");
}

class VehicleDocFiles : public ::testing::Test {
 protected:
  std::string dir_ = MakeTempFolder("vdoc");
};

TEST_F(VehicleDocFiles, ReadingRefusesBadFilesAndKeepsTheRecord) {
  const std::string good = PackedFile("Bus", Record("Bus", 4242));
  const struct {
    const char* what;
    std::string bytes;
    const char* says;
  } cases[] = {
      {"empty", "", "is empty"},
      {"head cut short", good.substr(0, 30), "ends inside its name head"},
      {"head only", good.substr(0, 41), "damaged"},
      {"stream cut short", good.substr(0, good.size() - 20), "damaged"},
      {"stream damaged", good.substr(0, 41) + std::string(40, '\0'), "damaged"},
      {"longer than the work buffer", good + std::string(kVehicleStreamLimit, '\0'), "more than 30944 bytes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFileBytes(dir_ + "bad.vif", c.bytes);
    TVehicleInfo info = Record("kept", 1);
    ShortString<40> head = "kept head";
    std::string error;
    EXPECT_FALSE(vadrel::ReadVehicleForEditor(dir_ + "bad.vif", info, head, error));
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_NE(error.find(dir_ + "bad.vif"), std::string::npos) << error;
    EXPECT_EQ(info.Weight, 1);
    EXPECT_EQ(head.str(), "kept head");
  }
  std::string error;
  TVehicleInfo info{};
  ShortString<40> head{};
  EXPECT_FALSE(vadrel::ReadVehicleForEditor(dir_ + "missing.vif", info, head, error));
  EXPECT_NE(error.find("missing.vif"), std::string::npos);
  // The largest stream the buffer holds still loads.
  WriteFileBytes(dir_ + "full.vif", good + std::string(kVehicleStreamLimit - (good.size() - 41), '\0'));
  ASSERT_TRUE(vadrel::ReadVehicleForEditor(dir_ + "full.vif", info, head, error)) << error;
  EXPECT_EQ(info.Weight, 4242);
  EXPECT_EQ(head.str(), "Bus");
}

TEST_F(VehicleDocFiles, SaveWhoseCheckDiffersWritesNothing) {
  const std::string target = dir_ + "bus.vif";
  WriteFileBytes(target, "the old file");
  const TVehicleInfo v = Record("Bus", 4242);
  std::vector<uint8_t> stream;
  ASSERT_TRUE(PackVehicleInfo(v, stream));
  TVehicleInfo other = v;
  other.Weight = 4243;  // offset 1864 differs from what the stream holds
  std::string error;
  EXPECT_FALSE(vadrel::WriteCheckedVehicleFile(target, v.Names[0].Name, other, stream, error));
  EXPECT_NE(error.find("Saving failed"), std::string::npos) << error;
  EXPECT_NE(error.find("byte 1864"), std::string::npos) << error;
  EXPECT_NE(error.find(target), std::string::npos) << error;
  EXPECT_EQ(ReadFileBytes(target), "the old file");
  EXPECT_FALSE(std::filesystem::exists(target + kVehicleTempSuffix));

  // A record that cannot be packed: every byte value in its light silhouette.
  TVehicleInfo all = v;
  auto* p = reinterpret_cast<uint8_t*>(&all.LightSilhouette[0]);
  for (int i = 0; i < 256; ++i) p[i] = static_cast<uint8_t>(i);
  EXPECT_FALSE(vadrel::SaveVehicleForEditor(target, v.Names[0].Name, all, error));
  EXPECT_NE(error.find("Saving failed"), std::string::npos) << error;
  EXPECT_NE(error.find(target), std::string::npos) << error;
  EXPECT_EQ(ReadFileBytes(target), "the old file");

  // A sound record replaces the file.
  ASSERT_TRUE(vadrel::SaveVehicleForEditor(target, v.Names[0].Name, v, error)) << error;
  EXPECT_EQ(ReadFileBytes(target), PackedFile("Bus", v));
}

TEST_F(VehicleDocFiles, FileListLeavesOutFilesThatCannotLoad) {
  const std::string good = PackedFile("Bus", Record("Bus", 1));
  WriteFileBytes(dir_ + "b.vif", good);
  WriteFileBytes(dir_ + "A.VIF", PackedFile("Tram (old)", Record("Tram", 2)));
  WriteFileBytes(dir_ + "odd(1).vif", PackedFile("Odd", Record("Odd", 3)));
  WriteFileBytes(dir_ + "empty.vif", "");
  WriteFileBytes(dir_ + "cut.vif", good.substr(0, 20));
  WriteFileBytes(dir_ + "damaged.vif", good.substr(0, good.size() / 2));
  WriteFileBytes(dir_ + "notes.txt", good);
  TVehicleInfo newer = Record("New", 4);
  newer.Version = 2561;
  WriteFileBytes(dir_ + "newer.vif", PackedFile("New", newer));  // refused only when loaded
  std::filesystem::create_directory(dir_ + "folder.vif");
  std::vector<std::string> skipped;
  const auto list = vadrel::ListVehicleFiles(dir_, skipped);
  std::vector<std::string> items;
  for (const auto& e : list) items.push_back(vadrel::VehicleListItemText(e));
  EXPECT_EQ(items, (std::vector<std::string>{"Tram (old) (A.VIF)", "Bus (b.vif)", "New (newer.vif)", "Odd (odd(1).vif)"}));
  ASSERT_EQ(skipped.size(), 3u);
  EXPECT_NE(skipped[0].find("cut.vif"), std::string::npos) << skipped[0];
  EXPECT_NE(skipped[1].find("damaged.vif"), std::string::npos) << skipped[1];
  EXPECT_NE(skipped[2].find("empty.vif"), std::string::npos) << skipped[2];
  EXPECT_TRUE(vadrel::ListVehicleFiles(dir_ + "missing/", skipped).empty());
}

TEST(VehicleTools, BoxOfTheCheckedMeshesStartsAtTheFixedExtremes) {
  auto mesh = std::make_unique<TMesh2>();
  auto other = std::make_unique<TMesh2>();
  *mesh = TMesh2{};
  *other = TMesh2{};
  const float pts[3][3] = {{-5, -1, -2}, {4, 3, 2}, {1, 6, -7}};
  mesh->VertexCount = 3;
  for (int i = 0; i < 3; ++i) {
    mesh->Vertex(i + 1).x = pts[i][0];
    mesh->Vertex(i + 1).y = pts[i][1];
    mesh->Vertex(i + 1).z = pts[i][2];
  }
  vadrel::TBoundResult b = vadrel::MeshBound({mesh.get(), nullptr, nullptr, nullptr, nullptr});
  EXPECT_EQ(b.MinX, -5.0f);
  EXPECT_EQ(b.MinY, -1.0f);
  EXPECT_EQ(b.MinZ, -7.0f);
  EXPECT_EQ(b.MaxX, 4.0f);
  EXPECT_EQ(b.MaxY, 6.0f);
  EXPECT_EQ(b.MaxZ, 2.0f);
  // Everything at negative x: the maximum stays 0; an empty mesh adds nothing.
  other->VertexCount = 1;
  other->Vertex(1).x = -9;
  other->Vertex(1).y = 20;
  other->Vertex(1).z = 30;
  b = vadrel::MeshBound({nullptr, other.get(), nullptr, nullptr, nullptr});
  EXPECT_EQ(b.MinX, -9.0f);
  EXPECT_EQ(b.MaxX, 0.0f);
  EXPECT_EQ(b.MinY, 20.0f);
  EXPECT_EQ(b.MaxZ, 30.0f);
  // Both rows together.
  b = vadrel::MeshBound({mesh.get(), other.get(), nullptr, nullptr, nullptr});
  EXPECT_EQ(b.MinX, -9.0f);
  EXPECT_EQ(b.MaxX, 4.0f);
  EXPECT_EQ(b.MaxY, 20.0f);
  EXPECT_EQ(b.MinZ, -7.0f);
  // A vertex count beyond the array is read no further than the array.
  other->VertexCount = 60000;
  b = vadrel::MeshBound({other.get(), nullptr, nullptr, nullptr, nullptr});
  EXPECT_EQ(b.MinX, -9.0f);
  b = vadrel::MeshBound({});
  EXPECT_EQ(b.MinX, 16777215.0f);
  EXPECT_EQ(b.MaxY, 0.0f);
}

TEST(VehicleTools, SilhouetteCircleFillsOnlyTheGridRows) {
  auto pts = vadrel::SilhouetteCircle(1, 16, 10.0f, 0.0f, 0.0f, 0.0f);
  ASSERT_EQ(pts.size(), 16u);
  const struct {
    size_t i;
    const char *x, *y;
  } expect[] = {{0, "10.00", "0.00"}, {2, "7.07", "7.07"}, {4, "0.00", "10.00"}, {8, "-10.00", "0.00"},
                {12, "0.00", "-10.00"}, {15, "9.24", "-3.83"}};
  for (const auto& e : expect) {
    EXPECT_EQ(pts[e.i].Row, static_cast<int32_t>(e.i) + 1);
    EXPECT_EQ(vadrel::ToolNumberText(pts[e.i].X), e.x) << e.i;
    EXPECT_EQ(vadrel::ToolNumberText(pts[e.i].Y), e.y) << e.i;
    EXPECT_EQ(vadrel::ToolNumberText(pts[e.i].Z), "0.00");
  }
  // Centre and plane.
  pts = vadrel::SilhouetteCircle(10, 4, 2.0f, 1.0f, 2.0f, 3.0f);
  ASSERT_EQ(pts.size(), 4u);
  EXPECT_EQ(pts[0].Row, 10);
  EXPECT_FLOAT_EQ(pts[0].X, 3.0f);
  EXPECT_FLOAT_EQ(pts[1].Y, 4.0f);
  EXPECT_EQ(pts[3].Z, 3.0f);
  // Only rows 1..51 get points; no count, no points.
  pts = vadrel::SilhouetteCircle(50, 16, 1.0f, 0, 0, 0);
  ASSERT_EQ(pts.size(), 2u);
  EXPECT_EQ(pts[1].Row, 51);
  pts = vadrel::SilhouetteCircle(-2, 6, 1.0f, 0, 0, 0);
  ASSERT_EQ(pts.size(), 3u);
  EXPECT_EQ(pts[0].Row, 1);
  EXPECT_FLOAT_EQ(pts[0].X, -1.0f);  // i = 3 of 6: half the circle
  EXPECT_NEAR(pts[0].Y, 0.0f, 1e-6f);
  EXPECT_TRUE(vadrel::SilhouetteCircle(1, 0, 1.0f, 0, 0, 0).empty());
  EXPECT_TRUE(vadrel::SilhouetteCircle(1, -5, 1.0f, 0, 0, 0).empty());
  EXPECT_EQ(vadrel::SilhouetteCircle(1, 0x7FFFFFFF, 1.0f, 0, 0, 0).size(), 51u);
  EXPECT_TRUE(vadrel::SilhouetteCircle(0x7FFFFFF0, 0x7FFFFFFF, 1.0f, 0, 0, 0).empty());
}

}  // namespace
