#include "network/vehicles/sounds.h"

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/sound/samples.h"
#include "engine/store/trainpool.h"
#include "engine/world/vehicle.h"

int32_t SpeedSampleBase = 0;
int32_t NearestVehicleSample = 0;
uint32_t NearestSoundVehicle = 0;
float NearestSoundDistance = 0.0f;
TVector NearestSoundPosition{};

namespace {

using LD = long double;

constexpr int kOptionSound = 17;
constexpr uint32_t kEngine = 0, kChained = 99, kNearest = 98;
constexpr uint32_t kEventA = 1, kEventB = 2, kHorn = 70, kCarEvent = 98;
constexpr float kStill = 0.1f;
constexpr uint32_t kLowestFrequency = 11025, kHighestFrequency = 441000;
const TVector kNoVelocity{0, 0, 0};

// UseVehicleVolume is set while the routine runs and cleared on every way out.
struct VehicleVolume {
  VehicleVolume() { UseVehicleVolume = 1; }
  ~VehicleVolume() { UseVehicleVolume = 0; }
};

TVector PositionOf(const TVehicle& v) { return {v.Placement.X, v.Placement.Y, v.Placement.Z}; }

int32_t Prepare(uint32_t a, uint32_t b, uint32_t sample, const TVector& at, bool loop = false) {
  return PrepareChannel(a, b, static_cast<int32_t>(sample), 0, at, kNoVelocity, 1.0f, loop);
}

// The pair's channel, or a new one with the sample; 0 or below when there is none.
int32_t FindOrPrepare(uint32_t a, uint32_t b, uint32_t sample, const TVector& at, bool loop) {
  const int32_t ch = FindChannel(a, b);
  return ch != 0 ? ch : Prepare(a, b, sample, at, loop);
}

uint32_t HeldFrequency(LD hz) {
  if (hz < kLowestFrequency) return kLowestFrequency;
  if (hz > kHighestFrequency) return kHighestFrequency;
  return static_cast<uint32_t>(hz);
}

void UpdateNearestVehicleSound(uint32_t train, const TVehicle& v, float d2) {
  const TTrain& t = TrainByIndex(train);
  if (t.Speed < kStill) {
    if (const int32_t ch = FindChannel(train, kNearest)) ReleaseChannel(ch);
    return;
  }
  if (v.Index == t.Vehicles[0]) {
    NearestSoundVehicle = 0;
    NearestSoundDistance = 1.0e18f;
    NearestSoundPosition = {0, 1.0e18f, 0};
  }
  if (d2 < NearestSoundDistance) {
    NearestSoundVehicle = v.Index;
    NearestSoundDistance = d2;
    NearestSoundPosition = PositionOf(v);
  }
  if (NearestSoundDistance < kHearingDistanceSquared) {
    const int32_t ch = FindOrPrepare(train, kNearest, static_cast<uint32_t>(NearestVehicleSample),
                                     NearestSoundPosition, false);
    if (ch > 0) {
      SoundChannels[ch].BaseVolume = t.Speed > 1.0f ? 0 : RoundToInt((LD(t.Speed) - 1.0L) * 1000.0L);
      UpdateChannel(ch, train, kNearest, NearestSoundPosition, kNoVelocity);
    }
  }
}

void SteamEngine(uint32_t train, const TVehicle& v, float speed, float d2) {
  if (speed < kStill) {
    StopVehicleSounds(train);
    return;
  }
  const uint32_t V = v.Index;
  const TVector at = PositionOf(v);
  const int32_t n = SpeedSampleBase + RoundToInt(LD(TrainByIndex(train).Speed) / 0.5L);
  int32_t c = FindChannel(V, kEngine);
  if (c == 0) {
    if (const int32_t chained = FindChannel(V, kChained)) SoundChannels[chained].OwnerB = kEngine;
    c = FindChannel(V, kEngine);
  }
  if (c == 0) {
    Prepare(V, kEngine, static_cast<uint32_t>(n), at);
  } else if (SoundChannels[c].SampleNo != n && SoundChannels[c].FirstPart) {
    EndChannelLoop(c, V, kEngine);
  } else {
    UpdateChannel(c, V, kEngine, at, kNoVelocity);
  }
  c = FindChannel(V, kEngine);
  if (c > 0 && !SoundChannels[c].FirstPart && FindChannel(V, kChained) == 0 && SoundChannels[c].Sample) {
    const TQzsSample& s = *SoundChannels[c].Sample;
    const uint32_t cursor = ChannelPlayCursor(c);
    const uint32_t remaining = s.BufferBytes > cursor ? s.BufferBytes - cursor : 0;
    const uint32_t lead = static_cast<uint32_t>(uint64_t{s.BytesPerSecond} * 200 / 1000);
    if (remaining < lead) {
      const int32_t next = Prepare(V, kChained, static_cast<uint32_t>(n), at);
      if (next > 0) {
        StartChannel(next, true);
        SeekChannel(SoundChannels[next], lead - remaining);
      }
    }
  }
  UpdateNearestVehicleSound(train, v, d2);
}

void Car(const TVehicle& v, const TVehicleType& type, float speed) {
  const uint32_t V = v.Index;
  if (FindChannel(kVehicleEventOwner, V) != 0) return;
  const int32_t c = FindOrPrepare(V, kEngine, VehicleTypeSound(type, 6), PositionOf(v), true);
  if (c <= 0) return;
  TQzsChannel& ch = SoundChannels[c];
  const LD rate = ch.Sample ? ch.Sample->SampleRate : 0;
  const LD r = SpeedStepOf(type, speed);
  const int32_t hz = RoundToInt(r * rate / 2.0L + rate);
  SetChannelFrequency(c, hz > 0 ? static_cast<uint32_t>(hz) : 0);
  if (ch.Sample) {
    const uint32_t half = ch.Sample->BufferBytes / 2;
    const uint32_t cursor = ChannelPlayCursor(c);
    if (cursor > half) SeekChannel(ch, cursor - half);
  }
  UpdateChannel(c, V, kEngine, PositionOf(v), kNoVelocity);
}

void Diesel(uint32_t train, const TVehicle& v, const TVehicleType& type, float a, float d2) {
  const uint32_t V = v.Index;
  const TVector at = PositionOf(v);
  const uint32_t sound1 = VehicleTypeSound(type, 1);
  // One start sound at a time: a train standing still asks for it on every update.
  if (a < kStill && sound1 != 0 && FindChannel(V, kEventA) == 0) Prepare(V, kEventA, sound1, at);
  const int32_t c = FindOrPrepare(V, kEngine, VehicleTypeSound(type, 6), at, false);
  if (c > 0) UpdateChannel(c, V, kEngine, at, kNoVelocity);
  UpdateNearestVehicleSound(train, v, d2);
}

void Futuristic(uint32_t train, const TVehicle& v, const TVehicleType& type, float a, float speed, float d2) {
  const uint32_t V = v.Index;
  const TVector at = PositionOf(v);
  const uint32_t sound1 = VehicleTypeSound(type, 1);
  if (a < kStill && FindChannel(V, kHorn) == 0 && sound1 != 0) Prepare(V, kHorn, sound1, at);
  const int32_t c = FindOrPrepare(V, kEngine, VehicleTypeSound(type, 6), at, false);
  if (c > 0) {
    TQzsChannel& ch = SoundChannels[c];
    ch.BaseVolume = speed >= 3.0f ? 0 : RoundToInt(-(3.0L - speed) * 500.0L);
    UpdateChannel(c, V, kEngine, at, kNoVelocity);
    LD f = (LD(TrainByIndex(train).Speed) - VehicleTypePitchBase(type)) * VehicleTypePitchSlope(type) / 2.0L + 1.0L;
    if (f < VehicleTypePitchMin(type)) f = VehicleTypePitchMin(type);
    if (f > VehicleTypePitchMax(type)) f = VehicleTypePitchMax(type);
    const LD rate = ch.Sample ? ch.Sample->SampleRate : 0;
    SetChannelFrequency(c, HeldFrequency(RoundToInt(rate * f)));
  }
  UpdateNearestVehicleSound(train, v, d2);
}

void Event(const TVehicle& v, const TVehicleType& type, int32_t kind, uint8_t event) {
  const uint32_t V = v.Index;
  const TVector at = PositionOf(v);
  const auto sound = [&](int k) { return VehicleTypeSound(type, k); };
  const auto play = [&](uint32_t a, uint32_t b, uint32_t sample) {
    if (sample != 0) Prepare(a, b, sample, at);
  };
  const bool ownPairs = kind == kSoundDiesel || kind == kSoundFuturistic;
  switch (event) {
    case 1:
      ownPairs ? play(V, kEventA, sound(1)) : play(kVehicleEventOwner, V, sound(1));
      break;
    case 2:
      if (sound(1) == 0) break;
      ownPairs ? play(V, kEventA, sound(2)) : play(kVehicleEventOwner, V, sound(2));
      break;
    case 3:
      if (sound(1) == 0) break;
      play(V, kind == kSoundCar ? kCarEvent : kEventA, sound(4));
      break;
    case 4:
      play(kVehicleEventOwner2, V, sound(5));
      break;
    case 5:
      play(V, kEventB, sound(3));
      break;
    default:
      break;
  }
}

struct SoundDBStart {
  SoundDBStart() {
    SYS_DebugOut("Initializing SoundDB...");
    InitSoundDB();
  }
} g_soundDBStart;

}  // namespace

void InitSoundDB() {
  SpeedSampleBase = 0;
  NearestVehicleSample = 0;
  NearestSoundVehicle = 0;
  NearestSoundDistance = 0.0f;
  NearestSoundPosition = {};
}

float SpeedStepOf(const TVehicleType& type, float speed) {
  for (int g = VehicleTypeGearCount(type); g >= 1; --g) {
    float from, change;
    VehicleTypeGear(type, g, from, change);
    if (from < speed) return static_cast<float>(LD(speed) - change);
  }
  return speed;
}

void StopVehicleSounds(uint32_t train) {
  if (!IsTrainUsed(train)) return;
  const TTrain& t = TrainByIndex(train);
  const int count = t.VehicleCount < kTrainMaxVehicles ? t.VehicleCount : kTrainMaxVehicles;
  for (int k = 0; k < count; ++k) {
    for (int32_t ch = 1; ch <= MaxSoundChannel; ++ch) {
      const TQzsChannel& c = SoundChannels[ch];
      if (c.OwnerA == t.Vehicles[k] || (c.OwnerA == train && c.OwnerB == kNearest)) ReleaseChannel(ch);
    }
  }
}

void UpdateVehicleSound(uint32_t train, TVehicle& vehicle, uint8_t event, float a, float speed) {
  const VehicleVolume volume;
  if (!IsTrainUsed(train)) return;
  if (TrainByIndex(train).State == kTrainInDepot) {
    StopVehicleSounds(train);
    return;
  }
  const bool soundOn = GameOptions[kOptionSound] != 0;
  if (RunMode != 2 || !soundOn) {
    for (int32_t ch = 1; ch <= MaxSoundChannel; ++ch)
      if (!(SoundChannels[ch].OwnerA == kReservedSoundOwner && soundOn)) ReleaseChannel(ch);
    return;
  }
  TVector camera{}, d;
  if (LocalPlayer >= 1 && LocalPlayer <= 10) {
    const TPlacement& cam = Players[LocalPlayer].Camera;
    camera = {cam.X, cam.Y, cam.Z};
  }
  VecSub(PositionOf(vehicle), camera, d);
  const float d2 = static_cast<float>(LD(d.x) * d.x + LD(d.y) * d.y + LD(d.z) * d.z);
  if (d2 > kHearingDistanceSquared) {
    for (int32_t ch = 1; ch <= MaxSoundChannel; ++ch) {
      const TQzsChannel& c = SoundChannels[ch];
      if (c.Started && (c.OwnerA == train || c.OwnerA == vehicle.Index)) ReleaseChannel(ch);
    }
    return;
  }
  if (vehicle.VehicleType == 0 || vehicle.VehicleType > 255) return;
  const TVehicleType& type = VehicleTypes[vehicle.VehicleType];
  const int32_t kind = VehicleTypeSoundKind(type);
  if (kind < kSoundSteam || kind > kSoundFuturistic || event > 5) return;
  if (event != 0) {
    Event(vehicle, type, kind, event);
    return;
  }
  if (VehicleTypeSound(type, 6) == 0) return;
  switch (kind) {
    case kSoundSteam:
      SteamEngine(train, vehicle, speed, d2);
      break;
    case kSoundCar:
      Car(vehicle, type, speed);
      break;
    case kSoundDiesel:
      Diesel(train, vehicle, type, a, d2);
      break;
    default:
      Futuristic(train, vehicle, type, a, speed, d2);
      break;
  }
}
