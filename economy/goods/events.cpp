#include "economy/goods/events.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "economy/goods/records.h"
#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/files/languages.h"
#include "engine/store/recordstore.h"
#include "engine/world/records.h"

TGoodsEvent GoodsEvent{};

namespace {

constexpr uint8_t kNormal = 0, kBooming = 1, kSlack = 2;
constexpr int kDrawTries = 100;

std::string GoodsName(int type) { return Translate(GoodsTypes[type].NameKey.str()); }

// Trunc of a float into the seed of HashRandom; values beyond its range give its ends.
int32_t TruncSeed(long double x) {
  if (!(x == x)) return 0;
  return static_cast<int32_t>(std::clamp(std::trunc(x), -2147483648.0L, 2147483647.0L));
}

int32_t Seed(long double x) { return static_cast<int32_t>(static_cast<uint32_t>(GameTime) + static_cast<uint32_t>(TruncSeed(x))); }

void DrawNextEvent(TGoodsEvent& e) {
  const TYearFinance& year = Players[1].Finances[0];
  const long double q = static_cast<long double>(year.GoodsValueA) / (year.GoodsValueB + 1.0L);
  const int32_t span = 2 * TicksPerYear;
  e.NextEventTick = GameTime + static_cast<uint32_t>(HashRandom(Seed(q * 100), span)) +
                    static_cast<uint32_t>(HashRandom(Seed(q * 10), span)) + 1000;
}

void EndBooms() {
  for (int t = 1; t <= std::min<int>(GoodsTypeCount, 52); ++t) {
    TGoodsType& type = GoodsTypes[t];
    if (type.GoodsAttractivity == kNormal || type.BoomEnd != GameTime) continue;
    type.GoodsAttractivity = kNormal;
    SYS_Warning("Missing Feature: Goods_Event: The Boomtime of Good: " + GoodsName(t) + " is over.");
  }
}

// A goods type that may boom or go slack: normal, and in the goods-way economy one that towns buy.
int DrawGoodsType() {
  for (int t = 1; t <= kDrawTries && GoodsTypeCount > 0; ++t) {
    const int k = HashRandom(static_cast<int32_t>(GameTime + static_cast<uint32_t>(t)), GoodsTypeCount) + 1;
    if (k < 1 || k > 52) continue;
    const TGoodsType& type = GoodsTypes[k];
    if (type.GoodsAttractivity == kNormal && (GameSettings.EconomyMode != 0 || type.ConsumerValue > 0.0f)) return k;
  }
  return 0;
}

void StartBoomOrSlack() {
  const int k = DrawGoodsType();
  if (k == 0) return;
  long double s = 0;
  for (int p = 1; p <= 10; ++p) s += Players[p].Finances[0].GoodsValueB;
  while (s > 100000.0L) s /= 10;
  const bool boom = (HashRandom(TruncSeed(s), 10000) / 10) % 2 != 0;
  TGoodsType& type = GoodsTypes[k];
  type.GoodsAttractivity = boom ? kBooming : kSlack;
  type.BoomEnd = GameTime + static_cast<uint32_t>(TicksPerYear) +
                 static_cast<uint32_t>(HashRandom(static_cast<int32_t>(GameTime), TicksPerYear / 2));
  SYS_Warning("Missing Feature: Goods_Event: The Good: " + GoodsName(k) + (boom ? " is now booming." : " is now slack."));
}

// An industry that would like help: hardly producing, or in the goods-way economy one whose goods
// ways over schedules carry something, but less than half of what its direct ways carry.
bool WantsToWork(const TIndustry& industry) {
  if (industry.Productivity < 0.1f) return true;
  if (GameSettings.EconomyMode != 0) return false;
  long double scheduled = 0, direct = 0;
  TGoodsway w{};
  for (int i = 0; i < std::min<int>(industry.IndustryOutputCounter, 250); ++i) {
    const uint32_t way = industry.Output[i].Target;
    if (way == 0) continue;
    w.A_Read(way);
    ((w.GoodsWayFlags & kGoodswayByTransfer) != 0 ? direct : scheduled) += w.GoodsWayAmount;
  }
  return scheduled > 0 && scheduled < direct / 2;
}

void CollectOne(TGoodsEvent& e) {
  e.IndustryCursor = FindInArrayerOA(kARTypeIndustry, e.IndustryCursor);
  if (e.IndustryCursor == 0) {
    e.Phase = 2;
    return;
  }
  const auto industry = std::make_unique<TIndustry>();
  industry->A_Read(e.IndustryCursor);
  if (WantsToWork(*industry)) e.Candidates[e.CandidateCount++] = e.IndustryCursor;
  if (e.CandidateCount >= kGoodsEventCandidates) e.Phase = 2;
}

}  // namespace

void GoodsEventStep(TGoodsEvent& e) {
  if (RunMode == 4) return;
  if (e.NextEventTick == 0) DrawNextEvent(e);
  EndBooms();
  if (e.NextEventTick == GameTime) {
    StartBoomOrSlack();
    e.NextEventTick = 0;
  }
  switch (e.Phase) {
    case 0:
      if (NewYear != 0) {
        e.IndustryCursor = 0;
        e.CandidateCount = 0;
        e.Phase = 1;
      }
      break;
    case 1:
      CollectOne(e);
      break;
    default:
      if (e.CandidateCount > 0) {
        const int k = HashRandom(static_cast<int32_t>(GameTime), e.CandidateCount) + 1;
        SYS_Warning("Missing Feature: Goods_Event: The Industry with Index: " + std::to_string(e.Candidates[k - 1]) +
                    " wants to work with the Player.");
      }
      e.Phase = 0;
      break;
  }
}

void EventIndustryDeleted(TGoodsEvent& e, uint32_t industry) {
  if (e.Phase == 0) return;
  const int count = std::min<int>(e.CandidateCount, kGoodsEventCandidates);
  const auto end = std::remove(e.Candidates, e.Candidates + count, industry);
  std::fill(end, e.Candidates + kGoodsEventCandidates, 0u);
  e.CandidateCount = static_cast<uint8_t>(end - e.Candidates);
}

void ResetGoodsEvent() { GoodsEvent = TGoodsEvent{}; }
