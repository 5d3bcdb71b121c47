#include "engine/files/vehiclefile.h"

TVehicleInfo TestVehicleInfo;

namespace {

// Every field of the record with its offset, for writing (const record) and reading alike.
template <class IO, class Info>
void VisitFields(IO& io, Info& v) {
  VisitInfoNames(io, v.Names);
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
  for (size_t i = 0; i < 5; ++i) VisitInfoMeshRow(io, 1944 + 72 * i, v.Meshes[i]);
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

}  // namespace

TVehicleInfoBytes VehicleInfoToBytes(const TVehicleInfo& info) {
  TVehicleInfoBytes bytes{};
  InfoFieldWriter w(bytes.data());
  VisitFields(w, info);
  return bytes;
}

TVehicleInfo VehicleInfoFromBytes(const TVehicleInfoBytes& bytes) {
  TVehicleInfo info{};
  InfoFieldReader r(bytes.data());
  VisitFields(r, info);
  return info;
}

bool PackVehicleInfo(const TVehicleInfo& info, std::vector<uint8_t>& stream, std::string* error) {
  const TVehicleInfoBytes bytes = VehicleInfoToBytes(info);
  return PackInfoRecord(kVehicleFileFormat, bytes.data(), stream, error);
}

int32_t VehicleStreamMismatch(const uint8_t* stream, size_t size, const TVehicleInfo& info) {
  const TVehicleInfoBytes bytes = VehicleInfoToBytes(info);
  return InfoStreamMismatch(kVehicleFileFormat, stream, size, bytes.data());
}

bool UnpackVehicleInfo(const uint8_t* stream, size_t size, TVehicleInfo& info, std::string* error) {
  TVehicleInfoBytes bytes{};
  if (!UnpackInfoRecord(kVehicleFileFormat, stream, size, bytes.data(), error)) return false;
  info = VehicleInfoFromBytes(bytes);
  return true;
}

bool WriteVehicleFile(const std::string& path, const ShortString<40>& head, const std::vector<uint8_t>& stream,
                      std::string* error) {
  return WriteInfoFile(kVehicleFileFormat, path, head, stream, error);
}

bool SaveVehicleFile(const std::string& path, const ShortString<40>& head, const TVehicleInfo& info,
                     std::string* error) {
  std::vector<uint8_t> stream;
  if (!PackVehicleInfo(info, stream, error)) return false;
  return WriteVehicleFile(path, head, stream, error);
}

bool LoadVehicleFile(const std::string& path, TVehicleInfo& info, ShortString<40>* head, std::string* error) {
  TVehicleInfoBytes bytes{};
  if (!LoadInfoFile(kVehicleFileFormat, path, bytes.data(), head, error)) return false;
  info = VehicleInfoFromBytes(bytes);
  return true;
}

bool ReadVehicleFileHead(const std::string& path, ShortString<40>& head, std::string* error) {
  return ReadInfoFileHead(kVehicleFileFormat, path, head, error);
}
