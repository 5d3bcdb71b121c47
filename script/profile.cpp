#include "script/profile.h"

#include <algorithm>
#include <charconv>

#include "engine/base/maths.h"
#include "engine/base/pointerlist.h"
#include "engine/base/text.h"

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

std::string SharedFloatToStr(float X) { return FloatToStrDigits(8, X); }
float SharedTanDegrees(float X) { return static_cast<float>(Tan(static_cast<float>(ScriptDegreesToRadians(X)))); }
void SharedListMisuse(const std::string& Message, int32_t Data) { TList::Error(Message, Data); }

const TScriptProfile* g_profile = &kSharedScriptProfile;

}  // namespace

const TScriptProfile kSharedScriptProfile = {
    .ValueReaders = {StrToIntVal, StrToFloatVal},
    .IntWord = StrictIntWord,
    .FloatWord = StrictFloatWord,
    .TemporaryWord = StrictTemporaryWord,
    .ShowError = nullptr,
    .FloatToStr = SharedFloatToStr,
    .TanDegrees = SharedTanDegrees,
    .ListMisuse = SharedListMisuse,
};

void SetScriptProfile(const TScriptProfile& Profile) {
  g_profile = &Profile;
  SetScriptTextReaders(Profile.ValueReaders);
}

const TScriptProfile& ScriptProfile() { return *g_profile; }

long double ScriptDegreesToRadians(float X) { return static_cast<long double>(X) / 180.0L * kPi; }

bool StrictIntWord(const std::string& S, int32_t& Value) {
  size_t i = 0;
  bool negative = false;
  if (i < S.size() && (S[i] == '+' || S[i] == '-')) {
    negative = S[i] == '-';
    ++i;
  }
  if (i == S.size()) return false;
  int64_t v = 0;
  for (; i < S.size(); ++i) {
    if (S[i] < '0' || S[i] > '9') return false;
    v = v * 10 + (S[i] - '0');
    if (v > 2147483648LL) return false;
  }
  if (negative) v = -v;
  if (v > 2147483647LL) return false;
  Value = static_cast<int32_t>(v);
  return true;
}

// Sign, digits, point, digits, exponent; at least one digit before the exponent. Read in extended
// precision, then rounded to a single.
bool StrictFloatWord(const std::string& S, float& Value) {
  size_t i = 0;
  std::string text = S;
  if (!text.empty() && text[0] == '+') text.erase(0, 1);
  if (!text.empty() && text[0] == '-') i = 1;
  size_t digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != text.size()) return false;
  long double v = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return false;
  Value = static_cast<float>(v);
  return true;
}

bool StrictTemporaryWord(const std::string& Digits, uint16_t& Index) {
  if (Digits.empty() || Digits.size() > 5) return false;
  if (!std::all_of(Digits.begin(), Digits.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
  const int32_t n = std::stoi(Digits);
  if (n > 65535) return false;
  Index = static_cast<uint16_t>(n);
  return true;
}
