// Writes the sample base directory the programs start on. Every byte is made here.
//   make_sample_data <folder>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/sample_gfx.h"

namespace fs = std::filesystem;

namespace {

bool WriteFile(const fs::path& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sample_data <folder>\n");
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
  // The ini files name the base directory in their first line.
  std::string base = root.string();
  if (!WriteFile(root / "vadrel.ini", base + "\r\n") || !WriteFile(root / "brumin.ini", base + "\r\n")) {
    std::fprintf(stderr, "make_sample_data: cannot write the ini files in %s\n", root.c_str());
    return 1;
  }
  std::string error;
  if (!sample_gfx::WriteSampleGraphics(root.string(), error)) {
    std::fprintf(stderr, "make_sample_data: %s\n", error.c_str());
    return 1;
  }
  std::printf("sample data written to %s\n", root.c_str());
  return 0;
}
