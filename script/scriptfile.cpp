#include "script/scriptfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "script/interpreter.h"

namespace {

uint32_t LoadU32(const uint8_t* P) {
  return uint32_t(P[0]) | (uint32_t(P[1]) << 8) | (uint32_t(P[2]) << 16) | (uint32_t(P[3]) << 24);
}

void StoreU32(std::vector<uint8_t>& Out, uint32_t V) {
  for (int i = 0; i < 4; ++i) Out.push_back(static_cast<uint8_t>(V >> (8 * i)));
}

std::string IoError(int Err, const std::string& Path) {
  return "I/O error " + std::to_string(Err) + " (" + std::strerror(Err) + "): " + Path;
}

}  // namespace

std::string ScriptSourceText(const std::vector<std::string>& Lines) {
  std::string text;
  for (const std::string& line : Lines) text += line + "\r\n";
  return text;
}

std::vector<std::string> ScriptSourceLines(const std::string& Text) {
  std::vector<std::string> lines;
  std::string line;
  bool open = false;  // characters after the last line break
  for (size_t i = 0; i < Text.size(); ++i) {
    const char c = Text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      open = false;
      if (c == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n') ++i;
    } else {
      line += c;
      open = true;
    }
  }
  if (open) lines.push_back(line);
  return lines;
}

std::vector<uint8_t> EncodeScriptFile(const std::string& Source, const std::vector<uint8_t>& Code) {
  std::vector<uint8_t> out;
  out.reserve(8 + Source.size() + Code.size());
  StoreU32(out, static_cast<uint32_t>(Source.size()));
  out.insert(out.end(), Source.begin(), Source.end());
  StoreU32(out, static_cast<uint32_t>(Code.size()));
  out.insert(out.end(), Code.begin(), Code.end());
  return out;
}

std::string DecodeScriptFile(const std::vector<uint8_t>& Bytes, TScriptFileData& Out) {
  const uint64_t size = Bytes.size();
  if (size < 4) return "shorter than its source length";
  const uint64_t s = LoadU32(Bytes.data());
  if (4 + s > size) return "source length " + std::to_string(s) + " beyond the end of the file";
  if (8 + s > size) return "no code length after the source";
  const uint64_t c = LoadU32(Bytes.data() + 4 + s);
  if (8 + s + c > size) return "code length " + std::to_string(c) + " beyond the end of the file";
  if (c > uint64_t(kScriptCodeBufferSize)) return "code length " + std::to_string(c) + " above 65536";
  const uint8_t* code = Bytes.data() + 8 + s;
  if (c != 0) {
    if (c < 4) return "code length " + std::to_string(c) + " shorter than an image";
    const uint32_t word = LoadU32(code);
    if (!(c == 4 && word == 0)) {
      if (word != c) return "image size " + std::to_string(word) + " differs from the code length " + std::to_string(c);
      const std::string bad = CheckScriptImage(code, size_t(c));
      if (!bad.empty()) return "damaged image: " + bad;
    }
  }
  Out.Source.assign(reinterpret_cast<const char*>(Bytes.data() + 4), size_t(s));
  Out.Code.assign(code, code + c);
  return std::string();
}

bool ReadScriptFile(const std::string& Path, TScriptFileData& Out, std::string& Error) {
  FILE* f = std::fopen(Path.c_str(), "rb");
  if (f == nullptr) {
    Error = IoError(errno, Path);
    return false;
  }
  std::vector<uint8_t> bytes;
  uint8_t buffer[8192];
  size_t n;
  errno = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  const bool failed = std::ferror(f) != 0;
  const int err = errno;
  std::fclose(f);
  if (failed) {
    Error = IoError(err != 0 ? err : EIO, Path);
    return false;
  }
  TScriptFileData data;
  const std::string refused = DecodeScriptFile(bytes, data);
  if (!refused.empty()) {
    Error = "Not a mesh-animation-script (" + refused + "): " + Path;
    return false;
  }
  Out = std::move(data);
  return true;
}

bool WriteScriptFile(const std::string& Path, const std::string& Source, const std::vector<uint8_t>& Code,
                     std::string& Error) {
  const std::vector<uint8_t> bytes = EncodeScriptFile(Source, Code);
  const std::string temp = Path + ".tmp";
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (f == nullptr) {
    Error = IoError(errno, Path);
    return false;
  }
  errno = 0;
  bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  int err = errno;
  if (std::fclose(f) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && std::rename(temp.c_str(), Path.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    std::remove(temp.c_str());
    Error = IoError(err != 0 ? err : EIO, Path);
    return false;
  }
  return true;
}
