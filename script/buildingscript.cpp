#include "script/buildingscript.h"

#include <algorithm>

#include "engine/base/buildingmaths.h"
#include "engine/base/text.h"
#include "platform/platform.h"
#include "script/interpreter.h"

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;
constexpr float kHalfTurnDegrees = 180.0f;
constexpr char kDegreeSign = '\xB0';

std::string Cut(std::string_view S) { return std::string(S.substr(0, 255)); }

bool IntWord(const std::string& Word, int32_t& Value) {
  Value = ScriptStrToInt(Word);
  return true;
}

bool FloatWord(const std::string& Word, float& Value) {
  Value = ScriptStrToFloat(Word);
  return true;
}

bool TemporaryWord(const std::string& Digits, uint16_t& Index) {
  Index = static_cast<uint16_t>(ScriptStrToInt(Digits));
  return true;
}

void ShowErrorBox(const TScriptErrorReport& Report) {
  platform::MessageBox(BuildingErrorCaption(Report), Report.Text);
}

std::string FloatToStr(float X) { return FloatToStrDigits(3, X); }

float TanDegrees(float X) { return static_cast<float>(brumin::Tan(ScriptDegreesToRadians(X))); }

void ListMisuse(const std::string& /*Message*/, int32_t Data) {
  ScriptError(std::string(ScriptRunning ? "I-023" : "C-024") + " : ERROR : List index out of range (" +
              IntToStrShort(Data) + ")");
}

}  // namespace

int32_t ScriptStrToInt(std::string_view S) {
  std::string text = Cut(S);
  text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
  std::replace(text.begin(), text.end(), '_', '-');
  text.erase(0, text.find_first_not_of('0'));
  if (text.empty() || !IsSignedDigits(text)) return 0;
  return StrToIntVal(text);
}

float ScriptStrToFloat(std::string_view S) {
  std::string text = Cut(S);
  std::replace(text.begin(), text.end(), ',', '.');
  std::replace(text.begin(), text.end(), '_', '-');
  if (text.empty()) return 0.0f;
  const bool degrees = text.back() == kDegreeSign;
  if (degrees) text.pop_back();
  const float value = StrToFloatVal(text);
  if (!degrees) return value;
  return static_cast<float>(kPi * static_cast<long double>(value) / static_cast<long double>(kHalfTurnDegrees));
}

std::string BuildingErrorCaption(const TScriptErrorReport& Report) {
  if (!Report.Title.empty()) return Report.Title.substr(0, 255);
  const char letter = Report.Message.empty() ? 'H' : UpperShort(Report.Message.substr(0, 1))[0];
  return ("Quillon-Compiler-Error (" + std::string(1, letter) + "-" + Report.Code + ")").substr(0, 255);
}

const TScriptProfile kBuildingScriptProfile = {
    .ValueReaders = {ScriptStrToInt, ScriptStrToFloat},
    .IntWord = IntWord,
    .FloatWord = FloatWord,
    .TemporaryWord = TemporaryWord,
    .ShowError = ShowErrorBox,
    .FloatToStr = FloatToStr,
    .TanDegrees = TanDegrees,
    .ListMisuse = ListMisuse,
};
