// Vehicle sounds on a real device (OpenAL's wave back end): which channels a train's vehicles keep,
// move and lose, and the rates the sound kinds play at.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include "engine/base/worldstate.h"
#include "engine/sound/samples.h"
#include "engine/store/trainpool.h"
#include "engine/world/vehicle.h"
#include "network/vehicles/sounds.h"
#include "platform/platform.h"
#include "tests/engine/store/store_fixture.h"
#include "tests/support/wave_backend.h"

namespace {

using testing_support::MakeTempFolder;
using testing_support::WriteFileBytes;

// Samples 1 to 6 at 22,050 samples a second, sample 7 at 44,100; two seconds each.
constexpr int32_t kFastSample = 7;

class VehicleSounds : public arrayer_testing::ArrayerTest {
 protected:
  void SetUp() override {
    ArrayerTest::SetUp();
    InitQzSound();
    InitSoundDB();
    oldDir_ = platform::CurrentDir();
    const std::string root = MakeTempFolder("vehsfx");
    std::filesystem::create_directories(root + "sfx");
    ASSERT_EQ(chdir(root.c_str()), 0);
    ASSERT_TRUE(OpenSoundSystem()) << "the wave back end did not open";
    for (int i = 1; i <= kFastSample; ++i) {
      const uint32_t rate = i == kFastSample ? 44100 : 22050;
      const std::string name = "s" + std::to_string(i) + ".wav";
      WriteFileBytes(root + "sfx/" + name, MakeWaveFile(1, rate, 16, wave_backend::Sine16(200, rate, 2.0, 0.1)));
      RegisterSample(i, name, 0, 0, false);
    }
    SetSoundListener({0, 0, 0}, {0, 0, 0}, {0, 0, 1}, {0, 1, 0});
    RunMode = 2;
    GameOptions[17] = 1;
    Players[LocalPlayer].Camera = {0, 0, 0, 0, 0, 0};
    NearestVehicleSample = 3;

    train_ = NewTrain();
    TTrain& t = TrainByIndex(train_);
    t.VBT_Type = kTrainRail;
    t.VehicleCount = 2;
    for (int k = 0; k < 2; ++k) {
      vehicles_[k] = TVehicle{};
      vehicles_[k].Index = 501 + static_cast<uint32_t>(k);
      vehicles_[k].VehicleType = 1;
      t.Vehicles[k] = vehicles_[k].Index;
    }
    t.Speed = 5.0f;
  }
  void TearDown() override {
    InitQzSound();
    ASSERT_EQ(chdir(oldDir_.c_str()), 0);
    ResetWorldState();
    ArrayerTest::TearDown();
  }
  static void SetKind(int32_t kind) {
    TVehicleType& type = VehicleTypes[1];
    type = TVehicleType{};
    SetVehicleTypeSoundKind(type, kind);
    for (int k = 1; k <= 6; ++k) SetVehicleTypeSound(type, k, static_cast<uint32_t>(k));
  }
  TVehicle& At(int k, float x) {
    vehicles_[k].Placement.X = x;
    return vehicles_[k];
  }
  void Update(int k, float a = 1.0f, uint8_t event = 0) {
    UpdateVehicleSound(train_, vehicles_[k], event, a, TrainByIndex(train_).Speed);
    ServiceSoundChannels();
  }
  static void ReleaseAll() {
    for (int i = 1; i <= kSoundChannelCount; ++i) ReleaseChannel(i);
  }
  static int Channels(uint32_t a, uint32_t b) {
    int n = 0;
    for (int i = 1; i <= kSoundChannelCount; ++i) {
      const TQzsChannel& c = SoundChannels[i];
      n += (c.Prepared || c.Started) && c.OwnerA == a && c.OwnerB == b;
    }
    return n;
  }
  uint32_t V(int k) const { return vehicles_[k].Index; }

  std::string oldDir_;
  uint32_t train_ = 0;
  TVehicle vehicles_[2];
};

TEST_F(VehicleSounds, AVehicleKeepsItsEngineWithinHearingAndLosesItBeyond) {
  SetKind(kSoundDiesel);
  At(0, 3999);
  Update(0);
  const int32_t ch = FindChannel(V(0), 0);
  ASSERT_GE(ch, 1);
  EXPECT_TRUE(SoundChannels[ch].Started);
  At(0, 3000);
  Update(0);
  EXPECT_EQ(FindChannel(V(0), 0), ch);
  EXPECT_NEAR(SoundChannels[ch].Position.x, 3000 * 0.03f, 1e-3);
  EXPECT_EQ(Channels(train_, 98), 1);
  At(0, 4001);
  Update(0);
  EXPECT_EQ(FindChannel(V(0), 0), 0);
  EXPECT_EQ(Channels(train_, 98), 0);  // owner A is the train
  EXPECT_EQ(UseVehicleVolume, 0);
}

TEST_F(VehicleSounds, ADepotAndSwitchedOffSoundReleaseTheirChannels) {
  SetKind(kSoundDiesel);
  Update(0);
  Update(1);
  EXPECT_EQ(Channels(V(0), 0) + Channels(V(1), 0) + Channels(train_, 98), 3);
  TrainByIndex(train_).State = 6;
  Update(0, 1.0f, 3);  // whatever the event
  EXPECT_EQ(Channels(V(0), 0) + Channels(V(1), 0) + Channels(train_, 98), 0);
  EXPECT_EQ(UseVehicleVolume, 0);

  // Outside the running game only the reserved owner keeps its channel, and only while sound is on.
  TrainByIndex(train_).State = 1;
  Update(0);
  ASSERT_GE(PrepareChannel(kReservedSoundOwner, 1, 1, 0, {0, 0, 0}, {0, 0, 0}, 1.0f, false), 1);
  RunMode = 1;
  Update(0);
  EXPECT_EQ(Channels(V(0), 0), 0);
  EXPECT_EQ(Channels(kReservedSoundOwner, 1), 1);
  RunMode = 2;
  GameOptions[17] = 0;
  Update(0);
  EXPECT_EQ(Channels(kReservedSoundOwner, 1), 0);
  EXPECT_EQ(UseVehicleVolume, 0);
}

TEST_F(VehicleSounds, StartSoundsAreNotRepeatedWhileOneIsPlaying) {
  for (const auto& [kind, key] : {std::pair{kSoundDiesel, 1u}, std::pair{kSoundFuturistic, 70u}}) {
    ReleaseAll();
    SetKind(kind);
    for (int i = 0; i < 5; ++i) Update(0, 0.0f);
    EXPECT_EQ(Channels(V(0), key), 1) << kind;
  }
}

TEST_F(VehicleSounds, TheSoundKindsSetTheirEnginesRate) {
  struct Case {
    int32_t kind;
    float speed;
    float pitchMin, pitchMax, pitchBase, pitchSlope;
    int32_t engineSample;
    uint32_t hz;
    int32_t baseVolume;
  };
  // Car: gears (from 0, change 0) and (from 20, change 15); r = 10 at 25 and at 10: 6 x the rate.
  // Futuristic: f = (speed - base) x slope / 2 + 1, held to min..max, the rate held to 11,025 and up.
  const Case cases[] = {
      {kSoundCar, 25, 0, 0, 0, 0, 6, 6 * 22050, 0},
      {kSoundCar, 10, 0, 0, 0, 0, 6, 6 * 22050, 0},
      {kSoundFuturistic, 2, 0.5f, 10, 0, -0.8f, kFastSample, 22050, -500},  // f 0.2 raised to 0.5
      {kSoundFuturistic, 2, 0, 10, 1, -1.5f, 6, 11025, -500},               // f 0.25: 5,512 raised
      {kSoundFuturistic, 5, 0, 1.2f, 1, 0.5f, 6, 26460, 0},                 // f 2.0 lowered to 1.2
      {kSoundFuturistic, 3, 0, 10, 2, 0.5f, 6, 27562, 0},                   // f 1.25: 27,562.5 to even
  };
  for (const Case& k : cases) {
    ReleaseAll();
    SetKind(k.kind);
    TVehicleType& type = VehicleTypes[1];
    SetVehicleTypeSound(type, 6, static_cast<uint32_t>(k.engineSample));
    const float gears[6][2] = {{0, 0}, {20, 15}};
    SetVehicleTypeGears(type, 2, gears);
    SetVehicleTypePitch(type, k.pitchMin, k.pitchMax, k.pitchBase, k.pitchSlope);
    TrainByIndex(train_).Speed = k.speed;
    Update(0);
    const int32_t ch = FindChannel(V(0), 0);
    ASSERT_GE(ch, 1) << k.kind << " " << k.speed;
    EXPECT_EQ(SoundChannels[ch].Frequency, k.hz) << k.kind << " " << k.speed;
    EXPECT_EQ(SoundChannels[ch].BaseVolume, k.baseVolume) << k.kind << " " << k.speed;
    EXPECT_EQ(SoundChannels[ch].Loop, k.kind == kSoundCar);
  }
}

TEST_F(VehicleSounds, TheTrainsSoundFollowsItsVehicleNearestToTheCamera) {
  SetKind(kSoundDiesel);
  At(0, 2000);
  At(1, 500);
  Update(0);
  Update(1);
  EXPECT_EQ(NearestSoundVehicle, V(1));
  const int32_t ch = FindChannel(train_, 98);
  ASSERT_GE(ch, 1);
  EXPECT_EQ(SoundChannels[ch].SampleNo, 3);
  EXPECT_NEAR(SoundChannels[ch].Position.x, 500 * 0.03f, 1e-3);
  // Slow: quieter; standing: gone.
  TrainByIndex(train_).Speed = 0.5f;
  Update(0);
  EXPECT_EQ(SoundChannels[ch].BaseVolume, -500);
  EXPECT_NEAR(SoundChannels[ch].Position.x, 2000 * 0.03f, 1e-3);  // a new round starts at the first vehicle
  TrainByIndex(train_).Speed = 0.05f;
  Update(1);
  EXPECT_EQ(Channels(train_, 98), 0);
}

TEST_F(VehicleSounds, EventsPlayTheirSoundOnTheirPairByKind) {
  struct Case {
    int32_t kind;
    uint8_t event;
    bool withSound1;
    uint32_t ownerA;  // 0: the vehicle
    uint32_t ownerB;  // ~0: the vehicle
    int32_t sample;   // 0: nothing is played
  };
  constexpr uint32_t kVehicle = ~0u;
  const Case cases[] = {
      {kSoundSteam, 1, true, kVehicleEventOwner, kVehicle, 1},
      {kSoundCar, 2, true, kVehicleEventOwner, kVehicle, 2},
      {kSoundCar, 2, false, 0, 0, 0},
      {kSoundSteam, 3, true, 0, 1, 4},
      {kSoundCar, 3, true, 0, 98, 4},
      {kSoundFuturistic, 1, true, 0, 1, 1},
      {kSoundDiesel, 2, true, 0, 1, 2},
      {kSoundDiesel, 3, false, 0, 0, 0},
      {kSoundDiesel, 4, false, kVehicleEventOwner2, kVehicle, 5},
      {kSoundFuturistic, 5, true, 0, 2, 3},
  };
  for (const Case& k : cases) {
    ReleaseAll();
    SetKind(k.kind);
    if (!k.withSound1) SetVehicleTypeSound(VehicleTypes[1], 1, 0);
    Update(0, 1.0f, k.event);
    int used = 0;
    for (int i = 1; i <= kSoundChannelCount; ++i) used += SoundChannels[i].Prepared || SoundChannels[i].Started;
    if (k.sample == 0) {
      EXPECT_EQ(used, 0) << k.kind << " " << int(k.event);
      continue;
    }
    EXPECT_EQ(used, 1) << k.kind << " " << int(k.event);
    const int32_t ch = FindChannel(k.ownerA ? k.ownerA : V(0), k.ownerB == kVehicle ? V(0) : k.ownerB);
    ASSERT_GE(ch, 1) << k.kind << " " << int(k.event);
    EXPECT_EQ(SoundChannels[ch].SampleNo, k.sample) << k.kind << " " << int(k.event);
  }
}

TEST_F(VehicleSounds, ASteamEnginePlaysTheSampleOfItsSpeedAndStopsWhenStanding) {
  SetKind(kSoundSteam);
  SpeedSampleBase = 1;
  TrainByIndex(train_).Speed = 1.0f;  // sample 1 + 1.0 / 0.5
  Update(0);
  const int32_t ch = FindChannel(V(0), 0);
  ASSERT_GE(ch, 1);
  EXPECT_EQ(SoundChannels[ch].SampleNo, 3);
  EXPECT_EQ(SoundChannels[ch].Loop, 0);
  EXPECT_EQ(Channels(train_, 98), 1);
  TrainByIndex(train_).Speed = 0.05f;
  Update(0);
  EXPECT_EQ(FindChannel(V(0), 0), 0);
  EXPECT_EQ(Channels(train_, 98), 0);
}

TEST(VehicleSoundSteps, TheGearBelowTheSpeedSetsItsStep) {
  TVehicleType type{};
  const float gears[6][2] = {{0, 0}, {20, 15}, {40, 30}};
  SetVehicleTypeGears(type, 3, gears);
  for (const auto& [speed, step] : {std::pair{25.0f, 10.0f}, std::pair{10.0f, 10.0f}, std::pair{45.0f, 15.0f},
                                    std::pair{20.0f, 20.0f}, std::pair{0.0f, 0.0f}}) {
    EXPECT_FLOAT_EQ(SpeedStepOf(type, speed), step) << speed;
  }
  SetVehicleTypeGears(type, 0, gears);
  EXPECT_FLOAT_EQ(SpeedStepOf(type, 25.0f), 25.0f);
}

}  // namespace
