#include "apps/brumin/buildingdoc.h"

#include <algorithm>

#include "apps/brumin/buildingscript.h"
#include "platform/platform.h"

namespace brumin {

std::string BuildingCaption(const std::string& fileName) {
  std::string caption = std::string("Corvane Brumin v") + "8" + "." + "0";
  if (fileName.empty()) return caption;
  const size_t cut = fileName.find_last_of("\\/");
  return caption + " - " + (cut == std::string::npos ? fileName : fileName.substr(cut + 1));
}

bool ReadBuildingForEditor(const std::string& fileName, TBuildingLoad& load, TLoadRefusal& refusal) {
  std::string error;
  if (!ReadBuildingFile(platform::DiskPath(fileName), load.Info, load.Head, error)) {
    refusal = {"Brumin", "Loading failed: " + error};
    return false;
  }
  if (!InfoVersionLoadable(kBuildingVersionRule, load.Info.Version)) {
    refusal = {kBuildingVersionRule.RefusalCaption, InfoVersionRefusalText(kBuildingVersionRule, load.Info.Version)};
    return false;
  }
  if (!ReadBuildingScript(fileName, load.Info.ScriptFile.str(), load.Script, error)) {
    refusal = {"Brumin", "Loading failed: " + error};
    return false;
  }
  return true;
}

std::string MeshNameOfCell(const std::string& cell) {
  return cell.size() >= 2 ? cell.substr(1, cell.size() - 2) : std::string();
}

std::string MeshCellOfName(const std::string& name) { return name == "NONE" ? name : "'" + name + "'"; }

}  // namespace brumin
