#include "engine/files/ini.h"

#include "engine/base/diagnostics.h"
#include "engine/base/text.h"
#include "engine/files/repository.h"

int32_t IniMaxLines = 0;

namespace {

bool Contains(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }

bool DroppedAtLoad(const std::string& line) {
  if (line.empty()) return true;
  if (Contains(line, "CLASS") && !Contains(line, "IMAGE") && !Contains(line, "CENTER")) return true;
  for (const char* part : {"PARENT", "ANCHOR", "ABSOLUTE", "CAPTION", "STRETCH"})
    if (Contains(line, part)) return true;
  return false;
}

}  // namespace

void LoadIni(TFastIni& ini, const std::string& fileName) {
  ini.Count = 0;
  ini.LastSection = 1;
  if (!xFileExists(fileName)) SYS_Warning("Error: Missing File: " + fileName);
  TRepositoryFile f;
  xAssign(f, fileName);
  xReset(f, 1);  // a missing file stops the program here
  while (!xEof(f)) {
    const int32_t before = xFilePos(f);
    ShortString<31> line;
    xReadLn(f, line);
    if (xFilePos(f) == before) break;  // nothing more can be read
    const std::string upper = UpperShort(line.str());
    ++ini.Count;
    ini.Lines[ini.Count] = upper;
    if (DroppedAtLoad(upper)) --ini.Count;
    if (ini.Count >= kIniMaxLines) {
      xClose(f);
      SYS_BREAKPROGRAM("Inifile too long: " + fileName);
    }
  }
  xClose(f);
  if (ini.Count > IniMaxLines) IniMaxLines = ini.Count;
}

int32_t FindKey(TFastIni& ini, const std::string& section, const std::string& key) {
  const std::string s = "[" + UpperShort(section) + "]";
  const std::string k = UpperShort(key);
  int32_t start = 0;
  if (ini.LastSection < ini.Count && ini.LastSection >= 1 && ini.Lines[ini.LastSection].str() == s) {
    start = ini.LastSection;
  } else {
    for (int32_t i = 1; i <= ini.Count; ++i) {
      if (ini.Lines[i].str() == s) {
        start = i;
        break;
      }
    }
  }
  if (start == 0) return 0;
  ini.LastSection = start;
  for (int32_t i = start + 1; i <= ini.Count; ++i) {
    const std::string line = ini.Lines[i].str();
    if (line.find('[') != std::string::npos) return 0;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    if (line.substr(0, eq) == k) return i;
  }
  return 0;
}

void IniLineValue(const std::string& line, std::string& value) {
  const size_t eq = line.find('=');
  value = eq == std::string::npos ? std::string() : line.substr(eq + 1, 50);
}

void ReadString(TFastIni& ini, const std::string& section, const std::string& key, const std::string& def,
                std::string& value) {
  const int32_t i = FindKey(ini, section, key);
  if (i == 0) {
    value = def;
    return;
  }
  IniLineValue(ini.Lines[i].str(), value);
}

int32_t ReadInteger(TFastIni& ini, const std::string& section, const std::string& key, int32_t def) {
  const int32_t i = FindKey(ini, section, key);
  if (i == 0) return def;
  std::string value;
  IniLineValue(ini.Lines[i].str(), value);
  return StrToIntVal(value);
}
