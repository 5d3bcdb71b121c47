#include "economy/step/services.h"

#include "economy/goods/records.h"
#include "economy/goods/events.h"
#include "economy/goods/handling.h"
#include "economy/goods/stationgoods.h"
#include "economy/messages/news.h"
#include "economy/messages/tutorial.h"
#include "economy/money/finances.h"
#include "economy/money/prizes.h"
#include "economy/step/ambientprocesses.h"
#include "economy/step/commands.h"
#include "economy/step/deletehooks.h"
#include "economy/step/goodsprocesses.h"
#include "economy/step/passengerprocesses.h"
#include "economy/step/shiphandlers.h"
#include "economy/step/handlers.h"
#include "economy/step/planeprocess.h"
#include "economy/step/tick.h"
#include "economy/step/worldstate_hash.h"
#include "economy/town/development.h"
#include "economy/town/placement.h"
#include "economy/town/stations.h"
#include "engine/gui/mousemode.h"
#include "network/construction/buildings.h"
#include "network/construction/signals.h"
#include "network/track/schedules.h"
#include "network/track/stations.h"
#include "network/vehicles/convoys.h"
#include "network/vehicles/movement.h"
#include "network/vehicles/stops.h"
#include "script/runners.h"
#include "network/vehicles/traffic.h"
#include "network/world/particles.h"
#include "network/world/ships.h"

namespace {
// The signal commands take the picked point at the start of their payload.
template <void (*Command)(const TVector&, TConstructResult&)>
void SignalCommand(const TCommandPayload& payload, TConstructResult& r) {
  Command(UnpackCommandArgs<TSignalArgs>(payload).Point, r);
}

// The particle table's share of the world's hash: the switch, the search start, the camera, the
// statistics and every slot, free ones too (a slot taken again keeps some of its old fields).
void HashParticles(THashWriter& h) {
  h.U8(ParticlesOn);
  h.I32(HighestParticle);
  h.Vec(ParticleCamera);
  for (uint32_t c : ParticleUpdateCounts) h.U32(c);
  h.U32(ParticleUpdateStart);
  h.U32(ParticleUpdateTime);
  for (const TParticle& p : Particles) {
    h.U8(p.Kind);
    h.U8(p.Used);
    h.Vec(p.Position);
    for (float v : {p.Size, p.Size2, p.StartSize, p.StartHeight, p.Lift}) h.F32(v);
    h.U32(p.Texture);
    for (float v : {p.Alpha, p.Life, p.TotalLife, p.Decrement}) h.F32(v);
    h.Vec(p.Velocity);
    for (float v : {p.Rise, p.SpeedFactor, p.Fade, p.Growth}) h.F32(v);
    h.Vec(p.Drift);
    h.F32(p.DriftStart);
    h.U8(p.DriftMode);
    for (float v : {p.GrowthEnd, p.MoveLife, p.Spin}) h.F32(v);
    h.Bytes(p.SpinFlags, sizeof(p.SpinFlags));
    h.F32(p.GrowthStart);
    h.U32(p.Value);
    for (float v : p.WindFactors) h.F32(v);
    h.Bytes(p.Colour, sizeof(p.Colour));
  }
}
// The world development's process records.
void HashDevelopment(THashWriter& h) {
  h.U8(DevelopmentPhase);
  const TMarketSearch& m = MarketSearch;
  h.U8(m.State);
  h.U32(m.WayCursor);
  h.F32(m.BestDistance);
  h.U32(m.BestMarket);
  h.U32(m.MarketCursor);
  h.U32(ConstructionCursors.BuildingCursor);
  h.U32(ConstructionCursors.WayCursor);
  h.U8(DevelopCity.State);
  h.U8(DevelopCity.City);
  const TPPUpdatebuildings& u = UpdateBuildings;
  h.U32(u.Cursor);
  h.I32(u.Speed);
  h.U32(u.LastTick);
  h.U32(u.Step);
}
// The tutorial moves on when a command's follow-up sets the mouse mode: its window and mark
// (the marked controls by their number, never by address).
void HashTutorial(THashWriter& h) {
  const TTutorialWindow& w = TutorialWindow;
  h.U8(w.Step);
  h.U32(static_cast<uint32_t>(w.Text.size()));
  h.Bytes(w.Text.data(), w.Text.size());
  h.U8(w.NextButton.Enabled);
  h.U32(w.WaitKind);
  h.U16(w.WaitIdentifier);
  const TTutorialHighlight& m = TutorialHighlight;
  h.U8(m.Active);
  h.I32(m.Count);
  h.I32(m.Flag);
  h.U32(m.UntilTick);
}
}  // namespace

void InstallEconomyServices() {
  building_hooks::BookMoney = BookMoney;
  building_hooks::TriggerNewsEvent = TriggerNewsEvent;
  building_hooks::NearestCity = NearestCity;
  station_hooks::NameStation = ::NameStation;
  InstallGoodsRecordHooks();
  InstallGoodsHandlingHooks();
  step_hooks::ScheduleTick = ScheduleTick;
  convoy_hooks::GoodWeight = GoodWeight;
  step_hooks::PrepareTrain = PrepareTrain;
  step_hooks::MoveOn = MoveOn;
  step_hooks::PlaceTrainVehicles = PlaceTrainVehicles;
  step_hooks::WriteBackTrainVehicles = WriteBackTrainVehicles;
  step_hooks::ShiftTrainRevenue = ShiftTrainRevenue;
  step_hooks::TickBuildingScripts = ::TickBuildingScripts;
  step_hooks::AwardPrizes = ::AwardPrizes;
  step_hooks::CheckWinConditions = ::CheckWinConditions;
  stop_hooks::UnloadGoods = ::UnloadGoods;
  stop_hooks::LoadGoods = ::LoadGoods;
  InstallTrafficHooks();
  RegisterWorldPart({"schedules", [] { ScheduleTickCursor = 0; }, [](THashWriter& h) { h.U32(ScheduleTickCursor); }});
  RegisterWorldPart({"goods events", ResetGoodsEvent, [](THashWriter& h) {
                       const TGoodsEvent& e = GoodsEvent;
                       h.U32(e.IndustryCursor);
                       for (uint32_t c : e.Candidates) h.U32(c);
                       h.U8(e.CandidateCount);
                       h.U32(e.NextEventTick);
                       h.U8(e.Phase);
                     }});
  InstallGoodsProcesses();
  InstallPassengerProcesses();
  // The delete notices take the place of the goods driver's own: they call those and more.
  InstallDeleteHooks();
  step_hooks::DevelopmentTick = [] { ::DevelopmentTick(DevelopmentPhase); };
  step_hooks::UpdateBuildingsTick = [] { ::UpdateBuildingsTick(UpdateBuildings); };
  building_hooks::UpdateCompanyBuildingLevel = ::UpdateCompanyBuildingLevel;
  industry_size_hooks::GrowIndustry = ::GrowIndustry;
  industry_size_hooks::ShrinkIndustry = ::ShrinkIndustry;
  development_hooks::TriggerNewsEvent = TriggerNewsEvent;
  RegisterWorldPart({"world development", ResetWorldDevelopment, HashDevelopment});
  step_hooks::PlaceTownBuildings = [] { PP_Placebuilding(PlaceBuildingProcess); };
  placement_hooks::StreetDeleted = [](uint32_t way) { PP_StreetDeleted(PlaceBuildingProcess, way); };
  RegisterWorldPart({"town building placement", [] { ResetPlaceBuilding(PlaceBuildingProcess); },
                     [](THashWriter& h) { HashPlaceBuilding(PlaceBuildingProcess, h); }});
  step_hooks::UpdateParticles = UpdateParticles;
  RegisterWorldPart({"particles", ResetParticles, HashParticles});
  InstallPlaneProcess();
  command_handlers::Handlers.PlaceSignal = SignalCommand<PlaceSignal>;
  command_handlers::Handlers.RemoveSignal = SignalCommand<RemoveSignal>;
  // Water transport: the ships' tick and the water tools' handlers.
  step_hooks::MoveShip = ::MoveShip;
  InstallShipHandlers();
  InstallCommandHandlers();
  InstallAmbientProcesses();
  ui_hooks::TutorialEvent = ::TutorialEvent;
  RegisterWorldPart({"tutorial", ResetTutorial, HashTutorial});
}
