// The goods, goods-way and passenger-way records: their lists and limits, the reference counts that
// batches hold on their ways, the removal of a goods way, and the engine's view through its hooks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "economy/goods/goodstypes.h"
#include "economy/goods/records.h"
#include "engine/base/statistics.h"
#include "engine/base/worldstate.h"
#include "engine/store/compaction.h"
#include "engine/world/hooks.h"
#include "engine/world/records.h"
#include "tests/engine/store/store_fixture.h"

namespace {

using arrayer_testing::Fatal;
using arrayer_testing::FatalOf;

// Goods types: coal and grain are goods, 2 passengers, 3 of a kind nothing serves.
constexpr uint8_t kCoal = 1, kPassengers = 2, kOdd = 3, kGrain = 4;

std::vector<uint32_t> g_destroyedWays;

class GoodsRecords : public arrayer_testing::ArrayerTest {
 protected:
  void SetUp() override {
    ArrayerTest::SetUp();
    ResetWorldState();
    SetGoodsInfoKind(GoodsTypes[kCoal], kGoodsKindGoods);
    SetGoodsInfoKind(GoodsTypes[kPassengers], kGoodsKindPassengers);
    SetGoodsInfoKind(GoodsTypes[kOdd], 7);
    SetGoodsInfoKind(GoodsTypes[kGrain], kGoodsKindGoods);
    g_destroyedWays.clear();
    goods_hooks::OnDestroyGoodsway = [](uint32_t w) { g_destroyedWays.push_back(w); };
  }
  void TearDown() override {
    goods_hooks::InstallDefaults();
    world_hooks::InstallDefaults();
    ResetWorldState();
    ArrayerTest::TearDown();
  }

  static uint32_t AddGood(uint8_t type, uint32_t way, uint8_t entry = 1) {
    TGood g{};
    g.GoodType = type;
    g.Goodsway = way;
    g.GoodsWayEntry = entry;
    g.GoodAmount = 10;
    g.A_Write();
    return g.Index;
  }
  // A goods way over the given stations.
  static uint32_t AddGoodsway(uint32_t from, uint32_t to, uint8_t type, uint8_t flags, uint32_t refs, float amount,
                              std::initializer_list<uint32_t> stations = {}) {
    TGoodsway w{};
    w.GoodsWayFrom = from;
    w.GoodswayTo = to;
    w.GoodsWayGoodType = type;
    w.GoodsWayFlags = flags;
    w.GoodsWayRefCount = refs;
    w.GoodsWayAmount = amount;
    for (uint32_t s : stations) w.Path[w.GoodsWayPathCounter++].Station = s;
    w.A_Write();
    return w.Index;
  }
  static uint32_t AddPsgrWay(uint32_t refs, uint8_t used, std::initializer_list<uint32_t> stations = {}) {
    TPsgrWay p{};
    p.Init(2.0f);
    p.PsgrRefCount = refs;
    p.Used = used;
    for (uint32_t s : stations) p.Stretches[p.PsgrStretchCounter++].Station = s;
    p.A_Write();
    return p.Index;
  }
  // A market, which the game makes with a writer that the store's accessors do not offer.
  static uint32_t AddMarket(std::initializer_list<uint32_t> goodsways) {
    RecordDesc d = kTMarketDesc;
    d.Ops |= kOpWrite;
    auto m = std::make_unique<TMarket>();
    *m = TMarket{};
    for (uint32_t w : goodsways) m->CalcGWFrom[m->MarketCalcGWFromCounter++] = w;
    RecordWrite(d, m.get());
    return m->Index;
  }
  static std::vector<uint32_t> MarketWays(uint32_t index) {
    auto m = std::make_unique<TMarket>();
    m->A_Read(index);
    return std::vector<uint32_t>(m->CalcGWFrom, m->CalcGWFrom + m->MarketCalcGWFromCounter);
  }
  static uint32_t AddIndustry(std::initializer_list<uint32_t> outputs, std::initializer_list<uint32_t> from) {
    auto i = std::make_unique<TIndustry>();
    *i = TIndustry{};
    for (uint32_t w : outputs) i->Output[i->IndustryOutputCounter++].Target = w;
    for (uint32_t w : from) i->CalcGWFrom[i->IndustryCalcGWFromCounter++] = w;
    i->A_Write();
    return i->Index;
  }
  // The output ways, then the ways ending there.
  static std::vector<uint32_t> IndustryWays(uint32_t index) {
    auto i = std::make_unique<TIndustry>();
    i->A_Read(index);
    std::vector<uint32_t> ways;
    for (int k = 0; k < i->IndustryOutputCounter; ++k) ways.push_back(i->Output[k].Target);
    ways.push_back(0);
    for (int k = 0; k < i->IndustryCalcGWFromCounter; ++k) ways.push_back(i->CalcGWFrom[k]);
    return ways;
  }
};

using List = std::vector<uint32_t>;

// A field of a packed record, by value.
template <class T>
T Val(T v) {
  return v;
}

TEST_F(GoodsRecords, ABatchIsStoredReadAndOverwrittenWhole) {
  TGood g{};
  g.GoodsWayEntry = 3;
  g.GoodType = kCoal;
  g.GoodAmount = -12;
  g.Goodsway = 77;
  g.GoodStartTime = 1000;
  g.GoodReady = 1250;
  g.A_Write();
  ASSERT_NE(Val(g.Index), 0u);
  TGood back;
  std::memset(static_cast<void*>(&back), 0xEE, sizeof(back));
  back.A_Read(g.Index);
  EXPECT_EQ(std::memcmp(&back, &g, sizeof(TGood)), 0);
  back.GoodAmount = 40;
  back.GoodReady = 1300;
  back.A_Overwrite();
  const TGood again = StoredRecord<TGood>(g.Index);
  EXPECT_EQ(Val(again.GoodAmount), 40);
  EXPECT_EQ(Val(again.GoodReady), 1300u);
  EXPECT_EQ(Val(again.GoodStartTime), 1000u);
  // Each type counts in its own statistics row.
  EXPECT_EQ(ArrayerCounterOf(0, 13, kCountWrite), 1u);
  EXPECT_EQ(ArrayerCounterOf(0, 13, kCountRead), 2u);
  EXPECT_EQ(ArrayerCounterOf(0, 13, kCountOverwrite), 1u);
  AddGoodsway(0, 0, kCoal, 0, 0, 0.0f);
  AddPsgrWay(0, 0);
  EXPECT_EQ(ArrayerCounterOf(0, 14, kCountWrite), 1u);
  EXPECT_EQ(ArrayerCounterOf(0, 22, kCountWrite), 1u);
}

TEST_F(GoodsRecords, ABatchWeighsItsAmountOfItsTypesWeight) {
  GoodsTypes[kCoal].WeightPerUnit = 1500;
  GoodsTypes[kGrain].WeightPerUnit = -3;
  struct Row {
    uint8_t type;
    int32_t amount;
    uint32_t weight;
  };
  // No type, a weight below 0 and one past 32 bits are held to what a convoy can carry.
  for (const Row r : {Row{kCoal, 10, 15000}, Row{kCoal, 0, 0}, Row{kGrain, 10, 0}, Row{0, 10, 0},
                      Row{kCoal, 2000000000, UINT32_MAX}}) {
    TGood g{};
    g.GoodType = r.type;
    g.GoodAmount = r.amount;
    g.A_Write();
    EXPECT_EQ(GoodWeight(g.Index), r.weight) << int(r.type) << " " << r.amount;
  }
}

TEST_F(GoodsRecords, DestroyingABatchGivesItsReferenceBackToItsWay) {
  // Goods: each batch takes one from its goods way's count; none left is fatal.
  const uint32_t way = AddGoodsway(0, 0, kCoal, 0, 2, 0.0f);
  const uint32_t a = AddGood(kCoal, way), b = AddGood(kCoal, way), c = AddGood(kCoal, way);
  DestroyGood(a);
  EXPECT_FALSE(ArrayerHolds(kTGoodDesc, a));
  EXPECT_EQ(Val(StoredRecord<TGoodsway>(way).GoodsWayRefCount), 1u);
  StoredRecord<TGood>(b).Destroy();
  EXPECT_FALSE(ArrayerHolds(kTGoodDesc, b));
  EXPECT_EQ(Val(StoredRecord<TGoodsway>(way).GoodsWayRefCount), 0u);
  EXPECT_EQ(FatalOf([&] { DestroyGood(c); }),
            Fatal("ERROR: UTGood: Destroy: The ReferencCounter of the Goodsway was 0! GW: " + std::to_string(way)));

  // Passengers: the passenger way goes with its last batch only when no way record uses it.
  for (const uint8_t used : {0, 1}) {
    SCOPED_TRACE(int(used));
    const uint32_t pw = AddPsgrWay(2, used);
    const uint32_t first = AddGood(kPassengers, pw), last = AddGood(kPassengers, pw);
    DestroyGood(first);
    EXPECT_EQ(Val(StoredRecord<TPsgrWay>(pw).PsgrRefCount), 1u);
    DestroyGood(last);
    EXPECT_FALSE(ArrayerHolds(kTGoodDesc, last));
    EXPECT_EQ(ArrayerHolds(kTPsgrWayDesc, pw), used != 0);
    if (used != 0) {
      EXPECT_EQ(Val(StoredRecord<TPsgrWay>(pw).PsgrRefCount), 0u);
      const uint32_t stray = AddGood(kPassengers, pw);
      EXPECT_EQ(FatalOf([&] { DestroyGood(stray); }),
                Fatal("ERROR: UTGood: Destroy: The ReferencCounter of the PsgrWay was 0! PW: " + std::to_string(pw)));
    }
  }

  // A batch of a kind nothing serves, or of no goods type at all, stops the program.
  for (const uint8_t type : {kOdd, uint8_t{60}}) {
    const uint32_t odd = AddGood(type, way);
    EXPECT_EQ(FatalOf([&] { DestroyGood(odd); }), Fatal("ERROR: UTGoods: Unsorportet GoodsInfoKind"));
  }

  // Without a way, and in the simple economy, where a batch names a station, only the entry goes.
  const uint32_t loose = AddGood(kOdd, 0);
  DestroyGood(loose);
  EXPECT_FALSE(ArrayerHolds(kTGoodDesc, loose));
  GameSettings.EconomyMode = 1;
  const uint32_t counted = AddGoodsway(0, 0, kCoal, 0, 5, 0.0f);
  for (const uint32_t names : {counted, 9999u}) {
    const uint32_t g = AddGood(kCoal, names);
    DestroyGood(g);
    EXPECT_FALSE(ArrayerHolds(kTGoodDesc, g));
  }
  EXPECT_EQ(Val(StoredRecord<TGoodsway>(counted).GoodsWayRefCount), 5u);
}

TEST_F(GoodsRecords, AGoodsWayKeepsAHundredPathEntriesAndRefusesMore) {
  TGoodsway w{};
  w.GoodsWayFrom = 4;
  w.GoodsWayFlags = kGoodswayActive | kGoodswayProbe;
  w.GoodsWayLastDelivery = -1;
  w.GoodsWayPathCounter = 100;
  for (int i = 0; i < 100; ++i) {
    w.Path[i].Station = 1000u + i;
    w.Path[i].Schedule = i % 3 == 0 ? 0u : 50u + i;
    w.Path[i].HopCost = 0.5f * i;
    w.Path[i].StopNumber = static_cast<uint8_t>(i % 20);
    w.Path[i].ScheduleHop = static_cast<uint8_t>(i % 3 != 0);
    w.Path[i].Share = 100;
  }
  w.A_Write();
  auto back = std::make_unique<TGoodsway>();
  std::memset(static_cast<void*>(back.get()), 0xEE, sizeof(TGoodsway));
  back->A_Read(w.Index);
  EXPECT_EQ(std::memcmp(back.get(), &w, sizeof(TGoodsway)), 0);

  // One more entry stops the writer before anything is stored or counted.
  const TArrayerArray& rest = arrayer_internal::ArrayOf(ArrayerId::Rest);
  const uint8_t* heapTop = rest.HeapTop;
  const uint32_t lastSlot = rest.LastSlot;
  const uint32_t writes = ArrayerCounterOf(0, 14, kCountWrite);
  TGoodsway past = w;
  past.GoodsWayPathCounter = 101;
  EXPECT_EQ(FatalOf([&] { past.A_Write(); }),
            Fatal("GoodsWayEntryCounter overfull! Arrayer Error by TGoodsway.A_Write"));
  EXPECT_EQ(rest.HeapTop, heapTop);
  EXPECT_EQ(rest.LastSlot, lastSlot);
  EXPECT_EQ(ArrayerCounterOf(0, 14, kCountWrite), writes);
  EXPECT_EQ(Val(past.Index), Val(w.Index));

  // The overwriter keeps the list's length.
  back->GoodsWayPathCounter = 99;
  EXPECT_EQ(FatalOf([&] { back->A_Overwrite(); }),
            Fatal("GoodsWayPathCounter has changed! Arrayer Error by TGoodsway.A_Overwrite"));
  EXPECT_EQ(Val(StoredRecord<TGoodsway>(w.Index).GoodsWayPathCounter), 100);
}

TEST_F(GoodsRecords, APassengerWayKeepsTenStretchesAndRefusesMore) {
  TPsgrWay p;
  std::memset(static_cast<void*>(&p), 0xEE, sizeof(p));
  p.Init(2.5f);
  EXPECT_EQ(Val(p.PassengerspF), 2.5f);
  p.PassengerspF = 0.0f;
  EXPECT_TRUE(std::all_of(reinterpret_cast<const uint8_t*>(&p), reinterpret_cast<const uint8_t*>(&p) + sizeof(p),
                          [](uint8_t b) { return b == 0; }));
  p.PsgrEndStation = 9;
  p.gather = 0.25f;
  p.PsgrStretchCounter = 10;
  for (int i = 0; i < 10; ++i) p.Stretches[i] = TPsgrStretch{100u + i, 1.5f * i, i % 2 ? 7u : 0u, uint8_t(i), {}};
  p.A_Write();
  const TPsgrWay back = StoredRecord<TPsgrWay>(p.Index);
  EXPECT_EQ(std::memcmp(&back, &p, sizeof(TPsgrWay)), 0);

  TPsgrWay past = p;
  past.PsgrStretchCounter = 11;
  EXPECT_EQ(FatalOf([&] { past.A_Write(); }), Fatal("PsgrStretchCounter overfull! Arrayer Error by TPsgrWay.A_Write"));
  // A stretch added to a stored way cannot be overwritten in place.
  TPsgrWay shorter{};
  shorter.PsgrStretchCounter = 2;
  shorter.A_Write();
  shorter.PsgrStretchCounter = 3;
  EXPECT_EQ(FatalOf([&] { shorter.A_Overwrite(); }),
            Fatal("PsgrStretchCounter has changed! Arrayer Error by TPsgrWay.A_Overwrite"));
}

// A stored count above its maximum is refused after the entry's look-up and kind check and before
// any list entry is copied: the caller's record receives nothing beyond its room.
TEST_F(GoodsRecords, AReadRefusesAStoredCountAboveItsMaximumBeforeCopyingTheList) {
  struct Case {
    const RecordDesc* desc;
    const char* overfull;
  };
  const Case cases[] = {
      {&kTGoodswayDesc, "GoodsWayPathCounter overfull! Arrayer Error by TGoodsway.A_Read"},
      {&kTPsgrWayDesc, "PsgrStretchCounter overfull! Arrayer Error by TPsgrWay.A_Read"},
  };
  for (const Case& c : cases) {
    const RecordDesc& d = *c.desc;
    const RecordList& list = d.Lists[0];
    SCOPED_TRACE(d.Name);
    ArrayerReset();
    std::vector<uint8_t> rec(d.Size, 0);
    rec[list.CountOffset] = 1;
    RecordWrite(d, rec.data());
    uint32_t index;
    std::memcpy(&index, rec.data(), 4);
    uint8_t* payload = arrayer_internal::EntryOfCell(arrayer_internal::ArrayOf(d.Array), index) + kArrayerEntryHeader;
    payload[list.CountOffset - 4] = static_cast<uint8_t>(list.Max + 1);

    std::vector<uint8_t> guarded(d.Size + 4096, 0xCD);
    EXPECT_EQ(FatalOf([&] { RecordRead(d, guarded.data(), index); }), Fatal(c.overfull));
    EXPECT_EQ(guarded[list.CountOffset], list.Max + 1);
    for (size_t i = list.Offset; i < guarded.size(); ++i) ASSERT_EQ(guarded[i], 0xCD) << "byte " << i;
    EXPECT_EQ(ArrayerBusy, 0);

    // An entry of another kind whose bytes at the count's place are as large is another kind first;
    // a freed entry is empty first.
    TPath path{};
    path.PathNodeCounter = 20;
    for (int k = 0; k < 20; ++k) path.Nodes[k] = 0xFFFFFFFFu;
    path.A_Write();
    EXPECT_EQ(FatalOf([&] { RecordRead(d, guarded.data(), path.Index); }),
              Fatal(std::string("The Type was diffrent! Arrayer Error by ") + d.Name + ".A_Read"));
    ArrayerEntryDestroyRest(index);
    EXPECT_EQ(FatalOf([&] { RecordRead(d, guarded.data(), index); }),
              Fatal(std::string("Entry was empty! Arrayer Error by ") + d.Name + ".A_Read"));
  }
}

TEST_F(GoodsRecords, DestroyingAScheduledGoodsWayUnlinksItAndHandsItsAmountToItsDirectTwin) {
  const uint32_t market = AddMarket({});
  const uint32_t source = AddIndustry({}, {});
  const uint32_t way = AddGoodsway(source, market, kCoal, kGoodswayActive, 2, 3.5f);
  const uint32_t twin = AddGoodsway(source, market, kCoal, kGoodswayByTransfer, 0, 1.0f);
  const uint32_t otherType = AddGoodsway(source, market, kGrain, kGoodswayByTransfer, 0, 5.0f);
  const uint32_t scheduled = AddGoodsway(source, market, kCoal, 0, 0, 8.0f);
  {
    auto m = std::make_unique<TMarket>();
    m->A_Read(market);
    for (uint32_t w : {twin, way, otherType}) m->CalcGWFrom[m->MarketCalcGWFromCounter++] = w;
    m->A_ReWrite();
    auto i = std::make_unique<TIndustry>();
    i->A_Read(source);
    for (uint32_t w : {way, twin}) i->Output[i->IndustryOutputCounter++].Target = w;
    i->A_ReWrite();
  }
  const uint32_t onWay = AddGood(kCoal, way);
  const uint32_t onTwin = AddGood(kCoal, twin);
  const uint32_t passengers = AddGood(kPassengers, way);  // names a passenger way of the same number

  StoredRecord<TGoodsway>(way).destroy();
  EXPECT_FALSE(ArrayerHolds(kTGoodswayDesc, way));
  EXPECT_EQ(g_destroyedWays, List{way});
  EXPECT_EQ(Val(StoredRecord<TGood>(onWay).Goodsway), 0u);
  EXPECT_EQ(Val(StoredRecord<TGood>(onTwin).Goodsway), twin);
  EXPECT_EQ(Val(StoredRecord<TGood>(passengers).Goodsway), way);
  EXPECT_EQ(MarketWays(market), (List{twin, otherType}));
  EXPECT_EQ(IndustryWays(source), (List{twin, 0}));
  EXPECT_EQ(Val(StoredRecord<TGoodsway>(twin).GoodsWayAmount), 4.5f);
  EXPECT_EQ(Val(StoredRecord<TGoodsway>(otherType).GoodsWayAmount), 5.0f);
  EXPECT_EQ(Val(StoredRecord<TGoodsway>(scheduled).GoodsWayAmount), 8.0f);

  // Without a direct twin the amount is dropped; an industry as destination loses the way too.
  const uint32_t mill = AddIndustry({}, {});
  const uint32_t lone = AddGoodsway(0, mill, kGrain, 0, 0, 2.0f);
  const uint32_t direct = AddGoodsway(0, mill, kGrain, kGoodswayByTransfer, 0, 6.0f);
  {
    auto i = std::make_unique<TIndustry>();
    i->A_Read(mill);
    for (uint32_t w : {direct, lone}) i->CalcGWFrom[i->IndustryCalcGWFromCounter++] = w;
    i->A_ReWrite();
  }
  StoredRecord<TGoodsway>(direct).destroy();  // a direct way hands nothing on
  StoredRecord<TGoodsway>(lone).destroy();
  EXPECT_EQ(IndustryWays(mill), (List{0}));
  EXPECT_EQ(g_destroyedWays, (List{way, direct, lone}));
  for (uint32_t w : {twin, otherType, scheduled}) EXPECT_TRUE(ArrayerHolds(kTGoodswayDesc, w));
}

TEST_F(GoodsRecords, DestroyingAGoodsWayStopsOnWhatItCannotUnlink) {
  const uint32_t market = AddMarket({});
  // A destination that is neither market nor industry.
  auto station = std::make_unique<TStation>();
  *station = TStation{};
  station->A_Write();
  const uint32_t toStation = AddGoodsway(0, station->Index, kCoal, 0, 0, 1.0f);
  EXPECT_EQ(FatalOf([&] { StoredRecord<TGoodsway>(toStation).destroy(); }),
            Fatal("ERROR: UTGoodsway: TGoodsway.destroy: Unsorportet GoodswayTo Station!"));
  // A batch of a kind nothing serves while batches are on their way.
  const uint32_t way = AddGoodsway(0, market, kCoal, 0, 1, 1.0f);
  AddGood(kOdd, 0);
  EXPECT_EQ(FatalOf([&] { StoredRecord<TGoodsway>(way).destroy(); }),
            Fatal("ERROR: UTGoodsway: unsorported GoodInfoKind detected."));
  // Without batches on their way the goods are not looked at.
  StoredRecord<TGoodsway>(AddGoodsway(0, market, kCoal, 0, 0, 1.0f)).destroy();
  EXPECT_EQ(g_destroyedWays.size(), 1u);
}

TEST_F(GoodsRecords, TheEngineReadsAndStoresTheRecordsThroughItsHooks) {
  InstallGoodsRecordHooks();
  const uint32_t way = AddGoodsway(6, 7, kCoal, kGoodswayActive, 3, 2.5f, {31, 32, 33});
  const uint32_t good = AddGood(kCoal, way, 1);

  TGoodFields g{};
  world_hooks::ReadGood(good, g);
  EXPECT_EQ(g.Index, good);
  EXPECT_EQ(g.GoodType, kCoal);
  EXPECT_EQ(g.Goodsway, way);
  EXPECT_EQ(g.GoodsWayEntry, 1);
  g.GoodsWayEntry = 2;
  g.ReadyTick = 500;
  world_hooks::OverwriteGood(g);
  EXPECT_EQ(Val(StoredRecord<TGood>(good).GoodsWayEntry), 2);
  EXPECT_EQ(Val(StoredRecord<TGood>(good).GoodReady), 500u);
  EXPECT_EQ(Val(StoredRecord<TGood>(good).GoodAmount), 10);
  EXPECT_EQ(world_hooks::GoodsInfoKind(kPassengers), kGoodsKindPassengers);

  // The entry the engine sends a batch to is the way's last: the receiving station.
  TGoodswayFields w{};
  world_hooks::ReadGoodsway(way, w);
  EXPECT_EQ(w.SourceIndustry, 6u);
  EXPECT_EQ(w.Target, 7u);
  EXPECT_EQ(w.Entry, 3);
  EXPECT_EQ(w.EntryStation, 33u);
  w.SourceIndustry = 0;
  w.Flags = 0;
  world_hooks::OverwriteGoodsway(w);
  EXPECT_EQ(Val(StoredRecord<TGoodsway>(way).GoodsWayFrom), 0u);
  EXPECT_EQ(Val(StoredRecord<TGoodsway>(way).GoodsWayFlags), 0);
  EXPECT_EQ(Val(StoredRecord<TGoodsway>(way).GoodsWayAmount), 2.5f);

  // A vehicle's removal takes its batches' references off their way.
  TVehicle v{};
  v.Goods[v.VehicleGoodsCounter++] = good;
  v.Goods[v.VehicleGoodsCounter++] = AddGood(kCoal, way);
  v.A_Write();
  TVehicle::DestroyByIndex(v.Index, false);
  EXPECT_EQ(Val(StoredRecord<TGoodsway>(way).GoodsWayRefCount), 1u);
  EXPECT_FALSE(ArrayerHolds(kTGoodDesc, good));

  // The passenger ways of a removed way: released, and freed when no batch holds them.
  const uint32_t held = AddPsgrWay(1, 1, {41, 42});
  const uint32_t free = AddPsgrWay(0, 1);
  TPsgrWayFields p{};
  world_hooks::ReadPsgrWay(held, p);
  EXPECT_EQ(p.PassengerspF, 2.0f);
  EXPECT_EQ((List(p.Stations, p.Stations + 10)), (List{41, 42, 0, 0, 0, 0, 0, 0, 0, 0}));
  TWay road{};
  road.PsgrWays[0] = held;
  road.PsgrWays[2] = free;
  road.ReleasePsgrWays();
  EXPECT_FALSE(ArrayerHolds(kTPsgrWayDesc, free));
  EXPECT_EQ(Val(StoredRecord<TPsgrWay>(held).Used), 0);
  EXPECT_EQ(Val(StoredRecord<TPsgrWay>(held).PsgrRefCount), 1u);
  EXPECT_EQ(Val(StoredRecord<TPsgrWay>(held).PassengerspF), 2.0f);
}

}  // namespace
