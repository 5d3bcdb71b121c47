// The vehicle editor's file rules that need no window: a vehicle file is read and checked whole
// before anything is shown, a record is saved only when its packed bytes decode back to it, the
// file list of the work folder, and the texts with which the controls show numbers and names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/base/types.h"
#include "engine/files/vehiclefile.h"

namespace vadrel {

// The window caption: "Corvane Vadrel v10.0", and " - " + the file's name without its folder when
// a file name is given.
std::string VehicleCaption(const std::string& fileName = std::string());
// Everything after the last '\' or '/' of a name.
std::string FileNamePart(const std::string& name);

// Reads a vehicle file into a fresh record: the 41-byte name head, then the stream that fills the
// rest of the file. Refused with a message naming the file, leaving `info` and `head` as they
// were: a file that cannot be opened or read, one shorter than its head, a stream longer than the
// work buffer (kVehicleStreamLimit bytes), a damaged stream (also one that ends early).
bool ReadVehicleForEditor(const std::string& path, TVehicleInfo& info, ShortString<40>& head, std::string& error);

// The name under which saving keeps the record in memory (for the lights of the 3D view) and
// writes no file.
constexpr const char* kInMemorySaveName = "***";

// The message box that refuses a newer file.
constexpr const char* kVersionRefusalCaption = "! FATAL ERROR OCCURED !";
// The vehicle's versions: 2560 (10.0) written; Version compared as a signed number.
constexpr TInfoVersionRule kVehicleVersionRule{
    static_cast<uint32_t>(kVehicleInfoVersion), true, "10.0", kVersionRefusalCaption,
    "ERROR : The file you tried to load has been created with a newer version of this program, LOADING CANCELED!"};
// A record of this version may be loaded: Version, compared as a signed number, is at most 2560.
bool VehicleVersionLoadable(uint32_t version);
std::string VersionRefusalText(uint32_t version);

// Saves a record under `head`: packs it, decodes the packed bytes again and compares them with
// the record, and writes the file (through a temporary file beside it) only when they agree.
// When the record cannot be packed, the check differs or the file cannot be written, nothing is
// written, the old file stays whole, and `error` says that the save failed and why.
bool SaveVehicleForEditor(const std::string& path, const ShortString<40>& head, const TVehicleInfo& info,
                          std::string& error);
// The check and write of a save for a stream packed beforehand.
bool WriteCheckedVehicleFile(const std::string& path, const ShortString<40>& head, const TVehicleInfo& info,
                             const std::vector<uint8_t>& stream, std::string& error);

// One vehicle file of the list: its name head and its file name.
using VehicleListEntry = InfoListEntry;
// The vehicle files of a folder: every file whose name ends in ".vif" in any letter case, in the
// folder's listing order. A file that loading would refuse for its bytes (empty, cut short,
// damaged) is left out, with a text for it in `skipped`.
std::vector<VehicleListEntry> ListVehicleFiles(const std::string& folder, std::vector<std::string>& skipped);
// head + " (" + file name + ")"
std::string VehicleListItemText(const VehicleListEntry& entry);
using ::FileNameOfListItem;

// The entry of the vehicle's names that heads its file: the position of the item "English" in the
// language list (of several the last), 0 when there is none or it lies outside the 20 entries.
int32_t HeadNameIndex(const std::vector<std::string>& languageItems);

// A float as the controls show it: two decimals, more when two would not read back as the same
// value (0.125 shows as "0.125", 12.5 as "12.50").
std::string FloatToControlText(float x);

// The gear combo's item for a stored gear count: the stored item index, held inside the list.
int32_t GearItemOfCount(int32_t gearCount, int32_t itemCount);

// A mesh row's file cell holds the file name between single quotes; the record holds it bare.
std::string MeshFileNameOfCell(const std::string& cell);  // only surrounding quotes go
std::string MeshCellOfFileName(const std::string& name);  // "NONE" stays bare

// The script file name of a vehicle without script: empty or "NONE.MAS" in any letter case.
constexpr const char* kNoScriptName = "NONE.MAS";
bool IsNoScriptName(const std::string& name);

}  // namespace vadrel
