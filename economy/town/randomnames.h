// Random firm and person names for the news, drawn from name tables per language.
#pragma once

#include <cstdint>
#include <string>

#include "engine/base/types.h"

constexpr int kNameLanguages = 30;
constexpr int kFirstNameRoom = 200;
constexpr int kLastNameRoom = 500;
constexpr int kFirmPatternRoom = 10;
constexpr int kFirmSuffixRoom = 10;
// Draws of a name that is already in the result or shorter than two characters before the last
// draw is taken as it is.
constexpr int kNameDrawTries = 64;

// One language's tables. A firm pattern holds "%F" (a first name) and "%L" (a last name).
struct TNameTables {
  uint16_t FirstNameCount;
  uint16_t LastNameCount;
  uint16_t FirmPatternCount;
  uint16_t FirmSuffixCount;
  ShortString<15> FirstNames[kFirstNameRoom + 1];  // 1-based
  ShortString<23> LastNames[kLastNameRoom + 1];
  ShortString<23> FirmPatterns[kFirmPatternRoom + 1];
  ShortString<23> FirmSuffixes[kFirmSuffixRoom + 1];
};
extern TNameTables NameTables[kNameLanguages + 1];  // 1..30

// Empties every table, then fills language 1 with the game's own small set of names.
void InitNameTables();

// A random name from the tables of the language (language 1 when that one has no first names;
// nothing is touched when language 1 has none either). Person form (firm = 0): name is
// "first last"; firm form: a firm pattern filled in, then a suffix. person gets the person in the
// name (or, for a firm pattern without a first name, a first name before its last names). The
// generator is seeded with seed; both results are cut to their room.
void MakeRandomName(uint16_t language, uint32_t seed, uint8_t firm, std::string& name, uint8_t nameMax,
                    std::string& person, uint8_t personMax);
