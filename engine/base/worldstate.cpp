#include "engine/base/worldstate.h"

#include <cstdint>
#include <cstring>

#include "engine/base/diagnostics.h"

uint32_t GameTime;
int32_t GameMonth, GameDay, GameYear;
uint8_t NewMonth, NewYear;
int32_t TicksPerYear;
const uint8_t DaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

int32_t CalendarTicksPerYear() {
  int32_t days = 0;
  for (uint8_t d : DaysInMonth) days += d;
  const int64_t ticks = static_cast<int64_t>(GameSettings.TicksPerDay) * days;
  return ticks <= 0 ? 0 : ticks > INT32_MAX ? INT32_MAX : static_cast<int32_t>(ticks);
}

bool GameTimeReached(int64_t At) {
  // The distance from At to now on the cycle of kGameTimeLast + 1 ticks, folded into one half-cycle
  // either side: not negative once At has come.
  constexpr int64_t cycle = static_cast<int64_t>(kGameTimeLast) + 1;
  int64_t d = (static_cast<int64_t>(GameTime) - At) % cycle;
  if (d < 0) d += cycle;
  if (d >= cycle / 2) d -= cycle;
  return d >= 0;
}

TPlayer Players[11];
uint8_t PlayerCount, ActPlayer, LocalPlayer, ActCity;
TCity Cities[101];
int32_t CityCount;
void CityWayRemoved() {}

TGoodsType GoodsTypes[53];
uint8_t GoodsTypeCount, PsgrGoodType;
TIndustryType IndustryTypes[53];
TIndustryTypeEntry IndustryTypeEntries[100];
TBuildingType BuildingTypes[256];
uint8_t BuildingTypeCount;
TBuildingCount BuildingsPerType[256];
uint16_t SpecialBuildingTypes[10];
TVehicleType VehicleTypes[256];
TShipType ShipTypes[256];
int32_t VehicleTypeCount;
TCompiledScript CompiledScripts[101];

int16_t HeightMap[kMapSize][kMapSize];
uint8_t GroundMap[kMapSize][kMapSize];
int8_t WaterMap[kMapSize][kMapSize];
uint8_t CellFlags[kMapSize][kMapSize];
int8_t ShadingMap[kMapSize][kMapSize];

uint8_t GameRunning, RunMode;
uint8_t SimSwitches[9];
uint8_t FreeBuildMode, EconomyHold, MoneyRefill;
uint16_t GameFlags = 0;
uint8_t GameFlagByte = 0;
uint32_t EconomyHoldCount;
uint8_t LocalWorldChanged;
uint8_t LandscapeDirty;
int32_t TrafficLightPeriod, ViewRange;
uint32_t TextureFrameCount;
uint8_t CurveCommandsOn;
int32_t CurveSegments;
TGraphicsCaps GraphicsCaps;
TGameSettings GameSettings;
uint8_t GameOptions[kGameOptionBytes];

TWeather Weather;
TVector MouseRay;
float ViewFrustum[4];
float CameraPlanes[6][4];
float LightScale, AmbientLight;
uint16_t CompanyBuildingType;
uint16_t StandardTextures[16];
uint32_t OwnerMarkerMesh;
uint16_t LogoPictures[33];
uint16_t PictureTextures[257];
uint16_t CursorTable[32];

ShortString<50> ProcessStatus[5];

ShortString<255> Base_DIR;
ShortString<255> Work_DIR;

std::string LanguageName() {
  auto* s = reinterpret_cast<const ShortString<7>*>(&GameOptions[kLanguageNameOption]);
  return s->str();
}

void SetLanguageName(const std::string& name) {
  auto* s = reinterpret_cast<ShortString<7>*>(&GameOptions[kLanguageNameOption]);
  s->assign(name);
}

void InitDatabase() {
  SYS_DebugOut("Initializing database-variables...");
  LocalWorldChanged = 0;
  TextureFrameCount = 0;
  GameRunning = 0;
  ActPlayer = 1;
  LocalPlayer = 1;
  CurveSegments = 5;
  CurveCommandsOn = 1;
  TrafficLightPeriod = 40;
  ViewRange = 74;
  RunMode = 2;
  GraphicsCaps.StencilWanted = 1;
  GraphicsCaps.ArbMultitexture = 0;
  GraphicsCaps.ExtCompiledVertexArray = 0;
  SetLanguageName("English");
  GameOptions[8] = 1;
  GameOptions[9] = 1;
  GameOptions[13] = 2;
  GameOptions[17] = 1;
  GameOptions[18] = 229;
  GameOptions[20] = 229;
  GameOptions[282] = 0;
  GameOptions[283] = 1;
  for (auto& s : SimSwitches) s = 1;
  FreeBuildMode = 0;
  EconomyHold = 0;
  EconomyHoldCount = 0;
  GameMonth = 1;
  GameSettings.VehicleSetting = 1;
  GameSettings.EconomyMode = 0;
  GameSettings.Level = 3;
  GameSettings.Fourth = 2;
  LandscapeDirty = 1;
}

void ResetWorldState() {
  GameTime = 0;
  GameMonth = GameDay = GameYear = 0;
  NewMonth = NewYear = 0;
  TicksPerYear = 0;
  std::memset(Players, 0, sizeof(Players));
  PlayerCount = ActPlayer = LocalPlayer = ActCity = 0;
  std::memset(Cities, 0, sizeof(Cities));
  CityCount = 0;
  std::memset(GoodsTypes, 0, sizeof(GoodsTypes));
  GoodsTypeCount = PsgrGoodType = 0;
  std::memset(IndustryTypes, 0, sizeof(IndustryTypes));
  std::memset(IndustryTypeEntries, 0, sizeof(IndustryTypeEntries));
  std::memset(BuildingTypes, 0, sizeof(BuildingTypes));
  BuildingTypeCount = 0;
  std::memset(BuildingsPerType, 0, sizeof(BuildingsPerType));
  std::memset(SpecialBuildingTypes, 0, sizeof(SpecialBuildingTypes));
  std::memset(VehicleTypes, 0, sizeof(VehicleTypes));
  std::memset(ShipTypes, 0, sizeof(ShipTypes));
  VehicleTypeCount = 0;
  std::memset(CompiledScripts, 0, sizeof(CompiledScripts));
  std::memset(HeightMap, 0, sizeof(HeightMap));
  std::memset(GroundMap, 0, sizeof(GroundMap));
  std::memset(WaterMap, 0, sizeof(WaterMap));
  std::memset(CellFlags, 0, sizeof(CellFlags));
  std::memset(ShadingMap, 0, sizeof(ShadingMap));
  GameRunning = RunMode = 0;
  std::memset(SimSwitches, 0, sizeof(SimSwitches));
  FreeBuildMode = EconomyHold = MoneyRefill = 0;
  EconomyHoldCount = 0;
  GameFlags = 0;
  GameFlagByte = 0;
  LocalWorldChanged = 0;
  LandscapeDirty = 0;
  TrafficLightPeriod = ViewRange = 0;
  TextureFrameCount = 0;
  CurveCommandsOn = 0;
  CurveSegments = 0;
  GraphicsCaps = {};
  GameSettings = {};
  std::memset(GameOptions, 0, sizeof(GameOptions));
  Weather = {};
  MouseRay = {};
  std::memset(ViewFrustum, 0, sizeof(ViewFrustum));
  std::memset(CameraPlanes, 0, sizeof(CameraPlanes));
  LightScale = AmbientLight = 0;
  CompanyBuildingType = 0;
  std::memset(StandardTextures, 0, sizeof(StandardTextures));
  OwnerMarkerMesh = 0;
  std::memset(LogoPictures, 0, sizeof(LogoPictures));
  std::memset(PictureTextures, 0, sizeof(PictureTextures));
  std::memset(CursorTable, 0, sizeof(CursorTable));
  for (auto& line : ProcessStatus) line = std::string();
  Base_DIR = std::string();
  Work_DIR = std::string();
  InitDatabase();
}

namespace {
struct DatabaseStart {
  DatabaseStart() { InitDatabase(); }
} g_databaseStart;
}  // namespace

uint8_t VByte(uint8_t baseType) {
  if (baseType == 0) return kFinanceRoad;
  if (baseType == 1) return kFinanceRail;
  SYS_BREAKPROGRAM("Error: Unknown VehicleBasetype in function VByte");
}

float* FinanceStats(TYearFinance& year, uint8_t category) {
  return category == kFinanceRail ? year.RailStats : year.RoadStats;
}
