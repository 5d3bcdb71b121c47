#include "apps/common/startup.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "engine/base/worldstate.h"
#include "platform/platform.h"

namespace appcommon {

std::string IoErrorText(int err, const std::string& path) {
  return "I/O error " + std::to_string(err) + " (" + std::strerror(err) + "): " + path;
}

std::string NoLanguageText(const std::string& path) { return "No language file (*.lgd) in " + path; }

bool ReadBaseDirectory(const std::string& iniFolder, const std::string& iniName, const std::string& programFolder,
                       std::string& baseDir, std::string& error) {
  std::string iniPath = iniFolder;
  if (!iniPath.empty() && iniPath.back() != '/') iniPath += '/';
  iniPath += iniName;
  iniPath = platform::DiskPath(iniPath);
  FILE* f = std::fopen(iniPath.c_str(), "rb");
  if (!f) {
    if (errno == ENOENT) {
      baseDir = programFolder;
      return true;
    }
    error = IoErrorText(errno, iniPath);
    return false;
  }
  // The first line, ended by CR LF, LF or CR, read as a short string of at most 255 characters.
  std::string line;
  int c;
  errno = 0;
  while ((c = std::fgetc(f)) != EOF && c != '\n' && c != '\r') {
    if (line.size() < 255) line.push_back(static_cast<char>(c));
  }
  bool failed = std::ferror(f) != 0;
  int err = errno;
  std::fclose(f);
  if (failed) {
    error = IoErrorText(err ? err : EIO, iniPath);
    return false;
  }
  baseDir = line + "\\";
  return true;
}

bool SetStartFolders(const std::string& iniName, const std::string& workDirName, std::string& error) {
  std::string base;
  if (!ReadBaseDirectory(std::string(), iniName, platform::ProgramFolder(), base, error)) return false;
  // A base folder that is not there stops here, before anything is read from it.
  if (!std::filesystem::is_directory(platform::DiskPath(base))) {
    error = IoErrorText(ENOENT, platform::DiskPath(base));
    return false;
  }
  Base_DIR = base;
  Work_DIR = base + workDirName;
  return true;
}

}  // namespace appcommon
