// Archive entries through the repository file layer: an entry is read with xBlockRead, xReadLn and
// xSeek at any position and in any record size, and every answer is compared with the entry's
// plain bytes (an entry descrambles alike from any position).
//
// Input: byte 0, how many other bytes lie before the entry in the archive file; byte 1, low four
// bits, how many bytes the directory claims beyond the entry's own, high four bits, how many other
// bytes follow the entry in the file (a claim beyond them runs past the archive's end); byte 2,
// the number of operations (at most 32), then 5 bytes for each (a kind and a 32-bit argument);
// the rest is the entry's plain bytes. The directory also names the entry once before, with other
// values, and names one other entry: the last entry of a name counts.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/files/repository.h"
#include "fuzz/file_host.h"

using fuzz_files::Check;

namespace {

constexpr size_t kHead = 3;
constexpr size_t kOperationSize = 5;
constexpr size_t kMaxOperations = 32;
constexpr int64_t kMaxBlock = 1 << 16;  // bytes of one block read, so that every input stays quick
const char* const kNames[] = {"fuzz\\entry.txt", "\\FUZZ\\ENTRY.TXT", "Fuzz\\Entry.Txt"};

// What the handle must show: the entry as the directory gives it, over the bytes the archive holds.
struct Model {
  std::vector<uint8_t> bytes;  // descrambled bytes of the archive from the entry's offset to its end
  uint32_t size = 0;           // the directory's size of the entry
  uint32_t position = 0;
  int32_t recSize = 1;

  // The bytes a block read of n wanted bytes gives from the position.
  std::vector<uint8_t> Read(int64_t wanted) const {
    if (wanted <= 0 || position >= size) return {};
    const int64_t n = std::min<int64_t>(wanted, static_cast<int64_t>(size) - position);
    const int64_t held = std::max<int64_t>(0, static_cast<int64_t>(bytes.size()) - position);
    const int64_t got = std::min(n, held);
    if (got <= 0) return {};
    return std::vector<uint8_t>(bytes.begin() + position, bytes.begin() + position + got);
  }
};

void CheckState(const TRepositoryFile& f, const Model& m) {
  Check(f.Position == m.position, "the position follows the reads and seeks");
  Check(xFilePos(f) == static_cast<int32_t>(m.position), "xFilePos gives the position");
  Check(xFileSize(f) == static_cast<int32_t>(m.size), "xFileSize gives the directory's size");
  Check(xEof(f) == (m.position >= m.size), "xEof compares position and size");
}

void BlockRead(TRepositoryFile& f, Model& m, uint32_t arg, bool var) {
  int64_t count = arg % 8192;
  if (m.recSize > 0 && m.recSize * count > kMaxBlock) count = kMaxBlock / m.recSize;
  const int64_t wanted = m.recSize * count;
  // The buffer holds exactly what is asked for: a read past it is an overrun.
  std::vector<uint8_t> buffer(static_cast<size_t>(std::max<int64_t>(0, wanted)));
  int32_t got = -1;
  if (var)
    xBlockReadVar(f, buffer.data(), static_cast<int32_t>(count), got);
  else
    got = xBlockRead(f, buffer.data(), static_cast<int32_t>(count));
  const std::vector<uint8_t> expected = m.Read(wanted);
  Check(got == static_cast<int32_t>(expected.size()), "a block read gives what the entry holds from the position");
  Check(std::equal(expected.begin(), expected.end(), buffer.begin()), "a block read descrambles the entry's bytes");
  m.position += static_cast<uint32_t>(expected.size());
}

void ReadLine(TRepositoryFile& f, Model& m, uint32_t arg, bool shortString) {
  // A line is read byte by byte whatever the handle's record size, which stays as it was.
  std::string line;
  size_t maxLen = arg % 300;
  if (shortString) {
    ShortString<31> s;
    xReadLn(f, s);
    line = s.str();
    maxLen = 31;
  } else {
    xReadLn(f, line, maxLen);
  }

  std::vector<uint8_t> t = m.Read(255);
  const auto cr = std::find(t.begin(), t.end(), uint8_t{13});
  uint32_t next = m.position + static_cast<uint32_t>(t.size());
  if (cr != t.end()) {
    // The position goes to the byte after the CR and the one that follows it, held in the entry.
    next = std::min<uint32_t>(m.position + static_cast<uint32_t>(cr - t.begin()) + 2, m.size);
    t.erase(cr, t.end());
  }
  if (t.size() > maxLen) t.resize(maxLen);
  Check(line == std::string(t.begin(), t.end()), "a line is the entry's text up to its CR");
  m.position = next;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = fuzz_files::Start();
  (void)started;
  if (size < kHead) return 0;
  const size_t lead = data[0];
  const uint32_t claimed = data[1] & 15;
  const size_t trail = data[1] >> 4;
  const size_t operations = std::min<size_t>(data[2], kMaxOperations);
  if (size < kHead + operations * kOperationSize) return 0;
  const uint8_t* ops = data + kHead;
  const uint8_t* plain = ops + operations * kOperationSize;
  const size_t length = size - kHead - operations * kOperationSize;

  // The archive file: other bytes, the scrambled entry, other bytes.
  std::vector<uint8_t> archive(lead + length + trail);
  for (size_t i = 0; i < lead; ++i) archive[i] = static_cast<uint8_t>(0xA5 ^ i);
  if (length > 0) std::memcpy(archive.data() + lead, plain, length);
  xScramble(archive.data() + lead, length, 0);
  for (size_t i = 0; i < trail; ++i) archive[lead + length + i] = static_cast<uint8_t>(0x3C + 7 * i);
  fuzz_files::WriteBytes(fuzz_files::Base() + "FUZZ.PAK", archive.data(), archive.size());

  Model m;
  m.size = static_cast<uint32_t>(length) + claimed;
  m.bytes.assign(archive.begin() + static_cast<std::ptrdiff_t>(lead), archive.end());
  xScramble(m.bytes.data(), m.bytes.size(), 0);
  Check(std::equal(plain, plain + length, m.bytes.begin()), "scrambling is its own inverse");

  std::vector<TArchiveEntry> entries = {{"FUZZ\\ENTRY.TXT", 1, 0},
                                        {"FUZZ\\OTHER.TXT", 4, 1},
                                        {"fuzz\\entry.txt", m.size, static_cast<uint32_t>(lead)}};
  const size_t openBefore = fuzz_files::OpenFiles();
  Check(xOpenArchive("FUZZ.PAK", entries), "the archive opens");

  TRepositoryFile f;
  xAssign(f, kNames[0]);
  Check(f.Opened == 1 && f.InArchive == 1, "the entry is found in the archive");
  xReset(f, 1);
  CheckState(f, m);
  for (size_t i = 0; i < operations; ++i) {
    const uint8_t* op = ops + i * kOperationSize;
    const uint32_t arg = static_cast<uint32_t>(op[1]) | static_cast<uint32_t>(op[2]) << 8 |
                         static_cast<uint32_t>(op[3]) << 16 | static_cast<uint32_t>(op[4]) << 24;
    switch (op[0] % 8) {
      case 0:
        xSeek(f, static_cast<int32_t>(arg));
        m.position = std::min(arg, m.size);
        break;
      case 1: BlockRead(f, m, arg, false); break;
      case 2: BlockRead(f, m, arg, true); break;
      case 3:
        m.recSize = static_cast<int8_t>(arg & 0xFF);
        xReset(f, m.recSize);
        break;
      case 4: ReadLine(f, m, arg, false); break;
      case 5: ReadLine(f, m, arg, true); break;
      case 6:
        xClose(f);
        xAssign(f, kNames[arg % 3]);
        Check(f.Opened == 1 && f.InArchive == 1, "every spelling of the name finds the entry");
        m.position = 0;
        break;
      default: {
        // A read of the whole rest, then the end.
        const int32_t saved = m.recSize;
        m.recSize = 1;
        xReset(f, 1);
        BlockRead(f, m, 8191, false);
        m.recSize = saved;
        xReset(f, saved);
        break;
      }
    }
    CheckState(f, m);
  }
  xClose(f);
  xCloseArchive();
  Check(fuzz_files::OpenFiles() == openBefore, "closing the archive closes its file");
  return 0;
}
