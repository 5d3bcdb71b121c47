#include "apps/brumin/view3d.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>

#include <cmath>
#include <tuple>

#include "apps/brumin/glwindow.h"
#include "apps/brumin/mainform.h"
#include "apps/brumin/meshes.h"
#include "apps/brumin/textures.h"
#include "apps/common/viewmouse.h"
#include "engine/base/text.h"
#include "engine/render/fonts.h"
#include "engine/render/graphics.h"
#include "platform/platform.h"

namespace brumin {

int32_t ViewCentreX = 0, ViewCentreY = 0;
bool IgnoreMouseMove = false;

// ---- Mouse navigation

namespace {

// This view turns right and tilts down as the mouse goes right and down.
constexpr appcommon::TNavigationSigns kSigns{1, 1, 1};

appcommon::TNavMouse Mouse() { return {ViewCentreX, ViewCentreY, IgnoreMouseMove}; }

}  // namespace

TObserver NavigationStep(const TObserver& camera, int32_t h, int32_t v, bool shift, bool ctrl) {
  long double headingX = 0, headingZ = 0;
  const appcommon::TNavCamera<long double> c = appcommon::NavigationStep(
      appcommon::TNavCamera<long double>{camera.AugX, camera.AugY, camera.AugZ, camera.Nick, camera.Gier}, h, v,
      shift, ctrl, kSigns, headingX, headingZ);
  TObserver out = camera;
  std::tie(out.AugX, out.AugY, out.AugZ, out.Nick, out.Gier) = std::tie(c.X, c.Y, c.Z, c.Nick, c.Gier);
  if (!shift && !ctrl) out.Direction = {static_cast<float>(headingX), 0.0f, static_cast<float>(headingZ)};
  return out;
}

// ---- The frame

std::string CoordsText(const TObserver& camera) {
  auto value = [](long double v) { return FloatToStrDigits(1, static_cast<float>(v)); };
  return "X : " + value(camera.AugX) + " Y : " + value(camera.AugY) + " Z : " + value(camera.AugZ) +
         " NICK : " + value(camera.Nick) + " GIER : " + value(camera.Gier) + " ROLL : " + value(camera.Roll);
}

bool NodeColour(int32_t kind, bool label, float rgb[3]) {
  static constexpr float kColours[8][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0},
                                           {1, 1, 1}, {0, 1, 1}, {0.5f, 1, 1}, {0.5f, 1, 0}};
  const float* c = nullptr;
  static constexpr float kWaypointSphere[3] = {1, 0, 1}, kWaypointLabel[3] = {0, 1, 1};
  if (kind >= 0 && kind <= 7) c = kColours[kind];
  if (kind == kWaypointKind) c = label ? kWaypointLabel : kWaypointSphere;
  if (!c) return false;
  for (int i = 0; i < 3; ++i) rgb[i] = c[i];
  return true;
}

std::string NodeText(int32_t node, int32_t kind) {
  if (kind != kWaypointKind) return std::to_string(node);
  if (node == -1) return "CONNECTIONPOINT";
  if (node == -2) return "2nd. point";
  return std::string();
}

float SphereTurn(uint32_t ticks) { return static_cast<float>((ticks / 10) % 360); }

namespace {

void Colour(const float rgb[3]) { GraGL.glColor3f(rgb[0], rgb[1], rgb[2]); }

void KindColour(int32_t kind, bool label) {
  float rgb[3];
  if (NodeColour(kind, label, rgb)) Colour(rgb);  // another kind keeps the colour in force
}

void Turn(const TPreviewPlacement& p) {
  GraGL.glRotatef(p.Gier, 0.0f, 1.0f, 0.0f);
  GraGL.glRotatef(p.Nick, 1.0f, 0.0f, 0.0f);
  GraGL.glRotatef(p.Roll, 0.0f, 0.0f, 1.0f);
}

void Line(const TVector& a, const TVector& b) {
  Vertex3f(a.x, a.y, a.z);
  Vertex3f(b.x, b.y, b.z);
}

TVector Lifted(const TPreviewNode& n) { return {n.X, n.Y + 2.0f, n.Z}; }

}  // namespace

void DrawPreviewMeshes(const TPreviewBlocks& blocks) {
  for (int k = 1; k <= 10; ++k) {
    const TPreviewBlock& block = blocks[static_cast<size_t>(k)];
    if (!block.Loaded) continue;
    GraGL.glPushMatrix();
    for (const TPreviewPlacement* p : {&block.RowPlacement, &block.ScriptPlacement}) {
      GraGL.glTranslatef(p->X, p->Y, p->Z);
      Turn(*p);
    }
    DrawMesh(block.Mesh, 1, 1, 1, 1);
    GraGL.glPopMatrix();
  }
}

void DrawBoxBands(const TBoxBands& box) {
  BindTexture(0, 1);
  const float t = box.Top, b = box.Bottom;
  for (int s = 0; s < 4; ++s) {
    const int n = (s + 1) % 4;
    const float sx = box.X[static_cast<size_t>(s)], sz = box.Z[static_cast<size_t>(s)];
    const float nx = box.X[static_cast<size_t>(n)], nz = box.Z[static_cast<size_t>(n)];
    if (box.Fronts[static_cast<size_t>(s)])
      GraGL.glColor3f(0.0f, 1.0f, 1.0f);
    else
      GraGL.glColor3f(1.0f, 0.0f, 0.0f);
    const float quads[4][4][3] = {
        {{sx, b, sz}, {nx, b, nz}, {nx, b + 3, nz}, {sx, b + 3, sz}},          // along the bottom
        {{sx, t, sz}, {nx, t, nz}, {nx, t - 3, nz}, {sx, t - 3, sz}},          // along the top
        {{nx, t, nz}, {nx, b, nz}, {nx - 3, b, nz}, {nx - 3, t, nz}},          // up the next corner
        {{sx, b, sz}, {sx, t, sz}, {sx + 3, t, sz}, {sx + 3, b, sz}},          // up this corner
    };
    GraGL.glBegin(glk::QUADS);
    for (const auto& quad : quads)
      for (const auto& v : quad) Vertex3f(v[0], v[1], v[2]);
    GraGL.glEnd();
  }
}

void DrawSmokeMarker(const TPreviewBlock& block1, const TVector& smokePoint, uint16_t smokeTexture, float cameraGier) {
  const TPreviewPlacement& row = block1.RowPlacement;
  const TPreviewPlacement& script = block1.ScriptPlacement;
  GraGL.glPushMatrix();
  GraGL.glTranslatef(row.X, row.Y, row.Z);
  GraGL.glTranslatef(script.X, script.Y, script.Z);
  // The row's turns and the script's, each about its axis, so the point moves with the mesh.
  GraGL.glRotatef(row.Gier, 0.0f, 1.0f, 0.0f);
  GraGL.glRotatef(script.Gier, 0.0f, 1.0f, 0.0f);
  GraGL.glRotatef(row.Nick, 1.0f, 0.0f, 0.0f);
  GraGL.glRotatef(script.Nick, 1.0f, 0.0f, 0.0f);
  GraGL.glRotatef(row.Roll, 0.0f, 0.0f, 1.0f);
  GraGL.glRotatef(script.Roll, 0.0f, 0.0f, 1.0f);
  GraGL.glTranslatef(smokePoint.x, smokePoint.y, smokePoint.z);
  // Both vertical turns undone and the camera's taken, so the square faces the camera.
  GraGL.glRotatef(-cameraGier - row.Gier - script.Gier, 0.0f, 1.0f, 0.0f);
  BindTexture(smokeTexture, 1);
  GraGL.glColor3f(1.0f, 1.0f, 1.0f);
  GraGL.glBegin(glk::QUADS);
  GraGL.glTexCoord2f(0, 1);
  Vertex3f(-8.0f, -8.0f, 0.0f);
  GraGL.glTexCoord2f(1, 1);
  Vertex3f(8.0f, -8.0f, 0.0f);
  GraGL.glTexCoord2f(1, 0);
  Vertex3f(8.0f, 8.0f, 0.0f);
  GraGL.glTexCoord2f(0, 0);
  Vertex3f(-8.0f, 8.0f, 0.0f);
  GraGL.glEnd();
  GraGL.glEnable(glk::DEPTH_TEST);
  GraGL.glPopMatrix();
}

void DrawSphere(float radius, int32_t slices, int32_t stacks) {
  if (slices < 2 || stacks < 1) return;
  const long double pi = 3.14159265358979323846L;
  for (int32_t j = 0; j < stacks; ++j) {
    GraGL.glBegin(glk::QUAD_STRIP);
    for (int32_t i = 0; i <= slices; ++i) {
      const long double theta = i == slices ? 0.0L : 2.0L * pi * i / slices;
      for (int32_t row : {j, j + 1}) {
        const long double phi = pi * row / stacks;
        const float nx = static_cast<float>(std::sin(theta) * std::sin(phi));
        const float ny = static_cast<float>(std::cos(theta) * std::sin(phi));
        const float nz = static_cast<float>(std::cos(phi));
        GraGL.glNormal3f(nx, ny, nz);
        GraGL.glTexCoord2f(1.0f - static_cast<float>(i) / slices, 1.0f - static_cast<float>(row) / stacks);
        Vertex3f(nx * radius, ny * radius, nz * radius);
      }
    }
    GraGL.glEnd();
  }
}

void DrawNodes(const TPreviewNodes& nodes, uint16_t sphereTexture, TFont3D* font, float cameraGier, uint32_t ticks) {
  BindTexture(0, 1);
  const float turn = SphereTurn(ticks);
  for (int32_t k = TPreviewNodes::kFirst; k <= TPreviewNodes::kLast; ++k) {
    const TPreviewNode& n = nodes[k];
    if (!n.Visible) continue;
    const TVector at = Lifted(n);
    KindColour(n.Kind, false);
    GraGL.glPushMatrix();
    GraGL.glTranslatef(at.x, at.y, at.z);
    GraGL.glRotatef(turn, 1.0f, 1.0f, 0.0f);
    BindTexture(sphereTexture, 1);
    DrawSphere(2.0f, 8, 8);
    BindTexture(0, 1);
    GraGL.glPopMatrix();
    if (n.Kind == kWaypointKind)
      GraGL.glColor3f(0.0f, 1.0f, 1.0f);
    else
      GraGL.glColor3f(0.0f, 1.0f, 0.0f);
    for (int32_t link : {n.Next1, n.Next2}) {
      if (!LinkFollowed(link)) continue;  // 0, or a node the table does not hold
      GraGL.glBegin(glk::LINES);
      Line(at, Lifted(nodes[link]));
      GraGL.glEnd();
    }
  }
  if (!font) return;
  SelectFont(*font);
  FontScale = 128.0f;
  for (int32_t k = TPreviewNodes::kFirst; k <= TPreviewNodes::kLast; ++k) {
    const TPreviewNode& n = nodes[k];
    if (!n.Visible) continue;
    KindColour(n.Kind, true);
    GraGL.glPushMatrix();
    GraGL.glTranslatef(n.X, n.Y + 2.0f, n.Z);
    GraGL.glRotatef(-cameraGier, 0.0f, 1.0f, 0.0f);
    FontScale = n.Kind == kWaypointKind ? 64.0f : 128.0f;  // the waypoints' captions are long
    const std::string text = NodeText(k, n.Kind);
    SetTextPos(static_cast<float>(-(TextWidth(text) / 2)), 0.0f, 0.0f);
    DrawText(text);
    GraGL.glPopMatrix();
  }
}

void DrawWayStrip(const TWayPreview& way) {
  GraGL.glEnable(glk::LINE_SMOOTH);
  GraGL.glEnable(glk::BLEND);
  GraGL.glDisable(glk::ALPHA_TEST);
  GraGL.glColor3f(1.0f, 0.0f, 0.0f);
  BindTexture(0, 1);
  const std::array<TVector, 4>& e = way.WayEdgePoints;
  auto below = [](const TVector& p) { return TVector{p.x, p.y - 20.0f, p.z}; };
  GraGL.glBegin(glk::LINES);
  for (int k = 0; k < 4; ++k) Line(e[static_cast<size_t>(k)], e[static_cast<size_t>((k + 1) % 4)]);
  for (int k = 0; k < 4; ++k) Line(e[static_cast<size_t>(k)], below(e[static_cast<size_t>(k)]));
  for (int k = 0; k < 4; ++k) Line(below(e[static_cast<size_t>(k)]), below(e[static_cast<size_t>((k + 1) % 4)]));
  GraGL.glEnd();
  GraGL.glDisable(glk::BLEND);
  GraGL.glEnable(glk::ALPHA_TEST);
  GraGL.glDisable(glk::LINE_SMOOTH);
}

void DrawBuildingScene(const TBuildingScene& s) {
  if (s.Blocks) DrawPreviewMeshes(*s.Blocks);
  DrawBoxBands(s.Box);
  if (s.Smoking && s.Blocks) DrawSmokeMarker((*s.Blocks)[1], s.SmokePoint, s.SmokeTexture, s.CameraGier);
  if (s.ShowNodes && s.Nodes) DrawNodes(*s.Nodes, s.SphereTexture, s.Font, s.CameraGier, s.Ticks);
  if (s.Way && s.Way->WayPreviewVisible) DrawWayStrip(*s.Way);
}

// ---- The form's side

void MainForm::recentreCursor() {
  appcommon::RecentreViewCursor(Mouse(), OGLW->mapToGlobal(QPoint(0, 0)), OGLW->CachedWidth(), OGLW->CachedHeight());
}

void MainForm::OGLWMouseDown(QMouseEvent* e) {
  appcommon::NavigationMouseDown(Mouse(), e, OGLW->mapToGlobal(QPoint(0, 0)), OGLW->CachedWidth(), OGLW->CachedHeight());
}

void MainForm::OGLWMouseMove(QMouseEvent* e) {
  const appcommon::TNavEvent m = appcommon::NavEventOf(e);
  if (appcommon::NavigateMouseMove(Mouse(), OGLW->glDriver->Observer, &NavigationStep, m)) recentreCursor();
}

namespace {

float EditValue(const QLineEdit* e) { return ControlTextToFloat(e->text().toLatin1().toStdString()); }

}  // namespace

void MainForm::OGLWRedrawWorld() {
  const TObserver& camera = OGLW->glDriver->Observer;
  L_Coords->setText(QString::fromLatin1(CoordsText(camera).c_str()));
  GraGL.glEnable(glk::TEXTURE_2D);
  ++Frame;  // the script's "frame" counts every redraw

  // The box, the fronts, the smoke point and the node switch come from the pages every frame.
  TBuildingScene s;
  s.Blocks = PreviewBlocks.get();
  for (size_t i = 0; i < 4; ++i) {
    s.Box.X[i] = EditValue(bbx[i]);
    s.Box.Z[i] = EditValue(bbz[i]);
    s.Box.Fronts[i] = front[i]->isChecked();
  }
  s.Box.Top = EditValue(btop);
  s.Box.Bottom = EditValue(bbottom);
  s.Smoking = smoking->isChecked();
  s.SmokePoint = {EditValue(smokeposx), EditValue(smokeposy), EditValue(smokeposz)};
  s.SmokeTexture = static_cast<uint16_t>(SmokeTexture);
  s.ShowNodes = CB_ShowNodes->isChecked();
  s.Nodes = &PreviewNodes;
  s.SphereTexture = static_cast<uint16_t>(SphereTexture);
  s.Font = &TextFont;
  s.Way = &WayPreview;
  s.CameraGier = static_cast<float>(camera.Gier);
  s.Ticks = platform::Ticks();
  DrawBuildingScene(s);
}

}  // namespace brumin
