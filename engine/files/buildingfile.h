// The building editor's document: the 9,436-byte building record, and the building file (*.bif)
// that holds a 41-byte name head followed by the record packed with the byte codec, in the frame
// the vehicle file shares (engine/files/infofile.h). Record bytes are little-endian and made field
// by field at fixed offsets; gaps and the reserved tail are never written and stay zero.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/base/types.h"
#include "engine/files/infofile.h"

#pragma pack(push, 1)

// One way of a building: four point numbers and its kind (5 bytes).
struct TBuildingWay {
  uint8_t Points[4];
  uint8_t Kind;  // 0 "2-end-street", 1 "4-end-street", 2 "2-end-rail", 3 "3-end-router", 4 "4-end-router"
};

// One node of a building (16 bytes); its "Scripted" flag lies in the record's own array.
struct TBuildingNode {
  TVector Position;
  uint8_t Next1, Next2;  // node numbers, 0 = none
  uint8_t Station;       // 1 or 0
  uint8_t Switcher;      // 1 or 0
};

// The whole building document (9,436 bytes). Offsets in the comments; GapNNNN fields stay zero.
// Flag bytes hold 1 (on) or 0 (off); combo-box fields hold the item index cut to the field's
// width (no selection: 255 in a u8, -1 in an i32).
struct TBuildingInfo {
  TLanguageName Names[20];          //    0  the building's name per language
  uint8_t BuildingType;             // 1640  0 "House" .. 13 "Pseudoindustry"
  uint8_t Gap1641[1];
  uint16_t StartYear;               // 1642
  uint16_t LastYear;                // 1644
  uint8_t Gap1646[2];
  int32_t MinCitySize;              // 1648
  int32_t MinIndustrySize;          // 1652
  int32_t Storeys;                  // 1656  the field labelled "storeys"
  uint8_t Wealth;                   // 1660  0 "Poor" .. 5 "Military"
  uint8_t Gap1661[3];
  int32_t MaxInhabitants;           // 1664
  uint8_t FixedSize;                // 1668
  uint8_t Gap1669[19];
  TVector BoundCorners[4];          // 1688
  float BoundTop;                   // 1736
  float BoundBottom;                // 1740
  uint8_t Fronts[4];                // 1744  sides 1..4
  ShortString<40> ScriptFile;       // 1748  the *.mas file, beside the building file
  uint8_t Gap1789[3];
  TVector Points[30];               // 1792
  uint8_t GeneratorPoint;           // 2152
  uint8_t UsedWays;                 // 2153  the checked ways, stored first
  TBuildingWay Ways[20];            // 2154
  uint8_t Gap2254[2];
  TInfoMeshRow Meshes[30];          // 2256  Near 1..10, Mid 11..20, Far 21..30
  int32_t Costs;                    // 4416  -1 = cannot be built
  int32_t DestructionCosts;         // 4420  -1 = cannot be destroyed
  ShortString<20> Style;            // 4424
  uint8_t Location;                 // 4445  0 "Central" .. 4 "Coast"
  uint8_t Placement;                // 4446  0 "Not at corner" .. 2 "Also at corner"
  uint8_t Smoking;                  // 4447
  int32_t SmokeType;                // 4448
  TVector SmokePosition;            // 4452
  uint32_t Version;                 // 4464  major * 256 + minor
  TBuildingNode Nodes[100];         // 4468
  uint8_t Wayed;                    // 6068
  uint8_t Gap6069[3];
  int32_t Waypoint1;                // 6072  point numbers
  int32_t Waypoint2;                // 6076
  int32_t WayType;                  // 6080  0 "None", 1 "Rail", 2 "Road"
  int32_t ExitNode;                 // 6084
  int32_t DepotNode;                // 6088
  int32_t ParkingSlots;             // 6092
  uint8_t NirvanaDepot;             // 6096
  uint8_t Gap6097[3];
  float SlotLength;                 // 6100
  uint8_t NodeScripted[100];        // 6104  node k at 6103 + k
  float DepotSpeed;                 // 6204
  uint8_t WayInvisible;             // 6208
  ShortString<40> Sound15Minutes;   // 6209
  uint8_t Play15Minutes;            // 6250
  uint8_t MapUnique;                // 6251  one building of this type per map
  uint8_t CitySpecific;             // 6252
  uint8_t Reserved6253[3183];
};

#pragma pack(pop)

static_assert(sizeof(TBuildingWay) == 5);
static_assert(sizeof(TBuildingNode) == 16 && offsetof(TBuildingNode, Next1) == 12 &&
              offsetof(TBuildingNode, Switcher) == 15);
static_assert(sizeof(TBuildingInfo) == 9436);
static_assert(offsetof(TBuildingInfo, BuildingType) == 1640 && offsetof(TBuildingInfo, StartYear) == 1642 &&
              offsetof(TBuildingInfo, LastYear) == 1644 && offsetof(TBuildingInfo, MinCitySize) == 1648 &&
              offsetof(TBuildingInfo, Storeys) == 1656 && offsetof(TBuildingInfo, Wealth) == 1660 &&
              offsetof(TBuildingInfo, MaxInhabitants) == 1664 && offsetof(TBuildingInfo, FixedSize) == 1668 &&
              offsetof(TBuildingInfo, BoundCorners) == 1688 && offsetof(TBuildingInfo, BoundTop) == 1736 &&
              offsetof(TBuildingInfo, Fronts) == 1744 && offsetof(TBuildingInfo, ScriptFile) == 1748 &&
              offsetof(TBuildingInfo, Points) == 1792 && offsetof(TBuildingInfo, GeneratorPoint) == 2152 &&
              offsetof(TBuildingInfo, UsedWays) == 2153 && offsetof(TBuildingInfo, Ways) == 2154 &&
              offsetof(TBuildingInfo, Meshes) == 2256 && offsetof(TBuildingInfo, Costs) == 4416 &&
              offsetof(TBuildingInfo, Style) == 4424 && offsetof(TBuildingInfo, Location) == 4445 &&
              offsetof(TBuildingInfo, SmokeType) == 4448 && offsetof(TBuildingInfo, SmokePosition) == 4452 &&
              offsetof(TBuildingInfo, Version) == 4464 && offsetof(TBuildingInfo, Nodes) == 4468 &&
              offsetof(TBuildingInfo, Wayed) == 6068 && offsetof(TBuildingInfo, Waypoint1) == 6072 &&
              offsetof(TBuildingInfo, ParkingSlots) == 6092 && offsetof(TBuildingInfo, NirvanaDepot) == 6096 &&
              offsetof(TBuildingInfo, SlotLength) == 6100 && offsetof(TBuildingInfo, NodeScripted) == 6104 &&
              offsetof(TBuildingInfo, DepotSpeed) == 6204 && offsetof(TBuildingInfo, WayInvisible) == 6208 &&
              offsetof(TBuildingInfo, Sound15Minutes) == 6209 && offsetof(TBuildingInfo, Play15Minutes) == 6250 &&
              offsetof(TBuildingInfo, CitySpecific) == 6252 && offsetof(TBuildingInfo, Reserved6253) == 6253);

constexpr int32_t kBuildingInfoSize = 9436;
constexpr uint32_t kBuildingInfoVersion = 2048;  // 8.0, written by this program
using TBuildingInfoBytes = std::array<uint8_t, kBuildingInfoSize>;

// The building file in the frame of the document files: its stream (at most 37,744 bytes) must
// not decode past the record; the check decode of a save runs into 18,872 bytes.
constexpr TInfoFileFormat kBuildingFileFormat{"building", kBuildingInfoSize, true};
// A newer building file is refused with this box; the stored version compares unsigned.
constexpr TInfoVersionRule kBuildingVersionRule{
    kBuildingInfoVersion, false, "8.0", "Loading Cancelled!",
    "ERROR : The file you tried to load has been created with a newer version of this program!"};

// The record's bytes, field by field; every gap and every character past a text's length zero.
TBuildingInfoBytes BuildingInfoToBytes(const TBuildingInfo& info);
// A fresh record from bytes, field by field.
TBuildingInfo BuildingInfoFromBytes(const TBuildingInfoBytes& bytes);

// Reads a building file whole and checks it (ReadInfoFileStrict): refused with a message naming
// the file, leaving `info` and `head` as they were. A stream that decodes to fewer bytes than the
// record leaves the rest zero.
bool ReadBuildingFile(const std::string& path, TBuildingInfo& info, ShortString<40>& head, std::string& error);
// Packs the record, checks that the packed bytes decode back to it and writes the file through a
// temporary file. Otherwise nothing is written, the old file stays whole and `error` says why;
// *mismatch receives the check's first differing position (-1 when it agreed).
bool SaveBuildingFile(const std::string& path, const ShortString<40>& head, const TBuildingInfo& info,
                      std::string& error, int32_t* mismatch = nullptr);
// The building files of a folder ("*.bif" in any letter case) that read whole; every other one is
// left out with its message in `skipped`.
std::vector<InfoListEntry> ListBuildingFiles(const std::string& folder, std::vector<std::string>& skipped);

// The name entry that heads a building file: the first entry whose Language is "English"; with
// none, the position of the item "English" in the language list (of several the last), and entry 0
// when there is none or it lies outside the 20 entries.
int32_t BuildingHeadIndex(const TLanguageName (&names)[20], const std::vector<std::string>& languageItems);
