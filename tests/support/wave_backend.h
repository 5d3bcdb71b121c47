// Sound device tests run OpenAL's wave back end, which writes what it plays into a file. The
// device reads its configuration once, at its first use in the process: a test program that
// includes this header writes it before main.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tests/support/test_support.h"

namespace wave_backend {

struct WaveBackEnd {
  std::string folder, output;
  WaveBackEnd() {
    folder = testing_support::MakeTempFolder("alsoft");
    output = folder + "out.wav";
    testing_support::WriteFileBytes(folder + "alsoft.conf",
                                    "[general]\ndrivers = wave\nchannels = mono\nsample-type = float32\n"
                                    "frequency = 44100\nhrtf = false\n[wave]\nfile = " + output + "\n");
    setenv("ALSOFT_CONF", (folder + "alsoft.conf").c_str(), 1);
    unsetenv("ALSOFT_DRIVERS");
  }
};
inline const WaveBackEnd& Backend() {
  static WaveBackEnd backend;
  return backend;
}
inline const WaveBackEnd& g_backendAtStart = Backend();

// A sine tone as 16-bit mono samples.
inline std::string Sine16(double hz, uint32_t rate, double seconds, double amplitude) {
  constexpr double kPi = 3.14159265358979323846;
  const size_t n = static_cast<size_t>(rate * seconds);
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    const auto v = static_cast<int16_t>(std::lround(amplitude * 32767.0 * std::sin(2 * kPi * hz * i / rate)));
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
  }
  return s;
}

}  // namespace wave_backend
