// The building's script file (*.mas) as loading and saving a building reach it: it lies in the
// folder of the building file under the name the record carries. Kept apart from the building file
// so that the script page joins here.
#pragma once

#include <string>

#include "script/scriptfile.h"

namespace brumin {

// The path on disk of the script file `scriptName` beside the building file `buildingFile` (both
// may be written with '\' and in any letter case).
std::string BuildingScriptPath(const std::string& buildingFile, const std::string& scriptName);

// Reads the script a building names. No name: `out` is emptied and the building has no script.
// A script file that is missing, cannot be read or is refused gives false with a message naming
// it, and `out` stays as it was.
bool ReadBuildingScript(const std::string& buildingFile, const std::string& scriptName, TScriptFileData& out,
                        std::string& error);

}  // namespace brumin
