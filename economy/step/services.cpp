#include "economy/step/services.h"

#include "economy/messages/news.h"
#include "economy/money/finances.h"
#include "economy/step/commands.h"
#include "economy/step/tick.h"
#include "economy/step/worldstate_hash.h"
#include "economy/town/stations.h"
#include "network/construction/buildings.h"
#include "network/construction/signals.h"
#include "network/track/schedules.h"
#include "network/track/stations.h"

namespace {
// The signal commands take the picked point at the start of their payload.
template <void (*Command)(const TVector&, TConstructResult&)>
void SignalCommand(const TCommandPayload& payload, TConstructResult& r) {
  Command(UnpackCommandArgs<TSignalArgs>(payload).Point, r);
}
}  // namespace

void InstallEconomyServices() {
  building_hooks::BookMoney = BookMoney;
  building_hooks::TriggerNewsEvent = TriggerNewsEvent;
  building_hooks::NearestCity = NearestCity;
  station_hooks::NameStation = ::NameStation;
  step_hooks::ScheduleTick = ScheduleTick;
  RegisterWorldPart({"schedules", [] { ScheduleTickCursor = 0; }, [](THashWriter& h) { h.U32(ScheduleTickCursor); }});
  command_handlers::Handlers.PlaceSignal = SignalCommand<PlaceSignal>;
  command_handlers::Handlers.RemoveSignal = SignalCommand<RemoveSignal>;
}
