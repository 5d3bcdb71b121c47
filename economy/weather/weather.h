// The weather: changes at random intervals between clear weather and two kinds of rain, fades the
// rain intensity in and out, scrolls the two cloud layers and derives the light, the fog and the
// sky tone the renderer uses. It takes effect only while the weather option (GameOptions byte 9)
// is on. Its record is the world state's Weather; its draws come from the engine's Random.
#pragma once

#include <cstdint>

constexpr int kWeatherOption = 9;                // GameOptions byte: weather on (1) or off (0)
constexpr float kWeatherStartStep = 0.002f;      // the intensity step of a weather without one
constexpr uint32_t kClearWeatherTicks = 30000;   // how long clear weather lasts
constexpr uint32_t kShowerTicks = 1500;          // rain kind 2
constexpr uint32_t kSteadyRainTicks = 6000;      // rain kind 3

// One weather update; the simulation step runs it on every even tick. The first update only
// schedules the first change and sets the start values: the light, fog and sky tone of the
// current intensity, and the start step where the record has none.
void UpdateWeather();
