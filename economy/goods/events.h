// Goods events: goods types that boom or go slack for a while (they earn more or less) and, once a
// year, an industry that would like to work with the player. The goods driver runs the step once
// per tick; the announcements go to the debug log as warnings.
#pragma once

#include <cstdint>

constexpr int kGoodsEventCandidates = 20;

// The process record of the goods events.
struct TGoodsEvent {
  uint32_t IndustryCursor;                       // the last industry looked at
  uint32_t Candidates[kGoodsEventCandidates];    // industries collected this year
  uint8_t CandidateCount;
  uint32_t NextEventTick;                        // the tick of the next boom or slack; 0 to be drawn
  uint8_t Phase;                                 // 0 waiting for a new year, 1 collecting, 2 announcing
};

extern TGoodsEvent GoodsEvent;

// One step (nothing while RunMode is 4): draws the tick of the next event, ends the booms whose
// time is up, makes a goods type boom or go slack at the event's tick, and works the yearly
// industry offer one industry at a time.
void GoodsEventStep(TGoodsEvent& e);
// Drops every occurrence of the industry from the candidates (outside phase 0).
void EventIndustryDeleted(TGoodsEvent& e, uint32_t industry);
// The record of a new game.
void ResetGoodsEvent();
