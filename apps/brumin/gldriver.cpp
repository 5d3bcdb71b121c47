#include "apps/brumin/gldriver.h"

#include <cfenv>
#include <cmath>

#include "engine/render/graphics.h"
#include "platform/gl.h"
#include "platform/platform.h"

namespace brumin {

namespace {

constexpr uint32_t kTextureMatrix = 0x1702;  // GL_TEXTURE as a matrix mode
constexpr long double kPi = 3.141592653589793238462643383279502884L;

uint32_t MatrixModeOf(TViewMode mode) {
  switch (mode) {
    case vmProjection:
      return glk::PROJECTION;
    case vmTexture:
      return kTextureMatrix;
    case vmModelView:
    default:
      return glk::MODELVIEW;
  }
}

}  // namespace

void TGlColour::Set(uint32_t value) {
  Value = value;
  Components[0] = static_cast<float>((value & 0xFF) / 255.0L);
  Components[1] = static_cast<float>(((value >> 8) & 0xFF) / 255.0L);
  Components[2] = static_cast<float>(((value >> 16) & 0xFF) / 255.0L);
  Components[3] = 1.0f;
}

void ComputeFrustum(TPerspective& p) {
  const long double top = std::tan(p.AugYAngle / 2.0L * kPi / 180.0L) * p.NearClipping;
  const long double right = top * p.AspectRatio;
  p.Top = static_cast<float>(top);
  p.Right = static_cast<float>(right);
  p.Bottom = static_cast<float>(-top);
  p.Left = static_cast<float>(-right);
}

float ViewAngle(long double degrees) {
  if (!std::isfinite(degrees)) return 0.0f;
  // fmod keeps the dividend's sign, as the integer remainder does, and takes any size.
  return static_cast<float>(std::fmod(std::trunc(degrees), 360.0L));
}

TOpenGl::~TOpenGl() {
  if (initialized_) platform::GlDestroyContext(window_);
}

bool TOpenGl::Initialize() {
  if (!initialized_) {
    void* window = Owner ? Owner->PrepareGlWindow() : nullptr;
    if (!Gra_LibraryLoaded()) Gra_LoadProcs(kGLLibraryName);
    // Every step of making the context is checked: a view without one says why.
    std::string failedStep;
    bool made = platform::GlCreateContext(window, ColorBits, true, failedStep);
    if (made) {
      int32_t depthBits = 0;
      GraGL.glGetIntegerv(glk::DEPTH_BITS, &depthBits);
      if (depthBits <= 0) failedStep = "get a depth buffer";
      uint8_t doubleBuffered = 0;
      GraGL.glGetBooleanv(glk::DOUBLEBUFFER, &doubleBuffered);
      if (DoubleBuffer && !doubleBuffered) failedStep = "get a double-buffered pixel format";
      made = failedStep.empty();
      if (!made) platform::GlDestroyContext(window);
    }
    if (!made) {
      if (Owner) Owner->GlWindowFailed();
      initError_ = "The 3D view cannot " + failedStep + "; it stays empty.";
      platform::MessageBox("OpenGL", initError_);
      return false;
    }
    initError_.clear();
    window_ = window;
    // All floating-point exceptions masked and rounding to the nearest: the machine's default,
    // set again in case a library changed it.
    std::fesetround(FE_TONEAREST);
    GraGL.glViewport(DisplayRect.pleft, DisplayRect.ptop, DisplayRect.pwidth, DisplayRect.pheight);
    if (Owner && Owner->OnInitialized) Owner->OnInitialized(*this);
  }
  initialized_ = true;
  Redraw();
  return true;
}

void TOpenGl::Redraw() {
  if (!initialized_ || !BeginScene()) return;
  if (Owner && Owner->OnRedrawWorld) Owner->OnRedrawWorld(*this);
  EndScene();
}

bool TOpenGl::BeginScene() {
  if (!platform::GlMakeCurrent(window_)) return false;
  GraGL.glPushMatrix();
  // Cleared with the sky colour the previous frame set: the first frame is black.
  GraGL.glClear(glk::COLOR_BUFFER_BIT | glk::DEPTH_BUFFER_BIT);
  GraGL.glMatrixMode(MatrixModeOf(ViewMode));
  GraGL.glViewport(0, 0, DisplayRect.pwidth, DisplayRect.pheight);

  // The frustum goes into the matrix of the view mode (the model-view matrix for the form); the
  // projection matrix stays as it is.
  ComputeFrustum(Perspective);
  GraGL.glFrustum(Perspective.Left, Perspective.Right, Perspective.Bottom, Perspective.Top, Perspective.NearClipping,
                  Perspective.FarClipping);
  GraGL.glClearColor(SkyColor.Components[0], SkyColor.Components[1], SkyColor.Components[2],
                     SkyColor.Components[3]);

  if (Fog.FogActive)
    GraGL.glEnable(glk::FOG);
  else
    GraGL.glDisable(glk::FOG);
  // GL knows no nearest fog mode: that mode leaves GL's fog mode as it was.
  if (Fog.FogMode == fmLinear) GraGL.glFogi(glk::FOG_MODE, static_cast<int32_t>(glk::LINEAR));
  GraGL.glFogfv(glk::FOG_COLOR, Fog.FogColor.Components);
  GraGL.glFogf(glk::FOG_DENSITY, static_cast<float>(Fog.FogDensity));
  GraGL.glFogf(glk::FOG_START, static_cast<float>(Fog.FogStart));
  GraGL.glFogf(glk::FOG_END, static_cast<float>(Fog.FogEnd));

  if (Alpha.AlphaActive)
    GraGL.glEnable(glk::ALPHA_TEST);
  else
    GraGL.glDisable(glk::ALPHA_TEST);
  GraGL.glAlphaFunc(glk::GREATER, static_cast<float>(Alpha.HolesAt));
  if (Alpha.BlendActive)
    GraGL.glEnable(glk::BLEND);
  else
    GraGL.glDisable(glk::BLEND);
  GraGL.glBlendFunc(glk::SRC_ALPHA, glk::ONE_MINUS_SRC_ALPHA);
  GraGL.glDisable(glk::DEPTH_TEST);

  GraGL.glRotatef(ViewAngle(Observer.Nick), 1.0f, 0.0f, 0.0f);
  GraGL.glRotatef(ViewAngle(Observer.Gier), 0.0f, 1.0f, 0.0f);
  GraGL.glRotatef(ViewAngle(Observer.Roll), 0.0f, 0.0f, 1.0f);
  GraGL.glTranslatef(static_cast<float>(-Observer.AugX), static_cast<float>(-Observer.AugY),
                     static_cast<float>(-Observer.AugZ));
  if (ZBuffer)
    GraGL.glEnable(glk::DEPTH_TEST);
  else
    GraGL.glDisable(glk::DEPTH_TEST);
  return true;
}

void TOpenGl::EndScene() {
  platform::GlMakeCurrent(window_);
  if (DoubleBuffer) platform::GlSwapBuffers(window_);
  GraGL.glPopMatrix();
}

}  // namespace brumin
