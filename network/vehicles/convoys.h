// Convoys: a train or road convoy (TTrain) and its vehicles (TVehicle, up to 12). How a convoy is
// set up, how vehicles are bought and join or leave it, how its power, weight and top speed follow
// from its vehicles, how its vehicles are placed one behind the other after its head has moved (with
// their engine sounds and smoke), how it reverses at a reverse node, and what it costs to run.
//
// The step works on one convoy at a time: PrepareTrain (network/vehicles/movement.h) reads its
// vehicles into the scratch record below, the movement changes them there, and PlaceTrainVehicles or
// WriteBackTrainVehicles stores them again.
#pragma once

#include <cstdint>

#include "engine/base/types.h"
#include "engine/store/trainpool.h"
#include "engine/world/records.h"

// The convoy at hand this tick.
struct TConvoyScratch {
  TVehicle Vehicles[kTrainMaxVehicles];  // its vehicles as read at the start of the tick
  float NearestStop = 0;  // the nearest stopping distance seen this tick
  float TrainLength = 0;  // the three lengths of every vehicle's type, summed
  // Road 2, train 1, else 0; plus 4 when a vehicle type carries passengers or volume, plus 8 when
  // one carries weight.
  uint8_t ClassByte = 0;
};
extern TConvoyScratch ConvoyScratch;

// The service of the goods records that the convoys call. It starts at the least the convoys rely
// on; the economy installs its own, tests install recording ones.
namespace convoy_hooks {
// The weight of a goods batch (its goods type's weight per unit times its amount). Default: 0.
extern uint32_t (*GoodWeight)(uint32_t good);
// The hook above back to its default.
void InstallDefaults();
}  // namespace convoy_hooks

// The smoke switch of the game options (on at start-up).
constexpr int kSmokeOption = 8;
// A vehicle's distance driven starts again at 1 above this.
constexpr float kMostDistanceDriven = 1000000.0f;

// T zero-filled with its index, kind, owner and state; its head at Node (its current node), not
// reversed, without schedule (route mode 4).
void InitTrain(TTrain& t, uint32_t node, uint32_t index, uint8_t kind, uint8_t state, uint8_t owner);
// A new vehicle of the type (1..255) stored as a new record: condition 1.0, on no node, not placed.
// With an owner its price is booked as a vehicle purchase of the type's kind and added to the
// owner's vehicle value of this year.
void InitVehicle(uint16_t type, uint8_t owner, TVehicle& v);
// V joins the end of T: T's tail is forgotten, its power recomputed, and T leaves its schedule. A
// thirteenth vehicle is refused with the warning "WARNING: Tried to add the 13. vehicle to the
// train".
void AddVehicleToTrain(TTrain& t, const TVehicle& v);
// A new vehicle of the type for T, owned by T's owner; false when T holds 12 already.
bool BuyVehicleForTrain(TTrain& t, uint16_t type);
// Takes the vehicle out of T (its last place in the list; the later ones move up) and recomputes
// T's power; T leaves its schedule, or is destroyed (TTrain::Destroy, mode 2) when no vehicle is
// left. A vehicle that is not in T changes nothing. The world records' hook.
void RemoveVehicleFromTrain(TTrain& t, uint32_t vehicle);
// T's power ratio (the sum of power / power scale; a type whose scale is 0 counts its power
// unscaled), its maximum speed (the least of its types', 1000 without vehicles) and its total
// weight (empty weights and goods).
void CalcTrainPower(TTrain& t);

// Places the scratch vehicles behind T's head, one after the other along the track (from the last
// vehicle when T is reversed), and stores them; the tail then follows its rear, with the node
// events of the nodes it leaves. Mode 0 in the simulation step (engine sounds and smoke), 1 during a
// dead-end turn (neither). The first vehicle that does not fit on the track and those behind it stay
// unplaced for this tick.
void PlaceTrainVehicles(TTrain& t, uint8_t mode);
// Stores the scratch vehicles unchanged in place (a convoy that did not move).
void WriteBackTrainVehicles(TTrain& t);
// T reverses at the reverse node: its other end becomes its head, which moves on past the node by
// the distance from the node to that end.
void ReverseTrain(TTrain& t, uint32_t node);

// The running costs of an owned convoy: once a month its vehicles' yearly costs / 12, and each
// tick it drives its costs per distance (Creep 3.0 while it creeps, else 0), which wear its vehicles.
// Revenue this year falls by them from game level 2 on.
void BookMonthlyCosts(TTrain& t);
void BookDistanceCosts(TTrain& t, float creep);
// At the first tick of a new year: last year's revenue := this year's, this year's := 0.
void ShiftTrainRevenue(TTrain& t);
