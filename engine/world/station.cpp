// Station records: creation, the name, the service flags, and the removal of a station with every
// reference to it.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/files/languages.h"
#include "engine/store/compaction.h"
#include "engine/store/trainpool.h"
#include "engine/world/building.h"
#include "engine/world/hooks.h"
#include "engine/world/records.h"

namespace {

constexpr size_t kStationNameRoom = 43;
const char* const kDirectionKeys[5] = {"NORTH", "SOUTH", "EAST", "WEST", "CENTRAL"};

uint8_t TypeUse(uint16_t type) { return type >= 1 && type <= 255 ? BuildingTypeUse(BuildingTypes[type]) : 0; }

// A good of the station's out or in list: destroyed, or sent on to the next station of its goods
// way. A good of the in list keeps the time it still had to wait.
void SendOnOrDestroy(const TStation& s, uint32_t good, bool keepDelay) {
  TGoodFields g{};
  world_hooks::ReadGood(good, g);
  if (g.Goodsway == 0) {
    world_hooks::GoodDestroy(g);
    return;
  }
  switch (world_hooks::GoodsInfoKind(g.GoodType)) {
    case 1:
      world_hooks::GoodDestroy(g);
      return;
    case 0: {
      TGoodswayFields w{};
      world_hooks::ReadGoodsway(g.Goodsway, w);
      if (g.GoodsWayEntry == w.Entry) {
        world_hooks::GoodDestroy(g);
        return;
      }
      g.GoodsWayEntry = w.Entry;
      const uint32_t delay = keepDelay && g.ReadyTick > GameTime ? g.ReadyTick - GameTime : 0;
      world_hooks::SenGoodPerIV(g, s.Position, w.EntryStation);
      if (keepDelay) {
        g.ReadyTick += delay;
        world_hooks::OverwriteGood(g);
      }
      return;
    }
    default:
      SYS_BREAKPROGRAM("ERROR: UTStation: Unsorportet GoodsInfoKind");
  }
}

void DestroyStation(TStation& s, uint8_t mode, TDestroyResult& result) {
  result.Clear();
  if (mode == kDestroyChecked) {
    DestroyStation(s, kDestroyCheck, result);
    if (!result.Has(kDestroyOk)) return;
  }
  bool failed = false;
  for (int i = 0; i < std::min<int>(s.StationBuildingcounter, 100); ++i) {
    TDestroyResult r{};
    DestroyDependant<TBuilding>(s.Buildings[i], mode, r);
    result.Unite(r);
    if (!r.Has(kDestroyOk)) failed = true;
  }
  for (int i = 0; i < std::min<int>(s.StationWayCounter, 100); ++i) {
    TDestroyResult r{};
    DestroyDependant<TWay>(s.Ways[i], mode, r);
    result.Unite(r);
    if (!r.Has(kDestroyOk)) failed = true;
  }
  if (failed) result.Exclude(kDestroyOk);

  if (mode == kDestroyForced || (mode == kDestroyChecked && result.Has(kDestroyOk))) {
    const uint32_t me = s.Index;
    // Passenger ways through the station carry nobody any more.
    for (uint32_t i = FindInArrayerRest(kARTypePsgrWay, 0); i != 0; i = FindInArrayerRest(kARTypePsgrWay, i)) {
      TPsgrWayFields p{};
      world_hooks::ReadPsgrWay(i, p);
      const bool names = p.PsgrEndStation == me || std::find(p.Stations, p.Stations + 10, me) != p.Stations + 10;
      if (!names) continue;
      p.PassengerspF = 0.0f;
      world_hooks::OverwritePsgrWay(p);
    }
    // Stretches to the station.
    auto other = std::make_unique<TStation>();
    for (uint32_t i = FindInArrayerOA(kARTypeStation, 0); i != 0; i = FindInArrayerOA(kARTypeStation, i)) {
      other->A_Read(i);
      bool changed = false;
      for (int k = 0; k < other->StationstretchCounter;) {
        if (other->Stretches[k].Station == me) {
          other->Stretches[k] = other->Stretches[other->StationstretchCounter - 1];
          --other->StationstretchCounter;
          changed = true;
        } else {
          ++k;
        }
      }
      if (changed) other->A_ReWrite();
    }
    // In the simple economy mode goods name their station.
    if (GameSettings.EconomyMode != 0) {
      for (uint32_t i = FindInArrayerRest(kARTypeGood, 0); i != 0; i = FindInArrayerRest(kARTypeGood, i)) {
        TGoodFields g{};
        world_hooks::ReadGood(i, g);
        if (g.Goodsway != me) continue;
        g.Goodsway = 0;
        world_hooks::OverwriteGood(g);
      }
    }
    for (uint32_t t = FindNextTrain(0); t != 0; t = FindNextTrain(t)) {
      if (TrainByIndex(t).TargetStation == me) TrainByIndex(t).TargetStation = 0;
    }
    {
      TSchedule sch{};
      for (uint32_t i = FindInArrayerRest(kARTypeSchedule, 0); i != 0; i = FindInArrayerRest(kARTypeSchedule, i)) {
        sch.A_Read(i);
        bool stops = false;
        for (int k = 0; k < std::min<int>(sch.ScheduleStationCounter, 20); ++k)
          stops = stops || sch.Stops[k].Station == me;
        if (stops) sch.RemoveStation(me);
      }
    }
    for (int i = 0; i < std::min<int>(s.StationOutGoodsCounter, 5000); ++i) {
      if (s.GoodsOut[i] != 0) SendOnOrDestroy(s, s.GoodsOut[i], false);
    }
    s.StationOutGoodsCounter = 0;
    for (int i = 0; i < std::min<int>(s.StationInGoodsCounter, 5000); ++i) {
      if (s.GoodsIn[i] != 0) SendOnOrDestroy(s, s.GoodsIn[i], true);
    }
    s.StationInGoodsCounter = 0;
    if (s.StationObjectOf != 0) {
      const uint32_t type = GetArrayerType(s.StationObjectOf);
      if (type == kARTypeMarket) {
        TMarket::DestroyByIndex(s.StationObjectOf);
      } else if (type == kARTypeIndustry) {
        TIndustry::DestroyByIndex(s.StationObjectOf);
      } else {
        SYS_BREAKPROGRAM("ERROR: UTStation: TStation.destroy: Shuld destroy unknown StationObjectOf!");
      }
    }
    for (uint32_t i = FindInArrayerOA(kARTypeStation, 0); i != 0; i = FindInArrayerOA(kARTypeStation, i)) {
      other->A_Read(i);
      if (other->LinkedStation != me) continue;
      other->LinkedStation = 0;
      other->A_Overwrite();
    }
    {
      auto industry = std::make_unique<TIndustry>();
      for (int i = 0; i < std::min<int>(s.StationIndustryInRangeCounter, 16); ++i) {
        // The station's own industry went above already.
        if (!ArrayerHolds(kTIndustryDesc, s.IndustriesInRange[i])) continue;
        industry->A_Read(s.IndustriesInRange[i]);
        const int count = industry->IndustryOutputCounter;
        int at = 0;
        while (at < count && industry->Output[at].Target != me) ++at;
        if (at == count) continue;
        for (int k = at; k + 1 < count; ++k) industry->Output[k] = industry->Output[k + 1];
        --industry->IndustryOutputCounter;
        industry->A_ReWrite();
      }
    }
    world_hooks::OnDestroyStation(me);
    ArrayerEntryDestroyOA(me);
  }

  uint32_t type = 0;
  for (uint32_t i = FindInArrayerRangeOAMultipel(kARTypeStation, 0, type, s.Position.x, s.Position.z, 1500.0f); i != 0;
       i = FindInArrayerRangeOAMultipel(kARTypeStation, i, type, s.Position.x, s.Position.z, 1500.0f)) {
    world_hooks::RecalcGoodsStation(i);
  }
  if (result.Empty()) result.Include(kDestroyOk);
}

}  // namespace

void TStation::Init(uint8_t kind, uint8_t city, const TVector& position) {
  std::memset(static_cast<void*>(this), 0, sizeof(TStation));
  Kind = kind;
  City = city;
  Position = position;
  Direction = 5;
}

void TStation::BuildName() {
  std::string name;
  const auto cut = [&name] {
    if (name.size() > kStationNameRoom) name.resize(kStationNameRoom);
  };
  bool town = City != 0;
  if (City > CityCount) {
    SYS_Warning("WARNING: Range error in Station " + std::to_string(Index) + ".citycount");
    town = false;  // the name is built without the town
  }
  if (town && City <= 100) {
    name = Cities[City].Name.str();
    cut();
  }
  if (BuildingType >= 1 && BuildingType <= 255) {
    name += " " + Translate(BuildingTypeFileName(BuildingTypes[BuildingType]));
    cut();
  }
  if (Direction <= 4) {
    name += " " + Translate(kDirectionKeys[Direction]);
    cut();
  }
  if (Number != 0) {
    name += " " + std::to_string(Number);
    cut();
  }
  Name = name;
}

void TStation::CalcStationKind() {
  uint8_t flags;
  TWay w{};
  TBuilding b{};
  if (StationBuildingcounter > 0) {
    flags = 1 | 2 | 4;
    for (int i = 0; i < std::min<int>(StationBuildingcounter, 100); ++i) {
      if (!ArrayerHolds(kTBuildingDesc, Buildings[i])) continue;  // gone earlier in a cascade
      b.A_Read(Buildings[i]);
      if (b.BuildingType == SpecialBuildingTypes[9]) flags |= 32;
      if (b.BuildingType == SpecialBuildingTypes[3]) flags |= 16;
      if (b.BuildingType == SpecialBuildingTypes[4]) flags |= 8;
    }
  } else {
    flags = 1;
    if (StationObjectOf != 0) {
      ServiceFlags = flags | 2 | 4;
      return;
    }
    for (int i = 0; i < std::min<int>(StationWayCounter, 100); ++i) {
      if (!ArrayerHolds(kTWayDesc, Ways[i])) continue;
      w.A_Read(Ways[i]);
      if (w.RoadsideBuildings == 0) continue;
      uint32_t type = 0;
      for (uint32_t k = FindInArrayerRangeBWMultipel(kARTypeBuilding, 0, type, w.Position.x, w.Position.z, 1000.0f);
           k != 0; k = FindInArrayerRangeBWMultipel(kARTypeBuilding, k, type, w.Position.x, w.Position.z, 1000.0f)) {
        b.A_Read(k);
        if (b.Way != w.Index) continue;
        const uint8_t use = TypeUse(b.BuildingType);
        if (use == 1) flags |= 2 | 4;
        if (use == 10) flags |= 2;
      }
    }
  }
  for (int i = 0; i < std::min<int>(StationWayCounter, 100); ++i) {
    if (!ArrayerHolds(kTWayDesc, Ways[i])) continue;
    w.A_Read(Ways[i]);
    if (w.Waytype == 0 || w.Waytype == 1 || w.Waytype == 6) flags |= 32;
    if (w.Waytype == 2 || w.Waytype == 3 || w.Waytype == 4) flags |= 16;
  }
  ServiceFlags = flags;
}

void TStation::destroy(uint8_t mode, TDestroyResult& result) {
  // A station emptied by its own cascade (its last building or way reports back) is left to the
  // outer call.
  if (DestroyInProgress::Active(kTStationDesc, Index)) {
    result.Clear();
    result.Include(kDestroyOk);
    return;
  }
  DestroyInProgress mark(kTStationDesc, Index);
  DestroyStation(*this, mode, result);
}
