// The delete notices of the world records: what a deleted schedule, way, market, industry, depot,
// goods way and train leave behind, the paths over a deleted way, and a running goods-way world in
// which a street, an industry, a schedule and a station are deleted.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "economy/goods/driver.h"
#include "economy/goods/records.h"
#include "economy/port/uiport.h"
#include "economy/step/commands.h"
#include "economy/step/deletehooks.h"
#include "economy/step/services.h"
#include "economy/step/tick.h"
#include "economy/step/worldstate_hash.h"
#include "economy/town/development.h"
#include "economy/town/passengers.h"
#include "economy/town/placement.h"
#include "engine/base/maths.h"
#include "engine/store/trainpool.h"
#include "engine/world/hooks.h"
#include "engine/world/train.h"
#include "network/construction/buildings.h"
#include "network/vehicles/movement.h"
#include "tests/economy/economy_fixture.h"
#include "tests/economy/goods/goods_fixture.h"
#include "tests/economy/goods/goods_invariants.h"
#include "tools/sample_economy.h"
#include "tools/sample_world.h"

namespace {

using goods_testing::kCoal;
using goods_testing::Val;
using goods_testing::AddStretch;
using goods_testing::ChangeStation;
using goods_testing::ReadStation;
using goods_testing::kPassengers;

std::vector<std::string> g_calls;
void Note(const std::string& s) { g_calls.push_back(s); }
std::string U(uint32_t v) { return std::to_string(v); }

class DeleteHooks : public goods_testing::GoodsTest {
 protected:
  void SetUp() override {
    GoodsTest::SetUp();
    InstallGoodsRecordHooks();
    InstallDeleteHooks();
    placement_hooks::InstallDefaults();
    ResetPassengers();
    ResetWorldDevelopment();
    g_calls.clear();
    TUserInterfacePort port;
    port.CloseDepotWindow = [](uint32_t d) { Note("close depot window " + U(d)); };
    port.ResetIndustryWindowCounters = [] { Note("reset industry window counters"); };
    port.CloseIndustryWindows = [](uint32_t i) { Note("close industry windows " + U(i)); };
    port.CloseTrainWindows = [](uint32_t t) { Note("close train windows " + U(t)); };
    port.RefreshTrainList = [] { Note("refresh train list"); };
    SetUserInterface(port);
  }
  void TearDown() override {
    SetUserInterface({});
    placement_hooks::InstallDefaults();
    movement_hooks::InstallDefaults();
    world_hooks::InstallDefaults();
    goods_hooks::InstallDefaults();
    train_hooks::OnDestroyTrain = nullptr;
    ResetPassengers();
    ResetWorldDevelopment();
    GoodsTest::TearDown();
  }

  static std::vector<std::string> Stretches(uint32_t station) {
    auto s = ReadStation(station);
    std::vector<std::string> v;
    for (int k = 0; k < s->StationstretchCounter; ++k) {
      const TStationStretch e = s->Stretches[k];
      v.push_back(U(e.Station) + "/" + U(e.Schedule));
    }
    return v;
  }
  static uint32_t PsgrWay(float rate, std::initializer_list<uint32_t> schedules, uint8_t used = 2) {
    TPsgrWay p{};
    p.Init(rate);
    p.Used = 1;
    p.PsgrStretchCounter = used;
    int k = 0;
    for (uint32_t s : schedules) {
      TPsgrStretch e{};
      e.Schedule = s;
      p.Stretches[k++] = e;
    }
    p.A_Write();
    return p.Index;
  }
  // A goods way from nowhere to Target over hops of the schedules.
  static uint32_t GoodsWayOver(uint32_t target, std::initializer_list<uint32_t> schedules) {
    auto w = std::make_unique<TGoodsway>();
    *w = TGoodsway{};
    w->GoodsWayGoodType = kCoal;
    w->GoodswayTo = target;
    w->GoodsWayFlags = kGoodswayByTransfer;
    for (uint32_t s : schedules) {
      TGoodswayPathEntry e{};
      e.Schedule = s;
      w->Path[w->GoodsWayPathCounter++] = e;
    }
    w->A_Write();
    return w->Index;
  }
};

TEST_F(DeleteHooks, ADeletedScheduleStopsItsPassengerWaysAndTakesItsStretchesAndGoodsWays) {
  const uint32_t x = Station({0, 0, 0}), a = Station({100, 0, 0}), b = Station({200, 0, 0}), c = Station({300, 0, 0});
  const uint32_t line = sample_world::ScheduleOf({x, a}, {});
  const uint32_t other = line + 1000;
  // The schedule in a used stretch, in a stretch slot beyond the used ones, and not at all.
  const uint32_t riding = PsgrWay(5.0f, {other, line});
  const uint32_t beyond = PsgrWay(5.0f, {other, other, line}, 1);
  const uint32_t untouched = PsgrWay(5.0f, {other});
  // The second entry of the schedule is moved into the first one's place and goes as well.
  AddStretch(x, a, line, 1);
  AddStretch(x, c, other, 1);
  AddStretch(x, b, line, 2);
  // The route builder's destination lists X.
  PsgrRouteBuilder.Phase = 4;
  PsgrRouteBuilder.Slots[0].Active = 1;
  PsgrRouteBuilder.Slots[0].StationCount = 1;
  PsgrRouteBuilder.Slots[0].Stations[0] = x;
  const uint32_t target = Industry(1);
  const uint32_t rides = GoodsWayOver(target, {line, 0});
  const uint32_t endsThere = GoodsWayOver(target, {0, line});  // the last entry carries nothing on

  StoredRecord<TSchedule>(line).Destroy();

  EXPECT_FALSE(ArrayerHolds(kTScheduleDesc, line));
  for (uint32_t p : {riding, beyond}) {
    ASSERT_TRUE(ArrayerHolds(kTPsgrWayDesc, p));
    EXPECT_EQ(Val(StoredRecord<TPsgrWay>(p).PassengerspF), 0.0f);
  }
  EXPECT_EQ(Val(StoredRecord<TPsgrWay>(untouched).PassengerspF), 5.0f);
  EXPECT_EQ(Stretches(x), std::vector<std::string>{U(c) + "/" + U(other)});
  EXPECT_EQ(Val(PsgrRouteBuilder.Phase), 0u);
  EXPECT_FALSE(ArrayerHolds(kTGoodswayDesc, rides));
  EXPECT_TRUE(ArrayerHolds(kTGoodswayDesc, endsThere));
  // The deleted goods way's notice reached the windows.
  EXPECT_EQ(g_calls, std::vector<std::string>{"reset industry window counters"});
}

TEST_F(DeleteHooks, APathIsMarkedWhenItRunsOverOneOfTheFirstCountNodes) {
  const auto path = [](std::initializer_list<uint32_t> nodes) {
    auto p = std::make_unique<TPath>();
    *p = TPath{};
    for (uint32_t n : nodes) p->Nodes[p->PathNodeCounter++] = n;
    p->A_Write();
    return p->Index;
  };
  struct Case {
    const char* What;
    std::vector<uint32_t> Nodes;
    uint32_t Count;
    bool First, Second;
  } cases[] = {
      {"no node on a path", {40, 41}, 2, false, false},
      {"the first node on the second path", {9, 40}, 2, false, true},
      {"a node beyond the count", {40, 6}, 1, false, false},
      {"count 0", {5, 8}, 0, false, false},
      {"nodes on both", {7, 8}, 2, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    ArrayerReset();
    const uint32_t first = path({5, 6, 7}), second = path({8, 9});
    RemovePathsOfWay(c.Count, c.Nodes.data(), 999, true);
    EXPECT_EQ(Val(StoredRecord<TPath>(first).Invalid), c.First ? 1 : 0);
    EXPECT_EQ(Val(StoredRecord<TPath>(second).Invalid), c.Second ? 1 : 0);
  }
}

TEST_F(DeleteHooks, ADeletedTrainIsAnnouncedToEveryDepotsScriptAndItsWindows) {
  std::vector<uint32_t> depots;
  std::vector<uint32_t> buildings;
  for (int k = 0; k < 3; ++k) {
    TBuilding b{};
    b.BuildingType = static_cast<uint16_t>(10 + k);
    b.A_Write();
    TDepot d{};
    d.Building = k == 1 ? 0 : b.Index;  // the second depot has lost its building
    d.A_Write();
    depots.push_back(d.Index);
    buildings.push_back(b.Index);
  }
  movement_hooks::RunBuildingEvent = [](int32_t event, int32_t p2, int32_t p3, int32_t p4, TBuilding& b, int32_t train,
                                        TDepot* d) {
    Note("event " + std::to_string(event) + " " + std::to_string(p2) + " " + std::to_string(p3) + " " +
         std::to_string(p4) + " building " + U(b.Index) + " train " + std::to_string(train) + " depot " +
         U(d ? d->Index : 0));
    return 0;
  };
  OnDestroyTrain(17);
  EXPECT_EQ(g_calls, (std::vector<std::string>{
                         "event 6 17 0 0 building " + U(buildings[0]) + " train 0 depot " + U(depots[0]),
                         "event 6 17 0 0 building " + U(buildings[2]) + " train 0 depot " + U(depots[2]),
                         "close train windows 17", "refresh train list"}));
}

TEST_F(DeleteHooks, EachNoticeReachesItsProcessesAndWindowsInOrder) {
  goods_process_hooks::RPWGoodswayDeleted = [](uint32_t g) { Note("goods: goods way " + U(g)); };
  goods_process_hooks::FNGIndustryDeleted = [](uint32_t i) { Note("goods: industry " + U(i)); };
  goods_process_hooks::RPWMarketDeleted = [](uint32_t m) {
    Note("goods: market " + U(m) + ", market search best " + U(MarketSearch.BestMarket));
  };
  placement_hooks::StreetDeleted = [](uint32_t w) {
    Note("placement: street " + U(w) + ", market search state " + U(MarketSearch.State) + ", route builder phase " +
         U(PsgrRouteBuilder.Phase));
  };
  MarketSearch.State = 1;
  MarketSearch.WayCursor = 21;
  MarketSearch.BestMarket = 33;
  PsgrRouteBuilder.Phase = 2;
  PsgrRouteBuilder.OriginWay = 21;

  OnDestroyDepot(4);
  OnDestroyGoodsway(5);
  OnDestroyIndustry(6);
  OnDestroyMarket(33);
  OnDestroyWay(21);
  OnDestroyBuilding();
  OnRemoveIndustryGoodsway();

  EXPECT_EQ(g_calls, (std::vector<std::string>{
                         "close depot window 4", "goods: goods way 5", "reset industry window counters",
                         "goods: industry 6", "close industry windows 6", "goods: market 33, market search best 0",
                         "placement: street 21, market search state 1, route builder phase 2"}));
  EXPECT_EQ(Val(MarketSearch.State), 0);
  EXPECT_EQ(Val(PsgrRouteBuilder.Phase), 0u);
}

// The processes that keep an index across their steps, each at a phase of its own, and one record
// deleted: the passenger route builder (origin street W with origin station S; from phase 2 on its
// first slot is active at street D with station S; at phase 5 its search stack holds T), the town
// building placement (working on W, its next way N at the crossing corner), and the world
// development's market search (its way cursor at W, its best market M). A process goes back to its
// start only when it holds the deleted index in the phase it is in.
TEST_F(DeleteHooks, ADeletedRecordResetsEachProcessThatHoldsItInThePhaseItIsIn) {
  enum Deleted { kOriginStreet, kDestinationStreet, kNextWay, kOtherStreet, kOriginStation, kStackStation,
                 kOtherStation, kScheduleAtOrigin, kOtherSchedule, kBestMarket };
  struct Case {
    const char* What;
    Deleted Object;
    uint32_t BuilderPhase;
    uint8_t PlacementStep;
    uint8_t SearchState;
    // Expected: the builder back at phase 0, the placement's attempt ended, the market search back
    // at state 0, its best market forgotten.
    bool BuilderRestarts, PlacementEnds, SearchRestarts, BestForgotten;
  } cases[] = {
      {"origin street, builder collecting stations", kOriginStreet, 1, 3, 1, true, true, true, false},
      {"origin street, builder searching", kOriginStreet, 5, 6, 0, true, true, true, false},
      {"origin street, builder idle", kOriginStreet, 0, 0, 1, false, true, true, false},
      {"destination street, slot active", kDestinationStreet, 4, 4, 1, true, false, false, false},
      {"destination street, slot not yet active", kDestinationStreet, 1, 4, 1, false, false, false, false},
      {"the next way at the crossing corner", kNextWay, 6, 5, 1, false, true, false, false},
      {"a street no process holds", kOtherStreet, 5, 7, 1, false, false, false, false},
      {"origin station", kOriginStation, 2, 2, 1, true, false, false, false},
      {"a station on the search stack", kStackStation, 5, 2, 1, true, false, false, false},
      {"a station on the stack before the search", kStackStation, 4, 2, 1, false, false, false, false},
      {"a station no process holds", kOtherStation, 5, 2, 1, false, false, false, false},
      {"a schedule with a stretch at the origin station", kScheduleAtOrigin, 5, 2, 1, true, false, false, false},
      {"a schedule without stretches", kOtherSchedule, 5, 2, 1, false, false, false, false},
      {"the best market while searching", kBestMarket, 3, 2, 1, false, false, false, true},
      {"the best market of a finished search", kBestMarket, 3, 2, 0, false, false, false, false},
  };
  placement_hooks::StreetDeleted = [](uint32_t w) { PP_StreetDeleted(PlaceBuildingProcess, w); };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    ArrayerReset();
    ResetPassengers();
    ResetWorldDevelopment();
    ResetPlaceBuilding(PlaceBuildingProcess);
    const uint32_t w = sample_world::StraightWay(0, {1000, 0, 1000}, {1500, 0, 1000}, 10.0f);
    const uint32_t d = sample_world::StraightWay(0, {9000, 0, 1000}, {9500, 0, 1000}, 10.0f);
    const uint32_t n = sample_world::StraightWay(0, {1500, 0, 1000}, {1500, 0, 1500}, 10.0f);
    const uint32_t other = sample_world::StraightWay(0, {4000, 0, 4000}, {4500, 0, 4000}, 10.0f);
    const uint32_t so = Station({1200, 0, 1200}), sd = Station({9200, 0, 1200}), st = Station({5000, 0, 1200});
    const uint32_t unrelated = Station({7000, 0, 7000});
    const uint32_t line = sample_world::ScheduleOf({so, sd}, {});
    const uint32_t empty = sample_world::ScheduleOf({unrelated, st}, {});
    AddStretch(so, sd, line, 1);
    const uint32_t market = sample_world::MarketOf(0, 0);

    TPsgrRouteBuilder& b = PsgrRouteBuilder;
    b.Phase = c.BuilderPhase;
    b.OriginWay = w;
    b.OriginStationCount = 1;
    b.OriginStations[0] = so;
    b.Slots[0].Active = c.BuilderPhase >= 2 ? 1 : 0;
    b.Slots[0].WayCursor = d;
    b.Slots[0].StationCount = 1;
    b.Slots[0].Stations[0] = sd;
    // The stack is in use only while the search runs; before it, its levels are left-overs.
    b.Levels[0].Station = so;
    b.Levels[1].Station = st;
    b.Level = c.BuilderPhase == 5 ? 2 : 0;
    TPPPlacebuilding& p = PlaceBuildingProcess;
    p.Step = c.PlacementStep;
    p.Way = w;
    p.Ended = 0;
    p.Failed = 0;
    TWay next{};
    next.A_Read(n);
    p.NextWay = next;
    ProcessStatus[1] = "working";
    MarketSearch.State = c.SearchState;
    MarketSearch.WayCursor = w;
    MarketSearch.BestMarket = market;
    MarketSearch.BestDistance = 1200.0f;
    MarketSearch.MarketCursor = market;

    TDestroyResult r{};
    const auto dropStation = [&](uint32_t index) { ReadStation(index)->destroy(kDestroyForced, r); };
    switch (c.Object) {
      case kOriginStreet: TWay::DestroyByIndex(w, kDestroyForced, r); break;
      case kDestinationStreet: TWay::DestroyByIndex(d, kDestroyForced, r); break;
      case kNextWay: TWay::DestroyByIndex(n, kDestroyForced, r); break;
      case kOtherStreet: TWay::DestroyByIndex(other, kDestroyForced, r); break;
      case kOriginStation: dropStation(so); break;
      case kStackStation: dropStation(st); break;
      case kOtherStation: dropStation(unrelated); break;
      case kScheduleAtOrigin: StoredRecord<TSchedule>(line).Destroy(); break;
      case kOtherSchedule: StoredRecord<TSchedule>(empty).Destroy(); break;
      case kBestMarket: TMarket::DestroyByIndex(market); break;
    }

    EXPECT_EQ(Val(b.Phase), c.BuilderRestarts ? 0u : c.BuilderPhase);
    EXPECT_EQ(Val(p.Ended), c.PlacementEnds ? 1 : 0);
    EXPECT_EQ(Val(p.Failed), c.PlacementEnds ? 1 : 0);
    EXPECT_EQ(ProcessStatus[1].str(), c.PlacementEnds ? "The street has disappeared..." : "working");
    EXPECT_EQ(Val(p.Step), c.PlacementStep);  // the next call finds the way gone and starts over
    EXPECT_EQ(Val(MarketSearch.State), c.SearchRestarts ? 0 : c.SearchState);
    EXPECT_EQ(Val(MarketSearch.BestMarket), c.BestForgotten ? 0u : market);
    EXPECT_EQ(Val(MarketSearch.MarketCursor), c.BestForgotten ? 0u : market);
    EXPECT_EQ(Val(MarketSearch.BestDistance), c.BestForgotten ? 5000.0f : 1200.0f);
  }
  ResetPlaceBuilding(PlaceBuildingProcess);
}

// ---- A running world

class DeletionsInARunningWorld : public economy_test::EconomyTest {
 protected:
  void TearDown() override {
    economy_test::UninstallEconomyServices();
    train_hooks::OnDestroyTrain = nullptr;
    ResetGoodsProcesses();
    ResetPassengers();
    ResetWorldState();
    EconomyTest::TearDown();
  }

  // A street from A to B whose last upkeep pass counted Residents poor people.
  static uint32_t Street(const TVector& a, const TVector& b, int32_t residents) {
    TWay w{};
    w.A_Read(sample_world::StraightWay(0, a, b, 10.0f));
    w.LastResidents[0] = residents;
    w.A_Overwrite();
    return w.Index;
  }

  // Every index the route builder reads in its phase is a record of its kind.
  static std::vector<std::string> BuilderOnFreedIndices() {
    const TPsgrRouteBuilder b = PsgrRouteBuilder;
    std::vector<std::string> v;
    if (b.Phase == 0) return v;
    if (!ArrayerHolds(kTWayDesc, b.OriginWay)) v.push_back("origin way " + U(b.OriginWay));
    for (int k = 0; k < b.OriginStationCount; ++k)
      if (!ArrayerHolds(kTStationDesc, b.OriginStations[k])) v.push_back("origin station " + U(b.OriginStations[k]));
    for (int s = 0; s < kPsgrSlots; ++s) {
      if (b.Slots[s].Active == 0) continue;
      if (!ArrayerHolds(kTWayDesc, b.Slots[s].WayCursor)) v.push_back("destination way " + U(b.Slots[s].WayCursor));
      for (int k = 0; k < b.Slots[s].StationCount; ++k)
        if (!ArrayerHolds(kTStationDesc, b.Slots[s].Stations[k])) v.push_back("destination station");
      if (b.Phase >= 5) {
        const TPsgrWay r = b.Slots[s].Route;
        for (int k = 0; k < r.PsgrStretchCounter; ++k)
          if (!ArrayerHolds(kTStationDesc, r.Stretches[k].Station)) v.push_back("route station");
      }
    }
    return v;
  }

  // Runs Ticks ticks, the goods invariants and the builder's indices checked after each; the
  // passenger batches seen.
  int Run(int ticks) {
    int batches = 0;
    for (int t = 1; t <= ticks; ++t) {
      GameplayTick();
      const std::vector<std::string> problems = goods_testing::GoodsInvariantViolations();
      EXPECT_TRUE(problems.empty()) << "tick " << t << ": " << problems.front();
      const std::vector<std::string> freed = BuilderOnFreedIndices();
      EXPECT_TRUE(freed.empty()) << "tick " << t << ": " << freed.front();
      if (!problems.empty() || !freed.empty()) return batches;
      TGood g{};
      for (uint32_t i = FindInArrayerRest(kARTypeGood, 0); i != 0; i = FindInArrayerRest(kARTypeGood, i)) {
        g.A_Read(i);
        batches += g.GoodType == sample_economy::kPassengers ? 1 : 0;
      }
    }
    return batches;
  }
};

TEST_F(DeletionsInARunningWorld, TheGoodsInvariantsHoldAndNoCursorIsLeftOnAFreedIndex) {
  ASSERT_TRUE(ResetSimulationWorld());
  sample_world::StartCalendarGame();
  const sample_economy::TSimpleEconomy world = sample_economy::BuildSimpleEconomy();
  GameSettings.EconomyMode = 0;
  auto s = std::make_unique<TStation>();
  TVector ends[2];
  for (int k = 0; k < 2; ++k) {
    s->A_Read(world.Line.Stations[k]);
    ends[k] = s->Position;
  }
  // Streets beside both ends of the line, 150 from their stations; the line's stretches.
  const uint32_t nearStreet = Street({ends[0].x - 100, 0, ends[0].z + 150}, {ends[0].x + 100, 0, ends[0].z + 150}, 800);
  const uint32_t farStreet = Street({ends[1].x - 100, 0, ends[1].z + 150}, {ends[1].x + 100, 0, ends[1].z + 150}, 300);
  AddStationStretches(world.Line.Schedule);
  s->A_Read(world.Line.Stations[0]);
  ASSERT_EQ(Val(s->StationstretchCounter), 1);
  // The near street's routes: its builder starts at the street, with the near class's search just
  // before the far street, at a tick whose skip is one way.
  TWay origin{};
  origin.A_Read(nearStreet);
  PsgrRouteBuilder = TPsgrRouteBuilder{};
  PsgrRouteBuilder.Phase = 1;
  PsgrRouteBuilder.OriginWay = nearStreet;
  PsgrRouteBuilder.Origin = origin.Position;
  PsgrRouteBuilder.Slots[0].WayCursor = nearStreet;
  while (HashRandom(static_cast<int32_t>(GameTime), 200) != 1) ++GameTime;
  for (int k = 0; k < 6; ++k) UpdatePassengerRoutes(PsgrRouteBuilder);
  TWay w{};
  w.A_Read(nearStreet);
  ASSERT_NE(Val(w.PsgrWays[0]), 0u) << "phase " << Val(PsgrRouteBuilder.Phase);
  ASSERT_TRUE(goods_testing::GoodsInvariantViolations().empty());

  EXPECT_GT(Run(3000), 0);
  TDestroyResult r{};
  TWay::DestroyByIndex(farStreet, kDestroyForced, r);
  Run(300);
  // An industry goes with its station.
  s->A_Read(world.Mine.Station);
  s->destroy(kDestroyForced, r);
  EXPECT_FALSE(ArrayerHolds(kTIndustryDesc, world.Mine.Industry));
  Run(300);
  StoredRecord<TSchedule>(world.Line.Schedule).Destroy();
  EXPECT_EQ(Val(StoredRecord<TPsgrWay>(w.PsgrWays[0]).PassengerspF), 0.0f);
  Run(300);
  s->A_Read(world.Line.Stations[0]);
  s->destroy(kDestroyForced, r);
  EXPECT_FALSE(ArrayerHolds(kTStationDesc, world.Line.Stations[0]));
  Run(2000);
}

}  // namespace
