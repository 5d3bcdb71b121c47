// Vehicle sounds: the state of moving vehicles turned into sound channels. The train logic calls
// UpdateVehicleSound for one vehicle of a train at a time, with event 0 for the regular update
// while the train moves and 1 to 5 for single events. Each vehicle keeps one engine sound on the
// owner pair (vehicle, 0), chosen and pitched by its type's sound kind; each train keeps one sound
// (train, 98) at its vehicle nearest to the camera. A vehicle beyond hearing distance of the local
// player's camera, a train in a depot, and all vehicles while sound is off lose their channels.
//
// Owner pairs: (V, 0) engine, (V, 99) the next sample chained to a steam engine's current one,
// (T, 98) the train's nearest-vehicle sound, (V, 1), (V, 2), (V, 70), (V, 98) and
// (kVehicleEventOwner, V), (kVehicleEventOwner2, V) event sounds. Owner A kReservedSoundOwner
// keeps its channels through the switch-off sweep while the sound option is on.
#pragma once

#include <cstdint>

#include "engine/base/types.h"
#include "engine/base/worldstate.h"
#include "engine/world/records.h"

constexpr uint32_t kVehicleEventOwner = 0x7FFFFFB;
constexpr uint32_t kVehicleEventOwner2 = 0x7FFFFFA;
constexpr uint32_t kReservedSoundOwner = 0x7FFFFFE;

// Sound kinds of a vehicle type.
constexpr int32_t kSoundSteam = 0, kSoundCar = 1, kSoundDiesel = 2, kSoundFuturistic = 3;

extern int32_t SpeedSampleBase;       // first sample of the speed-indexed series of steam engines
extern int32_t NearestVehicleSample;  // the sample of the (train, 98) sound
extern uint32_t NearestSoundVehicle;  // the vehicle of the running train nearest to the camera
extern float NearestSoundDistance;    // its squared distance to the camera
extern TVector NearestSoundPosition;  // its position

// The unit start again: every global 0.
void InitSoundDB();

// Train T, its vehicle V. The per-tick caller passes the train's second speed value as A and its
// speed as Speed; events 1 and 2 pass 1.0 and 1.0, events 4 and 5 pass 0 and 0. The vehicle
// volume options apply only to the channels prepared here.
void UpdateVehicleSound(uint32_t train, TVehicle& vehicle, uint8_t event, float a, float speed);
// Releases every channel owned by a vehicle of the train, and the train's (T, 98) channel.
void StopVehicleSounds(uint32_t train);
// The speed less the change value of the highest gear whose from speed lies below it (gears from
// the last down to the first); the speed itself when there is none.
float SpeedStepOf(const TVehicleType& type, float speed);
