#include "apps/brumin/textures.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "engine/base/diagnostics.h"
#include "engine/base/text.h"
#include "engine/base/worldstate.h"
#include "engine/files/bmp.h"
#include "engine/files/repository.h"
#include "engine/render/graphics.h"
#include "engine/render/texturefiles.h"
#include "platform/platform.h"

namespace brumin {

TMeshTexture MeshTextureTable[kMeshTextureSlots + 1];
uint16_t MeshTextureCount = 0;
uint32_t MeshTextureNameCounter = 2;
bool TexturingOn = false;

namespace {

// The slot and frame BindTexture bound last.
uint16_t g_boundSlot = 0;
uint8_t g_boundFrame = 0;
// Names whose first request found no file: later requests give 0 at once.
std::vector<std::string> g_missing;
std::string g_logFile = kMeshLogFile;

// A short string's worth of a name.
std::string Short(const std::string& s) { return s.size() > 255 ? s.substr(0, 255) : s; }

std::string Base() { return Base_DIR.str(); }

// The lines of a text file (CR LF, LF or CR end a line), each cut to 255 characters; at most
// maxLines of them. False when the file cannot be opened.
bool ReadTextLines(const std::string& name, size_t maxLines, std::vector<std::string>& lines) {
  lines.clear();
  FILE* f = std::fopen(platform::DiskPath(name).c_str(), "rb");
  if (!f) return false;
  std::string line;
  bool pending = false;  // a line has begun
  for (int c = std::fgetc(f); c != EOF && lines.size() < maxLines; c = std::fgetc(f)) {
    if (c == '\r' || c == '\n') {
      if (c == '\r') {
        const int after = std::fgetc(f);
        if (after != '\n' && after != EOF) std::ungetc(after, f);
      }
      lines.push_back(line);
      line.clear();
      pending = false;
      continue;
    }
    pending = true;
    if (line.size() < 255) line += static_cast<char>(c);
  }
  if (pending && lines.size() < maxLines) lines.push_back(line);
  std::fclose(f);
  return true;
}

void AppendLogLine(const std::string& line) {
  const std::string path = platform::DiskPath(g_logFile);
  const bool fresh = !platform::IsRegularFile(path);
  FILE* f = std::fopen(path.c_str(), "ab");
  if (!f) return;  // a line that cannot be written is dropped
  const std::string text = (fresh ? std::string("Mesh3D-Fehlermeldungen:\r\n") : std::string()) + line + "\r\n";
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

// Blue, green, red pixels in file order to R, G, B or, with alpha, R, G, B, A where pure black
// and pure magenta become (0, 0, 0, 0).
std::vector<uint8_t> ConvertPixels(const std::vector<uint8_t>& bgr, bool alpha) {
  const size_t count = bgr.size() / 3;
  std::vector<uint8_t> out(count * (alpha ? 4 : 3));
  for (size_t i = 0; i < count; ++i) {
    const uint8_t b = bgr[3 * i], g = bgr[3 * i + 1], r = bgr[3 * i + 2];
    if (!alpha) {
      out[3 * i] = r;
      out[3 * i + 1] = g;
      out[3 * i + 2] = b;
      continue;
    }
    const bool clear = g == 0 && ((r == 0 && b == 0) || (r == 255 && b == 255));
    out[4 * i] = clear ? 0 : r;
    out[4 * i + 1] = clear ? 0 : g;
    out[4 * i + 2] = clear ? 0 : b;
    out[4 * i + 3] = clear ? 0 : 255;
  }
  return out;
}

// Reads the bitmap at path into the entry and uploads it; false (with a warning) for a file that
// is no bitmap or holds fewer pixel bytes than its sides need.
bool LoadBitmap(TMeshTexture& entry, const std::string& path, bool alpha) {
  TBMP bmp;
  if (!bmp.ReadHeader(path) || bmp.Type != kBmpType) {
    MeshUnitWarning("Mesh3D: LoadTextureByName: " + path + " is no bitmap");
    return false;
  }
  if (!bmp.PixelsInFile(path)) {
    MeshUnitWarning("Mesh3D: LoadTextureByName: " + path + " holds fewer pixels than its sides " +
                    std::to_string(bmp.Width) + " x " + std::to_string(bmp.Height) + " need");
    return false;
  }
  std::vector<uint8_t> raw(static_cast<size_t>(bmp.Width) * static_cast<size_t>(bmp.Height) * 3);
  bmp.ReadPixels(path, raw.data(), raw.size());
  entry.Pixels = ConvertPixels(raw, alpha);
  entry.Width = bmp.Width;
  entry.Height = bmp.Height;
  entry.Alpha = alpha ? 1 : 0;
  UploadTexture(entry, 1);
  std::fill(std::begin(entry.FrameNames) + 1, std::end(entry.FrameNames), entry.FrameNames[0]);
  return true;
}

uint16_t LoadByName(const std::string& requested, bool alpha, int redirections) {
  const std::string name = Short(requested);
  if (UpperShort(name).find(".ANI") != std::string::npos) {
    const std::string path = Base() + kGfxFolder + name;
    std::vector<std::string> lines;
    if (!xFileExists(path) || !ReadTextLines(path, 3, lines)) {
      MeshUnitWarning(name + " not found!");
      return 0;
    }
    if (redirections >= kMaxTextureRedirections) {
      MeshUnitWarning(name + ": more than " + std::to_string(kMaxTextureRedirections) +
                      " .ANI files name one another, no texture is loaded");
      return 0;
    }
    return LoadByName(lines.size() >= 3 ? lines[2] : std::string(), alpha, redirections + 1);
  }

  if (name.empty()) return 0;  // names no file, like an empty texture name of a mesh file
  for (int slot = 1; slot <= MeshTextureCount; ++slot)
    if (MeshTextureTable[slot].FileName.str() == name) return static_cast<uint16_t>(slot);
  if (std::find(g_missing.begin(), g_missing.end(), name) != g_missing.end()) return 0;
  if (MeshTextureCount >= kMeshTextureSlots) {
    MeshUnitWarning("Mesh3D: LoadTextureByName: all " + std::to_string(kMeshTextureSlots) + " texture slots are in use, " +
                    name + " is not loaded");
    return 0;
  }

  const uint16_t slot = ++MeshTextureCount;
  TMeshTexture& entry = MeshTextureTable[slot];
  entry = TMeshTexture();
  entry.FileName = name;
  for (const char* folder : {kGfxFolder, kGfxHiFolder, kUIFolder}) {
    const std::string path = Base() + folder + name;
    if (!xFileExists(path)) continue;
    return LoadBitmap(entry, path, alpha) ? slot : 0;
  }
  // Found nowhere: the slot repeats the one before it (slot 1 is left empty, its name too).
  entry = slot > 1 ? MeshTextureTable[slot - 1] : TMeshTexture();
  g_missing.push_back(name);
  AppendLogLine("Datei " + name + " nicht existent!");
  return 0;
}

}  // namespace

void MeshUnitWarning(const std::string& msg) { SYS_Warning(msg); }

void ResetMeshTextures(const std::string& logFolder) {
  for (TMeshTexture& e : MeshTextureTable) e = TMeshTexture();
  MeshTextureCount = 0;
  MeshTextureNameCounter = 2;
  g_boundSlot = 0;
  g_boundFrame = 0;
  TexturingOn = false;
  g_missing.clear();
  g_logFile = logFolder + kMeshLogFile;
  std::remove(platform::DiskPath(g_logFile).c_str());
}

const std::string& MeshLogFileName() { return g_logFile; }

uint16_t LoadTextureByName(const std::string& name, bool alpha) { return LoadByName(name, alpha, 0); }

uint16_t LoadMeshTexture(const std::string& requested, bool alpha) {
  const std::string name = Short(requested);
  if (name.empty()) return 0;
  if (UpperShort(name).find(".BMP") != std::string::npos) {
    const uint16_t slot = LoadTextureByName(name, alpha);
    if (slot != 0) MeshTextureTable[slot].ListName = std::string();
    return slot;
  }
  const std::string list = UpperShort(name);
  for (int slot = 1; slot <= MeshTextureCount; ++slot)
    if (UpperShort(MeshTextureTable[slot].ListName.str()) == list) return static_cast<uint16_t>(slot);

  std::string path = Base() + kGfxFolder + name;
  if (!xFileExists(path)) path = Base() + kGfxHiFolder + name;
  std::vector<std::string> lines;
  if (!xFileExists(path) || !ReadTextLines(path, SIZE_MAX, lines)) {
    MeshUnitWarning(name + " not found!");
    return 0;
  }
  // Frames that cannot be loaded (slot 0) stay out of the ring.
  uint16_t first = 0, last = 0;
  for (const std::string& line : lines) {
    if (line.empty() || line[0] == ';') continue;
    const uint16_t slot = LoadTextureByName(line, alpha);
    if (slot == 0) continue;
    MeshTextureTable[slot].ListName = list;
    if (last != 0)
      MeshTextureTable[last].Next = slot;
    else
      first = slot;
    last = slot;
  }
  if (first == 0) {
    MeshUnitWarning("Mesh3D: LoadMeshTexture: " + name + " names no frame that can be loaded");
    return 0;
  }
  MeshTextureTable[last].Next = first;
  return first;
}

void BindTexture(uint16_t slot, uint8_t frame) {
  if (slot == 0 || slot > MeshTextureCount) {
    GraGL.glDisable(glk::TEXTURE_2D);
    TexturingOn = false;
    g_boundSlot = 0;
    g_boundFrame = frame;
    return;
  }
  if (slot == g_boundSlot && frame == g_boundFrame) return;
  g_boundSlot = slot;
  g_boundFrame = frame;
  const int f = frame >= 1 && frame <= kTextureFrames ? frame : 1;
  GraGL.glEnable(glk::TEXTURE_2D);
  GraGL.glBindTexture(glk::TEXTURE_2D, MeshTextureTable[slot].FrameNames[f - 1]);
  TexturingOn = true;
}

void UploadTexture(TMeshTexture& entry, uint8_t frame) {
  const int f = frame >= 1 && frame <= kTextureFrames ? frame : 1;
  entry.FrameNames[f - 1] = ++MeshTextureNameCounter;
  GraGL.glBindTexture(glk::TEXTURE_2D, entry.FrameNames[f - 1]);
  // The upload moved GL's binding: the next BindTexture binds whatever it is asked for.
  g_boundSlot = 0;
  g_boundFrame = 0;
  GraGL.glTexParameterf(glk::TEXTURE_2D, glk::TEXTURE_WRAP_S, static_cast<float>(glk::REPEAT));
  GraGL.glTexParameterf(glk::TEXTURE_2D, glk::TEXTURE_WRAP_T, static_cast<float>(glk::REPEAT));
  GraGL.glTexParameterf(glk::TEXTURE_2D, glk::TEXTURE_MAG_FILTER, static_cast<float>(glk::LINEAR));
  GraGL.glTexParameterf(glk::TEXTURE_2D, glk::TEXTURE_MIN_FILTER, static_cast<float>(glk::LINEAR));
  const size_t needed = static_cast<size_t>(entry.Width) * static_cast<size_t>(entry.Height) * (entry.Alpha ? 4 : 3);
  if (entry.Width <= 0 || entry.Height <= 0 || entry.Pixels.size() < needed) return;  // nothing to hand over
  // Rows follow one another without padding, whatever the width.
  GraGL.glPixelStorei(glk::UNPACK_ALIGNMENT, 1);
  GraGL.glTexImage2D(glk::TEXTURE_2D, 0, entry.Alpha ? 4 : 3, entry.Width, entry.Height, 0,
                     entry.Alpha ? glk::RGBA : glk::RGB, glk::UNSIGNED_BYTE, entry.Pixels.data());
}

}  // namespace brumin
