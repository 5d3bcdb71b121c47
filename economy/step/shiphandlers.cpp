#include "economy/step/shiphandlers.h"

#include "economy/step/commands.h"
#include "economy/step/handlers.h"
#include "engine/base/worldstate.h"
#include "engine/gui/mousemode.h"
#include "network/construction/curveline.h"
#include "network/construction/harbours.h"
#include "network/picking.h"

namespace {

constexpr uint8_t kInteractive = 1;
constexpr uint8_t kPreview = 0;
// A handler's result before its construction runs.
constexpr int kNotRun = 30;
constexpr int kRefused = 29;

using Construction = void (*)(const TVector&, const TVector&, TCurveline&, TConstructResult&, uint8_t);
using Post = void (*)(TCommandQueue&, uint8_t, const TVector&, const TVector&);

// The two-point tools: the second point comes from the mouse.
template <Construction Construct, Post PostIt>
void TwoPointTool(const TVector& a, const TVector& b, uint8_t source, uint8_t execute, TConstructResult& r) {
  r.Assign(kNotRun);
  SelectConstructionLog(source);
  if (source != kInteractive) {
    Construct(a, b, *GlobalCurveline, r, execute);
    return;
  }
  TVector picked;
  GetClickedTerrainPoint(picked, r);  // {2} when no ground is under the mouse
  if (!r.Ok()) return;
  PlacementPoints[1] = picked;
  Construct(a, picked, *GlobalCurveline, r, kPreview);
  if (r.Ok() && execute == 1) {
    PostIt(CommandQueue, LocalPlayer, a, picked);
    EndTool();
  }
}

}  // namespace

void BuildCoastBuilding(const TVector& a, const TVector& b, uint8_t source, uint8_t execute, TConstructResult& r) {
  TwoPointTool<ConstructCoastBuilding, PostBuildCoastBuilding>(a, b, source, execute, r);
}

void PlaceHarbour(const TVector& a, const TVector& b, uint8_t source, uint8_t execute, TConstructResult& r) {
  TwoPointTool<BuildHarbour, PostPlaceHarbour>(a, b, source, execute, r);
}

void BuildShipLanding(const TVector& rayStart, const TVector& rayDir, const TVector& target, uint8_t source,
                      uint8_t execute, TConstructResult& r) {
  r = TConstructResult::Success();
  SelectConstructionLog(source);
  TPickResult pick{};
  const uint32_t harbour = PickBuildingOfSelectedType(rayStart, rayDir, pick, r);
  if (!r.Ok()) {
    r.Assign(kRefused);
    return;
  }
  if (source != kInteractive) {
    ConstructShipLanding(harbour, target, *GlobalCurveline, r, execute);
    return;
  }
  TVector picked;
  GetClickedTerrainPoint(picked, r);  // {2} when no ground is under the mouse
  if (!r.Ok()) return;
  PlacementPoints[0] = picked;
  ConstructShipLanding(harbour, picked, *GlobalCurveline, r, kPreview);
  if (r.Ok() && execute == 1) {
    PostBuildShipLanding(CommandQueue, LocalPlayer, rayStart, rayDir, picked);
    EndTool();
  }
}

void InstallShipHandlers() {
  command_handlers::Handlers.BuildCoastBuilding = BuildCoastBuilding;
  command_handlers::Handlers.PlaceHarbour = PlaceHarbour;
  command_handlers::Handlers.BuildShipLanding = BuildShipLanding;
}
