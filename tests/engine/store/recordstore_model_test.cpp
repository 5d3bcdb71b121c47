// A randomized run of the record store against a plain model: about 100,000 writes, rewrites,
// overwrites, reads, deletes and compaction steps over record types of all three compacted arrays,
// every result compared with a std::map of the expected records and a model of the index hand-out.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/store/compaction.h"
#include "engine/world/records.h"
#include "tests/engine/store/store_fixture.h"

using namespace arrayer_testing;

namespace {

// A small deterministic generator (splitmix64), the same on every platform.
struct Random {
  uint64_t state;
  uint64_t Next() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  uint32_t Below(uint32_t n) { return static_cast<uint32_t>(Next() % n); }
  uint8_t Byte() { return static_cast<uint8_t>(Next()); }
};

// The index hand-out of one array as the store describes it.
struct IndexModel {
  std::vector<bool> used = std::vector<bool>(1025, false);  // cells below the top
  uint32_t last = 0;

  uint32_t Take() {
    const uint32_t top = static_cast<uint32_t>(used.size());
    uint32_t cell = 0;
    for (uint32_t c = last + 1; c < top && !cell; ++c) {
      if (!used[c]) cell = c;
    }
    for (uint32_t c = 1; c <= last && !cell; ++c) {
      if (!used[c]) cell = c;
    }
    if (!cell) {
      cell = top;
      used.resize(top + 1024, false);
    }
    used[cell] = true;
    last = cell;
    return cell;
  }
};

struct Expected {
  const RecordDesc* desc;
  std::vector<uint8_t> bytes;  // the whole record as a read must return it (unused list room zero)
  size_t livePos;              // position in the list of live keys
};

using Key = std::pair<int, uint32_t>;  // array, index

class StoreModel {
 public:
  explicit StoreModel(uint64_t seed) : rnd_{seed} {}

  void Write() {
    const RecordDesc& d = *kTypes[rnd_.Below(kTypeCount)];
    std::vector<uint8_t> rec = RandomRecord(d);
    RecordWrite(d, rec.data());
    uint32_t index;
    std::memcpy(&index, rec.data(), 4);
    const int a = static_cast<int>(d.Array);
    ASSERT_EQ(index, indices_[a].Take()) << "write " << ops_;
    const Key key{a, index};
    live_.push_back(key);
    model_[key] = Expected{&d, rec, live_.size() - 1};
  }

  void ReWrite() {
    if (live_.empty()) return;
    Expected& e = model_[live_[rnd_.Below(static_cast<uint32_t>(live_.size()))]];
    std::vector<uint8_t> rec = RandomRecord(*e.desc);
    std::memcpy(rec.data(), e.bytes.data(), 4);
    RecordReWrite(*e.desc, rec.data());
    e.bytes = rec;
  }

  // New fixed bytes and list contents with the same lengths.
  void Overwrite() {
    if (live_.empty()) return;
    Expected& e = model_[live_[rnd_.Below(static_cast<uint32_t>(live_.size()))]];
    const RecordDesc& d = *e.desc;
    std::vector<uint8_t> rec = e.bytes;
    for (uint32_t b = 4; b < d.FixedSize; ++b) {
      if (!IsCount(d, b)) rec[b] = rnd_.Byte();
    }
    for (int li = 0; li < d.ListCount; ++li) {
      const RecordList& l = d.Lists[li];
      const uint32_t n = Count(rec.data(), l);
      if (l.Shape == ListShape::Plain) {
        for (uint32_t b = 0; b < n * l.ElementSize; ++b) rec[l.Offset + b] = rnd_.Byte();
      } else if (l.Shape == ListShape::Slots) {
        for (uint32_t s = 0; s < n; ++s) {
          uint8_t* slot = rec.data() + l.Offset + s * l.ElementSize;
          for (uint32_t b = 4; b < 4 + 4u * slot[0]; ++b) slot[b] = rnd_.Byte();
        }
      } else {
        for (uint32_t b = 1; b <= n; ++b) rec[l.Offset + b] = static_cast<uint8_t>('a' + rnd_.Below(26));
      }
    }
    RecordOverwrite(d, rec.data());
    e.bytes = rec;
  }

  void Delete() {
    if (live_.empty()) return;
    const Key key = live_[rnd_.Below(static_cast<uint32_t>(live_.size()))];
    switch (static_cast<ArrayerId>(key.first)) {
      case ArrayerId::BW: ArrayerEntryDestroyBW(key.second); break;
      case ArrayerId::OA: ArrayerEntryDestroyOA(key.second); break;
      default: ArrayerEntryDestroyRest(key.second); break;
    }
    indices_[key.first].used[key.second] = false;
    const size_t pos = model_[key].livePos;
    live_[pos] = live_.back();
    model_[live_[pos]].livePos = pos;
    live_.pop_back();
    model_.erase(key);
  }

  void Read() {
    if (live_.empty()) return;
    const Key key = live_[rnd_.Below(static_cast<uint32_t>(live_.size()))];
    Check(key);
  }

  void Compact() {
    switch (rnd_.Below(4)) {
      case 0: ArrayerCollect(); break;
      case 1: ArrayerCompactSingleStep(ArrayerId::BW); break;
      case 2: ArrayerCompactSingleStep(ArrayerId::OA); break;
      default: ArrayerCompactSingleStep(ArrayerId::Rest); break;
    }
  }

  void Check(const Key& key) {
    const Expected& e = model_.at(key);
    std::vector<uint8_t> got(e.desc->Size, 0);
    RecordRead(*e.desc, got.data(), key.second);
    ASSERT_TRUE(got == e.bytes) << e.desc->Name << " " << key.second << " after operation " << ops_;
  }

  // Every array consistent, every record as expected, and the searches walk exactly the model.
  void CheckAll() {
    for (ArrayerId id : {ArrayerId::BW, ArrayerId::OA, ArrayerId::Rest}) {
      std::string problem;
      ASSERT_TRUE(ArrayerCheckArray(id, problem)) << problem << " after operation " << ops_;
    }
    for (const auto& [key, e] : model_) {
      Check(key);
      if (testing::Test::HasFatalFailure()) return;
    }
    const auto walk = [](uint32_t (*find)(uint32_t, uint32_t), uint32_t mask) {
      std::map<uint32_t, uint32_t> found;
      for (uint32_t i = find(mask, 0); i != 0; i = find(mask, i)) found[i] = 0;
      return found;
    };
    std::map<uint32_t, uint32_t> expected[3];
    for (const auto& [key, e] : model_) expected[key.first][key.second] = 0;
    EXPECT_EQ(walk(FindInArrayerBW, kArrayerBWFlag | 0xFFFF), expected[0]);
    EXPECT_EQ(walk(FindInArrayerOA, kArrayerOAFlag | 0xFFFF), expected[1]);
    EXPECT_EQ(walk(FindInArrayerRest, kArrayerRestFlag | 0xFFFF), expected[2]);
    // The kinds: stations alone.
    std::map<uint32_t, uint32_t> stations;
    for (const auto& [key, e] : model_) {
      if (e.desc == &kTStationDesc) stations[key.second] = 0;
    }
    EXPECT_EQ(walk(FindInArrayerOA, kARTypeStation), stations);
  }

  void Run(int operations) {
    for (ops_ = 0; ops_ < operations; ++ops_) {
      // Deletes grow more likely with the number of live records, which stays near 1,500.
      const uint32_t r = rnd_.Below(1000);
      const uint32_t deleteShare = static_cast<uint32_t>(std::min<size_t>(live_.size() / 5, 300));
      if (r < 300) {
        Write();
      } else if (r < 300 + deleteShare) {
        Delete();
      } else if (r < 750) {
        ReWrite();
      } else if (r < 850) {
        Overwrite();
      } else if (r < 950) {
        Read();
      } else {
        Compact();
      }
      if (testing::Test::HasFatalFailure()) return;
      if (ops_ % 5000 == 4999) {
        CheckAll();
        if (testing::Test::HasFatalFailure()) return;
      }
    }
    CheckAll();
  }

  size_t Live() const { return live_.size(); }

 private:
  static constexpr const RecordDesc* kTypes[] = {&kTBuildingDesc, &kTWayDesc,     &kTDepotDesc, &kTShipDesc,
                                                 &kTStationDesc,  &kTTreeDesc,    &kTIndustryDesc, &kTBlockDesc,
                                                 &kTPathDesc,     &kTScheduleDesc, &kTVehicleDesc};
  static constexpr uint32_t kTypeCount = sizeof(kTypes) / sizeof(kTypes[0]);

  static uint32_t Count(const uint8_t* rec, const RecordList& l) {
    return l.CountWidth == 2 ? static_cast<uint32_t>(rec[l.CountOffset] | rec[l.CountOffset + 1] << 8)
                             : rec[l.CountOffset];
  }
  static bool IsCount(const RecordDesc& d, uint32_t b) {
    for (int li = 0; li < d.ListCount; ++li) {
      const RecordList& l = d.Lists[li];
      if (l.Shape != ListShape::Name && b >= l.CountOffset && b < l.CountOffset + l.CountWidth) return true;
    }
    return false;
  }

  // Mostly short lists, now and then a full one.
  uint32_t RandomLength(uint32_t max) {
    const uint32_t r = rnd_.Below(100);
    if (r < 3) return max;
    if (r < 20) return 0;
    return rnd_.Below(std::min<uint32_t>(max, 40) + 1);
  }

  std::vector<uint8_t> RandomRecord(const RecordDesc& d) {
    std::vector<uint8_t> rec(d.Size, 0);
    for (uint32_t b = 4; b < d.FixedSize; ++b) rec[b] = rnd_.Byte();
    for (int li = 0; li < d.ListCount; ++li) {
      const RecordList& l = d.Lists[li];
      const bool sharesCount = li > 0 && d.Lists[li - 1].CountOffset == l.CountOffset;
      const uint32_t n = sharesCount ? Count(rec.data(), l) : RandomLength(l.Max);
      switch (l.Shape) {
        case ListShape::Plain:
          if (l.CountWidth == 2) {
            rec[l.CountOffset] = static_cast<uint8_t>(n);
            rec[l.CountOffset + 1] = static_cast<uint8_t>(n >> 8);
          } else {
            rec[l.CountOffset] = static_cast<uint8_t>(n);
          }
          for (uint32_t b = 0; b < n * l.ElementSize; ++b) rec[l.Offset + b] = rnd_.Byte();
          break;
        case ListShape::Slots:
          rec[l.CountOffset] = static_cast<uint8_t>(n);
          for (uint32_t s = 0; s < n; ++s) {
            uint8_t* slot = rec.data() + l.Offset + s * l.ElementSize;
            slot[0] = static_cast<uint8_t>(RandomLength(l.SlotMax));
            for (uint32_t b = 1; b < 4 + 4u * slot[0]; ++b) slot[b] = rnd_.Byte();
          }
          break;
        case ListShape::Name:
          rec[l.Offset] = static_cast<uint8_t>(n);
          for (uint32_t b = 1; b <= n; ++b) rec[l.Offset + b] = static_cast<uint8_t>('A' + rnd_.Below(26));
          break;
      }
    }
    return rec;
  }

  Random rnd_;
  IndexModel indices_[3];
  std::map<Key, Expected> model_;
  std::vector<Key> live_;
  int ops_ = 0;
};

using ArrayerModel = ArrayerTest;

TEST_F(ArrayerModel, HundredThousandRandomOperationsMatchAPlainMap) {
  StoreModel model(20240611);
  model.Run(100000);
  EXPECT_GT(model.Live(), 500u);
}

}  // namespace
