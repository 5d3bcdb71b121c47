#include "economy/step/ambientprocesses.h"

#include "economy/step/tick.h"
#include "economy/step/worldstate_hash.h"
#include "engine/base/worldstate.h"
#include "network/world/animals.h"
#include "network/world/citytraffic.h"

namespace {

// The animals in use, field by field; the free places behind them do not count.
void HashAnimals(THashWriter& h) {
  h.U32(AnimalCount);
  const uint32_t count = AnimalCount < kAnimalSlots ? AnimalCount : kAnimalSlots;
  for (uint32_t i = 1; i <= count; ++i) {
    const TAnimal a = Animals[i];
    const TPlacement p = a.Placement;
    for (float v : {p.X, p.Y, p.Z, p.Roll, p.Gier, p.Nick, a.RawPitch}) h.F32(v);
    h.Vec(a.Direction);
    h.Vec(a.Home);
    h.F32(a.Speed);
    h.U32(a.Animation);
    h.U32(a.AnimationLength);
    h.U8(a.Kind);
    h.F32(a.AnimationTime);
    h.U8(a.State);
    h.U8(a.TurnCounter);
    h.U8(a.TurnLimit);
    h.F32(a.TurnRate);
  }
}

// The car list with its target, and the flags that choose the cars' type.
void HashCityTraffic(THashWriter& h) {
  const TCarList& l = CarList;
  h.U16(l.Count);
  h.U16(l.Target);
  h.U32(l.LastTargetTick);
  const uint16_t count = l.Count < kMostCivilianCars ? l.Count : kMostCivilianCars;
  for (uint16_t k = 0; k < count; ++k) h.U32(l.Cars[k]);
  h.U16(GameFlags);
}

}  // namespace

void InstallAmbientProcesses() {
  step_hooks::MoveAnimals = MoveAnimals;
  step_hooks::UpdateCityTraffic = UpdateCityTraffic;
  RegisterWorldPart({"animals", ResetAnimals, HashAnimals});
  RegisterWorldPart({"city traffic", ResetCityTraffic, HashCityTraffic});
}
