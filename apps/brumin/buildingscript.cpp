#include "apps/brumin/buildingscript.h"

#include <filesystem>

#include "platform/platform.h"

namespace brumin {

std::string BuildingScriptPath(const std::string& buildingFile, const std::string& scriptName) {
  const size_t cut = buildingFile.find_last_of("\\/");
  const std::string folder = cut == std::string::npos ? std::string() : buildingFile.substr(0, cut + 1);
  return platform::DiskPath(folder + scriptName);
}

bool ReadBuildingScript(const std::string& buildingFile, const std::string& scriptName, TScriptFileData& out,
                        std::string& error) {
  if (scriptName.empty()) {
    out = TScriptFileData{};
    return true;
  }
  const std::string path = BuildingScriptPath(buildingFile, scriptName);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    error = "The building's script file " + path + " was not found";
    return false;
  }
  TScriptFileData data;
  if (!ReadScriptFile(path, data, error)) return false;
  out = std::move(data);
  return true;
}

}  // namespace brumin
