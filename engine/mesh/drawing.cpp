#include "engine/mesh/drawing.h"

#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/render/graphics.h"

namespace {

const TPlacement& Camera() { return Players[LocalPlayer < 11 ? LocalPlayer : 0].Camera; }

// Vertex numbers a polygon of `count` corners uses; false when one of them lies outside the
// mesh's vertex room, so the polygon must not be drawn.
bool CornersInRoom(const TMeshPolygon& p, int count) {
  for (int k = 0; k < count; ++k)
    if (p.Vertices[k] < 1 || p.Vertices[k] > kMeshMaxVertices) return false;
  return true;
}

int CornerCount(uint8_t kind) { return kind == kPolyQuad ? 4 : (kind == kPolyTriangle ? 3 : 0); }

void Vertex(const TMeshVertex& v) { GraGL.glVertex3f(v.x, v.y, v.z); }

void DrawWireFrame(const TMesh2& mesh, TMeshTint tint) {
  Gra_SetTexture(0);
  Gra_SetBlendMode(1);
  GraGL.glColor4f(ByteToFloat[tint.Red], ByteToFloat[tint.Green], ByteToFloat[tint.Blue], 1.0f);
  Gra_Begin(static_cast<int32_t>(glk::LINES));
  for (int i = 1; i <= mesh.PolygonCount; ++i) {
    const TMeshPolygon& p = mesh.Polygon(i);
    Gra_Count(kGraCountEdges, 4);
    Gra_Count(kGraCountVertices, 5);
    const int corners = CornerCount(p.Kind);
    if (corners == 0 || !CornersInRoom(p, corners)) continue;
    // A closed outline: each corner to the next, the last back to the first.
    for (int k = 0; k < corners; ++k) {
      Vertex(mesh.Vertex(p.Vertices[k]));
      Vertex(mesh.Vertex(p.Vertices[(k + 1) % corners]));
    }
  }
  Gra_End();
}

void DrawFilled(const TMesh2& mesh, TMeshTint tint, bool useTint, bool cull) {
  const TPlacement& cam = Camera();
  const TVector eye = {cam.X, cam.Y, cam.Z};
  float c[4] = {ByteToFloat[tint.Red], ByteToFloat[tint.Green], ByteToFloat[tint.Blue], ByteToFloat[tint.Alpha]};
  for (int i = 1; i <= mesh.PolygonCount; ++i) {
    const TMeshPolygon& p = mesh.Polygon(i);
    const int corners = CornerCount(p.Kind);
    if (corners == 0 || !CornersInRoom(p, corners)) continue;

    // Negative: the polygon faces the camera.
    const TMeshVertex& first = mesh.Vertex(p.Vertices[0]);
    TVector toFirst;
    VecSub(TVector{first.x, first.y, first.z}, eye, toFirst);
    const float facing = VecDot(toFirst, p.Normal);
    if (cull && facing >= 0.0f && !(p.Flags & kPolyTwoSided)) continue;

    if (!useTint) {
      c[0] = ByteToFloat[p.Colour[0]];
      c[1] = ByteToFloat[p.Colour[1]];
      c[2] = ByteToFloat[p.Colour[2]];
      c[3] = ByteToFloat[p.Colour[3]];
    }
    const bool lit = (p.Flags & kPolyLit) != 0;
    const bool flat = (p.Flags & kPolyFlat) != 0;

    Gra_SetTexture(p.Texture);
    Gra_Begin(corners == 4 ? 7 : 4);
    for (int k = 0; k < corners; ++k) {
      const TMeshVertex& v = mesh.Vertex(p.Vertices[k]);
      if (k == 0 || !flat) {
        if (lit) {
          const float b = MeshVertexBrightness(TVector{v.nx, v.ny, v.nz}, facing);
          GraGL.glColor4f(c[0] * b, c[1] * b, c[2] * b, c[3]);
        } else {
          GraGL.glColor4f(c[0], c[1], c[2], c[3]);
        }
      }
      if (TexturingOn) GraGL.glTexCoord2f(v.u, v.v);
      Vertex(v);
    }
    Gra_End();
    Gra_Count(kGraCountVertices, static_cast<uint32_t>(corners));
    Gra_Count(kGraCountTriangles, corners == 4 ? 2 : 1);
  }
}

}  // namespace

float MeshVertexBrightness(const TVector& normal, float facing) {
  TVector n = normal;
  if (facing > 0.0f) VecNegate(normal, n);
  const float s = -VecDot(LightDirection, n) / LightScale;
  return s < 0.0f ? AmbientLight : AmbientLight + s;
}

void Gra_DrawMesh(const TMesh2* mesh, TMeshTint tint, uint8_t mode, bool cull) {
  Gra_Count(kGraCountMeshes);
  if (!mesh) return;
  if (mode == kMeshModeWire) {
    DrawWireFrame(*mesh, tint);
    return;
  }
  if (mode == kMeshModeGhost) {
    Gra_SetBlendMode(2);
    tint = {255, 255, 255, kGhostAlpha};
  } else if (mode == kMeshModeOpaque) {
    Gra_SetBlendMode(1);
  }
  DrawFilled(*mesh, tint, mode == kMeshModeGhost || tint != kNoTint, cull);
}
