// The building program's meshes drawn into the back buffer: a colour polygon after a textured one
// is untextured in its own colour, a textured one shows its picture.
#include <cstring>
#include <memory>

#include "apps/brumin/meshes.h"
#include "apps/brumin/textures.h"
#include "tests/support/gfx_test_files.h"
#include "tests/support/gl_view.h"
#include "tools/sample_building.h"

using gl_test::Rgba;

namespace {

class BruminGl : public gl_test::GlView {
 protected:
  void TearDown() override {
    brumin::ResetMeshTextures(base_);
    GlView::TearDown();
  }
  // The sample data folders, found from the current folder, with the mesh unit started there.
  void StartBase() {
    base_ = SampleBase();
    Base_DIR = "";
    Work_DIR = "buildings\\";
    brumin::InitMeshUnit();
  }
  std::string base_;
};

TEST_F(BruminGl, ColourPolygonAfterATexturedOneIsGreyAndUntextured) {
  Open();
  StartBase();
  testing_support::WriteFileBytes(base_ + "gfx/green.bmp", gfx_test::SolidBmp(8, 8, {0, 255, 0}));
  const uint16_t green = brumin::LoadTextureByName("green.bmp", false);
  ASSERT_NE(green, 0);

  // Two squares of 40 pixels left and right of the centre at z = -1 in the pixel projection: the
  // right one a textured triangle pair, the left one a pair of grey colour triangles after them.
  auto block = std::make_unique<brumin::TMeshBlock>();
  brumin::TMeshBlock& b = *block;
  std::memset(&b, 0, sizeof(b));
  const float xs[2][2] = {{20, 60}, {-60, -20}};
  for (int s = 0; s < 2; ++s) {
    b.Vertices[4 * s + 0] = {xs[s][0], -20, -1};
    b.Vertices[4 * s + 1] = {xs[s][1], -20, -1};
    b.Vertices[4 * s + 2] = {xs[s][1], 20, -1};
    b.Vertices[4 * s + 3] = {xs[s][0], 20, -1};
  }
  b.VertexCount = 8;
  b.TextureSlotCount = 1;
  b.TextureSlots[0] = green;
  b.TriangleCount = 4;
  b.Triangles[0] = {{0, 1, 1}, {0, 0, 1}, {1, 2, 3}, 1, 0};
  b.Triangles[1] = {{0, 1, 0}, {0, 1, 1}, {1, 3, 4}, 1, 0};
  b.Triangles[2] = {{100, 0, 0}, {0.5f, 0.5f, 0.5f}, {5, 6, 7}, 1, 0};
  b.Triangles[3] = {{100, 0, 0}, {0.5f, 0.5f, 0.5f}, {5, 7, 8}, 1, 0};

  SetSky(0, 0, 1);
  Gra_ClearScreen();
  PixelProjection();
  brumin::DrawMesh(b, 1, 1, 1, 1);
  const Rgba grey = ReadPixel(W / 2 - 40, H / 2);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(grey[i], 128, 1) << "channel " << i;
  EXPECT_EQ(ReadPixel(W / 2 + 40, H / 2), (Rgba{0, 255, 0, 255}));
  EXPECT_EQ(ReadPixel(W / 2, H / 2), (Rgba{0, 0, 255, 255}));  // between them the sky
  EXPECT_FALSE(GraGL.glIsEnabled(glk::TEXTURE_2D));
  EXPECT_EQ(GraGL.glGetError(), glk::NO_ERROR);
}

TEST_F(BruminGl, SampleShedShowsItsWallTexture) {
  Open();
  StartBase();
  std::string error;
  ASSERT_TRUE(sample_building::WriteSampleBuilding(base_, error)) << error;
  auto block = std::make_unique<brumin::TMeshBlock>();
  brumin::LoadMeshFile(*block, "oldshed.msh");
  ASSERT_EQ(block->QuadCount, 6);
  // The shed's front wall (x -3 to 3, y 0 to 3 at z = 2) in a parallel projection of x -4 to 4
  // and y -1 to 3.8 across the panel.
  SetSky(0, 0, 0);
  Gra_ClearScreen();
  GraGL.glMatrixMode(glk::PROJECTION);
  GraGL.glLoadIdentity();
  GraGL.glOrtho(-4, 4, -1, 3.8, -100, 100);
  GraGL.glMatrixMode(glk::MODELVIEW);
  GraGL.glLoadIdentity();
  brumin::DrawMesh(*block, 1, 1, 1, 1);
  // Somewhere on the wall: the bricks' red or the mortar's grey, never the black sky.
  const Rgba wall = ReadPixel(W / 2 - 30, H / 2 + 10);
  EXPECT_GT(wall[0], 100);
  EXPECT_EQ(GraGL.glGetError(), glk::NO_ERROR);
}

}  // namespace
