// The game's world state: calendar, players, towns, type tables, terrain maps, switches and options.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/base/types.h"

#pragma pack(push, 1)

// One year of a player's finances (232 bytes), at these offsets:
//   0 Balance, 10 GoodsValueA, 14 GoodsValueB, 28 Year, 32 RailStats, 104 RoadStats,
//   192 CreditInterest .. 228 RoadLength.
// The two floats after the balance are read by the goods events only (value A / (value B + 1)).
constexpr int kFinanceStatCount = 18;
constexpr int kFinanceConstructionStat = 8;  // entry 9 of a statistics group: construction cost
// Entries 11 to 13: vehicles bought, their monthly running costs, their costs per distance driven.
constexpr int kFinanceVehiclePurchaseStat = 10;
constexpr int kFinanceVehicleMonthlyStat = 11;
constexpr int kFinanceVehicleDistanceStat = 12;
struct TYearFinance {
  Extended80 Balance;                 // cash
  float GoodsValueA;
  float GoodsValueB;
  uint8_t Reserved18[10];
  uint16_t Year;
  uint8_t Reserved30[2];
  float RailStats[kFinanceStatCount];  // income and cost statistics of the rail category
  float RoadStats[kFinanceStatCount];  // the same for the road category
  uint8_t Reserved176[16];
  float CreditInterest;     // booked this year (negative)
  float OverdraftInterest;  // booked this year (negative)
  float InterestIncome;     // earned this year (positive)
  float Prizes;             // prize money and money refills
  float BuildingValue;
  float WayValue;
  float VehicleValue;
  float Credit;             // bank credit
  float RailLength;
  float RoadLength;
};
static_assert(sizeof(TYearFinance) == 232);

// A player (1,528 bytes).
struct TPlayer {
  ShortString<30> Name;
  ShortString<30> FirmName;
  uint8_t Pad0[2];
  uint32_t CameraFollowVehicle;  // the vehicle the camera follows (0 none)
  uint32_t CameraFollowVehicle2; // cleared together with it
  TPlacement Camera;
  Extended80 Money;
  Extended80 PrevCost;           // pre-booked costs
  uint8_t CameraFollowing;       // 1 while following
  uint32_t CompanyBuilding;      // the player's company building (0 none)
  int32_t DeadlineYear;          // bankruptcy deadline (0 none)
  int32_t DeadlineMonth;
  uint8_t CreditRefusedShown;    // the refusal was shown; cleared by the next grant
  uint8_t Reserved[238];
  TYearFinance Finances[5];      // the current year first
};
static_assert(sizeof(TPlayer) == 1528);

// The first two of the player's reserved bytes: the number of the player's colour (a row of the
// owner colours, from 1) and of the player's logo (a row of LogoPictures, from 1).
constexpr size_t kPlayerColourNumberByte = 0, kPlayerLogoNumberByte = 1;
inline uint8_t PlayerColourNumber(const TPlayer& p) { return p.Reserved[kPlayerColourNumberByte]; }
inline uint8_t PlayerLogoNumber(const TPlayer& p) { return p.Reserved[kPlayerLogoNumberByte]; }

// The finance categories of the statistics groups: a vehicle base type or a way's use 0 (road)
// books into the road group, 1 (rail) into the rail group.
constexpr uint8_t kFinanceRail = 1;
constexpr uint8_t kFinanceRoad = 2;
// The finance category of a vehicle base type or way use; any other value stops the program.
uint8_t VByte(uint8_t baseType);
// The statistics group of a finance category in a year block.
float* FinanceStats(TYearFinance& year, uint8_t category);

// A town (516 bytes).
struct TCity {
  ShortString<255> Name;
  TVector Position;
  Extended80 Budget;
  uint8_t Pad0[2];
  uint32_t IndustryWeights[6];   // industries add their weighted size here
  // By wealth class (0 poor .. 5 military): the inhabitants, the people waiting for a home, and the
  // free homes the building upkeep counted in its last pass.
  int32_t Population[6];
  int32_t Waiting[6];
  int32_t FreeHousing[6];
  uint8_t Era;
  // The building types (1..255) the town may build next, one bit each (type t: bit t % 8 of byte
  // t / 8); read and written through CityWishes and SetCityWish.
  uint8_t WishBits[32];
  uint8_t Reserved[91];
  int32_t Radius;                // the town's extent: its centre zone is 0.3 of it, beyond it nothing is built
  int32_t Size;                  // compared with a building type's maximum town size
  int32_t BaseSize;              // compared with a building type's minimum town size
  int32_t YearValue;             // a year; house types that started before it still suit the town
};
static_assert(sizeof(TCity) == 516 && offsetof(TCity, YearValue) == 512);

// Whether the town may build the building type next (type 1..255).
inline bool CityWishes(const TCity& c, uint8_t type) { return (c.WishBits[type / 8] >> (type % 8)) & 1; }
inline void SetCityWish(TCity& c, uint8_t type, bool wish) {
  const uint8_t bit = static_cast<uint8_t>(1u << (type % 8));
  c.WishBits[type / 8] = static_cast<uint8_t>(wish ? c.WishBits[type / 8] | bit : c.WishBits[type / 8] & ~bit);
}

struct TWinCondition {
  uint8_t Kind;
  uint8_t Quantity;
  Extended80 Threshold;
};
static_assert(sizeof(TWinCondition) == 12);

struct TGameSettings {
  uint8_t VehicleSetting;  // read by the vehicle logic
  uint8_t EconomyMode;
  uint8_t Level;           // difficulty
  uint8_t Fourth;
  uint8_t RepayLocalOnly;  // the bank repays credit out of large balances for the local player only
  int32_t EndYear, EndMonth;
  float PrizeAmounts[3];
  int32_t PrizeYear;
  int32_t TicksPerDay;     // ticks of a game day; 0 or less: the calendar stands still
  uint8_t WinConditionCount;
  uint8_t WinConditionMode;
  TWinCondition WinConditions[5];
  uint8_t Reserved95;
  // The first convoy of a player to reach the second halt of its schedule earns the bonus of its
  // kind, once per game: the bonus and the player who took it (0 nobody yet).
  float RoadFirstArrivalBonus;
  uint8_t RoadBonusTaker;
  float RailFirstArrivalBonus;
  uint8_t RailBonusTaker;
};
static_assert(sizeof(TGameSettings) == 106);

struct TGraphicsCaps {
  uint8_t StencilWanted;
  uint8_t VertexArrays;
  uint8_t ArbMultitexture;
  uint8_t ExtCompiledVertexArray;
  uint8_t NvVertexArrayRange;
};

// The weather record; the renderer reads the light, intensity, sky colour, ambient ceiling and
// light factor. The weather step (UpdateWeather) keeps the state, the intensity and the values
// derived from it; its names for them are given beside each field.
struct TWeather {
  TVector LightDirection;     // unit length
  TVector RawLightDirection;
  TVector ParticleDrift;
  uint8_t Kind;               // State: the weather aimed at (0 clear, 2 and 3 rain; 5 also counts as rain)
  uint8_t PreviousKind;       // Reached: the state whose intensity has been fully reached
  float Intensity;            // 0.0 clear .. 1.0 full rain
  int32_t IntensityLevel;     // the intensity in steps (tenths while rain builds, 25ths while it clears)
  float IntensityStep;        // Step: the change of the intensity per update
  float Value4;
  uint8_t Byte1;
  uint8_t Colour[4];
  float SkyColour[4];         // red, green, blue, alpha; also the fog colour
  float AmbientCeiling;       // Light: 0.666 - 0.13 x intensity
  float LightFactor;          // Fog: intensity x 4.0 + the base
  float BaseLightFactor;      // FogBase
  uint8_t Byte2;              // SkyTone: 80 - round(intensity x 50)
  float ViewDistance1;        // FogFar: half the view range
  float ViewDistance2;        // FarDistance: the view range less one map cell
  int32_t NextChange;         // GameTime of the next weather change; 0 before the first update
  uint8_t Raining;            // 1 while the state or the reached state is a rain state
};

// A goods type (124 bytes).
struct TGoodsType {
  ShortString<43> NameKey;   // shown through Translate
  int32_t WeightPerUnit;
  int32_t VolumePerUnit;
  float TransportFactor;
  float ConsumerValue;       // above 0 for goods that towns buy
  int32_t MaxAge;            // ticks
  float MaxTransportTime;
  float DemandFactors[6];    // by wealth class
  float PriceLimits[6];      // by wealth class
  uint32_t BoomEnd;          // the tick at which a boom or slack ends
  uint8_t GoodsInfoKind;     // 0 goods, 1 passengers
  uint8_t GoodsAttractivity; // 0 normal, 1 booming, 2 slack
  uint8_t Pad[2];
};
struct TIndustryType { uint8_t Bytes[136]; };
struct TIndustryTypeEntry { uint8_t Bytes[24]; };
// The game's building type (3,376 bytes); the units that read it name its fields.
struct TBuildingType { uint8_t Bytes[3376]; };
// The game's vehicle type (1,444 bytes).
struct TVehicleType { uint8_t Bytes[1444]; };
struct TBuildingCount { uint8_t Bytes[5]; };
struct TCompiledScript {
  uint8_t Bytes[56];
  uint32_t Code;  // handle of the script image (0 none)
};
static_assert(sizeof(TGoodsType) == 124 && sizeof(TIndustryType) == 136 && sizeof(TBuildingType) == 3376);
static_assert(offsetof(TGoodsType, BoomEnd) == 116 && offsetof(TGoodsType, GoodsInfoKind) == 120);
static_assert(sizeof(TVehicleType) == 1444 && sizeof(TCompiledScript) == 60);
// The game's ship type: the fields the ship movement and the harbour previews read.
struct TShipType {
  uint32_t Mesh;             // TMeshdata2 index; 0 none
  float MaxSpeed;
  float Smoothing;           // 0..1: how much of a change of height and pitch a tick takes over
  float AccelerationDivisor; // one speed step is 1 / divisor
  float FrontLength;         // reference point to bow
  float RearLength;
  float HeightOffset;        // hull above the slipway
  float Width;
};
static_assert(sizeof(TShipType) == 32);

#pragma pack(pop)

constexpr int kMapSize = 1024;
constexpr int kGameOptionBytes = 512;

// Calendar
extern uint32_t GameTime;
extern int32_t GameMonth, GameDay, GameYear;
extern uint8_t NewMonth, NewYear;
extern int32_t TicksPerYear;              // ticks of a game year
extern const uint8_t DaysInMonth[12];     // 31 28 31 30 31 30 31 31 30 31 30 31
// The ticks of a year of the running calendar: GameSettings.TicksPerDay times the days of the
// twelve months (365, no leap years); 0 while the calendar stands still. A running game sets
// TicksPerYear from it; the editors leave TicksPerYear at 0.
int32_t CalendarTicksPerYear();
// GameTime runs from 0 to kGameTimeLast and then starts again at 0.
constexpr uint32_t kGameTimeLast = 314000000;
// True once GameTime has reached tick At, also across the restart at 0: At may lie past
// kGameTimeLast (a time plus a delay), and a tick up to half the cycle behind counts as reached.
bool GameTimeReached(int64_t At);

// Players and towns
extern TPlayer Players[11];  // 1..10
// True for a player number 1..10 (0 is nobody, above 10 no player).
inline bool IsPlayerNumber(uint32_t n) { return n >= 1 && n <= 10; }
extern uint8_t PlayerCount, ActPlayer, LocalPlayer, ActCity;
extern TCity Cities[101];    // 1..100
extern int32_t CityCount;
void CityWayRemoved();

// Type tables
extern TGoodsType GoodsTypes[53];  // 1..52
extern uint8_t GoodsTypeCount, PsgrGoodType;
extern TIndustryType IndustryTypes[53];  // 1..52
extern TIndustryTypeEntry IndustryTypeEntries[100];
extern TBuildingType BuildingTypes[256];  // 1..255
extern uint8_t BuildingTypeCount;
extern TBuildingCount BuildingsPerType[256];  // 1..255
extern uint16_t SpecialBuildingTypes[10];
extern TVehicleType VehicleTypes[256];  // 1..255
extern TShipType ShipTypes[256];  // 1..255
extern int32_t VehicleTypeCount;
extern TCompiledScript CompiledScripts[101];  // 1..100

// Terrain maps [x][z]
extern int16_t HeightMap[kMapSize][kMapSize];
extern uint8_t GroundMap[kMapSize][kMapSize];
extern int8_t WaterMap[kMapSize][kMapSize];
extern uint8_t CellFlags[kMapSize][kMapSize];
extern int8_t ShadingMap[kMapSize][kMapSize];

// Switches and settings
extern uint8_t GameRunning, RunMode;
extern uint8_t SimSwitches[9];
extern uint8_t FreeBuildMode, EconomyHold, MoneyRefill;
extern uint32_t EconomyHoldCount;
// The game's flag bits (GameFlags: 0x400 every new town car takes the special car type) and flag
// byte; the game sets them, nothing in the step changes them.
extern uint16_t GameFlags;
extern uint8_t GameFlagByte;
extern uint8_t LocalWorldChanged;
extern uint8_t LandscapeDirty;  // terrain, ground or sky changed; 1 at start-up
extern int32_t TrafficLightPeriod, ViewRange;
extern uint32_t TextureFrameCount;
extern uint8_t CurveCommandsOn;
extern int32_t CurveSegments;
extern TGraphicsCaps GraphicsCaps;
extern TGameSettings GameSettings;
extern uint8_t GameOptions[kGameOptionBytes];
constexpr int kLanguageNameOption = 26;  // bytes 26..33: String[7]
std::string LanguageName();
void SetLanguageName(const std::string& name);

// Further globals
extern TWeather Weather;
extern TVector MouseRay;
extern float ViewFrustum[4];  // left, right, bottom, top at the near plane
extern float CameraPlanes[6][4];
extern float LightScale, AmbientLight;
extern uint16_t CompanyBuildingType;
extern uint16_t StandardTextures[16];
extern uint32_t OwnerMarkerMesh;
extern uint16_t LogoPictures[33];
extern uint16_t PictureTextures[257];
extern uint16_t CursorTable[32];

// The status lines of the incremental processes: 0 the goods driver, 1 the town building
// placement, 3 the world development, 4 the building upkeep.
extern ShortString<50> ProcessStatus[5];

// Folders
extern ShortString<255> Base_DIR;
extern ShortString<255> Work_DIR;

// The unit start; runs once before main. Tests call ResetWorldState to get the start state again.
void InitDatabase();
void ResetWorldState();
