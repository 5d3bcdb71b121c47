// The bitmap texture reader on arbitrary bytes: the header, the pixels, halving and the
// conversion by texture state, up to the upload, whose stand-in reads every byte it is handed.
// The file header's reserved bytes, which the reader ignores, choose how the texture is loaded:
// byte 6 the state (0 to 7; 4 and above are invalid states), byte 7 the shrink factor (0 to 7),
// byte 8 bit 0 smooth filtering and bit 1 a GL that refuses the 16-bit upload. A side below 4
// stops fatally, as the reader is meant to.
#include <cstddef>
#include <cstdint>

#include "engine/files/bmp.h"
#include "engine/render/graphics.h"
#include "fuzz/file_host.h"

using fuzz_files::Check;

namespace {

constexpr uint16_t kSlot = 1001;
bool g_refuseShortUpload = false;
bool g_pendingError = false;
int g_uploads = 0;

size_t TexelBytes(uint32_t format, uint32_t type) {
  if (type == glk::UNSIGNED_SHORT_5_6_5 || type == glk::UNSIGNED_SHORT_1_5_5_5_REV) return 2;
  return format == glk::RGB ? 3 : 4;
}

void Upload(uint32_t, int32_t level, int32_t, int32_t width, int32_t height, int32_t border, uint32_t format,
            uint32_t type, const void* pixels) {
  Check(level == 0 && border == 0, "level 0, border 0");
  Check(width >= 4 && width <= kBmpMaxSide && height >= 4 && height <= kBmpMaxSide, "the uploaded sides lie in 4 to 2048");
  Check((width & (width - 1)) == 0 && (height & (height - 1)) == 0, "the uploaded sides are powers of two");
  Check(pixels != nullptr, "pixels to upload");
  // Every byte the upload would read must lie in the buffer.
  const auto* p = static_cast<const uint8_t*>(pixels);
  const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height) * TexelBytes(format, type);
  volatile uint8_t sum = 0;
  for (size_t i = 0; i < n; ++i) sum = sum + p[i];
  ++g_uploads;
  g_pendingError = g_refuseShortUpload && TexelBytes(format, type) == 2;
}

uint32_t GetError() {
  const bool e = g_pendingError;
  g_pendingError = false;
  return e ? 0x0500u : 0u;  // GL_INVALID_ENUM
}

bool Start() {
  fuzz_files::Start();
  GraGL.glTexImage2D = Upload;
  GraGL.glGetError = GetError;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = Start();
  (void)started;
  fuzz_files::ResetTextures();
  fuzz_files::WriteInput("gfx/FUZZ.BMP", data, size);
  const uint8_t state = size > 6 ? data[6] & 7 : 0;
  const uint8_t shrink = size > 7 ? data[7] & 7 : 0;
  const bool smooth = size > 8 && (data[8] & 1);
  g_refuseShortUpload = size > 8 && (data[8] & 2);
  g_pendingError = false;
  g_uploads = 0;
  if (fuzz_files::StoppedFatally([&] { Gra_LoadTexture(kSlot, "gfx\\", "FUZZ.BMP", state, smooth, shrink); }))
    return 0;

  const TTextureEntry& e = TextureTable[kSlot];
  Check(g_uploads >= 1, "a found bitmap is uploaded");
  Check(e.Width >= 4 && e.Height >= 4 && e.Width <= kBmpMaxSide && e.Height <= kBmpMaxSide, "the entry's sides lie in 4 to 2048");
  Check(e.State <= 3, "the entry holds a valid state");
  Check(e.GLName == TextureNameCounter, "the entry holds the latest GL name");
  return 0;
}
