// rle_driver: runs the byte codec on standard input.
//   rle_driver pack          packs standard input, writes the stream to standard output
//   rle_driver unpack BOUND  decodes the stream on standard input with an output bound of BOUND
// The outcome goes to standard error as one line. Exit status: 0 packed or complete, 1 overflow,
// 2 refused or corrupt, 3 wrong use.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/files/rle.h"

namespace {

std::vector<uint8_t> ReadAll() {
  std::vector<uint8_t> in;
  uint8_t buf[65536];
  size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, stdin)) > 0) in.insert(in.end(), buf, buf + got);
  return in;
}

void WriteAll(const uint8_t* p, size_t n) {
  if (n > 0) std::fwrite(p, 1, n, stdout);
  std::fflush(stdout);
}

int Usage() {
  std::fprintf(stderr, "usage: rle_driver pack | rle_driver unpack BOUND\n");
  return 3;
}

const char* PackReason(TRlePackStatus s) {
  switch (s) {
    case TRlePackStatus::Packed: return "packed";
    case TRlePackStatus::EmptyBlock: return "refused: empty block";
    case TRlePackStatus::AllByteValues: return "refused: the block holds all 256 byte values";
    case TRlePackStatus::OutputFull: return "refused: output full";
  }
  return "?";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string mode = argv[1];
  if (mode == "pack" && argc == 2) {
    const std::vector<uint8_t> in = ReadAll();
    if (in.size() > 0x7FFFFFFFu / 3) {
      std::fprintf(stderr, "refused: block too large\n");
      return 2;
    }
    std::vector<uint8_t> out(static_cast<size_t>(rlePackBound(static_cast<int64_t>(in.size()))));
    TRlePackStatus status;
    const int32_t n = rlecompress(in.data(), static_cast<int32_t>(in.size()), out.data(),
                                  static_cast<int32_t>(out.size()), &status);
    std::fprintf(stderr, "%s: %zu -> %d bytes\n", PackReason(status), in.size(), n);
    if (status != TRlePackStatus::Packed) return 2;
    WriteAll(out.data(), static_cast<size_t>(n));
    return 0;
  }
  if (mode == "unpack" && argc == 3) {
    char* end = nullptr;
    const long long bound = std::strtoll(argv[2], &end, 10);
    if (!end || *end || bound < 0 || bound > 0x7FFFFFFF) return Usage();
    const std::vector<uint8_t> in = ReadAll();
    if (in.size() > 0x7FFFFFFFu) {
      std::fprintf(stderr, "corrupt: stream too large\n");
      return 2;
    }
    std::vector<uint8_t> out(static_cast<size_t>(bound));
    TRleStatus status;
    const int32_t n = rledecompress(in.data(), static_cast<int32_t>(in.size()), out.data(),
                                    static_cast<int32_t>(bound), &status);
    const char* what = status == TRleStatus::Complete ? "complete" : status == TRleStatus::Overflow ? "overflow" : "corrupt";
    std::fprintf(stderr, "%s: %zu -> %d bytes, RleOverflow %d\n", what, in.size(), n, RleOverflow);
    WriteAll(out.data(), static_cast<size_t>(n));
    return status == TRleStatus::Complete ? 0 : status == TRleStatus::Overflow ? 1 : 2;
  }
  return Usage();
}
