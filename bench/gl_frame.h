// What the frame benchmarks share: both sides of a frame case draw into the back buffer of a GL
// panel, wait for the picture and show it; the two pictures must agree before anything is timed,
// and the end of the run prints both times per frame and their ratio.
#pragma once

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/render/graphics.h"
#include "platform/glpanel.h"

namespace bench {

// A frame benchmark's place: a fresh folder (the current one, holding the log) filled by `write`,
// and a shown GL panel of the given size with the engine's GL started on it. All goes at the end.
class GlScene {
 public:
  GlScene(const char* name, int width, int height, const std::function<bool(const std::string& base, std::string& error)>& write) {
    std::string folder = std::filesystem::temp_directory_path().string() + "/" + name + "-XXXXXX";
    if (!mkdtemp(folder.data())) std::abort();
    folder_ = folder;
    const std::string base = folder + "/";
    std::string error;
    if (!write(base, error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      std::exit(1);
    }
    if (chdir(folder.c_str()) != 0) std::abort();
    sys_test::SetLogFolder(base);
    panel_ = new platform::GlPanel();
    panel_->resize(width, height);
    panel_->show();
    QGuiApplication::processEvents();
    MainWindowHandle = panel_;
    Gra_Init(width, height, 32, 0, false);
  }
  ~GlScene() {
    Gra_Done();
    MainWindowHandle = nullptr;
    delete panel_;
    if (chdir("/") == 0) std::filesystem::remove_all(folder_);
  }
  GlScene(const GlScene&) = delete;
  GlScene& operator=(const GlScene&) = delete;

 private:
  std::string folder_;
  platform::GlPanel* panel_ = nullptr;
};

// The back buffer's picture: RGBA, rows from the bottom.
inline std::vector<uint8_t> ReadPicture(int width, int height) {
  std::vector<uint8_t> px(static_cast<size_t>(width) * height * 4);
  GraGL.glReadBuffer(glk::BACK);
  GraGL.glPixelStorei(glk::PACK_ALIGNMENT, 1);
  GraGL.glReadPixels(0, 0, width, height, glk::RGBA, glk::UNSIGNED_BYTE, px.data());
  return px;
}

// Waits until the picture is made (a read of one pixel), then shows it.
inline void FinishFrame(int width, int height) {
  uint8_t px[4];
  GraGL.glReadPixels(width / 2, height / 2, 1, 1, glk::RGBA, glk::UNSIGNED_BYTE, px);
  benchmark::DoNotOptimize(px);
  Gra_SwapBuffers();
}

// Pixels of two pictures of one size that differ by more than 8 in a colour channel.
inline size_t DifferingPixels(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  size_t differ = 0;
  for (size_t i = 0; i + 3 < a.size() && i + 3 < b.size(); i += 4)
    differ += std::abs(a[i] - b[i]) > 8 || std::abs(a[i + 1] - b[i + 1]) > 8 || std::abs(a[i + 2] - b[i + 2]) > 8;
  return differ;
}

// The two cases of a frame benchmark: <name>/ours and <name>/vs_<reference>, each one frame drawn,
// finished and shown per iteration. The name tells the programs' frames apart in the results.
inline void RegisterFrameCases(const std::string& name, const std::string& reference, std::function<void()> ours,
                               std::function<void()> ref, int width, int height) {
  const auto add = [width, height](const std::string& name, std::function<void()> draw) {
    benchmark::RegisterBenchmark(name.c_str(), [draw, width, height](benchmark::State& state) {
      for (auto _ : state) {
        draw();
        FinishFrame(width, height);
      }
      state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    })->UseRealTime()->Unit(benchmark::kMillisecond);
  };
  add(name + "/ours", std::move(ours));
  add(name + "/vs_" + reference, std::move(ref));
}

// Times the frame cases when the two pictures agree (at most 0.1 % of the pixels differ) and prints
// both times per frame and their ratio; pictures that differ mean the two sides no longer draw the
// same work, so nothing is timed and the result is 1.
inline int TimeFramesWhenPicturesAgree(const std::vector<uint8_t>& ours, const std::vector<uint8_t>& ref,
                                       const std::string& name, const std::string& reference, const char* label) {
  if (DifferingPixels(ours, ref) * 1000 > ours.size() / 4) {
    std::fprintf(stderr, "the two frames differ in more than 0.1 %% of their pixels\n");
    return 1;
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double a = reporter.Nanoseconds(name + "/ours"), b = reporter.Nanoseconds(name + "/vs_" + reference);
  if (a > 0 && b > 0) {
    std::printf("\n%-22s %10s %10s\n", "frame", "ms", "fps");
    std::printf("%-22s %10.3f %10.1f\n", "ours (immediate)", a / 1e6, 1e9 / a);
    std::printf("%-22s %10.3f %10.1f\n", label, b / 1e6, 1e9 / b);
    std::printf("ours / %s (time per frame): %.2f\n", label, a / b);
  }
  return 0;
}

}  // namespace bench
