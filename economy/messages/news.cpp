#include "economy/messages/news.h"

#include <cstdio>
#include <cstring>

#include "economy/messages/newspaper.h"
#include "economy/town/randomnames.h"
#include "economy/town/stations.h"
#include "engine/base/diagnostics.h"
#include "engine/base/random.h"
#include "engine/base/text.h"
#include "engine/base/worldstate.h"
#include "engine/files/ini.h"
#include "engine/files/languages.h"
#include "engine/files/repository.h"
#include "engine/world/records.h"

const char* const EventKindNames[kNewsEventKinds] = {
    "GAG",           "DATE",          "NEWRST",        "FIRSTBUSTR",       "KIMSG",          "GOODSINCREASE",
    "GOODSDECREASE", "KIATTACKS",     "KIBANCRUPCY",   "INDUSTGROWS",      "INDUSTLOOSES",   "INDUSTCONTACT",
    "INDUSTGOTOKI",  "NEWVEHICLE-TRAIN", "NEWVEHICLE-VAN", "INCNORMALIZED", "DECNORMALIZED"};

std::vector<std::unique_ptr<TNewsEventBlock>> NewsEventList;
int32_t NextGimmickTick = 0;
int32_t LastNewsDay = 0;
TDateEventCodes DateEventCodes;
ShortString<255> NewsFileName;

namespace {

bool g_missingReported = false;  // the news file's absence (or emptiness) was reported

// Reads the news file into ini; false (reported once per file name) when it is missing or empty.
bool LoadNewsFile(TFastIni& ini) {
  const std::string name = NewsFileName.str();
  const bool exists = !name.empty() && xFileExists(name);
  if (exists) LoadIni(ini, name);
  if (exists && ini.Count > 0) return true;
  if (!g_missingReported)
    SYS_Warning("WARNING: News: the news file \"" + name + "\" is " + (exists ? "empty" : "missing") +
                "; no news is shown");
  g_missingReported = true;
  return false;
}

std::string LanguageText() { return CurrentLanguage != nullptr ? CurrentLanguage->Name : LanguageName(); }
uint16_t LanguageNumber() { return CurrentLanguage != nullptr ? CurrentLanguage->Index : 1; }

std::string DateText(int32_t day, int32_t month, int32_t year) {
  return std::to_string(day) + "." + std::to_string(month) + "." + std::to_string(year);
}

bool TownInRange(uint32_t t) { return t >= 1 && static_cast<int64_t>(t) <= CityCount && t <= 100; }

std::string NoDecimals(long double v) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.0Lf", v);
  return buffer;
}

// The name of a vehicle type: its first field, a String[59].
std::string VehicleTypeName(const TVehicleType& t) {
  const size_t n = t.Bytes[0] < 59 ? t.Bytes[0] : 59;
  return std::string(reinterpret_cast<const char*>(&t.Bytes[1]), n);
}

void Replace(std::string& text, const char* placeholder, bool known, const std::string& value) {
  if (known) ReplaceAll(text, 255, placeholder, value);
}

// "%DATA3FL%" and the digit after it: P3's bits as a float with that many decimals (0 without a
// digit).
void ReplaceFloat(std::string& text, uint32_t bits) {
  static const std::string key = "%DATA3FL%";
  float value;
  std::memcpy(&value, &bits, sizeof value);
  for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at)) {
    size_t length = key.size();
    int32_t digits = 0;
    if (at + length < text.size() && text[at + length] >= '0' && text[at + length] <= '9') {
      digits = text[at + length] - '0';
      ++length;
    }
    const std::string number = FloatToStrDigits(digits, value);
    text.replace(at, length, number);
    at += number.size();
  }
}

// Is the item's year range and, for date news, its date today's?
bool ItemQualifies(TFastIni& ini, const std::string& section, uint8_t kind) {
  const int32_t from = ReadInteger(ini, section, "DATEFROM", 0);
  const int32_t to = ReadInteger(ini, section, "DATETO", 9999);
  if (!(from < GameYear && GameYear < to)) return false;
  if (kind != kNewsDate) return true;
  std::string date;
  ReadString(ini, section, "DATE", "", date);
  return date == DateText(GameDay, GameMonth, GameYear);
}

void ShowItem(TFastIni& ini, const std::string& section, uint8_t kind, const uint32_t (&p)[6]) {
  std::string text;
  ReadString(ini, section, "TEXT" + LanguageText(), "", text);
  RandSeed = SYS_GetTicks();
  text = UpperShort(FillNewsPlaceholders(text, kind, p));
  std::string where, picture;
  ReadString(ini, section, "WHERE", "", where);
  if (where == "NEWSPAPER") {
    ReadString(ini, section, "PICTURE", "", picture);
    ShowNewspaper(text, picture);
  } else {
    AddTickerLine(text);
  }
}

// "d.m.y" to a date code; false when it is no date.
bool DateCode(const std::string& date, uint32_t& code) {
  int d = 0, m = 0, y = 0;
  char end = 0;
  if (std::sscanf(date.c_str(), "%d.%d.%d%c", &d, &m, &y, &end) != 3) return false;
  if (d < 1 || d > 31 || m < 1 || m > 12 || y < 0 || y > 999999) return false;
  code = static_cast<uint32_t>(y) * 1000u + static_cast<uint32_t>(m) * 50u + static_cast<uint32_t>(d);
  return true;
}

}  // namespace

std::string FillNewsPlaceholders(std::string text, uint8_t kind, const uint32_t (&p)[6]) {
  const uint32_t p1 = p[0], p2 = p[1], p3 = p[2], p4 = p[3], p5 = p[4], p6 = p[5];
  const auto station = [](uint32_t index) {
    auto s = std::make_unique<TStation>();
    s->A_Read(index);
    return s->Name.str();
  };
  Replace(text, "%CITY1%", TownInRange(p4), TownInRange(p4) ? Cities[p4].Name.str() : "");
  Replace(text, "%CITY2%", TownInRange(p5), TownInRange(p5) ? Cities[p5].Name.str() : "");
  if (text.find("%STATION1%") != std::string::npos && IsStoredStation(p1)) ReplaceAll(text, 255, "%STATION1%", station(p1));
  if (text.find("%STATION2%") != std::string::npos && IsStoredStation(p2)) ReplaceAll(text, 255, "%STATION2%", station(p2));
  const bool local = IsPlayerNumber(LocalPlayer);
  Replace(text, "%OWNPLAYERNAME%", local, local ? Players[LocalPlayer].Name.str() : "");
  Replace(text, "%OWNFIRMNAME%", local, local ? Players[LocalPlayer].FirmName.str() : "");
  if (text.find("%RANDOMFIRM%") != std::string::npos) {
    std::string name, person;
    MakeRandomName(LanguageNumber(), GameTime, 1, name, 255, person, 255);
    ReplaceAll(text, 255, "%RANDOMFIRM%", name);
  }
  if (text.find("%RANDOMFAMILY%") != std::string::npos) {
    std::string name, person;
    MakeRandomName(LanguageNumber(), GameTime, 0, name, 255, person, 255);
    ReplaceAll(text, 255, "%RANDOMFAMILY%", name);
  }
  const bool raiser = IsPlayerNumber(p6);
  Replace(text, "%EVENTRAISER%", raiser, raiser ? Players[p6].FirmName.str() : "");
  Replace(text, "%PLAYERMONEY%", raiser, raiser ? NoDecimals(Players[p6].Finances[0].Balance.get()) : "");
  Replace(text, "%PLAYERBONDS%", raiser, raiser ? NoDecimals(Players[p6].Finances[0].Credit) : "");
  if (kind == kNewsNewTrain || kind == kNewsNewVan) {
    const bool type = p3 >= 1 && p3 <= 255;
    Replace(text, "%DATA3%", type, type ? Translate(VehicleTypeName(VehicleTypes[p3])) : "");
  } else {
    Replace(text, "%DATA3%", raiser, raiser ? Players[p6].FirmName.str() : "");
  }
  if (p3 != 0) ReplaceFloat(text, p3);
  if (text.size() > 255) text.resize(255);
  return text;
}

void ComposeNews(uint8_t kind, const uint32_t (&p)[6]) {
  auto ini = std::make_unique<TFastIni>();
  if (!LoadNewsFile(*ini)) return;
  if (kind == kNewsGag) {
    const int32_t count = ReadInteger(*ini, "GENERAL", "GIMMICKCOUNT", 0);
    const std::string section = "GIM" + std::to_string(Random(count) + 1);
    if (ItemQualifies(*ini, section, kind)) ShowItem(*ini, section, kind, p);
    return;
  }
  std::string event = kind < kNewsEventKinds ? EventKindNames[kind] : "";
  if (kind == kNewsIndustryGrows || kind == kNewsIndustryLooses) event += std::to_string(Random(3) + 1);
  if (kind == kNewsNewTrain || kind == kNewsNewVan) event += std::to_string(Random(5) + 1);
  const int32_t count = ReadInteger(*ini, "GENERAL", "EVENTCOUNT", 0);
  for (int32_t i = 1; i <= count && i <= kIniMaxLines; ++i) {
    const std::string section = "EV" + std::to_string(i);
    std::string name;
    ReadString(*ini, section, "EVENT", "", name);
    if (name != event || !ItemQualifies(*ini, section, kind)) continue;
    ShowItem(*ini, section, kind, p);
    return;
  }
}

bool IsNewNewsEvent(uint8_t kind, uint32_t p1, uint32_t p2, uint32_t p3, uint32_t p4, uint32_t p5) {
  for (const auto& block : NewsEventList)
    for (int i = 0; i < block->Count; ++i) {
      const TNewsEventBlock::Entry& e = block->Entries[i];
      if (e.Kind == kind && e.P[0] == p1 && e.P[1] == p2 && e.P[2] == p3 && e.P[3] == p4 && e.P[4] == p5)
        return false;
    }
  return true;
}

void RememberNewsEvent(uint8_t kind, uint32_t p1, uint32_t p2, uint32_t p3, uint32_t p4, uint32_t p5) {
  if (NewsEventList.empty() || NewsEventList.back()->Count >= kNewsBlockRoom)
    NewsEventList.push_back(std::make_unique<TNewsEventBlock>());
  TNewsEventBlock& block = *NewsEventList.back();
  block.Entries[block.Count++] = {kind, {p1, p2, p3, p4, p5}};
}

void TriggerNewsEvent(uint8_t kind, uint32_t p1, uint32_t p2, uint32_t p3, uint32_t p4, uint32_t p5, uint32_t p6) {
  if (GameRunning == 0) return;
  const uint32_t p[6] = {p1, p2, p3, p4, p5, p6};
  switch (kind) {
    case kNewsGag:
    case kNewsDate:
    case kNewsIndustryGrows:
    case kNewsIndustryLooses:
    case kNewsNewTrain:
    case kNewsNewVan:
      ComposeNews(kind, p);
      break;
    case kNewsNewRoute:
    case kNewsFirstBus:
      if (!IsNewNewsEvent(kind, p1, p2, p3, p4, p5)) break;
      RememberNewsEvent(kind, p1, p2, p3, p4, p5);
      ComposeNews(kind, p);
      break;
    default:
      break;
  }
}

void ResetNewsTimer() {
  RandSeed = SYS_GetTicks() + GameTime;
  NextGimmickTick = static_cast<int32_t>(GameTime + kGagPause + static_cast<uint32_t>(Random(kGagPause)));
}

void NewsTick() {
  if (GameDay != LastNewsDay) {
    const uint32_t code = static_cast<uint32_t>(GameYear * 1000 + GameMonth * 50 + GameDay);
    for (int i = 0; i < DateEventCodes.Count && i < kDateEventRoom; ++i)
      if (DateEventCodes.Codes[i] == code) TriggerNewsEvent(kNewsDate, 0, 0, 0, 0, 0, 0);
    LastNewsDay = GameDay;
  }
  if (NewspaperQueue.Count > 0) {
    const TNewspaperPage first = NewspaperQueue.Pages[0];
    ShowNewspaper(first.Headline.str(), first.Picture.str());
    --NewspaperQueue.Count;
    std::memmove(static_cast<void*>(&NewspaperQueue.Pages[0]), &NewspaperQueue.Pages[1],
                 sizeof(TNewspaperPage) * NewspaperQueue.Count);
  }
  if (static_cast<int32_t>(GameTime) >= NextGimmickTick) {
    ResetNewsTimer();
    RandSeed = SYS_GetTicks() + GameTime;
    const uint32_t town1 = static_cast<uint32_t>(Random(CityCount) + 1);
    const uint32_t town2 = static_cast<uint32_t>(Random(CityCount) + 1);
    TriggerNewsEvent(kNewsGag, 0, 0, 0, town1, town2, 0);
  }
}

void SetNewsFile(const std::string& name) {
  NewsFileName = name;
  g_missingReported = false;
  DateEventCodes.Count = 0;
  auto ini = std::make_unique<TFastIni>();
  if (!LoadNewsFile(*ini)) return;
  const int32_t count = ReadInteger(*ini, "GENERAL", "EVENTCOUNT", 0);
  for (int32_t i = 1; i <= count && i <= kIniMaxLines; ++i) {
    const std::string section = "EV" + std::to_string(i);
    std::string event, date;
    ReadString(*ini, section, "EVENT", "", event);
    if (event != EventKindNames[kNewsDate]) continue;
    ReadString(*ini, section, "DATE", "", date);
    uint32_t code = 0;
    if (!DateCode(date, code) || DateEventCodes.Count >= kDateEventRoom) continue;
    bool known = false;
    for (int k = 0; k < DateEventCodes.Count; ++k) known = known || DateEventCodes.Codes[k] == code;
    if (!known) DateEventCodes.Codes[DateEventCodes.Count++] = code;
  }
}

void ResetNews() {
  NewsEventList.clear();
  NextGimmickTick = 0;
  LastNewsDay = 0;
  std::memset(&DateEventCodes, 0, sizeof(DateEventCodes));
  NewsFileName = kDefaultNewsFile;
  g_missingReported = false;
}

namespace {
// The unit start.
const bool g_newsStarted = [] {
  ResetNews();
  return true;
}();
}  // namespace
