// Writes the sample base directory the programs start on. Every byte is made here.
//   make_sample_data <folder> [--fuzz-corpus <corpus folder>]
// With --fuzz-corpus it also writes the fuzz targets' seeds, taken from the files just written
// (the checked-in corpus is fuzz/corpus).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "engine/sound/samples.h"
#include "tools/fuzz_corpus.h"
#include "tools/sample_building.h"
#include "tools/sample_gfx.h"
#include "tools/sample_mesh.h"
#include "tools/sample_news.h"
#include "tools/sample_tutorial.h"
#include "tools/sample_vehicle.h"

namespace fs = std::filesystem;

namespace {

bool WriteFile(const fs::path& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

constexpr double kPi = 3.14159265358979323846;
constexpr uint32_t kRate = 22050;

// One sample value in -1..1 at time t seconds.
using Wave = double (*)(double t, double length);

// Samples of a wave as 8-bit unsigned or 16-bit signed little-endian bytes.
std::string Render(Wave wave, double seconds, int bits) {
  const size_t n = static_cast<size_t>(kRate * seconds);
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    const double v = std::fmax(-1.0, std::fmin(1.0, wave(static_cast<double>(i) / kRate, seconds)));
    if (bits == 8) {
      out += static_cast<char>(static_cast<uint8_t>(std::lround(128.0 + 127.0 * v)));
    } else {
      const auto s = static_cast<int16_t>(std::lround(32767.0 * v));
      out += static_cast<char>(s & 0xFF);
      out += static_cast<char>((s >> 8) & 0xFF);
    }
  }
  return out;
}

// Short fades at both ends keep the start and the end free of clicks.
double Fade(double t, double length) { return std::fmin(1.0, std::fmin(t, length - t) / 0.01); }

double Horn(double t, double length) {
  return 0.5 * Fade(t, length) * (std::sin(2 * kPi * 440 * t) + 0.3 * std::sin(2 * kPi * 880 * t)) / 1.3;
}
double Bell(double t, double length) {
  return 0.6 * Fade(t, length) * std::exp(-4.0 * t) *
         (std::sin(2 * kPi * 660 * t) + 0.5 * std::sin(2 * kPi * 1650 * t)) / 1.5;
}
// A running engine: a low hum with its harmonics. Whole periods in the part, so the part loops cleanly.
double EngineLoop(double t, double) {
  return 0.45 * (std::sin(2 * kPi * 90 * t) + 0.5 * std::sin(2 * kPi * 180 * t) + 0.25 * std::sin(2 * kPi * 270 * t)) /
         1.75;
}
// The engine running down.
double EngineEnd(double t, double length) {
  const double f = 90 - 40 * t / length;
  return EngineLoop(t * f / 90, length) * (1.0 - t / length);
}

// The sound samples: a mono 8-bit horn, a mono 16-bit bell and a two-part 16-bit engine (a loop
// part and an ending part of equal length). The last bytes of every sample are never played.
bool WriteSounds(const fs::path& sfx) {
  const std::string tail(kDroppedWaveTail, '\0');
  const std::string horn = Render(Horn, 0.5, 8) + std::string(kDroppedWaveTail, '\x80');
  const std::string bell = Render(Bell, 0.8, 16) + tail;
  const std::string engine = Render(EngineLoop, 1.0, 16) + Render(EngineEnd, 1.0, 16) + tail;
  return WriteFile(sfx / "horn8.wav", MakeWaveFile(1, kRate, 8, horn)) &&
         WriteFile(sfx / "bell16.wav", MakeWaveFile(1, kRate, 16, bell)) &&
         WriteFile(sfx / "engine_twopart.wav", MakeWaveFile(1, kRate, 16, engine));
}

}  // namespace

int main(int argc, char** argv) {
  const bool corpus = argc == 4 && std::string(argv[2]) == "--fuzz-corpus";
  if (argc != 2 && !corpus) {
    std::fprintf(stderr, "usage: make_sample_data <folder> [--fuzz-corpus <corpus folder>]\n");
    return 2;
  }
  std::error_code ec;
  fs::path root = fs::absolute(argv[1], ec);
  for (const char* sub : {"ui", "gfx", "gfx_hi", "vehicles", "buildings", "sfx"}) {
    fs::create_directories(root / sub, ec);
    if (ec) {
      std::fprintf(stderr, "make_sample_data: cannot create %s: %s\n", (root / sub).c_str(), ec.message().c_str());
      return 1;
    }
  }
  // Two languages with CR LF line ends.
  const std::string english =
      "VEHICLE\r\nVehicle\r\n@@\r\nBUILDING\r\nBuilding\r\n@@\r\nSTATION\r\nStation\r\n@@\r\n"
      "WELCOME\r\nWelcome to the\r\nvehicle workshop\r\n@@\r\n^^\r\n";
  const std::string german =
      "VEHICLE\r\nFahrzeug\r\n@@\r\nBUILDING\r\nGeb\xe4ude\r\n@@\r\nSTATION\r\nBahnhof\r\n@@\r\n"
      "WELCOME\r\nWillkommen in der\r\nFahrzeugwerkstatt\r\n@@\r\n^^\r\n";
  if (!WriteFile(root / "ui" / "English.lgd", english) || !WriteFile(root / "ui" / "Deutsch.lgd", german)) {
    std::fprintf(stderr, "make_sample_data: cannot write the language files in %s\n", (root / "ui").c_str());
    return 1;
  }
  // The ini files name the base directory in their first line.
  std::string base = root.string();
  if (!WriteFile(root / "vadrel.ini", base + "\r\n") || !WriteFile(root / "brumin.ini", base + "\r\n")) {
    std::fprintf(stderr, "make_sample_data: cannot write the ini files in %s\n", root.c_str());
    return 1;
  }
  if (!WriteSounds(root / "sfx")) {
    std::fprintf(stderr, "make_sample_data: cannot write the sound samples in %s\n", (root / "sfx").c_str());
    return 1;
  }
  std::string error;
  if (!sample_gfx::WriteSampleGraphics(root.string(), error) || !sample_mesh::WriteSampleMeshes(root.string(), error) ||
      !sample_vehicle::WriteSampleVehicle(root.string(), error) ||
      !sample_building::WriteSampleBuilding(root.string(), error) ||
      !sample_news::WriteSampleNews(root.string(), error) ||
      !sample_tutorial::WriteSampleTutorial(root.string(), error)) {
    std::fprintf(stderr, "make_sample_data: %s\n", error.c_str());
    return 1;
  }
  std::printf("sample data written to %s\n", root.c_str());
  if (corpus) {
    if (!fuzz_corpus::WriteFuzzCorpus(root.string(), argv[3], error)) {
      std::fprintf(stderr, "make_sample_data: %s\n", error.c_str());
      return 1;
    }
    std::printf("fuzz seeds written to %s\n", argv[3]);
  }
  return 0;
}
