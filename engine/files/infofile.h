// The frame of the editors' document files (*.vif, *.bif): a 41-byte name head (a String[40]),
// then the document's record packed as one stream of the byte codec (engine/files/rle.h). What
// differs between the documents is data: the record's size, the noun that names the file in
// messages, and whether a stream that inflates past the record is refused or cut.
//
// Record bytes are made and taken field by field at fixed little-endian offsets (InfoFieldWriter,
// InfoFieldReader); gaps are never written and stay zero.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/base/types.h"

#pragma pack(push, 1)
// A language name ("English") and the document's name in that language (82 bytes).
struct TLanguageName {
  ShortString<40> Language;
  ShortString<40> Name;
};

// One mesh placement of a document (72 bytes).
struct TInfoMeshRow {
  ShortString<40> FileName;  // mesh file name without quotes, "NONE" for an unused row
  uint8_t Gap41[3];
  float X, Y, Z;
  float Nick;  // tilt in degrees
  float Gier;  // turn about the vertical axis in degrees
  float Roll;  // degrees
  uint8_t Used;  // the row's check box: 1 or 0
  uint8_t Gap69[3];
};
#pragma pack(pop)
static_assert(sizeof(TLanguageName) == 82);
static_assert(sizeof(TInfoMeshRow) == 72 && offsetof(TInfoMeshRow, X) == 44 && offsetof(TInfoMeshRow, Used) == 68);

// The differences between the document files.
struct TInfoFileFormat {
  const char* Noun;      // "vehicle", "building": names the file and its record in messages
  int32_t RecordSize;    // bytes of the record
  // A stream that decodes past RecordSize is refused (true) or cut to the record (false).
  bool RefuseInflating;

  int32_t StreamLimit() const { return 4 * RecordSize; }  // the most stream a file may hold
  int32_t CheckSize() const { return 2 * RecordSize; }    // the bound of the save's check decode
};

constexpr int32_t kInfoHeadSize = 41;  // String[40] name head
constexpr const char* kInfoTempSuffix = ".tmp";

// Puts fields into record bytes at their offsets, little-endian.
class InfoFieldWriter {
 public:
  explicit InfoFieldWriter(uint8_t* p) : p_(p) {}
  void U8(size_t off, const uint8_t& v) { p_[off] = v; }
  void U16(size_t off, const uint16_t& v) {
    p_[off] = static_cast<uint8_t>(v);
    p_[off + 1] = static_cast<uint8_t>(v >> 8);
  }
  void U32(size_t off, const uint32_t& v) {
    for (int i = 0; i < 4; ++i) p_[off + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
  }
  void I32(size_t off, const int32_t& v) { U32(off, static_cast<uint32_t>(v)); }
  void F32(size_t off, const float& v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    U32(off, bits);
  }
  void Vec(size_t off, const TVector& v) {
    F32(off, v.x);
    F32(off + 4, v.y);
    F32(off + 8, v.z);
  }
  template <size_t N>
  void Str(size_t off, const ShortString<N>& s) {
    const size_t n = s.size();
    p_[off] = static_cast<uint8_t>(n);
    std::memcpy(p_ + off + 1, s.data, n);  // the characters past the length stay zero
  }

 private:
  uint8_t* p_;
};

// Takes fields out of record bytes at their offsets, little-endian.
class InfoFieldReader {
 public:
  explicit InfoFieldReader(const uint8_t* p) : p_(p) {}
  void U8(size_t off, uint8_t& v) { v = p_[off]; }
  void U16(size_t off, uint16_t& v) { v = static_cast<uint16_t>(p_[off] | p_[off + 1] << 8); }
  void U32(size_t off, uint32_t& v) {
    v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(p_[off + static_cast<size_t>(i)]) << (8 * i);
  }
  void I32(size_t off, int32_t& v) {
    uint32_t u;
    U32(off, u);
    v = static_cast<int32_t>(u);
  }
  void F32(size_t off, float& v) {
    uint32_t bits;
    U32(off, bits);
    std::memcpy(&v, &bits, 4);
  }
  void Vec(size_t off, TVector& v) {
    F32(off, v.x);
    F32(off + 4, v.y);
    F32(off + 8, v.z);
  }
  template <size_t N>
  void Str(size_t off, ShortString<N>& s) {
    const size_t n = std::min<size_t>(p_[off], N);
    s = ShortString<N>{};
    s.len = static_cast<uint8_t>(n);
    std::memcpy(s.data, p_ + off + 1, n);
  }

 private:
  const uint8_t* p_;
};

// The 20 name entries at the start of a record (entry i at 82 * i), and one mesh row at `at`, for
// an InfoFieldWriter (const record) or an InfoFieldReader alike.
template <class IO, class Names>
void VisitInfoNames(IO& io, Names& names) {
  for (size_t i = 0; i < 20; ++i) {
    io.Str(82 * i, names[i].Language);
    io.Str(82 * i + 41, names[i].Name);
  }
}
template <class IO, class Row>
void VisitInfoMeshRow(IO& io, size_t at, Row& m) {
  io.Str(at, m.FileName);
  io.F32(at + 44, m.X);
  io.F32(at + 48, m.Y);
  io.F32(at + 52, m.Z);
  io.F32(at + 56, m.Nick);
  io.F32(at + 60, m.Gier);
  io.F32(at + 64, m.Roll);
  io.U8(at + 68, m.Used);
}

// The 41 bytes of a name head, and a head from them (a length above 40 is cut to 40).
std::array<uint8_t, kInfoHeadSize> InfoHeadBytes(const ShortString<40>& head);
ShortString<40> InfoHeadFromBytes(const uint8_t* bytes);

// Packs RecordSize bytes into `stream`. False, with a message, when the codec refuses them.
bool PackInfoRecord(const TInfoFileFormat& f, const uint8_t* record, std::vector<uint8_t>& stream,
                    std::string* error = nullptr);
// The save check: decodes `stream` (at most StreamLimit bytes of it, into CheckSize bytes, missing
// bytes zero) and compares the first RecordSize bytes with `record`. -1 when they agree, else the
// first position that differs.
int32_t InfoStreamMismatch(const TInfoFileFormat& f, const uint8_t* stream, size_t size, const uint8_t* record);
// Decodes a stream into RecordSize bytes at `record`: at most StreamLimit bytes of it are read and
// a stream that ends early leaves the rest zero. A corrupt stream (and, when the format refuses
// it, one that inflates past the record) is refused with a message and leaves `record` as it was.
bool UnpackInfoRecord(const TInfoFileFormat& f, const uint8_t* stream, size_t size, uint8_t* record,
                      std::string* error = nullptr);

// Writes the 41 bytes of `head`, then `stream`, into a temporary file beside the target (its name
// + kInfoTempSuffix), which then replaces the target; when anything fails the temporary file is
// removed and the target stays as it was.
bool WriteInfoFile(const TInfoFileFormat& f, const std::string& path, const ShortString<40>& head,
                   const std::vector<uint8_t>& stream, std::string* error = nullptr);
// Reads a file into RecordSize bytes at `record` (and its head into *head when given), leniently:
// the head and at most StreamLimit bytes of stream are read, anything further is not. A file that
// cannot be read, is shorter than its head, or holds a stream that UnpackInfoRecord refuses is
// refused with a message and leaves `record` and *head as they were.
bool LoadInfoFile(const TInfoFileFormat& f, const std::string& path, uint8_t* record, ShortString<40>* head = nullptr,
                  std::string* error = nullptr);
// Reads only the name head (its length byte and that many characters, at most 40).
bool ReadInfoFileHead(const TInfoFileFormat& f, const std::string& path, ShortString<40>& head,
                      std::string* error = nullptr);

// The editors' reading: the file is read whole and checked before anything is taken. Refused with
// a message naming the file, leaving `record` and `head` as they were: a file that cannot be
// opened or read, an empty one, one shorter than its head, a stream longer than StreamLimit, and a
// stream UnpackInfoRecord refuses.
bool ReadInfoFileStrict(const TInfoFileFormat& f, const std::string& path, uint8_t* record, ShortString<40>& head,
                        std::string& error);
// The editors' saving of a stream packed beforehand: the check decode must give the record back,
// then the file is written through WriteInfoFile. Otherwise nothing is written, the old file stays
// whole and `error` says that the save failed and why. *mismatch receives the check's position
// (-1 when it agreed) when given.
bool WriteCheckedInfoFile(const TInfoFileFormat& f, const std::string& path, const ShortString<40>& head,
                          const uint8_t* record, const std::vector<uint8_t>& stream, std::string& error,
                          int32_t* mismatch = nullptr);
// Packs, checks and writes a record as above.
bool SaveInfoFileChecked(const TInfoFileFormat& f, const std::string& path, const ShortString<40>& head,
                         const uint8_t* record, std::string& error, int32_t* mismatch = nullptr);

// One document file of a list: its name head and its file name.
struct InfoListEntry {
  std::string head;
  std::string fileName;
};
// The document files of a folder: every file whose name ends in `extension` (".vif") in any letter
// case, in the folder's listing order. A file that ReadInfoFileStrict refuses is left out, with
// its message in `skipped`.
std::vector<InfoListEntry> ListInfoFiles(const TInfoFileFormat& f, const std::string& folder,
                                         const std::string& extension, std::vector<std::string>& skipped);
// A list item's text: "head (file name)".
std::string InfoListItemText(const InfoListEntry& entry);
// The file name in an item text: what follows its last "(", without the final character.
// "Bus (big) (bus1.vif)" gives "bus1.vif".
std::string FileNameOfListItem(const std::string& text);

// The name entry of the selected language: the first entry 0 .. languageCount - 1 (at most 19)
// whose Language equals the language combo's text; with none, the combo's item index. The result
// may lie outside 0..19 (more than 20 languages, or none selected): such an entry does not exist.
int32_t NameEntryIndex(const std::array<TLanguageName, 20>& names, int32_t languageCount, const std::string& comboText,
                       int32_t comboIndex);
constexpr bool NameEntryExists(int32_t index) { return index >= 0 && index < 20; }

// The position of the item "English" in a language list (of several the last), 0 when there is
// none or it lies outside the 20 name entries.
int32_t EnglishItemIndex(const std::vector<std::string>& languageItems);

// A document's versions: the one this program writes, how a stored one compares with it, and the
// box that refuses a newer one.
struct TInfoVersionRule {
  uint32_t Version;             // major * 256 + minor, written by this program
  bool SignedCompare;           // the stored version compares as a signed number (else unsigned)
  const char* ProgramVersion;   // "8.0"
  const char* RefusalCaption;   // the box's title
  const char* RefusalFirstLine; // the box's text before its line "Version needed ..."
};
// A record of this version may be loaded: it is not above the rule's version.
bool InfoVersionLoadable(const TInfoVersionRule& rule, uint32_t version);
// RefusalFirstLine + CR + "Version needed for the chosen file: v" + major + "." + minor +
// " Your version is v" + ProgramVersion + "!"; major and minor are the version div and mod 256,
// taken as the rule compares.
std::string InfoVersionRefusalText(const TInfoVersionRule& rule, uint32_t version);
