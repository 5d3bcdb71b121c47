#include "tests/tools/sim_replay.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "economy/step/commands.h"
#include "economy/step/plans.h"
#include "economy/step/tick.h"
#include "economy/step/worldstate_hash.h"
#include "economy/town/development.h"
#include "engine/base/worldstate.h"
#include "engine/store/recordstore.h"
#include "engine/world/building.h"
#include "engine/world/records.h"
#include "network/construction/stationtracks.h"
#include "platform/platform.h"
#include "tools/sample_world.h"

namespace {

constexpr uint32_t kLastDueTick = 100000000;
constexpr uint16_t kReplayPlatformType = 30;
constexpr uint8_t kMostPlayers = 10;

struct TReplayLine {
  size_t LineNumber = 0;
  uint8_t Player = 0;
  uint32_t Due = 0;
  uint16_t Command = 0;
  TCommandPayload Payload{};
};

// A whole number of decimal digits only, from min to max.
bool ReadWhole(const std::string& text, uint64_t min, uint64_t max, uint64_t& value) {
  if (text.empty() || text.size() > 12) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return value >= min && value <= max;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ReadPayload(const std::string& text, TCommandPayload& payload) {
  if (text.empty() || text.size() % 2 != 0 || text.size() > 2 * kCommandPayloadSize) return false;
  payload.fill(0);
  for (size_t i = 0; i < text.size(); i += 2) {
    const int high = HexDigit(text[i]), low = HexDigit(text[i + 1]);
    if (high < 0 || low < 0) return false;
    payload[i / 2] = static_cast<uint8_t>(high * 16 + low);
  }
  return true;
}

std::vector<std::string> Fields(const std::string& text) {
  std::vector<std::string> fields;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    const size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
    if (i > start) fields.push_back(text.substr(start, i - start));
  }
  return fields;
}

// One line of a replay file: false with the reason when it is no message; Skip when it is empty
// or a comment.
bool ParseLine(std::string text, TReplayLine& line, bool& skip, std::string& why) {
  if (!text.empty() && text.back() == '\r') text.pop_back();
  const std::vector<std::string> f = Fields(text);
  skip = f.empty() || f[0][0] == '#';
  if (skip) return true;
  if (f.size() != 4) {
    why = "expected PLAYER DUETICK COMMAND PAYLOAD, found " + std::to_string(f.size()) + " fields";
    return false;
  }
  uint64_t player = 0, due = 0, command = 0;
  if (!ReadWhole(f[0], 1, kMostPlayers, player)) {
    why = "the player \"" + f[0] + "\" is not a whole number 1..10";
    return false;
  }
  if (!ReadWhole(f[1], 1, kLastDueTick, due)) {
    why = "the due tick \"" + f[1] + "\" is not a whole number 1.." + std::to_string(kLastDueTick);
    return false;
  }
  if (!ReadWhole(f[2], 0, UINT16_MAX, command)) {
    why = "the command \"" + f[2] + "\" is not a whole number 0..65535";
    return false;
  }
  if (!ReadPayload(f[3], line.Payload)) {
    why = "the payload is not 1 to 1000 bytes written as pairs of hexadecimal digits";
    return false;
  }
  line.Player = static_cast<uint8_t>(player);
  line.Due = static_cast<uint32_t>(due);
  line.Command = static_cast<uint16_t>(command);
  return true;
}

// The messages of a file in the order they are posted: by due tick, in the file's order within a
// tick. False (after a message on standard error) when the file cannot be read or replayed.
bool ReadReplay(const std::string& path, std::vector<TReplayLine>& lines) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "sim_driver: replay: cannot read %s\n", path.c_str());
    return false;
  }
  std::string text;
  for (size_t number = 1; std::getline(in, text); ++number) {
    TReplayLine line;
    bool skip = false;
    std::string why;
    if (!ParseLine(text, line, skip, why)) {
      std::fprintf(stderr, "sim_driver: replay: %s:%zu: %s\n", path.c_str(), number, why.c_str());
      return false;
    }
    line.LineNumber = number;
    if (!skip) lines.push_back(line);
  }
  if (in.bad()) {
    std::fprintf(stderr, "sim_driver: replay: cannot read %s\n", path.c_str());
    return false;
  }
  std::stable_sort(lines.begin(), lines.end(),
                   [](const TReplayLine& a, const TReplayLine& b) { return a.Due < b.Due; });
  // The queue holds 50 messages; more due in one tick would be lost with its overflow warning.
  std::map<uint32_t, size_t> perTick;
  for (const TReplayLine& l : lines) {
    if (++perTick[l.Due] > static_cast<size_t>(kCommandSlots)) {
      std::fprintf(stderr, "sim_driver: replay: %s:%zu: more than %d messages are due at tick %u\n", path.c_str(),
                   l.LineNumber, kCommandSlots, l.Due);
      return false;
    }
  }
  return true;
}

uint32_t g_warnings = 0;
void CountWarning(const std::string& text) {
  if (text.rfind("Warning: ", 0) == 0) ++g_warnings;
  std::fprintf(stderr, "%s\n", text.c_str());
}

int CountOf(uint32_t (*find)(uint32_t, uint32_t), uint32_t type) {
  int n = 0;
  for (uint32_t i = find(type, 0); i != 0; i = find(type, i)) ++n;
  return n;
}

}  // namespace

int ReplayCommands(const std::vector<std::string>& args) {
  if (args.size() != 1) return 2;
  std::vector<TReplayLine> lines;
  if (!ReadReplay(args[0], lines)) return 2;
  if (!ResetSimulationWorld()) {
    std::fprintf(stderr, "sim_driver: the record store could not be allocated\n");
    return 1;
  }
  std::memset(GroundMap, 5, sizeof(GroundMap));
  sample_world::StartCalendarGame();
  StartWorldDevelopment();
  TicksPerYear = CalendarTicksPerYear();
  uint8_t players = 1;
  for (const TReplayLine& l : lines) players = std::max(players, l.Player);
  PlayerCount = players;
  for (int p = 2; p <= players; ++p) Players[p].Finances[0] = Players[1].Finances[0];
  // Station tracks stand beside platforms of their own type.
  SpecialBuildingTypes[kPlatformTypeEntry] = kReplayPlatformType;
  SetBuildingTypePrice(BuildingTypes[kReplayPlatformType], 500);
  BuildingTypeCount = std::max<uint8_t>(BuildingTypeCount, kReplayPlatformType);

  g_warnings = 0;
  platform::SetDebuggerSink(CountWarning);
  const uint32_t last = lines.empty() ? 0 : lines.back().Due;
  size_t next = 0;
  while (GameTime < last) {
    bool posted[kMostPlayers + 1] = {};
    for (; next < lines.size() && lines[next].Due == CommandDueTick(CommandQueue); ++next) {
      const TReplayLine& l = lines[next];
      PostCommand(CommandQueue, l.Player, l.Command, l.Payload);
      posted[l.Player] = true;
    }
    GameplayTick();
    // What a player planned goes under construction at once, as the build button would have it.
    for (uint8_t p = 1; p <= players; ++p)
      if (posted[p]) CompletePlannedConstructions(p, 0, false);
  }
  platform::SetDebuggerSink(nullptr);

  int pending = 0;
  for (const TCommandSlot& s : CommandQueue.Slots) pending += s.Player != 0;
  std::printf("commands=%zu\n", lines.size());
  std::printf("pending=%d\n", pending);
  std::printf("ways=%d\n", CountOf(FindInArrayerBW, kARTypeWay));
  std::printf("buildings=%d\n", CountOf(FindInArrayerBW, kARTypeBuilding));
  std::printf("signals=%d\n", CountOf(FindInArrayerOA, kARTypeSignal));
  std::printf("trees=%d\n", CountOf(FindInArrayerOA, kARTypeTree));
  std::printf("warnings=%u\n", g_warnings);
  std::printf("tick=%u\n", GameTime);
  std::printf("hash=%s\n", WorldStateHashText().c_str());
  return 0;
}

// ---- The generator

namespace {

// The lattice the generated commands build on: rails in the one square, roads in the other.
constexpr float kLatticeStep = 300.0f;
constexpr int kLatticeSide = 12;
constexpr float kRailOrigin = 2000.0f, kRoadOriginZ = 6500.0f;

class ReplayMaker {
 public:
  explicit ReplayMaker(uint32_t seed) : random_(seed) {}

  // One message line.
  std::string Next() {
    const uint32_t kind = Below(100);
    uint16_t command = 0;
    TCommandPayload p{};
    if (kind < 30) {
      command = kCmdBuildCurveWay;
      const TVector a = RailStart(), b = Near(a);
      Remember(b);
      const uint16_t word = Below(4) == 0 ? 0x0100 : 0;
      p = PackCommandArgs(TCurveWayArgs{1, static_cast<uint8_t>(Below(6) == 0), word, a, b});
    } else if (kind < 44) {
      command = kCmdBuildCurveWay;
      const TVector a = RoadPoint(), b = Near(a);
      p = PackCommandArgs(TCurveWayArgs{0, 0, 0, a, b});
    } else if (kind < 54) {
      command = kCmdPlaceSignal;
      p = PackCommandArgs(TSignalArgs{FinishedRail()});
    } else if (kind < 58) {
      command = kCmdRemoveSignal;
      p = PackCommandArgs(TSignalArgs{FinishedRail()});
    } else if (kind < 70) {
      command = kCmdRemoveWay;
      p = PackCommandArgs(TRemoveArgs{1 + Below(WaysGuess()), static_cast<uint8_t>(Below(4) == 0)});
    } else if (kind < 73) {
      command = kCmdRemoveBuilding;
      p = PackCommandArgs(TRemoveArgs{1 + Below(20), static_cast<uint8_t>(Below(4) == 0)});
    } else if (kind < 77) {
      command = kCmdBuildWay;
      const TVector a = RailStart(), b = Step(a, 1, 0), c = Step(b, 1, Below(2) == 0 ? 1 : -1);
      Remember(b);
      Remember(c);
      p = PackCommandArgs(TThreePointArgs{0, a, b, c});
    } else if (kind < 81) {
      const TVector m = RoadPoint();
      const TVector a = Step(m, -1, 0), b = Step(m, 1, 0), c = Step(m, 0, 1), d = Step(m, 0, -1);
      if (Below(2) == 0) {
        command = kCmdBuildXCrossing;
        p = PackCommandArgs(TXCrossingArgs{0, a, b, c, d});
      } else {
        command = kCmdBuildTCrossing;
        p = PackCommandArgs(TThreePointArgs{0, a, b, c});
      }
    } else if (kind < 85) {
      command = kCmdBuildStationTrack;
      const TVector a = RailStart(), b = Step(a, 0, 1 + static_cast<int>(Below(2)));
      Remember(b);
      p = PackCommandArgs(TStationTrackArgs{a, b, Below(3) == 0 ? 1 + Below(4) : 0});
    } else if (kind < 88) {
      command = kCmdRebuildWay;
      const TVector at = RailStart();
      p = PackCommandArgs(TRebuildWayArgs{0, {at.x, 400.0f, at.z - 300.0f}, {0.0f, -400.0f, 300.0f}});
    } else if (kind < 91) {
      command = kCmdConvertToStationTrack;
      p = PackCommandArgs(TConvertArgs{1 + Below(WaysGuess()), 0});
    } else if (kind < 95) {
      command = kCmdPlantTree;
      p = PackCommandArgs(TPlantTreeArgs{RoadPoint(), static_cast<uint8_t>(Below(4))});
    } else {
      command = kCmdRaiseLowerTerrain;
      const int32_t column = 20 + static_cast<int32_t>(Below(60)), row = 20 + static_cast<int32_t>(Below(80));
      p = PackCommandArgs(TTerrainArgs{column, row, Below(2) == 0 ? 5 : -5});
    }
    if (command == kCmdBuildCurveWay || command == kCmdBuildWay || command == kCmdBuildXCrossing ||
        command == kCmdBuildTCrossing || command == kCmdBuildStationTrack)
      ++builds_;
    // A few messages a tick, a few ticks apart, sometimes a longer pause (what is built is
    // finished 100 ticks after it was started).
    if (inTick_ >= 4 || Below(3) == 0) {
      due_ += 1 + Below(4) + (Below(8) == 0 ? Below(50) : 0);
      inTick_ = 0;
    }
    ++inTick_;
    const uint8_t player = Below(10) == 0 ? 2 : 1;
    return std::to_string(player) + " " + std::to_string(due_) + " " + std::to_string(command) + " " + Hex(p);
  }

 private:
  uint32_t Below(uint32_t n) { return static_cast<uint32_t>(random_() % n); }

  TVector Lattice(float x0, float z0) {
    return {x0 + kLatticeStep * static_cast<float>(Below(kLatticeSide)), 0.0f,
            z0 + kLatticeStep * static_cast<float>(Below(kLatticeSide))};
  }
  TVector RoadPoint() { return Lattice(kRailOrigin, kRoadOriginZ); }
  // A rail point built on before (most of the time), else a new one on the lattice.
  TVector RailStart() {
    if (!rail_.empty() && Below(4) != 0) return rail_[Below(static_cast<uint32_t>(rail_.size()))].Point;
    const TVector p = Lattice(kRailOrigin, kRailOrigin);
    Remember(p);
    return p;
  }
  // A rail point whose ways may be finished by now (built on more than 100 ticks ago), else any.
  TVector FinishedRail() {
    std::vector<TVector> old;
    for (const TRailPoint& r : rail_)
      if (r.Due + 110 < due_) old.push_back(r.Point);
    if (old.empty()) return RailStart();
    return old[Below(static_cast<uint32_t>(old.size()))];
  }
  void Remember(const TVector& p) {
    if (rail_.size() < 400) rail_.push_back({p, due_});
  }
  static TVector Step(const TVector& p, int dx, int dz) {
    return {p.x + kLatticeStep * static_cast<float>(dx), p.y, p.z + kLatticeStep * static_cast<float>(dz)};
  }
  // A lattice point one to three steps from P, never P itself.
  TVector Near(const TVector& p) {
    for (;;) {
      const int dx = static_cast<int>(Below(7)) - 3, dz = static_cast<int>(Below(7)) - 3;
      if (dx != 0 || dz != 0) return Step(p, dx, dz);
    }
  }
  // The ways there may be: a few per construction so far.
  uint32_t WaysGuess() const { return 4 + 3 * builds_; }

  // The payload's bytes up to its last non-zero one (at least one byte).
  static std::string Hex(const TCommandPayload& p) {
    size_t n = p.size();
    while (n > 1 && p[n - 1] == 0) --n;
    std::string text;
    char pair[3];
    for (size_t i = 0; i < n; ++i) {
      std::snprintf(pair, sizeof(pair), "%02x", p[i]);
      text += pair;
    }
    return text;
  }

  struct TRailPoint {
    TVector Point;
    uint32_t Due;
  };
  std::mt19937 random_;
  std::vector<TRailPoint> rail_;
  uint32_t builds_ = 0;
  uint32_t due_ = 1;
  int inTick_ = 0;
};

}  // namespace

int GenerateReplay(const std::vector<std::string>& args) {
  uint64_t seed = 0, count = 0;
  if (args.size() != 2 || !ReadWhole(args[0], 0, UINT32_MAX, seed) || !ReadWhole(args[1], 0, 100000, count))
    return 2;
  std::printf("# sim_driver replay-gen %s %s: PLAYER DUETICK COMMAND PAYLOAD\n", args[0].c_str(), args[1].c_str());
  ReplayMaker maker(static_cast<uint32_t>(seed));
  for (uint64_t i = 0; i < count; ++i) std::printf("%s\n", maker.Next().c_str());
  return 0;
}
