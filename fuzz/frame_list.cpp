// The frame-list reader on arbitrary bytes: gfx\FUZZ.LST is loaded as an animated texture, every
// line that is not a comment naming a frame, which is loaded as a game texture of its own (the
// placeholder stands in for names that are not found). The first byte picks the texture state
// (its low two bits) and the texture detail (bits 2 and 3). A list of more than 255 frames and
// more than 1,000 frames over all lists stop fatally, as the reader is meant to.
#include <cstddef>
#include <cstdint>

#include "engine/base/worldstate.h"
#include "engine/render/graphics.h"
#include "engine/render/texturefiles.h"
#include "fuzz/file_host.h"

using fuzz_files::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = fuzz_files::Start();
  (void)started;
  fuzz_files::ResetTextures();
  fuzz_files::WriteInput("gfx/FUZZ.LST", data, size);
  const uint8_t state = size > 0 ? data[0] & 3 : 0;
  GameOptions[kTextureDetailOption] = size > 0 ? (data[0] >> 2) & 3 : 0;
  uint16_t slot = 0;
  if (fuzz_files::StoppedFatally([&] { slot = LoadTexture("fuzz.lst", state, 0, true); })) return 0;

  Check(slot > kUITextureSlots && slot <= kTextureSlots, "a frame list takes a game slot");
  const TTextureEntry& e = TextureTable[slot];
  Check(e.Name.str() == "FUZZ.LST" && e.GLName == 0, "the list's entry holds its name and no GL name");
  Check(TextureFrameCount <= kTextureFrameSlots, "at most 1,000 frames");
  if (e.FrameCount == 0) {
    Check(e.FirstFrame == 0, "a list without frames is not animated");
    return 0;
  }
  Check(e.FirstFrame >= 1 && e.FirstFrame + e.FrameCount - 1u <= TextureFrameCount, "the frames lie in the frame table");
  for (uint32_t i = e.FirstFrame; i < e.FirstFrame + e.FrameCount; ++i) {
    const uint16_t frame = TextureFrames[i];
    Check(frame >= 1 && frame <= kTextureSlots && frame <= TextureCount, "a frame is a slot in use");
    Check(!TextureTable[frame].Name.empty(), "a frame's slot holds a name");
  }
  Gra_SetTexture(slot);
  return 0;
}
