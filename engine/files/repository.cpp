#include "engine/files/repository.h"

#include <algorithm>

#include "engine/base/diagnostics.h"
#include "engine/base/text.h"
#include "platform/platform.h"

TRepositoryArchive* RepositoryArchive = nullptr;
uint8_t LastFileSource = 0;
bool RepositoryLenient = false;

const uint8_t kArchiveScrambleTable[64] = {
    0x5A, 0xC3, 0x17, 0x8E, 0x29, 0xF4, 0x61, 0xB0, 0x3D, 0x92, 0x4B, 0xE7, 0x05, 0x7C, 0xD8, 0x36,
    0xA1, 0x1F, 0x6E, 0xC9, 0x58, 0x83, 0xFA, 0x24, 0x9D, 0x40, 0xB7, 0x0E, 0x75, 0xEC, 0x31, 0xD6,
    0x4F, 0xA8, 0x13, 0x6A, 0xC5, 0x9C, 0x27, 0xF1, 0x86, 0x3B, 0xDE, 0x50, 0x0B, 0xB4, 0x79, 0xE2,
    0x1C, 0x97, 0x62, 0xAD, 0x38, 0xCF, 0x84, 0x11, 0xFB, 0x46, 0x2E, 0xD3, 0x6C, 0xA5, 0x09, 0x70};

namespace {

std::string DropLeadingBackslash(const std::string& name) {
  return !name.empty() && name[0] == '\\' ? name.substr(1) : name;
}

// Only a regular file exists: a folder of that name opens too, but reads nothing, so a
// reader waiting for its end would never get there.
bool DiskFileExists(const std::string& name, std::string& diskPath) {
  diskPath = platform::DiskPath(name);
  if (!platform::IsRegularFile(diskPath)) return false;
  FILE* f = std::fopen(diskPath.c_str(), "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

[[noreturn]] void FileError(const char* routine, const TRepositoryFile& f) {
  SYS_BREAKPROGRAM(std::string("QZRepository: ") + routine + ": There was an error with this file: " + f.Name.str());
}

}  // namespace

void xScramble(uint8_t* bytes, size_t count, uint32_t entryPosition) {
  for (size_t i = 0; i < count; ++i) bytes[i] ^= kArchiveScrambleTable[(entryPosition + i) & 63];
}

bool xFileExists(const std::string& name) {
  const std::string n = DropLeadingBackslash(name);
  LastFileSource = 0;
  std::string diskPath;
  if (!n.empty() && DiskFileExists(n, diskPath)) {
    LastFileSource = 1;
    return true;
  }
  if (RepositoryArchive) {
    const std::string upper = UpperShort(n);
    for (const TArchiveEntry& e : RepositoryArchive->Entries) {
      if (e.Name == upper) {
        LastFileSource = 2;
        return true;
      }
    }
  }
  return false;
}

void xAssign(TRepositoryFile& f, const std::string& name) {
  if (f.FileVar) xClose(f);
  // Nothing of an earlier binding stays: a name that is not found leaves an empty handle at its end.
  f.Opened = 0;
  f.InArchive = 0;
  f.EntryOffset = 0;
  f.Size = 0;
  f.Archive = nullptr;
  f.Position = 0;
  if (name.empty()) {
    f.Name = std::string();
    return;
  }
  const std::string normalised = DropLeadingBackslash(UpperShort(name));
  f.Name = normalised;
  if (!xFileExists(normalised)) return;
  if (LastFileSource == 1) {
    std::string diskPath = platform::DiskPath(normalised);
    if (FILE* probe = std::fopen(diskPath.c_str(), "rb")) {
      if (std::fseek(probe, 0, SEEK_END) == 0) {
        long size = std::ftell(probe);
        f.Size = size > 0 ? static_cast<uint32_t>(size) : 0;
      }
      std::fclose(probe);
    }
    f.Opened = 1;
    return;
  }
  f.InArchive = 1;
  f.Archive = RepositoryArchive;
  for (const TArchiveEntry& e : RepositoryArchive->Entries) {
    if (e.Name != normalised) continue;
    f.EntryOffset = e.Offset;
    f.Size = e.Size;
    f.Opened = 1;
  }
}

void xReset(TRepositoryFile& f, int32_t recSize) {
  if (f.Opened != 1) {
    if (!RepositoryLenient) FileError("xReset", f);
    f.RecSize = recSize;
    return;
  }
  f.RecSize = recSize;
  if (f.InArchive) return;
  if (f.FileVar) std::fclose(f.FileVar);
  f.FileVar = std::fopen(platform::DiskPath(f.Name.str()).c_str(), "rb");
  if (!f.FileVar) {
    SYS_Warning("QZRepository: xReset: cannot open " + f.Name.str());
    return;
  }
  // The file is read from its first byte; the position field stays as it was.
}

int32_t xBlockRead(TRepositoryFile& f, void* buffer, int32_t count) {
  if (f.Opened != 1) {
    if (!RepositoryLenient) FileError("xBlockRead", f);
    return 0;
  }
  const int64_t wanted = static_cast<int64_t>(f.RecSize) * count;
  if (wanted <= 0) return 0;  // a negative or empty request reads nothing
  int64_t n = std::min<int64_t>(wanted, INT32_MAX);
  if (!f.InArchive) {
    if (f.Position == f.Size || !f.FileVar) return 0;
    size_t got = std::fread(buffer, 1, static_cast<size_t>(n), f.FileVar);
    if (got < static_cast<size_t>(n) && std::ferror(f.FileVar)) {
      SYS_Warning("QZRepository: xBlockRead: read error in " + f.Name.str());
      std::clearerr(f.FileVar);
    }
    f.Position += static_cast<uint32_t>(got);
    return static_cast<int32_t>(got);
  }
  if (f.Position >= f.Size || !f.Archive || !f.Archive->File) return 0;
  n = std::min<int64_t>(n, static_cast<int64_t>(f.Size) - f.Position);
  if (n == 0) return 0;
  if (std::fseek(f.Archive->File, static_cast<long>(f.EntryOffset) + f.Position, SEEK_SET) != 0) return 0;
  size_t got = std::fread(buffer, 1, static_cast<size_t>(n), f.Archive->File);
  if (got < static_cast<size_t>(n)) {
    // The archive holds fewer bytes than its directory says.
    SYS_Warning("QZRepository: xBlockRead: archive entry is short: " + f.Name.str());
  }
  xScramble(static_cast<uint8_t*>(buffer), got, f.Position);
  f.Position += static_cast<uint32_t>(got);
  return static_cast<int32_t>(got);
}

void xBlockReadVar(TRepositoryFile& f, void* buffer, int32_t count, int32_t& readCount) {
  readCount = xBlockRead(f, buffer, count);
}

void xReadLn(TRepositoryFile& f, std::string& s, size_t maxLen) {
  s.clear();
  char buf[255];
  // A line is read byte by byte whatever the handle's record size, so the read never passes
  // the buffer.
  const int32_t recSize = f.RecSize;
  f.RecSize = 1;
  const int32_t got = xBlockRead(f, buf, sizeof buf);
  f.RecSize = recSize;
  if (got <= 0) return;
  std::string t(buf, static_cast<size_t>(got));
  const size_t cr = t.find('\r');
  if (cr != std::string::npos) {
    t.resize(cr);
    // Back to the byte after the CR and the character that follows it (lines end in CR LF).
    xSeek(f, xFilePos(f) - (got - static_cast<int32_t>(t.size())) + 2);
  }
  s = t.substr(0, std::min(maxLen, t.size()));
}

void xSeek(TRepositoryFile& f, int32_t pos) {
  if (f.Opened != 1) {
    if (!RepositoryLenient) FileError("xSeek", f);
    return;
  }
  if (f.InArchive) {
    f.Position = std::min(static_cast<uint32_t>(pos), f.Size);
    return;
  }
  if (!f.FileVar || pos < 0) return;
  if (std::fseek(f.FileVar, pos, SEEK_SET) == 0) {
    long p = std::ftell(f.FileVar);
    f.Position = p >= 0 ? static_cast<uint32_t>(p) : f.Position;
  }
}

int32_t xFilePos(const TRepositoryFile& f) { return f.Opened == 1 ? static_cast<int32_t>(f.Position) : 0; }

int32_t xFileSize(const TRepositoryFile& f) { return f.Opened == 1 ? static_cast<int32_t>(f.Size) : 0; }

bool xEof(const TRepositoryFile& f) { return f.Position >= f.Size; }

TRepositoryFile::~TRepositoryFile() { xClose(*this); }

void xClose(TRepositoryFile& f) {
  if (f.FileVar) {
    std::fclose(f.FileVar);
    f.FileVar = nullptr;
  }
}

bool xOpenArchive(const std::string& fileName, std::vector<TArchiveEntry> entries) {
  xCloseArchive();
  FILE* file = std::fopen(platform::DiskPath(fileName).c_str(), "rb");
  if (!file) return false;
  for (TArchiveEntry& e : entries) e.Name = UpperShort(e.Name);
  RepositoryArchive = new TRepositoryArchive{file, std::move(entries)};
  return true;
}

void xCloseArchive() {
  if (!RepositoryArchive) return;
  if (RepositoryArchive->File) std::fclose(RepositoryArchive->File);
  delete RepositoryArchive;
  RepositoryArchive = nullptr;
}
