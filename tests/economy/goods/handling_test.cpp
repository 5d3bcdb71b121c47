// Loading and unloading at station stops: which batches leave a vehicle and where they go, what the
// handling takes and earns, the references batches hold on their ways, transfers between stations,
// the simple economy's sales to the industries around a station, and the revenue formula.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "economy/goods/goodsentries.h"
#include "economy/goods/goodstypes.h"
#include "economy/goods/handling.h"
#include "economy/goods/records.h"
#include "engine/base/worldstate.h"
#include "engine/world/hooks.h"
#include "engine/world/records.h"
#include "tests/engine/store/store_fixture.h"
#include "tests/economy/goods/goods_fixture.h"
#include "tests/support/test_support.h"

namespace {

using arrayer_testing::Fatal;
using goods_testing::ChangeStation;
using goods_testing::ReadStation;
using arrayer_testing::FatalOf;

// Coal and grain are goods (coal 2 weight and 1 volume per unit), 3 passengers, 4 of a kind
// nothing serves.
constexpr uint8_t kCoal = 1, kGrain = 2, kPassengers = 3, kOdd = 4;
constexpr uint32_t kNow = 100000;
constexpr uint32_t kSchedule = 77;
constexpr int32_t kCoalMaxAge = 1000;

// An entry of a goods way's path and a passenger way's stretch: station, schedule, stop number,
// then the hop's cost and share or the ride time.
struct Hop {
  uint32_t Station, Schedule;
  uint8_t Stop;
  float Cost = 0;
  uint8_t Share = 100;
};
struct Stretch {
  uint32_t Station, Schedule;
  uint8_t Stop;
  float RideTime = 0;
};

class GoodsHandling : public arrayer_testing::ArrayerTest {
 protected:
  void SetUp() override {
    ArrayerTest::SetUp();
    ResetWorldState();
    testing_support::Warnings().clear();
    GoodsTypeCount = 4;
    SetGoodsInfoKind(GoodsTypes[kCoal], kGoodsKindGoods);
    SetGoodsInfoKind(GoodsTypes[kGrain], kGoodsKindGoods);
    SetGoodsInfoKind(GoodsTypes[kPassengers], kGoodsKindPassengers);
    SetGoodsInfoKind(GoodsTypes[kOdd], 7);
    GoodsTypes[kCoal].WeightPerUnit = 2;
    GoodsTypes[kCoal].VolumePerUnit = 1;
    GoodsTypes[kCoal].TransportFactor = 0.5f;
    GoodsTypes[kCoal].MaxAge = kCoalMaxAge;
    GoodsTypes[kGrain].WeightPerUnit = 1;
    GoodsTypes[kGrain].VolumePerUnit = 3;
    GoodsTypes[kGrain].TransportFactor = 0.25f;
    GoodsTypes[kGrain].MaxAge = kCoalMaxAge;
    PsgrGoodType = kPassengers;
    GameSettings.Level = 4;  // revenue factor 1
    GameSettings.EconomyMode = 0;
    GameTime = kNow;
    here = Station({1000.0f, 0.0f, 0.0f});
    from = Station({0.0f, 0.0f, 0.0f});
    next = Station({3000.0f, 0.0f, 0.0f});
    Cargo({kCoal, kGrain, kPassengers}, 1000, 1000, 50);
  }
  void TearDown() override {
    world_hooks::InstallDefaults();
    ResetWorldState();
    ArrayerTest::TearDown();
  }

  static const std::vector<std::string>& Warnings() { return testing_support::Warnings(); }

  static uint32_t Station(const TVector& position, uint8_t rate = 10) {
    auto s = std::make_unique<TStation>();
    s->Init(1, 0, position);
    s->HandlingRate = rate;
    s->A_Write();
    return s->Index;
  }
  static void AddStationGoods(uint32_t station, uint8_t type, uint8_t flags) {
    ChangeStation(station, [&](TStation& s) {
      TStationGoods e{};
      e.GoodType = type;
      e.Flags = flags;
      SetStationGoods(s, s.StationGoodsCounter++, e);
    });
  }
  static std::vector<uint32_t> InGoods(uint32_t station) {
    auto s = ReadStation(station);
    std::vector<uint32_t> v;
    for (int k = 0; k < s->StationInGoodsCounter; ++k) v.push_back(s->GoodsIn[k]);
    return v;
  }
  static std::vector<uint32_t> OutGoods(uint32_t station) {
    auto s = ReadStation(station);
    std::vector<uint32_t> v;
    for (int k = 0; k < s->StationOutGoodsCounter; ++k) v.push_back(s->GoodsOut[k]);
    return v;
  }
  static void PutOut(uint32_t station, std::initializer_list<uint32_t> goods) {
    ChangeStation(station, [&](TStation& s) {
      for (uint32_t g : goods) s.GoodsOut[s.StationOutGoodsCounter++] = g;
    });
  }

  static uint32_t Good(uint8_t type, int32_t amount, uint32_t way, uint8_t entry = 1, uint32_t start = kNow) {
    TGood g{{}, 0, entry, type, {}, amount, way, start, 0};
    g.A_Write();
    return g.Index;
  }
  static TGood ReadGood(uint32_t index) { return StoredRecord<TGood>(index); }
  static bool Exists(const RecordDesc& d, uint32_t index) { return ArrayerHolds(d, index); }

  static uint32_t Goodsway(std::initializer_list<Hop> hops, uint32_t refs, uint32_t contract = 0) {
    TGoodsway w{};
    w.GoodsWayGoodType = kCoal;
    w.GoodsWayRefCount = refs;
    w.GoodsWayContract = contract;
    for (const Hop& h : hops) {
      w.Path[w.GoodsWayPathCounter++] =
          TGoodswayPathEntry{h.Station, h.Schedule, h.Cost, h.Stop, h.Schedule != 0, h.Share, 0};
    }
    w.A_Write();
    return w.Index;
  }
  static uint32_t PsgrWay(std::initializer_list<Stretch> stretches, uint32_t end, uint32_t refs, uint8_t used = 0) {
    TPsgrWay p{};
    p.Init(1.0f);
    p.PsgrEndStation = end;
    p.PsgrRefCount = refs;
    p.Used = used;
    for (const Stretch& s : stretches) {
      p.Stretches[p.PsgrStretchCounter++] = TPsgrStretch{s.Station, s.RideTime, s.Schedule, s.Stop, {}};
    }
    p.A_Write();
    return p.Index;
  }

  // Vehicle type 1 carries the types with the capacities; SingleCargo 0 carries one type at a time.
  static void Cargo(std::initializer_list<uint8_t> types, int32_t weight, int32_t volume, int32_t passengers,
                    uint8_t singleCargo = 1) {
    TVehicleCargo c;
    int k = 0;
    for (uint8_t t : types) c.GoodsTypes[k++] = t;
    c.WeightCapacity = weight;
    c.VolumeCapacity = volume;
    c.PassengerCapacity = passengers;
    c.SingleCargo = singleCargo;
    SetVehicleCargo(VehicleTypes[1], c);
  }

  // The schedule kSchedule with the stations as its stops 1, 2, ...
  static TSchedule Schedule(std::initializer_list<uint32_t> stations) {
    TSchedule s{};
    s.Index = kSchedule;
    for (uint32_t st : stations) s.Stops[s.ScheduleStationCounter++].Station = st;
    return s;
  }

  // One vehicle's stop: its goods and what the calls report.
  struct Stop {
    TVehicleGoods Goods;
    uint32_t Weight = 0, Volume = 0, Passengers = 0;
    uint32_t HandlingTime = 0;
    float GoodsRevenue = 0, PassengerRevenue = 0;

    explicit Stop(std::initializer_list<uint32_t> goods) {
      for (uint32_t g : goods) Goods.Goods[Goods.Count++] = g;
    }
    void Unload(bool unloadAll, uint8_t onlyType, uint8_t stopNumber, uint32_t station) {
      UnloadGoods(unloadAll, onlyType, stopNumber, Goods.Goods, Goods.Count, station, 1, 1, Weight, Volume, Passengers,
                  HandlingTime, GoodsRevenue, PassengerRevenue);
    }
    void Load(const TSchedule& s, uint8_t stopNumber, uint8_t wantedType = 0, uint8_t vbtType = 1) {
      LoadGoods(Goods.Goods, Goods.Count, wantedType, 1, vbtType, 0, s, stopNumber, Weight, Volume, Passengers,
                HandlingTime);
    }
    std::vector<uint32_t> Aboard() const { return {Goods.Goods, Goods.Goods + Goods.Count}; }
  };

  uint32_t here = 0, from = 0, next = 0;
};

// ---- Revenue

TEST_F(GoodsHandling, RevenueFollowsTheLevelAndTheAttractivity) {
  struct Row {
    uint8_t Level;
    float Normal, Booming, Slack;
  };
  const Row rows[] = {
      {0, 0.0f, 0.0f, 0.0f},      {1, 0.0f, 0.0f, 0.0f},      {2, 200.0f, 350.0f, 150.0f},
      {3, 130.0f, 195.0f, 65.0f}, {4, 100.0f, 125.0f, 25.0f}, {9, 100.0f, 125.0f, 25.0f},  // above 4: as 4
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(int(r.Level));
    GameSettings.Level = r.Level;
    for (uint8_t a : {0, 1, 2}) {
      GoodsTypes[kCoal].GoodsAttractivity = a;
      EXPECT_FLOAT_EQ(CalcGoodsRevenue(kCoal, 100.0f), a == 0 ? r.Normal : a == 1 ? r.Booming : r.Slack);
    }
  }
  EXPECT_TRUE(Warnings().empty());
  GameSettings.Level = 2;
  GoodsTypes[kCoal].GoodsAttractivity = 3;
  EXPECT_EQ(CalcGoodsRevenue(kCoal, 100.0f), 200.0f);
  EXPECT_EQ(Warnings(), std::vector<std::string>{"Error: Goods: CalcGoodsRevenue: Unsorportet GoodsAttractivity!"});
  EXPECT_EQ(CalcGoodsRevenue(0, 100.0f), 200.0f);  // no goods type: normal
}

// What the revenue and loading divide by or index with is refused when the tables are set.
TEST_F(GoodsHandling, TheTablesRefuseUnknownLevelsAndGoodsWithoutWeightOrVolume) {
  GameSettings.Level = 3;
  EXPECT_FALSE(SetDifficultyLevel(5));
  EXPECT_EQ(GameSettings.Level, 3);
  EXPECT_TRUE(SetDifficultyLevel(4));
  EXPECT_EQ(GameSettings.Level, 4);
  struct Case {
    uint8_t Kind;
    int32_t Weight, Volume;
    bool Taken;
  };
  for (const Case c : {Case{kGoodsKindGoods, 0, 1, false}, Case{kGoodsKindGoods, 1, 0, false},
                       Case{kGoodsKindGoods, -2, 1, false}, Case{kGoodsKindGoods, 2, 3, true},
                       Case{kGoodsKindPassengers, 0, 0, true}}) {
    SCOPED_TRACE(c.Weight * 10 + c.Volume);
    TGoodsType t = GoodsTypes[kGrain];
    SetGoodsInfoKind(t, c.Kind);
    t.WeightPerUnit = c.Weight;
    t.VolumePerUnit = c.Volume;
    t.TransportFactor = 7.0f;
    EXPECT_EQ(SetGoodsType(kOdd, t), c.Taken);
    EXPECT_EQ(GoodsTypes[kOdd].TransportFactor == 7.0f, c.Taken);
    GoodsTypes[kOdd] = {};
  }
  EXPECT_FALSE(SetGoodsType(53, GoodsTypes[kCoal]));
  EXPECT_EQ(Warnings(), (std::vector<std::string>{"Difficulty level 5 is not known: the level stays 3",
                                                  "Goods type 4: weight and volume per unit must be above 0",
                                                  "Goods type 4: weight and volume per unit must be above 0",
                                                  "Goods type 4: weight and volume per unit must be above 0",
                                                  "Goods type 53: no such row"}));
}

TEST_F(GoodsHandling, TransportTimeGrowsFasterBeyond1500) {
  const TVector a{0.0f, 0.0f, 0.0f};
  EXPECT_FLOAT_EQ(GoodsTransportTime(a, {600.0f, 0.0f, 800.0f}, kCoal), 1000.0f * 0.5f + 2.0f);
  const float far = 1500.0f + static_cast<float>(std::pow(1000.0L, 1.2L));
  EXPECT_FLOAT_EQ(GoodsTransportTime(a, {2500.0f, 0.0f, 0.0f}, kCoal), far * 0.5f + 2.0f);
  EXPECT_FLOAT_EQ(GoodsTransportCost(a, {2500.0f, 0.0f, 0.0f}, kCoal), 1250.0f);
  EXPECT_EQ(GoodsDistance(a, {0.0f, 0.0f, 1000.9f}), 1000);
}

// ---- Unloading along goods ways

TEST_F(GoodsHandling, EachUnloadingCaseSendsTheBatchItsWay) {
  enum Expect { kHere, kHandedOn, kThrown, kRidesOn, kStays };
  struct Row {
    const char* Name;
    bool HasWay;
    uint32_t* NextStation;  // the station of the way's next entry
    uint32_t NextSchedule;  // the schedule of the next hop; kSchedule rides on with the vehicle
    bool UnloadAll;
    uint8_t OnlyType;
    Expect Result;
  };
  uint32_t other = Station({5000.0f, 0.0f, 0.0f});
  const Row rows[] = {
      {"the way changes vehicles here", true, &here, 0, false, 0, kHere},
      {"the way rides on", true, &here, kSchedule, false, 0, kRidesOn},
      {"no schedule: hands on what would ride on", true, &here, kSchedule, true, 0, kHandedOn},
      {"OnlyType keeps its own type", true, &here, kSchedule, false, kCoal, kRidesOn},
      {"OnlyType hands on the others", true, &here, kSchedule, false, kGrain, kHandedOn},
      {"without way thrown away", false, &here, 0, false, 0, kThrown},
      {"bound elsewhere stays", true, &other, 0, false, 0, kStays},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Name);
    ArrayerReset();
    testing_support::Warnings().clear();
    here = Station({1000.0f, 0.0f, 0.0f});
    from = Station({0.0f, 0.0f, 0.0f});
    other = Station({5000.0f, 0.0f, 0.0f});
    const uint32_t way =
        Goodsway({{from, kSchedule, 1, 40.0f, 50}, {*r.NextStation, r.NextSchedule, 2}, {next, 0, 0}}, 1);
    const uint32_t g = Good(kCoal, 10, r.HasWay ? way : 0);
    Stop stop({g});
    stop.HandlingTime = 100;
    stop.Unload(r.UnloadAll, r.OnlyType, 2, here);

    const bool leaves = r.Result == kHere || r.Result == kHandedOn || r.Result == kThrown;
    EXPECT_EQ(stop.Aboard(), leaves ? std::vector<uint32_t>{} : std::vector<uint32_t>{g});
    EXPECT_EQ(InGoods(here), r.Result == kHere ? std::vector<uint32_t>{g} : std::vector<uint32_t>{});
    EXPECT_EQ(OutGoods(here), r.Result == kHandedOn ? std::vector<uint32_t>{g} : std::vector<uint32_t>{});
    EXPECT_EQ(stop.Weight, leaves ? 0u : 20u);
    EXPECT_EQ(stop.Volume, leaves ? 0u : 10u);
    // 0.6 x 10 / 10 for goods that leave; riding on and staying take no time.
    EXPECT_EQ(stop.HandlingTime, leaves ? 101u : 100u);
    EXPECT_FLOAT_EQ(stop.GoodsRevenue, r.Result == kHere ? 10 * 40.0f * 50 / 100 : 0.0f);
    EXPECT_EQ(Exists(kTGoodDesc, g), r.Result != kThrown);
    if (r.Result != kThrown) {
      const TGood after = ReadGood(g);
      EXPECT_EQ(after.GoodsWayEntry, r.Result == kRidesOn || r.Result == kHandedOn ? 2 : 1);
      if (r.Result == kHere) {
        EXPECT_EQ(after.GoodReady, kNow + 100 + 1);
      }
    }
    EXPECT_EQ(Warnings().size(), r.Result == kStays ? 1u : 0u);
    if (r.Result == kStays) {
      EXPECT_EQ(Warnings()[0], "Warning: Goods: UnloadingGood: This Goods don't want to this Station. Station: " +
                                   std::to_string(here));
    }
  }
}

TEST_F(GoodsHandling, GoodsOlderThanTwiceTheirMaximumAgeAreUnloadedButEarnNothing) {
  const uint32_t way = Goodsway({{from, kSchedule, 1, 10.0f, 100}, {here, 0, 0}}, 2);
  const uint32_t spoilt = Good(kCoal, 10, way, 1, kNow - 2 * kCoalMaxAge);
  const uint32_t fresh = Good(kCoal, 10, way, 1, kNow - 2 * kCoalMaxAge + 1);
  Stop stop({spoilt});
  stop.Unload(false, 0, 2, here);
  EXPECT_EQ(stop.GoodsRevenue, 0.0f);
  EXPECT_EQ(InGoods(here), std::vector<uint32_t>{spoilt});
  Stop young({fresh});
  young.Unload(false, 0, 2, here);
  EXPECT_FLOAT_EQ(young.GoodsRevenue, 100.0f);
}

TEST_F(GoodsHandling, PassengersChangeAtTheirStretchesAndLeaveAtTheirEnd) {
  // From `from` over `here` (a walk on) to `next`.
  const uint32_t psgr = PsgrWay({{from, kSchedule, 1, 5.0f}, {here, 0, 0, 3.0f}}, next, 3);
  const uint32_t changing = Good(kPassengers, 4, psgr, 1);
  const uint32_t old = Good(kPassengers, 4, psgr, 1, kNow - 30000);
  const uint32_t arriving = Good(kPassengers, 6, psgr, 2);
  Stop stop({changing, old});
  stop.HandlingTime = 50;
  stop.Unload(false, 0, 2, here);
  EXPECT_TRUE(stop.Aboard().empty());
  EXPECT_EQ(OutGoods(here), (std::vector<uint32_t>{changing, old}));
  EXPECT_EQ(ReadGood(changing).GoodsWayEntry, 2);
  EXPECT_EQ(ReadGood(changing).GoodReady, kNow);
  EXPECT_FLOAT_EQ(stop.PassengerRevenue, 4 * 5.0f);  // the old ones earn nothing
  EXPECT_EQ(stop.HandlingTime, 50u);                 // passengers take no handling time
  EXPECT_EQ(stop.GoodsRevenue, 0.0f);

  // At the end of the way at a station that is not its end they stay, warned; at the end they leave
  // it, giving their reference back.
  Stop wrong({arriving});
  wrong.Unload(false, 0, 2, here);
  EXPECT_EQ(wrong.Aboard(), std::vector<uint32_t>{arriving});
  EXPECT_EQ(wrong.Passengers, 6u);
  EXPECT_EQ(Warnings(),
            std::vector<std::string>{"Warning: Goods: UnloadingGood: This Pass. don't want to this Station. Station: " +
                                     std::to_string(here)});
  Stop end({arriving});
  end.Unload(false, 0, 3, next);
  EXPECT_TRUE(end.Aboard().empty());
  EXPECT_FLOAT_EQ(end.PassengerRevenue, 6 * 3.0f);
  EXPECT_FALSE(Exists(kTGoodDesc, arriving));
  EXPECT_EQ(StoredRecord<TPsgrWay>(psgr).PsgrRefCount, 2u);
}

TEST_F(GoodsHandling, TheLastReferenceFreesAnUnusedPassengerWay) {
  const uint32_t psgr = PsgrWay({{from, kSchedule, 1, 5.0f}}, here, 1);
  Stop stop({Good(kPassengers, 2, psgr, 1)});
  stop.Unload(false, 0, 2, here);
  EXPECT_FALSE(Exists(kTPsgrWayDesc, psgr));
}

TEST_F(GoodsHandling, AtLevelsZeroAndOneNothingEarns) {
  const uint32_t way = Goodsway({{from, kSchedule, 1, 10.0f, 100}, {here, 0, 0}}, 1);
  const uint32_t psgr = PsgrWay({{from, kSchedule, 1, 5.0f}}, here, 2, 1);
  GoodsTypes[kCoal].GoodsAttractivity = 1;
  for (uint8_t level : {0, 1}) {
    SCOPED_TRACE(int(level));
    GameSettings.Level = level;
    Stop stop({Good(kCoal, 10, way), Good(kPassengers, 3, psgr)});
    stop.Unload(false, 0, 2, here);
    EXPECT_TRUE(stop.Aboard().empty());
    EXPECT_EQ(stop.GoodsRevenue, 0.0f);
    EXPECT_EQ(stop.PassengerRevenue, 0.0f);
  }
}

TEST_F(GoodsHandling, ABatchWithoutPlaceOnItsWayIsThrownAwayAndCountedLost) {
  // Its entry is the way's last: no next station to go to.
  const uint32_t way = Goodsway({{from, kSchedule, 1}, {here, kSchedule, 2}}, 1);
  const uint32_t g = Good(kCoal, 10, way, 2);
  Stop stop({g});
  stop.Unload(false, 0, 2, here);
  EXPECT_TRUE(stop.Aboard().empty());
  EXPECT_FALSE(Exists(kTGoodDesc, g));
  const TGoodsway w = StoredRecord<TGoodsway>(way);
  EXPECT_EQ(w.GoodsWayRefCount, 0u);
  EXPECT_NE(w.GoodsWayFlags & kGoodswayLost, 0);
}

TEST_F(GoodsHandling, AStationWithoutHandlingRateHandlesAsRateOne) {
  const uint32_t slow = Station({1000.0f, 0.0f, 0.0f}, 0);
  const uint32_t way = Goodsway({{from, kSchedule, 1, 1.0f}, {slow, 0, 0}}, 1);
  Stop stop({Good(kCoal, 10, way)});
  stop.Unload(false, 0, 2, slow);
  EXPECT_EQ(stop.HandlingTime, 6u);
}

TEST_F(GoodsHandling, AnUnsupportedKindStopsTheProgram) {
  const uint32_t way = Goodsway({{from, kSchedule, 1}, {here, 0, 0}}, 1);
  Stop stop({Good(kOdd, 1, way)});
  EXPECT_EQ(FatalOf([&] { stop.Unload(false, 0, 2, here); }),
            Fatal("ERROR: good: UnLoadGoods: Unsorportet GoodsInfoKind detected."));
}

// ---- Full station lists

TEST_F(GoodsHandling, AFullStationListLosesItsLastBatchToTheNewOne) {
  const uint32_t lostWay = Goodsway({{from, kSchedule, 1}, {here, 0, 0}}, 2);
  const uint32_t filler = Good(kGrain, 1, 0);
  const uint32_t lastIn = Good(kCoal, 1, lostWay);
  const uint32_t lastOut = Good(kCoal, 1, lostWay);
  ChangeStation(here, [&](TStation& s) {
    for (int k = 0; k < 4999; ++k) s.GoodsIn[k] = s.GoodsOut[k] = filler;
    s.GoodsIn[4999] = lastIn;
    s.GoodsOut[4999] = lastOut;
    s.StationInGoodsCounter = s.StationOutGoodsCounter = 5000;
  });
  const uint32_t way = Goodsway({{from, kSchedule, 1}, {here, kSchedule, 2}, {next, 0, 0}}, 2);
  const uint32_t unloaded = Good(kCoal, 10, way);
  const uint32_t unloadedPsgr = Good(kPassengers, 1, 0);  // no way: thrown away
  const uint32_t handedOn = Good(kCoal, 10, way);
  Stop arriving({unloaded});
  arriving.Unload(false, 0, 9, here);  // the next hop leaves from another stop: unloaded here
  Stop transfer({handedOn, unloadedPsgr});
  transfer.Unload(true, 0, 2, here);  // would ride on: handed on

  auto s = ReadStation(here);
  EXPECT_EQ(s->StationInGoodsCounter, 5000);
  EXPECT_EQ(s->StationOutGoodsCounter, 5000);
  EXPECT_EQ(s->GoodsIn[4999], unloaded);
  EXPECT_EQ(s->GoodsOut[4999], handedOn);
  EXPECT_FALSE(Exists(kTGoodDesc, lastIn));
  EXPECT_FALSE(Exists(kTGoodDesc, lastOut));
  const TGoodsway lost = StoredRecord<TGoodsway>(lostWay);
  EXPECT_EQ(lost.GoodsWayRefCount, 0u);
  EXPECT_NE(lost.GoodsWayFlags & kGoodswayLost, 0);
  EXPECT_EQ(Warnings(), (std::vector<std::string>{"WARNING : Goods : UnloadGoods : StationInGoodsCounter was full!",
                                                  "WARNING : Goods : UnloadGoods : StationOutGoodsCounter was full!"}));
}

TEST_F(GoodsHandling, PassengersDisplaceTheLastWaitingBatchWithoutMarkingItsWay) {
  const uint32_t waitingWay = Goodsway({{here, kSchedule, 1}, {next, 0, 0}}, 1);
  const uint32_t waiting = Good(kCoal, 1, waitingWay);
  ChangeStation(here, [&](TStation& s) {
    for (int k = 0; k < 5000; ++k) s.GoodsOut[k] = waiting;
    s.StationOutGoodsCounter = 5000;
  });
  const uint32_t psgr = PsgrWay({{from, kSchedule, 1, 1.0f}, {here, 0, 0}}, next, 1);
  const uint32_t g = Good(kPassengers, 2, psgr);
  Stop stop({g});
  stop.Unload(false, 0, 2, here);
  EXPECT_EQ(ReadStation(here)->GoodsOut[4999], g);
  EXPECT_FALSE(Exists(kTGoodDesc, waiting));
  EXPECT_EQ(StoredRecord<TGoodsway>(waitingWay).GoodsWayFlags & kGoodswayLost, 0);
}

// ---- Transfers

TEST_F(GoodsHandling, ABatchSentOnArrivesAfterTheDistance) {
  const uint32_t way = Goodsway({{from, 0, 0}, {here, 0, 0}}, 1);
  TGood g = ReadGood(Good(kCoal, 10, way));
  SenGoodPerIV(g, {0.0f, 0.0f, 0.5f}, here);
  EXPECT_EQ(g.GoodReady, kNow + 1000);
  EXPECT_EQ(ReadGood(g.Index).GoodReady, kNow + 1000);
  EXPECT_EQ(InGoods(here), std::vector<uint32_t>{g.Index});

  // The engine's view: the fields it changed go with the batch.
  InstallGoodsRecordHooks();
  InstallGoodsHandlingHooks();
  const uint32_t index = Good(kCoal, 10, way);
  TGoodFields f{};
  world_hooks::ReadGood(index, f);
  f.GoodsWayEntry = 2;
  world_hooks::SenGoodPerIV(f, {3000.0f, 0.0f, 0.0f}, here);
  EXPECT_EQ(f.ReadyTick, kNow + 2000);
  const TGood sent = ReadGood(index);
  EXPECT_EQ(sent.GoodsWayEntry, 2);
  EXPECT_EQ(sent.GoodReady, kNow + 2000);
  EXPECT_EQ(sent.GoodAmount, 10);
  EXPECT_EQ(InGoods(here), (std::vector<uint32_t>{g.Index, index}));

  const uint32_t lastWay = Goodsway({{from, 0, 0}, {here, 0, 0}}, 1);
  const uint32_t last = Good(kCoal, 1, lastWay);
  ChangeStation(here, [&](TStation& s) {
    s.GoodsIn[4999] = last;
    s.StationInGoodsCounter = 5000;
  });
  TGood third = ReadGood(Good(kCoal, 10, way));
  SenGoodPerIV(third, {1000.0f, 0.0f, 0.0f}, here);
  EXPECT_EQ(ReadStation(here)->GoodsIn[4999], third.Index);
  EXPECT_FALSE(Exists(kTGoodDesc, last));
  EXPECT_NE(StoredRecord<TGoodsway>(lastWay).GoodsWayFlags & kGoodswayLost, 0);
  EXPECT_EQ(Warnings().back(), "WARNING : Goods : SenGoodPerIV : StationInGoodsCounter was full!!");
}

// ---- The simple economy's unloading

TEST_F(GoodsHandling, TheSimpleEconomySellsWhatIsAcceptedAndHandsOnTheRest) {
  GameSettings.EconomyMode = 1;
  AddStationGoods(here, kCoal, kStationGoodsAccepted);
  AddStationGoods(here, kGrain, kStationGoodsSupplied);
  const uint32_t coal1 = Good(kCoal, 10, from), coal2 = Good(kCoal, 5, from), coal3 = Good(kCoal, 7, 0);
  const uint32_t grain1 = Good(kGrain, 4, from), grain2 = Good(kGrain, 6, from);
  const uint32_t psgr = Good(kPassengers, 3, next);

  // On a schedule: sold goods leave, the others stay.
  Stop stop({coal1, grain1, coal2, psgr, coal3});
  stop.Unload(false, 0, 2, here);
  EXPECT_EQ(stop.Aboard(), (std::vector<uint32_t>{grain1, psgr}));
  EXPECT_EQ(stop.Weight, 4u);
  EXPECT_EQ(stop.Volume, 12u);
  EXPECT_EQ(stop.Passengers, 3u);
  EXPECT_FALSE(Exists(kTGoodDesc, coal1));
  EXPECT_TRUE(OutGoods(here).empty());
  // 15 coal from 1000 away, 7 without origin from 1000 along x (no distance here either).
  EXPECT_FLOAT_EQ(stop.GoodsRevenue, 1000 * 0.5f * 15 + 1000 * 0.5f * 7);
  EXPECT_EQ(stop.HandlingTime, 1u);  // 0.6 x 22 / 10

  // OnlyType keeps its type aboard and hands on the others, in one batch per type and origin.
  Stop only({grain1, psgr, grain2});
  only.Unload(false, kPassengers, 2, here);
  EXPECT_EQ(only.Aboard(), std::vector<uint32_t>{psgr});
  ASSERT_EQ(OutGoods(here).size(), 1u);
  const TGood handedOn = ReadGood(OutGoods(here)[0]);
  EXPECT_EQ(handedOn.GoodType, kGrain);
  EXPECT_EQ(handedOn.GoodAmount, 10);
  EXPECT_EQ(handedOn.Goodsway, from);
  EXPECT_EQ(handedOn.GoodStartTime, kNow);
  EXPECT_EQ(only.GoodsRevenue, 0.0f);

  // Without schedule everything leaves.
  Stop all({psgr});
  all.Unload(true, 0, 0, here);
  EXPECT_TRUE(all.Aboard().empty());
  EXPECT_EQ(OutGoods(here).size(), 2u);
}

TEST_F(GoodsHandling, TheSimpleEconomyAddsUpAtMostAHundredRows) {
  TUnloadRows rows;
  for (uint32_t origin = 1; origin <= 100; ++origin) EXPECT_TRUE(rows.Add(kCoal, origin, 1, true));
  EXPECT_TRUE(rows.Add(kCoal, 50, 4, true));  // a known row takes more
  EXPECT_EQ(rows[49].Amount, 5);
  EXPECT_TRUE(Warnings().empty());
  EXPECT_FALSE(rows.Add(kGrain, 1, 7, false));
  EXPECT_EQ(rows.Count(), 100);
  EXPECT_EQ(rows[99].GoodType, kCoal);
  EXPECT_EQ(rows[99].Amount, 1);
  EXPECT_EQ(Warnings(),
            std::vector<std::string>{
                "WARNING: Goods: UnloadGoods: To much diffrent Goods to unload on a Station (simple Economy)"});
}

TEST_F(GoodsHandling, SoldGoodsFeedTheIndustriesAroundByTheirProductivity) {
  GameSettings.EconomyMode = 1;
  AddStationGoods(here, kCoal, kStationGoodsAccepted);
  // Recipe 1 takes coal; recipe 2 takes coal and grain. Type 1 has recipe 1, type 2 both.
  TRecipe coal{};
  coal.Inputs[0] = kCoal;
  coal.Needs[0] = 1.0f;
  coal.InputCount = 1;
  SetRecipe(1, coal);
  TRecipe mixed = coal;
  mixed.Inputs[1] = kGrain;
  mixed.Needs[1] = 1.0f;
  mixed.InputCount = 2;
  SetRecipe(2, mixed);
  const uint8_t one[] = {1}, both[] = {1, 2};
  SetIndustryTypeRecipes(IndustryTypes[1], 1, one);
  SetIndustryTypeRecipes(IndustryTypes[2], 2, both);
  auto industry = [](uint8_t type, float productivity, std::initializer_list<TIndustryInput> inputs) {
    auto i = std::make_unique<TIndustry>();
    i->IndustryType = type;
    i->Productivity = productivity;
    for (const TIndustryInput& e : inputs) SetIndustryInput(*i, i->IndustryInputCounter++, e);
    i->A_Write();
    return i->Index;
  };
  const uint32_t small = industry(1, 1.0f, {});
  const uint32_t big = industry(2, 3.0f, {{499990.0f, kCoal, {}}});
  const uint32_t idle = industry(1, 0.0f, {});
  ChangeStation(here, [&](TStation& s) {
    for (uint32_t i : {small, big, idle, big}) s.IndustriesInRange[s.StationIndustryInRangeCounter++] = i;
  });
  Stop stop({Good(kCoal, 30, from), Good(kCoal, 10, 0)});
  stop.Unload(false, 0, 2, here);

  auto input = [](uint32_t index) {
    auto i = std::make_unique<TIndustry>();
    i->A_Read(index);
    return i->IndustryInputCounter == 0 ? TIndustryInput{} : IndustryInput(*i, 0);
  };
  // Each of the two rows goes 1 : 3 to the industries that work; a second recipe or a second place
  // in the list does not count the big one twice.
  EXPECT_EQ(input(small).GoodType, kCoal);
  EXPECT_FLOAT_EQ(input(small).Amount, 10.0f);
  EXPECT_EQ(input(big).Amount, kIndustryInputCap);
  EXPECT_EQ(input(idle).GoodType, 0);
}

// ---- Loading

TEST_F(GoodsHandling, ABatchTooBigForTheVehicleIsSplit) {
  Cargo({kCoal}, 200, 1000, 0);  // room for 100 coal
  const uint32_t way = Goodsway({{here, kSchedule, 1}, {next, kSchedule, 2}}, 1);
  const uint32_t g = Good(kCoal, 250, way);
  PutOut(here, {g});
  Stop stop({});
  stop.Load(Schedule({here, next}), 1);

  EXPECT_EQ(OutGoods(here), std::vector<uint32_t>{g});
  EXPECT_EQ(ReadGood(g).GoodAmount, 150);
  ASSERT_EQ(stop.Goods.Count, 1);
  const TGood aboard = ReadGood(stop.Goods.Goods[0]);
  EXPECT_NE(aboard.Index, g);
  EXPECT_EQ(aboard.GoodAmount, 100);
  EXPECT_EQ(aboard.Goodsway, way);
  EXPECT_EQ(StoredRecord<TGoodsway>(way).GoodsWayRefCount, 2u);
  EXPECT_EQ(stop.Weight, 200u);
  EXPECT_EQ(stop.Volume, 100u);
  EXPECT_EQ(stop.HandlingTime, 6u);  // 0.6 x 100 / 10
}

TEST_F(GoodsHandling, ASplitPassengerBatchHoldsItsOwnReference) {
  Cargo({kPassengers}, 0, 0, 5);
  const uint32_t psgr = PsgrWay({{here, kSchedule, 1, 1.0f}}, next, 1, 1);
  const uint32_t g = Good(kPassengers, 8, psgr);
  PutOut(here, {g});
  Stop stop({});
  stop.Load(Schedule({here, next}), 1);
  EXPECT_EQ(stop.Passengers, 5u);
  EXPECT_EQ(ReadGood(g).GoodAmount, 3);
  EXPECT_EQ(StoredRecord<TPsgrWay>(psgr).PsgrRefCount, 2u);
  EXPECT_EQ(stop.HandlingTime, 0u);
}

TEST_F(GoodsHandling, AOneTypeVehicleWithCoalAboardTakesNoPassengers) {
  Cargo({kCoal, kPassengers}, 1000, 1000, 50, 0);
  const uint32_t way = Goodsway({{from, kSchedule, 1}, {here, kSchedule, 2}, {next, 0, 0}}, 1);
  const uint32_t coal = Good(kCoal, 5, way, 2);
  const uint32_t psgr = PsgrWay({{here, kSchedule, 2, 1.0f}}, next, 1, 1);
  const uint32_t waiting = Good(kPassengers, 4, psgr);
  PutOut(here, {waiting});
  Stop stop({coal});
  stop.Load(Schedule({from, here, next}), 2);
  EXPECT_EQ(stop.Aboard(), std::vector<uint32_t>{coal});
  EXPECT_EQ(OutGoods(here), std::vector<uint32_t>{waiting});
  EXPECT_EQ(stop.Weight, 10u);
  EXPECT_EQ(stop.Passengers, 0u);
}

TEST_F(GoodsHandling, TheFirstBatchAboardSettlesTheTypeOfAOneTypeVehicle) {
  Cargo({kCoal, kPassengers}, 1000, 1000, 3, 0);
  const uint32_t way = Goodsway({{here, kSchedule, 1}, {next, 0, 0}}, 4);
  const uint32_t psgr = PsgrWay({{here, kSchedule, 1, 1.0f}}, next, 2, 1);
  // Marked batches go from the end of the list. Of the 4 passengers only 3 fit: a part of a batch
  // settles the type as well as a whole one.
  for (const bool passengersLast : {true, false}) {
    SCOPED_TRACE(passengersLast);
    const uint32_t coal = Good(kCoal, 5, way), people = Good(kPassengers, 4, psgr), coal2 = Good(kCoal, 5, way);
    ChangeStation(here, [](TStation& s) { s.StationOutGoodsCounter = 0; });
    const std::vector<uint32_t> waiting =
        passengersLast ? std::vector<uint32_t>{coal, coal2, people} : std::vector<uint32_t>{people, coal, coal2};
    for (uint32_t g : waiting) PutOut(here, {g});
    Stop stop({});
    stop.Load(Schedule({here, next}), 1);
    if (passengersLast) {
      ASSERT_EQ(stop.Goods.Count, 1);
      EXPECT_EQ(ReadGood(stop.Goods.Goods[0]).GoodAmount, 3);
      EXPECT_EQ(stop.Passengers, 3u);
      EXPECT_EQ(OutGoods(here), waiting);
    } else {
      EXPECT_EQ(stop.Aboard(), (std::vector<uint32_t>{coal2, coal}));
      EXPECT_EQ(stop.Passengers, 0u);
      EXPECT_EQ(OutGoods(here), std::vector<uint32_t>{people});
    }
  }
}

TEST_F(GoodsHandling, LoadingAlongWaysTakesContractsFirstAndTheRestFromTheEnd) {
  Cargo({kCoal}, 20, 1000, 0);  // room for 10 coal
  const uint32_t plain = Goodsway({{here, kSchedule, 1}, {next, 0, 0}}, 3);
  const uint32_t bound = Goodsway({{here, kSchedule, 1}, {next, 0, 0}}, 1, 5);
  const uint32_t elsewhere = Goodsway({{here, kSchedule + 1, 1}, {next, 0, 0}}, 1);
  const uint32_t first = Good(kCoal, 4, plain), second = Good(kCoal, 4, plain);
  const uint32_t contract = Good(kCoal, 4, bound);
  const uint32_t other = Good(kCoal, 4, elsewhere);
  const uint32_t lost = Good(kCoal, 4, 0);
  const uint32_t grain = Good(kGrain, 4, 0);  // not wanted: stays, even without way
  PutOut(here, {first, other, lost, second, contract, grain});
  Stop stop({});
  stop.Load(Schedule({here, next}), 1);
  ASSERT_EQ(stop.Goods.Count, 3);
  EXPECT_EQ(stop.Goods.Goods[0], contract);
  EXPECT_EQ(stop.Goods.Goods[1], second);
  const TGood part = ReadGood(stop.Goods.Goods[2]);  // 2 of the first batch fit
  EXPECT_EQ(part.GoodAmount, 2);
  EXPECT_EQ(ReadGood(first).GoodAmount, 2);
  EXPECT_FALSE(Exists(kTGoodDesc, lost));
  EXPECT_EQ(OutGoods(here), (std::vector<uint32_t>{first, other, grain}));
  EXPECT_EQ(StoredRecord<TGoodsway>(plain).GoodsWayRefCount, 4u);
  EXPECT_EQ(stop.Weight, 20u);
  EXPECT_EQ(stop.HandlingTime, 1u);  // 0.6 x 10 / 10
}

TEST_F(GoodsHandling, AVehicleWithAHundredBatchesTakesNoMore) {
  Cargo({kCoal}, 100000, 100000, 0);
  const uint32_t way = Goodsway({{here, kSchedule, 1}, {next, 0, 0}}, 101);
  Stop stop({});
  for (int k = 0; k < kVehicleGoodsRoom; ++k) stop.Goods.Goods[stop.Goods.Count++] = Good(kCoal, 1, way, 2);
  const uint32_t waiting = Good(kCoal, 1, way);
  PutOut(here, {waiting});
  stop.Goods.Count = 250;  // a count beyond the list's room counts as the room
  stop.Load(Schedule({here, next}), 1);
  EXPECT_EQ(stop.Goods.Count, kVehicleGoodsRoom);
  EXPECT_EQ(OutGoods(here), std::vector<uint32_t>{waiting});
  EXPECT_EQ(stop.Weight, 200u);
  TVehicle v{};
  v.VehicleGoodsCounter = 250;
  EXPECT_EQ(TVehicleGoods::Of(v).Count, kVehicleGoodsRoom);
}

TEST_F(GoodsHandling, TheSimpleEconomyLoadsWhatAnotherStopAcceptsAndMarksServedTypes) {
  GameSettings.EconomyMode = 1;
  Cargo({kCoal, kGrain}, 30, 1000, 0);  // room for 15 coal or 30 grain
  AddStationGoods(next, kCoal, kStationGoodsAccepted);
  AddStationGoods(next, kGrain, kStationGoodsAccepted);
  AddStationGoods(here, kCoal, kStationGoodsSupplied);
  AddStationGoods(here, kGrain, kStationGoodsSupplied);
  AddStationGoods(here, kPassengers, kStationGoodsSupplied);
  const uint32_t coal = Good(kCoal, 10, here), coal2 = Good(kCoal, 10, here), grain = Good(kGrain, 4, here);
  const uint32_t people = Good(kPassengers, 4, here);
  PutOut(here, {coal, people, coal2, grain});
  Stop stop({});
  stop.Load(Schedule({here, next}), 1);
  // The first coal fits, 5 of the second; the grain no more. The passengers are not wanted.
  ASSERT_EQ(stop.Goods.Count, 2);
  EXPECT_EQ(stop.Goods.Goods[0], coal);
  EXPECT_EQ(ReadGood(coal2).GoodAmount, 5);
  EXPECT_EQ(OutGoods(here), (std::vector<uint32_t>{people, coal2, grain}));
  auto s = ReadStation(here);
  for (uint8_t t : {kCoal, kGrain, kPassengers})
    EXPECT_EQ(StationGoods(*s, FindStationGoods(*s, t)).Flags & kStationGoodsLoaded, 0);

  // A type of which nothing stays behind is marked served; one that no other stop accepts is not
  // taken at all.
  Cargo({kCoal, kGrain, kPassengers}, 1000, 1000, 10);
  Stop second({});
  second.Load(Schedule({here, next}), 1);
  EXPECT_EQ(second.Aboard().size(), 2u);
  EXPECT_EQ(OutGoods(here), std::vector<uint32_t>{people});
  s = ReadStation(here);
  EXPECT_NE(StationGoods(*s, FindStationGoods(*s, kCoal)).Flags & kStationGoodsLoaded, 0);
  EXPECT_NE(StationGoods(*s, FindStationGoods(*s, kGrain)).Flags & kStationGoodsLoaded, 0);
  EXPECT_EQ(StationGoods(*s, FindStationGoods(*s, kPassengers)).Flags & kStationGoodsLoaded, 0);
}

TEST_F(GoodsHandling, LoadingRefusesWhatItCannotServe) {
  Stop stop({});
  const TSchedule schedule = Schedule({here, next});
  EXPECT_EQ(FatalOf([&] { stop.Load(schedule, 1, 0, 2); }), Fatal("Error: Goods: LoadGoods: Unsorported VBT-Type!"));
  // A stop the schedule does not have loads nothing.
  const uint32_t way = Goodsway({{here, kSchedule, 1}, {next, 0, 0}}, 1);
  PutOut(here, {Good(kCoal, 1, way)});
  stop.Load(Schedule({here, next}), 3);
  stop.Load(Schedule({here, next}), 0);
  EXPECT_EQ(stop.Goods.Count, 0);
  EXPECT_EQ(OutGoods(here).size(), 1u);
}

}  // namespace
