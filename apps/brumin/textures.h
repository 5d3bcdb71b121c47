// The building program's own texture table: bitmaps shared by their exact file name, animation
// rings of frame lists, the binds of its immediate-mode drawing and the error log "logfile.txt"
// of textures that were not found. Paths are Base_DIR + a data folder + the name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/base/types.h"

namespace brumin {

constexpr int kMeshTextureSlots = 200;
constexpr int kTextureFrames = 9;
// How many ".ANI" files in a row may name another one before the request is given up.
constexpr int kMaxTextureRedirections = 8;
constexpr const char* kMeshLogFile = "logfile.txt";

struct TMeshTexture {
  int32_t Height = 0;
  int32_t Width = 0;
  std::vector<uint8_t> Pixels;  // R, G, B (or R, G, B, A with Alpha) per pixel, rows bottom-up
  uint8_t Alpha = 0;            // loaded with a transparency channel
  uint32_t FrameNames[kTextureFrames] = {};  // GL texture names; frame f is FrameNames[f - 1]
  ShortString<255> FileName{};  // the file name exactly as requested
  ShortString<255> ListName{};  // the upper-cased animation list of this slot; empty when none
  uint16_t Next = 0;            // the next slot of its animation ring; 0 when none
};

// Slots 1..200; slot 0 stands for no texture and is never handed out.
extern TMeshTexture MeshTextureTable[kMeshTextureSlots + 1];
extern uint16_t MeshTextureCount;  // the highest slot in use
extern uint32_t MeshTextureNameCounter;  // the last GL texture name handed out
extern bool TexturingOn;           // BindTexture left texturing on

// Where the warnings of the textures, meshes and fonts of this program go.
void MeshUnitWarning(const std::string& msg);

// The table's start: no slot in use, the name counter at 2, nothing bound, no name known missing,
// and a fresh "logfile.txt" in logFolder (any existing one is deleted; the folder ends in '/').
void ResetMeshTextures(const std::string& logFolder);
// The full name of "logfile.txt" in use.
const std::string& MeshLogFileName();

// The slot of a texture file, loaded from gfx\, gfx_hi\ or ui\ on its first request; a name
// containing ".ANI" (any case) names a file in gfx\ whose third line is the texture to load
// instead. 0 when the texture cannot be loaded: a missing ".ANI" file (a warning), a file in none
// of the folders (its first request takes a slot that copies the slot before it and writes a line
// to "logfile.txt"; later requests of the name take none), a file that is no bitmap or holds fewer
// pixel bytes than its sides need (a warning; the slot keeps the name, so later requests return
// the slot), or a new name when all 200 slots are in use (a warning). With alpha, pure black and
// pure magenta pixels become fully transparent.
uint16_t LoadTextureByName(const std::string& name, bool alpha);
// The slot for a texture name of a mesh file: a name containing ".BMP" is one bitmap (its slot
// leaves any animation ring's name); any other names an animation list in gfx\ (else gfx_hi\)
// whose lines (";" starts a comment, empty lines are skipped) name the frames. The frames form a
// ring through their Next fields and the first frame's slot is returned; a second request for the
// list in any case returns it without reading the file. 0 with a warning for a list in neither
// folder or one whose frames all fail to load.
uint16_t LoadMeshTexture(const std::string& name, bool alpha);
// Makes frame (1..9; anything else counts as 1) of a slot the current GL texture, or switches
// texturing off for slot 0 or a slot that is not in use. The same slot and frame twice in a row
// bind once.
void BindTexture(uint16_t slot, uint8_t frame);
// Hands the entry's pixels to GL under the next texture name, stored as the given frame (1..9),
// repeated, linearly filtered, RGBA with Alpha and RGB without.
void UploadTexture(TMeshTexture& entry, uint8_t frame);

}  // namespace brumin
