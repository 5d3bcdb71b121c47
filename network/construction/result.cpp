#include "network/construction/result.h"

void TConstructResult::Merge(const TConstructResult& other) {
  const bool bothOk = Ok() && other.Ok();
  Unite(other);
  Exclude(46);
  Exclude(47);
  if (!bothOk) Exclude(0);
}

bool TConstructResult::operator==(const TConstructResult& other) const {
  for (int i = 0; i < 6; ++i) {
    if (Bits[i] != other.Bits[i]) return false;
  }
  return true;
}

std::string TConstructResult::Elements() const {
  std::string text;
  for (int e = 0; e < 48; ++e) {
    if (!Has(e)) continue;
    if (!text.empty()) text += ',';
    text += std::to_string(e);
  }
  return text;
}
