// The wave file reader on arbitrary bytes: the header walk and the sample buffer it leads to.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/sound/samples.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TWaveInfo info{};
  std::string error;
  if (ReadWaveHeader(data, size, info, error)) {
    if (info.DataOffset + static_cast<uint64_t>(info.DataLength) > size) __builtin_trap();
    const std::vector<uint8_t> buffer = MakeSampleBuffer(data, info, 20);
    if (buffer.size() < info.DataLength - kDroppedWaveTail) __builtin_trap();
  }
  return 0;
}
