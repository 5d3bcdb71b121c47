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

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool EndsWithNoCase(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && UpperShort(s.substr(s.size() - tail.size())) == UpperShort(tail);
}

}  // namespace

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
  File f(std::fopen(path.c_str(), "rb"));
  if (!f) {
    error = "Cannot open the vehicle file " + path + " (" + std::strerror(errno) + ")";
    return false;
  }
  long size = -1;
  if (std::fseek(f.get(), 0, SEEK_END) == 0) size = std::ftell(f.get());
  if (size < 0 || std::fseek(f.get(), 0, SEEK_SET) != 0) {
    error = "Cannot read the vehicle file " + path + " (" + std::strerror(errno) + ")";
    return false;
  }
  if (size == 0) {
    error = "The vehicle file " + path + " is empty";
    return false;
  }
  if (size < kVehicleHeadSize) {
    error = "The vehicle file " + path + " ends inside its name head";
    return false;
  }
  if (size - kVehicleHeadSize > kVehicleStreamLimit) {
    error = "The vehicle file " + path + " holds more than " + std::to_string(kVehicleStreamLimit) +
            " bytes of record: it is not a vehicle file of this program";
    return false;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (std::fread(bytes.data(), 1, bytes.size(), f.get()) != bytes.size()) {
    error = "Cannot read the vehicle file " + path + (std::ferror(f.get()) ? " (" + std::string(std::strerror(errno)) + ")"
                                                                            : std::string(": it ended early"));
    return false;
  }
  f.reset();
  TVehicleInfo decoded{};
  if (!UnpackVehicleInfo(bytes.data() + kVehicleHeadSize, bytes.size() - kVehicleHeadSize, decoded)) {
    error = "The vehicle file " + path + " is damaged: its record cannot be read";
    return false;
  }
  info = decoded;
  head = ShortString<40>{};
  head.len = std::min<uint8_t>(bytes[0], 40);
  std::memcpy(head.data, bytes.data() + 1, head.len);
  return true;
}

bool VehicleVersionLoadable(uint32_t version) { return static_cast<int32_t>(version) <= kVehicleInfoVersion; }

std::string VersionRefusalText(uint32_t version) {
  const int32_t v = static_cast<int32_t>(version);
  return std::string("ERROR : The file you tried to load has been created with a newer version of this program, ") +
         "LOADING CANCELED!" + "\r" + "Version needed for the chosen file: v" + IntToStrShort(v / 256) + "." +
         IntToStrShort(v % 256) + " Your version is v" + "10" + "." + "0" + "!";
}

bool WriteCheckedVehicleFile(const std::string& path, const ShortString<40>& head, const TVehicleInfo& info,
                             const std::vector<uint8_t>& stream, std::string& error) {
  const int32_t p = VehicleStreamMismatch(stream.data(), stream.size(), info);
  if (p >= 0) {
    error = "Saving failed: the packed record does not decode to the record (first difference at byte " +
            IntToStrShort(p) + "). Nothing was written to " + path + ".";
    return false;
  }
  std::string why;
  if (!WriteVehicleFile(path, head, stream, &why)) {
    error = "Saving failed: " + why + ". The file " + path + " was left as it was.";
    return false;
  }
  return true;
}

bool SaveVehicleForEditor(const std::string& path, const ShortString<40>& head, const TVehicleInfo& info,
                          std::string& error) {
  std::vector<uint8_t> stream;
  std::string why;
  if (!PackVehicleInfo(info, stream, &why)) {
    error = "Saving failed: " + why + ". Nothing was written to " + path + ".";
    return false;
  }
  return WriteCheckedVehicleFile(path, head, info, stream, error);
}

std::vector<VehicleListEntry> ListVehicleFiles(const std::string& folder, std::vector<std::string>& skipped) {
  std::vector<VehicleListEntry> list;
  std::string dir = folder.empty() ? std::string(".") : folder;
  if (dir.back() != '/') dir += '/';
  for (const std::string& name : platform::ListFolder(dir, false)) {
    if (!EndsWithNoCase(name, ".vif")) continue;
    TVehicleInfo info{};
    ShortString<40> head{};
    std::string error;
    if (!ReadVehicleForEditor(dir + name, info, head, error)) {
      skipped.push_back(error);
      continue;
    }
    list.push_back({head.str(), name});
  }
  return list;
}

std::string VehicleListItemText(const VehicleListEntry& entry) { return entry.head + " (" + entry.fileName + ")"; }

std::string FileNameOfListItem(const std::string& text) {
  std::string s = text;
  for (size_t open = s.find('('); open != std::string::npos; open = s.find('(')) s.erase(0, open + 1);
  if (!s.empty()) s.pop_back();
  return s;
}

int32_t HeadNameIndex(const std::vector<std::string>& languageItems) {
  int32_t k = 0;
  for (size_t i = 0; i < languageItems.size(); ++i)
    if (languageItems[i] == "English") k = static_cast<int32_t>(i);
  return k < 20 ? k : 0;
}

std::string FloatToControlText(float x) {
  if (std::isnan(x) || std::isinf(x)) return FloatToStrDigits(2, x);
  // Fixed point never needs more than 150 decimals to hold a float exactly.
  for (int32_t digits = 2; digits <= 150; ++digits) {
    std::string s = FloatToStrDigits(digits, x);
    if (ControlTextToFloat(s) == x) return s;
  }
  return FloatToStrDigits(2, x);
}

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
