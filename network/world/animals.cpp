#include "network/world/animals.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/random.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/meshrecords.h"
#include "engine/world/records.h"
#include "network/world/terrain.h"

TAnimal Animals[kAnimalSlots + 1];
uint32_t AnimalCount = 0;
TAnimalType AnimalTypes[kAnimalKinds];

namespace {

using LD = long double;

constexpr LD kPi = 3.14159265358979323846L;
constexpr LD kRadToDeg = 57.29577951308232L;
// Ground animals stay within these map columns and rows (world / 100).
constexpr LD kGroundMapLow = 10.0L, kGroundMapHigh = 1010.0L;
// The flyers' area: the whole map.
constexpr float kFlyerAreaEnd = 102400.0f;
// The map vertices ground animals must not stand on besides water: building ground.
constexpr uint8_t kCellBuildingGround = 0x10;
// The search for meadow round a ground animal: 11 x 11 vertices.
constexpr int kMeadowReach = 5;
constexpr int kNoMeadow = 1000;

float F(LD x) { return static_cast<float>(x); }

// The animal count as far as the table holds.
uint32_t UsedAnimals() { return std::min(AnimalCount, kAnimalSlots); }

bool IsStoppingGround(uint8_t kind) { return kind == 0 || kind == 1 || kind == 3 || kind == 4; }

// Whether the ground animal at (x, z) (map units, within the inner map) may stay: its vertex is
// meadow, or not water nor building ground, and meadow lies within the 11 x 11 block round it.
bool GroundAnimalMayStay(LD mapX, LD mapZ) {
  const int vx = RoundToInt(mapX), vz = RoundToInt(mapZ);
  const uint8_t kind = GroundMap[vx][vz];
  if (kind != kGroundAnimalMeadow && (IsStoppingGround(kind) || (CellFlags[vx][vz] & kCellBuildingGround) != 0))
    return false;
  int nearest = kNoMeadow;
  for (int dx = -kMeadowReach; dx <= kMeadowReach; ++dx) {
    for (int dz = -kMeadowReach; dz <= kMeadowReach; ++dz) {
      if (GroundMap[vx + dx][vz + dz] == kGroundAnimalMeadow) nearest = std::min(nearest, std::abs(dx) + std::abs(dz));
    }
  }
  return nearest != kNoMeadow;
}

// The kind's row; a kind beyond the table reads an empty row.
TAnimalType TypeOfKind(uint8_t kind) { return kind < kAnimalKinds ? AnimalTypes[kind] : TAnimalType{}; }

}  // namespace

TAnimalAnimation AnimalAnimation(uint32_t index) {
  if (index == 0 || !ArrayerHolds(kTMeshAniDesc, index)) return {0, 0};
  static auto ani = std::make_unique<TMeshAni>();
  ani->A_Read(index);
  return {ani->FrameCount, ani->Spare};
}

void MoveAnimals() {
  if (AnimalCount > kAnimalSlots) AnimalCount = kAnimalSlots;
  int flyers = 0;
  uint32_t i = 1;
  while (i <= AnimalCount) {
    bool stays = true;
    switch (Animals[i].Kind) {
      case kAnimalCircling:
        UpdateCirclingAnimal(i);
        break;
      case kAnimalGround:
      case kAnimalGround2:
        stays = UpdateGroundAnimal(i);
        break;
      case kAnimalFlyer:
        ++flyers;
        stays = UpdateFlyer(i);
        break;
      default:
        SYS_BREAKPROGRAM("Unknown viechtype!");
    }
    // A removed animal's place holds the former last one now: it is updated next.
    if (stays) ++i;
  }
  RandSeed = GameTime * 45u;
  for (; flyers < kFlyersKept; ++flyers) {
    const float x = F(Random() * 1024.0L * 100.0L);
    const float z = F(Random() * 1024.0L * 100.0L);
    SpawnFlyer(x, z);
  }
}

void SpawnFlyer(float X, float Z) {
  // Without an animation for flyers (no animal types loaded) there is no flyer to show.
  if (AnimalCount >= kAnimalSlots || AnimalTypes[kAnimalFlyer].MeshAni == 0) return;
  ++AnimalCount;
  TAnimal a{};
  a.Kind = kAnimalFlyer;
  a.AnimationTime = 0.0f;
  a.Animation = AnimalTypes[kAnimalFlyer].MeshAni;
  a.Placement = TPlacement{X, F(LD(HeightAt(X, Z)) + kFlyerAltitude), Z, 0.0f, 0.0f, 0.0f};
  a.AnimationLength = AnimalAnimation(a.Animation).Length;
  Animals[AnimalCount] = a;
}

bool UpdateFlyer(uint32_t index) {
  TAnimal a = Animals[index];
  TVector wind = Weather.ParticleDrift;
  Normalize(wind);
  a.Direction = wind;
  TPlacement p = a.Placement;
  p.X = F(LD(p.X) + wind.x);
  p.Y = F(LD(p.Y) + wind.y);
  p.Z = F(LD(p.Z) + wind.z);
  if (!(p.X >= 0.0f && p.X <= kFlyerAreaEnd && p.Z >= 0.0f && p.Z <= kFlyerAreaEnd)) {
    RemoveAnimal(index);
    return false;
  }
  const LD h = LD(HeightAt(p.X, p.Z)) + kFlyerAltitude;
  if (p.Y >= h) {
    if (p.Y > h + 1.0L) p.Y = F(LD(p.Y) - 0.05L);
  } else {
    p.Y = F(LD(p.Y) + 1.0L);
  }
  a.Placement = p;
  Animals[index] = a;
  return true;
}

void UpdateCirclingAnimal(uint32_t index) {
  TAnimal a = Animals[index];
  if (LD(a.AnimationLength) + 1.0L < a.AnimationTime) a.AnimationTime = 1.0f;
  if (a.AnimationTime > 1.001f) a.AnimationTime = F(LD(a.AnimationTime) + 0.5L);
  const int64_t seed64 = std::llabs(static_cast<int64_t>(GameTime) + static_cast<int64_t>(index) * 4 -
                                    static_cast<int64_t>(TruncToInt(a.Placement.X)));
  const auto seed = static_cast<int32_t>(static_cast<uint32_t>(seed64));
  const bool chance = HashRandom(seed, 100) == 2;
  uint8_t c = a.TurnCounter;
  int32_t turn = 0;
  switch (a.State) {
    case 0:
    case 2:
      if (c < a.TurnLimit) {
        ++c;
      } else if (chance) {
        a.State = static_cast<uint8_t>(a.State + 1);
      }
      turn = a.State <= 1 ? -c : c;
      break;
    case 1:
    case 3: {
      const bool left = a.State == 1;
      if (c > 0) {
        --c;
      } else {
        NewCirclingBehaviour(a, seed);
      }
      turn = left ? -c : c;
      break;
    }
    case 4:
      if (chance) NewCirclingBehaviour(a, seed);
      break;
    default:
      // A behaviour the animal cannot have: it takes a new one and goes straight on this tick.
      NewCirclingBehaviour(a, seed);
      break;
  }
  a.TurnCounter = c;
  SteerCirclingAnimal(a, turn);
  Animals[index] = a;
}

void NewCirclingBehaviour(TAnimal& a, int32_t seed) {
  static constexpr uint8_t kBehaviours[3] = {0, 2, 4};
  const int32_t k = HashRandom(seed, 3);
  if (k >= 0 && k < 3) a.State = kBehaviours[k];
  a.TurnLimit = static_cast<uint8_t>(HashRandom(static_cast<int32_t>(static_cast<uint32_t>(seed) + 1u), 255));
}

void SteerCirclingAnimal(TAnimal& a, int32_t turn) {
  TVector dir = a.Direction;
  if (turn != 0) {
    float s = 0, c = 0;
    SinCos(s, c, F(LD(turn) / 20000.0L));
    RotateY(dir, c, s);
  }
  TPlacement p = a.Placement;
  const TVector position{p.X, p.Y, p.Z};
  const TVector home = a.Home;
  TVector fromHome{};
  VecSub(position, home, fromHome);
  const float speed = VecDot(dir, fromHome) >= 0.0f ? 2.5f : 3.5f;
  // Only a direction with a ground part can be scaled to the speed.
  const LD ground = VecLengthXZ(dir);
  if (ground > 0.0L && std::isfinite(ground)) {
    dir.x = F(dir.x * (speed / ground));
    dir.z = F(dir.z * (speed / ground));
  }
  a.Speed = speed;
  a.Direction = dir;
  p.Gier = F((-kPi / 2.0L - Heading(dir)) * kRadToDeg);
  p.Nick = 0.0f;
  p.Roll = F(-45.0L * turn / 255.0L);
  p.X = F(LD(p.X) + dir.x);
  p.Y = F(LD(p.Y) + dir.y);
  p.Z = F(LD(p.Z) + dir.z);
  const LD g = LD(HeightAt(p.X, p.Z)) + kCirclingAltitude;
  if (g > p.Y) {
    if (a.AnimationTime < 1.001f) a.AnimationTime = F(LD(a.AnimationTime) + 0.5L);
    p.Y = F(g);
  } else {
    p.Y = F(LD(p.Y) - 1.0L);
  }
  a.Placement = p;
}

bool UpdateGroundAnimal(uint32_t index) {
  TAnimal a = Animals[index];
  TPlacement p = a.Placement;
  // Without a local player there is no viewer to walk near.
  if (LocalPlayer > 10) {
    RemoveAnimal(index);
    return false;
  }
  const TPlacement camera = Players[LocalPlayer].Camera;
  const LD dx = LD(p.X) - camera.X, dz = LD(p.Z) - camera.Z;
  if (!(std::sqrt(dx * dx + dz * dz) <= kGroundAnimalReach)) {
    RemoveAnimal(index);
    return false;
  }
  a.AnimationTime = F(LD(a.AnimationTime) + LD(AnimalAnimation(a.Animation).FrameStep) / 50.0L);
  const TAnimalType type = TypeOfKind(a.Kind);
  if (a.State == 1) {
    TVector dir = a.Direction;
    float s = 0, c = 0;
    SinCos(s, c, a.TurnRate);
    RotateY(dir, c, s);
    a.Direction = dir;
    p.X = F(LD(p.X) + LD(dir.x) * a.Speed);
    p.Y = F(LD(p.Y) + LD(dir.y) * a.Speed);
    p.Z = F(LD(p.Z) + LD(dir.z) * a.Speed);
    p.Y = HeightAt(p.X, p.Z);
    // The point the body length behind, on the ground there.
    TVector back{p.X, 0.0f, p.Z};
    const LD ground = VecLengthXZ(dir);
    if (ground > 0.0L && std::isfinite(ground)) {
      back.x = F(LD(p.X) - dir.x / ground * type.BodyLength);
      back.z = F(LD(p.Z) - dir.z / ground * type.BodyLength);
    }
    back.y = HeightAt(back.x, back.z);
    const TVector along{F(LD(p.X) - back.x), F(LD(p.Y) - back.y), F(LD(p.Z) - back.z)};
    a.RawPitch = F(-Pitch(along) / kPi * 180.0L);
    p.Nick = F(0.98L * p.Nick + 0.02L * a.RawPitch);
    p.Roll = 0.0f;
    p.Gier = F(-Heading(dir) / kPi * 180.0L - 270.0L);
    a.Placement = p;
    const LD mapX = LD(p.X) / 100.0L, mapZ = LD(p.Z) / 100.0L;
    const bool inside = mapX >= kGroundMapLow && mapX <= kGroundMapHigh && mapZ >= kGroundMapLow && mapZ <= kGroundMapHigh;
    if (!inside || !GroundAnimalMayStay(mapX, mapZ)) {
      RemoveAnimal(index);
      return false;
    }
  }
  if (LD(a.AnimationLength) < a.AnimationTime) {
    const uint32_t actions = std::min<uint32_t>(type.ActionCount, kAnimalActions);
    if (actions == 0) {
      // A kind without actions stands still.
      a.State = 0;
      a.AnimationTime = 0.0f;
    } else {
      a.State = 1;
      const uint32_t r = static_cast<uint32_t>(Random(5000)) % actions + 1;
      a.Animation = type.Actions[r - 1];
      a.Speed = type.ActionSpeeds[r - 1];
      a.AnimationLength = AnimalAnimation(a.Animation).Length;
      a.AnimationTime = 0.0f;
      const auto seed = static_cast<int32_t>(GameTime * 5u + index * 100u);
      a.TurnRate = F(LD(HashRandom(seed, 1000000)) / 1000000.0L * 2.0L * kPi / 5000.0L);
    }
  }
  Animals[index] = a;
  return true;
}

void RemoveAnimal(uint32_t index) {
  const uint32_t count = UsedAnimals();
  if (count == 0 || index == 0 || index > count) return;
  Animals[index] = Animals[count];
  Animals[count] = TAnimal{};
  AnimalCount = count - 1;
}

void ClearAnimals() { AnimalCount = 0; }

void ResetAnimals() {
  ClearAnimals();
  std::fill(std::begin(Animals), std::end(Animals), TAnimal{});
  std::fill(std::begin(AnimalTypes), std::end(AnimalTypes), TAnimalType{});
}
