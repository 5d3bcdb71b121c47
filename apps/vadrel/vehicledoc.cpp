#include "apps/vadrel/vehicledoc.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/base/text.h"
#include "platform/platform.h"

namespace vadrel {

std::string FileNamePart(const std::string& name) {
  const size_t cut = name.find_last_of("\\/");
  return cut == std::string::npos ? name : name.substr(cut + 1);
}

std::string VehicleCaption(const std::string& fileName) {
  std::string caption = std::string("Corvane Vadrel v") + "10" + "." + "0";
  if (!fileName.empty()) caption += " - " + FileNamePart(fileName);
  return caption;
}

bool ReadVehicleForEditor(const std::string& path, TVehicleInfo& info, ShortString<40>& head, std::string& error) {
  TVehicleInfoBytes bytes{};
  if (!ReadInfoFileStrict(kVehicleFileFormat, path, bytes.data(), head, error)) return false;
  info = VehicleInfoFromBytes(bytes);
  return true;
}

bool VehicleVersionLoadable(uint32_t version) { return InfoVersionLoadable(kVehicleVersionRule, version); }

std::string VersionRefusalText(uint32_t version) { return InfoVersionRefusalText(kVehicleVersionRule, version); }

bool WriteCheckedVehicleFile(const std::string& path, const ShortString<40>& head, const TVehicleInfo& info,
                             const std::vector<uint8_t>& stream, std::string& error) {
  const TVehicleInfoBytes bytes = VehicleInfoToBytes(info);
  return WriteCheckedInfoFile(kVehicleFileFormat, path, head, bytes.data(), stream, error);
}

bool SaveVehicleForEditor(const std::string& path, const ShortString<40>& head, const TVehicleInfo& info,
                          std::string& error) {
  const TVehicleInfoBytes bytes = VehicleInfoToBytes(info);
  return SaveInfoFileChecked(kVehicleFileFormat, path, head, bytes.data(), error);
}

std::vector<VehicleListEntry> ListVehicleFiles(const std::string& folder, std::vector<std::string>& skipped) {
  return ListInfoFiles(kVehicleFileFormat, folder, ".vif", skipped);
}

std::string VehicleListItemText(const VehicleListEntry& entry) { return InfoListItemText(entry); }

int32_t HeadNameIndex(const std::vector<std::string>& languageItems) { return EnglishItemIndex(languageItems); }

std::string FloatToControlText(float x) { return FloatToStrExact(2, x); }

int32_t GearItemOfCount(int32_t gearCount, int32_t itemCount) {
  if (itemCount <= 0) return -1;
  return std::clamp(gearCount, 0, itemCount - 1);
}

std::string MeshFileNameOfCell(const std::string& cell) {
  if (cell.size() >= 2 && cell.front() == '\'' && cell.back() == '\'') return cell.substr(1, cell.size() - 2);
  return cell;
}

std::string MeshCellOfFileName(const std::string& name) { return name == "NONE" ? name : "'" + name + "'"; }

bool IsNoScriptName(const std::string& name) { return name.empty() || UpperShort(name) == kNoScriptName; }

}  // namespace vadrel
