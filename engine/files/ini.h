// The fast ini reader: an ini-like file read once into a fixed record of short upper-cased lines;
// section and key lookups answer from memory.
#pragma once

#include <cstdint>
#include <string>

#include "engine/base/types.h"

constexpr int32_t kIniMaxLines = 2250;

struct TFastIni {
  int32_t Count = 0;
  ShortString<31> Lines[kIniMaxLines + 1]{};  // 1..2250
  int32_t LastSection = 1;
};

extern int32_t IniMaxLines;  // the largest Count loaded so far

void LoadIni(TFastIni& ini, const std::string& fileName);
int32_t FindKey(TFastIni& ini, const std::string& section, const std::string& key);
void ReadString(TFastIni& ini, const std::string& section, const std::string& key, const std::string& def,
                std::string& value);
int32_t ReadInteger(TFastIni& ini, const std::string& section, const std::string& key, int32_t def);
void IniLineValue(const std::string& line, std::string& value);
