#include "engine/files/languages.h"

#include <algorithm>
#include <cstdio>
#include <strings.h>

#include "engine/base/diagnostics.h"
#include "engine/base/text.h"
#include "engine/base/worldstate.h"
#include "platform/platform.h"

TList Languages;
TList LanguageTexts;
TLanguage* CurrentLanguage = nullptr;
bool CaptureMissingTexts = false;
TLanguageOptions LanguageOptions = kEngineLanguageOptions;

namespace {

constexpr const char* kTranslationTool = "quenlory.exe";
constexpr const char* kMissingKeyFile = "debugl.txt";

size_t KeyLength() { return std::min(LanguageOptions.KeyLength, kMaxLanguageKeyLength); }

std::string KeyOf(const std::string& key) { return UpperShort(key).substr(0, KeyLength()); }

void DebuggerLine(const std::string& text) {
  if (LanguageOptions.DebuggerLines) SYS_DebugOut(text);
}

TMLS* FindText(const std::string& key) {
  for (int32_t i = 0; i < LanguageTexts.Count; ++i) {
    TMLS* m = LanguageTextAt(i);
    if (m->Key.str() == key) return m;
  }
  return nullptr;
}

TMLS* FindOrAddText(const std::string& key) {
  if (TMLS* m = FindText(key)) return m;
  auto* m = new TMLS();
  m->Key = key.substr(0, KeyLength());
  LanguageTexts.Add(m);
  return m;
}

// A text file read line by line; a line ends at CR LF, at a lone LF or at a lone CR.
class LineReader {
 public:
  explicit LineReader(FILE* f) : f_(f) {}
  bool next(std::string& line) {
    line.clear();
    int c = std::fgetc(f_);
    if (c == EOF) return false;
    while (c != EOF && c != '\n' && c != '\r') {
      line.push_back(static_cast<char>(c));
      c = std::fgetc(f_);
    }
    if (c == '\r') {
      int n = std::fgetc(f_);
      if (n != '\n' && n != EOF) std::ungetc(n, f_);
    }
    return true;
  }

 private:
  FILE* f_;
};

}  // namespace

TLanguage* LanguageAt(int32_t i) { return static_cast<TLanguage*>(Languages.Get(i)); }
TMLS* LanguageTextAt(int32_t i) { return static_cast<TMLS*>(LanguageTexts.Get(i)); }

void LoadLanguages(const std::string& dir) {
  DebuggerLine("Loading languagedatabases...");
  for (const std::string& file : LanguageFiles(dir)) {
    if (Languages.Count >= kMaxLanguages) {
      SYS_Warning("language: too many language files, left out: " + file);
      continue;
    }
    auto* lang = new TLanguage();
    lang->Name = file;
    lang->Index = static_cast<uint16_t>(Languages.Count + 1);
    Languages.Add(lang);
    LoadLanguageFile(lang->Index, dir + file);
    const size_t dot = lang->Name.find('.');
    if (dot != std::string::npos) lang->Name.erase(dot, 4);
  }
  CurrentLanguage = LanguageAt(0);  // no language file at all stops with the list's index error
}

void LoadLanguages() { LoadLanguages(Base_DIR.str() + "ui\\"); }

std::vector<std::string> LanguageFiles(const std::string& dir) {
  std::vector<std::string> files;
  for (const std::string& file : platform::ListFolder(platform::DiskPath(dir), false)) {
    if (file.size() >= 4 && strcasecmp(file.c_str() + file.size() - 4, ".lgd") == 0) files.push_back(file);
  }
  return files;
}

void LoadLanguageFile(int32_t langIndex, const std::string& fileName) {
  DebuggerLine("Loading language " + fileName + "...");
  FILE* f = std::fopen(platform::DiskPath(fileName).c_str(), "rb");
  if (!f) SYS_BREAKPROGRAM("missing file " + fileName);
  if (langIndex < 1 || langIndex > kMaxLanguages) {
    std::fclose(f);
    return;
  }
  LineReader reader(f);
  std::string keyLine, line;
  while (reader.next(keyLine) && keyLine != "^^") {
    std::string text;
    bool first = true;
    while (reader.next(line) && line != "@@") {
      if (!first) text += "\r\n";
      text += line;
      first = false;
    }
    FindOrAddText(KeyOf(keyLine))->Texts[langIndex] = text;
  }
  std::fclose(f);
}

bool SetLanguage(const std::string& name) {
  DebuggerLine("Changed language to " + name);
  const std::string upper = UpperShort(name);
  bool found = false;
  for (int32_t i = 0; i < Languages.Count; ++i) {
    TLanguage* lang = LanguageAt(i);
    if (UpperShort(lang->Name) == upper) {
      CurrentLanguage = lang;
      found = true;
    }
  }
  return found;
}

void GetCurrentText(const TMLS& mls, std::string& text) {
  text = CurrentLanguage ? mls.Texts[CurrentLanguage->Index] : std::string();
}

void Translate(const std::string& key, std::string& text) {
  const std::string k = KeyOf(key);
  if (TMLS* m = FindText(k)) {
    GetCurrentText(*m, text);
    return;
  }
  text = "!" + UpperShort(key) + "!";
  if (!CaptureMissingTexts) return;
  if (FILE* f = std::fopen(kMissingKeyFile, "wb")) {
    std::fprintf(f, "%s\r\n", k.c_str());
    std::fclose(f);
  }
  RunTranslationTool(true);
  SetMissingText(k, text, CurrentLanguage ? CurrentLanguage->Name : std::string());
}

std::string Translate(const std::string& key) {
  std::string text;
  Translate(key, text);
  return text;
}

void SetMissingText(const std::string& key, const std::string& text, const std::string& langName) {
  TMLS* m = FindOrAddText(key);
  const std::string upper = UpperShort(langName);
  TLanguage* target = nullptr;
  for (int32_t i = 0; i < Languages.Count; ++i)
    if (UpperShort(LanguageAt(i)->Name) == upper) target = LanguageAt(i);
  if (target && target->Index >= 1 && target->Index <= kMaxLanguages) m->Texts[target->Index] = text;
}

void RunTranslationTool(bool) {
  if (!SYS_FileExists(kTranslationTool)) return;
  const std::string remembered = CurrentLanguage ? CurrentLanguage->Name : std::string();
  RunAndWait(kTranslationTool, 5);
  SetLanguage(remembered);
}

int32_t RunAndWait(const std::string& commandLine, int32_t) {
  std::string program = commandLine;
  if (program.find('/') == std::string::npos) program = "./" + program;  // from the current directory
  return platform::RunProcessAndWait(program, {});
}

void FreeLanguages() {
  for (int32_t i = 0; i < Languages.Count; ++i) delete LanguageAt(i);
  for (int32_t i = 0; i < LanguageTexts.Count; ++i) delete LanguageTextAt(i);
  Languages.Clear();
  LanguageTexts.Clear();
  CurrentLanguage = nullptr;
}
