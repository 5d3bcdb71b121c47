// What the fuzz targets of the file readers share. Most readers take a file by name from the
// current directory, so a target writes its input into a private base folder (made once, then the
// current directory) and loads it from there. The base folder holds the data folders and the two
// placeholders the loaders fall back to: gfx\NOTEXTURE.BMP and vehicles\NoMesh.msh2. Since the
// current directory changes at the first input, a target is given absolute paths (corpus folders,
// inputs to run again, -artifact_prefix), as scripts/run-fuzz does.
//
// A fatal stop is the system's own refusal of an input: the sink throws Refused, which the target
// catches, and the one input ends there. The fatal stop's wait is skipped (the tick source moves
// on at every reading), warnings and debugger text go nowhere. Anything else that stops the
// program (a crash, a sanitizer report, a failed check of the target) is a finding.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "engine/base/diagnostics.h"
#include "engine/render/graphics.h"
#include "platform/platform.h"

namespace fuzz_files {

struct Refused {
  std::string text;
};

// A failed check of a target: prints what failed and aborts, so libFuzzer keeps the input.
[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}
inline void Check(bool ok, const char* what) {
  if (!ok) Fail(what);
}

// The number of open file descriptors of the process.
inline size_t OpenFiles() {
  size_t n = 0;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator("/proc/self/fd", ec); !ec && it != std::filesystem::directory_iterator();
       it.increment(ec))
    ++n;
  return n;
}

// Runs f; true when a fatal stop ended it. Either way every file it opened is closed again.
template <class F>
bool StoppedFatally(F&& f) {
  const size_t before = OpenFiles();
  bool stopped = false;
  try {
    f();
  } catch (const Refused&) {
    stopped = true;
  }
  Check(OpenFiles() == before, stopped ? "a fatal stop leaves no file open" : "a load leaves no file open");
  return stopped;
}

inline void PutU16(std::string& s, uint16_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>(v >> 8);
}
inline void PutU32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline void PutF32(std::string& s, float f) {
  uint32_t v;
  std::memcpy(&v, &f, 4);
  PutU32(s, v);
}

inline void WriteBytes(const std::string& path, const void* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) Fail("cannot write a file in the fuzz base folder");
  const bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  if (std::fclose(f) != 0 || !ok) Fail("cannot write a file in the fuzz base folder");
}
inline void WriteBytes(const std::string& path, const std::string& bytes) {
  WriteBytes(path, bytes.data(), bytes.size());
}

// A 4 x 4 grey 24-bit bitmap.
inline std::string PlaceholderBitmap() {
  std::string s = "BM";
  PutU32(s, 54 + 48);
  PutU32(s, 0);
  PutU32(s, 54);
  PutU32(s, 40);
  PutU32(s, 4);
  PutU32(s, 4);
  PutU16(s, 1);
  PutU16(s, 24);
  for (int i = 0; i < 6; ++i) PutU32(s, 0);
  return s + std::string(48, '\x80');
}

// A version 2.0 mesh file: one triangle, untextured.
inline std::string PlaceholderMesh() {
  const std::string magic = "QZ 3D Mesh 2.0";
  std::string s(1, static_cast<char>(magic.size()));
  s += magic + std::string(20 - magic.size(), '\0');
  s += '\0';  // no textures
  PutU16(s, 3);
  s += '\1';  // one polygon
  const float corners[3][2] = {{0, 0}, {1, 0}, {0, 1}};
  for (const auto& c : corners) {
    for (float v : {c[0], 0.0f, c[1], 0.0f, 1.0f, 0.0f}) PutF32(s, v);
    s += "\xA0\xA0\xA0\xFF";
    PutF32(s, c[0]);
    PutF32(s, c[1]);
  }
  for (uint16_t v : {1, 2, 3, 0, 0}) PutU16(s, v);
  s += std::string("\0\1\0\0\0\0", 6);  // triangle, lit, not flat, no flags, spare word
  return s;
}

inline void RemoveBase();

// The base folder (with a trailing '/'), made on the first call and made the current directory;
// removed at exit. The name is never destroyed, so the removal at exit can still read it.
inline const std::string& Base() {
  static const std::string& base = *new std::string([] {
    std::string templ = (std::filesystem::temp_directory_path() / "corvane-fuzz-XXXXXX").string();
    if (!mkdtemp(templ.data())) Fail("cannot make the fuzz base folder");
    const std::string b = templ + "/";
    for (const char* sub : {"ui", "gfx", "gfx_hi", "buildings", "vehicles"}) std::filesystem::create_directory(b + sub);
    WriteBytes(b + "gfx/NOTEXTURE.BMP", PlaceholderBitmap());
    WriteBytes(b + "vehicles/NoMesh.msh2", PlaceholderMesh());
    if (chdir(b.c_str()) != 0) Fail("cannot enter the fuzz base folder");
    std::atexit(RemoveBase);
    return b;
  }());
  return base;
}

inline void RemoveBase() {
  std::error_code ec;
  std::filesystem::remove_all(Base(), ec);
}

// The seams every reader target starts with; returns true so that it can start a static.
inline bool Start() {
  sys_test::SetFatalSink([](const std::string& text) { throw Refused{text}; });
  sys_test::SetFatalWait(0);
  platform::SetTickSource([] {
    static uint32_t tick = 0;
    return ++tick;
  });
  platform::SetDebuggerSink([](const std::string&) {});
  platform::SetMessageBoxSink([](const std::string&, const std::string&) {});
  Base();
  Gra_ResetProcs();
  return true;
}

// Writes the input bytes to a file of the base folder (path relative to it, with '/').
inline void WriteInput(const std::string& path, const uint8_t* data, size_t size) {
  WriteBytes(Base() + path, data, size);
}

// An empty texture table, as at program start.
inline void ResetTextures() {
  InitTextureTable();
  TextureNameCounter = 2;
  CurrentTexture = 0;
  TexturingOn = 0;
}

}  // namespace fuzz_files
