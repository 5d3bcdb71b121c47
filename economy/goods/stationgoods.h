// The station goods of the simple economy: what each station without market or industry of its
// own supplies and accepts, from the industries and buildings within 1500 units
// (TPPFoundGoodsStation, unit Goods_FGS), and how well it serves each goods type
// (TPPUpdateStationRating, unit Goods_USR), which also lets industries whose stations serve them
// well grow and those served badly shrink.
#pragma once

#include <cstdint>

#include "engine/base/types.h"

struct TIndustry;

constexpr int kFoundGoodsRoom = 52;

// Exchange kinds of a goods type at the examined station.
constexpr uint8_t kExchangeSupply = 0, kExchangeAccept = 1, kExchangeBoth = 2;

// The process record of the station goods.
struct TPPFoundGoodsStation {
  int32_t Speed;
  uint32_t PassStart;
  TVector Position;        // of the examined station
  uint32_t StationCursor;  // the examined station; in phase 10 the building cursor
  uint32_t SearchCursor;   // the last station or building found around it
  uint8_t Goods[kFoundGoodsRoom];     // goods types found so far
  uint8_t Exchange[kFoundGoodsRoom];  // the exchange kind of each
  uint8_t GoodsCount;
  int32_t Population;          // inhabitants of the houses around
  float ServedPopulation;      // inhabitants weighted by the station's share
  uint8_t RatingPercent;       // the station's passenger rating x 100, at most 100; 20 without one
  uint8_t Phase;               // 0 start, 1 next station, 2 stations around, 3 buildings around,
                               // 4 the station's goods entries, 10 the buildings' rating sums
};

// The process record of the station ratings.
struct TPPUpdateStationRating {
  int32_t Speed;
  uint32_t PassStart;
  uint32_t StationCursor;
  uint8_t Phase;  // 0 start of a pass, 1 next station
};

extern TPPFoundGoodsStation PPFoundGoodsStation;
extern TPPUpdateStationRating PPUpdateStationRating;

constexpr float kStationGoodsRange = 1500.0f;
constexpr int32_t kConsumerPopulation = 5000;  // from here a station accepts what towns buy
constexpr float kNewSupplyRating = 0.2f;
constexpr uint32_t kRatingInterval = 500;      // ticks between two ratings of a station
constexpr uint32_t kResizeAfter = 45000;       // ticks an industry's resize state stands before it acts
constexpr float kMostRating = 1.2f, kLeastRating = 0.01f;
constexpr long double kRatingDecay = 0.00001L;  // per tick since the last rating
constexpr long double kRatingPickUp = 0.3L, kRatingTakenAway = 0.05L, kRatingLost = -0.01L;

void FoundGoodsStationStep(TPPFoundGoodsStation& p);
void UpdateStationRatingStep(TPPUpdateStationRating& p);
// The station is gone: a process examining it goes on with the next station.
void FGSStationDeleted(TPPFoundGoodsStation& p, uint32_t station);
// Simple economy only: the station and every station after it in index order are examined at
// once by a private pass, and the buildings' rating sums are rolled over at its end.
void RecalcGoodsStation(uint32_t station);

// What an industry's service asks of its size: above 0.99 to grow (ResizeState 2), above 0.5 to
// keep it (1), else to shrink (0). A state that differs from the one it holds is taken with the
// tick; one that has stood for more than kResizeAfter ticks acts (ShrinkIndustry or GrowIndustry;
// another state gives the warning Unsupported) and its tick is set again. The caller stores it.
void ResizeIndustryBy(TIndustry& industry, float served, const char* unsupported);

// The growth and shrinking of an industry (world development). Default: nothing.
namespace industry_size_hooks {
extern void (*GrowIndustry)(TIndustry& industry);
extern void (*ShrinkIndustry)(TIndustry& industry);
void InstallDefaults();
}  // namespace industry_size_hooks
