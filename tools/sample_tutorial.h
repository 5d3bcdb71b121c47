// The sample tutorial texts: the first steps of the tutorial in the two sample languages
// (tutorial\<step>-English.txt and tutorial\<step>-Deutsch.txt), CR LF line ends, Windows-1252.
#pragma once

#include <string>
#include <vector>

namespace sample_tutorial {

struct TSampleText {
  std::string Step;
  std::string Language;  // the language's name, as its language file is named
  std::string Text;
};
std::vector<TSampleText> SampleTutorialTexts();
// Writes tutorial/<step>-<language>.txt below root; false with a message when that fails.
bool WriteSampleTutorial(const std::string& root, std::string& error);

}  // namespace sample_tutorial
