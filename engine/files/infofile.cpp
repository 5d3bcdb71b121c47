#include "engine/files/infofile.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "engine/base/text.h"
#include "engine/files/rle.h"
#include "platform/platform.h"

namespace {

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string Noun(const TInfoFileFormat& f) { return f.Noun; }

bool EndsWithNoCase(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && UpperShort(s.substr(s.size() - tail.size())) == UpperShort(tail);
}

}  // namespace

std::array<uint8_t, kInfoHeadSize> InfoHeadBytes(const ShortString<40>& head) {
  std::array<uint8_t, kInfoHeadSize> b{};
  const size_t n = head.size();
  b[0] = static_cast<uint8_t>(n);
  std::memcpy(b.data() + 1, head.data, n);
  return b;
}

ShortString<40> InfoHeadFromBytes(const uint8_t* b) {
  ShortString<40> head{};
  head.len = std::min<uint8_t>(b[0], 40);
  std::memcpy(head.data, b + 1, head.len);
  return head;
}

bool PackInfoRecord(const TInfoFileFormat& f, const uint8_t* record, std::vector<uint8_t>& stream,
                    std::string* error) {
  stream.assign(static_cast<size_t>(f.StreamLimit()), 0);
  TRlePackStatus status;
  const int32_t n = rlecompress(record, f.RecordSize, stream.data(), f.StreamLimit(), &status);
  if (n <= 0) {
    stream.clear();
    SetError(error, status == TRlePackStatus::AllByteValues
                        ? "The " + Noun(f) + " record holds all 256 byte values and cannot be packed"
                        : "The " + Noun(f) + " record cannot be packed");
    return false;
  }
  stream.resize(static_cast<size_t>(n));
  return true;
}

int32_t InfoStreamMismatch(const TInfoFileFormat& f, const uint8_t* stream, size_t size, const uint8_t* record) {
  std::vector<uint8_t> check(static_cast<size_t>(f.CheckSize()), 0);
  const int32_t len = static_cast<int32_t>(std::min<size_t>(size, static_cast<size_t>(f.StreamLimit())));
  rledecompress(stream, len, check.data(), f.CheckSize());
  const uint8_t* end = record + f.RecordSize;
  const auto diff = std::mismatch(record, end, check.begin());
  return diff.first == end ? -1 : static_cast<int32_t>(diff.first - record);
}

bool UnpackInfoRecord(const TInfoFileFormat& f, const uint8_t* stream, size_t size, uint8_t* record,
                      std::string* error) {
  std::vector<uint8_t> bytes(static_cast<size_t>(f.RecordSize), 0);
  const int32_t len = static_cast<int32_t>(std::min<size_t>(size, static_cast<size_t>(f.StreamLimit())));
  TRleStatus status;
  rledecompress(stream, len, bytes.data(), f.RecordSize, &status);
  if (status == TRleStatus::Corrupt) {
    SetError(error, "The " + Noun(f) + " record is damaged and cannot be read");
    return false;
  }
  if (status == TRleStatus::Overflow && f.RefuseInflating) {
    SetError(error, "The " + Noun(f) + " record decodes to more than " + std::to_string(f.RecordSize) +
                        " bytes and cannot be read");
    return false;
  }
  std::copy(bytes.begin(), bytes.end(), record);
  return true;
}

bool WriteInfoFile(const TInfoFileFormat& f, const std::string& path, const ShortString<40>& head,
                   const std::vector<uint8_t>& stream, std::string* error) {
  // The file is made beside its target under a temporary name and renamed over the target only
  // when it was written whole: a failed save leaves the old file as it was.
  const std::string temp = path + kInfoTempSuffix;
  File file(std::fopen(temp.c_str(), "wb"));
  if (!file) {
    SetError(error, "Cannot create the " + Noun(f) + " file " + temp + " (" + std::strerror(errno) + ")");
    return false;
  }
  const auto h = InfoHeadBytes(head);
  bool ok = std::fwrite(h.data(), 1, h.size(), file.get()) == h.size();
  ok = ok && (stream.empty() || std::fwrite(stream.data(), 1, stream.size(), file.get()) == stream.size());
  ok = (std::fclose(file.release()) == 0) && ok;
  if (!ok) {
    const int err = errno;
    std::remove(temp.c_str());
    SetError(error, "Cannot write the " + Noun(f) + " file " + temp + " (" + std::strerror(err) + ")");
    return false;
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    std::remove(temp.c_str());
    SetError(error, "Cannot replace the " + Noun(f) + " file " + path + " (" + std::strerror(err) + ")");
    return false;
  }
  return true;
}

bool LoadInfoFile(const TInfoFileFormat& f, const std::string& path, uint8_t* record, ShortString<40>* head,
                  std::string* error) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    SetError(error, "Cannot open the " + Noun(f) + " file " + path);
    return false;
  }
  // The head and at most StreamLimit bytes of stream; anything further is not read.
  std::vector<uint8_t> buf(static_cast<size_t>(kInfoHeadSize + f.StreamLimit()));
  const size_t got = std::fread(buf.data(), 1, buf.size(), file.get());
  const bool readError = std::ferror(file.get()) != 0;
  file.reset();
  if (readError) {
    SetError(error, "Cannot read the " + Noun(f) + " file " + path);
    return false;
  }
  if (got < static_cast<size_t>(kInfoHeadSize)) {
    SetError(error, "The " + Noun(f) + " file " + path + " ends inside its name head");
    return false;
  }
  if (!UnpackInfoRecord(f, buf.data() + kInfoHeadSize, got - kInfoHeadSize, record)) {
    SetError(error, "The " + Noun(f) + " file " + path + " is damaged: its record cannot be read");
    return false;
  }
  if (head) *head = InfoHeadFromBytes(buf.data());
  return true;
}

bool ReadInfoFileHead(const TInfoFileFormat& f, const std::string& path, ShortString<40>& head, std::string* error) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    SetError(error, "Cannot open the " + Noun(f) + " file " + path);
    return false;
  }
  // The length byte and that many characters (at most 40).
  uint8_t b[kInfoHeadSize] = {};
  if (std::fread(b, 1, 1, file.get()) != 1) {
    SetError(error, "The " + Noun(f) + " file " + path + " ends inside its name head");
    return false;
  }
  b[0] = std::min<uint8_t>(b[0], 40);
  if (std::fread(b + 1, 1, b[0], file.get()) != b[0]) {
    SetError(error, "The " + Noun(f) + " file " + path + " ends inside its name head");
    return false;
  }
  head = InfoHeadFromBytes(b);
  return true;
}

bool ReadInfoFileStrict(const TInfoFileFormat& f, const std::string& path, uint8_t* record, ShortString<40>& head,
                        std::string& error) {
  const std::string what = "the " + Noun(f) + " file " + path;
  const std::string What = "The " + Noun(f) + " file " + path;
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    error = "Cannot open " + what + " (" + std::strerror(errno) + ")";
    return false;
  }
  long size = -1;
  if (std::fseek(file.get(), 0, SEEK_END) == 0) size = std::ftell(file.get());
  if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) {
    error = "Cannot read " + what + " (" + std::strerror(errno) + ")";
    return false;
  }
  if (size == 0) {
    error = What + " is empty";
    return false;
  }
  if (size < kInfoHeadSize) {
    error = What + " ends inside its name head";
    return false;
  }
  if (size - kInfoHeadSize > f.StreamLimit()) {
    error = What + " holds more than " + std::to_string(f.StreamLimit()) + " bytes of record: it is not a " +
            Noun(f) + " file of this program";
    return false;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
    error = "Cannot read " + what +
            (std::ferror(file.get()) ? " (" + std::string(std::strerror(errno)) + ")" : std::string(": it ended early"));
    return false;
  }
  file.reset();
  std::string why;
  if (!UnpackInfoRecord(f, bytes.data() + kInfoHeadSize, bytes.size() - kInfoHeadSize, record, &why)) {
    error = f.RefuseInflating ? What + " is damaged: " + why
                              : What + " is damaged: its record cannot be read";
    return false;
  }
  head = InfoHeadFromBytes(bytes.data());
  return true;
}

bool WriteCheckedInfoFile(const TInfoFileFormat& f, const std::string& path, const ShortString<40>& head,
                          const uint8_t* record, const std::vector<uint8_t>& stream, std::string& error,
                          int32_t* mismatch) {
  const int32_t p = InfoStreamMismatch(f, stream.data(), stream.size(), record);
  if (mismatch) *mismatch = p;
  if (p >= 0) {
    error = "Saving failed: the packed record does not decode to the record (first difference at byte " +
            IntToStrShort(p) + "). Nothing was written to " + path + ".";
    return false;
  }
  std::string why;
  if (!WriteInfoFile(f, path, head, stream, &why)) {
    error = "Saving failed: " + why + ". The file " + path + " was left as it was.";
    return false;
  }
  return true;
}

bool SaveInfoFileChecked(const TInfoFileFormat& f, const std::string& path, const ShortString<40>& head,
                         const uint8_t* record, std::string& error, int32_t* mismatch) {
  if (mismatch) *mismatch = -1;
  std::vector<uint8_t> stream;
  std::string why;
  if (!PackInfoRecord(f, record, stream, &why)) {
    error = "Saving failed: " + why + ". Nothing was written to " + path + ".";
    return false;
  }
  return WriteCheckedInfoFile(f, path, head, record, stream, error, mismatch);
}

std::vector<InfoListEntry> ListInfoFiles(const TInfoFileFormat& f, const std::string& folder,
                                         const std::string& extension, std::vector<std::string>& skipped) {
  std::vector<InfoListEntry> list;
  std::string dir = folder.empty() ? std::string(".") : folder;
  if (dir.back() != '/') dir += '/';
  std::vector<uint8_t> record(static_cast<size_t>(f.RecordSize));
  for (const std::string& name : platform::ListFolder(dir, false)) {
    if (!EndsWithNoCase(name, extension)) continue;
    ShortString<40> head{};
    std::string error;
    if (!ReadInfoFileStrict(f, dir + name, record.data(), head, error)) {
      skipped.push_back(error);
      continue;
    }
    list.push_back({head.str(), name});
  }
  return list;
}

int32_t EnglishItemIndex(const std::vector<std::string>& languageItems) {
  int32_t k = 0;
  for (size_t i = 0; i < languageItems.size(); ++i)
    if (languageItems[i] == "English") k = static_cast<int32_t>(i);
  return k < 20 ? k : 0;
}

bool InfoVersionLoadable(const TInfoVersionRule& rule, uint32_t version) {
  return rule.SignedCompare ? static_cast<int32_t>(version) <= static_cast<int32_t>(rule.Version)
                            : version <= rule.Version;
}

std::string InfoVersionRefusalText(const TInfoVersionRule& rule, uint32_t version) {
  std::string major, minor;
  if (rule.SignedCompare) {
    const int32_t v = static_cast<int32_t>(version);
    major = IntToStrShort(v / 256);
    minor = IntToStrShort(v % 256);
  } else {
    major = std::to_string(version / 256);
    minor = std::to_string(version % 256);
  }
  return std::string(rule.RefusalFirstLine) + "\r" + "Version needed for the chosen file: v" + major + "." + minor +
         " Your version is v" + rule.ProgramVersion + "!";
}

int32_t NameEntryIndex(const std::array<TLanguageName, 20>& names, int32_t languageCount, const std::string& comboText,
                       int32_t comboIndex) {
  const int32_t n = std::min<int32_t>(languageCount, 20);
  for (int32_t i = 0; i < n; ++i)
    if (names[static_cast<size_t>(i)].Language.str() == comboText) return i;
  return comboIndex;
}

std::string InfoListItemText(const InfoListEntry& entry) { return entry.head + " (" + entry.fileName + ")"; }

std::string FileNameOfListItem(const std::string& text) {
  const size_t open = text.find_last_of('(');
  std::string s = open == std::string::npos ? text : text.substr(open + 1);
  if (!s.empty()) s.pop_back();
  return s;
}
