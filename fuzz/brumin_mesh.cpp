// The building program's mesh reader on arbitrary bytes, every input in both layouts: as a *.msh2
// file (the shared reader with the building program's rules) converted into a block, and as a file
// of the older header-less layout; each block is then drawn. Neither stops fatally: every fault is
// a warning and a cut or an empty block. The base folder holds a few textures, a frame list and a
// ".ANI" file under the sample building's names, so that texture names of the inputs find them.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "apps/brumin/meshes.h"
#include "apps/brumin/textures.h"
#include "engine/base/worldstate.h"
#include "fuzz/file_host.h"

using fuzz_files::Check;

namespace {

brumin::TMeshBlock& Block() {
  static auto* block = new brumin::TMeshBlock();
  return *block;
}

bool Start() {
  fuzz_files::Start();
  const std::string& base = fuzz_files::Base();
  fuzz_files::WriteBytes(base + "buildings/NoMesh.msh2", fuzz_files::PlaceholderMesh());
  for (const char* texture : {"hwall.bmp", "hroof.bmp", "hfence.bmp", "lamp1.bmp", "lamp2.bmp", "flag1.bmp"})
    fuzz_files::WriteBytes(base + "gfx/" + texture, fuzz_files::PlaceholderBitmap());
  fuzz_files::WriteBytes(base + "gfx/lamp.lst", "; two frames\r\nlamp1.bmp\r\nlamp2.bmp\r\n");
  fuzz_files::WriteBytes(base + "gfx/flag.ani", "QZ ANI\r\n1\r\nflag1.bmp\r\n");
  // The data folders are found from the current folder, the base.
  Base_DIR = "";
  Work_DIR = "buildings\\";
  return true;
}

void CheckBlock(const brumin::TMeshBlock& b) {
  Check(b.VertexCount <= brumin::kBlockMaxVertices, "at most 5000 vertices");
  Check(b.TextureSlotCount <= brumin::kBlockTextureSlots, "at most 20 texture slots");
  Check(b.QuadCount <= 255 && b.TriangleCount <= 255, "at most 255 quads and 255 triangles");
  const auto corner = [&](uint16_t c) { return c == 1 || (c >= 1 && c <= b.VertexCount); };
  for (int i = 0; i < b.QuadCount; ++i) {
    for (uint16_t c : b.Quads[i].Corners) Check(corner(c), "a quad's corner names a vertex");
    Check(b.Quads[i].Texture <= b.TextureSlotCount, "a quad's texture position lies in the list");
  }
  for (int i = 0; i < b.TriangleCount; ++i) {
    for (uint16_t c : b.Triangles[i].Corners) Check(corner(c), "a triangle's corner names a vertex");
    Check(b.Triangles[i].Texture <= b.TextureSlotCount, "a triangle's texture position lies in the list");
  }
  for (int i = 0; i < b.TextureSlotCount; ++i)
    Check(b.TextureSlots[i] <= brumin::MeshTextureCount, "a texture slot is in use or 0");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = Start();
  (void)started;
  brumin::ResetMeshTextures(fuzz_files::Base());
  fuzz_files::WriteInput("buildings/FUZZ.MSH2", data, size);
  fuzz_files::WriteInput("buildings/FUZZ.MSH", data, size);
  for (const char* name : {"FUZZ.MSH2", "FUZZ.MSH"}) {
    brumin::TMeshBlock& block = Block();
    Check(!fuzz_files::StoppedFatally([&] { brumin::LoadMeshFile(block, name); }), "no mesh input stops the program");
    CheckBlock(block);
    Check(brumin::MeshTextureCount <= brumin::kMeshTextureSlots, "at most 200 texture slots");
    for (int s = 1; s <= brumin::MeshTextureCount; ++s)
      Check(brumin::MeshTextureTable[s].Next <= brumin::MeshTextureCount, "a ring leads to a slot in use");
    brumin::DrawMesh(block, 1, 1, 1, 1);
  }
  return 0;
}
