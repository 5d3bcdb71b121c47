// The building program's script commands: the stack effect of every command of both programs'
// tables, images run with the other program's table, and the node and point commands on an empty
// and on a filled record store.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "apps/brumin/scriptcommands.h"
#include "engine/base/worldstate.h"
#include "script/compiler.h"
#include "script/gamecommands.h"
#include "script/interpreter.h"
#include "script/runners.h"
#include "script/scripts.h"
#include "script/sourcecompiler.h"
#include "tests/apps/brumin/store_writer.h"
#include "tests/script/script_fixture.h"

namespace {

using namespace brumin;
using store_testing::Cleared;
using store_testing::Node;
using store_testing::Write;

std::vector<int32_t> probed;
void Probe() { probed.push_back(StackDepth); }
int32_t result = 0;
float distance = 0.0f;

// What a command takes off the stack and leaves on it, beside its registered parameter count.
struct StackEffect {
  const char* name;
  int32_t params, pops, pushes;
};

const StackEffect kGameEffects[] = {
    {"SetRotation", 4, 4, 0}, {"SetPosition", 4, 4, 0},    {"SetNick", 2, 2, 0},
    {"SetGier", 2, 2, 0},     {"SetRoll", 2, 2, 0},        {"ReadNode", 2, 2, 0},
    {"GetNextNode", 2, 2, 1}, {"GetCoordPos", 4, 4, 0},    {"CMBezier", 4, 4, 0},
    {"CopyCoord", 2, 2, 0},   {"CopyNode", 2, 2, 0},       {"TBC", 6, 6, 1},
    {"TFC", 6, 6, 1},         {"OrientObj", 3, 3, 0},      {"SetTexture", 3, 3, 0},
    {"WaggonStandardPosition", 3, 0, 0},                   {"CalcBulk", 3, 0, 0},
    {"CalcParcel", 3, 0, 0},  {"LoadTrain", 1, 1, 0},      {"SaveTrain", 0, 0, 0},
    {"ActivateDepotScript", 0, 0, 0},                      {"DisableDepotScript", 0, 0, 0},
    {"SetTrainSpeed", 1, 1, 0},                            {"SetTrainSollSpeed", 1, 1, 0},
    {"SetTrainSpeedNormal", 0, 0, 0},                      {"DebugProc", 1, 1, 0},
    {"Savebuilding", 0, 0, 0}, {"AllowLeave", 0, 0, 0},    {"ForbidLeave", 0, 0, 0},
    {"AllowEnter", 0, 0, 0},  {"ForbidEnter", 0, 0, 0},    {"LockNode", 1, 1, 0},
    {"UnLockNode", 1, 1, 0},  {"GetProducity", 0, 0, 1},
};

const StackEffect kBuildingEffects[] = {
    {"LoadTrain", 1, 1, 0},   {"SaveTrain", 0, 0, 0},      {"ActivateDepotScript", 0, 0, 0},
    {"DisableDepotScript", 0, 0, 0},                       {"SetTrainSpeedNormal", 0, 0, 0},
    {"AllowEnter", 0, 0, 0},  {"ForbidEnter", 0, 0, 0},    {"AllowLeave", 0, 0, 0},
    {"ForbidLeave", 0, 0, 0}, {"LockNode", 1, 1, 0},       {"UnLockNode", 1, 1, 0},
    {"SetTrainSpeed", 1, 1, 0},                            {"SetTrainSollSpeed", 1, 1, 0},
    {"SaveBuilding", 1, 1, 0}, {"SetRotation", 4, 4, 0},   {"SetPosition", 4, 4, 0},
    {"SetNick", 2, 2, 0},     {"SetGier", 2, 2, 0},        {"SetRoll", 2, 2, 0},
    {"ReadNode", 2, 2, 0},    {"GetNextNode", 2, 2, 1},    {"GetCoordPos", 4, 4, 0},
    {"CMBezier", 4, 4, 0},    {"CopyCoord", 2, 2, 0},      {"CopyNode", 2, 2, 0},
    {"TBC", 6, 6, 1},         {"TFC", 6, 6, 1},            {"OrientObj", 3, 3, 0},
    {"SetTexture", 3, 3, 0},  {"WaggonStandardPosition", 0, 0, 0},
    {"CalcBulk", 0, 0, 0},    {"CalcParcel", 0, 0, 0},     {"DebugProc", 1, 1, 0},
};

// Names of both programs' host variables in their registration order.
std::vector<std::string> VarNames(std::span<const TScriptHostVar> vars) {
  std::vector<std::string> names;
  for (const TScriptHostVar& v : vars) names.push_back(v.Name);
  return names;
}

// Every command with its parameters' worth of numbers outside every range, two more below them.
void ExpectStackEffects(std::span<const TScriptHostProc> procs, std::span<const StackEffect> effects) {
  ASSERT_EQ(procs.size(), effects.size());
  for (size_t i = 0; i < procs.size(); ++i) {
    const StackEffect& e = effects[i];
    SCOPED_TRACE(e.name);
    EXPECT_STREQ(procs[i].Name, e.name);
    EXPECT_EQ(procs[i].ParamCount, e.params);
    EXPECT_EQ(procs[i].IsFunction, e.pushes);
    StackDepth = 0;
    for (int k = 0; k < e.params + 2; ++k) PushInt(1000);
    procs[i].Body();
    ScriptErrorFlag = false;  // a reference that names no variable is reported; the stack is what counts
    EXPECT_EQ(StackDepth, e.params + 2 - e.pops + e.pushes);
  }
  StackDepth = 0;
}

class BruminCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWorldState();
    UseBuildingTable();
    BuildingStore = TRecordStore();
    std::memset(NodeSlots, 0, sizeof(NodeSlots));
    std::memset(CoordSlots, 0, sizeof(CoordSlots));
    for (TPlacement& p : brumin::MeshPartTransforms) p = TPlacement{};
    probed.clear();
    result = -1;
    distance = 0.0f;
  }
  void TearDown() override {
    ScriptErrorHook = nullptr;
    ScriptErrorFlag = false;
    BuildingStore = TRecordStore();
    CommandTrain = 0;
  }

  static void Start() {
    InitScriptUnits();
    script_testing::Reports().clear();
    ScriptErrorHook = &script_testing::CollectReport;
  }
  static void Extras() {
    AddExtProc("probe", Probe, "", 0, 0);
    AddExtVar("result", 0, &result);
    AddExtVar("distance", 1, &distance);
  }
  static void UseBuildingTable() {
    Start();
    RegisterBuildingHostNames();
    Extras();
  }
  static void UseGameTable() {
    Start();
    InitGameScriptHost();
    Extras();
  }

  // The image of a source that declares the given host procedures and the test's own names.
  static std::vector<uint8_t> Compile(const std::vector<std::string>& procs, const std::vector<std::string>& body) {
    std::vector<std::string> src = {"defineproc probe;", "definevar result,distance;"};
    for (const std::string& p : procs) src.push_back("defineproc " + p + ";");
    src.insert(src.end(), body.begin(), body.end());
    std::vector<std::string> assembler;
    TScriptStream code;
    EXPECT_TRUE(CompileScript(src, assembler, code) && !ScriptErrorFlag) << LastError();
    return code.Bytes;
  }
  static std::string Run(const std::vector<uint8_t>& image) {
    ScriptErrorFlag = false;
    return RunScript(image);
  }
  // Runs a source that may use every name of the building program's table.
  static std::string Run(const std::vector<std::string>& body) {
    std::vector<std::string> names;
    for (const TScriptHostProc& p : BuildingHostProcs()) names.push_back(p.Name);
    return Run(Compile(names, body));
  }
  static std::string LastError() {
    const auto& r = script_testing::Reports();
    return r.empty() ? std::string() : r.back().Message;
  }

  // A straight road from x = 0 to x = 100 on z = 0, ten wide: nodes 1 (first) and 3 (third) at its
  // ends, its geometry and the two end records of its curve.
  static void StraightWay() {
    TStoreWayEnd start = Cleared<TStoreWayEnd>(), end = Cleared<TStoreWayEnd>();
    start.Left = {0, 0, -5};
    start.Right = {0, 0, 5};
    end.Left = {100, 0, -5};
    end.Right = {100, 0, 5};
    TStoreWayGeometry g = Cleared<TStoreWayGeometry>();
    g.Ends[0] = 4;
    g.Ends[1] = 5;
    TStoreWay w = Cleared<TStoreWay>();
    w.Geometry = 6;
    w.NodeCount = 3;
    w.Nodes[0] = 1;
    w.Nodes[2] = 3;
    ASSERT_EQ(Write(BuildingStore, Node({0, 0, 0}, 0, 0, 3, 0, 7)), 1u);
    ASSERT_EQ(Write(BuildingStore, Node({50, 0, 0})), 2u);
    ASSERT_EQ(Write(BuildingStore, Node({100, 0, 0}, 1, 0, 0, 0, 7)), 3u);
    ASSERT_EQ(Write(BuildingStore, start), 4u);
    ASSERT_EQ(Write(BuildingStore, end), 5u);
    ASSERT_EQ(Write(BuildingStore, g), 6u);
    ASSERT_EQ(Write(BuildingStore, w), 7u);
  }
};

TEST_F(BruminCommands, EveryCommandOfBothProgramsTakesAndLeavesWhatItsTableSays) {
  ExpectStackEffects(BuildingHostProcs(), kBuildingEffects);
  EXPECT_EQ(VarNames(BuildingHostVars()), (std::vector<std::string>{"frame", "miplevel", "SParam1", "BVar1", "SParam2",
                                                                    "BVar2", "SParam3", "BVar3", "SParam4", "BVar4"}));
  UseGameTable();
  ExpectStackEffects(GameHostProcs(), kGameEffects);
  EXPECT_EQ(VarNames(GameHostVars()), (std::vector<std::string>{"frame", "miplevel", "bvar1", "bvar2", "bvar3", "bvar4",
                                                                "SParam1", "SParam2", "SParam3", "SParam4"}));
}

TEST_F(BruminCommands, AnImageRunWithTheOtherProgramsTableStaysWithinTheStack) {
  // Compiled for the game, "CalcBulk" leaves its three values in the building program.
  UseGameTable();
  const std::vector<uint8_t> bulk = Compile({"CalcBulk"}, {"begin", "CalcBulk(1,2,3);", "probe;", "end;"});
  const std::vector<uint8_t> save = Compile({"Savebuilding"}, {"begin", "Savebuilding;", "probe;", "end;"});
  const std::vector<uint8_t> loop =
      Compile({"CalcBulk"}, {"var i:integer;", "begin", "for i:=1 to 1000 do CalcBulk(1,2,3);", "probe;", "end;"});
  UseBuildingTable();
  Run(bulk);
  EXPECT_EQ(LastError(), "");
  EXPECT_EQ(probed, (std::vector<int32_t>{3}));
  // "SaveBuilding" takes one argument that the game's image never pushed: the pop is refused.
  probed.clear();
  Run(save);
  EXPECT_EQ(LastError(), "I-009 : ERROR : Tryed to pop of empty stack");
  EXPECT_TRUE(probed.empty());
  // The leftovers of a loop fill the stack up to its limit and the run stops there.
  Run(loop);
  EXPECT_EQ(LastError(), "I-010 : ERROR : Stack overflow");
  EXPECT_TRUE(probed.empty());
  EXPECT_LE(StackDepth, kScriptPoolSize);

  // Compiled for the building program, "SaveBuilding" leaves its argument in the game.
  const std::vector<uint8_t> saved = Compile({"SaveBuilding"}, {"begin", "SaveBuilding(5);", "probe;", "end;"});
  UseGameTable();
  Run(saved);
  EXPECT_EQ(LastError(), "");
  EXPECT_EQ(probed, (std::vector<int32_t>{1}));
}

TEST_F(BruminCommands, NodeCommandsOnTheEmptyStoreLeaveTheSlots) {
  NodeSlots[2] = Node({1, 2, 3});
  NodeSlots[2].Index = 9;
  const TNodeRecord before = NodeSlots[2];
  CoordSlots[4] = {7, 7, 7};
  distance = 2.5f;
  Run({"begin", "ReadNode(5,2);", "ReadNode(1,2);", "result:=GetNextNode(1,2);", "probe;",
       "CMBezier(1,2,1.0,4);", "result:=result+10*TFC(1,3,@distance,4,5.0,4);",
       "result:=result+100*TBC(1,3,@distance,4,5.0,4);", "ReadNode(1,0);", "ReadNode(1,21);",
       "result:=result+1000*GetNextNode(0,2)+GetNextNode(2,21);", "end;"});
  EXPECT_EQ(LastError(), "");
  EXPECT_EQ(probed, (std::vector<int32_t>{0}));
  EXPECT_EQ(result, 0);
  EXPECT_EQ(std::memcmp(&NodeSlots[2], &before, sizeof(before)), 0);
  EXPECT_EQ(CoordSlots[4].x, 7.0f);
  EXPECT_EQ(distance, 2.5f);
}

TEST_F(BruminCommands, GetCoordPosOfOnePointTwiceGivesNoNumberAndTheRunGoesOn) {
  NodeSlots[1] = Node({0, 0, 0});
  NodeSlots[2] = Node({10, 0, 0});
  NodeSlots[3] = Node({0, 0, 0});
  Run({"begin", "GetCoordPos(1,2,4.0,1);", "GetCoordPos(1,3,4.0,2);", "GetCoordPos(1,2,4.0,21);",
       "CopyCoord(1,3);", "probe;", "end;"});
  EXPECT_EQ(LastError(), "");
  EXPECT_EQ(probed.size(), 1u);
  EXPECT_EQ(CoordSlots[1].x, 4.0f);
  EXPECT_EQ(CoordSlots[3].x, 4.0f);
  EXPECT_TRUE(std::isnan(CoordSlots[2].x));
}

TEST_F(BruminCommands, TheSwitchOfARouterChoosesBetweenTwoLinks) {
  // Node 1 has two next and two previous links; its way 2 is the router, way 3 the one it refers to.
  struct Case {
    uint8_t kind, routerKind, sw, linkedSw;
    uint32_t first, third;  // the router's first and third nodes
    uint8_t forward, backward;
  };
  const Case cases[] = {
      {3, 4, 0, 0, 1, 0, 1, 0},  // forward entry, switch straight
      {3, 4, 1, 0, 1, 0, 2, 0},  // forward entry, switch turned
      {3, 4, 2, 0, 1, 0, 0, 0},  // a switch of no known setting
      {3, 4, 1, 0, 8, 0, 0, 0},  // not the router's entry node
      {3, 1, 0, 1, 0, 1, 0, 2},  // backward entry: the switch of the way it refers to
      {3, 1, 1, 0, 0, 1, 0, 1},
      {0, 4, 1, 1, 1, 1, 0, 0},  // not a router
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.kind) << "/" << int(c.routerKind) << "/" << int(c.sw));
    BuildingStore = TRecordStore();
    TNodeRecord n = Node({}, 4, 5, 4, 5, 2);
    n.Index = 1;
    ASSERT_EQ(Write(BuildingStore, n), 1u);
    TStoreWay router = Cleared<TStoreWay>(), linked = Cleared<TStoreWay>();
    router.Kind = c.kind;
    router.RouterKind = c.routerKind;
    router.Switch = c.sw;
    router.LinkedWay = 3;
    router.NodeCount = 3;
    router.Nodes[0] = c.first;
    router.Nodes[2] = c.third;
    linked.Switch = c.linkedSw;
    ASSERT_EQ(Write(BuildingStore, router), 2u);
    ASSERT_EQ(Write(BuildingStore, linked), 3u);
    EXPECT_EQ(SwitchLink(BuildingStore, n, true), c.forward);
    EXPECT_EQ(SwitchLink(BuildingStore, n, false), c.backward);
  }
  // One link is always taken; none or more than two never.
  TNodeRecord n = Node({}, 4, 0, 0, 0);
  EXPECT_EQ(SwitchLink(BuildingStore, n, false), 1);
  EXPECT_EQ(SwitchLink(BuildingStore, n, true), 0);
  n.Node.NextLinkCount = 3;
  EXPECT_EQ(SwitchLink(BuildingStore, n, true), 0);
}

TEST_F(BruminCommands, NodeCommandsFollowTheStoredTrack) {
  // Three stored nodes in a line: 1 -> 2 -> 3 at x = 0, 100 and 200.
  ASSERT_EQ(Write(BuildingStore, Node({0, 0, 0}, 0, 0, 2)), 1u);
  ASSERT_EQ(Write(BuildingStore, Node({100, 0, 0}, 1, 0, 3)), 2u);
  ASSERT_EQ(Write(BuildingStore, Node({200, 0, 0}, 2)), 3u);
  CoordSlots[3] = {50, 0, 0};
  distance = 50.0f;
  Run({"begin", "ReadNode(1,1);", "result:=GetNextNode(1,2);", "CopyNode(2,5);",
       "result:=result+10*TFC(1,2,@distance,3,120.0,4);", "end;"});
  EXPECT_EQ(LastError(), "");
  EXPECT_EQ(result, 11);
  EXPECT_EQ(NodeSlots[5].Index, 2u);
  // The cursor left the first link: the point lies 120 from the centre on the second one.
  EXPECT_EQ(NodeSlots[1].Index, 2u);
  EXPECT_EQ(NodeSlots[2].Index, 3u);
  EXPECT_NEAR(CoordSlots[4].x, 170.0f, 0.05);
  EXPECT_NEAR(distance, 70.0f, 0.05);
  // And back: within the link, then over its start onto the first link again.
  Run({"begin", "result:=TBC(1,2,@distance,3,20.0,6);", "result:=result+10*TBC(1,2,@distance,4,100.0,7);", "end;"});
  EXPECT_EQ(result, 11);
  EXPECT_NEAR(CoordSlots[6].x, 150.0f, 0.05);
  EXPECT_NEAR(CoordSlots[7].x, 70.0f, 0.05);
  EXPECT_EQ(NodeSlots[1].Index, 1u);
  EXPECT_EQ(NodeSlots[2].Index, 2u);
  // At the end of the track the move fails and still writes the cursor back.
  distance = 90.0f;
  Run({"begin", "ReadNode(2,1);", "ReadNode(3,2);", "result:=TFC(1,2,@distance,4,500.0,8);", "end;"});
  EXPECT_EQ(result, 0);
  EXPECT_EQ(NodeSlots[1].Index, 2u);
  EXPECT_EQ(NodeSlots[2].Index, 3u);
}

TEST_F(BruminCommands, CMBezierWalksTheStoredWaysCurveFromEitherEnd) {
  StraightWay();
  Run({"begin", "ReadNode(1,1);", "ReadNode(3,2);", "CMBezier(1,2,30.0,1);", "CMBezier(2,1,30.0,2);",
       "ReadNode(2,3);", "CMBezier(3,1,30.0,3);", "end;"});
  EXPECT_EQ(LastError(), "");
  EXPECT_NEAR(CoordSlots[1].x, 30.0f, 1e-3);
  EXPECT_NEAR(CoordSlots[1].z, 0.0f, 1e-3);
  // From the third node the distance counts from the far end.
  EXPECT_NEAR(CoordSlots[2].x, 70.0f, 1e-3);
  // A node without a way gives nothing.
  EXPECT_EQ(CoordSlots[3].x, 0.0f);

  // A router of sub-kind 4 gives nothing, nor does the curve while the curve commands are off.
  CoordSlots[1] = {};
  CurveCommandsOn = 0;
  Run({"begin", "CMBezier(1,2,30.0,1);", "end;"});
  EXPECT_EQ(CoordSlots[1].x, 0.0f);
  CurveCommandsOn = 1;
  TStoreWay w;
  ASSERT_TRUE(BuildingStore.StoreRead(7, w));
  w.Kind = kStoreRouterWay;
  w.RouterKind = kRouterForwardEntry;
  ASSERT_TRUE(BuildingStore.StoreRewriteWay(w));
  Run({"begin", "CMBezier(1,2,30.0,1);", "end;"});
  EXPECT_EQ(CoordSlots[1].x, 0.0f);
}

TEST_F(BruminCommands, OrientObjPitchesThePartTheOtherWayRoundFromTheGame) {
  CoordSlots[1] = {10, 10, 0};
  CoordSlots[2] = {0, 0, 0};
  Run({"begin", "OrientObj(3,1,2);", "OrientObj(11,1,2);", "OrientObj(0,1,2);", "DebugProc(42);",
       "SetPosition(10,1.0,2.0,3.0);", "SetPosition(11,1.0,2.0,3.0);", "end;"});
  EXPECT_EQ(LastError(), "");
  TPlacement game{};
  OrientationFromPoints(game, CoordSlots[1], CoordSlots[2]);
  const TPlacement& p = brumin::MeshPartTransforms[3];
  EXPECT_EQ(p.X, 10.0f);
  EXPECT_EQ(p.Gier, game.Gier);
  EXPECT_NEAR(p.Nick, -45.0f, 1e-4);
  EXPECT_EQ(p.Nick, -game.Nick);
  EXPECT_EQ(p.Roll, 0.0f);
  EXPECT_EQ(DebugValue, 42);
  EXPECT_EQ(brumin::MeshPartTransforms[10].Z, 3.0f);
  EXPECT_EQ(brumin::MeshPartTransforms[0].X, 0.0f);
}

}  // namespace
