// The language file reader on arbitrary bytes: the input is ui\A.lgd beside a small fixed
// ui\B.lgd, both are loaded as the program loads its languages, and every key read translates to
// its text in both languages; with the engine's options and with the building program's.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/files/languages.h"
#include "fuzz/file_host.h"

using fuzz_files::Check;

namespace {

bool Start() {
  fuzz_files::Start();
  CaptureMissingTexts = false;
  fuzz_files::WriteBytes(fuzz_files::Base() + "ui/B.lgd", "VEHICLE\r\nFahrzeug\r\n@@\r\nSTATION\r\nBahnhof\r\n@@\r\n^^\r\n");
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = Start();
  (void)started;
  fuzz_files::WriteInput("ui/A.lgd", data, size);
  for (const TLanguageOptions& options : {kEngineLanguageOptions, kBuildingLanguageOptions}) {
    LanguageOptions = options;
    FreeLanguages();
    Check(!fuzz_files::StoppedFatally([] { LoadLanguages("ui\\"); }), "language files that exist load");
    Check(Languages.Count == 2, "both language files load");
    Check(LanguageAt(0)->Name == "A" && LanguageAt(1)->Name == "B", "languages named by their files, in order");

    for (const char* language : {"a", "B"}) {
      Check(SetLanguage(language), "a loaded language can be selected");
      for (int32_t i = 0; i < LanguageTexts.Count; ++i) {
        const TMLS* m = LanguageTextAt(i);
        Check(m->Key.size() <= options.KeyLength, "a key holds at most the options' length");
        std::string text;
        Translate(m->Key.str(), text);
        Check(text == m->Texts[CurrentLanguage->Index], "a key translates to its text in the current language");
      }
    }
    bool named = false;
    for (int32_t i = 0; i < LanguageTexts.Count; ++i) named = named || LanguageTextAt(i)->Key.str() == "NO SUCH KEY";
    if (!named) Check(Translate("no such key") == "!NO SUCH KEY!", "a missing key shows between exclamation marks");
    FreeLanguages();
  }
  LanguageOptions = kEngineLanguageOptions;
  return 0;
}
