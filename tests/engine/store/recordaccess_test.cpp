// The record accessor family: which operations each world record type has, how much each record
// takes in its heap, the list maxima of every accessor, rewrites, overwrites, reads of another
// kind, and every message text.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "engine/base/statistics.h"
#include "engine/store/compaction.h"
#include "engine/world/records.h"
#include "tests/engine/store/store_fixture.h"

using namespace arrayer_testing;

namespace {

// ---- The operations each type has, and its layout ----

template <class T>
concept HasRead = requires(T t) { t.A_Read(1u); };
template <class T>
concept HasWrite = requires(T t) { t.A_Write(); };
template <class T>
concept HasReWrite = requires(T t) { t.A_ReWrite(); };
template <class T>
concept HasOverwrite = requires(T t) { t.A_Overwrite(); };

template <class T>
constexpr bool OpsAre(bool r, bool w, bool rw, bool o) {
  return HasRead<T> == r && HasWrite<T> == w && HasReWrite<T> == rw && HasOverwrite<T> == o;
}

static_assert(OpsAre<TBuilding>(true, true, true, true));
static_assert(OpsAre<TWay>(true, true, true, true));
static_assert(OpsAre<TDepot>(true, true, true, true));
static_assert(OpsAre<TShip>(true, false, false, true));
static_assert(OpsAre<TSignal>(true, true, false, true));
static_assert(OpsAre<TStation>(true, true, true, true));
static_assert(OpsAre<TStreetBlock>(true, true, false, true));
static_assert(OpsAre<TTree>(true, true, false, false));
static_assert(OpsAre<TMarket>(true, false, true, true));
static_assert(OpsAre<TIndustry>(true, true, true, true));
static_assert(OpsAre<TBlock>(true, true, true, true));
static_assert(OpsAre<TPath>(true, true, true, true));
static_assert(OpsAre<TSchedule>(true, false, true, true));
static_assert(OpsAre<TVehicle>(true, true, true, true));

// Each type's first list begins right after its fixed part.
static_assert(offsetof(TBuilding, Ways) == 144 && offsetof(TWay, Connections) == 128 &&
              offsetof(TDepot, TrainsInside) == 16 && offsetof(TStation, Buildings) == 56 &&
              offsetof(TMarket, Goods) == 68 && offsetof(TIndustry, CalcGWFrom) == 36 &&
              offsetof(TBlock, InSignals) == 24 && offsetof(TPath, Nodes) == 12 &&
              offsetof(TSchedule, Trains) == 76 && offsetof(TVehicle, Goods) == 68);

// ---- The lists of every type as the system names them, with their maxima ----

struct ListCase {
  const char* counter;  // as the messages spell it
  uint32_t max;
};
struct TypeCase {
  const RecordDesc* desc;
  std::vector<ListCase> lists;  // in storage order; a name or a slot's goods count last
};

const std::vector<TypeCase>& TypeCases() {
  static const std::vector<TypeCase> cases = {
      {&kTBuildingDesc, {{"BuildingWayCounter", 20}}},
      {&kTWayDesc, {{"ConnectionCounter", 10}, {"NodesCounter", 100}}},
      {&kTDepotDesc, {{"TrainInsideCounter", 100}}},
      {&kTShipDesc, {{"ShipSlotsCounter", 4}, {"ShipSlotGoodsCounter", 100}}},
      {&kTSignalDesc, {}},
      {&kTStationDesc,
       {{"StationBuildingcounter", 100},
        {"StationWayCounter", 100},
        {"StationInGoodsCounter", 5000},
        {"StationOutGoodsCounter", 5000},
        {"StationstretchCounter", 20},
        {"StationIndustryInRangeCounter", 16},
        {"StationGoodsCounter", 52},
        {"StationName", 43}}},
      {&kTStreetBlockDesc, {}},
      {&kTTreeDesc, {}},
      {&kTMarketDesc, {{"MarketGoodsCounter", 52}, {"MarketCalcGWFromCounter", 250}}},
      {&kTIndustryDesc,
       {{"IndustryCalcGWFromCounter", 250},
        {"IndustryPCOutputCounter", 8},
        {"IndustryOutputCounter", 250},
        {"IndustryInputCounter", 32}}},
      {&kTBlockDesc, {{"Insignalcounter", 100}}},
      {&kTPathDesc, {{"PathNodeCounter", 1000}}},
      {&kTScheduleDesc, {{"ScheduleTrainCounter", 50}, {"ScheduleStationCounter", 20}}},
      {&kTVehicleDesc, {{"VehicleGoodsCounter", 100}}},
  };
  return cases;
}

// ---- Message texts ----

// The texts that leave the common pattern, exactly as the system spells them: key (type, counter,
// operation).
const std::map<std::tuple<std::string, std::string, std::string>, std::string>& IrregularTexts() {
  static const std::map<std::tuple<std::string, std::string, std::string>, std::string> texts = {
      {{"TDepot", "TrainInsideCounter", "Read"}, "TrainInsideCounter overfull! Arrayer Error by TDepot.Read"},
      {{"TDepot", "TrainInsideCounter", "Write"}, "TrainInsideCounter overfull! Arrayer Error by TDepot.Write"},
      {{"TDepot", "TrainInsideCounter", "ReWrite"}, "TrainInsideCounter overfull! Arrayer Error by TDepot.ReWrite"},
      {{"TDepot", "TrainInsideCounter", "Overwrite"},
       "TrainInsideCounter has changed! Arrayer Error by TDepot.Overwrite"},
      {{"TStation", "StationBuildingcounter", "ReWrite"},
       "StationBuildingcounter overfull! Arrayer Error by TStation.A_Rewrite"},
      {{"TStation", "StationWayCounter", "ReWrite"}, "StationWayCounter overfull! Arrayer Error by TStation.A_Rewrite"},
      {{"TStation", "StationInGoodsCounter", "ReWrite"},
       "StationInGoodsCounter overfull! Arrayer Error by TStation.A_Rewrite"},
      {{"TStation", "StationOutGoodsCounter", "ReWrite"},
       "StationOutGoodsCounter overfull! Arrayer Error by TStation.A_Rewrite"},
      {{"TStation", "StationIndustryInRangeCounter", "ReWrite"},
       "StationIndustryInRangeCounter overfull! Arrayer Error by TStation.A_Rewrite"},
      {{"TStation", "StationGoodsCounter", "ReWrite"},
       "StationGoodsCounter overfull! Arrayer Error by TStation.A_Rewrite"},
      {{"TStation", "StationName", "Read"}, "StationName too long! Arrayer Error by TStation.A_Read"},
      {{"TStation", "StationName", "Write"}, "StationName too long! Arrayer Error by TStation.A_Write"},
      {{"TStation", "StationName", "ReWrite"}, "StationName too long! Arrayer Error by TStation.A_Rewrite"},
      {{"TStation", "StationName", "Overwrite"},
       "StationName length have changed! Arrayer Error by TStation.A_Overwrite"},
      {{"TSchedule", "ScheduleTrainCounter", "Read"}, "ScheduleTrainCounter is overfull! Arrayer Error by TSchedule.A_Read"},
      {{"TSchedule", "ScheduleTrainCounter", "ReWrite"},
       "ScheduleTrainCounter is overfull! Arrayer Error by TSchedule.A_ReWrite"},
      {{"TSchedule", "ScheduleTrainCounter", "Overwrite"},
       "ScheduleTrainCounter has changed! Arrayer Error by TSchedule.A_overWrite"},
      {{"TSchedule", "ScheduleStationCounter", "Read"},
       "ScheduleStationCounter is overfull! Arrayer Error by TSchedule.A_Read"},
      {{"TSchedule", "ScheduleStationCounter", "ReWrite"},
       "ScheduleStationCounter is overfull! Arrayer Error by TSchedule.A_ReWrite"},
      {{"TSchedule", "ScheduleStationCounter", "Overwrite"},
       "ScheduleStationCounter has changed! Arrayer Error by TSchedule.A_overWrite"},
      {{"TVehicle", "VehicleGoodsCounter", "Overwrite"},
       "VehicleGoodsCounter has changed! Arrayer Error by TVehicle.A_overWrite"},
      {{"TIndustry", "IndustryCalcGWFromCounter", "Overwrite"},
       "IndustryCalcGWFromCounter has changed! Arrayer Error by TIndustry.A_OverWrite"},
      {{"TIndustry", "IndustryPCOutputCounter", "Overwrite"},
       "IndustryPCOutputCounter has changed! Arrayer Error by TIndustry.A_OverWrite"},
      {{"TIndustry", "IndustryOutputCounter", "Overwrite"},
       "IndustryOutputCounter has changed! Arrayer Error by TIndustry.A_OverWrite"},
      {{"TIndustry", "IndustryInputCounter", "Overwrite"},
       "IndustryInputCounter has changed! Arrayer Error by TIndustry.A_OverWrite"},
      {{"TMarket", "MarketGoodsCounter", "Overwrite"}, "MarketGoodsCounter has changed! Arrayer Error by TMarket.A_OverWrite"},
      {{"TMarket", "MarketCalcGWFromCounter", "Overwrite"},
       "MarketCalcGWCounter has changed! Arrayer Error by TMarket.A_OverWrite"},
      {{"TPath", "PathNodeCounter", "Overwrite"}, "PathNodeCounter has changed! Arrayer Error by TPath.A_OverWrite"},
      {{"TBlock", "Insignalcounter", "Overwrite"}, "InsignalCounter has changed! Arrayer Error by TBlock.A_Overwrite"},
      {{"TShip", "ShipSlotGoodsCounter", "Read"}, "One of the ShipSlotGoodsCounter is overfull! Arrayer Error by TShip.A_Read"},
      {{"TShip", "ShipSlotGoodsCounter", "Overwrite"},
       "One of the ShipSlotGoodsCounter has changed! Arrayer Error by TShip.A_Overwrite"},
  };
  return texts;
}

// The count text of a type, counter and operation ("Read", "Write", "ReWrite", "Overwrite").
std::string CountText(const std::string& type, const std::string& counter, const std::string& op) {
  auto it = IrregularTexts().find({type, counter, op});
  if (it != IrregularTexts().end()) return it->second;
  if (op == "Overwrite") return counter + " has changed! Arrayer Error by " + type + ".A_Overwrite";
  return counter + " overfull! Arrayer Error by " + type + ".A_" + op;
}

TEST(RecordTexts, IrregularTextsAreThoseOfOperationsTheTypesHave) {
  for (const auto& [key, text] : IrregularTexts()) {
    const auto& [type, counter, op] = key;
    const RecordDesc* d = nullptr;
    for (const TypeCase& c : TypeCases()) {
      if (type == c.desc->Name) d = c.desc;
    }
    ASSERT_NE(d, nullptr) << type;
    const uint8_t bit = op == "Read" ? kOpRead : op == "Write" ? kOpWrite : op == "ReWrite" ? kOpReWrite : kOpOverwrite;
    EXPECT_NE(d->Ops & bit, 0) << text;
  }
}

// ---- Raw records driven by the descriptors ----

struct Raw {
  explicit Raw(const RecordDesc& d) : desc(d), bytes(d.Size, 0) {}
  const RecordDesc& desc;
  std::vector<uint8_t> bytes;
  uint8_t* p() { return bytes.data(); }
  uint32_t Index() const {
    uint32_t i;
    std::memcpy(&i, bytes.data(), 4);
    return i;
  }
};

void SetCountAt(uint8_t* p, uint8_t width, uint32_t n) {
  if (width == 2) {
    const uint16_t v = static_cast<uint16_t>(n);
    std::memcpy(p, &v, 2);
  } else {
    *p = static_cast<uint8_t>(n);
  }
}

// Gives list li the count n (a slot list: n slots of slotGoods goods each; a name: length n). The
// used elements, up to the list's room, get recognisable bytes.
void FillList(Raw& r, int li, uint32_t n, uint32_t slotGoods = 0) {
  const RecordList& l = r.desc.Lists[li];
  uint8_t* rec = r.p();
  const uint32_t used = n < l.Max ? n : l.Max;
  switch (l.Shape) {
    case ListShape::Plain:
      SetCountAt(rec + l.CountOffset, l.CountWidth, n);
      for (uint32_t b = 0; b < used * l.ElementSize; ++b) rec[l.Offset + b] = static_cast<uint8_t>(b * 7 + li + 1);
      break;
    case ListShape::Slots:
      rec[l.CountOffset] = static_cast<uint8_t>(n);
      for (uint32_t s = 0; s < used; ++s) {
        uint8_t* slot = rec + l.Offset + s * l.ElementSize;
        slot[0] = static_cast<uint8_t>(slotGoods);
        slot[1] = static_cast<uint8_t>(s + 1);
        const uint32_t goods = slotGoods < l.SlotMax ? slotGoods : l.SlotMax;
        for (uint32_t b = 0; b < 4 * goods; ++b) slot[4 + b] = static_cast<uint8_t>(b * 3 + s + 1);
      }
      break;
    case ListShape::Name:
      rec[l.Offset] = static_cast<uint8_t>(n);
      for (uint32_t b = 0; b < used; ++b) rec[l.Offset + 1 + b] = static_cast<uint8_t>('A' + b % 26);
      break;
  }
}

// The stored payload of the entry at index of the descriptor's array.
uint8_t* StoredPayload(const RecordDesc& d, uint32_t index) {
  return arrayer_internal::EntryOfCell(arrayer_internal::ArrayOf(d.Array), index) + kArrayerEntryHeader;
}

std::vector<uint8_t> StoredEntry(const RecordDesc& d, uint32_t index) {
  const uint8_t* e = arrayer_internal::EntryOfCell(arrayer_internal::ArrayOf(d.Array), index);
  return std::vector<uint8_t>(e, e + arrayer_internal::EntryBytes(e));
}

// The heap, table and statistics of the store, to show that a failed operation changed nothing.
struct StoreImage {
  explicit StoreImage(const RecordDesc& d) {
    const TArrayerArray& a = arrayer_internal::ArrayOf(d.Array);
    heapTop = a.HeapTop;
    tableTop = a.TableTop;
    lastSlot = a.LastSlot;
    heap.assign(a.HeapBase, a.HeapTop);
    std::memcpy(counters, InfoScreenData.CallCounters, sizeof(counters));
  }
  bool operator==(const StoreImage& o) const {
    return heapTop == o.heapTop && tableTop == o.tableTop && lastSlot == o.lastSlot && heap == o.heap &&
           std::memcmp(counters, o.counters, sizeof(counters)) == 0;
  }
  const uint8_t* heapTop;
  uint32_t tableTop, lastSlot;
  std::vector<uint8_t> heap;
  uint32_t counters[4][210];
};

using RecordAccess = ArrayerTest;

TEST_F(RecordAccess, DescriptorsCarryTheMaximaOfEveryList) {
  for (const TypeCase& c : TypeCases()) {
    SCOPED_TRACE(c.desc->Name);
    std::vector<ListCase> fromDesc;
    for (int i = 0; i < c.desc->ListCount; ++i) {
      const RecordList& l = c.desc->Lists[i];
      if (i > 0 && l.CountOffset == c.desc->Lists[i - 1].CountOffset) continue;  // the depot's byte list
      fromDesc.push_back({nullptr, l.Max});
      if (l.Shape == ListShape::Slots) fromDesc.push_back({nullptr, l.SlotMax});
    }
    ASSERT_EQ(fromDesc.size(), c.lists.size());
    for (size_t i = 0; i < c.lists.size(); ++i) EXPECT_EQ(fromDesc[i].max, c.lists[i].max) << c.lists[i].counter;
  }
}

// A write of each type that has one grows its heap by the stored size.
TEST_F(RecordAccess, StoredSizeOfEachWrittenTypeIsTheHeapsGrowth) {
  const auto growth = [](auto& rec) {
    ArrayerReset();
    using T = std::remove_reference_t<decltype(rec)>;
    const TArrayerArray& a = arrayer_internal::ArrayOf(RecordTraits<T>::Desc.Array);
    rec.A_Write();
    return static_cast<uint32_t>(a.HeapTop - a.HeapBase);
  };
  TBuilding b{};
  EXPECT_EQ(growth(b), 148u);
  b.BuildingWayCounter = 3;
  EXPECT_EQ(growth(b), 160u);
  TWay w{};
  EXPECT_EQ(growth(w), 132u);
  w.ConnectionCounter = 2;
  w.NodesCounter = 5;
  EXPECT_EQ(growth(w), 160u);
  TDepot d{};
  EXPECT_EQ(growth(d), 20u);
  d.TrainInsideCounter = 3;  // 12 bytes of trains and 3 flag bytes, padded
  EXPECT_EQ(growth(d), 36u);
  d.TrainInsideCounter = 100;
  EXPECT_EQ(growth(d), 520u);
  TSignal sig{};
  EXPECT_EQ(growth(sig), 56u);
  auto st = std::make_unique<TStation>();
  EXPECT_EQ(growth(*st), 64u);  // the empty name takes one word
  st->Name.assign("Abcd");
  EXPECT_EQ(growth(*st), 68u);
  st->Name = std::string(43, 'x');
  st->StationInGoodsCounter = 5000;
  st->StationGoodsCounter = 2;
  EXPECT_EQ(growth(*st), 60u + 44 + 20000 + 32);
  TStreetBlock sb{};
  EXPECT_EQ(growth(sb), 92u);
  TTree t{};
  EXPECT_EQ(growth(t), 40u);
  TIndustry ind{};
  EXPECT_EQ(growth(ind), 40u);
  ind.IndustryCalcGWFromCounter = 250;
  ind.IndustryPCOutputCounter = 8;
  ind.IndustryOutputCounter = 250;
  ind.IndustryInputCounter = 32;
  EXPECT_EQ(growth(ind), 3488u);
  TBlock bl{};
  EXPECT_EQ(growth(bl), 28u);
  TPath p{};
  EXPECT_EQ(growth(p), 16u);
  p.PathNodeCounter = 1000;
  EXPECT_EQ(growth(p), 4016u);
  TVehicle v{};
  EXPECT_EQ(growth(v), 72u);
  v.VehicleGoodsCounter = 1;
  EXPECT_EQ(growth(v), 76u);
}

// Every accessor at each list maximum and one past it.
TEST_F(RecordAccess, EveryAccessorAcceptsEachMaximumAndStopsOnePastIt) {
  for (const TypeCase& c : TypeCases()) {
    const RecordDesc& d = *c.desc;
    const std::string type = d.Name;
    int caseNo = 0;
    for (int li = 0; li < d.ListCount; ++li) {
      const RecordList& l = d.Lists[li];
      if (li > 0 && l.CountOffset == d.Lists[li - 1].CountOffset) continue;  // shares the count before it
      for (int variant = 0; variant < (l.Shape == ListShape::Slots ? 2 : 1); ++variant) {
        const bool goodsOfASlot = variant == 1;
        const ListCase& lc = c.lists[caseNo++];
        SCOPED_TRACE(type + " " + lc.counter);
        const uint32_t max = lc.max;
        // The full record: this count at its maximum (a slot list: every slot full).
        auto fill = [&](Raw& r, bool onePast) {
          if (l.Shape == ListShape::Slots) {
            if (goodsOfASlot) {
              FillList(r, li, l.Max, l.SlotMax);
              if (onePast) r.p()[l.Offset + (l.Max - 1) * l.ElementSize] = static_cast<uint8_t>(l.SlotMax + 1);
            } else {
              FillList(r, li, onePast ? max + 1 : max, 1);
            }
          } else {
            FillList(r, li, onePast ? max + 1 : max);
          }
        };

        // Write: the maximum is stored and reads back whole; one more stops before anything is
        // stored or counted.
        ArrayerReset();
        Raw full(d);
        fill(full, false);
        RecordWrite(d, full.p());
        Raw back(d);
        RecordRead(d, back.p(), full.Index());
        EXPECT_EQ(back.bytes, full.bytes);
        if (d.Ops & kOpWrite) {
          Raw past(d);
          fill(past, true);
          const StoreImage before(d);
          EXPECT_EQ(FatalOf([&] { RecordWrite(d, past.p()); }), Fatal(CountText(type, lc.counter, "Write")));
          EXPECT_TRUE(StoreImage(d) == before);
        }

        // ReWrite: likewise, and the stored copy stays alive.
        if (d.Ops & kOpReWrite) {
          RecordReWrite(d, full.p());
          Raw past(d);
          fill(past, true);
          std::memcpy(past.p(), full.p(), 4);
          const StoreImage before(d);
          EXPECT_EQ(FatalOf([&] { RecordReWrite(d, past.p()); }), Fatal(CountText(type, lc.counter, "ReWrite")));
          EXPECT_TRUE(StoreImage(d) == before);
        }

        // Overwrite with one more than stored: a changed count, the entry unchanged.
        if (d.Ops & kOpOverwrite) {
          Raw past(d);
          fill(past, true);
          std::memcpy(past.p(), full.p(), 4);
          const std::vector<uint8_t> entry = StoredEntry(d, full.Index());
          const std::string text = FatalOf([&] { RecordOverwrite(d, past.p()); });
          EXPECT_EQ(text, Fatal(CountText(type, lc.counter, "Overwrite")));
          const bool stopsWhileCopying = goodsOfASlot || l.Shape == ListShape::Name;
          if (!stopsWhileCopying) {
            EXPECT_EQ(StoredEntry(d, full.Index()), entry);
          }
          EXPECT_EQ(ArrayerBusy, 0);
        }

        // Read of a stored count past its maximum: stops before a list is copied, and nothing is
        // written beyond the caller's record.
        if (d.Ops & kOpRead) {
          ArrayerReset();
          RecordWrite(d, full.p());
          uint8_t* payload = StoredPayload(d, full.Index());
          const uint32_t listPos = d.FixedSize - 4;  // the other lists are empty
          if (l.Shape == ListShape::Name) {
            payload[listPos] = static_cast<uint8_t>(max + 1);
          } else if (goodsOfASlot) {
            payload[listPos + (l.Max - 1) * (4 + 4 * l.SlotMax)] = static_cast<uint8_t>(l.SlotMax + 1);
          } else {
            SetCountAt(payload + l.CountOffset - 4, l.CountWidth, max + 1);
          }
          std::vector<uint8_t> guarded(d.Size + 4096, 0xCD);
          EXPECT_EQ(FatalOf([&] { RecordRead(d, guarded.data(), full.Index()); }),
                    Fatal(CountText(type, lc.counter, "Read")));
          for (size_t i = d.Size; i < guarded.size(); ++i) ASSERT_EQ(guarded[i], 0xCD) << "byte " << i;
          EXPECT_EQ(ArrayerBusy, 0);
        }
      }
    }
  }
}

// The index and entry texts of every accessor of every type.
TEST_F(RecordAccess, IndexAndEntryTextsOfEveryAccessor) {
  struct OpTexts {
    const char* op;
    uint8_t bit;
    // The operation as each text names it: invalid index, too high, index 0, empty, other kind.
    const char* names[5];
  };
  const OpTexts ops[] = {
      {"Read", kOpRead, {"A_Read", "A_Read", "A_Read", "A_Read", "A_Read"}},
      {"ReWrite", kOpReWrite, {"A_Rewrite", "A_ReWrite", "A_ReWrite", "A_ReWrite", "A_ReWrite"}},
      {"Overwrite", kOpOverwrite, {"A_Overwrite", "A_Overwrite", "A_Overwrite", "Overwrite", "Overwrite"}},
  };
  const char* problems[5] = {"Ung\xFCltiger Index", "Index is too High", "\334bergebener Index war 0",
                             "Entry was empty", "The Type was diffrent"};
  for (const TypeCase& c : TypeCases()) {
    const RecordDesc& d = *c.desc;
    const std::string t = d.Name;
    ArrayerReset();
    // Index 1 is free; index 2 holds an entry of another kind in the same array.
    RecordDesc other = kTSignalDesc;
    other.Array = d.Array;
    other.Kind = 0x8000;
    std::vector<uint8_t> o(other.Size, 0);
    RecordWrite(other, o.data());
    RecordWrite(other, o.data());
    arrayer_internal::ArrayOf(d.Array).TableBase[1] = 0;
    const uint32_t indices[5] = {1u << 30, arrayer_internal::ArrayOf(d.Array).TableTop, 0, 1, 2};
    for (const OpTexts& op : ops) {
      if (!(d.Ops & op.bit)) continue;
      for (int k = 0; k < 5; ++k) {
        SCOPED_TRACE(t + " " + op.op + " " + std::to_string(k));
        Raw r(d);
        std::fill(r.bytes.begin(), r.bytes.end(), 0x5A);
        for (int li = 0; li < d.ListCount; ++li) FillList(r, li, 0);
        std::memcpy(r.p(), &indices[k], 4);
        const std::string text = FatalOf([&] {
          if (op.bit == kOpRead) RecordRead(d, r.p(), indices[k]);
          if (op.bit == kOpReWrite) RecordReWrite(d, r.p());
          if (op.bit == kOpOverwrite) RecordOverwrite(d, r.p());
        });
        EXPECT_EQ(text, Fatal(std::string(problems[k]) + "! Arrayer Error by " + t + "." + op.names[k]));
      }
    }
  }
  // A few as they stand.
  TWay w{};
  EXPECT_EQ(FatalOf([&] { w.A_Read(0); }), Fatal("\xDC" "bergebener Index war 0! Arrayer Error by TWay.A_Read"));
  w.Index = 1u << 30;
  EXPECT_EQ(FatalOf([&] { w.A_ReWrite(); }), Fatal("Ung\xFCltiger Index! Arrayer Error by TWay.A_Rewrite"));
  w.Index = 5;
  EXPECT_EQ(FatalOf([&] { w.A_Overwrite(); }), Fatal("Entry was empty! Arrayer Error by TWay.Overwrite"));
}

TEST_F(RecordAccess, ReadingAnotherKindLeavesTheRecordButItsIndex) {
  TDepot d{};
  d.TrainInsideCounter = 2;
  d.A_Write();
  auto s = std::make_unique<TStation>();
  std::memset(static_cast<void*>(s.get()), 0x5A, sizeof(TStation));
  EXPECT_EQ(FatalOf([&] { s->A_Read(d.Index); }), Fatal("The Type was diffrent! Arrayer Error by TStation.A_Read"));
  EXPECT_EQ(s->Index, d.Index);
  EXPECT_EQ(s->Kind, 0x5A);
  EXPECT_EQ(s->HandlingRate, 0x5A);
  EXPECT_EQ(s->Name.len, 0x5A);
  EXPECT_EQ(ArrayerStatus, 2);
  ArrayerEntryDestroyOA(d.Index);
  EXPECT_EQ(FatalOf([&] { s->A_Read(d.Index); }), Fatal("Entry was empty! Arrayer Error by TStation.A_Read"));
}

TEST_F(RecordAccess, ReadFillsTheListsOnlyUpToTheirCounts) {
  TWay w{};
  w.ConnectionCounter = 2;
  w.Connections[0] = 11;
  w.Connections[1] = 12;
  w.NodesCounter = 3;
  for (int i = 0; i < 3; ++i) w.Nodes[i] = 100u + i;
  w.Waytype = 6;
  w.Position = {1.5f, 2.5f, 3.5f};
  w.A_Write();
  TWay r;
  std::memset(static_cast<void*>(&r), 0xEE, sizeof(r));
  r.A_Read(w.Index);
  EXPECT_EQ(r.Index, w.Index);
  EXPECT_EQ(r.Waytype, 6);
  EXPECT_EQ(r.Position.z, 3.5f);
  EXPECT_EQ(r.Connections[1], 12u);
  EXPECT_EQ(r.Connections[2], 0xEEEEEEEEu);
  EXPECT_EQ(r.Nodes[2], 102u);
  EXPECT_EQ(r.Nodes[3], 0xEEEEEEEEu);
  EXPECT_EQ(r.Nodes[99], 0xEEEEEEEEu);
}

TEST_F(RecordAccess, RewriteWithAShorterListKeepsTheIndexAndLeavesAHole) {
  TPath other{};
  other.A_Write();
  TPath p{};
  p.PathNodeCounter = 500;
  for (int i = 0; i < 500; ++i) p.Nodes[i] = 9000u + i;
  p.A_Write();
  // A fresh compaction pass that has passed both entries.
  while (!ArrayerCompactSingleStep(ArrayerId::Rest)) {
  }
  ArrayerCompactSingleStep(ArrayerId::Rest);
  ArrayerCompactSingleStep(ArrayerId::Rest);
  ASSERT_EQ(ArrayerRest.ScanCursor, ArrayerRest.HeapTop);
  uint8_t* old = arrayer_internal::EntryOfCell(ArrayerRest, p.Index);
  const uint8_t* top = ArrayerRest.HeapTop;
  p.PathNodeCounter = 2;
  p.Nodes[0] = 1;
  p.A_ReWrite();
  EXPECT_EQ(p.Index, 2u);
  EXPECT_EQ(arrayer_internal::EntrySlotRef(old), 0u);  // dead, its size kept for the scan
  EXPECT_EQ(arrayer_internal::EntryBytes(old), 2016u);
  EXPECT_EQ(ArrayerRest.HeapTop, top + 24);
  TPath r;
  std::memset(static_cast<void*>(&r), 0, sizeof(r));
  r.A_Read(2);
  EXPECT_EQ(r.PathNodeCounter, 2);
  EXPECT_EQ(r.Nodes[0], 1u);
  EXPECT_EQ(r.Nodes[1], 9001u);
  EXPECT_EQ(r.Nodes[2], 0u);
  std::string problem;
  EXPECT_TRUE(ArrayerCheckArray(ArrayerId::Rest, problem)) << problem;
}

TEST_F(RecordAccess, OverwriteChangesTheEntryInPlaceOnlyWhileTheCountsStay) {
  TWay w{};
  w.ConnectionCounter = 1;
  w.NodesCounter = 5;
  for (int i = 0; i < 5; ++i) w.Nodes[i] = 50u + i;
  w.A_Write();
  const TArrayerArray before = ArrayerBW;
  w.Owner = 3;
  w.Nodes[4] = 99;
  w.A_Overwrite();
  EXPECT_EQ(ArrayerBW.HeapTop, before.HeapTop);
  EXPECT_EQ(ArrayerBW.ScanCursor, before.ScanCursor);  // no compaction step
  EXPECT_EQ(ArrayerOverwriteTarget, arrayer_internal::EntryOfCell(ArrayerBW, w.Index) + 4);
  TWay r{};
  r.A_Read(w.Index);
  EXPECT_EQ(r.Owner, 3);
  EXPECT_EQ(r.Nodes[4], 99u);

  const std::vector<uint8_t> entry = StoredEntry(kTWayDesc, w.Index);
  TWay grown = w;
  grown.NodesCounter = 6;
  grown.Owner = 4;
  EXPECT_EQ(FatalOf([&] { grown.A_Overwrite(); }), Fatal("NodesCounter has changed! Arrayer Error by TWay.A_Overwrite"));
  grown.ConnectionCounter = 0;
  EXPECT_EQ(FatalOf([&] { grown.A_Overwrite(); }),
            Fatal("ConnectionCounter has changed! Arrayer Error by TWay.A_Overwrite"));
  EXPECT_EQ(StoredEntry(kTWayDesc, w.Index), entry);
  // A rewrite takes the new counts.
  grown.A_ReWrite();
  r.A_Read(w.Index);
  EXPECT_EQ(r.NodesCounter, 6);
  EXPECT_EQ(r.Owner, 4);
}

TEST_F(RecordAccess, OverwriteOfAChangedNameLengthStopsAfterTheListsWereCopied) {
  auto s = std::make_unique<TStation>();
  s->StationBuildingcounter = 2;
  s->Buildings[0] = 1;
  s->Buildings[1] = 2;
  s->Name.assign("Abc");
  s->A_Write();
  s->Buildings[0] = 7;
  s->Buildings[1] = 8;
  s->City = 9;
  s->Name.assign("Abcd");
  EXPECT_EQ(FatalOf([&] { s->A_Overwrite(); }),
            Fatal("StationName length have changed! Arrayer Error by TStation.A_Overwrite"));
  EXPECT_EQ(ArrayerStatus, 11);
  auto r = std::make_unique<TStation>();
  r->A_Read(s->Index);
  EXPECT_EQ(r->City, 9);
  EXPECT_EQ(r->Buildings[0], 7u);
  EXPECT_EQ(r->Buildings[1], 8u);
  EXPECT_EQ(r->Name.str(), "Abc");
  // The same length with other letters is copied.
  s->Name.assign("Xyz");
  s->A_Overwrite();
  r->A_Read(s->Index);
  EXPECT_EQ(r->Name.str(), "Xyz");
}

TEST_F(RecordAccess, OverwriteOfAChangedSlotGoodsCountStopsAtThatSlot) {
  // Ships have no writer; the family's own writer stores one.
  TShip ship{};
  ship.ShipSlotsCounter = 3;
  for (int s = 0; s < 3; ++s) {
    ship.Slots[s].ShipSlotGoodsCounter = static_cast<uint8_t>(s + 2);
    for (int g = 0; g < s + 2; ++g) ship.Slots[s].Goods[g] = 100u * s + g;
  }
  RecordWrite(kTShipDesc, &ship);
  EXPECT_EQ(ArrayerOA.HeapTop - ArrayerOA.HeapBase, 8 + 104 + 3 * 4 + (2 + 3 + 4) * 4);
  TShip r{};
  r.A_Read(ship.Index);
  EXPECT_EQ(r.Slots[2].Goods[3], 203u);
  EXPECT_EQ(r.Slots[2].ShipSlotGoodsCounter, 4);

  ship.Speed = 1.5f;
  ship.Slots[0].Goods[0] = 555;
  ship.Slots[1].ShipSlotGoodsCounter = 4;
  ship.Slots[1].Goods[0] = 666;
  EXPECT_EQ(FatalOf([&] { ship.A_Overwrite(); }),
            Fatal("One of the ShipSlotGoodsCounter has changed! Arrayer Error by TShip.A_Overwrite"));
  r = TShip{};
  r.A_Read(ship.Index);
  EXPECT_EQ(r.Speed, 1.5f);
  EXPECT_EQ(r.Slots[0].Goods[0], 555u);  // copied before the changed slot
  EXPECT_EQ(r.Slots[1].ShipSlotGoodsCounter, 3);
  EXPECT_EQ(r.Slots[1].Goods[0], 100u);  // not copied
}

TEST_F(RecordAccess, CountsAreCheckedInTheirOwnOrder) {
  // Schedules have no writer; the family's own writer stores one.
  TSchedule sch{};
  RecordWrite(kTScheduleDesc, &sch);
  sch.ScheduleTrainCounter = 51;
  sch.ScheduleStationCounter = 21;
  EXPECT_EQ(FatalOf([&] { sch.A_ReWrite(); }),
            Fatal("ScheduleStationCounter is overfull! Arrayer Error by TSchedule.A_ReWrite"));

  auto st = std::make_unique<TStation>();
  st->StationOutGoodsCounter = 5001;
  st->StationGoodsCounter = 53;
  st->Name.len = 44;
  EXPECT_EQ(FatalOf([&] { st->A_Write(); }), Fatal("StationOutGoodsCounter overfull! Arrayer Error by TStation.A_Write"));
  st->StationOutGoodsCounter = 0;
  EXPECT_EQ(FatalOf([&] { st->A_Write(); }), Fatal("StationGoodsCounter overfull! Arrayer Error by TStation.A_Write"));
  st->StationGoodsCounter = 0;
  EXPECT_EQ(FatalOf([&] { st->A_Write(); }), Fatal("StationName too long! Arrayer Error by TStation.A_Write"));

  TIndustry ind{};
  ind.IndustryInputCounter = 33;
  ind.IndustryOutputCounter = 251;
  EXPECT_EQ(FatalOf([&] { ind.A_Write(); }), Fatal("IndustryOutputCounter overfull! Arrayer Error by TIndustry.A_Write"));
  ind.IndustryPCOutputCounter = 9;
  EXPECT_EQ(FatalOf([&] { ind.A_Write(); }),
            Fatal("IndustryPCOutputCounter overfull! Arrayer Error by TIndustry.A_Write"));
}

TEST_F(RecordAccess, DepotKeepsItsParallelByteListPadded) {
  TDepot d{};
  d.TrainInsideCounter = 3;
  for (int i = 0; i < 3; ++i) {
    d.TrainsInside[i] = 40u + i;
    d.TrainFlags[i] = static_cast<uint8_t>(1 + i);
  }
  d.A_Write();
  const uint8_t* e = arrayer_internal::EntryOfCell(ArrayerOA, d.Index);
  EXPECT_EQ(arrayer_internal::EntryBytes(e), 36u);
  EXPECT_EQ(e[35], 0);  // the padding
  TDepot r;
  std::memset(static_cast<void*>(&r), 0xEE, sizeof(r));
  r.A_Read(d.Index);
  EXPECT_EQ(r.TrainsInside[2], 42u);
  EXPECT_EQ(r.TrainFlags[0], 1);
  EXPECT_EQ(r.TrainFlags[2], 3);
  EXPECT_EQ(r.TrainFlags[3], 0xEE);
}

TEST_F(RecordAccess, BuildingAndWayWritesMarkTheLocalWorldAndCountBuildingTypes) {
  BuildingsPerType[7] = {};
  TBuilding b{};
  b.BuildingType = 7;
  ActPlayer = 2;  // another player's action
  b.A_Write();
  EXPECT_EQ(LocalWorldChanged, 0);
  uint32_t count;
  std::memcpy(&count, BuildingsPerType[7].Bytes, 4);
  EXPECT_EQ(count, 1u);
  ActPlayer = 1;
  b.A_Write();
  EXPECT_EQ(LocalWorldChanged, 1);
  std::memcpy(&count, BuildingsPerType[7].Bytes, 4);
  EXPECT_EQ(count, 2u);
  // Rewrites and overwrites count nothing; a type outside the table is not counted.
  b.A_ReWrite();
  b.A_Overwrite();
  b.BuildingType = 300;
  b.A_Write();
  std::memcpy(&count, BuildingsPerType[7].Bytes, 4);
  EXPECT_EQ(count, 2u);

  LocalWorldChanged = 0;
  ActPlayer = 3;
  TWay w{};
  w.A_Write();
  EXPECT_EQ(LocalWorldChanged, 0);
  ActPlayer = 1;
  w.A_Write();
  EXPECT_EQ(LocalWorldChanged, 1);
  BuildingsPerType[7] = {};
}

TEST_F(RecordAccess, OperationsAreCountedInTheirTypesRow) {
  TVehicle v{};
  v.A_Write();
  v.A_Write();
  InfoScreenBeginTick(InfoScreenData);
  v.A_Read(1);
  v.A_ReWrite();
  v.A_Overwrite();
  InfoScreenEndTick(InfoScreenData);
  v.VehicleGoodsCounter = 101;
  FatalOf([&] { v.A_Write(); });  // refused before it is counted
  const uint32_t row = 20;
  EXPECT_EQ(ArrayerCounterOf(0, row, kCountLive), 2u);
  EXPECT_EQ(ArrayerCounterOf(3, row, kCountLive), 0u);  // live entries only in the totals
  EXPECT_EQ(ArrayerCounterOf(0, row, kCountWrite), 2u);
  EXPECT_EQ(ArrayerCounterOf(3, row, kCountWrite), 2u);
  EXPECT_EQ(ArrayerCounterOf(2, row, kCountRead), 1u);
  EXPECT_EQ(ArrayerCounterOf(2, row, kCountReWrite), 1u);
  EXPECT_EQ(ArrayerCounterOf(2, row, kCountOverwrite), 1u);
  EXPECT_EQ(ArrayerCounterOf(0, row, kCountOverwrite), 1u);
  EXPECT_EQ(ArrayerCounterOf(0, row, 6), 0u);
}

}  // namespace
