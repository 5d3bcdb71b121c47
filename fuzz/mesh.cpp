// The mesh file reader on arbitrary bytes, both file versions: the texture list (every name goes
// through the texture lookup), the counts, the vertex and polygon records, the checks and the
// sort; then the mesh is drawn, opaque and as a wire frame. An unknown magic and more than 600
// vertices stop fatally, as the reader is meant to.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "engine/base/worldstate.h"
#include "engine/mesh/drawing.h"
#include "engine/mesh/mesh.h"
#include "fuzz/file_host.h"

using fuzz_files::Check;

namespace {

TMesh2& Mesh() {
  static TMesh2* mesh = new TMesh2();
  return *mesh;
}

bool Start() {
  fuzz_files::Start();
  LocalPlayer = 1;
  Players[1].Camera = TPlacement{};
  LightDirection = {0.0f, 0.0f, -1.0f};
  LightScale = 3.3f;
  AmbientLight = 0.666f;
  return true;
}

bool AllZero(const void* p, size_t n) {
  const auto* b = static_cast<const uint8_t*>(p);
  for (size_t i = 0; i < n; ++i)
    if (b[i] != 0) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = Start();
  (void)started;
  fuzz_files::ResetTextures();
  fuzz_files::WriteInput("vehicles/FUZZ.MSH2", data, size);
  TMesh2& mesh = Mesh();
  if (fuzz_files::StoppedFatally([&] { LoadMesh2(mesh, "vehicles\\", "FUZZ.MSH2"); })) return 0;

  Check(mesh.Index == 0, "a loaded mesh keeps record index 0");
  Check(mesh.VertexCount <= kMeshMaxVertices, "at most 600 vertices");
  Check(AllZero(mesh.Vertices + mesh.VertexCount, sizeof(TMeshVertex) * (kMeshMaxVertices - mesh.VertexCount)),
        "vertices past the count are zero");
  Check(AllZero(mesh.Polygons + mesh.PolygonCount, sizeof(TMeshPolygon) * (kMeshMaxPolygons - mesh.PolygonCount)),
        "polygons past the count are zero");
  const int highest = mesh.VertexCount > 0 ? mesh.VertexCount : 1;
  for (int p = 1; p <= mesh.PolygonCount; ++p) {
    const TMeshPolygon& poly = mesh.Polygon(p);
    const int used = poly.Kind == kPolyTriangle ? 3 : 4;
    for (int k = 0; k < 4; ++k) {
      Check(poly.Vertices[k] <= highest, "a vertex index above the count is set to 1");
      Check(k >= used || poly.Vertices[k] >= 1, "a used vertex index is not 0");
    }
    Check(poly.Texture <= kTextureSlots, "a texture slot lies in the table");
    Check(poly.Texture == 0 || !TextureTable[poly.Texture].Name.empty(), "a texture slot holds a loaded texture");
    if (p > 1) Check(mesh.Polygon(p - 1).Texture >= poly.Texture, "polygons sorted by texture slot, highest first");
  }

  Gra_DrawMesh(&mesh, kNoTint, kMeshModeOpaque, true);
  Gra_DrawMesh(&mesh, {10, 20, 30, 255}, kMeshModeWire, false);
  return 0;
}
