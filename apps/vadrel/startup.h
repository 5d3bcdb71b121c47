// The start-up rules of the vehicle editor that need no window.
#pragma once

#include <string>

namespace vadrel {

constexpr const char* kIniName = "vadrel.ini";
constexpr const char* kUIDirName = "ui\\";
constexpr const char* kVehiclesDirName = "vehicles\\";
constexpr const char* kVersionText = "10.0";

// The base directory: the first line of the ini file in `iniFolder` followed by "\", or
// `programFolder` when there is no ini file. Returns false with a message naming the path when
// the ini file exists but cannot be read.
bool ReadBaseDirectory(const std::string& iniFolder, const std::string& programFolder, std::string& baseDir,
                       std::string& error);

// The text of a failed file operation on a path, as the start-up shows it.
std::string IoErrorText(int err, const std::string& path);

// The text the start-up shows when the languages folder holds no language file.
std::string NoLanguageText(const std::string& path);

}  // namespace vadrel
