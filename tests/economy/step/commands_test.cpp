// The command queue: posting into the 50 slots, execution in the tick after the post, player by
// player and in posting order, the handlers reached with the payload's fields, the follow-up of
// the local player's tool, and the messages that can never run or carry bad parameters.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "economy/step/commands.h"
#include "engine/base/worldstate.h"
#include "engine/gui/mousemode.h"
#include "tests/economy/economy_fixture.h"

namespace {

using economy_test::EconomyTest;
using testing_support::Warnings;

// What the recording handlers saw: "<ActPlayer>:<handler> <arguments>".
std::vector<std::string> g_calls;
TConstructResult g_result;

std::string Text(const TVector& v) {
  std::ostringstream s;
  s << '(' << v.x << ',' << v.y << ',' << v.z << ')';
  return s.str();
}
std::string Text(uint8_t v) { return std::to_string(v); }
std::string Text(uint16_t v) { return std::to_string(v); }
std::string Text(uint32_t v) { return std::to_string(v); }
std::string Text(int32_t v) { return std::to_string(v); }
std::string Text(const TCommandPayload& p) { return "payload" + Text(UnpackCommandArgs<TSignalArgs>(p).Point); }

// A handler that writes its arguments down and sets g_result.
template <class F>
struct Recording;
template <class... A>
struct Recording<void (*)(A...)> {
  static void Run(A... args) {
    std::string line = std::to_string(ActPlayer) + ":";
    TConstructResult* r = nullptr;
    auto note = [&](auto&& a) {
      if constexpr (std::is_same_v<std::decay_t<decltype(a)>, TConstructResult>) {
        r = &a;
      } else {
        line += " " + Text(a);
      }
    };
    (note(args), ...);
    g_calls.push_back(line);
    *r = g_result;
  }
};
template <class... A>
struct Recording<bool (*)(A...)> {
  static bool Run(A... args) {
    std::string line = std::to_string(ActPlayer) + ":";
    ((line += " " + Text(args)), ...);
    g_calls.push_back(line);
    return false;
  }
};
template <class F>
void Record(F& entry) {
  entry = &Recording<F>::Run;
}

class CommandQueueTest : public EconomyTest {
 protected:
  void SetUp() override {
    EconomyTest::SetUp();
    ResetCommandQueue();
    InitUserInterface();
    g_calls.clear();
    g_result = TConstructResult::Success();
    PlayerCount = 3;
    LocalPlayer = 1;
    BuildingTypeCount = 5;
    GameTime = 1000;
    auto& h = command_handlers::Handlers;
    Record(h.PlantTree), Record(h.BuildCurveWay), Record(h.BuildWay), Record(h.BuildXCrossing);
    Record(h.BuildTCrossing), Record(h.BuildRouter), Record(h.ExtendWayAtPick), Record(h.BuildWayedBuilding);
    Record(h.PlaceSignal), Record(h.ExtendWay), Record(h.BuildStationTrack), Record(h.BuildStationBuilding);
    Record(h.BuildStationTrackAtPick), Record(h.RebuildWay), Record(h.RaiseLowerTerrain);
    Record(h.BuildCoastBuilding), Record(h.PlaceHarbour), Record(h.BuildShipLanding), Record(h.RemoveWay);
    Record(h.RemoveBuilding), Record(h.RemoveSignal), Record(h.ConvertToStationTrack);
  }
  void TearDown() override {
    command_handlers::InstallDefaults();
    ResetCommandQueue();
    InitUserInterface();
    ResetWorldState();
    EconomyTest::TearDown();
  }

  static void NextTick() {
    ++GameTime;
    ExecuteCommands();
  }
  static int Used() {
    int n = 0;
    for (const TCommandSlot& s : CommandQueue.Slots) n += s.Player != 0;
    return n;
  }
  // A removal of way `way` posted for `player`: its call reads "<player>: <way> 0 1 0".
  static void Remove(uint8_t player, uint32_t way) { PostRemoveWay(CommandQueue, player, way, 0); }
  static std::string Removed(uint8_t player, uint32_t way) {
    return std::to_string(player) + ": " + std::to_string(way) + " 0 1 0";
  }
};

TEST_F(CommandQueueTest, FiftyMessagesWaitAndTheFiftyFirstIsLostWithAWarning) {
  for (uint32_t i = 1; i <= 51; ++i) Remove(1, i);
  EXPECT_EQ(Warnings(), std::vector<std::string>{"WARNING: Command Queue overflow"});
  EXPECT_EQ(Used(), 50);
  EXPECT_EQ(CommandQueue.Sequence, 50);
  ExecuteCommands();  // the tick of the posts: nothing is due yet
  EXPECT_TRUE(g_calls.empty());
  NextTick();
  std::vector<std::string> expected;
  for (uint32_t i = 1; i <= 50; ++i) expected.push_back(Removed(1, i));
  EXPECT_EQ(g_calls, expected);
  EXPECT_EQ(Used(), 0);
  EXPECT_EQ(Warnings().size(), 1u);
}

TEST_F(CommandQueueTest, RunsPlayerByPlayerAndInPostingOrderWithinAPlayer) {
  Remove(2, 10);
  Remove(1, 20);
  Remove(3, 30);
  Remove(2, 11);
  Remove(1, 21);
  // The order of posting, not of the slots, rules within a player.
  std::swap(CommandQueue.Slots[1], CommandQueue.Slots[4]);
  NextTick();
  EXPECT_EQ(g_calls, (std::vector<std::string>{Removed(1, 20), Removed(1, 21), Removed(2, 10), Removed(2, 11),
                                               Removed(3, 30)}));
  EXPECT_EQ(ActCity, 0);
}

TEST_F(CommandQueueTest, PostingStartsAgainAtSequenceOneAfterEveryExecution) {
  Remove(1, 1);
  Remove(2, 2);
  EXPECT_EQ(CommandQueue.Slots[1].Sequence, 2);
  ExecuteCommands();
  EXPECT_EQ(CommandQueue.Sequence, 0);
  Remove(1, 3);
  EXPECT_EQ(CommandQueue.Slots[2].Sequence, 1);
  EXPECT_EQ(CommandQueue.Sequence, 1);
}

TEST_F(CommandQueueTest, AMessagePostedAfterTheQueueRanIsDueInTheNextTick) {
  ExecuteCommands();
  Remove(1, 7);
  EXPECT_EQ(uint32_t{CommandQueue.Slots[0].DueTick}, 1001u);  // a copy: the field is packed
  ExecuteCommands();  // the same tick once more: it waits and keeps its slot
  EXPECT_TRUE(g_calls.empty());
  EXPECT_EQ(Used(), 1);
  NextTick();
  EXPECT_EQ(g_calls, std::vector<std::string>{Removed(1, 7)});
}

TEST_F(CommandQueueTest, UndefinedCommandNumbersAreWarnedAboutAndFreed) {
  for (uint16_t command : {0, 2, 24, 65535}) {
    SCOPED_TRACE(command);
    Warnings().clear();
    StatusLine = std::string();
    PostCommand(CommandQueue, 1, command, TCommandPayload{});
    NextTick();
    EXPECT_EQ(Warnings(), std::vector<std::string>{"Undefined Command No " + std::to_string(command)});
    EXPECT_EQ(Used(), 0);
    EXPECT_TRUE(g_calls.empty());
    EXPECT_EQ(StatusLine.str(), "Commanqueue Error");
  }
}

TEST_F(CommandQueueTest, AFailureShowsTheStatusLineForTheLocalPlayerOnly) {
  g_result = TConstructResult::Of({0, 5});  // not exactly {0}
  Remove(2, 1);
  NextTick();
  EXPECT_EQ(StatusLine.str(), "");
  Remove(1, 1);
  NextTick();
  EXPECT_EQ(StatusLine.str(), "Commanqueue Error");
  // Handlers not yet installed refuse.
  command_handlers::InstallDefaults();
  StatusLine = std::string();
  PostRaiseLowerTerrain(CommandQueue, 1, 1, 1, 1);
  NextTick();
  EXPECT_EQ(StatusLine.str(), "Commanqueue Error");
  EXPECT_EQ(Used(), 0);
}

TEST_F(CommandQueueTest, ATreeFromTheQueueAlwaysCountsAsPlanted) {
  PostCommand(CommandQueue, 1, kCmdPlantTree, PackCommandArgs(TPlantTreeArgs{TVector{1, 2, 3}, 7}));
  NextTick();
  EXPECT_EQ(g_calls, std::vector<std::string>{"1: (1,2,3) 7 0 1"});
  EXPECT_EQ(StatusLine.str(), "");
}

// The tool mode after a success of the local player.
TEST_F(CommandQueueTest, ASuccessOfTheLocalPlayerMovesTheToolOn) {
  const TVector a{1, 2, 3}, b{4, 5, 6};
  const std::vector<std::pair<std::function<void()>, int>> cases = {
      {[&] { PostBuildWay(CommandQueue, 1, 0, a, a, a); }, 14},
      {[&] { PostBuildXCrossing(CommandQueue, 1, 0, a, a, a, a); }, 8},
      {[&] { PostBuildTCrossing(CommandQueue, 1, 0, a, a, a); }, 8},
      {[&] { PostCommand(CommandQueue, 1, kCmdBuildRouter, TCommandPayload{}); }, 14},
      {[&] { PostCommand(CommandQueue, 1, kCmdExtendWayAtPick, TCommandPayload{}); }, 8},
      {[&] { PostExtendWay(CommandQueue, 1, 0, a, b, 1); }, 8},
      {[&] { PostBuildStationTrack(CommandQueue, 1, a, b, 0); }, 14},
      {[&] { PostBuildStationBuilding(CommandQueue, 1, a, b); }, 14},
      {[&] { PostBuildStationTrackAtPick(CommandQueue, 1, a, b); }, 14},
      {[&] { PostRebuildWay(CommandQueue, 1, 0, a, b); }, 14},
      {[&] { PostBuildShipLanding(CommandQueue, 1, a, b, a); }, 34},
      {[&] { PostBuildWayedBuilding(CommandQueue, 1, 1, 0, a, b); }, -1},
      {[&] { PostRaiseLowerTerrain(CommandQueue, 1, 1, 1, 1); }, -1},
      {[&] { PostPlaceHarbour(CommandQueue, 1, a, b); }, -1},
      {[&] { PostRemoveWay(CommandQueue, 1, 1, 0); }, -1},
      {[&] { PostConvertToStationTrack(CommandQueue, 1, 1, 0); }, -1},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    MouseMode = 99;
    MouseModeChanged = 0;
    cases[i].first();
    NextTick();
    EXPECT_EQ(MouseMode, cases[i].second < 0 ? 99 : cases[i].second);
    EXPECT_EQ(MouseModeChanged, cases[i].second < 0 ? 0 : 1);
  }
  // Not when the tool changed meanwhile, nor for another player.
  for (uint8_t player : {1, 2}) {
    MouseMode = 99;
    MouseModeChanged = player == 1;
    PostBuildWay(CommandQueue, player, 0, a, a, a);
    NextTick();
    EXPECT_EQ(MouseMode, 99);
  }
  EXPECT_EQ(StatusLine.str(), "");
}

TEST_F(CommandQueueTest, ASuccessfulCurveOfTheLocalPlayerContinuesAtItsEndPoint) {
  command_handlers::Handlers.ContinueCurvePlacement = [](uint8_t waytype, uint8_t second, const TVector& end) {
    g_calls.push_back("continue " + Text(waytype) + " " + Text(second) + " " + Text(end));
  };
  PostBuildCurveWay(CommandQueue, 1, 1, 1, 9, TVector{1, 2, 3}, TVector{4, 5, 6});
  PostBuildCurveWay(CommandQueue, 2, 0, 0, 9, TVector{1, 2, 3}, TVector{7, 8, 9});
  NextTick();
  EXPECT_EQ(g_calls, (std::vector<std::string>{"1: 1 1 9 (1,2,3) (4,5,6) 0 1", "continue 1 1 (4,5,6)",
                                               "2: 0 0 9 (1,2,3) (7,8,9) 0 1"}));
  g_calls.clear();
  g_result = TConstructResult::Of({29});
  PostBuildCurveWay(CommandQueue, 1, 1, 1, 9, TVector{1, 2, 3}, TVector{4, 5, 6});
  NextTick();
  EXPECT_EQ(g_calls.size(), 1u);
}

// Each posting routine's fields, as the bytes of the payload and as its handler receives them.
TEST_F(CommandQueueTest, PayloadsHoldTheirFieldsAtFixedLittleEndianOffsets) {
  EXPECT_EQ(sizeof(TCommandSlot), 1008u);
  const TVector a{1.5f, -2, 3}, b{4, 5.25f, 6}, c{7, 8, -9.5f}, d{10, 11, 12};
  struct Field {
    size_t offset;
    int width;  // 1, 2 or 4 bytes
    uint32_t value;
  };
  auto f32 = [](float v) {
    uint32_t u;
    std::memcpy(&u, &v, 4);
    return u;
  };
  auto vec = [&](size_t at, const TVector& v) {
    return std::vector<Field>{{at, 4, f32(v.x)}, {at + 4, 4, f32(v.y)}, {at + 8, 4, f32(v.z)}};
  };
  auto join = [](std::initializer_list<std::vector<Field>> parts) {
    std::vector<Field> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
  };
  const std::string A = "(1.5,-2,3)", B = "(4,5.25,6)", C = "(7,8,-9.5)", D = "(10,11,12)";
  struct Case {
    uint16_t command;
    std::function<void()> post;
    std::vector<Field> fields;
    std::string call;
  };
  const std::vector<Case> cases = {
      {3, [&] { PostBuildCurveWay(CommandQueue, 1, 1, 1, 0xBEEF, a, b); },
       join({{{0, 1, 1}, {1, 1, 1}, {2, 2, 0xBEEF}}, vec(4, a), vec(16, b)}),
       "1: 1 1 48879 " + A + " " + B + " 0 1"},
      {4, [&] { PostBuildWay(CommandQueue, 1, 0x1234, a, b, c); },
       join({{{0, 2, 0x1234}}, vec(4, a), vec(16, b), vec(28, c)}), "1: " + A + " " + B + " " + C + " 4660 0 1"},
      {5, [&] { PostBuildXCrossing(CommandQueue, 1, 0x1234, a, b, c, d); },
       join({{{0, 2, 0x1234}}, vec(4, a), vec(16, b), vec(28, c), vec(40, d)}),
       "1: " + A + " " + B + " " + C + " " + D + " 4660 0 1"},
      {6, [&] { PostBuildTCrossing(CommandQueue, 1, 0x1234, a, b, c); },
       join({{{0, 2, 0x1234}}, vec(4, a), vec(16, b), vec(28, c)}), "1: " + A + " " + B + " " + C + " 4660 0 1"},
      {9, [&] { PostBuildWayedBuilding(CommandQueue, 1, 5, 2, a, b); },
       join({{{0, 2, 5}, {2, 1, 2}}, vec(4, a), vec(16, b)}), "1: 5 " + A + " " + B + " 2 0 1"},
      {11, [&] { PostExtendWay(CommandQueue, 1, 0x1234, a, b, 0xA1B2C3D4); },
       join({{{0, 2, 0x1234}}, vec(4, a), vec(16, b), {{28, 4, 0xA1B2C3D4}}}),
       "1: " + A + " " + B + " 2712847316 4660 0 1"},
      {12, [&] { PostBuildStationTrack(CommandQueue, 1, a, b, 77); }, join({vec(0, a), vec(12, b), {{24, 4, 77}}}),
       "1: " + A + " " + B + " 77 0 1"},
      {13, [&] { PostBuildStationBuilding(CommandQueue, 1, a, b); }, join({vec(0, a), vec(12, b)}),
       "1: " + A + " " + B + " 0 1"},
      {14, [&] { PostBuildStationTrackAtPick(CommandQueue, 1, a, b); }, join({vec(0, a), vec(12, b)}),
       "1: " + A + " " + B + " 0 1"},
      {15, [&] { PostRebuildWay(CommandQueue, 1, 0x1234, a, b); }, join({{{0, 2, 0x1234}}, vec(4, a), vec(16, b)}),
       "1: " + A + " " + B + " 4660 0 1"},
      {16, [&] { PostRaiseLowerTerrain(CommandQueue, 1, 1023, 5, -40); },
       {{0, 4, 1023}, {4, 4, 5}, {8, 4, 0xFFFFFFD8u}}, "1: 1023 5 -40 0 1"},
      {17, [&] { PostBuildCoastBuilding(CommandQueue, 1, a, b); }, join({vec(0, a), vec(12, b)}),
       "1: " + A + " " + B + " 0 1"},
      {18, [&] { PostPlaceHarbour(CommandQueue, 1, a, b); }, join({vec(0, a), vec(12, b)}),
       "1: " + A + " " + B + " 0 1"},
      {19, [&] { PostBuildShipLanding(CommandQueue, 1, a, b, c); }, join({vec(0, a), vec(12, b), vec(24, c)}),
       "1: " + A + " " + B + " " + C + " 0 1"},
      {20, [&] { PostRemoveWay(CommandQueue, 1, 0x01020304, 1); }, {{0, 4, 0x01020304}, {4, 1, 1}},
       "1: 16909060 0 1 1"},
      {21, [&] { PostRemoveBuilding(CommandQueue, 1, 0x01020304, 1); }, {{0, 4, 0x01020304}, {4, 1, 1}},
       "1: 16909060 0 1 1"},
      {23, [&] { PostConvertToStationTrack(CommandQueue, 1, 0x01020304, 9); }, {{0, 4, 0x01020304}, {4, 4, 9}},
       "1: 16909060 9 0 1"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.command);
    g_calls.clear();
    k.post();
    const TCommandSlot& s = CommandQueue.Slots[0];
    ASSERT_EQ(s.Player, 1);
    EXPECT_EQ(uint16_t{s.Command}, k.command);
    for (const Field& f : k.fields) {
      uint32_t v = 0;
      for (int i = 0; i < f.width; ++i) v |= static_cast<uint32_t>(s.Payload[f.offset + i]) << (8 * i);
      EXPECT_EQ(v, f.value) << "offset " << f.offset;
    }
    NextTick();
    EXPECT_EQ(g_calls, std::vector<std::string>{k.call});
  }
  // The signal routines receive the whole payload.
  for (uint16_t command : {kCmdPlaceSignal, kCmdRemoveSignal}) {
    g_calls.clear();
    PostCommand(CommandQueue, 2, command, PackCommandArgs(TSignalArgs{a}));
    NextTick();
    EXPECT_EQ(g_calls, std::vector<std::string>{"2: payload" + A});
  }
}

// Messages that can never run are freed with a warning instead of holding their slot for ever.
TEST_F(CommandQueueTest, MessagesThatCanNoLongerRunAreDroppedWithAWarning) {
  struct Case {
    const char* name;
    uint32_t postAt;
    uint8_t player;
    uint32_t runAt;
    bool runs;
  };
  const Case cases[] = {
      {"due across the restart at 0", kGameTimeLast, 1, 0, true},
      {"due at the last tick", kGameTimeLast - 1, 1, kGameTimeLast, true},
      {"game time set back", 5000, 1, 0, false},
      {"the queue missed its tick", 5000, 1, 5002, false},
      {"wrapped past its tick", kGameTimeLast, 1, 1, false},
      {"a player above PlayerCount", 5000, 4, 5001, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    g_calls.clear();
    Warnings().clear();
    GameTime = k.postAt;
    Remove(k.player, 3);
    GameTime = k.runAt;
    ExecuteCommands();
    EXPECT_EQ(Used(), 0);
    if (k.runs) {
      EXPECT_EQ(g_calls, std::vector<std::string>{Removed(k.player, 3)});
      EXPECT_TRUE(Warnings().empty());
    } else {
      EXPECT_TRUE(g_calls.empty());
      EXPECT_EQ(Warnings(), std::vector<std::string>{"WARNING: Command Queue: dropped a stale command No 20 of player " +
                                                     std::to_string(k.player)});
    }
  }
  // A due tick beyond the clock's range.
  Warnings().clear();
  Remove(1, 3);
  CommandQueue.Slots[0].DueTick = kGameTimeLast + 1;
  GameTime = 0;
  ExecuteCommands();
  EXPECT_EQ(Used(), 0);
  EXPECT_EQ(Warnings().size(), 1u);
}

// Parameters a handler must not receive: the message is dropped with a warning and counts as failed.
TEST_F(CommandQueueTest, BadParametersNeverReachAHandler) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  const TVector ok{1, 2, 3};
  struct Case {
    uint16_t command;
    TCommandPayload payload;
    bool sound;
  };
  auto terrain = [](int32_t column, int32_t row) { return PackCommandArgs(TTerrainArgs{column, row, 1}); };
  auto wayed = [&](uint16_t type, uint8_t phase) { return PackCommandArgs(TWayedBuildingArgs{type, phase, ok, ok}); };
  const Case cases[] = {
      {16, terrain(0, 1023), true},
      {16, terrain(1023, 0), true},
      {16, terrain(-1, 0), false},
      {16, terrain(0, 1024), false},
      {16, terrain(65536, 0), false},  // the whole value counts, not its low bits
      {16, terrain(0, std::numeric_limits<int32_t>::min()), false},
      {3, PackCommandArgs(TCurveWayArgs{1, 0, 0, ok, ok}), true},
      {3, PackCommandArgs(TCurveWayArgs{2, 0, 0, ok, ok}), false},
      {3, PackCommandArgs(TCurveWayArgs{0, 0, 0, ok, TVector{nan, 0, 0}}), false},
      {4, PackCommandArgs(TThreePointArgs{0, ok, ok, TVector{0, 0, inf}}), false},
      {5, PackCommandArgs(TXCrossingArgs{0, ok, ok, ok, TVector{0, -inf, 0}}), false},
      {9, wayed(5, 2), true},
      {9, wayed(0, 0), false},
      {9, wayed(6, 0), false},
      {9, wayed(1, 3), false},
      {10, PackCommandArgs(TSignalArgs{TVector{nan, nan, nan}}), false},
      {13, PackCommandArgs(TRayArgs{ok, TVector{0, nan, 0}}), false},
      {17, PackCommandArgs(TTwoPointArgs{TVector{inf, 0, 0}, ok}), false},
      {19, PackCommandArgs(TShipLandingArgs{ok, ok, TVector{0, 0, nan}}), false},
      {1, PackCommandArgs(TPlantTreeArgs{TVector{nan, 0, 0}, 1}), false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "command " << k.command << " case " << (&k - cases));
    g_calls.clear();
    Warnings().clear();
    StatusLine = std::string();
    PostCommand(CommandQueue, 1, k.command, k.payload);
    NextTick();
    EXPECT_EQ(Used(), 0);
    EXPECT_EQ(g_calls.size(), k.sound ? 1u : 0u);
    if (k.sound) {
      EXPECT_TRUE(Warnings().empty());
    } else {
      EXPECT_EQ(Warnings(), std::vector<std::string>{"WARNING: Command Queue: dropped a bad command No " +
                                                     std::to_string(k.command) + " of player 1"});
      EXPECT_EQ(StatusLine.str(), "Commanqueue Error");
    }
  }
}

}  // namespace
