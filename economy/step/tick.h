// The simulation step: one tick of the game world. It advances the tick counter and the calendar,
// runs the monthly and yearly book-keeping, the economy and town processes, every vehicle, the
// news and the queued player commands, always in the same order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TTrain;

// The processes the step runs that live in units of their own. Each starts at doing nothing (MoveOn
// at "not moved") until its unit installs it; tests install recording ones.
namespace step_hooks {
extern void (*ProcessGoods)();          // the goods driver
extern void (*MonthlyGoods)();          // the simple economy's month
extern void (*PlaceTownBuildings)();    // the town building placement process
extern void (*DevelopmentTick)();       // the world development
extern void (*UpdateBuildingsTick)();   // the building upkeep
extern void (*UpdatePassengerRoutes)();
extern void (*GeneratePassengers)();
extern void (*MoveAnimals)();
extern void (*ScheduleTick)();
extern void (*TickBuildingScripts)(uint32_t depot);
extern void (*MoveShip)(uint32_t ship);
// A train's move: PrepareTrain reads its vehicles, MoveOn moves it (true: its vehicles are to be
// placed again); otherwise WriteBackTrainVehicles stores the vehicles PrepareTrain read.
extern void (*PrepareTrain)(TTrain& train, uint32_t index);
extern bool (*MoveOn)(TTrain& train);
extern void (*PlaceTrainVehicles)(TTrain& train, uint8_t mode);
extern void (*WriteBackTrainVehicles)(TTrain& train);
extern void (*ShiftTrainRevenue)(TTrain& train);  // at a new year
extern void (*MovePlanes)();
extern void (*UpdateParticles)();
extern void (*AwardPrizes)();
extern void (*CheckWinConditions)();
extern void (*UpdateCityTraffic)();
// Every hook back to doing nothing.
void InstallDefaults();
// The names of the hooks still doing nothing.
std::vector<std::string> AtDefault();
// True once every process the step calls is built: from then on a debug build's start-up warns
// about each hook still doing nothing (WarnAtDefault).
constexpr bool kEveryProcessBuilt = false;
// "WARNING: Simulation step: NAME is not installed" for each hook still doing nothing.
void WarnAtDefault();
}  // namespace step_hooks

// One simulation step; returns at once while GameRunning is 0.
void GameplayTick();
// The calendar one day on; a new month sets NewMonth, a new year also NewYear.
void NextDay();
// At a new year: every vehicle type sold from this year whose arrival is announced is in the news
// (a train as "NEWVEHICLE-TRAIN", a road vehicle as "NEWVEHICLE-VAN").
void AnnounceVehicleTypes();
// Every player's property values and network lengths of this year, from the finished buildings,
// ways and vehicles of the record store.
void RecalcPlayersProperties();
