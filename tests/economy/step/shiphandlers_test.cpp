// The water tools' command handlers: the interactive form previews under the mouse and posts on a
// click, the queue runs the executing form a tick later and the world gets the harbour, the landing
// or the coast building. The coast: open water west of x = 5000, land east of it.
#include "economy/step/shiphandlers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "economy/step/commandpayloads.h"
#include "economy/step/commands.h"
#include "economy/step/services.h"
#include "engine/base/worldstate.h"
#include "engine/gui/mousemode.h"
#include "engine/mesh/meshrecords.h"
#include "engine/world/building.h"
#include "engine/world/records.h"
#include "network/construction/curveline.h"
#include "network/construction/harbours.h"
#include "network/world/terrain.h"
#include "tests/economy/economy_fixture.h"

namespace {

constexpr uint16_t kHarbourType = 10, kLandingType = 11, kCoastType = 12, kOtherType = 13;
const TVector kNoPoint{0, 0, 0};

template <class T>
T Value(T v) {
  return v;
}

std::vector<TBuilding> Buildings() {
  std::vector<TBuilding> all;
  for (uint32_t i = FindInArrayerBW(kARTypeBuilding, 0); i != 0; i = FindInArrayerBW(kARTypeBuilding, i)) {
    TBuilding b{};
    b.A_Read(i);
    all.push_back(b);
  }
  return all;
}

int CountOfType(uint16_t type) {
  int n = 0;
  for (const TBuilding& b : Buildings()) n += b.BuildingType == type ? 1 : 0;
  return n;
}

class ShipHandlers : public economy_test::EconomyTest {
 protected:
  void SetUp() override {
    EconomyTest::SetUp();
    InstallShipHandlers();
    ResetCommandQueue();
    InitUserInterface();
    PlayerCount = 1;
    ActPlayer = LocalPlayer = 1;
    ViewRange = 20;
    for (int x = 0; x < kMapSize; ++x) std::memset(GroundMap[x], x < 50 ? kGroundOpenWater : 5, sizeof(GroundMap[x]));
    SpecialBuildingTypes[kHarbourTypeEntry] = kHarbourType;
    SpecialBuildingTypes[kLandingTypeEntry] = kLandingType;
    SpecialBuildingTypes[kCoastBuildingTypeEntry] = kCoastType;
    TBuildingType& landing = BuildingTypes[kLandingType];
    SetBuildingTypeReferencePoint(landing, 2, {0, 0, 100});
    TBuildingType& yard = BuildingTypes[kCoastType];
    SetBuildingTypeReferencePoint(yard, 2, {0, 0, 100});
    const float part[4][2] = {{-50, 50}, {50, 50}, {50, 300}, {-50, 300}};
    for (int k = 0; k < 4; ++k) {
      SetBuildingTypeReferencePoint(yard, 3 + k, {part[k][0], 0, -part[k][1]});
      SetBuildingTypeReferencePoint(yard, 7 + k, {part[k][0], 0, part[k][1]});
    }
    SetMouseMode(5);
  }
  void TearDown() override {
    command_handlers::InstallDefaults();
    EconomyTest::TearDown();
  }

  // The mouse straight above a ground point.
  static void MouseAbove(float x, float z) {
    Players[LocalPlayer].Camera = TPlacement{x, 500, z, 0, 0, 0};
    MouseRay = {0, -1, 0};
  }
  static int PostedCommands() {
    int n = 0;
    for (int k = 0; k < kCommandSlots; ++k) n += CommandQueue.Slots[k].Player != 0 ? 1 : 0;
    return n;
  }
  static void RunQueue() {
    ++GameTime;
    ExecuteCommands();
  }
};

TEST_F(ShipHandlers, AHarbourIsPreviewedUnderTheMousePostedOnTheClickAndBuiltByTheQueue) {
  const TVector a{4900, 0, 5000};
  PlacementPoints[0] = a;
  MouseAbove(4900, 5300);
  TConstructResult r;
  command_handlers::Handlers.PlaceHarbour(a, kNoPoint, 1, 0, r);
  EXPECT_TRUE(r.Ok());
  EXPECT_EQ(PostedCommands(), 0);
  EXPECT_EQ(GlobalCurveline->PreviewBuilding[1], 1);
  EXPECT_EQ(GlobalCurveline->PieceLog, &GlobalPieceLog);
  EXPECT_NEAR(Value(PlacementPoints[1].z), 5300.0f, 1e-2);

  command_handlers::Handlers.PlaceHarbour(a, kNoPoint, 1, 1, r);
  ASSERT_TRUE(r.Ok());
  ASSERT_EQ(PostedCommands(), 1);
  const TCommandSlot slot = CommandQueue.Slots[0];
  EXPECT_EQ(Value(slot.Command), kCmdPlaceHarbour);
  EXPECT_EQ(Value(slot.Player), 1);
  const TTwoPointArgs posted = UnpackCommandArgs<TTwoPointArgs>(slot.Payload);
  EXPECT_EQ(Value(posted.A.z), 5000.0f);
  EXPECT_NEAR(Value(posted.B.z), 5300.0f, 1e-2);
  EXPECT_EQ(MouseMode, 0);
  EXPECT_EQ(MouseModeChanged, 0);
  EXPECT_EQ(CountOfType(kHarbourType), 0);

  RunQueue();
  EXPECT_EQ(PostedCommands(), 0);
  EXPECT_EQ(CountOfType(kHarbourType), 1);
  EXPECT_NE(StatusLine.str(), "Commanqueue Error");
  EXPECT_EQ(GlobalCurveline->PieceLog, nullptr);
}

TEST_F(ShipHandlers, AFailedPreviewOrNoGroundUnderTheMousePostsNothing) {
  const TVector a{4900, 0, 5000};
  MouseAbove(4900, 5100);  // a quay of 100
  TConstructResult r;
  command_handlers::Handlers.PlaceHarbour(a, kNoPoint, 1, 1, r);
  EXPECT_EQ(r.Elements(), "4");
  command_handlers::Handlers.BuildCoastBuilding(a, kNoPoint, 1, 1, r);  // a yard in the water
  EXPECT_EQ(r.Elements(), "27");

  MouseRay = {0, 1, 0};  // into the sky
  command_handlers::Handlers.PlaceHarbour(a, kNoPoint, 1, 1, r);
  EXPECT_EQ(r.Elements(), "2");
  command_handlers::Handlers.BuildCoastBuilding(a, kNoPoint, 1, 1, r);
  EXPECT_EQ(r.Elements(), "2");
  EXPECT_EQ(PostedCommands(), 0);
  EXPECT_EQ(MouseMode, 5);
}

TEST_F(ShipHandlers, ACoastBuildingIsPostedAndBuilt) {
  const TVector a{4950, 0, 6000};
  MouseAbove(5250, 6000);
  TConstructResult r;
  command_handlers::Handlers.BuildCoastBuilding(a, kNoPoint, 1, 1, r);
  ASSERT_TRUE(r.Ok());
  ASSERT_EQ(PostedCommands(), 1);
  EXPECT_EQ(Value(CommandQueue.Slots[0].Command), kCmdBuildCoastBuilding);
  RunQueue();
  EXPECT_EQ(CountOfType(kCoastType), 1);
}

class LandingHandler : public ShipHandlers {
 protected:
  void SetUp() override {
    ShipHandlers::SetUp();
    TConstructResult r;
    BuildHarbour({4900, 0, 5000}, {4900, 0, 5400}, *GlobalCurveline, r, 1);
    ASSERT_TRUE(r.Ok());
    harbour = Buildings().at(0).Index;
  }
  // The ray onto the quay's top.
  const TVector rayStart{5000, 500, 5200}, rayDir{0, -1000, 0};
  uint32_t harbour = 0;
};

TEST_F(LandingHandler, ALandingIsPostedWithItsRayAndTargetAndBuiltAtTheHarbourTheRayMeets) {
  MouseAbove(4700, 5200);
  TConstructResult r;
  command_handlers::Handlers.BuildShipLanding(rayStart, rayDir, kNoPoint, 1, 1, r);
  ASSERT_TRUE(r.Ok()) << r.Elements();
  ASSERT_EQ(PostedCommands(), 1);
  const TCommandSlot slot = CommandQueue.Slots[0];
  EXPECT_EQ(Value(slot.Command), kCmdBuildShipLanding);
  const TShipLandingArgs posted = UnpackCommandArgs<TShipLandingArgs>(slot.Payload);
  EXPECT_EQ(Value(posted.RayStart.x), rayStart.x);
  EXPECT_EQ(Value(posted.RayDir.y), rayDir.y);
  EXPECT_NEAR(Value(posted.Target.x), 4700.0f, 1e-2);
  EXPECT_NEAR(Value(PlacementPoints[0].x), 4700.0f, 1e-2);
  EXPECT_EQ(MouseMode, 0);

  RunQueue();
  EXPECT_EQ(CountOfType(kLandingType), 1);
  EXPECT_EQ(MouseMode, 34);  // the tool goes on to the next landing
}

TEST_F(LandingHandler, ARayThatMeetsNoHarbourIsRefused) {
  // Another building's roof above the quay, met first by the ray.
  auto roof = std::make_unique<TMeshdata2>();
  roof->Init();
  roof->vxA(1, 4950, 50, 5150, 0, 0);
  roof->vxA(2, 5050, 50, 5150, 1, 0);
  roof->vxA(3, 5050, 50, 5250, 1, 1);
  roof->vxA(4, 4950, 50, 5250, 0, 1);
  AddQuad(*roof, 1, 2, 3, 4, 1, true, false, 255, 255, 255, 255);
  roof->A_Write();
  TBuilding other{};
  other.Init(kOtherType, 1);
  other.Mesh = roof->Index;
  other.Corners[0] = {5000, 0, 5200};
  other.A_Write();
  MouseAbove(4700, 5200);
  TConstructResult r;
  for (uint8_t source : {0, 1}) {
    command_handlers::Handlers.BuildShipLanding(rayStart, rayDir, {4700, 0, 5200}, source, 1, r);
    EXPECT_EQ(r.Elements(), "29") << int(source);
    command_handlers::Handlers.BuildShipLanding({4000, 500, 5200}, rayDir, {4700, 0, 5200}, source, 1, r);
    EXPECT_EQ(r.Elements(), "29") << int(source);
  }
  EXPECT_EQ(PostedCommands(), 0);
  EXPECT_EQ(CountOfType(kLandingType), 0);
}

TEST_F(LandingHandler, AHarbourRemovedBeforeTheQueueRunsLeavesTheWorldUnchanged) {
  MouseAbove(4700, 5200);
  TConstructResult r;
  command_handlers::Handlers.BuildShipLanding(rayStart, rayDir, kNoPoint, 1, 1, r);
  ASSERT_EQ(PostedCommands(), 1);
  TDestroyResult removed{};
  TBuilding::DestroyByIndex(harbour, kDestroyForced, removed);
  RunQueue();
  EXPECT_TRUE(Buildings().empty());
  EXPECT_EQ(StatusLine.str(), "Commanqueue Error");

  MouseRay = {0, 1, 0};
  BuildHarbour({4900, 0, 5000}, {4900, 0, 5400}, *GlobalCurveline, r, 1);
  command_handlers::Handlers.BuildShipLanding(rayStart, rayDir, kNoPoint, 1, 1, r);
  EXPECT_EQ(r.Elements(), "2");  // no water under the mouse
}

}  // namespace
