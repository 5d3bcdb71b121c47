// The records of the goods and passenger economy, kept in the Rest array of the record store:
//
// | type      | ARType  | size  | fixed | list                          | operations                 |
// |-----------|---------|-------|-------|-------------------------------|----------------------------|
// | TGood     | 0x40008 |    24 |    24 | none                          | A_Read A_Write A_Overwrite |
// | TGoodsway | 0x40010 | 1,664 |    64 | Path, 100 entries of 16 bytes | A_Read A_Write A_Overwrite |
// | TPsgrWay  | 0x40800 |   184 |    24 | Stretches, 10 of 16 bytes     | A_Read A_Write A_Overwrite |
//
// A good is one batch of goods or passengers on its way; it is held by index in a station's in or
// out list or in a vehicle's goods list. A goods way is the planned route of one goods type from
// an industry to a market or industry: the stations it passes and the schedule that carries each
// hop. A passenger way is a passenger route of stretches from a start station to PsgrEndStation.
// Goods refer to their goods way or passenger way, which counts them (GoodsWayRefCount,
// PsgrRefCount); destroying a good gives its reference back. None of the lists changes length in
// place, so the types have no A_ReWrite.
//
// The engine's world records see these records through world_hooks (engine/world/hooks.h);
// InstallGoodsRecordHooks puts the routines below behind those hooks.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/store/recordaccess.h"

#pragma pack(push, 1)

// One batch of goods or passengers (24 bytes).
struct TGood : ArrayerRecord<TGood> {
  uint32_t Index;
  uint8_t GoodsWayEntry;  // 1-based position on its goods way's path or its passenger way's stretches
  uint8_t GoodType;       // 1-based row of GoodsTypes; its GoodsInfoKind tells goods from passengers
  uint8_t Reserved6[2];
  int32_t GoodAmount;     // units in the batch
  // The goods-way economy: the TGoodsway (goods) or TPsgrWay (passengers) the batch follows. The
  // simple economy: the station that made the batch. 0 none.
  uint32_t Goodsway;
  uint32_t GoodStartTime;  // GameTime when the batch was made
  uint32_t GoodReady;      // GameTime from which it counts as arrived at the station that holds it

  // Gives the batch's reference on its goods way or passenger way back (goods-way economy only)
  // and frees its entry.
  void Destroy() const;
};

struct TGoodswayPathEntry {
  uint32_t Station;
  uint32_t Schedule;    // 0: the batch reaches the next station by transfer
  float HopCost;        // the hop's transport time
  uint8_t StopNumber;   // in the schedule
  uint8_t ScheduleHop;  // non-zero when the schedule carries the hop
  uint8_t Share;        // percent; 100 for a transfer hop
  uint8_t Reserved15;
};

// GoodsWayFlags
constexpr uint8_t kGoodswayByTransfer = 1;  // no hop uses a schedule
constexpr uint8_t kGoodswayActive = 2;      // found again by the last search pass
constexpr uint8_t kGoodswayFound = 4;       // found in the current search pass
constexpr uint8_t kGoodswayProbe = 8;       // tried with single batches before it is planned
constexpr uint8_t kGoodswayLost = 16;       // a batch was lost since the last evaluation
constexpr uint8_t kGoodswayLostBefore = 32; // a batch was lost in the last evaluated period

constexpr uint8_t kGoodswayPathRoom = 100;

// A planned route of one goods type (1,664 bytes).
struct TGoodsway : ArrayerRecord<TGoodsway> {
  uint32_t Index;
  uint32_t GoodsWaySuccessor;  // 0, or the way whose delivery counters take this way's deliveries
  uint32_t GoodsWayFrom;       // the producing TIndustry
  uint32_t GoodswayTo;         // the receiving TMarket or TIndustry
  float GoodsWayAmount;        // planned amount per tick
  float GoodsWayTime;          // transport time of the whole route
  uint32_t GoodsWayContract;   // 0, or a contract that binds the way
  uint32_t GoodsWayRefCount;   // batches on their way that refer to it
  int32_t GoodsWayDelivered;   // units delivered since GoodsWayMeasureStart
  uint32_t GoodsWayMeasureStart;
  float GoodsWayRateA;         // delivery rate, smoothed once
  float GoodsWayRateB;         // smoothed twice
  float GoodsWayFreeAmount;    // most it may be planned to carry per tick
  float GoodsWayNewAmount;     // planned amount of the current planning pass
  uint8_t GoodsWayPathCounter; // at most 100
  uint8_t GoodsWayGoodType;
  uint8_t GoodsWayFlags;       // kGoodsway... bits
  uint8_t Reserved59;
  int32_t GoodsWayLastDelivery;  // GameTime of the last delivery; 0 none; -1 after a probe batch
  TGoodswayPathEntry Path[kGoodswayPathRoom];  // entry n is Path[n - 1]; the first is the source's station

  // Unlinks the way from its goods, its destination and its source, hands a scheduled way's amount
  // to its direct twin, and frees its entry.
  void destroy() const;
};

struct TPsgrStretch {
  uint32_t Station;
  float RideTime;
  uint32_t Schedule;  // 0 for a walk to the station
  uint8_t StopNumber;
  uint8_t Reserved13[3];
};

constexpr uint8_t kPsgrWayStretchRoom = 10;

// A passenger route (184 bytes).
struct TPsgrWay : ArrayerRecord<TPsgrWay> {
  uint32_t Index;
  uint32_t PsgrRefCount;   // passenger batches that refer to it
  float PassengerspF;      // passengers per generation step; 0 switches generation off
  uint32_t PsgrEndStation;
  float gather;            // the fraction of a passenger carried over to the next step
  uint8_t Used;            // non-zero while a way record refers to it
  uint8_t PsgrStretchCounter;  // at most 10
  uint8_t Reserved22[2];
  TPsgrStretch Stretches[kPsgrWayStretchRoom];  // stretch n is Stretches[n - 1]

  // The whole record zero, then PassengerspF.
  void Init(float passengerspF);
  // Frees the entry; nothing else.
  void Destroy() const;
  // Destroys the way when no batch refers to it and no way record uses it; true when it did.
  bool DestroyIfUnused() const;
};

#pragma pack(pop)

inline constexpr RecordDesc kTGoodDesc{
    .Name = "TGood", .Array = ArrayerId::Rest, .Kind = kKindGood, .Row = 13,
    .Ops = kOpRead | kOpWrite | kOpOverwrite, .Size = 24, .FixedSize = 24, .ListCount = 0, .Lists = {},
    .CheckCount = 0, .CheckOrder = {}, .CountOp = {"A_Read", "A_Write", "A_ReWrite", "A_Overwrite"},
    .AfterWrite = nullptr};

// The writer names the path counter differently from the reader and the overwriter.
inline constexpr RecordDesc kTGoodswayDesc{
    .Name = "TGoodsway", .Array = ArrayerId::Rest, .Kind = kKindGoodsway, .Row = 14,
    .Ops = kOpRead | kOpWrite | kOpOverwrite, .Size = 1664, .FixedSize = 64, .ListCount = 1,
    .Lists = {PlainList(offsetof(TGoodsway, GoodsWayPathCounter), 1, offsetof(TGoodsway, Path),
                        sizeof(TGoodswayPathEntry), kGoodswayPathRoom, "GoodsWayPathCounter overfull",
                        "GoodsWayPathCounter has changed", nullptr, "GoodsWayEntryCounter overfull")},
    .CheckCount = 1, .CheckOrder = {0}, .CountOp = {"A_Read", "A_Write", "A_ReWrite", "A_Overwrite"},
    .AfterWrite = nullptr};

inline constexpr RecordDesc kTPsgrWayDesc{
    .Name = "TPsgrWay", .Array = ArrayerId::Rest, .Kind = kKindPsgrWay, .Row = 22,
    .Ops = kOpRead | kOpWrite | kOpOverwrite, .Size = 184, .FixedSize = 24, .ListCount = 1,
    .Lists = {PlainList(offsetof(TPsgrWay, PsgrStretchCounter), 1, offsetof(TPsgrWay, Stretches),
                        sizeof(TPsgrStretch), kPsgrWayStretchRoom, "PsgrStretchCounter overfull",
                        "PsgrStretchCounter has changed")},
    .CheckCount = 1, .CheckOrder = {0}, .CountOp = {"A_Read", "A_Write", "A_ReWrite", "A_Overwrite"},
    .AfterWrite = nullptr};

ARRAYER_RECORD_TYPE(TGood, 24);
ARRAYER_RECORD_TYPE(TGoodsway, 1664);
ARRAYER_RECORD_TYPE(TPsgrWay, 184);
static_assert(sizeof(TGoodswayPathEntry) == 16 && sizeof(TPsgrStretch) == 16);
static_assert(offsetof(TGood, GoodAmount) == 8 && offsetof(TGoodsway, GoodsWayPathCounter) == 56 &&
              offsetof(TGoodsway, GoodsWayLastDelivery) == 60 && offsetof(TGoodsway, Path) == 64 &&
              offsetof(TPsgrWay, Used) == 20 && offsetof(TPsgrWay, Stretches) == 24);

// DestroyGood: reads the good at index and destroys it.
void DestroyGood(uint32_t good);
// The weight of the batch at index: its goods type's weight per unit times its amount (0 for a type
// that is none, and for a weight below 0; cut to 32 bits).
uint32_t GoodWeight(uint32_t good);

// The delete notice of a goods way, called by TGoodsway::destroy before its entry is freed: the
// goods processes and windows forget the way. Default: nothing.
namespace goods_hooks {
extern void (*OnDestroyGoodsway)(uint32_t goodsway);
void InstallDefaults();
}  // namespace goods_hooks

// Puts the routines of these records behind the engine's hooks (world_hooks): reading and storing
// the engine's field sets, the destroy routines and GoodsInfoKind.
void InstallGoodsRecordHooks();
