#include "engine/render/graphics.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/base/diagnostics.h"
#include "engine/base/statistics.h"
#include "engine/base/worldstate.h"
#include "engine/files/bmp.h"
#include "engine/files/repository.h"
#include "platform/gl.h"
#include "platform/platform.h"

TGraGLProcs GraGL;

TTextureEntry TextureTable[kTextureSlots + 1];
uint16_t TextureCount = 0;
uint16_t TextureFrames[kTextureFrameSlots + 1];
uint32_t TextureNameCounter = 0;
uint16_t CurrentTexture = 0;
uint8_t TexturingOn = 0;

float ByteToFloat[256];
TVector LightDirection;
uint8_t BlendModeCache = 0;
float ViewFov = 0, ViewAspect = 0, ViewFovX = 0, ViewNear = 0, ViewFar = 0;

// The entry points by name: base ones from the library, vertex arrays from the library,
// extensions through the context.
#define GRA_GL_BASE_PROCS(X)                                                                                      \
  X(glCallList) X(glDeleteLists) X(glEndList) X(glNewList) X(glStencilFunc) X(glStencilMask) X(glStencilOp)       \
  X(glClearStencil) X(glColorMask) X(glPolygonMode) X(glLineWidth) X(glAlphaFunc) X(glBegin) X(glBindTexture)    \
  X(glGenTextures) X(glDeleteTextures) X(glBlendFunc) X(glClear) X(glClearColor) X(glColor3f) X(glColor4f)       \
  X(glColor3fv) X(glColor4fv) X(glColor4ubv) X(glDepthFunc) X(glDepthMask) X(glDisable) X(glDrawPixels)          \
  X(glEnable) X(glEnd) X(glFogf) X(glFogfv) X(glFogi) X(glFrustum) X(glGetError) X(glGetString)                  \
  X(glGetIntegerv) X(glGetBooleanv) X(glGetFloatv) X(glIsEnabled) X(glLoadIdentity) X(glMatrixMode) X(glOrtho)   \
  X(glPixelStorei) X(glRasterPos2i) X(glPopMatrix) X(glPushMatrix) X(glLoadMatrixf) X(glRotatef)                 \
  X(glShadeModel) X(glTexCoord2f) X(glTexCoord2fv) X(glTexEnvf) X(glTexEnvi) X(glTexImage2D) X(glTexParameterf)  \
  X(glTranslatef) X(glVertex2f) X(glVertex3f) X(glVertex3fv) X(glViewport) X(glGenLists) X(glReadPixels)         \
  X(glReadBuffer) X(glNormal3f)
#define GRA_GL_ARRAY_PROCS(X)                                                                                     \
  X(glArrayElement) X(glDisableClientState) X(glEnableClientState) X(glDrawArrays) X(glVertexPointer)           \
  X(glNormalPointer) X(glColorPointer) X(glIndexPointer) X(glTexCoordPointer) X(glEdgeFlagPointer)               \
  X(glGetPointerv) X(glDrawElements)
#define GRA_GL_MULTITEXTURE_PROCS(X) \
  X(glMultiTexCoord2fARB) X(glMultiTexCoord2fvARB) X(glActiveTextureARB) X(glClientActiveTextureARB)
#define GRA_GL_CVA_PROCS(X) X(glLockArraysEXT) X(glUnlockArraysEXT)

namespace {

// The do-nothing stand-in of an entry point of type F.
template <typename F>
struct GlStub;
template <typename R, typename... A>
struct GlStub<R (*)(A...)> {
  static R Call(A...) { return R(); }
};

template <typename F>
void SetStub(F& entry) {
  entry = &GlStub<F>::Call;
}

void* g_library = nullptr;
bool g_contextMade = false;
void* g_vertexBuffer = nullptr;
void* g_scratchBuffer = nullptr;
// Set by an upload or a release: the texture bound in GL is no longer the cached one.
bool g_rebind = false;
// The per-frame tables of Gra_ResetFrameState.
uint8_t g_frameTables[2][512];
uint32_t g_frameTableEntries = 0;

constexpr size_t kVertexBufferBytes = 640000;
constexpr size_t kScratchBufferBytes = 9360000;

// Fetches one base entry point from the library; a missing one is fatal.
template <typename F>
void FetchBase(F& entry, const char* name, const std::string& libraryName) {
  void* p = platform::GetProcAddress(g_library, name);
  if (!p) SYS_BREAKPROGRAM("ERROR: GRA_GL: LoadProcs: " + libraryName + " has no " + name);
  entry = reinterpret_cast<F>(p);
}

// Fetches an optional entry point; false (and the stand-in kept) when it is missing.
template <typename F>
bool FetchOptional(F& entry, void* p) {
  if (!p) {
    SetStub(entry);
    return false;
  }
  entry = reinterpret_cast<F>(p);
  return true;
}

// True when the extension string names the extension as one whole word.
bool ExtensionNamed(const char* extension) {
  const uint8_t* s = GraGL.glGetString(glk::EXTENSIONS);
  if (!s) return false;
  const std::string all(reinterpret_cast<const char*>(s));
  const std::string want(extension);
  size_t pos = 0;
  while ((pos = all.find(want, pos)) != std::string::npos) {
    const bool startOk = pos == 0 || all[pos - 1] == ' ';
    const size_t end = pos + want.size();
    const bool endOk = end == all.size() || all[end] == ' ';
    if (startOk && endOk) return true;
    pos = end;
  }
  return false;
}

void ReleaseBuffers() {
  std::free(g_vertexBuffer);
  std::free(g_scratchBuffer);
  g_vertexBuffer = nullptr;
  g_scratchBuffer = nullptr;
}

// Reads pending GL errors so that the next check sees only the next call's own. A GL without a
// context may report errors for ever, so the reading stops after a fixed number.
void DrainGlErrors() {
  for (int i = 0; i < 64 && GraGL.glGetError() != glk::NO_ERROR; ++i) {
  }
}

bool Deletable(const TTextureEntry& e) {
  const std::string name = e.Name.str();
  return name.find(".BMP") != std::string::npos || name == "NotLoaded";
}

const TPlacement& LocalCamera() { return Players[LocalPlayer < 11 ? LocalPlayer : 0].Camera; }

void ApplyBlendMode(uint8_t mode) {
  switch (mode) {
    case 0:
      GraGL.glDisable(glk::ALPHA_TEST);
      GraGL.glEnable(glk::BLEND);
      GraGL.glBlendFunc(glk::SRC_ALPHA, glk::ONE_MINUS_SRC_ALPHA);
      break;
    case 1:
      GraGL.glEnable(glk::ALPHA_TEST);
      GraGL.glAlphaFunc(glk::GREATER, 0.7f);
      GraGL.glDisable(glk::BLEND);
      break;
    case 2:
      GraGL.glEnable(glk::ALPHA_TEST);
      GraGL.glAlphaFunc(glk::GREATER, 0.1f);
      GraGL.glEnable(glk::BLEND);
      GraGL.glBlendFunc(glk::SRC_ALPHA, glk::ONE_MINUS_SRC_ALPHA);
      break;
    case 3:
      GraGL.glDisable(glk::ALPHA_TEST);
      GraGL.glDisable(glk::BLEND);
      break;
    default:
      break;  // an unknown mode changes nothing in GL
  }
}

struct GraGlStart {
  GraGlStart() {
    for (int i = 0; i < 256; ++i) ByteToFloat[i] = static_cast<float>(i / 255.0);
    Gra_ResetProcs();
    InitTextureTable();
    g_library = nullptr;
    sys_hooks::GraDone = Gra_Done;
  }
} g_start;

}  // namespace

uint32_t Gra_Counter(GraCounter c) { return InfoScreenData.RendererCounters[c]; }

void Gra_Count(GraCounter c, uint32_t amount) {
  AddToCounter(InfoScreenData, InfoScreenData.RendererCounters[c], amount);
}

void Gra_ResetProcs() {
#define GRA_STUB(n) SetStub(GraGL.n);
  GRA_GL_BASE_PROCS(GRA_STUB)
  GRA_GL_ARRAY_PROCS(GRA_STUB)
  GRA_GL_MULTITEXTURE_PROCS(GRA_STUB)
  GRA_GL_CVA_PROCS(GRA_STUB)
#undef GRA_STUB
}

bool Gra_LibraryLoaded() { return g_library != nullptr; }

void Gra_LoadProcs(const std::string& libraryName) {
  if (g_library) {
    Gra_ResetProcs();
    platform::FreeLibrary(g_library);
    g_library = nullptr;
  }
  SYS_DebugOut("Loading OpenGL-library...");
  g_library = platform::LoadLibrary(libraryName);
  if (!g_library) SYS_BREAKPROGRAM("ERROR: GRA_GL: LoadProcs: Handle from LoadLibrary of Opengl32.dll is 0");
  SYS_DebugOut("Querying basecommands...");
#define GRA_FETCH(n) FetchBase(GraGL.n, #n, libraryName);
  GRA_GL_BASE_PROCS(GRA_FETCH)
#undef GRA_FETCH
}

void Gra_QueryExtensions() {
  SYS_DebugOut("Querying vertexarrax-extensions...");
  bool all = true;
#define GRA_FETCH(n) all = FetchOptional(GraGL.n, platform::GetProcAddress(g_library, #n)) && all;
  GRA_GL_ARRAY_PROCS(GRA_FETCH)
#undef GRA_FETCH
  GraphicsCaps.VertexArrays = all ? 1 : 0;
  SYS_DebugOut(all ? "...available." : "...failed.");
  if (all) {
    // Enabled once for the life of the context; the pointers are set before each draw.
    GraGL.glEnableClientState(glk::VERTEX_ARRAY);
    GraGL.glEnableClientState(glk::COLOR_ARRAY);
    GraGL.glEnableClientState(glk::TEXTURE_COORD_ARRAY);
  }

  // The context's lookup answers for any name, so an extension needs its name in the string too.
  SYS_DebugOut("Querying multitexturing-extensions...");
  all = ExtensionNamed("GL_ARB_multitexture");
#define GRA_FETCH(n) all = FetchOptional(GraGL.n, all ? platform::GlProcAddress(MainWindowHandle, #n) : nullptr) && all;
  GRA_GL_MULTITEXTURE_PROCS(GRA_FETCH)
  GraphicsCaps.ArbMultitexture = all ? 1 : 0;
  SYS_DebugOut(all ? "...available." : "...failed.");

  SYS_DebugOut("Querying compiled vertexarrays-extensions...");
  all = ExtensionNamed("GL_EXT_compiled_vertex_array");
  GRA_GL_CVA_PROCS(GRA_FETCH)
#undef GRA_FETCH
  GraphicsCaps.ExtCompiledVertexArray = all ? 1 : 0;
  SYS_DebugOut(all ? "...available." : "...failed.");

  // Vertex memory of the driver is never used.
  SYS_DebugOut("Querying Transform & Lighting-extensions...");
  GraphicsCaps.NvVertexArrayRange = 0;
  SYS_DebugOut("...failed.");
}

void Gra_Init(int32_t width, int32_t height, int32_t colourBits, int32_t /*flag*/, bool stencil) {
  Gra_LoadProcs(kGLLibraryName);
  SYS_DebugOut("Initializing graphics with " + std::to_string(width) + "x" + std::to_string(height) + "x" +
               std::to_string(colourBits) + " bit");
  GraphicsCaps.StencilWanted = stencil ? 1 : 0;

  // The panel makes the window, the context with its pixel format, and makes it current.
  std::string failedStep;
  if (!platform::GlCreateContext(MainWindowHandle, colourBits, stencil, failedStep))
    SYS_BREAKPROGRAM("ERROR: GRA_GL: Init: cannot " + failedStep);
  g_contextMade = true;
  uint8_t doubleBuffered = 0;
  GraGL.glGetBooleanv(glk::DOUBLEBUFFER, &doubleBuffered);
  if (!doubleBuffered) SYS_BREAKPROGRAM("ERROR: GRA_GL: Init: cannot get a double-buffered pixel format");
  int32_t bits = 0;
  GraGL.glGetIntegerv(glk::DEPTH_BITS, &bits);
  if (bits <= 0) SYS_BREAKPROGRAM("ERROR: GRA_GL: Init: cannot get a depth buffer");
  if (stencil) {
    bits = 0;
    GraGL.glGetIntegerv(glk::STENCIL_BITS, &bits);
    if (bits < 8) SYS_BREAKPROGRAM("ERROR: GRA_GL: Init: cannot get a stencil buffer of 8 bits");
  }

  GraGL.glDepthFunc(glk::LEQUAL);
  GraGL.glShadeModel(glk::SMOOTH);
  GraGL.glEnable(glk::DEPTH_TEST);
  GraGL.glPixelStorei(glk::UNPACK_ALIGNMENT, 1);
  Gra_Count(kGraCountFrames);

  // A new context starts in GL's own state: the blend mode is applied whatever the cache says.
  BlendModeCache = 0xFF;
  Gra_SetBlendMode(1);
  Gra_SetFog(0.0f, 0.0f);
  GraGL.glTexEnvf(glk::TEXTURE_ENV, glk::TEXTURE_ENV_MODE, static_cast<float>(glk::MODULATE));
  GraGL.glDisable(glk::POLYGON_SMOOTH);
  Gra_QueryExtensions();
  // The saved camera matrix below the working matrix.
  GraGL.glPushMatrix();

  CurrentTexture = 0;
  TexturingOn = 0;
  g_rebind = false;
  TextureNameCounter = 2;
  BlendModeCache = 1;
  GameOptions[7] = GraphicsCaps.NvVertexArrayRange;

  ReleaseBuffers();
  g_vertexBuffer = std::calloc(1, kVertexBufferBytes);
  g_scratchBuffer = std::calloc(1, kScratchBufferBytes);
}

void Gra_Done() {
  if (!g_library) return;
  ReleaseBuffers();
  if (g_contextMade && platform::GlMakeCurrent(MainWindowHandle)) {
    for (int slot = 1; slot <= TextureCount && slot <= kTextureSlots; ++slot) {
      if (Deletable(TextureTable[slot]) && TextureTable[slot].GLName != 0)
        GraGL.glDeleteTextures(1, &TextureTable[slot].GLName);
    }
  }
  if (g_contextMade) platform::GlDestroyContext(MainWindowHandle);
  g_contextMade = false;
  Gra_ResetProcs();
  platform::FreeLibrary(g_library);
  g_library = nullptr;
  // The textures went with the context.
  InitTextureTable();
  CurrentTexture = 0;
  TexturingOn = 0;
}

// ---- Frame and render state ----

void Gra_ClearScreen() {
  GraGL.glClearColor(Weather.SkyColour[0], Weather.SkyColour[1], Weather.SkyColour[2], Weather.SkyColour[3]);
  if (GraphicsCaps.StencilWanted) {
    GraGL.glClearStencil(4);
    GraGL.glClear(glk::COLOR_BUFFER_BIT | glk::DEPTH_BUFFER_BIT | glk::STENCIL_BUFFER_BIT);
  } else {
    GraGL.glClear(glk::COLOR_BUFFER_BIT | glk::DEPTH_BUFFER_BIT);
  }
  Gra_Count(kGraCountFrames);
}

void Gra_SwapBuffers() {
  platform::GlSwapBuffers(MainWindowHandle);
  Gra_Count(kGraCountSwaps);
}

void Gra_ResetFrameState() {
  std::memset(g_frameTables, 0, sizeof(g_frameTables));
  g_frameTableEntries = 0;
}

void Gra_SetLight(bool lighting) {
  LightDirection = Weather.LightDirection;
  if (lighting) {
    LightScale = (Weather.Intensity * 2.0f + 1.1f) * Weather.LightFactor;
    AmbientLight = 0.9999f - 1.0f / LightScale;
    if (Weather.AmbientCeiling < AmbientLight) AmbientLight = Weather.AmbientCeiling;
  } else {
    LightScale = 3.0f;
    AmbientLight = 0.9999f - 1.0f / 3.0f;
  }
}

void Gra_EnableDepth() {
  GraGL.glEnable(glk::DEPTH_TEST);
  Gra_Count(kGraCountDepthEnables);
}

void Gra_Color4ub(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha) {
  GraGL.glColor4f(ByteToFloat[red], ByteToFloat[green], ByteToFloat[blue], ByteToFloat[alpha]);
  Gra_Count(kGraCountColours);
}

void Gra_SetBlendMode(uint8_t mode) {
  Gra_Count(kGraCountBlendRequests);
  if (mode == BlendModeCache) return;
  Gra_Count(kGraCountBlendChanges);
  ApplyBlendMode(mode);
  BlendModeCache = mode;
}

void Gra_SetFog(float start, float end) {
  Gra_Count(kGraCountFogSettings);
  if (start + end == 0.0f) {
    GraGL.glDisable(glk::FOG);
    return;
  }
  GraGL.glFogi(glk::FOG_MODE, static_cast<int32_t>(glk::LINEAR));
  GraGL.glFogfv(glk::FOG_COLOR, Weather.SkyColour);
  GraGL.glFogf(glk::FOG_DENSITY, 0.8f);
  GraGL.glFogf(glk::FOG_START, start);
  GraGL.glFogf(glk::FOG_END, end);
  GraGL.glEnable(glk::FOG);
}

void Gra_SetPerspective(float /*fov*/, float zNear, float zFar) {
  Gra_Count(kGraCountPerspectives);
  GraGL.glViewport(0, 0, ViewportSize[0], ViewportSize[1]);
  GraGL.glMatrixMode(glk::PROJECTION);
  GraGL.glLoadIdentity();
  GraGL.glFrustum(ViewFrustum[0], ViewFrustum[1], ViewFrustum[2], ViewFrustum[3], zNear, zFar);
  GraGL.glMatrixMode(glk::MODELVIEW);
  GraGL.glLoadIdentity();
}

void Gra_SetCamera(const TPlacement& camera) {
  Gra_Count(kGraCountCameras);
  GraGL.glPopMatrix();
  GraGL.glLoadIdentity();
  GraGL.glRotatef(camera.Nick, -1.0f, 0.0f, 0.0f);
  GraGL.glRotatef(camera.Gier, 0.0f, -1.0f, 0.0f);
  GraGL.glTranslatef(-camera.X, -camera.Y, -camera.Z);
  GraGL.glPushMatrix();
}

void Gra_SetTransform(const TPlacement& placement) {
  Gra_Count(kGraCountTransforms);
  GraGL.glPopMatrix();
  GraGL.glPushMatrix();
  GraGL.glTranslatef(placement.X, placement.Y, placement.Z);
  GraGL.glRotatef(placement.Gier, 0.0f, 1.0f, 0.0f);
  GraGL.glRotatef(placement.Nick, 1.0f, 0.0f, 0.0f);
  GraGL.glRotatef(placement.Roll, 0.0f, 0.0f, 1.0f);
}

void Gra_SetBillboard(const TVector& position) {
  Gra_Count(kGraCountBillboards);
  GraGL.glPopMatrix();
  GraGL.glPushMatrix();
  GraGL.glTranslatef(position.x, position.y, position.z);
  GraGL.glRotatef(LocalCamera().Gier, 0.0f, 1.0f, 0.0f);
}

void Gra_PushMatrix() {
  Gra_Count(kGraCountPushes);
  GraGL.glPushMatrix();
}

void Gra_PopMatrix() {
  Gra_Count(kGraCountPops);
  GraGL.glPopMatrix();
}

void Gra_Begin(int32_t primitive) {
  uint32_t mode = static_cast<uint32_t>(primitive);
  if (primitive == 7 || primitive == 6) mode = glk::TRIANGLE_FAN;
  GraGL.glBegin(mode);
}

void Gra_End() { GraGL.glEnd(); }

void Gra_DrawVertexArray(const TInterleavedVertex* vertices, int32_t count) {
  if (count == 0 || !vertices) return;
  const uint8_t* base = reinterpret_cast<const uint8_t*>(vertices);
  GraGL.glVertexPointer(3, glk::FLOAT, sizeof(TInterleavedVertex), base);
  GraGL.glTexCoordPointer(2, glk::FLOAT, sizeof(TInterleavedVertex), base + 16);
  GraGL.glColorPointer(4, glk::UNSIGNED_BYTE, sizeof(TInterleavedVertex), base + 12);
  GraGL.glDrawArrays(glk::TRIANGLES, 0, count);
}

// ---- Textures ----

void InitTextureTable() {
  std::memset(TextureTable, 0, sizeof(TextureTable));
  std::memset(TextureFrames, 0, sizeof(TextureFrames));
  TTextureEntry& none = TextureTable[0];
  none.Width = 2;
  none.Height = 2;
  none.State = 0;
  none.FirstFrame = 0;
  none.Smooth = 1;
  TextureCount = 0;
  TextureFrameCount = 0;
}

void ConvertTexturePixels(uint8_t state, const uint8_t* bgr, size_t count, uint8_t* pixels, uint16_t* words) {
  for (size_t i = 0; i < count; ++i) {
    const uint8_t b = bgr[i * 3], g = bgr[i * 3 + 1], r = bgr[i * 3 + 2];
    switch (state) {
      case 0:
        pixels[i * 3] = r;
        pixels[i * 3 + 1] = g;
        pixels[i * 3 + 2] = b;
        words[i] = static_cast<uint16_t>((r >> 3) << 11 | ((g >> 3) << 1) << 5 | (b >> 3));
        break;
      case 1: {
        const bool key = r == 255 && g == 0 && b == 255;
        const uint8_t rr = key ? 100 : r, gg = key ? 100 : g, bb = key ? 100 : b;
        const uint8_t a = key ? 0 : 255;
        pixels[i * 4] = rr;
        pixels[i * 4 + 1] = gg;
        pixels[i * 4 + 2] = bb;
        pixels[i * 4 + 3] = a;
        words[i] = static_cast<uint16_t>((a ? 1 : 0) << 15 | (rr >> 3) << 10 | (gg >> 3) << 5 | (bb >> 3));
        break;
      }
      case 2: {
        // Alpha from red; a pixel without red but with green or blue keeps a trace of alpha.
        uint8_t a = r;
        if (r == 0 && (g != 0 || b != 0)) a = 5;
        pixels[i * 4] = 0;
        pixels[i * 4 + 1] = 0;
        pixels[i * 4 + 2] = 0;
        pixels[i * 4 + 3] = a;
        break;
      }
      default: {  // 3: four 6-bit channels packed into the 24 bits
        const uint32_t n = r + 256u * g + 65536u * b;
        pixels[i * 4] = static_cast<uint8_t>((n & 63) * 4);
        pixels[i * 4 + 1] = static_cast<uint8_t>(((n >> 6) & 63) * 4);
        pixels[i * 4 + 2] = static_cast<uint8_t>(((n >> 12) & 63) * 4);
        pixels[i * 4 + 3] = static_cast<uint8_t>(((n >> 18) & 63) * 4);
        break;
      }
    }
  }
}

void Gra_LoadTexture(uint16_t slot, const std::string& directory, const std::string& fileName, uint8_t state,
                     bool smooth, uint8_t shrink) {
  const std::string path = directory + fileName;
  if (!xFileExists(path)) {
    SYS_Warning("File " + fileName + " not found");
    return;
  }
  if (slot > kTextureSlots) SYS_BREAKPROGRAM("ERROR: GRA_GL: LoadTexture: texture slot " + std::to_string(slot) +
                                             " is out of range for " + path);
  if (state > 3) {
    SYS_Warning("WARNING: GRA_GL: LoadTexture: invalid texture state " + std::to_string(state) + " for " + path +
                ", loaded as state 0");
    state = 0;
  }
  TBMP bmp;
  bmp.GetInfoOfFile(path);
  const int32_t width = bmp.ShrunkWidth(shrink);
  const int32_t height = bmp.ShrunkHeight(shrink);

  std::vector<uint8_t> load(static_cast<size_t>(bmp.Width) * static_cast<size_t>(bmp.Height) * 3);
  AddMemoryBlock(InfoScreenData, load.data(), static_cast<int32_t>(load.size()), "Gra_LoadTexture - LoadBuffer");
  bmp.ReadPixels(path, load.data(), load.size());
  bmp.Halve(load.data(), load.size(), shrink, state == 1);

  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  std::vector<uint8_t> pixels(count * (state == 0 ? 3 : 4));
  AddMemoryBlock(InfoScreenData, pixels.data(), static_cast<int32_t>(pixels.size()), "Gra_LoadTexture - PixelBuffer");
  std::vector<uint16_t> words;
  if (state <= 1) {
    words.resize(count);
    AddMemoryBlock(InfoScreenData, words.data(), static_cast<int32_t>(words.size() * 2), "GraGl Wordbuffer");
  }
  ConvertTexturePixels(state, load.data(), count, pixels.data(), words.empty() ? nullptr : words.data());

  TTextureEntry& e = TextureTable[slot];
  e.Colour[0] = e.Colour[1] = e.Colour[2] = 0;
  e.Smooth = smooth ? 1 : 0;
  e.Width = width;
  e.Height = height;
  e.State = state;
  RemoveMemoryBlock(InfoScreenData, load.data());
  load = std::vector<uint8_t>();

  // Errors left by earlier calls are not this upload's.
  DrainGlErrors();
  e.GLName = ++TextureNameCounter;
  GraGL.glBindTexture(glk::TEXTURE_2D, e.GLName);
  g_rebind = true;
  GraGL.glTexParameterf(glk::TEXTURE_2D, glk::TEXTURE_WRAP_S, static_cast<float>(glk::REPEAT));
  GraGL.glTexParameterf(glk::TEXTURE_2D, glk::TEXTURE_WRAP_T, static_cast<float>(glk::REPEAT));
  const float filter = static_cast<float>(smooth ? glk::LINEAR : glk::NEAREST);
  GraGL.glTexParameterf(glk::TEXTURE_2D, glk::TEXTURE_MIN_FILTER, filter);
  GraGL.glTexParameterf(glk::TEXTURE_2D, glk::TEXTURE_MAG_FILTER, filter);
  switch (state) {
    case 0:
      GraGL.glTexImage2D(glk::TEXTURE_2D, 0, 3, width, height, 0, glk::RGB, glk::UNSIGNED_SHORT_5_6_5, words.data());
      if (GraGL.glGetError() != glk::NO_ERROR) {
        DrainGlErrors();
        GraGL.glTexImage2D(glk::TEXTURE_2D, 0, 3, width, height, 0, glk::RGB, glk::UNSIGNED_BYTE, pixels.data());
      }
      break;
    case 1:
      GraGL.glTexImage2D(glk::TEXTURE_2D, 0, 4, width, height, 0, glk::BGRA, glk::UNSIGNED_SHORT_1_5_5_5_REV,
                         words.data());
      if (GraGL.glGetError() != glk::NO_ERROR) {
        DrainGlErrors();
        GraGL.glTexImage2D(glk::TEXTURE_2D, 0, 4, width, height, 0, glk::RGBA, glk::UNSIGNED_BYTE, pixels.data());
      }
      break;
    default:
      GraGL.glTexImage2D(glk::TEXTURE_2D, 0, 4, width, height, 0, glk::RGBA, glk::UNSIGNED_BYTE, pixels.data());
      break;
  }
  const bool failed = GraGL.glGetError() != glk::NO_ERROR;
  RemoveMemoryBlock(InfoScreenData, pixels.data());
  if (!words.empty()) RemoveMemoryBlock(InfoScreenData, words.data());
  if (failed) SYS_BREAKPROGRAM(path + ": Texture binding failed! Check bitmap size.");
}

void Gra_SetTexture(uint16_t slot) {
  Gra_Count(kGraCountTextureRequests);
  if (slot == 0 || slot > kTextureSlots) {
    // A slot outside the table draws untextured, like slot 0.
    GraGL.glDisable(glk::TEXTURE_2D);
    TexturingOn = 0;
    CurrentTexture = 0;
    return;
  }
  if (slot == CurrentTexture && !g_rebind) return;
  CurrentTexture = slot;
  uint16_t bindSlot = slot;
  const uint16_t first = TextureTable[slot].FirstFrame;
  if (first != 0 && first <= kTextureFrameSlots && TextureFrames[first] <= kTextureSlots)
    bindSlot = TextureFrames[first];
  Gra_Count(kGraCountTextureBinds);
  AddToCounter(InfoScreenData, InfoScreenData.TextureBindCounts[bindSlot], 1);
  GraGL.glEnable(glk::TEXTURE_2D);
  GraGL.glBindTexture(glk::TEXTURE_2D, TextureTable[bindSlot].GLName);
  TexturingOn = 1;
  g_rebind = false;
}

void Gra_FreeTexture(uint16_t slot) {
  if (slot > kTextureSlots) return;
  TTextureEntry& e = TextureTable[slot];
  if (Deletable(e) && e.GLName != 0) GraGL.glDeleteTextures(1, &e.GLName);
  e.Name = std::string();
  g_rebind = true;
}
