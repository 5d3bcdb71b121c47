#include "apps/common/wintext.h"

#include <cstdint>

namespace appcommon {

namespace {

// The characters of the bytes 0x80 to 0x9F.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

QString FromWinText(const std::string& bytes) {
  QString out;
  out.reserve(static_cast<qsizetype>(bytes.size()));
  for (char c : bytes) {
    const auto b = static_cast<uint8_t>(c);
    out.append(QChar(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char16_t{b}));
  }
  return out;
}

std::string ToWinText(const QString& text) {
  std::string out;
  out.reserve(static_cast<size_t>(text.size()));
  for (QChar ch : text) {
    const char16_t u = ch.unicode();
    char b = '?';
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
      b = static_cast<char>(u);
    } else {
      for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == u) {
          b = static_cast<char>(0x80 + i);
          break;
        }
      }
    }
    out.push_back(b);
  }
  return out;
}

}  // namespace appcommon
