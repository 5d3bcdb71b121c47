// The goods processes' tests start from an empty store, zero process records and the hooks at their
// defaults, with the warnings captured; goods type 1 is coal, 2 tools (bought by towns), 3
// passengers.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "economy/goods/driver.h"
#include "economy/goods/goodsentries.h"
#include "economy/goods/goodstypes.h"
#include "economy/goods/ivmove.h"
#include "economy/goods/records.h"
#include "economy/goods/stationgoods.h"
#include "engine/base/worldstate.h"
#include "engine/world/hooks.h"
#include "engine/world/records.h"
#include "tests/engine/store/store_fixture.h"
#include "tests/support/test_support.h"

namespace goods_testing {

constexpr uint8_t kCoal = 1, kTools = 2, kPassengers = 3;

// A field of a packed record, by value (the comparisons take their operands by reference).
template <class T>
T Val(const T v) {
  return v;
}

// A station read whole (42 KB, on the heap); a change stored with A_ReWrite, as its lists may grow.
inline std::unique_ptr<TStation> ReadStation(uint32_t index) {
  auto s = std::make_unique<TStation>();
  s->A_Read(index);
  return s;
}
template <class Change>
void ChangeStation(uint32_t index, Change change) {
  auto s = ReadStation(index);
  change(*s);
  s->A_ReWrite();
}

// A stretch of the station to the next station on the schedule's stop, appended.
inline void AddStretch(uint32_t station, uint32_t next, uint32_t schedule, uint8_t stop) {
  ChangeStation(station, [&](TStation& s) {
    TStationStretch e{};
    e.Station = next;
    e.Schedule = schedule;
    e.StopNumber = stop;
    s.Stretches[s.StationstretchCounter++] = e;
  });
}

class GoodsTest : public arrayer_testing::ArrayerTest {
 protected:
  void SetUp() override {
    ArrayerTest::SetUp();
    ResetWorldState();
    ResetGoodsProcesses();
    goods_process_hooks::InstallDefaults();
    industry_size_hooks::InstallDefaults();
    testing_support::Warnings().clear();
    GoodsTypeCount = 3;
    for (uint8_t t : {kCoal, kTools, kPassengers}) {
      TGoodsType type{};
      SetGoodsInfoKind(type, t == kPassengers ? kGoodsKindPassengers : kGoodsKindGoods);
      type.WeightPerUnit = type.VolumePerUnit = 1;
      type.TransportFactor = 1.0f;
      type.MaxAge = 1000;
      type.ConsumerValue = t == kTools ? 1.0f : 0.0f;
      SetGoodsType(t, type);
    }
    PsgrGoodType = kPassengers;
    GameTime = kNow;
  }
  void TearDown() override {
    goods_process_hooks::InstallDefaults();
    industry_size_hooks::InstallDefaults();
    ResetGoodsProcesses();
    ResetWorldState();
    ArrayerTest::TearDown();
  }

  static constexpr uint32_t kNow = 100000;

  static const std::vector<std::string>& Warnings() { return testing_support::Warnings(); }

  static uint32_t Station(const TVector& position, uint32_t link = 0, uint8_t service = 1 | 2 | 4) {
    auto s = std::make_unique<TStation>();
    s->Init(1, 0, position);
    s->StationObjectOf = link;
    s->ServiceFlags = service;
    s->A_Write();
    return s->Index;
  }
  static void AddStationGoods(uint32_t station, const TStationGoods& e) {
    ChangeStation(station, [&](TStation& s) { SetStationGoods(s, s.StationGoodsCounter++, e); });
  }
  static TStationGoods Entry(uint8_t type, uint8_t flags, float rating = 0.0f) {
    TStationGoods e{};
    e.GoodType = type;
    e.Flags = flags;
    e.Rating = rating;
    return e;
  }
  static std::vector<TStationGoods> Entries(uint32_t station) {
    auto s = ReadStation(station);
    std::vector<TStationGoods> v;
    for (int k = 0; k < s->StationGoodsCounter; ++k) v.push_back(StationGoods(*s, k));
    return v;
  }
  static std::unique_ptr<TIndustry> ReadIndustry(uint32_t index) {
    auto i = std::make_unique<TIndustry>();
    i->A_Read(index);
    return i;
  }
  static uint32_t Industry(uint8_t type) {
    auto i = std::make_unique<TIndustry>();
    i->IndustryType = type;
    i->Productivity = 1.0f;
    i->A_Write();
    return i->Index;
  }
  static uint32_t Good(uint8_t type, int32_t amount, uint32_t way, uint32_t ready, uint8_t entry = 1,
                       uint32_t start = kNow) {
    TGood g{};
    g.GoodType = type;
    g.GoodAmount = amount;
    g.Goodsway = way;
    g.GoodReady = ready;
    g.GoodsWayEntry = entry;
    g.GoodStartTime = start;
    g.A_Write();
    return g.Index;
  }
};

}  // namespace goods_testing
