#include "tools/sample_tutorial.h"

#include <filesystem>

#include "tools/sample_gfx.h"

namespace sample_tutorial {

std::vector<TSampleText> SampleTutorialTexts() {
  return {
      {"t1-1welc", "English", "Welcome to the tutorial!\r\nPress Next to begin.\r\n"},
      {"t1-1welc", "Deutsch", "Willkommen im Tutorial!\r\nDr\xfc" "cke Weiter, um zu beginnen.\r\n"},
      {"t1-2cam1", "English", "Move the camera with the arrow keys.\r\n"},
      {"t1-2cam1", "Deutsch", "Bewege die Kamera mit den Pfeiltasten.\r\n"},
      {"t1-2cam2", "English", "Now pick the camera tool.\r\n"},
      {"t1-2cam2", "Deutsch", "W\xe4hle jetzt das Kamerawerkzeug.\r\n"},
  };
}

bool WriteSampleTutorial(const std::string& root, std::string& error) {
  const std::filesystem::path folder = std::filesystem::path(root) / "tutorial";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  for (const TSampleText& t : SampleTutorialTexts()) {
    if (!sample_gfx::WriteSampleFile((folder / (t.Step + "-" + t.Language + ".txt")).string(), t.Text, error))
      return false;
  }
  return true;
}

}  // namespace sample_tutorial
