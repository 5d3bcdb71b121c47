#include "economy/town/stations.h"

#include <cmath>
#include <memory>

#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/store/recordstore.h"
#include "engine/world/records.h"

uint8_t NearestCity(const TVector& position, float& distance) {
  distance = 1e20f;
  uint8_t nearest = 0;
  const int32_t count = CityCount < 100 ? CityCount : 100;
  for (int32_t c = 1; c <= count; ++c) {
    const float d = VecDistanceXZ(position, Cities[c].Position);
    if (d < distance) {
      distance = d;
      nearest = static_cast<uint8_t>(c);
    }
  }
  return nearest;
}

namespace {

constexpr long double kPi = 3.14159265358979323846264338327950288L;

uint8_t SectorOf(const TVector& station, const TVector& town, float distance) {
  if (distance < kCentralRadius) return kSectorCentral;
  TVector d;
  VecSub(station, town, d);
  const long double a = Heading(d);
  if (std::fabs(a) < kPi / 4.0L) return kSectorEast;
  if (std::fabs(a) > 3.0L * kPi / 4.0L) return kSectorWest;
  return a < 0.0L ? kSectorNorth : kSectorSouth;
}

// True when a station other than s has the same town, sector, kind word and the number n.
bool NumberTaken(const TStation& s, uint8_t n) {
  auto other = std::make_unique<TStation>();
  for (uint32_t i = FindInArrayerOA(kARTypeStation, 0); i != 0; i = FindInArrayerOA(kARTypeStation, i)) {
    if (i == s.Index) continue;
    other->A_Read(i);
    if (other->City == s.City && other->Direction == s.Direction && other->BuildingType == s.BuildingType &&
        other->Number == n)
      return true;
  }
  return false;
}

}  // namespace

void NameStation(TStation& s, uint16_t kind) {
  s.BuildingType = kind;
  float distance = 0.0f;
  s.City = NearestCity(s.Position, distance);
  if (s.City != 0) s.Direction = SectorOf(s.Position, Cities[s.City].Position, distance);
  // Numbers run 0, 2, 3, ...; the last one (255) is taken when every other one is in use.
  uint8_t n = 0;
  while (n < 255 && NumberTaken(s, n)) n = n == 0 ? 2 : static_cast<uint8_t>(n + 1);
  s.Number = n;
  s.BuildName();
}

bool IsStoredStation(uint32_t index) {
  if (index == 0 || !ArrayerReady() || index - 1 >= ArrayerOA.TableTop) return false;
  return FindInArrayerOA(kARTypeStation, index - 1) == index;
}
