// The rendering layer: OpenGL loaded by name, the context on the main window, the frame and
// render-state calls, and the texture table with its uploads and binds. Nothing here links
// against GL: every call goes through the entry-point table `GraGL`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/base/types.h"

// GL numbers the layer uses. The names carry no GL_ prefix, so a GL header's macros never meet them.
namespace glk {
constexpr uint32_t POINTS = 0x0000, LINES = 0x0001, TRIANGLES = 0x0004, TRIANGLE_FAN = 0x0006, QUADS = 0x0007,
                   QUAD_STRIP = 0x0008;
constexpr uint32_t DEPTH_BUFFER_BIT = 0x0100, STENCIL_BUFFER_BIT = 0x0400, COLOR_BUFFER_BIT = 0x4000;
constexpr uint32_t NO_ERROR = 0, INVALID_ENUM = 0x0500, INVALID_VALUE = 0x0501, INVALID_OPERATION = 0x0502;
constexpr uint32_t LEQUAL = 0x0203, GREATER = 0x0204;
constexpr uint32_t SRC_ALPHA = 0x0302, ONE_MINUS_SRC_ALPHA = 0x0303;
constexpr uint32_t FRONT_AND_BACK = 0x0408, BACK = 0x0405;
constexpr uint32_t LINE_SMOOTH = 0x0B20, POLYGON_SMOOTH = 0x0B41, FOG = 0x0B60, FOG_DENSITY = 0x0B62,
                   FOG_START = 0x0B63, FOG_END = 0x0B64, FOG_MODE = 0x0B65, FOG_COLOR = 0x0B66;
constexpr uint32_t DEPTH_TEST = 0x0B71, MODELVIEW_STACK_DEPTH = 0x0BA3, MODELVIEW_MATRIX = 0x0BA6,
                   PROJECTION_MATRIX = 0x0BA7;
constexpr uint32_t ALPHA_TEST = 0x0BC0, ALPHA_TEST_FUNC = 0x0BC1, ALPHA_TEST_REF = 0x0BC2;
constexpr uint32_t BLEND_DST = 0x0BE0, BLEND_SRC = 0x0BE1, BLEND = 0x0BE2;
constexpr uint32_t DOUBLEBUFFER = 0x0C32, UNPACK_ALIGNMENT = 0x0CF5, PACK_ALIGNMENT = 0x0D05;
constexpr uint32_t DEPTH_BITS = 0x0D56, STENCIL_BITS = 0x0D57, TEXTURE_2D = 0x0DE1;
constexpr uint32_t UNSIGNED_BYTE = 0x1401, FLOAT = 0x1406;
constexpr uint32_t MODELVIEW = 0x1700, PROJECTION = 0x1701;
constexpr uint32_t STENCIL_INDEX = 0x1901, RGB = 0x1907, RGBA = 0x1908, LINE = 0x1B01, FILL = 0x1B02;
constexpr uint32_t SMOOTH = 0x1D01, EXTENSIONS = 0x1F03;
constexpr uint32_t MODULATE = 0x2100, TEXTURE_ENV_MODE = 0x2200, TEXTURE_ENV = 0x2300;
constexpr uint32_t NEAREST = 0x2600, LINEAR = 0x2601;
constexpr uint32_t TEXTURE_MAG_FILTER = 0x2800, TEXTURE_MIN_FILTER = 0x2801, TEXTURE_WRAP_S = 0x2802,
                   TEXTURE_WRAP_T = 0x2803, REPEAT = 0x2901;
constexpr uint32_t UNSIGNED_SHORT_5_6_5 = 0x8363, UNSIGNED_SHORT_1_5_5_5_REV = 0x8366, BGRA = 0x80E1;
constexpr uint32_t VERTEX_ARRAY = 0x8074, COLOR_ARRAY = 0x8076, TEXTURE_COORD_ARRAY = 0x8078;
constexpr uint32_t TEXTURE_BINDING_2D = 0x8069;
}  // namespace glk

// The entry-point table. Until Gra_LoadProcs fills it (and again after Gra_Done) every entry
// is a stand-in that does nothing and returns zero, so a call outside a context is harmless.
struct TGraGLProcs {
  // Base entry points, from the library.
  void (*glCallList)(uint32_t list);
  void (*glDeleteLists)(uint32_t list, int32_t range);
  void (*glEndList)();
  void (*glNewList)(uint32_t list, uint32_t mode);
  void (*glStencilFunc)(uint32_t func, int32_t ref, uint32_t mask);
  void (*glStencilMask)(uint32_t mask);
  void (*glStencilOp)(uint32_t fail, uint32_t zfail, uint32_t zpass);
  void (*glClearStencil)(int32_t s);
  void (*glColorMask)(uint8_t r, uint8_t g, uint8_t b, uint8_t a);
  void (*glPolygonMode)(uint32_t face, uint32_t mode);
  void (*glLineWidth)(float width);
  void (*glAlphaFunc)(uint32_t func, float ref);
  void (*glBegin)(uint32_t mode);
  void (*glBindTexture)(uint32_t target, uint32_t texture);
  void (*glGenTextures)(int32_t n, uint32_t* textures);
  void (*glDeleteTextures)(int32_t n, const uint32_t* textures);
  void (*glBlendFunc)(uint32_t sfactor, uint32_t dfactor);
  void (*glClear)(uint32_t mask);
  void (*glClearColor)(float r, float g, float b, float a);
  void (*glColor3f)(float r, float g, float b);
  void (*glColor4f)(float r, float g, float b, float a);
  void (*glColor3fv)(const float* v);
  void (*glColor4fv)(const float* v);
  void (*glColor4ubv)(const uint8_t* v);
  void (*glDepthFunc)(uint32_t func);
  void (*glDepthMask)(uint8_t flag);
  void (*glDisable)(uint32_t cap);
  void (*glDrawPixels)(int32_t width, int32_t height, uint32_t format, uint32_t type, const void* pixels);
  void (*glEnable)(uint32_t cap);
  void (*glEnd)();
  void (*glFogf)(uint32_t pname, float param);
  void (*glFogfv)(uint32_t pname, const float* params);
  void (*glFogi)(uint32_t pname, int32_t param);
  void (*glFrustum)(double left, double right, double bottom, double top, double zNear, double zFar);
  uint32_t (*glGetError)();
  const uint8_t* (*glGetString)(uint32_t name);
  void (*glGetIntegerv)(uint32_t pname, int32_t* params);
  void (*glGetBooleanv)(uint32_t pname, uint8_t* params);
  void (*glGetFloatv)(uint32_t pname, float* params);
  uint8_t (*glIsEnabled)(uint32_t cap);
  void (*glLoadIdentity)();
  void (*glMatrixMode)(uint32_t mode);
  void (*glOrtho)(double left, double right, double bottom, double top, double zNear, double zFar);
  void (*glPixelStorei)(uint32_t pname, int32_t param);
  void (*glRasterPos2i)(int32_t x, int32_t y);
  void (*glPopMatrix)();
  void (*glPushMatrix)();
  void (*glLoadMatrixf)(const float* m);
  void (*glRotatef)(float angle, float x, float y, float z);
  void (*glShadeModel)(uint32_t mode);
  void (*glTexCoord2f)(float s, float t);
  void (*glTexCoord2fv)(const float* v);
  void (*glTexEnvf)(uint32_t target, uint32_t pname, float param);
  void (*glTexEnvi)(uint32_t target, uint32_t pname, int32_t param);
  void (*glTexImage2D)(uint32_t target, int32_t level, int32_t internalFormat, int32_t width, int32_t height,
                       int32_t border, uint32_t format, uint32_t type, const void* pixels);
  void (*glTexParameterf)(uint32_t target, uint32_t pname, float param);
  void (*glTranslatef)(float x, float y, float z);
  void (*glVertex2f)(float x, float y);
  void (*glVertex3f)(float x, float y, float z);
  void (*glVertex3fv)(const float* v);
  void (*glNormal3f)(float nx, float ny, float nz);
  void (*glViewport)(int32_t x, int32_t y, int32_t width, int32_t height);
  uint32_t (*glGenLists)(int32_t range);
  void (*glReadPixels)(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t format, uint32_t type,
                       void* pixels);
  void (*glReadBuffer)(uint32_t mode);
  // Vertex arrays, from the library.
  void (*glArrayElement)(int32_t i);
  void (*glDisableClientState)(uint32_t array);
  void (*glEnableClientState)(uint32_t array);
  void (*glDrawArrays)(uint32_t mode, int32_t first, int32_t count);
  void (*glVertexPointer)(int32_t size, uint32_t type, int32_t stride, const void* pointer);
  void (*glNormalPointer)(uint32_t type, int32_t stride, const void* pointer);
  void (*glColorPointer)(int32_t size, uint32_t type, int32_t stride, const void* pointer);
  void (*glIndexPointer)(uint32_t type, int32_t stride, const void* pointer);
  void (*glTexCoordPointer)(int32_t size, uint32_t type, int32_t stride, const void* pointer);
  void (*glEdgeFlagPointer)(int32_t stride, const void* pointer);
  void (*glGetPointerv)(uint32_t pname, void** params);
  void (*glDrawElements)(uint32_t mode, int32_t count, uint32_t type, const void* indices);
  // Extensions, through the context's lookup; set only when the extension string names them.
  void (*glMultiTexCoord2fARB)(uint32_t target, float s, float t);
  void (*glMultiTexCoord2fvARB)(uint32_t target, const float* v);
  void (*glActiveTextureARB)(uint32_t texture);
  void (*glClientActiveTextureARB)(uint32_t texture);
  void (*glLockArraysEXT)(int32_t first, int32_t count);
  void (*glUnlockArraysEXT)();
};
extern TGraGLProcs GraGL;

// The library the layer loads.
constexpr const char* kGLLibraryName = "libGL.so.1";

// Counters of the graphics calls in InfoScreenData.RendererCounters (the indices below 32 belong
// to the record store's compaction statistics).
enum GraCounter : uint32_t {
  kGraCountFrames = 32,
  kGraCountSwaps,
  kGraCountDepthEnables,
  kGraCountColours,
  kGraCountBlendRequests,
  kGraCountBlendChanges,
  kGraCountFogSettings,
  kGraCountPerspectives,
  kGraCountCameras,
  kGraCountTransforms,
  kGraCountBillboards,
  kGraCountPushes,
  kGraCountPops,
  kGraCountTextureRequests,
  kGraCountTextureBinds,
  kGraCountMeshes,
  kGraCountVertices,
  kGraCountTriangles,
  kGraCountEdges,
};
uint32_t Gra_Counter(GraCounter c);
// Adds to one of the counters above (the mesh drawing counts its meshes, vertices and edges).
void Gra_Count(GraCounter c, uint32_t amount = 1);

// One slot of the texture table (kept in memory only, so it keeps its natural alignment).
struct TTextureEntry {
  int32_t Height;         // after shrinking
  int32_t Width;
  uint8_t State;          // texture state 0 to 3
  uint32_t GLName;        // 0 for an animated entry
  uint16_t FirstFrame;    // index in TextureFrames of the first frame; 0 = not animated
  uint8_t FrameCount;
  ShortString<20> Name;   // upper case as requested; empty = free slot
  uint8_t Colour[3];      // every upload sets black
  uint8_t Smooth;         // 1 = linear filtering, 0 = nearest
};

// The input of Gra_DrawVertexArray: position, colour bytes, texture coordinates.
struct TInterleavedVertex {
  float x, y, z;
  uint8_t r, g, b, a;
  float u, v;
};
static_assert(sizeof(TInterleavedVertex) == 24 && offsetof(TInterleavedVertex, r) == 12 &&
              offsetof(TInterleavedVertex, u) == 16);

constexpr int kTextureSlots = 2500;     // slots 1..2500; slot 0 = no texture
constexpr int kUITextureSlots = 1000;   // 1..1000 user interface, 1001..2500 game textures
constexpr int kFirstGameTextureSlot = 1001;
constexpr int kTextureFrameSlots = 1000;

extern TTextureEntry TextureTable[kTextureSlots + 1];
extern uint16_t TextureCount;                          // highest slot in use
extern uint16_t TextureFrames[kTextureFrameSlots + 1];  // 1-based; TextureFrameCount entries used
extern uint32_t TextureNameCounter;                     // last GL texture name handed out
extern uint16_t CurrentTexture;                         // cache of Gra_SetTexture (0 = none)
extern uint8_t TexturingOn;                             // 1 while 2D texturing is enabled

// Renderer globals.
extern float ByteToFloat[256];  // i / 255
extern TVector LightDirection;  // taken by Gra_SetLight
extern uint8_t BlendModeCache;
extern float ViewFov, ViewAspect, ViewFovX, ViewNear, ViewFar;

// Start-up and shut-down.
void Gra_LoadProcs(const std::string& libraryName);
void Gra_QueryExtensions();
// MainWindowHandle must name a GL panel. Every failed step of making the context is fatal.
void Gra_Init(int32_t width, int32_t height, int32_t colourBits, int32_t flag, bool stencil);
void Gra_Done();
bool Gra_LibraryLoaded();
// Every entry point back to its do-nothing stand-in.
void Gra_ResetProcs();

// Frame and render state.
void Gra_ClearScreen();
void Gra_SwapBuffers();
void Gra_ResetFrameState();
void Gra_SetLight(bool lighting);
void Gra_EnableDepth();
void Gra_Color4ub(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha);
void Gra_SetBlendMode(uint8_t mode);
void Gra_SetFog(float start, float end);
void Gra_SetPerspective(float fov, float zNear, float zFar);
void Gra_SetCamera(const TPlacement& camera);
void Gra_SetTransform(const TPlacement& placement);
void Gra_SetBillboard(const TVector& position);
void Gra_PushMatrix();
void Gra_PopMatrix();
// 7 (quads) and 6 both begin a triangle fan: callers begin and end each quad on its own.
void Gra_Begin(int32_t primitive);
void Gra_End();
void Gra_DrawVertexArray(const TInterleavedVertex* vertices, int32_t count);

// Textures. Gra_LoadTexture reads directory + fileName into the slot (shrunk by whole halvings,
// converted by state, uploaded under the next GL name); it leaves the slot's name and frames to
// its caller. Gra_SetTexture binds a slot (an animated one binds its first frame) and skips the
// slot already bound; 0, or a slot outside the table, draws untextured. Gra_FreeTexture deletes
// a loaded picture and empties the slot's name.
void Gra_LoadTexture(uint16_t slot, const std::string& directory, const std::string& fileName, uint8_t state,
                     bool smooth, uint8_t shrink);
void Gra_SetTexture(uint16_t slot);
void Gra_FreeTexture(uint16_t slot);
// The unit-start state of the table: slot 0 the no-texture entry, every other slot free,
// TextureCount and TextureFrameCount 0.
void InitTextureTable();

// Converts `count` pixels of blue, green, red bytes by texture state (0 to 3): `pixels` receives
// red, green, blue (state 0, 3 bytes a pixel) or red, green, blue, alpha (states 1 to 3, 4 bytes),
// `words` the 16-bit form of states 0 and 1 (may be null for the other states).
void ConvertTexturePixels(uint8_t state, const uint8_t* bgr, size_t count, uint8_t* pixels, uint16_t* words);
