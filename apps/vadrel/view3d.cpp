#include "apps/vadrel/view3d.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>

#include <cmath>
#include <cstring>
#include <memory>

#include "apps/common/viewmouse.h"
#include "apps/vadrel/mainform.h"
#include "script/gamecommands.h"
#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/text.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/drawing.h"
#include "engine/render/graphics.h"
#include "engine/world/records.h"
#include "platform/gl.h"
#include "platform/platform.h"

namespace vadrel {

int32_t LastMouseX = 0, LastMouseY = 0;
bool SkipNextMouseMove = false;

// ---- Mouse navigation

namespace {

// This view turns left and tilts up as the mouse goes right and down.
constexpr appcommon::TNavigationSigns kSigns{-1, -1, -1};

appcommon::TNavMouse Mouse() { return {LastMouseX, LastMouseY, SkipNextMouseMove}; }

}  // namespace

TPlacement NavigationStep(const TPlacement& camera, int32_t moveX, int32_t moveY, bool shift, bool ctrl) {
  long double headingX = 0, headingZ = 0;
  const appcommon::TNavCamera<float> c = appcommon::NavigationStep(
      appcommon::TNavCamera<float>{camera.X, camera.Y, camera.Z, camera.Nick, camera.Gier}, moveX, moveY, shift, ctrl,
      kSigns, headingX, headingZ);
  TPlacement out = camera;
  out.X = c.X;
  out.Y = c.Y;
  out.Z = c.Z;
  out.Nick = c.Nick;
  out.Gier = c.Gier;
  return out;
}

bool ViewMouseMove(TPlacement& camera, int32_t x, int32_t y, bool rightHeld, bool shift, bool ctrl) {
  return appcommon::NavigateMouseMove(Mouse(), camera, &NavigationStep, {x, y, rightHeld, shift, ctrl});
}

void ViewRecentre(int32_t viewWidth, int32_t viewHeight) { Mouse().Recentre(viewWidth, viewHeight); }

// ---- The frame

std::string CoordsText(const TPlacement& camera) {
  const std::string gap = "    ";
  return "X:" + FloatToStrDigits(1, camera.X) + gap + "Y:" + FloatToStrDigits(1, camera.Y) + gap + "Z:" +
         FloatToStrDigits(1, camera.Z) + gap + "NICK:" + FloatToStrDigits(1, camera.Nick) + gap + "GIER:" +
         FloatToStrDigits(1, camera.Gier) + gap + "ROLL:" + FloatToStrDigits(1, camera.Roll);
}

namespace {

void White() { GraGL.glColor3f(1.0f, 1.0f, 1.0f); }

void V(const TVector& p) { GraGL.glVertex3f(p.x, p.y, p.z); }

// A quad drawn as its own primitive; in line mode only its four sides show.
void OutlineQuad(const TVector& a, const TVector& b, const TVector& c, const TVector& d) {
  GraGL.glBegin(glk::QUADS);
  V(a);
  V(b);
  V(c);
  V(d);
  GraGL.glEnd();
}

// The frame of a placement: moved to its position, turned by Gier, Nick and Roll.
void EnterPlacement(const TPlacement& p) {
  GraGL.glTranslatef(p.X, p.Y, p.Z);
  GraGL.glRotatef(p.Gier, 0.0f, 1.0f, 0.0f);
  GraGL.glRotatef(p.Nick, 1.0f, 0.0f, 0.0f);
  GraGL.glRotatef(p.Roll, 0.0f, 0.0f, 1.0f);
}

// P moved away from the centre by `length`; a point on the centre stays where it is.
TVector PushedOut(const TVector& p, const TVector& centre, float length) {
  TVector d;
  VecSub(p, centre, d);
  if (d.x == 0.0f && d.y == 0.0f && d.z == 0.0f) return p;
  Normalize(d);
  VecScaleSelf(d, length);
  TVector out;
  VecAdd(p, d, out);
  return out;
}

bool SilhouettePoint(int32_t i) { return i >= 1 && i <= 51; }

}  // namespace

void BeginViewFrame(const TPlacement& camera, int32_t width, int32_t height) {
  Gra_ClearScreen();
  ViewFov = 60.0f;
  ViewportSize[0] = width;
  ViewportSize[1] = height;
  ViewAspect = static_cast<float>(width) / static_cast<float>(std::max<int32_t>(height, 1));
  ViewFovX = ViewFov * ViewAspect;
  ViewNear = 5.0f;
  ViewFar = 2000.0f;
  const float right = static_cast<float>(Tan(ViewFovX / 2.0f * kDegToRad) * ViewNear);
  const float top = right / ViewAspect;
  ViewFrustum[0] = -right;
  ViewFrustum[1] = right;
  ViewFrustum[2] = -top;
  ViewFrustum[3] = top;
  Gra_SetPerspective(ViewFovX, ViewNear, ViewFar);
  Gra_EnableDepth();
  Gra_SetCamera(camera);
  Gra_ResetFrameState();
  Gra_SetTransform(TPlacement{});
}

void DrawGround(int32_t grassTexture) {
  Gra_SetTexture(static_cast<uint16_t>(grassTexture < 0 || grassTexture > kTextureSlots ? 0 : grassTexture));
  White();
  for (int i = -15; i <= 15; ++i) {
    for (int j = -15; j <= 15; ++j) {
      const float x0 = 50.0f * j, x1 = 50.0f * (j + 1), z0 = 50.0f * i, z1 = 50.0f * (i + 1);
      Gra_Begin(7);
      GraGL.glTexCoord2f(0, 0);
      GraGL.glVertex3f(x0, -3.0f, z0);
      GraGL.glTexCoord2f(1, 0);
      GraGL.glVertex3f(x1, -3.0f, z0);
      GraGL.glTexCoord2f(1, 1);
      GraGL.glVertex3f(x1, -3.0f, z1);
      GraGL.glTexCoord2f(0, 1);
      GraGL.glVertex3f(x0, -3.0f, z1);
      Gra_End();
    }
  }
}

void DrawWayPieces(const TMesh2* meshes, int32_t count) {
  if (!meshes) return;
  for (int32_t k = 1; k <= count; ++k) Gra_DrawMesh(&meshes[k], kNoTint, kMeshModeOpaque, false);
}

std::vector<uint32_t> PieceNodes(const TCurvePiece& piece) {
  const uint8_t count = piece.Way.NodesCounter > 100 ? 100 : piece.Way.NodesCounter;
  std::vector<uint32_t> nodes(count);
  for (int i = 0; i < count; ++i) nodes[i] = piece.Way.Nodes[i];  // a piece may lie off a 4-byte boundary
  return nodes;
}

std::string NodeLabel(uint32_t number, const TNode& node) {
  std::string label = "Node " + std::to_string(number);
  if (node.PrevLinkCount != 0) label += " B" + std::to_string(node.PrevLinks[0]);
  if (node.NextLinkCount != 0) label += " N" + std::to_string(node.NextLinks[0]);
  return label;
}

void DrawNodeMarkers(const TCurvePiece* pieces, int32_t count, bool rail, TFont3D* font) {
  if (!pieces || !font) return;
  for (int32_t k = 1; k <= count; ++k) {
    for (uint32_t n : PieceNodes(pieces[k])) {
      if (!MemNodeArray || n < 1 || n > NodeArrayCount) continue;  // names no node of the pool
      const TNode& node = NodeByIndex(n);
      const TVector& p = node.Position;
      White();
      Gra_SetTexture(0);
      Gra_Begin(static_cast<int32_t>(glk::LINES));
      GraGL.glVertex3f(p.x, -5.0f, p.z);
      GraGL.glVertex3f(p.x, 60.0f, p.z);
      Gra_End();
      SelectFont(font);
      SetFontScale(0.3f);
      Gra_PushMatrix();
      Gra_SetBillboard(p);
      const std::string label = NodeLabel(n, node);
      const float y = rail && n % 2 == 0 ? static_cast<float>(TextHeight(label)) + 60.0f : 60.0f;
      SetTextPos(static_cast<float>(-(TextWidth(label) / 2)), y, 0.0f);
      DrawText(label);
      Gra_PopMatrix();
    }
  }
}

TLightGeometry LightSilhouettes(const TVehicleInfo& info) {
  TLightGeometry g;
  bool flagged[52] = {};
  const TVector* sil = info.LightSilhouette;  // point i is sil[i - 1]
  for (int k = 0; k < 3; ++k) {
    if (!info.LightActive[k]) continue;
    const TLightRange& r = info.LightRanges[k];
    const int32_t first = r.FirstSil, last = r.LastSil, centreAt = r.Coord;
    // Only points of the record: a range reaching outside 1..51 leaves the light out.
    if (!SilhouettePoint(first) || !SilhouettePoint(last) || !SilhouettePoint(centreAt)) continue;
    const TVector centre = sil[centreAt - 1];
    flagged[centreAt] = true;
    const float length = info.LightCones[k][0];
    for (int32_t j = first; j <= last; ++j) {
      const TVector p = sil[j - 1];
      const int32_t next = j < last ? j + 1 : first;  // the outline closes
      const TVector q = sil[next - 1];
      flagged[next] = true;
      g.Quads.push_back({p, q, PushedOut(q, centre, length), PushedOut(p, centre, length)});
    }
  }
  for (int i = 1; i <= 51; ++i)
    if (flagged[i]) g.Points.push_back(sil[i - 1]);
  return g;
}

void DrawLightSilhouettes(const TVehicleInfo& info) {
  const TLightGeometry g = LightSilhouettes(info);
  for (const auto& q : g.Quads) {
    GraGL.glColor3f(1.0f, 0.0f, 0.0f);
    GraGL.glPolygonMode(glk::FRONT_AND_BACK, glk::LINE);
    OutlineQuad(q[0], q[1], q[2], q[3]);
    GraGL.glPolygonMode(glk::FRONT_AND_BACK, glk::FILL);
  }
  if (g.Points.empty()) return;
  GraGL.glBegin(glk::POINTS);
  for (const TVector& p : g.Points) V(p);
  GraGL.glEnd();
}

void DrawBoundingBox(const TViewBox& box) {
  const float top = box.Top, bottom = box.Bottom;
  GraGL.glPolygonMode(glk::FRONT_AND_BACK, glk::LINE);
  White();
  for (int i = 0; i < 4; ++i) {
    const TVector& a = box.Corners[i];
    const TVector& b = box.Corners[(i + 1) % 4];
    OutlineQuad({a.x, bottom, a.z}, {b.x, bottom, b.z}, {b.x, bottom + 0.5f, b.z}, {a.x, bottom + 0.5f, a.z});
    OutlineQuad({a.x, top, a.z}, {b.x, top, b.z}, {b.x, top - 0.5f, b.z}, {a.x, top - 0.5f, a.z});
    OutlineQuad({b.x, top, b.z}, {b.x, bottom, b.z}, {b.x - 0.5f, bottom, b.z}, {b.x - 0.5f, top, b.z});
    OutlineQuad({a.x, bottom, a.z}, {a.x, top, a.z}, {a.x + 0.5f, top, a.z}, {a.x + 0.5f, bottom, a.z});
  }
  GraGL.glPolygonMode(glk::FRONT_AND_BACK, glk::FILL);
}

void DrawSmokeMarker(int32_t smokeTexture, const TPlacement& part1, const TVector& position, const TPlacement& camera) {
  Gra_PushMatrix();
  GraGL.glDisable(glk::DEPTH_TEST);
  EnterPlacement(part1);
  GraGL.glTranslatef(position.x, position.y, -position.z);
  // Part 1's turn undone and the camera's heading taken, as a billboard does.
  GraGL.glRotatef(camera.Gier - part1.Gier, 0.0f, 1.0f, 0.0f);
  Gra_SetTexture(static_cast<uint16_t>(smokeTexture < 0 || smokeTexture > kTextureSlots ? 0 : smokeTexture));
  White();
  Gra_Begin(7);
  GraGL.glTexCoord2f(0, 1);
  GraGL.glVertex3f(-2.5f, -2.5f, 0.0f);
  GraGL.glTexCoord2f(1, 1);
  GraGL.glVertex3f(2.5f, -2.5f, 0.0f);
  GraGL.glTexCoord2f(1, 0);
  GraGL.glVertex3f(2.5f, 2.5f, 0.0f);
  GraGL.glTexCoord2f(0, 0);
  GraGL.glVertex3f(-2.5f, 2.5f, 0.0f);
  Gra_End();
  GraGL.glEnable(glk::DEPTH_TEST);
  Gra_PopMatrix();
}

void DrawViewScene(const TViewScene& s, const TPlacement& camera) {
  DrawGround(s.GrassTexture);
  DrawWayPieces(s.RoadPieceMeshes, s.RoadPieceCount);
  if (s.ShowNodes) DrawNodeMarkers(s.RoadPieces, s.RoadPieceCount, false, s.NodeFont);
  White();
  DrawWayPieces(s.RailPieceMeshes, s.RailPieceCount);
  if (s.ShowNodes) DrawNodeMarkers(s.RailPieces, s.RailPieceCount, true, s.NodeFont);

  Gra_Color4ub(255, 255, 255, 255);
  for (int k = 1; k <= 14; ++k)
    if (s.Parts[k]) Gra_DrawMesh(s.Parts[k], kNoTint, kMeshModeOpaque, false);

  // Light silhouettes and the box in part 1's frame.
  Gra_PushMatrix();
  EnterPlacement(s.Part1Placement);
  Gra_SetTexture(0);
  if (s.ShowLights && s.Lights) DrawLightSilhouettes(*s.Lights);
  DrawBoundingBox(s.Box);
  Gra_PopMatrix();

  GraGL.glTexEnvf(glk::TEXTURE_ENV, glk::TEXTURE_ENV_MODE, static_cast<float>(glk::MODULATE));
  if (s.Smoking) DrawSmokeMarker(s.SmokeTexture, s.Part1Placement, s.SmokePosition, camera);
}

void PlacePartMesh(const TMesh2& source, const TPlacement& p, TMesh2& out) {
  std::memcpy(&out, &source, sizeof(TMesh2));
  struct Turn {
    bool on = false;
    float s = 0, c = 1;
  } roll, nick, gier;
  auto prepare = [](Turn& t, float angle) {
    if (angle == 0.0f) return;
    t.on = true;
    SinCos(t.s, t.c, angle * kDegToRad);
  };
  prepare(roll, p.Roll);
  prepare(nick, p.Nick);
  prepare(gier, p.Gier);
  auto turn = [&](TVector& v) {
    if (roll.on) RotateZ(v, roll.c, roll.s);
    if (nick.on) RotateX(v, nick.c, nick.s);
    if (gier.on) RotateY(v, gier.c, gier.s);
  };
  const int vertices = std::min<int>(out.VertexCount, kMeshMaxVertices);
  for (int i = 1; i <= vertices; ++i) {
    TMeshVertex& v = out.Vertex(i);
    TVector pos = {v.x, v.y, v.z}, n = {v.nx, v.ny, v.nz};
    turn(pos);
    turn(n);
    v.x = pos.x + p.X;
    v.y = pos.y + p.Y;
    v.z = pos.z + p.Z;
    v.nx = n.x;
    v.ny = n.y;
    v.nz = n.z;
  }
  for (int i = 1; i <= out.PolygonCount; ++i) turn(out.Polygon(i).Normal);
}

// ---- The form's side

namespace {

// The placed part meshes of the frame (27 KB each: kept off the stack).
std::unique_ptr<std::array<TMesh2, 15>> g_parts;

}  // namespace

void MainForm::buildView3D() {
  L_Coords = new QLabel(this);
  L_Coords->setObjectName("L_Coords");
  L_Coords->setGeometry(0, 516, 535, 18);
  OGLW->onMousePress = [this](QMouseEvent* e) { OGLWMouseDown(e); };
  OGLW->onMouseMove = [this](QMouseEvent* e) { OGLWMouseMove(e); };
}

void MainForm::recentreCursor() { appcommon::RecentreViewCursor(Mouse(), OGLW->mapToGlobal(QPoint(0, 0)), OGLW->width(), OGLW->height()); }

void MainForm::OGLWMouseDown(QMouseEvent* e) {
  appcommon::NavigationMouseDown(Mouse(), e, OGLW->mapToGlobal(QPoint(0, 0)), OGLW->width(), OGLW->height());
}

void MainForm::OGLWMouseMove(QMouseEvent* e) {
  const appcommon::TNavEvent m = appcommon::NavEventOf(e);
  if (appcommon::NavigateMouseMove(Mouse(), Players[LocalPlayer].Camera, &NavigationStep, m)) recentreCursor();
}

// The editing controls the frame reads, found by their names. Until the window has a control,
// its value comes from the record that saving under "***" refreshes.
namespace {

const QCheckBox* Box(const QObject* form, const char* name) { return form->findChild<QCheckBox*>(name); }

float EditValue(const QObject* form, const char* name, float fallback) {
  const QLineEdit* e = form->findChild<QLineEdit*>(name);
  return e ? ControlTextToFloat(e->text().toLatin1().toStdString()) : fallback;
}

}  // namespace

bool MainForm::viewShowNodes() const {
  const QCheckBox* b = Box(this, "CB_Nodes");
  return b && b->isChecked();
}

bool MainForm::viewShowLights() const {
  const QCheckBox* b = Box(this, "ShowLights");
  return b ? b->isChecked() : true;  // without the switch the record's active lights show
}

bool MainForm::viewSmoking() const {
  const QCheckBox* b = Box(this, "smoking");
  return b ? b->isChecked() : TestVehicleInfo.Smoking != 0;
}

TVector MainForm::viewSmokePosition() const {
  const TVector& v = TestVehicleInfo.SmokePosition;
  return {EditValue(this, "E_SmokeX", v.x), EditValue(this, "smokeposy", v.y), EditValue(this, "smokeposz", v.z)};
}

TViewBox MainForm::viewBoundingBox() const {
  TViewBox box{};
  for (int i = 0; i < 4; ++i) {
    const TVector& c = TestVehicleInfo.BoundCorners[i];
    const std::string n = std::to_string(i + 1);
    box.Corners[i] = {EditValue(this, ("bbx" + n).c_str(), c.x), EditValue(this, ("bby" + n).c_str(), c.y),
                      EditValue(this, ("bbz" + n).c_str(), c.z)};
  }
  box.Top = EditValue(this, "btop", TestVehicleInfo.BoundTop);
  box.Bottom = EditValue(this, "bbottom", TestVehicleInfo.BoundBottom);
  return box;
}

TPlacement MainForm::meshRowPlacement(int row) const {
  auto cell = [this, row](int col) { return ControlTextToFloat(SGrid_Meshes->cell(col, row).toLatin1().toStdString()); };
  TPlacement p{};
  p.X = cell(2);
  p.Y = cell(3);
  p.Z = cell(4);
  p.Nick = cell(5);
  p.Gier = cell(6);
  p.Roll = cell(7);
  return p;
}

void MainForm::DrawView3D() {
  const bool onTrack = CalcWClick(false);
  const TPlacement camera = Players[LocalPlayer].Camera;
  const qreal dpr = OGLW->devicePixelRatio();
  BeginViewFrame(camera, static_cast<int32_t>(OGLW->width() * dpr), static_cast<int32_t>(OGLW->height() * dpr));
  L_Coords->setText(QString::fromLatin1(CoordsText(camera).c_str()));

  TViewScene s;
  s.GrassTexture = GrassTexture;
  s.SmokeTexture = SmokeTexture;
  s.NodeFont = &NodeFont;
  s.RoadPieceMeshes = RoadPieceMeshes->data();
  s.RoadPieces = RoadPieces->data();
  s.RoadPieceCount = std::min<int32_t>(RoadPieceCount, 10);
  s.RailPieceMeshes = RailPieceMeshes->data();
  s.RailPieces = RailPieces->data();
  s.RailPieceCount = std::min<int32_t>(RailPieceCount, 10);
  s.ShowNodes = viewShowNodes();

  // The vehicle on the track: the script host's parts at their placements. A vehicle that stands
  // nowhere (a plane, a ship, or no room on the track) shows each checked row's mesh at the row's
  // placement instead.
  if (!g_parts) g_parts = std::make_unique<std::array<TMesh2, 15>>();
  if (onTrack) {
    for (int k = 1; k <= std::min(PartCount, 14); ++k) {
      PlacePartMesh(PartMeshes[k], MeshPartTransforms[k], (*g_parts)[k]);
      s.Parts[k] = &(*g_parts)[k];
    }
    s.Part1Placement = MeshPartTransforms[1];
  } else {
    for (int k = 1; k <= 5; ++k) {
      if (!MeshRowBoxes[k] || !MeshRowBoxes[k]->isChecked()) continue;
      PlacePartMesh((*PreviewMeshes)[k], meshRowPlacement(k), (*g_parts)[k]);
      s.Parts[k] = &(*g_parts)[k];
    }
    s.Part1Placement = meshRowPlacement(1);
  }
  s.ShowLights = viewShowLights();
  s.Lights = &TestVehicleInfo;
  s.Box = viewBoundingBox();
  s.Smoking = viewSmoking();
  s.SmokePosition = viewSmokePosition();
  DrawViewScene(s, camera);
}

void MainForm::OGLWRedrawWorld() {
  DrawView3D();
  Gra_SwapBuffers();
  ++frames_;
}

}  // namespace vadrel
