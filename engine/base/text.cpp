#include "engine/base/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

int32_t FloatDecimals = 3;
int32_t PointDecimals = 2;
int32_t FileMode = 0;

namespace {
constexpr size_t kShortMax = 255;

std::string_view Short(std::string_view s) { return s.substr(0, std::min(s.size(), kShortMax)); }

char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

int32_t CountPieces(std::string_view s, char sep) {
  if (s.empty()) return 0;
  int32_t count = 1;
  bool quoted = false;
  for (char c : s) {
    if (c == '\'')
      quoted = !quoted;
    else if (!quoted && c == sep)
      ++count;
  }
  return count;
}

// The N-th piece: Start and End move only when the counter reaches N and N + 1, so an N outside
// the pieces keeps the whole text.
std::string_view PieceView(std::string_view s, int32_t n, char sep) {
  s = Short(s);
  size_t start = 1, end = s.size();  // 1-based, inclusive
  int64_t counter = 1;
  bool quoted = false;
  for (size_t i = 1; i <= s.size(); ++i) {
    const char c = s[i - 1];
    if (c == '\'') {
      quoted = !quoted;
    } else if (!quoted && c == sep) {
      ++counter;
      if (counter == n) start = i + 1;
      if (counter == int64_t(n) + 1) {
        end = i - 1;
        break;  // nothing moves after the piece's end
      }
    }
  }
  if (end < start) return std::string_view();
  return s.substr(start - 1, end - start + 1);
}

std::string GetPiece(std::string_view s, int32_t n, char sep) { return std::string(PieceView(s, n, sep)); }

// CountPieces(s, sep), and pieces[k] = PieceView(s, k + 1, sep) for k below n, in one pass.
int32_t SplitPieces(std::string_view s, char sep, std::string_view* pieces, int32_t n) {
  const std::string_view shortText = Short(s);
  int32_t count = s.empty() ? 0 : 1;
  int32_t ended = 0;  // pieces that a separator of the short text ends
  size_t start = 0;
  bool quoted = false;
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '\'') {
      quoted = !quoted;
    } else if (!quoted && c == sep) {
      ++count;
      if (i < shortText.size()) {
        if (ended < n) pieces[ended] = shortText.substr(start, i - start);
        ++ended;
        start = i + 1;
      }
    }
  }
  // The piece the short text ends in; past it the whole short text, as PieceView gives.
  if (ended < n) pieces[ended] = shortText.substr(start);
  for (int32_t k = ended + 1; k < n; ++k) pieces[k] = shortText;
  return count;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

size_t SkipBlanks(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  return i;
}

// One pass over an integer text.
struct IntScan {
  uint32_t magnitude = 0;  // the digits read
  bool negative = false;
  bool whole = false;       // the text parsed to its end with at least one digit
  bool overflow = false;    // stopped where the value would leave the 32-bit range
};

// signedHex: whether a sign may stand before a hexadecimal prefix.
IntScan ScanInt(std::string_view s, bool signedHex) {
  IntScan r;
  size_t i = SkipBlanks(s);
  bool sign = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
    r.negative = s[i] == '-';
    sign = true;
    ++i;
  }
  bool hex = false;
  if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (hex && sign && !signedHex) return r;
  size_t digits = 0;
  if (hex) {
    for (; i < s.size(); ++i) {
      const int v = HexValue(s[i]);
      if (v < 0) break;
      if (r.magnitude > 0x0FFFFFFFu) {
        r.overflow = true;
        break;
      }
      r.magnitude = (r.magnitude << 4) | static_cast<uint32_t>(v);
      ++digits;
    }
  } else {
    const uint64_t limit = r.negative ? 2147483648u : 2147483647u;
    for (; i < s.size() && IsDigit(s[i]); ++i) {
      const uint64_t next = uint64_t(r.magnitude) * 10 + static_cast<uint64_t>(s[i] - '0');
      if (next > limit) {
        r.overflow = true;
        break;
      }
      r.magnitude = static_cast<uint32_t>(next);
      ++digits;
    }
  }
  r.whole = digits > 0 && i == s.size();
  return r;
}

int32_t SignedValue(uint32_t magnitude, bool negative) {
  return static_cast<int32_t>(negative ? 0u - magnitude : magnitude);
}

// One pass over a float text. Keeps the mantissa digits and the exponent both of the whole text
// and of its longest valid beginning.
struct FloatScan {
  std::string digits;      // every mantissa digit read, point left out
  bool whole = false;
  // the longest valid beginning: its digits, decimals after the point and exponent
  size_t validDigits = 0;
  int32_t validDecimals = 0;
  int32_t validExponent = 0;
  bool negative = false;
};

constexpr int32_t kExponentCap = 100000;

FloatScan ScanFloat(std::string_view s) {
  FloatScan r;
  size_t i = SkipBlanks(s);
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
    r.negative = s[i] == '-';
    ++i;
  }
  int32_t decimals = 0;
  for (; i < s.size() && IsDigit(s[i]); ++i) r.digits += s[i];
  if (i < s.size() && s[i] == '.') {
    ++i;
    for (; i < s.size() && IsDigit(s[i]); ++i) {
      r.digits += s[i];
      ++decimals;
    }
  }
  if (r.digits.empty()) return r;  // no number at all
  r.validDigits = r.digits.size();
  r.validDecimals = decimals;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
    size_t j = i + 1;
    bool expNegative = false;
    if (j < s.size() && (s[j] == '-' || s[j] == '+')) {
      expNegative = s[j] == '-';
      ++j;
    }
    int32_t exponent = 0;
    size_t expDigits = 0;
    for (; j < s.size() && IsDigit(s[j]); ++j, ++expDigits) {
      exponent = std::min(kExponentCap, exponent * 10 + (s[j] - '0'));
    }
    if (expDigits == 0) return r;  // an exponent without digits ends the number before the 'E'
    r.validExponent = expNegative ? -exponent : exponent;
    i = j;
  }
  r.whole = i == s.size();
  return r;
}

// digits * 10^exponent in extended precision, rounded to a float.
float DecimalValue(std::string_view digits, int32_t exponent, bool negative) {
  if (digits.empty()) return 0.0f;
  std::string text(digits);
  text += 'e';
  text += std::to_string(exponent);
  long double v = 0;
  const auto res = std::from_chars(text.data(), text.data() + text.size(), v);
  if (res.ec == std::errc::result_out_of_range) {
    // The mantissa alone fits, so only the exponent can be out of range.
    v = exponent > 0 ? std::numeric_limits<long double>::infinity() : 0.0L;
  }
  const float f = static_cast<float>(v);
  return negative ? -f : f;
}
}  // namespace

bool IsSignedDigits(std::string_view S) {
  for (char c : Short(S)) {
    if (!IsDigit(c) && c != '+' && c != '-') return false;
  }
  return true;
}

int32_t CountWords(std::string_view S) { return CountPieces(S, ' '); }
std::string GetWord(std::string_view S, int32_t N) { return GetPiece(S, N, ' '); }
int32_t CountFields(std::string_view S) { return CountPieces(S, ','); }
std::string GetField(std::string_view S, int32_t N) { return GetPiece(S, N, ','); }
int32_t CountItems(std::string_view S, char Sep) { return CountPieces(S, Sep); }
std::string GetItem(std::string_view S, int32_t N, char Sep) { return GetPiece(S, N, Sep); }
std::string_view WordView(std::string_view S, int32_t N) { return PieceView(S, N, ' '); }
std::string_view FieldView(std::string_view S, int32_t N) { return PieceView(S, N, ','); }
int32_t SplitWords(std::string_view S, std::string_view* Words, int32_t N) { return SplitPieces(S, ' ', Words, N); }

std::string UpperShort(std::string_view S) {
  std::string out(Short(S));
  for (char& c : out) c = UpperChar(c);
  return out;
}

void ReplaceAll(std::string& S, int32_t MaxLen, std::string_view Find, std::string_view Repl) {
  if (S.size() > kShortMax) S.resize(kShortMax);
  if (Find.empty()) return;
  const size_t maxLen = static_cast<size_t>(std::clamp<int32_t>(MaxLen, 0, int32_t(kShortMax)));
  const std::string find = UpperShort(Find);
  const std::string_view repl = Short(Repl);
  // Each search starts again from the first character, so a replacement can join with the text
  // around it into a new occurrence. A replacement that holds the searched text itself would be
  // found again forever: then the search goes on after the inserted text, and every occurrence
  // of the original text is replaced once.
  const bool replHoldsFind = UpperShort(repl).find(find) != std::string::npos;
  size_t from = 0;
  for (;;) {
    const size_t at = UpperShort(S).find(find, from);
    if (at == std::string::npos) break;
    S.replace(at, find.size(), repl);
    if (S.size() > maxLen) S.resize(maxLen);
    if (!replHoldsFind) continue;
    from = at + repl.size();
    if (from >= S.size()) break;
  }
}

std::string IntToStrShort(int32_t N) { return std::to_string(N); }

std::string IntToStrUnderscore(int32_t N) {
  std::string s = IntToStrShort(N);
  ReplaceAll(s, 255, "-", "_");
  return s;
}

std::string FloatToStrDigits(int32_t Digits, float X) {
  if (std::isnan(X)) return "NAN";
  if (std::isinf(X)) return X > 0 ? "INF" : "-INF";
  if (X == 0) X = 0.0f;  // no sign on a zero
  const int precision = std::clamp<int32_t>(Digits, 0, int32_t(kShortMax));
  char buf[64 + kShortMax];
  const auto res = std::to_chars(buf, buf + sizeof(buf), X, std::chars_format::fixed, precision);
  std::string out(buf, res.ptr);
  if (out.size() > kShortMax) out.resize(kShortMax);
  return out;
}

std::string FloatToStrPoint(float X) { return FloatToStrDigits(PointDecimals, X); }

std::string FloatToStrExact(int32_t MinDigits, float X) {
  if (std::isnan(X) || std::isinf(X)) return FloatToStrDigits(MinDigits, X);
  // Fixed point never needs more than 150 decimals to hold a float exactly.
  for (int32_t digits = MinDigits; digits <= 150; ++digits) {
    std::string s = FloatToStrDigits(digits, X);
    if (ControlTextToFloat(s) == X) return s;
  }
  return FloatToStrDigits(MinDigits, X);
}

int32_t StrToIntVal(std::string_view S) {
  const IntScan r = ScanInt(Short(S), false);
  if (r.whole) return SignedValue(r.magnitude, r.negative);
  return static_cast<int32_t>(r.magnitude);
}

float StrToFloatVal(std::string_view S) {
  const FloatScan r = ScanFloat(Short(S));
  if (r.whole) return DecimalValue(r.digits, r.validExponent - r.validDecimals, r.negative);
  return DecimalValue(r.digits, 0, false);
}

int32_t ControlTextToInt(std::string_view S) {
  const IntScan r = ScanInt(Short(S), true);
  if (r.overflow) return r.negative ? std::numeric_limits<int32_t>::min() : std::numeric_limits<int32_t>::max();
  return SignedValue(r.magnitude, r.negative);
}

float ControlTextToFloat(std::string_view S) {
  const FloatScan r = ScanFloat(Short(S));
  return DecimalValue(std::string_view(r.digits).substr(0, r.validDigits), r.validExponent - r.validDecimals,
                      r.negative);
}

int32_t ClampNegative(int32_t X) { return std::clamp<int32_t>(X, -10000, 0); }

int32_t IntMax(int32_t A, int32_t B) { return A > B ? A : B; }
