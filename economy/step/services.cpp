#include "economy/step/services.h"

#include "economy/messages/news.h"
#include "economy/money/finances.h"
#include "economy/town/stations.h"
#include "network/construction/buildings.h"
#include "network/track/schedules.h"
#include "network/track/stations.h"
#include "economy/step/tick.h"
#include "economy/step/worldstate_hash.h"

void InstallEconomyServices() {
  building_hooks::BookMoney = BookMoney;
  building_hooks::TriggerNewsEvent = TriggerNewsEvent;
  building_hooks::NearestCity = NearestCity;
  station_hooks::NameStation = ::NameStation;
  step_hooks::ScheduleTick = ScheduleTick;
  RegisterWorldPart({"schedules", [] { ScheduleTickCursor = 0; }, [](THashWriter& h) { h.U32(ScheduleTickCursor); }});
}
