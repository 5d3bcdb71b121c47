// The building editor's GL view driver: the context on the view's GL panel, the view settings the
// form stores (pixel format, perspective, fog, alpha test, sky colour, observer) and the frame
// they open and close. Nothing here knows about buildings, and nothing here uses Qt: the control
// that owns the driver (glwindow.h) hands it the panel and the drawing handler.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/base/types.h"

namespace brumin {

enum TViewMode : uint8_t { vmModelView, vmProjection, vmTexture };
enum TFogMode : uint8_t { fmLinear, fmNearest };

// A colour value (red in the low byte, then green, then blue) and its four components: each byte
// divided by 255, alpha 1. Until a value is set, the components are all 0.
struct TGlColour {
  uint32_t Value = 0;
  float Components[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  void Set(uint32_t value);
};

// The viewport of the first frame; the size follows the control.
struct TDRect {
  int32_t pleft = 0, ptop = 0, pwidth = 0, pheight = 0;
};

struct TFog {
  bool FogActive = false;
  TFogMode FogMode = fmLinear;
  long double FogDensity = 0.8L, FogStart = 500.0L, FogEnd = 600.0L;
  TGlColour FogColor = White();

  static TGlColour White() {
    TGlColour c;
    c.Set(0xFFFFFF);
    return c;
  }
};

struct TPerspective {
  double AugYAngle = 60.0;  // vertical field of view in degrees
  double AspectRatio = 1.3333;
  double NearClipping = 1.0;
  double FarClipping = 600.0;
  // The frustum of the last frame.
  float Left = 0.0f, Right = 0.0f, Top = 0.0f, Bottom = 0.0f;
};

struct TAlphaSettings {
  long double HolesAt = 0.7L;  // the alpha test passes what is greater
  bool AlphaActive = true;
  bool BlendActive = false;
};

struct TObserver {
  long double AugX = 0.0L, AugY = 0.0L, AugZ = 0.0L;  // camera position
  long double Nick = 0.0L, Gier = 0.0L, Roll = 0.0L;  // camera angles in degrees
  TVector Direction{};                                 // written by the view's navigation
};

// The frustum of a perspective: top = tan(AugYAngle / 2 in radians) x NearClipping, right = top x
// AspectRatio, bottom = -top, left = -right, stored in Left, Right, Top and Bottom.
void ComputeFrustum(TPerspective& p);

// A camera angle as the frame turns by it: truncated toward zero, then the remainder of a division
// by 360 with the sign of the angle (-370.5 gives -10). An angle that is no number turns by 0.
float ViewAngle(long double degrees);

class TOpenGl;

// What the driver needs of the control that owns it.
class TOpenGlOwner {
 public:
  virtual ~TOpenGlOwner() = default;
  // The GL panel the context goes on (a handle for platform/gl.h), shown; null when there is none.
  virtual void* PrepareGlWindow() = 0;
  // The context could not be made on it: the owner shows what it showed before.
  virtual void GlWindowFailed() {}
  // Raised between the start and the end of every frame, and once after the context was made.
  std::function<void(TOpenGl& sender)> OnRedrawWorld;
  std::function<void(TOpenGl& sender)> OnInitialized;
};

class TOpenGl {
 public:
  explicit TOpenGl(TOpenGlOwner* owner) : Owner(owner) {}
  ~TOpenGl();
  TOpenGl(const TOpenGl&) = delete;
  TOpenGl& operator=(const TOpenGl&) = delete;

  // The settings, with the values a new driver starts with.
  uint8_t ColorBits = 32;
  uint8_t DepthBits = 32;
  std::vector<std::string> TextureFiles;  // kept for the form; nothing here reads them
  bool DoubleBuffer = true;
  TDRect DisplayRect;
  bool AutoInitialize = true;
  TFog Fog;
  TPerspective Perspective;
  TViewMode ViewMode = vmModelView;
  bool TexturesActive = true;  // kept for the form; nothing here reads it
  TGlColour SkyColor;
  bool ZBuffer = true;
  TAlphaSettings Alpha;
  TObserver Observer;
  TOpenGlOwner* Owner;

  // Makes the context once, then draws a frame. When the context cannot be made, a message names
  // the step that failed, the view stays without context and false is returned.
  bool Initialize();
  bool Initialized() const { return initialized_; }
  // True after a failed Initialize, until one succeeds; its message.
  bool InitFailed() const { return !initError_.empty(); }
  const std::string& InitError() const { return initError_; }

  // One frame: BeginScene, the owner's OnRedrawWorld, EndScene. Nothing without a context.
  void Redraw();
  // Opens a frame: context current, matrix pushed, buffers cleared, viewport, frustum (multiplied
  // into the matrix of ViewMode), sky colour for the next clear, fog, alpha test, blending, the
  // observer's turns and position, depth test. False (nothing done) when the context cannot be
  // made current.
  bool BeginScene();
  // Closes it: context current, buffers swapped when double-buffered, matrix popped.
  void EndScene();

 private:
  void* window_ = nullptr;  // the GL panel holding the context
  bool initialized_ = false;
  std::string initError_;
};

}  // namespace brumin
