// The game's script commands run from compiled sources: arguments are always taken, numbers out of
// range change nothing, texture frames wrap, the track cursor is written back, building nodes are
// locked and the productivity behind a building's station is read.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/store/recordstore.h"
#include "engine/store/trainpool.h"
#include "engine/world/building.h"
#include "engine/world/records.h"
#include "tests/script/gamehost_fixture.h"

namespace {

using gamehost_testing::GameHostTest;
using gamehost_testing::ProbedDepths;

using GameCommands = GameHostTest;

TEST_F(GameCommands, PlacementCommandsTakeTheirArgumentsAndChangeOnlyPartsInUse) {
  struct Case {
    const char* call;
    TPlacement part1;  // part 1 afterwards (part 3 never changes: two parts are in use)
    int32_t depth;     // the stack's depth right after the call
  };
  const TPlacement start{1, 2, 3, 4, 5, 6};
  const Case cases[] = {
      {"SetPosition(3,1.0,2.0,3.0);", start, 0},
      {"SetPosition(0,7.0,8.0,9.0);", start, 0},
      {"SetPosition(1,7.0,8.0,9.0);", {7, 8, 9, 4, 5, 6}, 0},
      {"SetRotation(1,10.0,20.0,30.0);", {1, 2, 3, 10, 20, 30}, 0},
      {"SetRotation(-1,10.0,20.0,30.0);", start, 0},
      {"SetNick(1,9.0);", {1, 2, 3, 4, 5, 9}, 0},
      {"SetGier(1,9.0);", {1, 2, 3, 4, 9, 6}, 0},
      {"SetRoll(1,9.0);", {1, 2, 3, 9, 5, 6}, 0},
      {"SetRoll(15,9.0);", start, 0},
      {"DebugProc(5);", start, 0},
      {"OrientObj(15,1,2);", start, 0},
      {"CalcBulk(1,2,3);", start, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call);
    PartCount = 2;
    MeshPartTransforms[1] = start;
    MeshPartTransforms[3] = start;
    MeshPartTransforms[3].X = 99.0f;
    ProbedDepths().clear();
    Run({"begin", c.call, "probe;", "end;"});
    EXPECT_EQ(LastError(), "");
    ASSERT_EQ(ProbedDepths().size(), 1u);
    EXPECT_EQ(ProbedDepths()[0], c.depth);
    const TPlacement& p = MeshPartTransforms[1];
    EXPECT_EQ((std::vector<float>{p.X, p.Y, p.Z, p.Roll, p.Gier, p.Nick}),
              (std::vector<float>{c.part1.X, c.part1.Y, c.part1.Z, c.part1.Roll, c.part1.Gier, c.part1.Nick}));
    EXPECT_EQ(MeshPartTransforms[3].X, 99.0f);
  }
}

TEST_F(GameCommands, RegisterCommandsIgnoreRegistersOutOfRange) {
  Run({"begin", "ReadNode(5,1);", "ReadNode(6,21);", "ReadNode(7,0);", "CopyNode(1,20);", "CopyNode(1,21);",
       "CopyNode(-4,2);", "end;"});
  EXPECT_EQ(LastError(), "");
  EXPECT_EQ(NodeRegisters[1], 5);
  EXPECT_EQ(NodeRegisters[20], 5);
  EXPECT_EQ(NodeRegisters[2], 0);
  EXPECT_EQ(NodeRegisters[0], 0);
}

TEST_F(GameCommands, SetTextureShowsTheFrameAndWrapsFrameNumbers) {
  AnimatedTexture(1500, 4, 1601);  // frames 1601 .. 1604
  struct Case {
    const char* call;
    uint16_t shown;
  };
  const Case cases[] = {
      {"SetTexture(1,1,1);", 1601}, {"SetTexture(1,1,3);", 1603},  {"SetTexture(1,1,5);", 1601},
      {"SetTexture(1,1,0);", 1604}, {"SetTexture(1,1,-3);", 1601}, {"SetTexture(1,1,-4);", 1604},
      {"SetTexture(1,2,2);", 1500}, {"SetTexture(1,0,2);", 1500},  {"SetTexture(15,1,2);", 1500},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call);
    TexturedMesh(PartMeshes[1], 3, 1500);
    PartMeshes[1].Polygon(2).Texture = 0;
    ClearIndexList(PartTextureLists[1]);
    Run({"begin", c.call, "end;"});
    EXPECT_EQ(LastError(), "");
    EXPECT_EQ(PartMeshes[1].Polygon(1).Texture, c.shown);
    EXPECT_EQ(PartMeshes[1].Polygon(3).Texture, c.shown);
    EXPECT_EQ(PartMeshes[1].Polygon(2).Texture, 0);
  }
  // The list keeps the slot it was built with: a second call finds no polygon that still shows it,
  // though the frame shown is an animated texture itself.
  AnimatedTexture(1602, 2, 1701, 20);
  TexturedMesh(PartMeshes[1], 2, 1500);
  ClearIndexList(PartTextureLists[1]);
  Run({"begin", "SetTexture(1,1,2);", "SetTexture(1,1,3);", "end;"});
  EXPECT_EQ(PartMeshes[1].Polygon(1).Texture, 1602);
}

// A cursor that records what it was given and then moves as the test says.
struct CursorScript {
  static inline TScriptCursor given{};
  static inline TScriptCursor after{};
  static inline bool result = false;
  static inline int calls = 0;
  static bool Move(TScriptCursor& c, const TVector&, TVector& out, uint32_t, float) {
    ++calls;
    given = c;
    c = after;
    if (result) out = {1, 2, 3};
    return result;
  }
};

TEST_F(GameCommands, TrackCursorWritesTheCursorBackAndAnswersWhetherItMoved) {
  // Nodes 1 to 8 exist, so the registers name nodes of the pool.
  for (int i = 1; i <= 8; ++i) {
    TNode n{};
    InitNode(n, TVector{float(i), 0, 0});
    AddNode(n);
  }
  ScriptNetwork.NodeCursorBackward = CursorScript::Move;
  ScriptNetwork.NodeCursorForward = CursorScript::Move;
  struct Case {
    const char* call;
    bool moves;
    int32_t result, regA, regB, dist10;
    int calls;
  };
  const Case cases[] = {
      {"r:=TBC(1,2,@d,1,5.0,2);", false, 0, 7, 8, 35, 1},
      {"r:=TFC(1,2,@d,1,5.0,2);", true, 1, 7, 8, 35, 1},
      {"r:=TBC(21,2,@d,1,5.0,2);", true, 0, 3, 4, 125, 0},
      {"r:=TFC(1,2,@d,1,5.0,0);", true, 0, 3, 4, 125, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call);
    CursorScript::after = {7, 8, 2, 3.5f};
    CursorScript::result = c.moves;
    CursorScript::calls = 0;
    CoordRegisters[2] = {};
    Run({"var d:float;", "var r:integer;", "begin", "ReadNode(3,1);", "ReadNode(4,2);", "d:=12.5;", c.call,
         "SParam1:=r;", "SParam2:=d*10;", "end;"});
    EXPECT_EQ(LastError(), "");
    EXPECT_EQ(CursorScript::calls, c.calls);
    EXPECT_EQ(SParam1, c.result);
    EXPECT_EQ(NodeRegisters[1], c.regA);
    EXPECT_EQ(NodeRegisters[2], c.regB);
    EXPECT_EQ(SParam2, c.dist10);
    if (c.calls > 0) {
      // Register A is the link's start, register B its end.
      EXPECT_EQ(CursorScript::given.PrevNode, 3u);
      EXPECT_EQ(CursorScript::given.CurNode, 4u);
      EXPECT_EQ(CursorScript::given.Dist, 12.5f);
    }
    EXPECT_EQ(CoordRegisters[2].x, c.result == 1 ? 1.0f : 0.0f);
  }
}

TEST_F(GameCommands, WithoutTheNetworkATrackCursorStaysAndGetNextNodeFindsNothing) {
  TNode n{};
  InitNode(n, TVector{0, 0, 0});
  AddNode(n);
  AddNode(n);
  Run({"var d:float;", "begin", "ReadNode(1,1);", "ReadNode(2,2);", "d:=4.0;", "SParam1:=TBC(1,2,@d,1,5.0,2);",
       "SParam2:=GetNextNode(1,3);", "SParam3:=d;", "end;"});
  EXPECT_EQ(LastError(), "");
  EXPECT_EQ((std::vector<int32_t>{SParam1, SParam2, SParam3, NodeRegisters[1], NodeRegisters[2], NodeRegisters[3]}),
            (std::vector<int32_t>{0, 0, 4, 1, 2, 0}));
}

// A building with two ways whose second way holds nodes numbered within the building 1, 2 and 2.
class BuildingCommands : public GameHostTest {
 protected:
  static constexpr uint16_t kType = 20;
  uint32_t nodes[3] = {};
  TBuilding building{};

  void SetUp() override {
    GameHostTest::SetUp();
    const uint8_t numbers[3] = {1, 2, 2};
    TWay way{};
    way.Init(1, 2);
    for (int i = 0; i < 3; ++i) {
      TNode n{};
      InitNode(n, TVector{float(i), 0, 0});
      nodes[i] = AddNode(n);
      NodeByIndex(nodes[i]).Used = numbers[i];
      way.Nodes[way.NodesCounter++] = nodes[i];
    }
    way.A_Write();
    building.BuildingType = kType;
    building.BuildingWayCounter = 2;
    building.Ways[1] = way.Index;
    SetBuildingTypeScriptNumber(BuildingTypes[kType], 1);
  }
  int32_t RunEvent(const std::vector<std::string>& body) {
    CompiledScriptImages[1] = Compile(body);
    return RunBuildingEventScript(1, 0, 0, 0, building, 0, nullptr);
  }
  std::vector<int> Flags() const {
    std::vector<int> f;
    for (uint32_t n : nodes) f.push_back(NodeByIndex(n).Flags);
    return f;
  }
};

TEST_F(BuildingCommands, LockNodeSetsAndUnLockNodeClearsTheFirstNodeOfThatNumber) {
  NodeByIndex(nodes[2]).Flags = 32 | 4;
  RunEvent({"begin", "LockNode(2);", "LockNode(9);", "LockNode(300);", "end;"});
  EXPECT_EQ(LastError(), "");
  EXPECT_EQ(Flags(), (std::vector<int>{0, 32, 36}));
  RunEvent({"begin", "UnLockNode(2);", "UnLockNode(1);", "end;"});
  EXPECT_EQ(Flags(), (std::vector<int>{0, 0, 36}));
  // Outside a building run the commands find no building.
  Run({"begin", "LockNode(1);", "SParam4:=GetProducity()*10;", "end;"});
  EXPECT_EQ(Flags(), (std::vector<int>{0, 0, 36}));
  EXPECT_EQ(SParam4, 10);
}

TEST_F(BuildingCommands, GetProducityReadsTheIndustryBehindTheStation) {
  auto industry = std::make_unique<TIndustry>();
  *industry = TIndustry{};
  industry->Productivity = 0.75f;
  industry->A_Write();
  RecordDesc marketDesc = kTMarketDesc;
  marketDesc.Ops = kOpRead | kOpWrite | kOpReWrite | kOpOverwrite;
  auto market = std::make_unique<TMarket>();
  *market = TMarket{};
  RecordWrite(marketDesc, market.get());
  struct Case {
    const char* what;
    uint32_t object;  // the station's object; ~0u: no station
    int32_t percent;
  };
  const Case cases[] = {{"industry", industry->Index, 75}, {"market", market->Index, 100}, {"none", 0, 100},
                        {"no station", ~0u, 100}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    building.Station = 0;
    if (c.object != ~0u) {
      auto station = std::make_unique<TStation>();
      *station = TStation{};
      station->Init(1, 0, TVector{0, 0, 0});
      station->StationObjectOf = c.object;
      station->A_Write();
      building.Station = station->Index;
    }
    SParam4 = 0;
    EXPECT_EQ(RunEvent({"begin", "SParam4:=GetProducity()*100;", "end;"}), c.percent);
    EXPECT_EQ(LastError(), "");
  }
}

TEST_F(GameCommands, TrainCommandsSetTheSpeedsOfTheLoadedTrain) {
  const uint32_t train = NewTrain();
  TrainByIndex(train) = TTrain{};
  TrainByIndex(train).VBT_Type = kTrainRail;
  const struct {
    std::string call;
    float speed, target;
  } cases[] = {{"SetTrainSpeed(4.5);", 4.5f, 4.5f},
               {"SetTrainSollSpeed(2.0);", 1.0f, 2.0f},
               {"SetTrainSpeedNormal;", 1.0f, 3.0f},
               {"SaveTrain;", 1.0f, 1.0f}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.call);
    TrainByIndex(train).Speed = TrainByIndex(train).TargetSpeed = 1.0f;
    Run({"begin", "LoadTrain(" + std::to_string(train) + ");", c.call, "end;"});
    EXPECT_EQ(LastError(), "");
    EXPECT_EQ(TrainByIndex(train).Speed, c.speed);
    EXPECT_EQ(TrainByIndex(train).TargetSpeed, c.target);
  }
}

TEST_F(BuildingCommands, DepotCommandsWithoutADepotAndTrainCommandsWithoutATrainDoNothing) {
  EXPECT_EQ(RunEvent({"begin", "AllowLeave;", "ActivateDepotScript;", "LoadTrain(99);", "SetTrainSpeed(4.0);",
                      "SetTrainSpeedNormal;", "SParam4:=5;", "end;"}),
            5);
  EXPECT_EQ(LastError(), "");
  EXPECT_EQ(CommandTrain, 99);
}

}  // namespace
