// The removal of a train with its path, vehicles, block occupation and schedule entry
// (TTrain::Destroy), and the services of the units above the engine that it calls.
#pragma once

#include <cstdint>

#include "engine/store/trainpool.h"
#include "engine/world/records.h"

// The services TTrain::Destroy calls; nothing is called while unset. PathDestroy and
// VehicleDestroyByIndex start at the engine's own TPath::Destroy and TVehicle::DestroyByIndex; the
// others belong to the units above the engine.
namespace train_hooks {
extern void (*PathDestroy)(const TPath& path);
extern void (*VehicleDestroyByIndex)(uint32_t vehicle, bool fromTrains);
extern void (*RemoveTrainFromAllBlocks)(uint32_t train);
extern void (*RemoveTrainFromStreetBlocks)(uint32_t train);
extern void (*RemoveTrainFromSchedule)(uint32_t train, uint32_t schedule);
extern void (*OnDestroyTrain)(uint32_t train);
}  // namespace train_hooks
