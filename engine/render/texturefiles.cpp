#include "engine/render/texturefiles.h"

#include <vector>

#include "engine/base/diagnostics.h"
#include "engine/base/text.h"
#include "engine/base/worldstate.h"
#include "engine/files/repository.h"
#include "engine/render/graphics.h"

namespace {

// The name as a slot stores it (cut to 20 characters), so a long name finds its slot again.
std::string SlotName(const std::string& name) { return name.substr(0, 20); }

uint16_t FirstFreeSlot(int from) {
  int slot = from;
  while (slot < kTextureSlots && !TextureTable[slot].Name.empty()) ++slot;
  return static_cast<uint16_t>(slot);
}

}  // namespace

uint16_t LoadTexture(const std::string& requested, uint8_t state, int32_t index, bool smooth) {
  if (index >= kTextureSlots || TextureCount >= kTextureSlots)
    SYS_BREAKPROGRAM("ERROR: Filehandling: LoadTexture: Tryed to load to much Textures!");
  if (index < -1)
    SYS_BREAKPROGRAM("ERROR: Filehandling: LoadTexture: invalid index " + std::to_string(index) + " for " + requested);
  const std::string name = UpperShort(requested);
  const std::string key = SlotName(name);

  uint16_t slot = 0;
  if (index == 0) {
    for (int i = 1; i <= TextureCount; ++i) {
      if (TextureTable[i].Name.str() != key) continue;
      if (TextureTable[i].State != state) SYS_Warning(name + " already loaded with different state");
      return static_cast<uint16_t>(i);
    }
    slot = FirstFreeSlot(kFirstGameTextureSlot);
  } else if (index == -1) {
    for (int i = 1; i <= kUITextureSlots; ++i) {
      if (TextureTable[i].Name.str() != key) continue;
      if (TextureTable[i].State == state) return static_cast<uint16_t>(i);
      SYS_Warning(name + " already loaded with different state - load once more");
    }
    slot = FirstFreeSlot(1);
    if (slot > kUITextureSlots) SYS_Warning("Error: Filehandling: LoadTexture: To Much UITextures to Load!");
  } else {
    for (int i = kFirstGameTextureSlot; i <= TextureCount; ++i) {
      if (i != index && TextureTable[i].Name.str() == key)
        SYS_Warning("Filehandling.LoadTexture: " + name + " wants fixed index but is already loaded at another position!");
    }
    slot = static_cast<uint16_t>(index);
  }
  if (slot > TextureCount) TextureCount = slot;

  std::string folder;
  uint8_t shrink = 0;
  if (slot <= kUITextureSlots) {
    if (xFileExists(kUIFolder + name)) folder = kUIFolder;
  } else if (xFileExists(kGfxHiFolder + name)) {
    folder = kGfxHiFolder;
    switch (GameOptions[kTextureDetailOption]) {
      case 1: shrink = 2; break;
      case 2: shrink = 1; break;
      default: shrink = 0; break;
    }
  }
  if (folder.empty() && xFileExists(kGfxFolder + name)) folder = kGfxFolder;
  if (folder.empty() && xFileExists(kBuildingsFolder + name)) folder = kBuildingsFolder;

  if (!folder.empty()) {
    LoadTextureFile(slot, smooth, folder, name, state, shrink);
    return slot;
  }
  if (state >= 4) SYS_BREAKPROGRAM("Filehandling.LoadTexture: invalid texture state for NoTexture.bmp");
  LoadTextureFile(slot, smooth, kGfxFolder, kNoTextureName, state, 0);
  TextureTable[slot].Name = name;
  SYS_Warning("Filehandling.LoadTexture: - " + name + " not found!");
  return slot;
}

void LoadTextureFile(uint16_t slot, bool smooth, const std::string& folder, const std::string& fileName,
                     uint8_t state, uint8_t shrink) {
  if (slot > kTextureSlots) return;
  if (fileName.find(".BMP") != std::string::npos) {
    Gra_LoadTexture(slot, folder, fileName, state, smooth, shrink);
    TextureTable[slot].FrameCount = 0;
    TextureTable[slot].FirstFrame = 0;
    TextureTable[slot].Name = fileName;
    return;
  }
  // A frame list. The slot carries its name before the frames load, so a list that names
  // itself finds this slot instead of loading again.
  TextureTable[slot].Name = fileName;
  TextureTable[slot].State = state;
  const std::string path = folder + fileName;
  std::vector<uint16_t> frames;
  TRepositoryFile f;
  xAssign(f, path);
  xReset(f, 1);
  while (!xEof(f)) {
    const int32_t before = xFilePos(f);
    std::string line;
    xReadLn(f, line, 255);
    if (xFilePos(f) == before) break;  // nothing more can be read
    if (line.empty() || line[0] == ';') continue;
    if (frames.size() >= 255) {
      xClose(f);
      SYS_BREAKPROGRAM("ERROR: Filehandling: LoadTexture: " + path + " has more than 255 frames!");
    }
    frames.push_back(LoadTexture(line, state, 0, true));
  }
  xClose(f);
  // The frames of one list stand one after another, also when a frame was a list itself.
  if (TextureFrameCount + frames.size() > kTextureFrameSlots)
    SYS_BREAKPROGRAM("ERROR: Filehandling: LoadTexture: " + path + ": more than " +
                     std::to_string(kTextureFrameSlots) + " texture frames!");
  for (uint16_t frame : frames) TextureFrames[++TextureFrameCount] = frame;
  TTextureEntry& e = TextureTable[slot];
  e.FrameCount = static_cast<uint8_t>(frames.size());
  e.FirstFrame = frames.empty() ? 0 : static_cast<uint16_t>(TextureFrameCount - frames.size() + 1);
  e.GLName = 0;
  if (frames.empty()) SYS_Warning("Filehandling.LoadTexture: " + path + " names no frames");
}
