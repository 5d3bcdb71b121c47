// A base folder for the building program's texture, mesh and font units: the data folders under a
// fresh temporary folder (the current one, where "logfile.txt" goes, and the base of Base_DIR and
// Work_DIR), the unit started, and GL calls recorded by stand-ins.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "apps/brumin/meshes.h"
#include "apps/brumin/textures.h"
#include "engine/base/worldstate.h"
#include "engine/render/graphics.h"
#include "platform/platform.h"
#include "tests/support/gfx_test_files.h"
#include "tests/support/test_support.h"

namespace brumin_test {

// One recorded GL call: its name and its numbers.
struct GlCall {
  std::string name;
  std::vector<float> args;
  bool operator==(const GlCall&) const = default;
};

inline std::vector<GlCall>& Calls() {
  static std::vector<GlCall> calls;
  return calls;
}

struct Upload {
  int32_t components, width, height;
  uint32_t format;
  std::vector<uint8_t> pixels;
};

inline std::vector<Upload>& Uploads() {
  static std::vector<Upload> uploads;
  return uploads;
}

inline void Record(const char* name, std::vector<float> args) { Calls().push_back({name, std::move(args)}); }

// Every GL call the units make goes into Calls(); uploads also keep their pixels.
inline void InstallRecorders() {
  Calls().clear();
  Uploads().clear();
  GraGL.glEnable = [](uint32_t cap) { Record("glEnable", {float(cap)}); };
  GraGL.glDisable = [](uint32_t cap) { Record("glDisable", {float(cap)}); };
  GraGL.glBindTexture = [](uint32_t, uint32_t name) { Record("glBindTexture", {float(name)}); };
  GraGL.glTexParameterf = [](uint32_t, uint32_t pname, float v) { Record("glTexParameterf", {float(pname), v}); };
  GraGL.glPixelStorei = [](uint32_t pname, int32_t v) { Record("glPixelStorei", {float(pname), float(v)}); };
  GraGL.glTexImage2D = [](uint32_t, int32_t, int32_t components, int32_t w, int32_t h, int32_t, uint32_t format,
                          uint32_t, const void* pixels) {
    Record("glTexImage2D", {float(components), float(w), float(h), float(format)});
    const auto* p = static_cast<const uint8_t*>(pixels);
    const size_t n = static_cast<size_t>(w) * static_cast<size_t>(h) * (components == 4 ? 4 : 3);
    Uploads().push_back({components, w, h, format, std::vector<uint8_t>(p, p + n)});
  };
  GraGL.glTexEnvf = [](uint32_t, uint32_t pname, float v) { Record("glTexEnvf", {float(pname), v}); };
  GraGL.glColor3f = [](float r, float g, float b) { Record("glColor3f", {r, g, b}); };
  GraGL.glBegin = [](uint32_t mode) { Record("glBegin", {float(mode)}); };
  GraGL.glEnd = [] { Record("glEnd", {}); };
  GraGL.glTexCoord2f = [](float s, float t) { Record("glTexCoord2f", {s, t}); };
  GraGL.glTexCoord2fv = [](const float* v) { Record("glTexCoord2f", {v[0], v[1]}); };
  GraGL.glVertex3f = [](float x, float y, float z) { Record("glVertex3f", {x, y, z}); };
  GraGL.glVertex3fv = [](const float* v) { Record("glVertex3f", {v[0], v[1], v[2]}); };
}

// The recorded calls of one name.
inline std::vector<GlCall> CallsOf(const std::string& name) {
  std::vector<GlCall> out;
  for (const GlCall& c : Calls())
    if (c.name == name) out.push_back(c);
  return out;
}

class BruminBase : public ::testing::Test {
 protected:
  void SetUp() override {
    oldDir_ = platform::CurrentDir();
    base_ = testing_support::MakeTempFolder("brumin");
    for (const char* sub : {"ui", "gfx", "gfx_hi", "buildings"}) std::filesystem::create_directory(base_ + sub);
    ASSERT_EQ(chdir(base_.c_str()), 0);
    // The data folders are found from the current folder (an absolute base works alike, but
    // each lookup then matches every folder above it without regard to case).
    Base_DIR = "";
    Work_DIR = "buildings\\";
    Gra_ResetProcs();
    InstallRecorders();
    brumin::InitMeshUnit();
    testing_support::CaptureDebugger();
  }
  void TearDown() override {
    platform::SetDebuggerSink(nullptr);
    Gra_ResetProcs();
    brumin::ResetMeshTextures(base_);
    ASSERT_EQ(chdir(oldDir_.c_str()), 0);
  }

  // A file under the base folder (path with '/').
  void Write(const std::string& path, const std::string& bytes) { testing_support::WriteFileBytes(base_ + path, bytes); }
  void WriteBmp(const std::string& path, int32_t side, gfx_test::Bgr colour = {10, 20, 30}) {
    Write(path, gfx_test::SolidBmp(side, side, colour));
  }
  std::string Log() const { return testing_support::ReadFileBytes(base_ + "logfile.txt"); }
  static std::vector<std::string> Warnings() { return testing_support::Warnings(); }

  std::string oldDir_, base_;
};

}  // namespace brumin_test
