#include "engine/files/vehiclefile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/files/rle.h"

TVehicleInfo TestVehicleInfo;

namespace {

// Puts fields into record bytes at their offsets, little-endian.
class FieldWriter {
 public:
  explicit FieldWriter(uint8_t* p) : p_(p) {}
  void U8(size_t off, const uint8_t& v) { p_[off] = v; }
  void U16(size_t off, const uint16_t& v) {
    p_[off] = static_cast<uint8_t>(v);
    p_[off + 1] = static_cast<uint8_t>(v >> 8);
  }
  void U32(size_t off, const uint32_t& v) {
    for (int i = 0; i < 4; ++i) p_[off + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
  }
  void I32(size_t off, const int32_t& v) { U32(off, static_cast<uint32_t>(v)); }
  void F32(size_t off, const float& v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    U32(off, bits);
  }
  void Vec(size_t off, const TVector& v) {
    F32(off, v.x);
    F32(off + 4, v.y);
    F32(off + 8, v.z);
  }
  template <size_t N>
  void Str(size_t off, const ShortString<N>& s) {
    const size_t n = s.size();
    p_[off] = static_cast<uint8_t>(n);
    std::memcpy(p_ + off + 1, s.data, n);  // the characters past the length stay zero
  }

 private:
  uint8_t* p_;
};

// Takes fields out of record bytes at their offsets, little-endian.
class FieldReader {
 public:
  explicit FieldReader(const uint8_t* p) : p_(p) {}
  void U8(size_t off, uint8_t& v) { v = p_[off]; }
  void U16(size_t off, uint16_t& v) { v = static_cast<uint16_t>(p_[off] | p_[off + 1] << 8); }
  void U32(size_t off, uint32_t& v) {
    v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(p_[off + static_cast<size_t>(i)]) << (8 * i);
  }
  void I32(size_t off, int32_t& v) {
    uint32_t u;
    U32(off, u);
    v = static_cast<int32_t>(u);
  }
  void F32(size_t off, float& v) {
    uint32_t bits;
    U32(off, bits);
    std::memcpy(&v, &bits, 4);
  }
  void Vec(size_t off, TVector& v) {
    F32(off, v.x);
    F32(off + 4, v.y);
    F32(off + 8, v.z);
  }
  template <size_t N>
  void Str(size_t off, ShortString<N>& s) {
    const size_t n = std::min<size_t>(p_[off], N);
    s = ShortString<N>{};
    s.len = static_cast<uint8_t>(n);
    std::memcpy(s.data, p_ + off + 1, n);
  }

 private:
  const uint8_t* p_;
};

// Every field of the record with its offset, for writing (const record) and reading alike.
template <class IO, class Info>
void VisitFields(IO& io, Info& v) {
  for (size_t i = 0; i < 20; ++i) {
    io.Str(82 * i, v.Names[i].Language);
    io.Str(82 * i + 41, v.Names[i].Name);
  }
  io.U8(1640, v.VehicleType);
  io.U16(1642, v.StartYear);
  io.U16(1644, v.LastYear);
  io.I32(1648, v.PassengerCapacity);
  for (size_t i = 0; i < 4; ++i) io.I32(1652 + 4 * i, v.Prerequisites[i]);
  for (size_t i = 0; i < 4; ++i) io.Vec(1668 + 12 * i, v.BoundCorners[i]);
  io.F32(1716, v.BoundTop);
  io.F32(1720, v.BoundBottom);
  io.Str(1724, v.ScriptFile);
  io.I32(1860, v.Horsepower);
  io.I32(1864, v.Weight);
  io.F32(1868, v.MaxSpeed);
  io.F32(1872, v.CopLength);
  io.F32(1876, v.AxLength);
  io.F32(1880, v.CopLength2);
  for (size_t i = 0; i < 5; ++i) io.Vec(1884 + 12 * i, v.Points[i]);
  for (size_t i = 0; i < 5; ++i) {
    const size_t row = 1944 + 72 * i;
    auto& m = v.Meshes[i];
    io.Str(row, m.FileName);
    io.F32(row + 44, m.X);
    io.F32(row + 48, m.Y);
    io.F32(row + 52, m.Z);
    io.F32(row + 56, m.Nick);
    io.F32(row + 60, m.Gier);
    io.F32(row + 64, m.Roll);
    io.U8(row + 68, m.Used);
  }
  io.I32(2304, v.Price);
  io.I32(2308, v.CostsPerYear);
  for (size_t i = 0; i < 10; ++i) {
    const size_t at = 2312 + 12 * i;
    io.U8(at, v.SpecialValues[i].Flag);
    io.F32(at + 4, v.SpecialValues[i].FloatValue);
    io.I32(at + 8, v.SpecialValues[i].IntValue);
  }
  io.Str(2432, v.NextVehicle1);
  io.Str(2463, v.NextVehicle2);
  io.U8(2587, v.AtEnd);
  io.F32(2588, v.WheelSize);
  io.F32(2592, v.BrakeSpeed);
  io.U8(2596, v.Smoking);
  io.I32(2600, v.SmokeType);
  io.Vec(2604, v.SmokePosition);
  for (size_t i = 0; i < 6; ++i) io.Str(2616 + 31 * i, v.Sounds[i]);
  io.I32(2804, v.MotorSoundType);
  io.I32(2808, v.GearCount);
  for (size_t i = 0; i < 6; ++i) io.F32(2812 + 4 * i, v.GearFrom[i]);
  for (size_t i = 0; i < 6; ++i) io.F32(2836 + 4 * i, v.GearChange[i]);
  io.F32(2860, v.SpeedToSteps);
  io.I32(2864, v.LoadingWeight);
  io.I32(2868, v.Volume);
  io.U8(2872, v.GoodsMixable);
  io.U32(2996, v.Version);
  io.F32(3000, v.CostsPerKm);
  io.I32(3004, v.EngineType);
  for (size_t i = 0; i < 12; ++i) io.Str(3008 + 21 * i, v.GoodsNames[i]);
  for (size_t i = 0; i < 12; ++i) io.Str(3260 + 31 * i, v.GoodsMeshes[i]);
  io.F32(3632, v.SoundMinFactor);
  io.F32(3636, v.SoundMaxFactor);
  io.F32(3640, v.SoundBase);
  io.U8(3644, v.TrainHead);
  io.U8(3645, v.B1);
  io.U8(3646, v.B2);
  io.U8(3647, v.B3);
  io.U8(3648, v.AddOn);
  for (size_t i = 0; i < 3; ++i) io.U8(3649 + i, v.LightActive[i]);
  for (size_t i = 0; i < 51; ++i) io.Vec(3652 + 12 * i, v.LightSilhouette[i]);
  for (size_t i = 0; i < 3; ++i) {
    io.I32(4264 + 12 * i, v.LightRanges[i].FirstSil);
    io.I32(4268 + 12 * i, v.LightRanges[i].LastSil);
    io.I32(4272 + 12 * i, v.LightRanges[i].Coord);
  }
  for (size_t i = 0; i < 3; ++i) {
    io.F32(4300 + 8 * i, v.LightCones[i][0]);
    io.F32(4304 + 8 * i, v.LightCones[i][1]);
  }
  for (size_t i = 0; i < 12; ++i) io.U8(4324 + i, v.GoodsValues[i]);
  io.U8(4336, v.Semitrailer);
}

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::array<uint8_t, kVehicleHeadSize> HeadBytes(const ShortString<40>& head) {
  std::array<uint8_t, kVehicleHeadSize> b{};
  const size_t n = head.size();
  b[0] = static_cast<uint8_t>(n);
  std::memcpy(b.data() + 1, head.data, n);
  return b;
}

ShortString<40> HeadFromBytes(const uint8_t* b) {
  ShortString<40> head{};
  head.len = std::min<uint8_t>(b[0], 40);
  std::memcpy(head.data, b + 1, head.len);
  return head;
}

}  // namespace

TVehicleInfoBytes VehicleInfoToBytes(const TVehicleInfo& info) {
  TVehicleInfoBytes bytes{};
  FieldWriter w(bytes.data());
  VisitFields(w, info);
  return bytes;
}

TVehicleInfo VehicleInfoFromBytes(const TVehicleInfoBytes& bytes) {
  TVehicleInfo info{};
  FieldReader r(bytes.data());
  VisitFields(r, info);
  return info;
}

bool PackVehicleInfo(const TVehicleInfo& info, std::vector<uint8_t>& stream, std::string* error) {
  const TVehicleInfoBytes bytes = VehicleInfoToBytes(info);
  stream.assign(static_cast<size_t>(kVehicleStreamLimit), 0);
  TRlePackStatus status;
  const int32_t n = rlecompress(bytes.data(), kVehicleInfoSize, stream.data(), kVehicleStreamLimit, &status);
  if (n <= 0) {
    stream.clear();
    SetError(error, status == TRlePackStatus::AllByteValues
                        ? "The vehicle record holds all 256 byte values and cannot be packed"
                        : "The vehicle record cannot be packed");
    return false;
  }
  stream.resize(static_cast<size_t>(n));
  return true;
}

int32_t VehicleStreamMismatch(const uint8_t* stream, size_t size, const TVehicleInfo& info) {
  const TVehicleInfoBytes bytes = VehicleInfoToBytes(info);
  std::vector<uint8_t> check(static_cast<size_t>(kVehicleCheckSize), 0);
  const int32_t len = static_cast<int32_t>(std::min<size_t>(size, static_cast<size_t>(kVehicleStreamLimit)));
  rledecompress(stream, len, check.data(), kVehicleCheckSize);
  const auto diff = std::mismatch(bytes.begin(), bytes.end(), check.begin());
  return diff.first == bytes.end() ? -1 : static_cast<int32_t>(diff.first - bytes.begin());
}

bool UnpackVehicleInfo(const uint8_t* stream, size_t size, TVehicleInfo& info, std::string* error) {
  TVehicleInfoBytes bytes{};
  const int32_t len = static_cast<int32_t>(std::min<size_t>(size, static_cast<size_t>(kVehicleStreamLimit)));
  TRleStatus status;
  rledecompress(stream, len, bytes.data(), kVehicleInfoSize, &status);
  if (status == TRleStatus::Corrupt) {
    SetError(error, "The vehicle record is damaged and cannot be read");
    return false;
  }
  info = VehicleInfoFromBytes(bytes);
  return true;
}

bool WriteVehicleFile(const std::string& path, const ShortString<40>& head, const std::vector<uint8_t>& stream,
                      std::string* error) {
  // The file is made beside its target under a temporary name and renamed over the target only
  // when it was written whole: a failed save leaves the old file as it was.
  const std::string temp = path + kVehicleTempSuffix;
  File f(std::fopen(temp.c_str(), "wb"));
  if (!f) {
    SetError(error, "Cannot create the vehicle file " + temp + " (" + std::strerror(errno) + ")");
    return false;
  }
  const auto h = HeadBytes(head);
  bool ok = std::fwrite(h.data(), 1, h.size(), f.get()) == h.size();
  ok = ok && (stream.empty() || std::fwrite(stream.data(), 1, stream.size(), f.get()) == stream.size());
  ok = (std::fclose(f.release()) == 0) && ok;
  if (!ok) {
    const int err = errno;
    std::remove(temp.c_str());
    SetError(error, "Cannot write the vehicle file " + temp + " (" + std::strerror(err) + ")");
    return false;
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    std::remove(temp.c_str());
    SetError(error, "Cannot replace the vehicle file " + path + " (" + std::strerror(err) + ")");
    return false;
  }
  return true;
}

bool SaveVehicleFile(const std::string& path, const ShortString<40>& head, const TVehicleInfo& info,
                     std::string* error) {
  std::vector<uint8_t> stream;
  if (!PackVehicleInfo(info, stream, error)) return false;
  return WriteVehicleFile(path, head, stream, error);
}

bool LoadVehicleFile(const std::string& path, TVehicleInfo& info, ShortString<40>* head, std::string* error) {
  File f(std::fopen(path.c_str(), "rb"));
  if (!f) {
    SetError(error, "Cannot open the vehicle file " + path);
    return false;
  }
  // The head and at most kVehicleStreamLimit bytes of stream; anything further is not read.
  std::vector<uint8_t> buf(static_cast<size_t>(kVehicleHeadSize + kVehicleStreamLimit));
  const size_t got = std::fread(buf.data(), 1, buf.size(), f.get());
  const bool readError = std::ferror(f.get()) != 0;
  f.reset();
  if (readError) {
    SetError(error, "Cannot read the vehicle file " + path);
    return false;
  }
  if (got < static_cast<size_t>(kVehicleHeadSize)) {
    SetError(error, "The vehicle file " + path + " ends inside its name head");
    return false;
  }
  TVehicleInfo decoded{};
  if (!UnpackVehicleInfo(buf.data() + kVehicleHeadSize, got - kVehicleHeadSize, decoded)) {
    SetError(error, "The vehicle file " + path + " is damaged: its record cannot be read");
    return false;
  }
  info = decoded;
  if (head) *head = HeadFromBytes(buf.data());
  return true;
}

bool ReadVehicleFileHead(const std::string& path, ShortString<40>& head, std::string* error) {
  File f(std::fopen(path.c_str(), "rb"));
  if (!f) {
    SetError(error, "Cannot open the vehicle file " + path);
    return false;
  }
  // The length byte and that many characters (at most 40).
  uint8_t b[kVehicleHeadSize] = {};
  if (std::fread(b, 1, 1, f.get()) != 1) {
    SetError(error, "The vehicle file " + path + " ends inside its name head");
    return false;
  }
  b[0] = std::min<uint8_t>(b[0], 40);
  if (std::fread(b + 1, 1, b[0], f.get()) != b[0]) {
    SetError(error, "The vehicle file " + path + " ends inside its name head");
    return false;
  }
  head = HeadFromBytes(b);
  return true;
}
