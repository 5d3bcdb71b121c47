// Texture names to texture slots: the slot choice, the search through the data folders, the
// texture-detail rule, frame lists of animated textures and the placeholder for missing files.
#pragma once

#include <cstdint>
#include <string>

// Folders searched, relative to the current directory.
constexpr const char* kUIFolder = "ui\\";
constexpr const char* kGfxHiFolder = "gfx_hi\\";
constexpr const char* kGfxFolder = "gfx\\";
constexpr const char* kBuildingsFolder = "buildings\\";
constexpr const char* kNoTextureName = "NOTEXTURE.BMP";
// GameOptions byte of the texture detail (1, 2 or 3).
constexpr int kTextureDetailOption = 13;

// Loads a texture by name and returns its slot. index -1 asks for a user-interface slot, 0 for
// any free game slot, a positive number (below 2,500) for exactly that slot. A name already
// loaded is returned without loading again (index 0 and -1). Smooth selects linear filtering.
uint16_t LoadTexture(const std::string& name, uint8_t state, int32_t index, bool smooth);

// Loads one found file into the slot: a name containing ".BMP" is a bitmap, any other name a
// frame list whose lines (";" starts a comment) name the frames, each a game texture of its own.
void LoadTextureFile(uint16_t slot, bool smooth, const std::string& folder, const std::string& fileName,
                     uint8_t state, uint8_t shrink);
