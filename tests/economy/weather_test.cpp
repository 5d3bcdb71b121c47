#include <gtest/gtest.h>

#include <set>

#include "economy/weather/weather.h"
#include "engine/base/random.h"
#include "engine/base/worldstate.h"
#include "engine/gui/mousemode.h"

namespace {

// The weather record is packed: its 4-byte fields are compared by value (unary +), never bound to a reference.

// The start-up world (weather on, view range 74) at tick 1,000 with a fog base of 3.0.
class WeatherTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetWorldState();
    for (float& s : SkyScroll) s = 0.0f;
    GameTime = 1000;
    Weather.BaseLightFactor = 3.0f;
    RandSeed = 12345;
  }
  // A weather already past its first update, with its next change far ahead.
  static void Running(uint8_t state, uint8_t reached, float intensity, float step) {
    Weather.Kind = state;
    Weather.PreviousKind = reached;
    Weather.Intensity = intensity;
    Weather.IntensityStep = step;
    Weather.NextChange = static_cast<int32_t>(GameTime + 100000);
  }
};

TEST_F(WeatherTest, TheFirstUpdateOnlySchedulesAndSetsTheStartLook) {
  LandscapeDirty = 0;
  UpdateWeather();
  EXPECT_EQ(Weather.Kind, 0);
  EXPECT_EQ(Weather.PreviousKind, 0);
  EXPECT_EQ(+Weather.NextChange, 31000);
  EXPECT_FLOAT_EQ(Weather.Intensity, 0.0f);
  EXPECT_FLOAT_EQ(Weather.IntensityStep, 0.002f);  // the record had none
  EXPECT_FLOAT_EQ(Weather.AmbientCeiling, 0.666f);
  EXPECT_FLOAT_EQ(Weather.LightFactor, 3.0f);
  EXPECT_EQ(Weather.Byte2, 80);
  EXPECT_EQ(Weather.Raining, 0);
  EXPECT_FLOAT_EQ(Weather.ViewDistance1, 3700.0f);
  EXPECT_FLOAT_EQ(Weather.ViewDistance2, 7300.0f);
  EXPECT_EQ(LandscapeDirty, 0);
  EXPECT_EQ(RandSeed, 12345u);  // nothing drawn

  // A step the record has is kept.
  SetUp();
  Weather.IntensityStep = 0.01f;
  UpdateWeather();
  EXPECT_FLOAT_EQ(Weather.IntensityStep, 0.01f);
}

TEST_F(WeatherTest, TheStateChangesWhenItsTimeHasCome) {
  UpdateWeather();
  GameTime = 30999;
  UpdateWeather();
  EXPECT_EQ(Weather.Kind, 0);
  GameTime = 31000;
  UpdateWeather();
  ASSERT_TRUE(Weather.Kind == 2 || Weather.Kind == 3) << int(Weather.Kind);
  EXPECT_EQ(+Weather.NextChange, 31000 + (Weather.Kind == 2 ? 1500 : 6000));
  EXPECT_EQ(Weather.Raining, 1);
  EXPECT_FLOAT_EQ(Weather.Intensity, 0.002f);  // the rain builds from this update on
  EXPECT_EQ(LandscapeDirty, 1);
}

TEST_F(WeatherTest, ANewStateNeverRepeatsTheOld) {
  std::set<int> rainKinds;
  for (uint32_t seed = 1; seed <= 200; ++seed) {
    for (uint8_t old : {0, 2, 3}) {
      SetUp();
      RandSeed = seed;
      Running(old, old, old == 0 ? 0.0f : 1.0f, 0.002f);
      Weather.NextChange = static_cast<int32_t>(GameTime);
      UpdateWeather();
      if (old == 0) {
        EXPECT_TRUE(Weather.Kind == 2 || Weather.Kind == 3) << "seed " << seed;
        rainKinds.insert(Weather.Kind);
        EXPECT_EQ(+Weather.NextChange, static_cast<int32_t>(GameTime + (Weather.Kind == 2 ? 1500 : 6000)));
      } else {
        EXPECT_EQ(Weather.Kind, 0) << "seed " << seed << " old " << int(old);
        EXPECT_EQ(+Weather.NextChange, static_cast<int32_t>(GameTime + 30000));
      }
    }
  }
  EXPECT_EQ(rainKinds, (std::set<int>{2, 3}));
}

TEST_F(WeatherTest, LightFogAndSkyToneFollowTheIntensity) {
  struct Row {
    float intensity, light, fog;
    int tone;
  };
  const Row rows[] = {
      {0.0f, 0.666f, 3.0f, 80}, {0.5f, 0.601f, 5.0f, 55}, {0.25f, 0.6335f, 4.0f, 68},  // 12.5 rounds to even
      {1.0f, 0.536f, 7.0f, 30},
  };
  for (const Row& r : rows) {
    SetUp();
    Running(2, 0, r.intensity, 0.0f);  // aimed at rain, not yet reached, no step: the intensity holds
    UpdateWeather();
    EXPECT_FLOAT_EQ(Weather.Intensity, r.intensity);
    EXPECT_NEAR(Weather.AmbientCeiling, r.light, 1e-6f) << r.intensity;
    EXPECT_FLOAT_EQ(Weather.LightFactor, r.fog) << r.intensity;
    EXPECT_EQ(Weather.Byte2, r.tone) << r.intensity;
    EXPECT_EQ(Weather.Raining, 1);
  }
}

TEST_F(WeatherTest, RainBuildsToItsFullIntensityAndClearsAgain) {
  Running(3, 0, 0.999f, 0.002f);
  UpdateWeather();
  EXPECT_FLOAT_EQ(Weather.Intensity, 1.0f);
  EXPECT_EQ(Weather.PreviousKind, 3);
  EXPECT_EQ(+Weather.IntensityLevel, 10);
  EXPECT_EQ(Weather.Byte2, 30);

  // Reached: nothing of the look changes any more.
  Weather.AmbientCeiling = 0.1f;
  LandscapeDirty = 0;
  UpdateWeather();
  EXPECT_FLOAT_EQ(Weather.AmbientCeiling, 0.1f);
  EXPECT_EQ(LandscapeDirty, 0);

  Running(0, 3, 0.5f, 0.002f);
  UpdateWeather();
  EXPECT_FLOAT_EQ(Weather.Intensity, 0.498f);
  EXPECT_EQ(+Weather.IntensityLevel, 12);  // in 25ths while it clears
  EXPECT_EQ(Weather.Raining, 1);          // until clear weather is reached
  Weather.Intensity = 0.001f;
  UpdateWeather();
  EXPECT_FLOAT_EQ(Weather.Intensity, 0.0f);
  EXPECT_EQ(Weather.PreviousKind, 0);
  EXPECT_EQ(Weather.Raining, 0);
  EXPECT_EQ(Weather.Byte2, 80);
}

TEST_F(WeatherTest, WeatherOffCutsTheRainAndKeepsTheTimerRunning) {
  GameOptions[kWeatherOption] = 0;
  Running(3, 3, 1.0f, 0.002f);
  Weather.IntensityLevel = 10;
  LandscapeDirty = 0;
  UpdateWeather();
  EXPECT_EQ(Weather.Kind, 0);
  EXPECT_EQ(Weather.PreviousKind, 0);
  EXPECT_FLOAT_EQ(Weather.Intensity, 0.0f);
  EXPECT_EQ(+Weather.IntensityLevel, 0);
  EXPECT_EQ(Weather.Raining, 0);
  EXPECT_FLOAT_EQ(Weather.AmbientCeiling, 0.666f);
  EXPECT_EQ(Weather.Byte2, 80);
  EXPECT_EQ(LandscapeDirty, 1);

  // The next change still comes (and is cut at once).
  GameTime = static_cast<uint32_t>(Weather.NextChange);
  UpdateWeather();
  EXPECT_EQ(Weather.Kind, 0);
  EXPECT_GT(+Weather.NextChange, static_cast<int32_t>(GameTime));
}

TEST_F(WeatherTest, CloudsScrollFasterInRainAndWrapPastOne) {
  Running(0, 0, 0.0f, 0.002f);
  SkyScroll[0] = 1.29975f;
  UpdateWeather();
  EXPECT_NEAR(SkyScroll[0], 0.3f, 1e-5f);
  EXPECT_NEAR(SkyScroll[1], 0.00005f, 1e-9f);
  EXPECT_NEAR(SkyScroll[2], 1.0f / 2800.0f, 1e-9f);
  EXPECT_NEAR(SkyScroll[3], 1.0f / 14000.0f, 1e-9f);

  for (float& s : SkyScroll) s = 0.0f;
  Running(2, 2, 1.0f, 0.002f);  // speed 4
  UpdateWeather();
  EXPECT_NEAR(SkyScroll[0], 0.001f, 1e-8f);
  EXPECT_NEAR(SkyScroll[2], 4.0f / 2800.0f, 1e-8f);
}

TEST_F(WeatherTest, AChangeDueAcrossTheRestartOfGameTimeComes) {
  GameTime = kGameTimeLast - 10000;
  UpdateWeather();
  EXPECT_EQ(+Weather.NextChange, static_cast<int32_t>(kGameTimeLast + 20000));
  GameTime = 19998;  // 19,999 ticks after the restart: one short
  UpdateWeather();
  EXPECT_EQ(Weather.Kind, 0);
  GameTime = 19999;
  UpdateWeather();
  EXPECT_NE(Weather.Kind, 0);
  EXPECT_EQ(+Weather.NextChange, static_cast<int32_t>(19999 + (Weather.Kind == 2 ? 1500 : 6000)));
}

}  // namespace
