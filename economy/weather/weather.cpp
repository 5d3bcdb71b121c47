#include "economy/weather/weather.h"

#include <cmath>

#include "engine/base/random.h"
#include "engine/base/worldstate.h"
#include "engine/gui/mousemode.h"

namespace {

bool IsRainState(uint8_t state) { return state == 2 || state == 3 || state == 5; }

// A new state, never the old one: clear weather turns into rain of kind 2 or 3, rain turns clear.
uint8_t DrawNewState(uint8_t old) {
  uint8_t state = old;
  do {
    switch (Random(3)) {
      case 0: state = 0; break;
      case 1: if (old != 2) state = 3; break;
      default: if (old != 3) state = 2; break;
    }
  } while (state == old);
  return state;
}

uint32_t StateDuration(uint8_t state) {
  if (state == 2) return kShowerTicks;
  if (state == 3) return kSteadyRainTicks;
  return kClearWeatherTicks;
}

// Light, fog and sky tone of the current intensity.
void DeriveLook() {
  const float intensity = Weather.Intensity;
  Weather.AmbientCeiling = 0.666f - 0.13f * intensity;
  Weather.LightFactor = intensity * 4.0f + Weather.BaseLightFactor;
  const long double fall = std::nearbyint(static_cast<long double>(intensity) * 50.0L);
  // The tone stays a byte even for an intensity outside 0..1 (or one that is not a number).
  Weather.Byte2 = fall >= -175.0L && fall <= 80.0L ? static_cast<uint8_t>(80 - static_cast<int>(fall))
                  : fall > 80.0L                  ? 0
                                                  : 255;
}

// A cloud offset keeps only its fraction once it passes 1.
void Scroll(float& offset, float by) {
  offset += by;
  if (offset > 1.0f) offset -= std::trunc(offset);
}

}  // namespace

void UpdateWeather() {
  const bool first = Weather.NextChange == 0;
  bool changed = false;
  if (!first && GameTimeReached(Weather.NextChange)) {
    Weather.Kind = DrawNewState(Weather.Kind);
    changed = true;
  }
  if (first || changed)
    Weather.NextChange = static_cast<int32_t>(GameTime + StateDuration(Weather.Kind));
  if (first) {
    // Without this the clear start would keep a black sky and no step until the first change.
    if (Weather.IntensityStep == 0.0f) Weather.IntensityStep = kWeatherStartStep;
    DeriveLook();
  }

  Weather.ViewDistance1 = static_cast<float>(ViewRange * 100) / 2.0f;
  Weather.ViewDistance2 = static_cast<float>((ViewRange - 1) * 100);

  const float speed = 3.0f * Weather.Intensity + 1.0f;
  Scroll(SkyScroll[0], 0.00025f * speed);
  Scroll(SkyScroll[1], 0.00025f * speed / 5.0f);
  Scroll(SkyScroll[2], speed / 2800.0f);
  Scroll(SkyScroll[3], speed / 2800.0f / 5.0f);

  if (GameOptions[kWeatherOption] != 0) {
    if (Weather.PreviousKind == Weather.Kind) return;
    if (Weather.Kind == 2 || Weather.Kind == 3) {
      if (Weather.Intensity < 1.0f) {
        Weather.Intensity += Weather.IntensityStep;
        if (Weather.Intensity >= 1.0f) {
          Weather.Intensity = 1.0f;
          Weather.PreviousKind = Weather.Kind;
        }
        Weather.IntensityLevel = static_cast<int32_t>(std::trunc(static_cast<long double>(Weather.Intensity) * 10.0L));
        LandscapeDirty = 1;
      }
    } else if (Weather.Kind == 0) {
      if (Weather.Intensity > 0.0f) {
        Weather.Intensity -= Weather.IntensityStep;
        if (Weather.Intensity <= 0.0f) {
          Weather.Intensity = 0.0f;
          Weather.PreviousKind = 0;
        }
        Weather.IntensityLevel = static_cast<int32_t>(std::trunc(static_cast<long double>(Weather.Intensity) * 25.0L));
        LandscapeDirty = 1;
      }
    }
  } else {
    if (Weather.Kind != 0) LandscapeDirty = 1;
    Weather.Kind = 0;
    Weather.PreviousKind = 0;
    Weather.Intensity = 0.0f;
    Weather.IntensityLevel = 0;
  }

  DeriveLook();
  Weather.Raining = IsRainState(Weather.Kind) || IsRainState(Weather.PreviousKind) ? 1 : 0;
  if (Weather.Intensity < 0.0f) Weather.Intensity = 0.0f;
  if (Weather.Intensity > 1.0f) Weather.Intensity = 1.0f;
}
