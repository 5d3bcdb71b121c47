// TransformMesh against the model-view matrix that Gra_SetTransform builds in GL: under a camera
// that changes nothing, the matrix read back from GL moves every vertex where TransformMesh puts
// it, and its turning part turns the normals alike.
#include <cmath>
#include <memory>
#include <string>

#include "engine/mesh/mesh.h"
#include "tests/support/gl_view.h"

using gl_test::GlView;

namespace {

using Mat = std::array<float, 16>;  // column by column, as GL keeps it

Mat ModelView() {
  Mat m{};
  GraGL.glGetFloatv(glk::MODELVIEW_MATRIX, m.data());
  return m;
}

// m * (x, y, z, w) in double, the first three components.
std::array<double, 3> Apply(const Mat& m, double x, double y, double z, double w) {
  std::array<double, 3> r{};
  for (int row = 0; row < 3; ++row) r[row] = m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row] * w;
  return r;
}

// Agreement within float rounding: a few units of the last place of the values involved.
void ExpectAgree(const std::array<double, 3>& gl, float x, float y, float z, double scale, const std::string& what) {
  const double eps = 8 * 1.2e-7 * scale;
  EXPECT_NEAR(x, gl[0], eps) << what << " x";
  EXPECT_NEAR(y, gl[1], eps) << what << " y";
  EXPECT_NEAR(z, gl[2], eps) << what << " z";
}

// A block with its ends and a triangle whose vertex normals are not unit length, so that every
// turn shows in each component.
std::unique_ptr<TMesh2> SampleMesh() {
  auto m = std::make_unique<TMesh2>();
  BuildBlockMesh(*m, {-3.0f, 2.0f, -1.5f}, {4.5f, 2.5f, -2.0f}, {5.0f, 1.0f, 6.0f}, {-2.5f, 0.5f, 7.0f}, 2.25f,
                 true, 0, 1.0f);
  m->vxA(21, 0.3f, -7.0f, 2.0f, 0, 0);
  m->vxA(22, 8.0f, 1.0f, -4.0f, 0, 0);
  m->vxA(23, -1.0f, 6.0f, 0.7f, 0, 0);
  AddTriangle(*m, 21, 22, 23, 0, true, true, 255, 255, 255, 255);
  m->Vertex(22).nx = 0.6f;
  m->Vertex(22).ny = -1.3f;
  m->Vertex(22).nz = 0.2f;
  return m;
}

TEST_F(GlView, TransformMeshMovesVerticesAsTheModelViewOfSetTransform) {
  Open();
  ViewFrustum[0] = -2.0f;
  ViewFrustum[1] = 2.0f;
  ViewFrustum[2] = -1.5f;
  ViewFrustum[3] = 1.5f;
  Gra_SetPerspective(60.0f, 5.0f, 2000.0f);
  Gra_SetCamera(TPlacement{});
  const Mat camera = ModelView();
  for (int i = 0; i < 16; ++i) ASSERT_EQ(camera[i], (i % 5 == 0) ? 1.0f : 0.0f) << "the camera changes nothing";

  const TPlacement placements[] = {
      {0, 0, 0, 0, 0, 0},
      {12.5f, -3.0f, 40.0f, 0, 0, 0},
      {0, 0, 0, 0, 90.0f, 0},
      {0, 0, 0, 30.0f, 0, 0},
      {0, 0, 0, 0, 0, -45.0f},
      {100.0f, 20.0f, -250.0f, 15.0f, 30.0f, 45.0f},
      {-4.0f, 0.5f, 7.0f, 90.0f, -60.0f, 10.0f},
      {1.0f, 2.0f, 3.0f, -170.0f, 405.0f, 89.0f},
  };
  const auto original = SampleMesh();
  for (const TPlacement& p : placements) {
    const std::string where = "placement (" + std::to_string(p.X) + ", " + std::to_string(p.Y) + ", " +
                              std::to_string(p.Z) + ") Roll " + std::to_string(p.Roll) + " Gier " +
                              std::to_string(p.Gier) + " Nick " + std::to_string(p.Nick);
    SCOPED_TRACE(where);
    Gra_SetTransform(p);
    const Mat mv = ModelView();
    auto m = std::make_unique<TMesh2>(*original);
    TransformMesh(*m, p);
    const double move = std::fabs(p.X) + std::fabs(p.Y) + std::fabs(p.Z);
    for (int i = 1; i <= m->VertexCount; ++i) {
      const TMeshVertex& o = original->Vertex(i);
      const TMeshVertex& t = m->Vertex(i);
      const double size = std::fabs(o.x) + std::fabs(o.y) + std::fabs(o.z);
      ExpectAgree(Apply(mv, o.x, o.y, o.z, 1), t.x, t.y, t.z, 1 + size + move, "vertex " + std::to_string(i));
      const double length = std::fabs(o.nx) + std::fabs(o.ny) + std::fabs(o.nz);
      ExpectAgree(Apply(mv, o.nx, o.ny, o.nz, 0), t.nx, t.ny, t.nz, 1 + length, "normal " + std::to_string(i));
    }
    for (int i = 1; i <= m->PolygonCount; ++i) {
      const TVector& o = original->Polygon(i).Normal;
      const TVector& t = m->Polygon(i).Normal;
      ExpectAgree(Apply(mv, o.x, o.y, o.z, 0), t.x, t.y, t.z, 2, "polygon " + std::to_string(i));
    }
  }
  EXPECT_EQ(GraGL.glGetError(), glk::NO_ERROR);
}

}  // namespace
