#include "economy/town/randomnames.h"

#include <cctype>
#include <cstring>

#include "engine/base/random.h"

TNameTables NameTables[kNameLanguages + 1];

namespace {

// The game's own names (language 1).
const char* const kFirstNames[] = {"Alma",  "Bertil", "Cora",  "Dagny", "Edvin", "Frida", "Gustav",
                                   "Hedda", "Ivar",   "Jorun", "Kasper", "Linnea", "Magnus", "Nora"};
const char* const kLastNames[] = {"Ashgrove", "Birchley", "Coldwater", "Dunmore",  "Elmstead", "Fairbank",
                                  "Greywell", "Hartfield", "Ironside", "Kettering", "Larkholm", "Millbrook",
                                  "Northam",  "Oakhurst",  "Pennick",  "Quarrington"};
const char* const kFirmPatterns[] = {"%L & %L", "%F %L", "%L Brothers", "%L, %L & %L"};
const char* const kFirmSuffixes[] = {"Ltd", "Transport", "Haulage", "& Co", "Carriers"};

template <size_t N, size_t M>
uint16_t Fill(ShortString<N> (&table)[M], const char* const* names, size_t count) {
  uint16_t n = 0;
  for (size_t i = 0; i < count && size_t{n} + 1 < M; ++i) table[++n] = names[i];
  return n;
}

// A drawn entry that is not yet in name and has at least two characters; after the last try the
// last draw is taken.
template <size_t N, size_t M>
std::string Draw(const ShortString<N> (&table)[M], uint16_t count, const std::string& name) {
  std::string pick;
  for (int t = 0; t < kNameDrawTries; ++t) {
    pick = table[Random(count) + 1].str();
    if (pick.size() >= 2 && name.find(pick) == std::string::npos) break;
  }
  return pick;
}

}  // namespace

void InitNameTables() {
  std::memset(static_cast<void*>(NameTables), 0, sizeof(NameTables));
  TNameTables& t = NameTables[1];
  t.FirstNameCount = Fill(t.FirstNames, kFirstNames, std::size(kFirstNames));
  t.LastNameCount = Fill(t.LastNames, kLastNames, std::size(kLastNames));
  t.FirmPatternCount = Fill(t.FirmPatterns, kFirmPatterns, std::size(kFirmPatterns));
  t.FirmSuffixCount = Fill(t.FirmSuffixes, kFirmSuffixes, std::size(kFirmSuffixes));
}

void MakeRandomName(uint16_t language, uint32_t seed, uint8_t firm, std::string& name, uint8_t nameMax,
                    std::string& person, uint8_t personMax) {
  RandSeed = seed;
  if (language < 1 || language > kNameLanguages || NameTables[language].FirstNameCount == 0) language = 1;
  const TNameTables& t = NameTables[language];
  if (t.FirstNameCount == 0) return;
  const uint16_t firsts = t.FirstNameCount < kFirstNameRoom ? t.FirstNameCount : kFirstNameRoom;
  const uint16_t lasts = t.LastNameCount < kLastNameRoom ? t.LastNameCount : kLastNameRoom;
  const uint16_t patterns = t.FirmPatternCount < kFirmPatternRoom ? t.FirmPatternCount : kFirmPatternRoom;
  const uint16_t suffixes = t.FirmSuffixCount < kFirmSuffixRoom ? t.FirmSuffixCount : kFirmSuffixRoom;

  if (firm == 0) {
    name = "%F %L";
  } else {
    name = patterns > 0 ? t.FirmPatterns[Random(patterns) + 1].str() : std::string();
  }
  person.clear();
  bool hadFirst = false;
  // Inserted names are never searched again, so a name holding a '%' ends nothing early.
  for (size_t at = name.find('%'); at != std::string::npos; at = name.find('%', at)) {
    const char code = at + 1 < name.size() ? static_cast<char>(std::toupper(static_cast<unsigned char>(name[at + 1]))) : 0;
    name.erase(at, code != 0 ? 2 : 1);
    if (code == 'F') {
      const std::string first = Draw(t.FirstNames, firsts, name);
      name.insert(at, first);
      at += first.size();
      if (!hadFirst) person = first + " " + person;
      hadFirst = true;
    } else if (code == 'L' && lasts > 0) {
      const std::string last = Draw(t.LastNames, lasts, name);
      name.insert(at, last);
      at += last.size();
      person += last;
    }
  }
  if (firm != 0) {
    if (suffixes > 0) name += " " + t.FirmSuffixes[Random(suffixes) + 1].str();
    if (!hadFirst) person = Draw(t.FirstNames, firsts, name) + " " + person;
  }
  if (name.size() > nameMax) name.resize(nameMax);
  if (person.size() > personMax) person.resize(personMax);
}

namespace {
// The unit start.
const bool g_namesStarted = [] {
  InitNameTables();
  return true;
}();
}  // namespace
