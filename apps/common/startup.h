// The start-up rules of both editors that need no window: the ini file that names the base
// directory, and the texts a stopped start-up shows.
#pragma once

#include <string>

namespace appcommon {

constexpr const char* kUIDirName = "ui\\";

// The base directory: the first line of the ini file `iniName` in `iniFolder` (empty: the current
// folder) followed by "\", or `programFolder` when there is no ini file. Returns false with a
// message naming the path when the ini file exists but cannot be read.
bool ReadBaseDirectory(const std::string& iniFolder, const std::string& iniName, const std::string& programFolder,
                       std::string& baseDir, std::string& error);

// The folders as start-up takes them: Base_DIR from the ini file of the current folder (else the
// program's folder), which must exist, and Work_DIR = Base_DIR + `workDirName`. Returns false with
// a message naming the path, and both left as they were, otherwise.
bool SetStartFolders(const std::string& iniName, const std::string& workDirName, std::string& error);

// The text of a failed file operation on a path, as the start-up shows it.
std::string IoErrorText(int err, const std::string& path);

// The text the start-up shows when the languages folder holds no language file.
std::string NoLanguageText(const std::string& path);

}  // namespace appcommon
