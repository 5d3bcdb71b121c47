// The repository file layer: the loaders read their data files through a handle that finds a
// name on disk first, then among the entries of a loaded archive, and reads both alike.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/base/types.h"

struct TArchiveEntry {
  std::string Name;  // upper case, compared whole
  uint32_t Size = 0;
  uint32_t Offset = 0;  // first byte of the entry in the archive file
};

// A loaded archive: its file and its directory. Entry bytes are scrambled on disk.
struct TRepositoryArchive {
  FILE* File = nullptr;
  std::vector<TArchiveEntry> Entries;
};

struct TRepositoryFile {
  ShortString<255> Name{};  // the normalised name, kept for messages even when not found
  uint8_t InArchive = 0;
  uint32_t EntryOffset = 0;
  uint32_t Size = 0;
  TRepositoryArchive* Archive = nullptr;
  uint32_t Position = 0;
  FILE* FileVar = nullptr;
  int32_t RecSize = 0;
  uint8_t Opened = 0;

  // A handle closes its disk file when it goes, also when a fatal stop of a nested load unwinds
  // past it (the fatal sink of tests and fuzz targets throws). It is never copied.
  TRepositoryFile() = default;
  TRepositoryFile(const TRepositoryFile&) = delete;
  TRepositoryFile& operator=(const TRepositoryFile&) = delete;
  ~TRepositoryFile();
};

extern TRepositoryArchive* RepositoryArchive;  // none: nothing in the programs loads one

// The building program's reader is lenient (it sets this at start): xReset, xSeek and
// xBlockRead of a handle that is not opened (a name xAssign did not find, or a handle never
// assigned) do not stop the program. xReset stores the record size and opens nothing, xSeek does
// nothing and xBlockRead reads nothing and gives 0; the handle then has size 0 and is at its end.
// Otherwise (the engine's reader) each of them is a fatal stop.
extern bool RepositoryLenient;
extern uint8_t LastFileSource;                 // 0 not found, 1 on disk, 2 in the archive

// The table that descrambles archive entries: byte i of an entry is xor-ed with entry i & 63.
extern const uint8_t kArchiveScrambleTable[64];

// On disk only a regular file exists; a folder of the name does not (the archive is asked next).
bool xFileExists(const std::string& name);
void xAssign(TRepositoryFile& f, const std::string& name);
void xReset(TRepositoryFile& f, int32_t recSize);
int32_t xBlockRead(TRepositoryFile& f, void* buffer, int32_t count);
void xBlockReadVar(TRepositoryFile& f, void* buffer, int32_t count, int32_t& readCount);
// One text line: up to 255 bytes read byte by byte whatever the handle's record size, cut
// before the first CR (the position moves past the CR and the LF after it) and to maxLen.
void xReadLn(TRepositoryFile& f, std::string& s, size_t maxLen = 255);
template <size_t N>
void xReadLn(TRepositoryFile& f, ShortString<N>& s) {
  std::string line;
  xReadLn(f, line, N);
  s = line;
}
void xSeek(TRepositoryFile& f, int32_t pos);
int32_t xFilePos(const TRepositoryFile& f);
int32_t xFileSize(const TRepositoryFile& f);
bool xEof(const TRepositoryFile& f);
void xClose(TRepositoryFile& f);

// Opens an archive file with its directory and makes it the loaded archive (closing any earlier
// one). Returns false when the file cannot be opened. Used by tools and tests; the programs never
// load one.
bool xOpenArchive(const std::string& fileName, std::vector<TArchiveEntry> entries);
void xCloseArchive();
// Scrambles (or descrambles: the operation is its own inverse) bytes of an entry starting at the
// given position within the entry.
void xScramble(uint8_t* bytes, size_t count, uint32_t entryPosition);
