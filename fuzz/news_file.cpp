// The news on an arbitrary news file: it is named as the news file (its dates taken), and every
// kind of report is composed from it with placeholders that name towns, stations and players in
// and out of range. Nothing of it may stop the program but the ini reader's own refusal of a
// file too long.
#include <cstddef>
#include <cstdint>

#include "economy/messages/news.h"
#include "economy/messages/newspaper.h"
#include "engine/base/worldstate.h"
#include "fuzz/file_host.h"

using fuzz_files::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = fuzz_files::Start();
  (void)started;
  fuzz_files::WriteInput("NEWS.INI", data, size);
  ResetNews();
  ResetNewspaper();
  GameRunning = 1;
  CityCount = 1;
  Cities[1].Name = "Town";
  GameDay = 1;
  GameMonth = 1;
  GameYear = 1960;
  if (fuzz_files::StoppedFatally([] {
        SetNewsFile("news.ini");
        for (uint8_t kind = 0; kind < kNewsEventKinds; ++kind) {
          TriggerNewsEvent(kind, 1, 0, 0x40490fd0u, 1, 7, kind % 12);
          CloseNewspaperWindow();
        }
        NewsTick();
      }))
    return 0;
  Check(DateEventCodes.Count <= kDateEventRoom, "at most 100 dates");
  Check(NewspaperQueue.Count <= kNewspaperQueueRoom, "at most 100 pages wait");
  Check(TickerLines.Count <= kTickerRoom, "at most 20 ticker lines wait");
  return 0;
}
