#include "economy/step/passengerprocesses.h"

#include "network/world/citytraffic.h"

#include "economy/step/tick.h"
#include "economy/step/worldstate_hash.h"
#include "economy/town/passengers.h"
#include "engine/world/hooks.h"

namespace {

void HashPsgrWay(THashWriter& h, const TPsgrWay p) {
  h.U32(p.Index);
  h.U32(p.PsgrRefCount);
  h.F32(p.PassengerspF);
  h.U32(p.PsgrEndStation);
  h.F32(p.gather);
  h.U8(p.Used);
  h.U8(p.PsgrStretchCounter);
  for (int k = 0; k < kPsgrWayStretchRoom; ++k) {
    const TPsgrStretch s = p.Stretches[k];
    h.U32(s.Station);
    h.F32(s.RideTime);
    h.U32(s.Schedule);
    h.U8(s.StopNumber);
  }
}

// Records are packed: vectors go by value.
void HashVec(THashWriter& h, TVector v) { h.Vec(v); }

void HashPassengers(THashWriter& h) {
  const TPsgrGenerator& g = PsgrGenerator;
  h.U32(g.Cursor);
  h.U32(g.NextDue);
  const TPsgrRouteBuilder& b = PsgrRouteBuilder;
  h.U32(b.Phase);
  h.U32(b.Tries);
  h.U32(b.OriginWay);
  HashVec(h, b.Origin);
  h.U8(b.OriginStationCount);
  for (int k = 0; k < kPsgrEndStations; ++k) {
    h.U32(b.OriginStations[k]);
    h.F32(b.OriginWalks[k]);
  }
  h.F32(b.CostWeight);
  h.F32(b.TimeWeight);
  for (int n = 0; n < kPsgrSlots; ++n) {
    const TPsgrSlot s = b.Slots[n];
    h.U8(s.Active);
    h.U8(s.StationCount);
    h.U32(s.WayCursor);
    HashVec(h, s.Position);
    for (int k = 0; k < kPsgrEndStations; ++k) {
      h.U32(s.Stations[k]);
      h.F32(s.Walks[k]);
    }
    h.F32(s.BestTime);
    h.I32(s.BestCost);
    HashPsgrWay(h, s.Route);
  }
  for (int n = 0; n < kPsgrSearchLevels; ++n) {
    const TPsgrSearchLevel l = b.Levels[n];
    h.F32(l.Time);
    h.I32(l.Cost);
    h.U32(l.Schedule);
    h.U32(l.StopCount);
    h.U8(l.StopNumber);
    h.U8(l.Transfers);
    h.F32(l.HopTime);
    h.U32(l.Station);
    h.U8(l.NextStretch);
  }
  h.U8(b.OriginStation);
  h.U8(b.Level);
  h.I32(b.Inhabitants);
}

}  // namespace

void InstallPassengerProcesses() {
  step_hooks::UpdatePassengerRoutes = [] { UpdatePassengerRoutes(PsgrRouteBuilder); };
  step_hooks::GeneratePassengers = [] { GeneratePassengers(PsgrGenerator); };
  world_hooks::AddStationStretches = AddStationStretches;
  // Town cars start on the street the route builder works on.
  citytraffic_hooks::OriginWay = [] { return PsgrRouteBuilder.OriginWay; };
  RegisterWorldPart({"passengers", ResetPassengers, HashPassengers});
}
