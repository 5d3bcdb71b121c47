#include "economy/step/worldstate_hash.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "economy/messages/news.h"
#include "economy/messages/newspaper.h"
#include "economy/money/bank.h"
#include "economy/step/commands.h"
#include "economy/step/services.h"
#include "engine/base/random.h"
#include "engine/base/worldstate.h"
#include "engine/store/connectpool.h"
#include "engine/store/nodepool.h"
#include "engine/store/recordstore.h"
#include "engine/store/trainpool.h"
#include "network/construction/limits.h"
#include "network/services.h"
#include "platform/platform.h"

void THashWriter::Bytes(const void* data, size_t count) {
  const auto* p = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < count; ++i) {
    hash_ ^= p[i];
    hash_ *= 1099511628211ull;
  }
}

void THashWriter::U16(uint16_t v) {
  const uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
  Bytes(b, 2);
}

void THashWriter::U32(uint32_t v) {
  const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                        static_cast<uint8_t>(v >> 24)};
  Bytes(b, 4);
}

void THashWriter::F32(float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, 4);
  U32(bits);
}

namespace {

// The clock of a reset world: it starts at the same value and moves on by one at every reading, so
// whatever reads it (the news reseed the generator from it) reads the same in every run.
constexpr uint32_t kClockStart = 1000;
uint32_t g_clock = kClockStart;
uint32_t SimulationClock() { return g_clock++; }

std::vector<TWorldPart>& Parts() {
  static std::vector<TWorldPart> parts;
  return parts;
}

template <size_t N>
void ShortText(THashWriter& h, const ShortString<N>& s) {
  h.U8(s.len);
  h.Bytes(s.data, N);
}

// The records are packed: their array fields are read element by element through the record, by
// value, never through a pointer of their element type.
#define HASH_EACH(h, record, field, put)                                               \
  for (size_t i_ = 0; i_ < sizeof((record).field) / sizeof((record).field[0]); ++i_) \
    (h).put((record).field[i_])

void Calendar(THashWriter& h) {
  h.U32(GameTime);
  h.I32(GameDay);
  h.I32(GameMonth);
  h.I32(GameYear);
  h.U8(NewMonth);
  h.U8(NewYear);
  h.I32(TicksPerYear);
  h.U8(GameRunning);
  h.Bytes(SimSwitches, sizeof(SimSwitches));
  h.U8(FreeBuildMode);
  h.U8(EconomyHold);
  h.U32(EconomyHoldCount);
  h.U8(MoneyRefill);
  h.U32(RandSeed);
}

void WeatherState(THashWriter& h) {
  const TWeather& w = Weather;
  h.Vec(w.LightDirection);
  h.Vec(w.RawLightDirection);
  h.Vec(w.ParticleDrift);
  h.U8(w.Kind);
  h.U8(w.PreviousKind);
  h.F32(w.Intensity);
  h.I32(w.IntensityLevel);
  h.F32(w.IntensityStep);
  h.F32(w.Value4);
  h.U8(w.Byte1);
  h.Bytes(w.Colour, 4);
  HASH_EACH(h, w, SkyColour, F32);
  h.F32(w.AmbientCeiling);
  h.F32(w.LightFactor);
  h.F32(w.BaseLightFactor);
  h.U8(w.Byte2);
  h.F32(w.ViewDistance1);
  h.F32(w.ViewDistance2);
  h.I32(w.NextChange);
  h.U8(w.Raining);
}

void Year(THashWriter& h, const TYearFinance& y) {
  h.Ext(y.Balance);
  h.F32(y.GoodsValueA);
  h.F32(y.GoodsValueB);
  h.Bytes(y.Reserved18, sizeof(y.Reserved18));
  h.U16(y.Year);
  h.Bytes(y.Reserved30, sizeof(y.Reserved30));
  HASH_EACH(h, y, RailStats, F32);
  HASH_EACH(h, y, RoadStats, F32);
  h.Bytes(y.Reserved176, sizeof(y.Reserved176));
  for (float v : {y.CreditInterest, y.OverdraftInterest, y.InterestIncome, y.Prizes, y.BuildingValue, y.WayValue,
                  y.VehicleValue, y.Credit, y.RailLength, y.RoadLength})
    h.F32(v);
}

void PlayersAndTowns(THashWriter& h) {
  h.U8(PlayerCount);
  h.U8(LocalPlayer);
  h.U8(ActPlayer);
  h.U8(ActCity);
  for (int p = 1; p <= 10; ++p) {
    const TPlayer& pl = Players[p];
    ShortText(h, pl.Name);
    ShortText(h, pl.FirmName);
    h.U32(pl.CameraFollowVehicle);
    h.U32(pl.CameraFollowVehicle2);
    h.Vec({pl.Camera.X, pl.Camera.Y, pl.Camera.Z});
    h.F32(pl.Camera.Roll);
    h.F32(pl.Camera.Gier);
    h.F32(pl.Camera.Nick);
    h.Ext(pl.Money);
    h.Ext(pl.PrevCost);
    h.U8(pl.CameraFollowing);
    h.U32(pl.CompanyBuilding);
    h.I32(pl.DeadlineYear);
    h.I32(pl.DeadlineMonth);
    h.U8(pl.CreditRefusedShown);
    h.Bytes(pl.Reserved, sizeof(pl.Reserved));
    for (const TYearFinance& y : pl.Finances) Year(h, y);
  }
  h.I32(CityCount);
  for (int c = 1; c <= 100; ++c) {
    const TCity& city = Cities[c];
    ShortText(h, city.Name);
    h.Vec(city.Position);
    h.Ext(city.Budget);
    HASH_EACH(h, city, IndustryWeights, U32);
    HASH_EACH(h, city, Population, I32);
    HASH_EACH(h, city, Waiting, I32);
    HASH_EACH(h, city, FreeHousing, I32);
    h.U8(city.Era);
    h.Bytes(city.WishBits, sizeof(city.WishBits));
    h.Bytes(city.Reserved, sizeof(city.Reserved));
    h.I32(city.Radius);
    h.I32(city.Size);
    h.I32(city.BaseSize);
    h.I32(city.YearValue);
  }
}

void Store(THashWriter& h) {
  for (ArrayerId id : {ArrayerId::BW, ArrayerId::OA, ArrayerId::Rest, ArrayerId::Static}) {
    h.U8(static_cast<uint8_t>(id));
    ForEachArrayerEntry(id, [&h](uint32_t index, uint16_t kind, const uint8_t* image, uint32_t bytes) {
      h.U32(index);
      h.U16(kind);
      h.U32(bytes);
      h.Bytes(image, bytes);
    });
  }
}

void Pools(THashWriter& h) {
  for (uint32_t n = 1; n <= NodeArrayCount; ++n) {
    const TNode& node = NodeByIndex(n);
    if (node.Used == 0) continue;
    h.U32(n);
    h.Vec(node.Position);
    HASH_EACH(h, node, PrevLinks, U32);
    HASH_EACH(h, node, NextLinks, U32);
    HASH_EACH(h, node, LinkValues, U32);
    h.U32(node.Way);
    HASH_EACH(h, node, NetValues, U32);
    h.U32(node.Signal);
    h.U8(node.PrevLinkCount);
    h.U8(node.NextLinkCount);
    h.U8(node.Used);
    h.U8(node.Flags);
  }
  for (uint32_t c = FindNextConnect(0); c != 0; c = FindNextConnect(c)) {
    const TConnect& con = ConnectByIndex(c);
    h.U32(c);
    h.U8(con.WayType);
    h.U8(con.Used);
    h.Bytes(con.NetBytes, 2);
    h.Vec(con.Position);
    h.U32(con.NetValue);
    h.U32(con.WayA);
    h.U32(con.WayB);
    h.U32(con.JunctionBuilding);
  }
  for (uint32_t t = FindNextTrain(0); t != 0; t = FindNextTrain(t)) {
    const TTrain& tr = TrainByIndex(t);
    h.U32(t);
    h.U32(tr.Index);
    h.U8(tr.VBT_Type);
    h.U8(tr.ScheduleState);
    h.U8(tr.CurrentStop);
    h.U8(tr.VehicleCount);
    h.U32(tr.Schedule);
    HASH_EACH(h, tr, Vehicles, U32);
    HASH_EACH(h, tr, NodesAhead, U32);
    h.U32(tr.CurrentNode);
    h.U32(tr.NextNode);
    h.U32(tr.ClosingNode);
    h.U32(tr.Timer);
    h.U32(tr.LastStopTick);
    h.U32(tr.Path);
    h.U32(tr.TargetStation);
    h.F32(tr.DistanceOnLink);
    h.F32(tr.PowerRatio);
    h.F32(tr.MaxSpeed);
    h.F32(tr.Speed);
    h.F32(tr.TargetSpeed);
    h.F32(tr.Speed2);
    h.U32(tr.TotalWeight);
    h.F32(tr.DistanceSinceStop);
    h.F32(tr.BrakeDeceleration);
    h.F32(tr.RevenueThisYear);
    h.F32(tr.RevenueLastYear);
    h.U32(tr.BlockedSince);
    h.Bytes(tr.Reserved336, sizeof(tr.Reserved336));
    h.U8(tr.Owner);
    h.U8(tr.Reversed);
    h.U8(tr.State);
    h.U8(tr.Reserved351);
  }
}

void Queue(THashWriter& h) {
  const TCommandQueue& q = CommandQueue;
  h.U32(q.Delay);
  h.U8(q.Sequence);
  for (const TCommandSlot& slot : q.Slots) {
    h.U8(slot.Player);
    h.U8(slot.Sequence);
    h.U16(slot.Command);
    h.U32(slot.DueTick);
    h.Bytes(&slot.Payload, sizeof(slot.Payload));
  }
}

void Maps(THashWriter& h) {
  for (int x = 0; x < kMapSize; ++x) {
    for (int z = 0; z < kMapSize; ++z) h.U16(static_cast<uint16_t>(HeightMap[x][z]));
    h.Bytes(GroundMap[x], kMapSize);
    h.Bytes(WaterMap[x], kMapSize);
    h.Bytes(CellFlags[x], kMapSize);
    h.Bytes(ShadingMap[x], kMapSize);
  }
}

#undef HASH_EACH

}  // namespace

void RegisterWorldPart(const TWorldPart& part) {
  for (TWorldPart& p : Parts()) {
    if (std::strcmp(p.Name, part.Name) == 0) {
      p = part;
      return;
    }
  }
  Parts().push_back(part);
}

bool ResetSimulationWorld(uint32_t seed) {
  g_clock = kClockStart;
  platform::SetTickSource(SimulationClock);
  ResetWorldState();
  if (!ArrayerReady() && !ArrayerInit()) return false;
  ArrayerReset();
  ResetNews();
  ResetNewspaper();
  ResetBankMessage();
  InstallEconomyServices();
  InstallNetworkServices();
  InitWayConstruction();
  ResetCommandQueue();
  for (const TWorldPart& p : Parts())
    if (p.Reset) p.Reset();
  RandSeed = seed;
  return true;
}

uint64_t WorldStateHash() {
  THashWriter h;
  Calendar(h);
  WeatherState(h);
  PlayersAndTowns(h);
  Store(h);
  Pools(h);
  Queue(h);
  for (const TWorldPart& p : Parts()) {
    h.Bytes(p.Name, std::strlen(p.Name));
    if (p.Hash) p.Hash(h);
  }
  Maps(h);
  return h.Value();
}

std::string WorldStateHashText() {
  char text[17];
  std::snprintf(text, sizeof(text), "%016llx", static_cast<unsigned long long>(WorldStateHash()));
  return text;
}
