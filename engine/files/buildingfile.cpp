#include "engine/files/buildingfile.h"

namespace {

// Every field of the record with its offset, for writing (const record) and reading alike.
template <class IO, class Info>
void VisitFields(IO& io, Info& v) {
  VisitInfoNames(io, v.Names);
  io.U8(1640, v.BuildingType);
  io.U16(1642, v.StartYear);
  io.U16(1644, v.LastYear);
  io.I32(1648, v.MinCitySize);
  io.I32(1652, v.MinIndustrySize);
  io.I32(1656, v.Storeys);
  io.U8(1660, v.Wealth);
  io.I32(1664, v.MaxInhabitants);
  io.U8(1668, v.FixedSize);
  for (size_t i = 0; i < 4; ++i) io.Vec(1688 + 12 * i, v.BoundCorners[i]);
  io.F32(1736, v.BoundTop);
  io.F32(1740, v.BoundBottom);
  for (size_t i = 0; i < 4; ++i) io.U8(1744 + i, v.Fronts[i]);
  io.Str(1748, v.ScriptFile);
  for (size_t i = 0; i < 30; ++i) io.Vec(1792 + 12 * i, v.Points[i]);
  io.U8(2152, v.GeneratorPoint);
  io.U8(2153, v.UsedWays);
  for (size_t i = 0; i < 20; ++i) {
    for (size_t p = 0; p < 4; ++p) io.U8(2154 + 5 * i + p, v.Ways[i].Points[p]);
    io.U8(2154 + 5 * i + 4, v.Ways[i].Kind);
  }
  for (size_t i = 0; i < 30; ++i) VisitInfoMeshRow(io, 2256 + 72 * i, v.Meshes[i]);
  io.I32(4416, v.Costs);
  io.I32(4420, v.DestructionCosts);
  io.Str(4424, v.Style);
  io.U8(4445, v.Location);
  io.U8(4446, v.Placement);
  io.U8(4447, v.Smoking);
  io.I32(4448, v.SmokeType);
  io.Vec(4452, v.SmokePosition);
  io.U32(4464, v.Version);
  for (size_t i = 0; i < 100; ++i) {
    const size_t at = 4468 + 16 * i;
    io.Vec(at, v.Nodes[i].Position);
    io.U8(at + 12, v.Nodes[i].Next1);
    io.U8(at + 13, v.Nodes[i].Next2);
    io.U8(at + 14, v.Nodes[i].Station);
    io.U8(at + 15, v.Nodes[i].Switcher);
  }
  io.U8(6068, v.Wayed);
  io.I32(6072, v.Waypoint1);
  io.I32(6076, v.Waypoint2);
  io.I32(6080, v.WayType);
  io.I32(6084, v.ExitNode);
  io.I32(6088, v.DepotNode);
  io.I32(6092, v.ParkingSlots);
  io.U8(6096, v.NirvanaDepot);
  io.F32(6100, v.SlotLength);
  for (size_t k = 0; k < 100; ++k) io.U8(6104 + k, v.NodeScripted[k]);
  io.F32(6204, v.DepotSpeed);
  io.U8(6208, v.WayInvisible);
  io.Str(6209, v.Sound15Minutes);
  io.U8(6250, v.Play15Minutes);
  io.U8(6251, v.MapUnique);
  io.U8(6252, v.CitySpecific);
}

}  // namespace

TBuildingInfoBytes BuildingInfoToBytes(const TBuildingInfo& info) {
  TBuildingInfoBytes bytes{};
  InfoFieldWriter w(bytes.data());
  VisitFields(w, info);
  return bytes;
}

TBuildingInfo BuildingInfoFromBytes(const TBuildingInfoBytes& bytes) {
  TBuildingInfo info{};
  InfoFieldReader r(bytes.data());
  VisitFields(r, info);
  return info;
}

bool ReadBuildingFile(const std::string& path, TBuildingInfo& info, ShortString<40>& head, std::string& error) {
  TBuildingInfoBytes bytes{};  // zero, so a short stream leaves the rest of the record zero
  if (!ReadInfoFileStrict(kBuildingFileFormat, path, bytes.data(), head, error)) return false;
  info = BuildingInfoFromBytes(bytes);
  return true;
}

bool SaveBuildingFile(const std::string& path, const ShortString<40>& head, const TBuildingInfo& info,
                      std::string& error, int32_t* mismatch) {
  const TBuildingInfoBytes bytes = BuildingInfoToBytes(info);
  return SaveInfoFileChecked(kBuildingFileFormat, path, head, bytes.data(), error, mismatch);
}

std::vector<InfoListEntry> ListBuildingFiles(const std::string& folder, std::vector<std::string>& skipped) {
  return ListInfoFiles(kBuildingFileFormat, folder, ".bif", skipped);
}

int32_t BuildingHeadIndex(const TLanguageName (&names)[20], const std::vector<std::string>& languageItems) {
  for (int32_t i = 0; i < 20; ++i)
    if (names[i].Language.str() == "English") return i;
  return EnglishItemIndex(languageItems);
}
