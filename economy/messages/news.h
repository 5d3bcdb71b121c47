// News: game events are reported here, matched against the items of the news file and shown as a
// newspaper page or a ticker line, with the names of towns, stations, players and firms filled in.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/types.h"

constexpr uint8_t kNewsGag = 0, kNewsDate = 1, kNewsNewRoute = 2, kNewsFirstBus = 3;
constexpr uint8_t kNewsIndustryGrows = 9, kNewsIndustryLooses = 10;
constexpr uint8_t kNewsNewTrain = 13, kNewsNewVan = 14;
constexpr int kNewsEventKinds = 17;
extern const char* const EventKindNames[kNewsEventKinds];

constexpr int kNewsBlockRoom = 250;
constexpr int kDateEventRoom = 100;
constexpr int32_t kGagPause = 18000;  // ticks between gags: this plus up to this again
// The news file the game reads unless told another (through SetNewsFile).
constexpr const char* kDefaultNewsFile = "newspaper\\news.ini";

// A block of remembered once-only events.
class TNewsEventBlock {
 public:
  struct Entry {
    uint8_t Kind;
    uint32_t P[5];  // P1..P5
  };
  uint8_t Count = 0;
  Entry Entries[kNewsBlockRoom]{};
};
// Only grows while the unit lives.
extern std::vector<std::unique_ptr<TNewsEventBlock>> NewsEventList;

extern int32_t NextGimmickTick;
extern int32_t LastNewsDay;
struct TDateEventCodes {
  uint8_t Count;
  uint32_t Codes[kDateEventRoom];  // year * 1000 + month * 50 + day
};
extern TDateEventCodes DateEventCodes;
extern ShortString<255> NewsFileName;

// A report: Kind and P1..P6 (first and second station, vehicle type or a number, first and second
// town, the player who raised it). Nothing while GameRunning is 0.
void TriggerNewsEvent(uint8_t kind, uint32_t p1, uint32_t p2, uint32_t p3, uint32_t p4, uint32_t p5, uint32_t p6);
// Finds the report's item in the news file and shows it (the first qualifying item only).
void ComposeNews(uint8_t kind, const uint32_t (&p)[6]);
// Once per simulation step: date news, the next queued newspaper page, now and then a gag.
void NewsTick();
void ResetNewsTimer();
bool IsNewNewsEvent(uint8_t kind, uint32_t p1, uint32_t p2, uint32_t p3, uint32_t p4, uint32_t p5);
void RememberNewsEvent(uint8_t kind, uint32_t p1, uint32_t p2, uint32_t p3, uint32_t p4, uint32_t p5);

// Names the news file and takes the dates of its date items as the days of date news. A missing
// or empty file is reported once (here or at the first news) and makes no news.
void SetNewsFile(const std::string& name);
// The unit start again: no events remembered, no dates, the default news file, timers at 0.
void ResetNews();

// The item's text with its placeholders filled in for the report (before upper-casing).
std::string FillNewsPlaceholders(std::string text, uint8_t kind, const uint32_t (&p)[6]);
