// The building program's bitmap loader on arbitrary bytes: the "BM" check, the sides against the
// file, the pixels from byte 54 and their conversion, opaque and with black and magenta
// transparent, up to the upload, whose stand-in reads every byte it is handed. The file is asked
// for under two names that differ in case only, so it takes two slots: one opaque, one with alpha.
#include <cstddef>
#include <cstdint>

#include "apps/brumin/textures.h"
#include "engine/base/worldstate.h"
#include "engine/render/graphics.h"
#include "fuzz/file_host.h"

using fuzz_files::Check;

namespace {

int g_uploads = 0;

void Upload(uint32_t, int32_t level, int32_t components, int32_t width, int32_t height, int32_t border,
            uint32_t format, uint32_t type, const void* pixels) {
  Check(level == 0 && border == 0 && type == glk::UNSIGNED_BYTE, "level 0, border 0, bytes");
  Check((components == 3 && format == glk::RGB) || (components == 4 && format == glk::RGBA), "RGB or RGBA");
  Check(width > 0 && height > 0 && pixels != nullptr, "pixels to upload");
  // Every byte the upload would read must lie in the buffer.
  const auto* p = static_cast<const uint8_t*>(pixels);
  const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height) * static_cast<size_t>(components);
  volatile uint8_t sum = 0;
  for (size_t i = 0; i < n; ++i) sum = sum + p[i];
  ++g_uploads;
}

bool Start() {
  fuzz_files::Start();
  GraGL.glTexImage2D = Upload;
  Base_DIR = "";
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = Start();
  (void)started;
  brumin::ResetMeshTextures(fuzz_files::Base());
  fuzz_files::WriteInput("gfx/FUZZ.BMP", data, size);
  g_uploads = 0;
  int loaded = 0;
  for (bool alpha : {false, true}) {
    const uint16_t slot = brumin::LoadTextureByName(alpha ? "fuzz.bmp" : "FUZZ.BMP", alpha);
    Check(brumin::MeshTextureCount == (alpha ? 2 : 1), "each name takes a slot");
    const brumin::TMeshTexture& e = brumin::MeshTextureTable[brumin::MeshTextureCount];
    if (slot == 0) {
      Check(e.Pixels.empty() && e.FrameNames[0] == 0, "a refused file uploads nothing");
      continue;
    }
    ++loaded;
    Check(slot == brumin::MeshTextureCount, "a loaded file is in its new slot");
    const uint64_t pixels = static_cast<uint64_t>(e.Width) * static_cast<uint64_t>(e.Height);
    Check(e.Width > 0 && e.Height > 0 && 54 + 3 * pixels <= size, "the pixels lie in the file");
    Check(e.Pixels.size() == pixels * (alpha ? 4 : 3), "a converted pixel per pixel of the sides");
    for (uint32_t name : e.FrameNames) Check(name == e.FrameNames[0] && name != 0, "all frames hold the upload");
  }
  Check(g_uploads == loaded, "an upload for each loaded file");
  return 0;
}
