#include "engine/files/vehiclefile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <numeric>
#include <string>
#include <type_traits>
#include <vector>

#include "engine/files/rle.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Sets a field from its little-endian file image.
void Assign(uint8_t& f, const uint8_t* p) { f = p[0]; }
void Assign(uint16_t& f, const uint8_t* p) { f = static_cast<uint16_t>(p[0] | p[1] << 8); }
void Assign(uint32_t& f, const uint8_t* p) { f = p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
void Assign(int32_t& f, const uint8_t* p) {
  uint32_t u;
  Assign(u, p);
  f = static_cast<int32_t>(u);
}
void Assign(float& f, const uint8_t* p) {
  uint32_t u;
  Assign(u, p);
  std::memcpy(&f, &u, 4);
}
void Assign(TVector& v, const uint8_t* p) {
  Assign(v.x, p);
  Assign(v.y, p + 4);
  Assign(v.z, p + 8);
}
template <size_t N>
void Assign(ShortString<N>& s, const uint8_t* p) {
  s.len = p[0];
  std::memcpy(s.data, p + 1, N);
}

template <class T>
struct IsText : std::false_type {};
template <size_t N>
struct IsText<ShortString<N>> : std::true_type {};

struct Field {
  std::string name;
  size_t offset;
  size_t size;
  bool text;
  std::function<void(TVehicleInfo&, const uint8_t*)> set;
};

template <class Get>
Field F(std::string name, size_t offset, Get get) {
  using T = std::remove_reference_t<decltype(get(std::declval<TVehicleInfo&>()))>;
  return Field{std::move(name), offset, sizeof(T), IsText<T>::value,
               [get](TVehicleInfo& v, const uint8_t* p) { Assign(get(v), p); }};
}

#define FIELD(off, member) F(#member, off, [](TVehicleInfo& v) -> auto& { return v.member; })
#define FIELD_I(off, member, i) F(#member "[" + std::to_string(i) + "]", off, [i](TVehicleInfo& v) -> auto& { return v.member; })

// Every field of the record at its offset in the file.
std::vector<Field> AllFields() {
  std::vector<Field> f;
  for (size_t i = 0; i < 20; ++i) {
    f.push_back(FIELD_I(82 * i, Names[i].Language, i));
    f.push_back(FIELD_I(82 * i + 41, Names[i].Name, i));
  }
  f.push_back(FIELD(1640, VehicleType));
  f.push_back(FIELD(1642, StartYear));
  f.push_back(FIELD(1644, LastYear));
  f.push_back(FIELD(1648, PassengerCapacity));
  for (size_t i = 0; i < 4; ++i) f.push_back(FIELD_I(1652 + 4 * i, Prerequisites[i], i));
  for (size_t i = 0; i < 4; ++i) f.push_back(FIELD_I(1668 + 12 * i, BoundCorners[i], i));
  f.push_back(FIELD(1716, BoundTop));
  f.push_back(FIELD(1720, BoundBottom));
  f.push_back(FIELD(1724, ScriptFile));
  f.push_back(FIELD(1860, Horsepower));
  f.push_back(FIELD(1864, Weight));
  f.push_back(FIELD(1868, MaxSpeed));
  f.push_back(FIELD(1872, CopLength));
  f.push_back(FIELD(1876, AxLength));
  f.push_back(FIELD(1880, CopLength2));
  for (size_t i = 0; i < 5; ++i) f.push_back(FIELD_I(1884 + 12 * i, Points[i], i));
  for (size_t i = 0; i < 5; ++i) {
    const size_t r = 1944 + 72 * i;
    f.push_back(FIELD_I(r, Meshes[i].FileName, i));
    f.push_back(FIELD_I(r + 44, Meshes[i].X, i));
    f.push_back(FIELD_I(r + 48, Meshes[i].Y, i));
    f.push_back(FIELD_I(r + 52, Meshes[i].Z, i));
    f.push_back(FIELD_I(r + 56, Meshes[i].Nick, i));
    f.push_back(FIELD_I(r + 60, Meshes[i].Gier, i));
    f.push_back(FIELD_I(r + 64, Meshes[i].Roll, i));
    f.push_back(FIELD_I(r + 68, Meshes[i].Used, i));
  }
  f.push_back(FIELD(2304, Price));
  f.push_back(FIELD(2308, CostsPerYear));
  for (size_t i = 0; i < 10; ++i) {
    f.push_back(FIELD_I(2312 + 12 * i, SpecialValues[i].Flag, i));
    f.push_back(FIELD_I(2316 + 12 * i, SpecialValues[i].FloatValue, i));
    f.push_back(FIELD_I(2320 + 12 * i, SpecialValues[i].IntValue, i));
  }
  f.push_back(FIELD(2432, NextVehicle1));
  f.push_back(FIELD(2463, NextVehicle2));
  f.push_back(FIELD(2587, AtEnd));
  f.push_back(FIELD(2588, WheelSize));
  f.push_back(FIELD(2592, BrakeSpeed));
  f.push_back(FIELD(2596, Smoking));
  f.push_back(FIELD(2600, SmokeType));
  f.push_back(FIELD(2604, SmokePosition));
  for (size_t i = 0; i < 6; ++i) f.push_back(FIELD_I(2616 + 31 * i, Sounds[i], i));
  f.push_back(FIELD(2804, MotorSoundType));
  f.push_back(FIELD(2808, GearCount));
  for (size_t i = 0; i < 6; ++i) f.push_back(FIELD_I(2812 + 4 * i, GearFrom[i], i));
  for (size_t i = 0; i < 6; ++i) f.push_back(FIELD_I(2836 + 4 * i, GearChange[i], i));
  f.push_back(FIELD(2860, SpeedToSteps));
  f.push_back(FIELD(2864, LoadingWeight));
  f.push_back(FIELD(2868, Volume));
  f.push_back(FIELD(2872, GoodsMixable));
  f.push_back(FIELD(2996, Version));
  f.push_back(FIELD(3000, CostsPerKm));
  f.push_back(FIELD(3004, EngineType));
  for (size_t i = 0; i < 12; ++i) f.push_back(FIELD_I(3008 + 21 * i, GoodsNames[i], i));
  for (size_t i = 0; i < 12; ++i) f.push_back(FIELD_I(3260 + 31 * i, GoodsMeshes[i], i));
  f.push_back(FIELD(3632, SoundMinFactor));
  f.push_back(FIELD(3636, SoundMaxFactor));
  f.push_back(FIELD(3640, SoundBase));
  f.push_back(FIELD(3644, TrainHead));
  f.push_back(FIELD(3645, B1));
  f.push_back(FIELD(3646, B2));
  f.push_back(FIELD(3647, B3));
  f.push_back(FIELD(3648, AddOn));
  for (size_t i = 0; i < 3; ++i) f.push_back(FIELD_I(3649 + i, LightActive[i], i));
  for (size_t i = 0; i < 51; ++i) f.push_back(FIELD_I(3652 + 12 * i, LightSilhouette[i], i));
  for (size_t i = 0; i < 3; ++i) {
    f.push_back(FIELD_I(4264 + 12 * i, LightRanges[i].FirstSil, i));
    f.push_back(FIELD_I(4268 + 12 * i, LightRanges[i].LastSil, i));
    f.push_back(FIELD_I(4272 + 12 * i, LightRanges[i].Coord, i));
  }
  for (size_t i = 0; i < 3; ++i) {
    f.push_back(FIELD_I(4300 + 8 * i, LightCones[i][0], i));
    f.push_back(FIELD_I(4304 + 8 * i, LightCones[i][1], i));
  }
  for (size_t i = 0; i < 12; ++i) f.push_back(FIELD_I(4324 + i, GoodsValues[i], i));
  f.push_back(FIELD(4336, Semitrailer));
  return f;
}

// A distinct non-zero image per field: a text is filled to its capacity; bytes stay below 0x7F,
// so no float image is a NaN.
Bytes Sentinel(const Field& f, size_t k) {
  Bytes b(f.size);
  for (size_t j = 0; j < f.size; ++j) b[j] = static_cast<uint8_t>(1 + (k * 13 + j * 7) % 125);
  if (f.text) b[0] = static_cast<uint8_t>(f.size - 1);
  return b;
}

TVehicleInfo SentinelRecord() {
  TVehicleInfo v{};
  const auto fields = AllFields();
  for (size_t k = 0; k < fields.size(); ++k) fields[k].set(v, Sentinel(fields[k], k).data());
  return v;
}

// A record as an author would fill it in.
TVehicleInfo TypicalRecord() {
  TVehicleInfo v{};
  const char* langs[] = {"English", "Deutsch", "Francais"};
  const char* names[] = {"Steam locomotive", "Dampflok", "Locomotive a vapeur"};
  for (int i = 0; i < 3; ++i) {
    v.Names[i].Language.assign(langs[i]);
    v.Names[i].Name.assign(names[i]);
  }
  v.VehicleType = 1;
  v.StartYear = 1890;
  v.LastYear = 1950;
  v.PassengerCapacity = 0;
  v.BoundCorners[0] = {-1.5f, 0, -6};
  v.BoundCorners[1] = {1.5f, 0, -6};
  v.BoundCorners[2] = {1.5f, 0, 6};
  v.BoundCorners[3] = {-1.5f, 0, 6};
  v.BoundTop = 4.2f;
  v.ScriptFile.assign("steam1.mas");
  v.Horsepower = 1200;
  v.Weight = 78000;
  v.MaxSpeed = 1800;
  v.CopLength = 1.25f;
  v.AxLength = 9.5f;
  v.CopLength2 = 1.25f;
  v.Meshes[0].FileName.assign("steam1_body.msh2");
  v.Meshes[0].Used = 1;
  v.Meshes[1].FileName.assign("steam1_wheels.msh2");
  v.Meshes[1].Y = 0.6f;
  v.Meshes[1].Used = 1;
  for (int i = 2; i < 5; ++i) v.Meshes[i].FileName.assign("NONE");
  v.Price = 250000;
  v.CostsPerYear = 18000;
  v.Smoking = 1;
  v.SmokePosition = {0, 4.5f, 4};
  v.Sounds[0].assign("steam_start.wav");
  v.Sounds[5].assign("steam_move.wav");
  v.GearCount = 1;
  v.GearFrom[0] = 0;
  v.GearChange[0] = 1;
  v.SpeedToSteps = 0.35f;
  v.Version = 2560;
  v.CostsPerKm = 2.5f;
  v.EngineType = 1;
  v.GoodsNames[0].assign("Coal");
  v.GoodsMeshes[0].assign("coal_load.msh2");
  v.GoodsValues[0] = 40;
  v.SoundMinFactor = 0.8f;
  v.SoundMaxFactor = 1.6f;
  v.SoundBase = 1;
  v.TrainHead = 1;
  v.LightActive[0] = 1;
  for (int i = 0; i < 8; ++i) v.LightSilhouette[i] = {static_cast<float>(i % 4) * 0.5f - 0.75f, 3.0f + (i / 4) * 0.25f, 6.05f};
  v.LightRanges[0] = {1, 8, 2};
  v.LightCones[0][0] = 30;
  v.LightCones[0][1] = 45;
  return v;
}

bool SameRecord(const TVehicleInfo& a, const TVehicleInfo& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// ---------------------------------------------------------------------------------------------

TEST(VehicleInfo, WritesEveryFieldAtItsOffsetAndLeavesGapsZero) {
  const auto fields = AllFields();
  const TVehicleInfo v = SentinelRecord();
  const TVehicleInfoBytes bytes = VehicleInfoToBytes(v);
  std::vector<bool> covered(kVehicleInfoSize, false);
  for (size_t k = 0; k < fields.size(); ++k) {
    const Field& f = fields[k];
    const Bytes want = Sentinel(f, k);
    EXPECT_EQ(Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(f.offset), bytes.begin() + static_cast<std::ptrdiff_t>(f.offset + f.size)), want)
        << f.name << " at " << f.offset;
    for (size_t j = 0; j < f.size; ++j) {
      EXPECT_FALSE(covered[f.offset + j]) << f.name << " overlaps another field";
      covered[f.offset + j] = true;
    }
  }
  size_t gapBytes = 0;
  for (size_t p = 0; p < covered.size(); ++p) {
    if (covered[p]) continue;
    ++gapBytes;
    EXPECT_EQ(bytes[p], 0) << "gap byte " << p;
  }
  // 1 + 2 + 95 + 93 + 3 + 2 + 123 + 3,399 between fields, 6 in each mesh row, 3 in each special value.
  EXPECT_EQ(gapBytes, 3718u + 5 * 6 + 10 * 3);
  // The in-memory layout agrees with the file image.
  EXPECT_EQ(std::memcmp(&v, bytes.data(), bytes.size()), 0);
}

TEST(VehicleInfo, ReadsBytesBackIntoTheSameRecord) {
  for (const TVehicleInfo& v : {SentinelRecord(), TypicalRecord(), TVehicleInfo{}}) {
    EXPECT_TRUE(SameRecord(VehicleInfoFromBytes(VehicleInfoToBytes(v)), v));
  }
}

TEST(VehicleInfo, WritesTextsByTheirLengthOnly) {
  TVehicleInfo v{};
  v.ScriptFile.assign("a much longer script file name.mas");
  v.ScriptFile.assign("short.mas");  // the old characters stay behind the length in memory
  v.Sounds[2].assign(std::string(50, 'x'));  // cut to 30
  const TVehicleInfoBytes b = VehicleInfoToBytes(v);
  EXPECT_EQ(b[1724], 9);
  EXPECT_EQ(std::string(b.begin() + 1725, b.begin() + 1734), "short.mas");
  for (size_t p = 1734; p < 1765; ++p) EXPECT_EQ(b[p], 0) << p;
  EXPECT_EQ(b[2616 + 62], 30);
  // A length byte past the capacity in a file is read as the capacity.
  TVehicleInfoBytes odd{};
  odd[2432] = 200;
  std::memset(odd.data() + 2433, 'n', 30);
  EXPECT_EQ(VehicleInfoFromBytes(odd).NextVehicle1.str(), std::string(30, 'n'));
}

class VehicleFile : public ::testing::Test {
 protected:
  std::string dir_ = testing_support::MakeTempFolder("vif");
  std::string Path(const std::string& name) const { return dir_ + name; }
  void WriteRaw(const std::string& name, const Bytes& head, const Bytes& stream) const {
    std::string s(head.begin(), head.end());
    s.append(stream.begin(), stream.end());
    testing_support::WriteFileBytes(Path(name), s);
  }
  static Bytes PackBlock(const Bytes& block) {
    Bytes out(static_cast<size_t>(rlePackBound(static_cast<int64_t>(block.size()))));
    const int32_t n = rlecompress(block.data(), static_cast<int32_t>(block.size()), out.data(), static_cast<int32_t>(out.size()));
    out.resize(static_cast<size_t>(n));
    return out;
  }
  static Bytes Head(const std::string& name) {
    Bytes h(41, 0);
    h[0] = static_cast<uint8_t>(name.size());
    std::memcpy(h.data() + 1, name.data(), name.size());
    return h;
  }
};

TEST_F(VehicleFile, WritesHeadAndPackedRecordAndReadsThemBack) {
  for (const TVehicleInfo& v : {TypicalRecord(), SentinelRecord()}) {
    ASSERT_TRUE(SaveVehicleFile(Path("loco.vif"), v.Names[0].Name, v));
    const std::string file = testing_support::ReadFileBytes(Path("loco.vif"));
    const TVehicleInfoBytes image = VehicleInfoToBytes(v);
    const Bytes stream = PackBlock(Bytes(image.begin(), image.end()));
    EXPECT_EQ(Bytes(file.begin(), file.end()), [&] {
      Bytes h(41, 0);
      h[0] = v.Names[0].Name.len;
      std::memcpy(h.data() + 1, v.Names[0].Name.data, v.Names[0].Name.size());
      h.insert(h.end(), stream.begin(), stream.end());
      return h;
    }());

    TVehicleInfo back{};
    ShortString<40> head{};
    std::string error;
    ASSERT_TRUE(LoadVehicleFile(Path("loco.vif"), back, &head, &error)) << error;
    EXPECT_TRUE(SameRecord(back, v));
    EXPECT_EQ(head.str(), v.Names[0].Name.str());
    ShortString<40> listed{};
    ASSERT_TRUE(ReadVehicleFileHead(Path("loco.vif"), listed));
    EXPECT_EQ(listed.str(), v.Names[0].Name.str());
  }
}

TEST_F(VehicleFile, PackedRecordPassesTheSaveCheck) {
  const TVehicleInfo v = TypicalRecord();
  std::vector<uint8_t> stream;
  ASSERT_TRUE(PackVehicleInfo(v, stream));
  EXPECT_LE(stream.size(), static_cast<size_t>(kVehicleStreamLimit));
  EXPECT_EQ(VehicleStreamMismatch(stream.data(), stream.size(), v), -1);
  TVehicleInfo other = v;
  other.Weight = 78001;  // offset 1864
  EXPECT_EQ(VehicleStreamMismatch(stream.data(), stream.size(), other), 1864);
  // A stream that decodes short compares as zeros behind its end.
  const TVehicleInfoBytes image = VehicleInfoToBytes(v);
  const Bytes shortStream = PackBlock(Bytes(image.begin(), image.begin() + 1700));
  const auto firstNonZero = std::find_if(image.begin() + 1700, image.end(), [](uint8_t b) { return b != 0; });
  EXPECT_EQ(VehicleStreamMismatch(shortStream.data(), shortStream.size(), v), firstNonZero - image.begin());
}

TEST_F(VehicleFile, RefusesDamagedFilesAndKeepsTheDocument) {
  const TVehicleInfo v = TypicalRecord();
  std::vector<uint8_t> good;
  ASSERT_TRUE(PackVehicleInfo(v, good));
  struct Case {
    const char* what;
    Bytes file;  // empty: no file at all
  } cases[] = {
      {"missing file", {}},
      {"head cut short", [&] { Bytes f = Head("Steam locomotive"); f.resize(20); return f; }()},
      {"head only", Head("Steam locomotive")},
      {"stream cut short", [&] { Bytes f = Head("x"); f.insert(f.end(), good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2)); return f; }()},
      {"alphabet count 0", [&] { Bytes f = Head("x"); f.insert(f.end(), {0x00, 0x12, 0x34}); return f; }()},
      {"stream ends inside the alphabet", [&] { Bytes f = Head("x"); f.insert(f.end(), {0x05, 0x03}); return f; }()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string name = Path("bad.vif");
    std::remove(name.c_str());
    if (!c.file.empty()) WriteRaw("bad.vif", c.file, {});
    TVehicleInfo doc = v;
    ShortString<40> head{};
    head.assign("unchanged");
    std::string error;
    EXPECT_FALSE(LoadVehicleFile(name, doc, &head, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(SameRecord(doc, v));
    EXPECT_EQ(head.str(), "unchanged");
  }
}

TEST_F(VehicleFile, ShortStreamLeavesRestZeroAndLongStreamIsCutAtTheRecord) {
  const TVehicleInfoBytes image = VehicleInfoToBytes(TypicalRecord());
  // Ends after 2,000 bytes: the rest of the record is zero.
  WriteRaw("short.vif", Head("s"), PackBlock(Bytes(image.begin(), image.begin() + 2000)));
  TVehicleInfo doc = SentinelRecord();
  ASSERT_TRUE(LoadVehicleFile(Path("short.vif"), doc));
  TVehicleInfoBytes expect{};
  std::copy(image.begin(), image.begin() + 2000, expect.begin());
  EXPECT_TRUE(SameRecord(doc, VehicleInfoFromBytes(expect)));
  EXPECT_EQ(doc.Version, 0u);
  // Decodes past 7,736 bytes: the first 7,736 make the record, the rest is dropped.
  Bytes longer(image.begin(), image.end());
  longer.insert(longer.end(), 2000, 0x55);
  WriteRaw("long.vif", Head("l"), PackBlock(longer));
  ASSERT_TRUE(LoadVehicleFile(Path("long.vif"), doc));
  EXPECT_TRUE(SameRecord(doc, TypicalRecord()));
}

TEST_F(VehicleFile, ReadsNoMoreStreamThanTheLimit) {
  // Trailing bytes after the end code are not read.
  std::vector<uint8_t> good;
  ASSERT_TRUE(PackVehicleInfo(TypicalRecord(), good));
  Bytes padded(good);
  padded.resize(static_cast<size_t>(kVehicleStreamLimit) + 5000, 0xFF);
  WriteRaw("padded.vif", Head("p"), padded);
  TVehicleInfo doc{};
  ASSERT_TRUE(LoadVehicleFile(Path("padded.vif"), doc));
  EXPECT_TRUE(SameRecord(doc, TypicalRecord()));
  // A valid stream that needs more bytes than the limit: N 2 (code 3 with D 1, code 0), LenBits 8,
  // IdxBits 2, 30,944 bytes of empty runs (index 1, count 0), a literal and the end code.
  Bytes stream;
  {
    std::vector<int> bits;
    auto put = [&](uint32_t v, int w) {
      for (int i = 0; i < w; ++i) bits.push_back((v >> i) & 1);
    };
    put(2, 8);
    put(3, 2);
    put(1, 8);
    put(0, 2);
    put(7, 3);
    put(1, 3);
    while (bits.size() < static_cast<size_t>(kVehicleStreamLimit) * 8) {
      put(1, 1);
      put(0, 1);
      put(1, 2);
      put(0, 8);
    }
    put(0, 1);
    put(0, 2);
    put(1, 1);
    put(0, 1);
    put(0, 2);
    put(0, 8);
    stream.assign((bits.size() + 7) / 8 + 1, 0);
    for (size_t i = 0; i < bits.size(); ++i) stream[i / 8] |= static_cast<uint8_t>(bits[i] << (i % 8));
  }
  // The whole stream decodes; cut to the limit it is damaged.
  Bytes out(10);
  TRleStatus status;
  EXPECT_EQ(rledecompress(stream.data(), static_cast<int32_t>(stream.size()), out.data(), 10, &status), 1);
  EXPECT_EQ(status, TRleStatus::Complete);
  WriteRaw("huge.vif", Head("h"), stream);
  EXPECT_FALSE(LoadVehicleFile(Path("huge.vif"), doc));
}

TEST_F(VehicleFile, ReplacesTheTargetOnlyWhenTheNewFileIsWrittenWhole) {
  const TVehicleInfo v = TypicalRecord();
  const std::string target = Path("bus.vif");
  testing_support::WriteFileBytes(target, "old contents");
  std::string error;
  ASSERT_TRUE(SaveVehicleFile(target, v.Names[0].Name, v, &error)) << error;
  TVehicleInfo back{};
  ASSERT_TRUE(LoadVehicleFile(target, back));
  EXPECT_TRUE(SameRecord(back, v));
  EXPECT_FALSE(std::filesystem::exists(target + kVehicleTempSuffix));  // nothing left beside it

  // The temporary file cannot be made: the target keeps every byte and the error names the place.
  const std::string before = testing_support::ReadFileBytes(target);
  std::filesystem::create_directory(target + kVehicleTempSuffix);
  TVehicleInfo other = v;
  other.Weight = 1;
  EXPECT_FALSE(SaveVehicleFile(target, v.Names[0].Name, other, &error));
  EXPECT_NE(error.find(target + kVehicleTempSuffix), std::string::npos) << error;
  EXPECT_EQ(testing_support::ReadFileBytes(target), before);
  std::filesystem::remove(target + kVehicleTempSuffix);

  // The target cannot be replaced (a folder stands there): the temporary file goes again.
  const std::string folder = Path("folder.vif");
  std::filesystem::create_directory(folder);
  testing_support::WriteFileBytes(folder + "/inside", "x");
  EXPECT_FALSE(SaveVehicleFile(folder, v.Names[0].Name, v, &error));
  EXPECT_NE(error.find(folder), std::string::npos) << error;
  EXPECT_FALSE(std::filesystem::exists(folder + kVehicleTempSuffix));
  EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST_F(VehicleFile, RecordOfEveryByteValueIsNotSaved) {
  TVehicleInfo v = TypicalRecord();
  // The light silhouette's floats carry every byte value.
  uint8_t* p = reinterpret_cast<uint8_t*>(&v.LightSilhouette[0]);
  for (int i = 0; i < 256; ++i) p[i] = static_cast<uint8_t>(i);
  std::string error;
  std::vector<uint8_t> stream;
  EXPECT_FALSE(PackVehicleInfo(v, stream, &error));
  EXPECT_NE(error.find("256"), std::string::npos);
  EXPECT_FALSE(SaveVehicleFile(Path("all.vif"), v.Names[0].Name, v, &error));
  EXPECT_FALSE(std::filesystem::exists(Path("all.vif")));
}

}  // namespace
