#include "network/world/particles.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/random.h"
#include "engine/base/worldstate.h"

TParticle Particles[kParticleSlots];
int32_t HighestParticle = 0;
TVector ParticleCamera{};
uint8_t ParticlesOn = 0;
uint32_t ParticleUpdateCounts[3] = {};
uint32_t ParticleUpdateStart = 0;
uint32_t ParticleUpdateTime = 0;

namespace {

using LD = long double;

float F(LD x) { return static_cast<float>(x); }

// The first free slot after HighestParticle, wrapping from the last slot to the first; coming
// back to HighestParticle means the table is full (0). A slot above HighestParticle raises it.
int32_t TakeFreeSlot() {
  const int32_t high = std::clamp(HighestParticle, 0, kParticleSlots);
  for (int32_t k = 1; k <= kParticleSlots; ++k) {
    const int32_t slot = (high + k - 1) % kParticleSlots + 1;
    if (slot == high) break;
    if (Particles[slot - 1].Used != 0) continue;
    if (slot > HighestParticle) HighestParticle = slot;
    return slot;
  }
  return 0;
}

// A velocity component after a spin step: one that comes out at most 0.0001 from 0 becomes 0.001.
float Spun(float v, LD by) {
  const float out = F(LD(v) + by);
  return std::fabs(out) <= 0.0001f ? 0.001f : out;
}

void UpdateParticle(TParticle& p) {
  p.Life = F(LD(p.Life) - p.Decrement);
  if (p.Life <= 0.0f || p.TotalLife == 0.0f || p.Size == 0.0f || LD(p.TotalLife) - p.DriftStart == 0.0L) {
    p.Used = 0;
    return;
  }
  const float t = F(LD(p.Life) / p.TotalLife);

  if (p.Kind == kParticleMarker) {
    p.TotalLife = F(LD(p.TotalLife) + 0.4L);
    if (p.TotalLife > 100.0f) p.Used = 0;
    return;
  }
  if (p.Kind != kParticleSmoke) return;

  p.Alpha = F(LD(p.Life) * p.Life / p.TotalLife - (1.0L - t) * (0.06L - p.Fade) * 2.0L - (0.05L - p.Fade) * 20.0L);
  if (p.Alpha < 0.0f) {
    p.Alpha = 0.0f;
    p.Used = 0;
    return;
  }
  ++ParticleUpdateCounts[kParticleSmoke];

  p.Position.y = F(p.Position.y + (1.0L - (p.Lift - Random() / 10.0L)) * p.Rise * 10.0L * t);

  if (p.Life <= p.MoveLife) {
    const LD s = 10.0L * p.SpeedFactor * t;
    const TVector wind = Weather.ParticleDrift;
    const LD windScale = 10.0L * p.WindFactors[2];
    p.Position.x = F(p.Position.x + (p.Velocity.x * s + wind.x * windScale));
    p.Position.y = F(p.Position.y + (p.Velocity.y * s + wind.y * windScale));
    p.Position.z = F(p.Position.z + (p.Velocity.z * s + wind.z * windScale));
  }

  if (p.GrowthStart <= p.Life && p.Life <= p.GrowthEnd && LD(p.Growth) * 4.0L * p.StartSize > p.Size && t > 0.2L) {
    const LD g = LD(p.StartSize) * p.Fade * (1.0L - t) * p.Growth + 0.015L * p.Growth;
    p.Size = F(p.Size + g);
    p.Size2 = F(p.Size2 + g);
  }

  if (p.Life >= p.DriftStart) {
    LD by = 0.0L;
    if (p.DriftMode == 0) by = 10.0L;
    if (p.DriftMode == 1) by = (LD(p.Life) - p.DriftStart) * 10.0L / (LD(p.TotalLife) - p.DriftStart);
    if (p.DriftMode <= 1) {
      p.Position.x = F(p.Position.x + p.Drift.x * by);
      p.Position.y = F(p.Position.y + p.Drift.y * by);
      p.Position.z = F(p.Position.z + p.Drift.z * by);
    }
  }

  if (p.Spin != 0.0f) {
    const LD r = p.SpinFlags[0] != 0 ? LD(Random(2) - 1) : Random();
    const LD by = p.Spin * r;
    if (p.SpinFlags[1] != 0) p.Velocity.x = Spun(p.Velocity.x, by);
    if (p.SpinFlags[2] != 0) p.Velocity.y = Spun(p.Velocity.y, by);
    if (p.SpinFlags[3] != 0) p.Velocity.z = Spun(p.Velocity.z, by);
  }
}

}  // namespace

int32_t EmitParticle(int32_t Count, uint32_t Texture, const TVector& Velocity, float X, float Y, float Z, float Size,
                     float Size2, float Lift, float Life, float Decrement, float Growth, float Rise, float SpeedFactor,
                     float Fade, const TVector& Drift, float DriftStart, float MoveLife, float GrowthEnd,
                     uint8_t DriftMode, uint8_t Red, uint8_t Green, uint8_t Blue) {
  if (ParticlesOn == 0) return -1;
  const LD range = LD(ViewRange) * 100.0L;
  const LD dx = LD(X) - ParticleCamera.x;
  const LD dz = LD(Z) - ParticleCamera.z;
  if (!(dx * dx + dz * dz <= range * range * 1.2L)) return -1;
  const int32_t slot = TakeFreeSlot();
  if (slot == 0) return 0;

  TParticle& p = Particles[slot - 1];
  p.Kind = kParticleSmoke;
  p.Used = 1;
  p.Position = TVector{X, Y, Z};
  p.StartHeight = Y;
  p.Size = Size;
  p.StartSize = Size;
  p.Size2 = Size2;
  p.Texture = Texture;
  p.Life = Life;
  p.TotalLife = F(LD(Life) + LD(Random(RoundToInt(LD(Life) * 10.0L))) / 100.0L);
  p.Decrement = Decrement;
  p.Lift = Lift;
  p.Velocity = Velocity;
  p.Rise = Rise;
  p.SpeedFactor = SpeedFactor;
  p.Fade = Fade;
  p.Growth = Growth;
  p.Drift = Drift;
  p.DriftStart = DriftStart;
  p.GrowthEnd = GrowthEnd;
  p.MoveLife = MoveLife;
  p.DriftMode = DriftMode;
  p.Spin = 0.0f;
  p.WindFactors[0] = p.WindFactors[1] = p.WindFactors[2] = 1.0f;
  p.Colour[0] = Red;
  p.Colour[1] = Green;
  p.Colour[2] = Blue;
  // GrowthStart and the spin flags stay as the slot had them; SmokePuff sets the growth start.
  for (int32_t i = 0; i < Count; ++i) UpdateParticle(p);
  return slot;
}

int32_t NewParticle(uint32_t Value, float X, float Y, float Z) {
  if (ParticlesOn == 0 || RunMode != 2) return -1;
  const int32_t slot = TakeFreeSlot();
  if (slot == 0) return 0;
  TParticle& p = Particles[slot - 1];
  p.Kind = kParticleMarker;
  p.Used = 1;
  p.Life = 100.0f;
  p.Decrement = -1.0f;
  p.TotalLife = 0.1f;
  p.DriftStart = 0.0f;
  p.Size = 1000.0f;
  p.Position = TVector{X, Y, Z};
  p.Value = Value;
  p.WindFactors[2] = 1.0f;
  return slot;
}

int32_t SmokePuff(int32_t Count, uint8_t Intensity, uint32_t Texture, uint8_t Red, uint8_t Green, uint8_t Blue,
                  int32_t Puffs, float Rate, float X, float Y, float Z) {
  if (ParticlesOn == 0) return -1;
  const LD rise = Intensity == 100 ? 0.16L : LD(100 - Intensity) / 100.0L * 0.1L + 0.16L;
  // A weak source puffs only now and then: the draw is made whatever the intensity.
  const int32_t n = Intensity / 5;
  if (Random(10 - n) != 0 && Intensity < 51) return -1;
  if (Puffs < 1) return -1;
  int32_t last = -1;
  for (int32_t i = 0; i < Puffs; ++i) {
    const LD l = LD(Random(75) + 75) / 100.0L;
    TVector velocity{};
    velocity.x = F(Random() / 5.0L);
    velocity.z = F(Random() / 5.0L);
    const int32_t slot =
        EmitParticle(Count, Texture, velocity, X, Y, Z, F(1.3L * l), F(1.3L * l), F(l / 8.0L), 1.0f, Rate, 4.0f, F(rise),
                     0.5f, 0.04f, TVector{0.0f, 0.2f, 0.0f}, 0.94f, 0.94f, 1.0f, 1, Red, Green, Blue);
    if (slot <= 0) break;
    Particles[slot - 1].GrowthStart = 0.7f;
    last = slot;
  }
  return last;
}

void EmitSmoke(int32_t Count, const TVector& Position, float Value, float Reference) {
  static constexpr uint8_t kGreys[6] = {200, 170, 150, 160, 180, 190};
  if (ParticlesOn == 0) return;
  if (LocalPlayer <= 10) {
    const TPlacement camera = Players[LocalPlayer].Camera;
    ParticleCamera = TVector{camera.X, camera.Y, camera.Z};
  }
  const auto intensity = static_cast<uint8_t>(TruncExtended(LD(Value) / Reference * 100.0L));
  const uint8_t grey = kGreys[Random(6)];
  SmokePuff(Count, intensity, StandardTextures[kSmokeTextureEntry], grey, grey, grey, 1, 0.006f, Position.x,
            Position.y, Position.z);
}

void UpdateParticles() {
  if (ParticlesOn == 0) return;
  Randomize();
  std::fill(std::begin(ParticleUpdateCounts), std::end(ParticleUpdateCounts), 0u);
  ParticleUpdateStart = SYS_GetTicks();
  if (HighestParticle < 1) {
    HighestParticle = 0;
    return;
  }
  const int32_t top = std::min(HighestParticle, kParticleSlots);
  int32_t high = 0;
  for (int32_t slot = 1; slot <= top; ++slot) {
    TParticle& p = Particles[slot - 1];
    if (p.Used == 0) continue;
    high = slot;
    UpdateParticle(p);
  }
  HighestParticle = high;
  ParticleUpdateTime = SYS_GetTicks() - ParticleUpdateStart;
}

void ClearParticles() {
  std::memset(static_cast<void*>(Particles), 0, sizeof(Particles));
  HighestParticle = 0;
}

void ResetParticles() {
  ClearParticles();
  ParticlesOn = 0;
  ParticleCamera = TVector{};
  std::fill(std::begin(ParticleUpdateCounts), std::end(ParticleUpdateCounts), 0u);
  ParticleUpdateStart = 0;
  ParticleUpdateTime = 0;
}
