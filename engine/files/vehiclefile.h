// The vehicle editor's document: the 7,736-byte vehicle record, and the vehicle file (*.vif) that
// holds a 41-byte name head followed by the record packed with the byte codec (engine/files/rle.h).
// Record and file bytes are little-endian and made field by field at fixed offsets; the gaps
// between fields are never written and stay zero.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/base/types.h"
#include "engine/files/infofile.h"

#pragma pack(push, 1)

// One mesh placement of the vehicle (72 bytes).
using TVehicleMeshRow = TInfoMeshRow;

// One free value for the game (12 bytes).
struct TSpecialValue {
  uint8_t Flag;  // 1 or 0
  uint8_t Gap1[3];
  float FloatValue;
  int32_t IntValue;
};

// The silhouette points a light uses and its coordinate (12 bytes).
struct TLightRange {
  int32_t FirstSil;
  int32_t LastSil;
  int32_t Coord;
};

// The whole vehicle document (7,736 bytes). Offsets in the comments; GapNNNN fields stay zero.
// Flag bytes hold 1 (on) or 0 (off); combo-box fields hold the item index (-1 for none).
struct TVehicleInfo {
  TLanguageName Names[20];           //    0  the vehicle's name per language
  uint8_t VehicleType;               // 1640  0 Car, 1 Train, 2 Plane, 3 Ship
  uint8_t Gap1641[1];
  uint16_t StartYear;                // 1642
  uint16_t LastYear;                 // 1644
  uint8_t Gap1646[2];
  int32_t PassengerCapacity;         // 1648
  int32_t Prerequisites[4];          // 1652  item indices, 0 = "Nothing"
  TVector BoundCorners[4];           // 1668
  float BoundTop;                    // 1716
  float BoundBottom;                 // 1720
  ShortString<40> ScriptFile;        // 1724  the *.mas file, relative to the vehicles folder
  uint8_t Gap1765[95];
  int32_t Horsepower;                // 1860
  int32_t Weight;                    // 1864  kg
  float MaxSpeed;                    // 1868  1/20 km/h
  float CopLength;                   // 1872  front of vehicle to front axle
  float AxLength;                    // 1876  distance between the axles
  float CopLength2;                  // 1880  back axle to end of vehicle
  TVector Points[5];                 // 1884
  TVehicleMeshRow Meshes[5];         // 1944
  int32_t Price;                     // 2304
  int32_t CostsPerYear;              // 2308
  TSpecialValue SpecialValues[10];   // 2312
  ShortString<30> NextVehicle1;      // 2432
  ShortString<30> NextVehicle2;      // 2463
  uint8_t Gap2494[93];
  uint8_t AtEnd;                     // 2587
  float WheelSize;                   // 2588  1/10 m
  float BrakeSpeed;                  // 2592
  uint8_t Smoking;                   // 2596
  uint8_t Gap2597[3];
  int32_t SmokeType;                 // 2600
  TVector SmokePosition;             // 2604
  ShortString<30> Sounds[6];         // 2616  start, off, before acceleration, prebraking, braking, moving
  uint8_t Gap2802[2];
  int32_t MotorSoundType;            // 2804
  int32_t GearCount;                 // 2808
  float GearFrom[6];                 // 2812
  float GearChange[6];               // 2836
  float SpeedToSteps;                // 2860
  int32_t LoadingWeight;             // 2864
  int32_t Volume;                    // 2868  litres
  uint8_t GoodsMixable;              // 2872
  uint8_t Gap2873[123];
  uint32_t Version;                  // 2996  major * 256 + minor; compare as signed
  float CostsPerKm;                  // 3000
  int32_t EngineType;                // 3004
  ShortString<20> GoodsNames[12];    // 3008
  ShortString<30> GoodsMeshes[12];   // 3260
  float SoundMinFactor;              // 3632
  float SoundMaxFactor;              // 3636
  float SoundBase;                   // 3640
  uint8_t TrainHead;                 // 3644
  uint8_t B1;                        // 3645
  uint8_t B2;                        // 3646
  uint8_t B3;                        // 3647
  uint8_t AddOn;                     // 3648
  uint8_t LightActive[3];            // 3649
  TVector LightSilhouette[51];       // 3652
  TLightRange LightRanges[3];        // 4264
  float LightCones[3][2];            // 4300  per light: cone length "Simple", "Stencil"
  uint8_t GoodsValues[12];           // 4324
  uint8_t Semitrailer;               // 4336
  uint8_t Gap4337[3399];
};

#pragma pack(pop)

static_assert(sizeof(TSpecialValue) == 12 && offsetof(TSpecialValue, FloatValue) == 4);
static_assert(sizeof(TLightRange) == 12);
static_assert(sizeof(TVehicleInfo) == 7736);
static_assert(offsetof(TVehicleInfo, VehicleType) == 1640 && offsetof(TVehicleInfo, StartYear) == 1642 &&
              offsetof(TVehicleInfo, PassengerCapacity) == 1648 && offsetof(TVehicleInfo, BoundCorners) == 1668 &&
              offsetof(TVehicleInfo, ScriptFile) == 1724 && offsetof(TVehicleInfo, Horsepower) == 1860 &&
              offsetof(TVehicleInfo, Points) == 1884 && offsetof(TVehicleInfo, Meshes) == 1944 &&
              offsetof(TVehicleInfo, Price) == 2304 && offsetof(TVehicleInfo, SpecialValues) == 2312 &&
              offsetof(TVehicleInfo, NextVehicle1) == 2432 && offsetof(TVehicleInfo, NextVehicle2) == 2463 &&
              offsetof(TVehicleInfo, AtEnd) == 2587 && offsetof(TVehicleInfo, Smoking) == 2596 &&
              offsetof(TVehicleInfo, SmokeType) == 2600 && offsetof(TVehicleInfo, Sounds) == 2616 &&
              offsetof(TVehicleInfo, MotorSoundType) == 2804 && offsetof(TVehicleInfo, GearFrom) == 2812 &&
              offsetof(TVehicleInfo, GearChange) == 2836 && offsetof(TVehicleInfo, GoodsMixable) == 2872 &&
              offsetof(TVehicleInfo, Version) == 2996 && offsetof(TVehicleInfo, GoodsNames) == 3008 &&
              offsetof(TVehicleInfo, GoodsMeshes) == 3260 && offsetof(TVehicleInfo, SoundMinFactor) == 3632 &&
              offsetof(TVehicleInfo, TrainHead) == 3644 && offsetof(TVehicleInfo, LightActive) == 3649 &&
              offsetof(TVehicleInfo, LightSilhouette) == 3652 && offsetof(TVehicleInfo, LightRanges) == 4264 &&
              offsetof(TVehicleInfo, LightCones) == 4300 && offsetof(TVehicleInfo, GoodsValues) == 4324 &&
              offsetof(TVehicleInfo, Semitrailer) == 4336 && offsetof(TVehicleInfo, Gap4337) == 4337);

constexpr int32_t kVehicleInfoSize = 7736;
constexpr int32_t kVehicleInfoVersion = 2560;  // 10.0, written by this program
constexpr int32_t kVehicleHeadSize = kInfoHeadSize;  // String[40] name head of a *.vif
// The most stream a vehicle file may hold (four times the record), also the pack buffer's size.
constexpr int32_t kVehicleStreamLimit = 4 * kVehicleInfoSize;  // 30,944
// The bound of the decode that checks a freshly packed record (twice the record).
constexpr int32_t kVehicleCheckSize = 2 * kVehicleInfoSize;    // 15,472

using TVehicleInfoBytes = std::array<uint8_t, kVehicleInfoSize>;

// The vehicle file in the frame of the document files: a stream that decodes past the record is
// cut to the record.
constexpr TInfoFileFormat kVehicleFileFormat{"vehicle", kVehicleInfoSize, false};

// The record the editor saves under the name "***"; the 3D view draws the lights from it.
extern TVehicleInfo TestVehicleInfo;

// The record's bytes, field by field; every gap and every character past a text's length zero.
TVehicleInfoBytes VehicleInfoToBytes(const TVehicleInfo& info);
// A fresh record from bytes, field by field; gaps and characters past a text's length stay zero.
TVehicleInfo VehicleInfoFromBytes(const TVehicleInfoBytes& bytes);

// Packs the record's bytes into `stream`. False, with a message, when the codec refuses them.
bool PackVehicleInfo(const TVehicleInfo& info, std::vector<uint8_t>& stream, std::string* error = nullptr);
// The save check: decodes `stream` (bounded by kVehicleCheckSize, missing bytes zero) and compares
// its first 7,736 bytes with the record's bytes. -1 when they agree, else the first position
// that differs.
int32_t VehicleStreamMismatch(const uint8_t* stream, size_t size, const TVehicleInfo& info);
// Decodes a record stream into `info`: at most kVehicleStreamLimit bytes of it are read, bytes past
// 7,736 are dropped and a stream that ends early leaves the rest zero. A corrupt stream is
// refused with a message and leaves `info` as it was.
bool UnpackVehicleInfo(const uint8_t* stream, size_t size, TVehicleInfo& info, std::string* error = nullptr);

// Writes a vehicle file: the 41 bytes of `head`, then `stream`. The bytes go into a temporary file
// beside the target (its name + kVehicleTempSuffix), which then replaces the target; when anything
// fails the temporary file is removed and the target stays as it was.
constexpr const char* kVehicleTempSuffix = kInfoTempSuffix;
bool WriteVehicleFile(const std::string& path, const ShortString<40>& head, const std::vector<uint8_t>& stream,
                      std::string* error = nullptr);
// Packs `info` and writes it under `head`. Nothing is written when the record cannot be packed.
bool SaveVehicleFile(const std::string& path, const ShortString<40>& head, const TVehicleInfo& info,
                     std::string* error = nullptr);
// Reads a vehicle file into `info` (and its head into *head when given). A file that cannot be
// read, is shorter than its head, or holds a corrupt stream is refused with a message and
// leaves `info` and *head as they were.
bool LoadVehicleFile(const std::string& path, TVehicleInfo& info, ShortString<40>* head = nullptr,
                     std::string* error = nullptr);
// Reads only the name head of a vehicle file (its length byte and that many characters, at most
// 40), as the file list shows it.
bool ReadVehicleFileHead(const std::string& path, ShortString<40>& head, std::string* error = nullptr);
