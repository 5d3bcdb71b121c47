// The goods movement at stations: arrival and delivery along the successor chain, industries'
// input stock, transfer stations, the out-goods' transfers and waits, and the simple economy's
// expiry, passenger accrual and new batches.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "economy/goods/ivmove.h"
#include "engine/store/recordaccess.h"
#include "engine/store/recordstore.h"
#include "tests/economy/goods/goods_fixture.h"

namespace {

using arrayer_testing::Fatal;
using arrayer_testing::FatalOf;
using goods_testing::kCoal;
using goods_testing::ChangeStation;
using goods_testing::ReadStation;
using goods_testing::kPassengers;
using goods_testing::kTools;

struct Hop {
  uint32_t Station, Schedule;
};

class GoodsMovement : public goods_testing::GoodsTest {
 protected:
  static uint32_t Market() {
    RecordDesc d = kTMarketDesc;
    d.Ops = kOpRead | kOpWrite | kOpReWrite | kOpOverwrite;
    auto m = std::make_unique<TMarket>();
    *m = TMarket{};
    RecordWrite(d, m.get());
    return m->Index;
  }
  static uint32_t Way(std::initializer_list<Hop> path, uint32_t refs, uint32_t successor = 0, uint8_t flags = 0) {
    auto w = std::make_unique<TGoodsway>();
    *w = TGoodsway{};
    w->GoodsWayGoodType = kCoal;
    w->GoodsWayRefCount = refs;
    w->GoodsWaySuccessor = successor;
    w->GoodsWayFlags = flags;
    for (const Hop& h : path) {
      TGoodswayPathEntry e{};
      e.Station = h.Station;
      e.Schedule = h.Schedule;
      w->Path[w->GoodsWayPathCounter++] = e;
    }
    w->A_Write();
    return w->Index;
  }
  static TGoodsway ReadWay(uint32_t index) { return StoredRecord<TGoodsway>(index); }
  static void SetIn(uint32_t station, std::initializer_list<uint32_t> goods) {
    ChangeStation(station, [&](TStation& s) {
      s.StationInGoodsCounter = 0;
      for (uint32_t g : goods) s.GoodsIn[s.StationInGoodsCounter++] = g;
    });
  }
  static void SetOut(uint32_t station, std::initializer_list<uint32_t> goods) {
    ChangeStation(station, [&](TStation& s) {
      s.StationOutGoodsCounter = 0;
      for (uint32_t g : goods) s.GoodsOut[s.StationOutGoodsCounter++] = g;
    });
  }
  static std::vector<uint32_t> In(uint32_t station) {
    auto s = ReadStation(station);
    return {s->GoodsIn, s->GoodsIn + s->StationInGoodsCounter};
  }
  static std::vector<uint32_t> Out(uint32_t station) {
    auto s = ReadStation(station);
    return {s->GoodsOut, s->GoodsOut + s->StationOutGoodsCounter};
  }
  static bool Exists(uint32_t good) { return ArrayerHolds(kTGoodDesc, good); }
  // The in-goods of the station (the first one after the cursor) in one step.
  static void InGoodsOf(uint32_t station) {
    PPIVMove = {1, kNow, station - 1, 1};
    IVMoveStep(PPIVMove);
    EXPECT_EQ(PPIVMove.StationCursor, station);
    EXPECT_EQ(PPIVMove.Phase, 2);
  }
  static void OutGoodsOf(uint32_t station) {
    PPIVMove = {1, kNow, station, 2};
    IVMoveStep(PPIVMove);
    EXPECT_EQ(PPIVMove.Phase, 1);
  }
};

TEST_F(GoodsMovement, ABatchReadyAtThisTickHasNotYetArrived) {
  const uint32_t station = Station({0, 0, 0}, Market());
  const uint32_t last = Way({}, 0);
  const uint32_t first = Way({}, 2, last);
  const uint32_t waiting = Good(kCoal, 20, first, kNow);
  const uint32_t arrived = Good(kCoal, 30, first, kNow - 1);
  SetIn(station, {waiting, arrived});
  InGoodsOf(station);
  EXPECT_EQ(In(station), std::vector<uint32_t>{waiting});
  EXPECT_FALSE(Exists(arrived));
  // The end of the successor chain counts the delivery; the batch's own way gives its reference back.
  EXPECT_EQ(ReadWay(last).GoodsWayDelivered, 30);
  EXPECT_EQ(ReadWay(last).GoodsWayLastDelivery, static_cast<int32_t>(kNow));
  EXPECT_EQ(ReadWay(first).GoodsWayDelivered, 0);
  EXPECT_EQ(ReadWay(first).GoodsWayRefCount, 1u);
}

TEST_F(GoodsMovement, ADeliveryCountsWhenYoungAndEndsAProbe) {
  struct Case {
    uint8_t Flags;
    uint32_t Age;
    int32_t Delivered, LastDelivery;
    uint8_t FlagsAfter;
  };
  const Case cases[] = {
      {0, 999, 30, static_cast<int32_t>(kNow), 0},
      {kGoodswayProbe | kGoodswayActive, 999, 0, -1, kGoodswayActive},
      {0, 1000, 0, 0, 0},  // as old as the type's maximum age: not counted
      {kGoodswayProbe, 1000, 0, 0, kGoodswayProbe},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Age);
    const uint32_t station = Station({0, 0, 0}, Market());
    const uint32_t way = Way({}, 1, 0, c.Flags);
    SetIn(station, {Good(kCoal, 30, way, kNow - 1, 1, kNow - c.Age)});
    InGoodsOf(station);
    EXPECT_TRUE(In(station).empty());
    EXPECT_EQ(ReadWay(way).GoodsWayDelivered, c.Delivered);
    EXPECT_EQ(ReadWay(way).GoodsWayLastDelivery, c.LastDelivery);
    EXPECT_EQ(ReadWay(way).GoodsWayFlags, c.FlagsAfter);
    EXPECT_EQ(ReadWay(way).GoodsWayRefCount, 0u);
  }
}

TEST_F(GoodsMovement, AnIndustryTakesDeliveriesAndDropsInputsOfExactlyZero) {
  const uint32_t industry = Industry(1);
  {
    auto i = ReadIndustry(industry);
    SetIndustryInput(*i, 0, TIndustryInput{0.0f, kCoal, {}});
    SetIndustryInput(*i, 1, TIndustryInput{5.0f, kTools, {}});
    SetIndustryInput(*i, 2, TIndustryInput{0.5f, kPassengers, {}});
    i->IndustryInputCounter = 3;
    i->A_ReWrite();
  }
  const uint32_t station = Station({0, 0, 0}, industry);
  SetIn(station, {Good(kTools, 10, 0, kNow - 1), Good(kTools, 1, 0, kNow - 1)});
  InGoodsOf(station);
  auto i = ReadIndustry(industry);
  ASSERT_EQ(i->IndustryInputCounter, 2);
  EXPECT_EQ(IndustryInput(*i, 0).GoodType, kTools);
  EXPECT_EQ(IndustryInput(*i, 0).Amount, 16.0f);
  EXPECT_EQ(IndustryInput(*i, 1).GoodType, kPassengers);
  // A type without an entry gets one.
  SetIn(station, {Good(kCoal, 7, 0, kNow - 1)});
  InGoodsOf(station);
  i = ReadIndustry(industry);
  ASSERT_EQ(i->IndustryInputCounter, 3);
  EXPECT_EQ(IndustryInput(*i, 2).GoodType, kCoal);
  EXPECT_EQ(IndustryInput(*i, 2).Amount, 7.0f);
}

TEST_F(GoodsMovement, ATransferStationPutsArrivedBatchesOutForTheirNextHop) {
  const uint32_t station = Station({0, 0, 0});
  const uint32_t way = Way({{station, 0}, {station + 1, 0}}, 1);
  const uint32_t good = Good(kCoal, 5, way, kNow - 10);
  SetIn(station, {good});
  InGoodsOf(station);
  EXPECT_TRUE(In(station).empty());
  EXPECT_EQ(Out(station), std::vector<uint32_t>{good});
  const TGood g = StoredRecord<TGood>(good);
  EXPECT_EQ(g.GoodsWayEntry, 2);
  EXPECT_EQ(g.GoodReady, kNow);
}

TEST_F(GoodsMovement, ATransferWaits150TicksAndPassengersWaitAtMost15000ForTheirVehicle) {
  const uint32_t here = Station({0, 0, 0}), next = Station({300, 0, 400});
  const uint32_t way = Way({{here, 0}, {next, 0}}, 2);
  const uint32_t patient = Good(kCoal, 5, way, kNow - kTransferWait);
  const uint32_t due = Good(kCoal, 6, way, kNow - kTransferWait - 1);
  TPsgrWay p{};
  p.Init(1.0f);
  p.Used = 1;
  p.PsgrRefCount = 2;
  p.PsgrStretchCounter = 1;
  p.Stretches[0].Station = next;
  p.Stretches[0].Schedule = 5;
  p.A_Write();
  const uint32_t waiting = Good(kPassengers, 3, p.Index, kNow - kPassengerWait);
  const uint32_t gone = Good(kPassengers, 4, p.Index, kNow - kPassengerWait - 1);
  SetOut(here, {patient, due, waiting, gone});
  OutGoodsOf(here);
  EXPECT_EQ(Out(here), (std::vector<uint32_t>{patient, waiting}));
  EXPECT_EQ(In(next), std::vector<uint32_t>{due});
  EXPECT_EQ(StoredRecord<TGood>(due).GoodReady, kNow + 500);  // the distance on its way
  EXPECT_FALSE(Exists(gone));
  EXPECT_EQ(StoredRecord<TPsgrWay>(p.Index).PsgrRefCount, 1u);
}

TEST_F(GoodsMovement, ABatchTooOldForItsVehicleGoesToTheEndOfItsWayByTransfer) {
  const uint32_t here = Station({0, 0, 0}), end = Station({100, 0, 0});
  const uint32_t way = Way({{here, 9}, {end, 0}}, 2);
  const uint32_t young = Good(kCoal, 5, way, kNow, 1, kNow - 1000);
  const uint32_t old = Good(kCoal, 6, way, kNow, 1, kNow - 1001);
  SetOut(here, {young, old});
  OutGoodsOf(here);
  EXPECT_EQ(Out(here), std::vector<uint32_t>{young});
  EXPECT_EQ(In(end), std::vector<uint32_t>{old});
  EXPECT_EQ(StoredRecord<TGood>(old).GoodsWayEntry, 2);
  EXPECT_EQ(ReadWay(way).GoodsWayFlags, kGoodswayLost);
  // A probe batch is dropped; one under contract has no rule.
  const uint32_t probe = Way({{here, 9}, {end, 0}}, 1, 0, kGoodswayProbe);
  const uint32_t tried = Good(kCoal, 1, probe, kNow, 1, kNow - 2000);
  SetOut(here, {tried});
  OutGoodsOf(here);
  EXPECT_FALSE(Exists(tried));
  EXPECT_EQ(ReadWay(probe).GoodsWayRefCount, 0u);
  auto bound = ReadWay(way);
  bound.GoodsWayContract = 3;
  bound.A_Overwrite();
  SetOut(here, {Good(kCoal, 1, way, kNow, 1, kNow - 2000)});
  EXPECT_EQ(FatalOf([&] { OutGoodsOf(here); }),
            Fatal("ERROR : Goods : PPIVMove : Missing Programmcode: What to do when Good with Contract is to old"));
}

TEST_F(GoodsMovement, AStationOfAnUnknownKindStopsTheProgram) {
  const uint32_t other = Station({0, 0, 0});
  const uint32_t station = Station({0, 0, 0}, other);
  EXPECT_EQ(FatalOf([&] { InGoodsOf(station); }), Fatal("ERROR: Goods: IVMove: Unsuported StationType!"));
}

// ---- The simple economy

class SimpleGoodsMovement : public GoodsMovement {
 protected:
  void SetUp() override {
    GoodsMovement::SetUp();
    GameSettings.EconomyMode = 1;
  }
};

TEST_F(SimpleGoodsMovement, OnlyStationsWithoutLinkHaveTheirOutGoodsVisited) {
  const uint32_t linked = Station({0, 0, 0}, Industry(1));
  const uint32_t free = Station({0, 0, 0});
  PPIVMove = {1, kNow, 0, 1};
  IVMoveStep(PPIVMove);
  EXPECT_EQ(PPIVMove.StationCursor, free);
  EXPECT_EQ(PPIVMove.Phase, 2);
  PPIVMove = {1, kNow, free, 1};
  IVMoveStep(PPIVMove);
  EXPECT_EQ(PPIVMove.Phase, 0);
  PPIVMove = {1, kNow, 0, 1};
  ChangeStation(free, [&](TStation& s) { s.StationObjectOf = linked; });
  IVMoveStep(PPIVMove);
  EXPECT_EQ(PPIVMove.Phase, 0);
}

TEST_F(SimpleGoodsMovement, BatchesOlderThanHalfTheirMaximumAgeExpire) {
  const uint32_t station = Station({0, 0, 0});
  AddStationGoods(station, Entry(kCoal, kStationGoodsSupplied, 0.5f));
  const uint32_t kept = Good(kCoal, 5, station, 0, 0, kNow - 500);
  const uint32_t expired = Good(kCoal, 5, station, 0, 0, kNow - 501);
  SetOut(station, {expired, kept});
  OutGoodsOf(station);
  EXPECT_EQ(Out(station), std::vector<uint32_t>{kept});
  EXPECT_FALSE(Exists(expired));
  EXPECT_EQ(Entries(station)[0].Flags, kStationGoodsSupplied | kStationGoodsLost);
}

TEST_F(SimpleGoodsMovement, PassengersAccrueByProductionRatingAndTicksIntoWholeBatches) {
  const uint16_t now = kNow % 65535;  // 34465
  struct Case {
    float Rating;
    uint16_t LastTick;
    int32_t Batch;
    float Left;
  };
  const Case cases[] = {
      {0.5f, static_cast<uint16_t>(now - 1000), 5, 0.0f},  // 3000 x 0.5 / 300000 x 1000
      {1.2f, static_cast<uint16_t>(now - 100), 1, 0.0f},   // a rating above 1 counts as 1
      {0.5f, static_cast<uint16_t>(now - 150), 0, 0.75f},
      {1.0f, now, 0, 0.0f},                                 // no time has passed
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.LastTick);
    const uint32_t station = Station({0, 0, 0});
    ChangeStation(station, [](TStation& s) { s.PassengerProduction = 3000; });
    TStationGoods e = Entry(kPassengers, kStationGoodsSupplied, c.Rating);
    e.LastTick = c.LastTick;
    AddStationGoods(station, e);
    OutGoodsOf(station);
    const TStationGoods after = Entries(station)[0];
    EXPECT_NEAR(after.Accumulated, c.Left, 1e-5);
    EXPECT_EQ(after.LastTick, now);
    const std::vector<uint32_t> out = Out(station);
    ASSERT_EQ(out.size(), c.Batch > 0 ? 1u : 0u);
    if (c.Batch == 0) continue;
    const TGood g = StoredRecord<TGood>(out[0]);
    EXPECT_EQ(g.GoodAmount, c.Batch);
    EXPECT_EQ(g.GoodType, kPassengers);
    EXPECT_EQ(g.Goodsway, station);
    EXPECT_EQ(g.GoodStartTime, kNow);
  }
  // Across the restart of the modulo: 65000 to 465 is 1000 ticks.
  GameTime = 65535 + 465;
  const uint32_t station = Station({0, 0, 0});
  ChangeStation(station, [](TStation& s) { s.PassengerProduction = 3000; });
  TStationGoods e = Entry(kPassengers, kStationGoodsSupplied, 0.5f);
  e.LastTick = 65000;
  AddStationGoods(station, e);
  OutGoodsOf(station);
  EXPECT_EQ(StoredRecord<TGood>(Out(station).at(0)).GoodAmount, 5);
}

TEST_F(SimpleGoodsMovement, AnEntryWithoutSupplyAccruesNothingButSendsWholeUnits) {
  const uint32_t station = Station({0, 0, 0});
  ChangeStation(station, [](TStation& s) { s.PassengerProduction = 3000; });
  TStationGoods psgr = Entry(kPassengers, kStationGoodsAccepted, 1.0f);
  TStationGoods coal = Entry(kCoal, kStationGoodsSupplied, 1.0f);
  coal.Accumulated = 2.5f;
  AddStationGoods(station, psgr);
  AddStationGoods(station, coal);
  OutGoodsOf(station);
  EXPECT_EQ(Entries(station)[0].Accumulated, 0.0f);
  EXPECT_EQ(Entries(station)[1].Accumulated, 0.5f);
  EXPECT_EQ(StoredRecord<TGood>(Out(station).at(0)).GoodAmount, 2);
}

}  // namespace
