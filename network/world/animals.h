// The animals that liven the landscape: circling animals (kind 0) that wander round a home point
// above the ground, ground animals (kinds 4 and 5) that walk on meadow near the viewer, and flyers
// (kind 6) that drift with the wind high above the terrain. MoveAnimals advances them all once per
// tick, removes those that leave their area and keeps five flyers in the world. Only flyers are
// made here; the world set-up brings the others, and the game's data fills the animal types.
#pragma once

#include <cstdint>

#include "engine/base/types.h"

constexpr uint32_t kAnimalSlots = 1000;
// Kinds.
constexpr uint8_t kAnimalCircling = 0, kAnimalGround = 4, kAnimalGround2 = 5, kAnimalFlyer = 6;
constexpr uint8_t kAnimalKinds = 7;  // AnimalTypes rows 0..6
// The flyers MoveAnimals keeps in the world.
constexpr int kFlyersKept = 5;
// A flyer keeps this high above the terrain, a circling animal at least this high.
constexpr float kFlyerAltitude = 1800.0f, kCirclingAltitude = 800.0f;
// A ground animal farther than this from the local player's camera (ground distance) is removed.
constexpr float kGroundAnimalReach = 12000.0f;
// The ground kind (meadow) that ground animals walk on.
constexpr uint8_t kGroundAnimalMeadow = 10;
// The actions an animal type can list.
constexpr int kAnimalActions = 10;

#pragma pack(push, 1)

// An animal (80 bytes).
struct TAnimal {
  TPlacement Placement;  // angles in degrees
  float RawPitch;        // ground animals: the pitch before smoothing
  TVector Direction;     // heading; for a circling animal its ground length is the speed
  TVector Home;          // circling animals: the point they return to
  float Speed;
  uint32_t Animation;        // the TMeshAni of the current action
  uint32_t AnimationLength;  // its frames
  uint8_t Kind;              // kAnimalCircling, kAnimalGround, kAnimalGround2, kAnimalFlyer
  uint8_t Pad65[3];
  float AnimationTime;
  uint8_t State;       // circling: behaviour 0..4; ground: 1 walking
  uint8_t TurnCounter; // circling animals
  uint8_t TurnLimit;   // circling animals
  uint8_t Pad75;
  float TurnRate;      // ground animals: radians per update
};
static_assert(sizeof(TAnimal) == 80);

// The row of an animal kind. Actions are numbered from 1: action r is Actions[r - 1].
struct TAnimalType {
  uint32_t MeshAni;      // the flyers' animation
  uint32_t ActionCount;  // at most kAnimalActions count
  uint32_t Actions[kAnimalActions];     // each a TMeshAni
  float ActionSpeeds[kAnimalActions];
  float BodyLength;
};
static_assert(sizeof(TAnimalType) == 92);

#pragma pack(pop)

// Animal n (1..AnimalCount) at Animals[n]; Animals[0] is not used.
extern TAnimal Animals[kAnimalSlots + 1];
extern uint32_t AnimalCount;
extern TAnimalType AnimalTypes[kAnimalKinds];

// One tick of every animal, then new flyers up to five. An animal of a kind other than 0, 4, 5
// and 6 stops the program ("Unknown viechtype!").
void MoveAnimals();
// The circling animal Index: its animation, its behaviour and its move.
void UpdateCirclingAnimal(uint32_t Index);
// Steers the circling animal A by Turn (its turn counter, signed) and moves it.
void SteerCirclingAnimal(TAnimal& A, int32_t Turn);
// A's next behaviour (circling to either side, or straight on) and its turn limit, drawn from Seed.
void NewCirclingBehaviour(TAnimal& A, int32_t Seed);
// The ground animal and the flyer Index: false when it was removed.
bool UpdateGroundAnimal(uint32_t Index);
bool UpdateFlyer(uint32_t Index);
// Appends a flyer above (X, Z); nothing when the table is full.
void SpawnFlyer(float X, float Z);
// The last animal takes the place of Index and the count falls by 1 (nothing for an Index that is
// not in use).
void RemoveAnimal(uint32_t Index);
// No animals.
void ClearAnimals();
// The unit's start state: no animals, the records and the animal types zero.
void ResetAnimals();
// The frame count and the frame step of the stored animation Index; both 0 when the store holds none.
struct TAnimalAnimation {
  uint32_t Length;
  uint8_t FrameStep;
};
TAnimalAnimation AnimalAnimation(uint32_t Index);
