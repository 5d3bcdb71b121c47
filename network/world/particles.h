// Short-lived particles: smoke puffs of steam vehicles and the rising revenue markers of stations.
// Emitters fill a fixed table of 9000 slots; the simulation step advances the table every second
// tick, and a particle ends when its life or its visibility runs out. Everything is switched by
// ParticlesOn: while it is 0 every routine returns at once and the emitters answer -1. Drawing the
// particles is the renderer's business.
#pragma once

#include <cstdint>

#include "engine/base/types.h"

constexpr int32_t kParticleSlots = 9000;

// Particle kinds.
constexpr uint8_t kParticleSmoke = 0;
constexpr uint8_t kParticleMarker = 1;

// The StandardTextures entry of the smoke texture.
constexpr int kSmokeTextureEntry = 7;

// TVector is packed; the vectors here are kept aligned so that their floats may be used in place.
struct TParticle {
  uint8_t Kind;  // kParticleSmoke or kParticleMarker
  uint8_t Used;  // 0 free
  alignas(4) TVector Position;
  float Size, Size2;  // current sizes; both grow together
  float StartSize;    // size at emission
  float StartHeight;  // y at emission
  float Lift;         // random part of the rise
  uint32_t Texture;
  float Alpha;       // visibility, recomputed at each update
  float Life;        // remaining life
  float TotalLife;   // life at emission plus a random part
  float Decrement;   // life lost per update
  alignas(4) TVector Velocity;  // direction of motion
  float Rise;
  float SpeedFactor;  // of the motion along Velocity
  float Fade;
  float Growth;
  alignas(4) TVector Drift;     // constant drift
  float DriftStart;  // drift applies while Life >= DriftStart
  uint8_t DriftMode;  // 0 constant drift, 1 drift fading with life
  float GrowthEnd;   // growth applies while Life <= GrowthEnd
  float MoveLife;    // motion applies while Life <= MoveLife
  float Spin;        // random change of the velocity per update; 0 none
  // [0]: draw the spin as -1 or 0 in place of a fraction; [1..3]: spin x, y, z.
  uint8_t SpinFlags[4];
  float GrowthStart;  // growth applies while Life >= GrowthStart
  uint32_t Value;     // the amount a marker shows
  float WindFactors[3];  // 1.0 at emission; the third scales the wind
  uint8_t Colour[3];     // red, green, blue
};

// The table, slot n at Particles[n - 1].
extern TParticle Particles[kParticleSlots];
// The highest slot that may be in use; the search for a free slot starts after it.
extern int32_t HighestParticle;
// The camera position of the emission range.
extern TVector ParticleCamera;
// The switch of the whole unit; nothing in the game sets it.
extern uint8_t ParticlesOn;
// Statistics of the last update pass: particles updated by kind, its start tick and its length in
// milliseconds.
extern uint32_t ParticleUpdateCounts[3];
extern uint32_t ParticleUpdateStart;
extern uint32_t ParticleUpdateTime;

// Starts a smoke-like particle (kind 0) at (X, Y, Z) when it lies within the view range of the
// camera on the ground plane, and advances it Count times at once. Its slot; 0 when the table is
// full; -1 when switched off or out of range.
int32_t EmitParticle(int32_t Count, uint32_t Texture, const TVector& Velocity, float X, float Y, float Z, float Size,
                     float Size2, float Lift, float Life, float Decrement, float Growth, float Rise, float SpeedFactor,
                     float Fade, const TVector& Drift, float DriftStart, float MoveLife, float GrowthEnd,
                     uint8_t DriftMode, uint8_t Red, uint8_t Green, uint8_t Blue);
// A rising marker (kind 1) showing Value, only while RunMode is 2 (else -1). Its slot, 0 when full.
int32_t NewParticle(uint32_t Value, float X, float Y, float Z);
// Up to Puffs smoke particles; a weak source (Intensity below 51) puffs only now and then. The last
// slot started, -1 when none was.
int32_t SmokePuff(int32_t Count, uint8_t Intensity, uint32_t Texture, uint8_t Red, uint8_t Green, uint8_t Blue,
                  int32_t Puffs, float Rate, float X, float Y, float Z);
// One grey puff of a vehicle at Position, as strong as Value is of Reference; the camera is the
// local player's.
void EmitSmoke(int32_t Count, const TVector& Position, float Value, float Reference);
// Advances every used slot up to HighestParticle once; the simulation step runs it every second
// tick. It reseeds the random generator from the clock first.
void UpdateParticles();
// Every slot free and empty; HighestParticle 0.
void ClearParticles();
// The unit's start state: the table cleared, the switch off, camera and statistics zero.
void ResetParticles();
