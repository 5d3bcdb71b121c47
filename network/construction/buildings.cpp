// Building construction: fitting a building to the ground, filling and storing its record, and
// booking and finishing it when construction ends.
#include "network/construction/buildings.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/store/connectpool.h"
#include "engine/world/building.h"

bool PillarIsWay = false;

namespace building_hooks {
namespace {
void NoBooking(uint8_t, float&, float, float) {}
void NoNews(uint8_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
uint8_t NoCity(const TVector&, float& distance) {
  distance = 1e20f;
  return 0;
}
void NoLevelUpdate(TBuilding&) {}
}  // namespace

void (*BookMoney)(uint8_t player, float& stat, float amount, float factor) = NoBooking;
void (*TriggerNewsEvent)(uint8_t kind, uint32_t p1, uint32_t p2, uint32_t p3, uint32_t p4, uint32_t p5,
                         uint32_t p6) = NoNews;
uint8_t (*NearestCity)(const TVector& position, float& distance) = NoCity;
void (*UpdateCompanyBuildingLevel)(TBuilding& b) = NoLevelUpdate;

void InstallDefaults() {
  BookMoney = NoBooking;
  TriggerNewsEvent = NoNews;
  NearestCity = NoCity;
  UpdateCompanyBuildingLevel = NoLevelUpdate;
}
}  // namespace building_hooks

namespace {

constexpr double kRadToDeg = 57.29577951308232;


const TBuildingType& TypeOf(uint16_t type) { return BuildingTypeRow(type); }

[[noreturn]] void StopCut(const std::string& text, size_t room) { SYS_BREAKPROGRAM(text.substr(0, room)); }

}  // namespace

const TBuildingType& BuildingTypeRow(uint16_t type) {
  if (type > 255) SYS_BREAKPROGRAM("ERROR: Building construction: Unknown Buildingtype " + std::to_string(type));
  return BuildingTypes[type];
}

uint32_t BuildingCompletionTick(const TBuilding& b) {
  uint32_t tick;
  std::memcpy(&tick, b.Reserved112, 4);
  return tick;
}

void SetBuildingCompletionTick(TBuilding& b, uint32_t tick) { std::memcpy(b.Reserved112, &tick, 4); }

uint16_t BuildingInhabitants(const TBuilding& b) { return b.Inhabitants; }

void SetBuildingInhabitants(TBuilding& b, uint16_t inhabitants) { b.Inhabitants = inhabitants; }

uint8_t NextCorner(uint8_t i) { return i >= 4 ? 1 : i + 1; }
uint8_t PrevCorner(uint8_t i) { return i <= 1 ? 4 : i - 1; }

void GetBuildingCorners(const TBuilding& b, TVector (&corners)[4]) {
  for (int k = 0; k < 4; ++k) corners[k] = b.Corners[k];
}

void GetBuildingHeights(const TBuilding& b, float (&ranges)[4], uint8_t slot) {
  if (slot < 1 || slot > 2) SYS_BREAKPROGRAM("ERROR: GetBuildingHeights: Slot " + std::to_string(slot) + " out of range");
  ranges[2 * slot - 2] = b.HighHeight;
  ranges[2 * slot - 1] = b.LowHeight;
}

void CalcBuildingGeometry(TBuilding& b, const TVector& worldAnchor, const TVector& worldToward,
                          const TVector& localAnchor, const TVector& localToward, TVector& position, float& angle) {
  const TBuildingType& type = TypeOf(b.BuildingType);
  const TVector local = {localToward.x - localAnchor.x, localToward.y - localAnchor.y, localToward.z - localAnchor.z};
  const TVector world = {worldToward.x - worldAnchor.x, worldToward.y - worldAnchor.y, worldToward.z - worldAnchor.z};
  angle = static_cast<float>(Heading(local) - Heading(world));
  float s, c;
  SinCos(s, c, angle);
  TVector anchor = localAnchor;
  RotateY(anchor, c, s);
  position = {worldAnchor.x - anchor.x, worldAnchor.y - anchor.y, worldAnchor.z - anchor.z};
  for (int k = 1; k <= 4; ++k) {
    TVector v = BuildingTypeCorner(type, k);
    RotateY(v, c, s);
    b.Corners[k - 1] = {v.x + position.x, v.y + position.y, v.z + position.z};
  }
  b.LowHeight = BuildingTypeBottom(type) + position.y;
  b.HighHeight = BuildingTypeTop(type) + position.y;
  b.BuildingWayCounter = 0;
  b.Station = 0;
}

namespace {

// The fields that every new building takes alike: its type, no ways and no station or depot yet,
// the acting player and town, its state and its completion GameTime + 100.
void StartBuilding(TBuilding& b, uint16_t typeIndex, uint8_t state, uint8_t classByte) {
  b.BuildingType = typeIndex;
  b.BuildingWayCounter = 0;
  b.Station = 0;
  b.Depot = 0;
  b.Owner = ActPlayer;
  b.City = ActCity;
  b.State = state;
  SetBuildingCompletionTick(b, GameTime + kCompletionDelay);
  b.Inhabitants = 0;
  BuildingClass(b) = classByte;
}

}  // namespace

void InitBuilding(uint16_t typeIndex, TBuilding& b, const TVector& position, float angle, uint8_t state) {
  const TBuildingType& type = TypeOf(typeIndex);
  StartBuilding(b, typeIndex, state, BuildingTypeClass(type));
  b.Mesh = 0;
  b.Position = position;
  b.Roll = 0.0f;
  b.Nick = 0.0f;
  b.Gier = static_cast<float>(angle * kRadToDeg);
  std::memset(b.ScriptVars, 0, sizeof(b.ScriptVars));
  b.A_Write();
  if (CompanyBuildingType != 0 && typeIndex == CompanyBuildingType && IsPlayerNumber(b.Owner)) {
    Players[b.Owner].CompanyBuilding = b.Index;
    building_hooks::UpdateCompanyBuildingLevel(b);
    b.A_Overwrite();
  }
}

void InitWayedBuilding(TBuilding& b, const TVector& c1, const TVector& c2, const TVector& c3, const TVector& c4,
                       float bottom, float top, uint16_t typeIndex, uint8_t state) {
  TypeOf(typeIndex);
  StartBuilding(b, typeIndex, state, 0);
  const TVector corners[4] = {c1, c2, c3, c4};
  std::copy(std::begin(corners), std::end(corners), b.Corners);
  b.Position = c1;
  b.LowHeight = bottom;
  b.HighHeight = top;
  b.Way = 0;
  b.A_Write();
}

uint8_t GetPillarType(const TBuilding& b) {
  const TBuildingType& type = TypeOf(b.BuildingType);
  PillarIsWay = false;
  const uint8_t kind = BuildingTypeUse(type);
  if (kind == kBuildingKindBridge || kind == kBuildingKindTunnel) PillarIsWay = true;
  switch (BuildingTypeWayUse(type)) {
    case 0:
      return kGroupRoad;
    case 1:
      return kGroupRail;
    default:
      break;
  }
  if (b.BuildingWayCounter > 0) {
    TWay w{};
    w.A_Read(b.Ways[0]);
    if (w.Use == 0) return kGroupRoad;
    if (w.Use == 1) return kGroupRail;
    StopCut("Unknown WayUseType in wayed building " + BuildingTypeFileName(type), 77);
  }
  if (b.BuildingType == SpecialBuildingTypes[0]) {
    for (uint32_t c = FindNextConnect(0); c != 0; c = FindNextConnect(c)) {
      if (ConnectByIndex(c).JunctionBuilding != b.Index) continue;
      const uint8_t group = VByte(ConnectByIndex(c).WayType);
      PillarIsWay = true;
      return group;
    }
    SYS_BREAKPROGRAM("Unknown Pillartype!!");
  }
  StopCut("Unknown WayUseType of " + BuildingTypeFileName(type), 62);
}

void PayBuilding(const TBuilding& b) {
  if (b.Owner == 0) return;
  const float cost = b.BuildingCost();
  const uint8_t group = GetPillarType(b);
  if (!IsPlayerNumber(b.Owner)) {  // the booking warns about the owner; there is no block to book into
    float unused = 0.0f;
    building_hooks::BookMoney(b.Owner, unused, -cost, -1.0f);
    return;
  }
  TPlayer& player = Players[b.Owner];
  TYearFinance& year = player.Finances[0];
  float* stats = FinanceStats(year, group);
  building_hooks::BookMoney(b.Owner, stats[PillarIsWay ? kFinanceConstructionStat : kFinanceConstructionStat + 1],
                            -cost, -1.0f);
  if (GameSettings.Level > 1) player.PrevCost = player.PrevCost.get() - static_cast<long double>(cost);
}

void FinishBuilding(TBuilding& b) {
  if (b.State != 0 && b.State != 1) return;
  b.State = 2;
  if (b.Owner != 0 && b.BuildingType == SpecialBuildingTypes[3]) {
    float distance = 0.0f;
    const uint8_t city = building_hooks::NearestCity(b.Position, distance);
    building_hooks::TriggerNewsEvent(kNewsNewRailStation, 0, 0, 0, city, 0, b.Owner);
  }
  SetBuildingCompletionTick(b, 0);
  if (IsPlayerNumber(b.Owner)) Players[b.Owner].Finances[0].BuildingValue += b.BuildingCost();
}
