#include <cstring>
#include <filesystem>
#include <memory>

#include "economy/messages/news.h"
#include "economy/messages/newspaper.h"
#include "engine/files/languages.h"
#include "engine/world/records.h"
#include "tests/economy/economy_fixture.h"

namespace {

using economy_test::EconomyTest;
using testing_support::Warnings;

// Written as "NewsPaper/NEWS.INI": the game names it "newspaper\news.ini".
const char* const kNewsFile =
    "[GENERAL]\r\nGIMMICKCOUNT=1\r\nEVENTCOUNT=4\r\n"
    "[GIM1]\r\nTEXTENGLISH=Gag in %CITY1%\r\nWHERE=TICKER\r\n"
    "[EV1]\r\nEVENT=NEWRST\r\nTEXTENGLISH=%STATION1%>%CITY2%\r\nWHERE=TICKER\r\n"
    "[EV2]\r\nEVENT=DATE\r\nDATE=1.1.1955\r\nTEXTENGLISH=New year\r\nWHERE=NEWSPAPER\r\nPICTURE=Year.bmp\r\n"
    "[EV3]\r\nEVENT=FIRSTBUSTR\r\nDATEFROM=1950\r\nDATETO=1960\r\nTEXTENGLISH=First bus\r\nWHERE=TICKER\r\n"
    "[EV4]\r\nEVENT=FIRSTBUSTR\r\nTEXTENGLISH=Late bus\r\nWHERE=NEWSPAPER\r\nPICTURE=GONE.BMP\r\n";

class News : public EconomyTest {
 protected:
  void SetUp() override {
    EconomyTest::SetUp();
    previous_ = std::filesystem::current_path();
    folder_ = testing_support::MakeTempFolder("news");
    std::filesystem::current_path(folder_);
    std::filesystem::create_directory("NewsPaper");
    testing_support::WriteFileBytes("NewsPaper/NEWS.INI", kNewsFile);
    testing_support::WriteFileBytes("NewsPaper/YEAR.BMP", "BM");
    CityCount = 2;
    Cities[1].Name = "Alderby";
    Cities[2].Name = "Brookend";
    GameRunning = 1;
    GameYear = 1955;
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    EconomyTest::TearDown();
  }
  static std::vector<std::string> Ticker() {
    std::vector<std::string> lines;
    for (int i = 0; i < TickerLines.Count; ++i) lines.push_back(TickerLines.Lines[i].str());
    return lines;
  }
  static std::string Filled(const std::string& text, uint8_t kind, uint32_t p1, uint32_t p3, uint32_t p4,
                            uint32_t p6) {
    const uint32_t p[6] = {p1, 0, p3, p4, 0, p6};
    return FillNewsPlaceholders(text, kind, p);
  }
  std::filesystem::path previous_;
  std::string folder_;
};

TEST_F(News, AnEventReportedTwiceGivesOneItem) {
  TriggerNewsEvent(kNewsNewRoute, 0, 0, 0, 1, 2, 0);
  TriggerNewsEvent(kNewsNewRoute, 0, 0, 0, 1, 2, 0);
  TriggerNewsEvent(kNewsNewRoute, 0, 0, 0, 1, 1, 0);
  EXPECT_EQ(Ticker(), (std::vector<std::string>{"%STATION1%>BROOKEND", "%STATION1%>ALDERBY"}));
  TriggerNewsEvent(4, 0, 0, 0, 0, 0, 0);  // a kind without news
  EXPECT_EQ(TickerLines.Count, 2);
}

TEST_F(News, The251stRememberedEventOpensASecondBlock) {
  for (uint32_t i = 1; i <= 250; ++i) RememberNewsEvent(kNewsFirstBus, i, 0, 0, 0, 0);
  EXPECT_EQ(NewsEventList.size(), 1u);
  RememberNewsEvent(kNewsFirstBus, 251, 0, 0, 0, 0);
  ASSERT_EQ(NewsEventList.size(), 2u);
  EXPECT_EQ(NewsEventList[1]->Count, 1);
  EXPECT_FALSE(IsNewNewsEvent(kNewsFirstBus, 251, 0, 0, 0, 0));
  EXPECT_FALSE(IsNewNewsEvent(kNewsFirstBus, 1, 0, 0, 0, 0));
  EXPECT_TRUE(IsNewNewsEvent(kNewsNewRoute, 1, 0, 0, 0, 0));
}

TEST_F(News, YearRangeOfAnItem) {
  // The first item is valid after 1950 and before 1960; the next item answers outside.
  const std::pair<int32_t, const char*> years[] = {
      {1950, "LATE BUS|"}, {1951, "FIRST BUS"}, {1959, "FIRST BUS"}, {1960, "LATE BUS|"}};
  for (const auto& [year, expected] : years) {
    ResetNewspaper();
    pages.clear();
    GameYear = year;
    const uint32_t p[6] = {};
    ComposeNews(kNewsFirstBus, p);
    const std::string got = TickerLines.Count > 0 ? TickerLines.Lines[0].str() : pages.empty() ? "" : pages[0].substr(0, 9);
    EXPECT_EQ(got, expected) << year;
  }
}

TEST_F(News, Placeholders) {
  Players[2].FirmName = "Rail Co";
  Players[2].Finances[0].Balance = 1234.5L;
  Players[2].Finances[0].Credit = 99.75f;
  Players[1].Name = "Me";
  float pi = 3.14159f;
  uint32_t bits;
  std::memcpy(&bits, &pi, 4);
  VehicleTypes[5].Bytes[0] = 5;
  std::memcpy(&VehicleTypes[5].Bytes[1], "Flyer", 5);
  struct Case {
    const char* text;
    uint8_t kind;
    uint32_t p1, p3, p4, p6;
    std::string expected;
  };
  const Case cases[] = {
      {"%STATION1%!", kNewsFirstBus, 0, 0, 0, 0, "%STATION1%!"},
      {"%STATION1%", kNewsFirstBus, 77, 0, 0, 0, "%STATION1%"},  // no such station
      {"%CITY1% %CITY1%", kNewsGag, 0, 0, 2, 0, "Brookend Brookend"},
      {"%CITY1%", kNewsGag, 0, 0, 3, 0, "%CITY1%"},  // beyond the towns
      {"%EVENTRAISER%", kNewsGag, 0, 0, 0, 11, "%EVENTRAISER%"},  // beyond the players
      {"%EVENTRAISER%: %PLAYERMONEY% %PLAYERBONDS%", kNewsGag, 0, 0, 0, 2, "Rail Co: 1234 100"},
      {"%OWNPLAYERNAME%", kNewsGag, 0, 0, 0, 0, "Me"},
      {"%DATA3FL%2 m", kNewsGag, 0, bits, 0, 0, "3.14 m"},
      {"%DATA3FL% m", kNewsGag, 0, bits, 0, 0, "3 m"},
      {"%DATA3FL%", kNewsGag, 0, bits, 0, 0, "3"},
      {"%DATA3%", kNewsNewTrain, 0, 5, 0, 0, Translate("Flyer")},
      {"%DATA3%", kNewsGag, 0, 5, 0, 2, "Rail Co"},
      {"%DATA3%", kNewsNewTrain, 0, 300, 0, 0, "%DATA3%"},
  };
  for (const Case& c : cases) EXPECT_EQ(Filled(c.text, c.kind, c.p1, c.p3, c.p4, c.p6), c.expected) << c.text;
}

TEST_F(News, StationNamesAndRandomNames) {
  auto s = std::make_unique<TStation>();
  s->Init(0, 1, {0, 0, 0});
  s->Name = "Alderby North";
  s->A_Write();
  EXPECT_EQ(Filled("%STATION1%", kNewsFirstBus, s->Index, 0, 0, 0), "Alderby North");
  EXPECT_EQ(Filled("%RANDOMFIRM%", kNewsGag, 0, 0, 0, 0).find('%'), std::string::npos);
  EXPECT_FALSE(Filled("%RANDOMFAMILY%", kNewsGag, 0, 0, 0, 0).empty());
  // Without name tables the random names are empty.
  std::memset(static_cast<void*>(NameTables), 0, sizeof(NameTables));
  EXPECT_EQ(Filled("<%RANDOMFIRM%|%RANDOMFAMILY%>", kNewsGag, 0, 0, 0, 0), "<|>");
}

TEST_F(News, QueueWhileTheNewspaperIsOpen) {
  GameRunning = 0;  // no gags
  EXPECT_TRUE(ShowNewspaper("Open", ""));
  for (const char* h : {"A", "B", "C"}) EXPECT_FALSE(ShowNewspaper(h, "P.BMP"));
  NewsTick();
  ASSERT_EQ(NewspaperQueue.Count, 3);
  EXPECT_EQ(NewspaperQueue.Pages[0].Headline.str(), "B");
  EXPECT_EQ(NewspaperQueue.Pages[2].Headline.str(), "A");
  EXPECT_EQ(NewspaperQueue.Pages[2].Picture.str(), "P.BMP");
  while (NewspaperQueue.Count < kNewspaperQueueRoom) ShowNewspaper("more", "");
  EXPECT_FALSE(ShowNewspaper("lost", ""));
  NewsTick();
  EXPECT_EQ(NewspaperQueue.Count, kNewspaperQueueRoom - 1);
  EXPECT_EQ(NewspaperQueue.Pages[0].Headline.str(), "C");
  // Once closed, the next page is shown.
  CloseNewspaperWindow();
  NewsTick();
  EXPECT_EQ(NewspaperWindow.Headline, "C");
  EXPECT_EQ(NewspaperQueue.Count, kNewspaperQueueRoom - 2);
  // A modal window keeps pages waiting as well.
  CloseNewspaperWindow();
  UserInterface().ModalWindowOpen = [] { return true; };
  EXPECT_FALSE(ShowNewspaper("modal", ""));
}

TEST_F(News, DateNewsWithItsPictureAndAMissingPicture) {
  SetNewsFile(kDefaultNewsFile);
  ASSERT_EQ(DateEventCodes.Count, 1);
  EXPECT_EQ(DateEventCodes.Codes[0], 1955u * 1000 + 50 + 1);
  GameDay = 31;
  GameMonth = 12;
  GameYear = 1954;
  NextGimmickTick = 1 << 30;
  NewsTick();
  EXPECT_TRUE(pages.empty());
  GameDay = 1;
  GameMonth = 1;
  GameYear = 1955;
  NewsTick();
  NewsTick();  // the same day once
  EXPECT_EQ(pages, (std::vector<std::string>{"NEW YEAR|newspaper\\YEAR.BMP"}));
  CloseNewspaperWindow();
  GameYear = 1965;
  const uint32_t p[6] = {};
  ComposeNews(kNewsFirstBus, p);
  EXPECT_EQ(pages.back(), "LATE BUS|gfx\\NOTEXTURE.BMP");
  EXPECT_EQ(Warnings(), (std::vector<std::string>{"WARNING: Newspaper: picture newspaper\\GONE.BMP not found"}));
}

TEST_F(News, GagsComeFromTheInjectedClock) {
  economy_test::g_ticks = 5000;
  NewsTick();
  EXPECT_EQ(Ticker(), (std::vector<std::string>{"GAG IN BROOKEND"}));
  const int32_t next = NextGimmickTick;
  EXPECT_GE(next, kGagPause);
  EXPECT_LT(next, 2 * kGagPause);
  ResetNews();
  ResetNewspaper();
  economy_test::g_ticks = 5000;
  NewsTick();
  EXPECT_EQ(NextGimmickTick, next);
}

TEST_F(News, MissingOrEmptyNewsFileWarnsOnceAndMakesNoNews) {
  for (const char* content : {static_cast<const char*>(nullptr), ""}) {
    Warnings().clear();
    if (content == nullptr) {
      NewsFileName = "newspaper\\none.ini";
    } else {
      testing_support::WriteFileBytes("NewsPaper/EMPTY.INI", content);
      SetNewsFile("newspaper\\empty.ini");
    }
    NewsTick();  // the first running tick raises a gag
    TriggerNewsEvent(kNewsIndustryGrows, 0, 0, 0, 1, 1, 0);
    TriggerNewsEvent(kNewsFirstBus, 0, 0, 0, 1, 1, 0);
    EXPECT_EQ(TickerLines.Count, 0);
    EXPECT_TRUE(pages.empty());
    ASSERT_EQ(Warnings().size(), 1u) << (content == nullptr ? "missing" : "empty");
    EXPECT_NE(Warnings()[0].find(content == nullptr ? "missing" : "empty"), std::string::npos);
    ResetNews();
  }
}

}  // namespace

#include "tools/sample_news.h"

namespace {

TEST_F(News, TheSampleNewsFileAnswersItsEvents) {
  testing_support::WriteFileBytes("NewsPaper/NEWS.INI", sample_news::MakeNewsFile());
  SetNewsFile(kDefaultNewsFile);
  ASSERT_EQ(DateEventCodes.Count, 1);
  EXPECT_EQ(DateEventCodes.Codes[0], 1960u * 1000 + 50 + 1);
  Players[1].FirmName = "Own";
  TriggerNewsEvent(kNewsFirstBus, 0, 0, 0, 1, 0, 0);
  GameYear = 1960;
  GameDay = 1;
  GameMonth = 1;
  TriggerNewsEvent(kNewsDate, 0, 0, 0, 0, 0, 0);
  // The long line was cut to 31 characters by the reader.
  for (int i = 0; i < 20 && TickerLines.Count < 2; ++i) TriggerNewsEvent(kNewsIndustryLooses, 0, 0, 0, 1, 0, 0);
  ASSERT_EQ(TickerLines.Count, 2);
  EXPECT_EQ(TickerLines.Lines[0].str(), "BUS FOR ALDERBY");
  EXPECT_EQ(TickerLines.Lines[1].str().rfind("OWN AND ", 0), 0u) << TickerLines.Lines[1].str();
  EXPECT_EQ(pages, (std::vector<std::string>{"HAPPY 1960!|gfx\\NOTEXTURE.BMP"}));
  EXPECT_EQ(Warnings().size(), 1u);  // its picture is not written here
}

}  // namespace
