// The texts shown to the user, in every loaded language at once, looked up by upper-case key.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/base/pointerlist.h"
#include "engine/base/types.h"

constexpr int kMaxLanguages = 20;
constexpr size_t kLanguageKeyLength = 50;  // the characters of a key kept by the engine's options
constexpr size_t kMaxLanguageKeyLength = 255;

// What differs between the programs' language databases. The vehicle program keeps the engine's
// options; the building program installs kBuildingLanguageOptions before it loads a language.
struct TLanguageOptions {
  // The characters of a key that are stored and compared; a key is cut to them everywhere, so a
  // key beyond them is found by its first KeyLength characters. At most kMaxLanguageKeyLength.
  size_t KeyLength;
  // The debugger lines "Loading languagedatabases...", "Loading language <file>..." and
  // "Changed language to <name>".
  bool DebuggerLines;
};
constexpr TLanguageOptions kEngineLanguageOptions = {kLanguageKeyLength, true};
constexpr TLanguageOptions kBuildingLanguageOptions = {kMaxLanguageKeyLength, false};
extern TLanguageOptions LanguageOptions;  // the engine's until set

struct TLanguage {
  std::string Name;  // the file name without its extension
  uint16_t Index = 0;  // 1-based position in Languages
};

struct TMLS {
  ShortString<kMaxLanguageKeyLength> Key{};  // upper case, at most LanguageOptions.KeyLength
  std::string Texts[kMaxLanguages + 1];  // 1..20, by language index
};

extern TList Languages;      // of TLanguage*
extern TList LanguageTexts;  // of TMLS*, in the order keys were first met
extern TLanguage* CurrentLanguage;
extern bool CaptureMissingTexts;

void LoadLanguages(const std::string& dir);
// The language files of Base_DIR + "ui\".
void LoadLanguages();
// The language files (*.lgd) of the folder dir (a system name), in the order LoadLanguages reads them.
std::vector<std::string> LanguageFiles(const std::string& dir);
void LoadLanguageFile(int32_t langIndex, const std::string& fileName);
bool SetLanguage(const std::string& name);
void Translate(const std::string& key, std::string& text);
std::string Translate(const std::string& key);
void GetCurrentText(const TMLS& mls, std::string& text);
void SetMissingText(const std::string& key, const std::string& text, const std::string& langName);
void RunTranslationTool(bool wait);
int32_t RunAndWait(const std::string& commandLine, int32_t showMode);
// Frees every language and text object; the two lists stay, empty.
void FreeLanguages();

TLanguage* LanguageAt(int32_t i);  // 0-based, in load order
TMLS* LanguageTextAt(int32_t i);
