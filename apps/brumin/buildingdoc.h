// The building editor's file rules that need no window: a building file, its version and its
// script are read and checked whole before the window changes; the texts of the mesh cells, the
// name entry of the selected language and the building list.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "engine/base/types.h"
#include "engine/files/buildingfile.h"
#include "script/scriptfile.h"

namespace brumin {

// "Corvane Brumin v8.0", and " - " + the file's name without its folder when a file name is given.
std::string BuildingCaption(const std::string& fileName = std::string());

// Everything a load takes: the record, its head and the script it names (empty without one).
struct TBuildingLoad {
  TBuildingInfo Info{};
  ShortString<40> Head{};
  TScriptFileData Script;
};

// Why a load was refused: the box to show.
struct TLoadRefusal {
  std::string Caption;
  std::string Text;
};

// Reads the building file `fileName` (a name the system writes, mapped to disk here) and
// everything it needs before the window changes: the file whole (ReadBuildingFile), its version
// (a newer one gives the "Loading Cancelled!" box) and the script file it names. False with the
// box to show when anything is refused; `load` is then not to be used.
bool ReadBuildingForEditor(const std::string& fileName, TBuildingLoad& load, TLoadRefusal& refusal);

// A mesh row's file cell shows the name between single quotes; the record holds the cell without
// its first and its last character (a cell of one character gives the empty name). "NONE" is shown
// without quotes.
std::string MeshNameOfCell(const std::string& cell);
std::string MeshCellOfName(const std::string& name);


}  // namespace brumin
