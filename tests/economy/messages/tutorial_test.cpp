#include "economy/messages/tutorial.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <string>
#include <vector>

#include "economy/step/services.h"
#include "economy/step/worldstate_hash.h"
#include "engine/files/languages.h"
#include "engine/files/repository.h"
#include "engine/gui/mousemode.h"
#include "engine/gui/windows.h"
#include "tests/economy/economy_fixture.h"
#include "tools/sample_tutorial.h"

namespace {

using economy_test::EconomyTest;
using testing_support::FatalError;

uint16_t* const kIdentifiers[11] = {&TutorialIdA, &TutorialIdB, &TutorialIdC, &TutorialIdD,
                                    &TutorialIdE, &TutorialIdF, &TutorialIdG, &TutorialIdH,
                                    &TutorialIdI, &TutorialIdJ, &TutorialIdK};

// The steps as the tutorial's authors wrote them: name, wait kind, the letter of the awaited
// control (0 none), next button off, the number of controls marked.
struct TExpectedStep {
  const char* Name;
  uint32_t WaitKind;
  char Id;
  bool NextOff;
  int Marks;
};
const TExpectedStep kSteps[kTutorialSteps] = {
    {"t1-1welc", 2, 0, false, 0},          {"t1-2cam1", 2, 0, true, 0},
    {"t1-2cam2", 1, 'A', false, 0},        {"t1-3vp1", 4, 'B', false, 0},
    {"t1-3vp2", 2, 0, true, 0},            {"t1-4kom", 2, 0, false, 1},
    {"t1-5zoom1", 2, 0, false, 0},         {"t1-5zoom2", 4, 'C', true, 0},
    {"t1-6cams", 2, 0, false, 3},          {"t1-7map1", 2, 0, false, 1},
    {"t1-7map2", 2, 0, false, 0},          {"t1-7map3", 2, 0, false, 2},
    {"t1-7map4", 3, 'D', false, 0},        {"t1-7map5", 2, 0, true, 0},
    {"t1-8alternatives", 2, 0, false, 0},  {"t3-1welc", 2, 0, false, 0},
    {"t3-2rail1", 2, 0, true, 1},          {"t3-2rail2", 2, 0, false, 0},
    {"t3-2rail3", 2, 0, true, 1},          {"t3-2rail4", 2, 0, false, 0},
    {"t3-2rail5", 4, 'E', true, 0},        {"t3-2rail6", 2, 0, true, 0},
    {"t3-2rail7", 2, 0, false, 0},         {"t3-2rail8", 3, 'F', true, 0},
    {"t3-5plan1", 2, 0, false, 0},         {"t3-5plan2", 2, 0, false, 0},
    {"t3-6exec1", 2, 0, true, 1},          {"t3-6exec2", 2, 0, false, 0},
    {"t3-3station1", 2, 0, false, 0},      {"t3-3station2", 2, 0, false, 0},
    {"t3-3station3", 2, 0, true, 1},       {"t3-3station4", 4, 'G', true, 0},
    {"t3-3station5", 4, 'H', false, 0},    {"t3-3station6", 2, 0, false, 0},
    {"t3-3station7", 2, 0, true, 0},       {"t3-4a", 2, 0, false, 0},
    {"t3-4depot1", 3, 'I', false, 0},      {"t3-4depot2", 2, 0, true, 1},
    {"t3-4depot3", 2, 0, false, 0},        {"t3-4depot3a", 4, 'J', true, 0},
    {"t3-4depot4", 2, 0, true, 1},         {"t3-7depot5", 3, 'K', true, 0},
    {"t3-7depot6", 2, 0, false, 0},        {"t-end", 2, 0, true, 1},
};

std::string TextOf(const std::string& step, const std::string& language) {
  return language + " text of " + step + "\r\n\xe4\r\n";
}

// What the window and the mark show, compared whole.
struct TShown {
  uint8_t Step;
  std::string Text;
  uint8_t NextEnabled;
  uint32_t WaitKind;
  uint16_t WaitIdentifier;
  uint8_t MarkActive;
  int32_t MarkCount;
  std::vector<const TControl3D*> Targets;
  uint32_t MarkUntil;
  bool operator==(const TShown&) const = default;
};
TShown Shown() {
  const TTutorialWindow& w = TutorialWindow;
  const TTutorialHighlight& h = TutorialHighlight;
  return {w.Step,   w.Text,  w.NextButton.Enabled, w.WaitKind, w.WaitIdentifier, h.Active, h.Count,
          {h.Targets, h.Targets + kTutorialMarkRoom}, h.UntilTick};
}
void PrintTo(const TShown& s, std::ostream* os) {
  *os << "step " << int(s.Step) << " next " << int(s.NextEnabled) << " wait " << s.WaitKind << "/"
      << s.WaitIdentifier << " mark " << int(s.MarkActive) << "/" << s.MarkCount;
}

// The step texts of every step in English and German in a folder of its own, the current language
// English, the awaited controls and the marked controls set as a program would set them.
class Tutorial : public EconomyTest {
 protected:
  void SetUp() override {
    EconomyTest::SetUp();
    previousDir_ = std::filesystem::current_path();
    std::filesystem::current_path(testing_support::MakeTempFolder("tutorial"));
    std::filesystem::create_directory("Tutorial");
    for (const TExpectedStep& s : kSteps)
      for (const char* language : {"English", "Deutsch"})
        testing_support::WriteFileBytes(std::string("Tutorial/") + s.Name + "-" + language + ".txt",
                                        TextOf(s.Name, language));
    previousLanguage_ = CurrentLanguage;
    english_.Name = "English";
    english_.Index = 1;
    german_.Name = "Deutsch";
    german_.Index = 2;
    CurrentLanguage = &english_;
    previousLenient_ = RepositoryLenient;
    RepositoryLenient = false;
    ResetTutorial();
    ClearControls();
    TUserInterfacePort port = UserInterface();
    port.BringTutorialToFront = [this](const TTutorialWindow& w) { fronts.push_back(w.Step); };
    SetUserInterface(port);
    GameTime = 5000;
  }
  void TearDown() override {
    ClearControls();
    ResetTutorial();
    ui_hooks::TutorialEvent = nullptr;
    SelectedBuildingType = 0;
    SpecialBuildingTypes[5] = 0;
    RepositoryLenient = previousLenient_;
    CurrentLanguage = previousLanguage_;
    std::filesystem::current_path(previousDir_);
    EconomyTest::TearDown();
  }
  static void ClearControls() {
    for (uint16_t* id : kIdentifiers) *id = 0;
    for (auto& row : TutorialMarkControls)
      for (const TControl3D*& c : row) c = nullptr;
  }
  // Every awaited control and every slot of every step's marks set to a control of its own.
  void SetControls() {
    for (int i = 0; i < 11; ++i) *kIdentifiers[i] = static_cast<uint16_t>(0x100 + i);
    for (int s = 0; s < kTutorialSteps; ++s)
      for (int i = 0; i < kTutorialMarkRoom; ++i) TutorialMarkControls[s][i] = &controls_[s][i];
  }
  static uint16_t IdOf(char letter) { return letter ? static_cast<uint16_t>(0x100 + (letter - 'A')) : 0; }

  std::filesystem::path previousDir_;
  TLanguage* previousLanguage_ = nullptr;
  bool previousLenient_ = false;
  TLanguage english_, german_;
  TControl3D controls_[kTutorialSteps][kTutorialMarkRoom];
  std::vector<uint8_t> fronts;
};

TEST_F(Tutorial, EveryStepShowsItsTextWaitNextButtonAndMarksInEachLanguage) {
  SetControls();
  for (TLanguage* language : {&english_, &german_}) {
    CurrentLanguage = language;
    for (int step = 0; step < kTutorialSteps; ++step) {
      SCOPED_TRACE(language->Name + " step " + std::to_string(step));
      const TExpectedStep& e = kSteps[step];
      EXPECT_STREQ(TutorialSteps[step].Name, e.Name);
      TutorialHighlight = {};
      ShowTutorialStep(TutorialWindow, static_cast<uint8_t>(step));
      EXPECT_EQ(TutorialWindow.Step, step);
      EXPECT_EQ(TutorialWindow.Text, TextOf(e.Name, language->Name));
      EXPECT_EQ(TutorialWindow.WaitKind, e.WaitKind);
      EXPECT_EQ(TutorialWindow.WaitIdentifier, IdOf(e.Id));
      EXPECT_EQ(TutorialWindow.NextButton.Enabled, e.NextOff ? 0 : 1);
      const TTutorialHighlight h = TutorialHighlight;
      EXPECT_EQ(h.Active, e.Marks > 0 ? 1 : 0);
      if (e.Marks == 0) continue;
      EXPECT_EQ(h.Count, e.Marks);
      EXPECT_EQ(h.Flag, 1);
      EXPECT_EQ(h.UntilTick, 5020u);
      for (int i = 0; i < kTutorialMarkRoom; ++i)
        EXPECT_EQ(h.Targets[i], i < e.Marks ? &controls_[step][i] : nullptr) << "target " << i;
    }
  }
}

TEST_F(Tutorial, WithoutTheProgramsControlsNothingIsAwaitedAndMarksAreEmpty) {
  for (int step = 0; step < kTutorialSteps; ++step) {
    ShowTutorialStep(TutorialWindow, static_cast<uint8_t>(step));
    EXPECT_EQ(TutorialWindow.WaitIdentifier, 0) << step;
    if (kSteps[step].Marks == 0) continue;
    const TTutorialHighlight h = TutorialHighlight;
    EXPECT_EQ(h.Active, 1) << step;
    EXPECT_EQ(h.Count, 0) << step;
  }
}

TEST_F(Tutorial, AStepBeyondTheTableClearsTheWaitAndTheMarkOnly) {
  SetControls();
  ShowTutorialStep(TutorialWindow, 8);  // marked
  ShowTutorialStep(TutorialWindow, 7);  // waits, next off; the mark of step 8 goes
  EXPECT_EQ(TutorialHighlight.Active, 0);
  EXPECT_EQ(TutorialHighlight.Count, 3);  // only switched off
  for (uint8_t step : {44, 200, 255}) {
    ShowTutorialStep(TutorialWindow, 8);
    ShowTutorialStep(TutorialWindow, 7);
    ShowTutorialStep(TutorialWindow, step);
    EXPECT_EQ(TutorialWindow.Step, step);
    EXPECT_EQ(TutorialWindow.WaitKind, kTutorialWaitNone);
    EXPECT_EQ(TutorialWindow.WaitIdentifier, 0);
    EXPECT_EQ(TutorialWindow.NextButton.Enabled, 1);
    EXPECT_EQ(TutorialHighlight.Active, 0);
    EXPECT_EQ(TutorialWindow.Text, TextOf("t1-5zoom2", "English"));
  }
}

TEST_F(Tutorial, AMarkCountsTheTargetsBeforeTheFirstEmptyOne) {
  TControl3D a, b, c, d, e;
  struct Case {
    const TControl3D* T[5];
    int32_t Count;
  };
  const Case cases[] = {
      {{nullptr, nullptr, nullptr, nullptr, nullptr}, 0}, {{&a, nullptr, nullptr, nullptr, nullptr}, 1},
      {{&a, &b, nullptr, &d, nullptr}, 2},                {{nullptr, &b, &c, &d, &e}, 0},
      {{&a, &b, &c, &d, nullptr}, 4},                     {{&a, &b, &c, &d, &e}, 5},
  };
  GameTime = kGameTimeLast - 5;
  for (const Case& k : cases) {
    TTutorialHighlight h;
    SetTutorialHighlight(h, k.T[0], k.T[1], k.T[2], k.T[3], k.T[4]);
    EXPECT_EQ(h.Count, k.Count);
    EXPECT_EQ(h.Active, 1);
    EXPECT_EQ(h.Flag, 1);
    EXPECT_EQ(h.UntilTick, kGameTimeLast + 15);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(h.Targets[i], k.T[i]);
  }
}

// What an event does at a step, by the rules of the tutorial's authors.
enum class Act { Nothing, Next, Enable, FrontNext };
struct TRule {
  uint8_t Code;
  uint8_t Step;
  int Mode;  // code 1: the mouse mode; -1 any data
  Act Action;
};
const TRule kRules[] = {
    {0, 21, -1, Act::Next},       {1, 23, 0, Act::Next},        {1, 18, 14, Act::Next},
    {1, 20, 15, Act::Next},       {1, 30, 21, Act::Next},       {1, 37, 25, Act::Next},  // special building
    {2, 41, -1, Act::FrontNext},  {4, 26, -1, Act::Next},       {4, 40, -1, Act::Next},
    {5, 16, -1, Act::Next},       {8, 7, -1, Act::Enable},      {9, 4, -1, Act::Enable},
    {10, 1, -1, Act::Enable},     {11, 31, -1, Act::Next},      {11, 34, -1, Act::Next},
    {12, 13, -1, Act::Enable},    {13, 39, -1, Act::Next},
};
Act Expected(uint8_t code, uint8_t step, uint8_t mode, bool special) {
  code &= 0x7F;
  for (const TRule& r : kRules) {
    if (r.Code != code || r.Step != step) continue;
    if (r.Mode >= 0 && r.Mode != mode) continue;
    if (code == 1 && step == 37 && !special) continue;
    return r.Action;
  }
  return Act::Nothing;
}

TEST_F(Tutorial, EveryEventAtEveryStepDoesWhatTheStepWaitsFor) {
  SetControls();
  SpecialBuildingTypes[5] = 17;
  // Every code and the same codes with the high bit set, two codes past the last, and the modes the
  // steps wait for with their neighbours and the last.
  std::vector<int> codes;
  for (int c = 0; c < 16; ++c) codes.insert(codes.end(), {c, c | 0x80});
  codes.push_back(255);
  const std::vector<uint8_t> modes = {0, 1, 13, 14, 15, 16, 20, 21, 24, 25, 26, 255};
  for (int code : codes) {
    const bool modeCode = (code & 0x7F) == 1;
    for (int step = 0; step <= kTutorialSteps + 1; ++step) {
      for (uint8_t mode : modeCode ? modes : std::vector<uint8_t>{0}) {
        for (bool special : modeCode && mode == 25 ? std::vector<bool>{false, true} : std::vector<bool>{true}) {
          SCOPED_TRACE("code " + std::to_string(code) + " step " + std::to_string(step) + " mode " +
                       std::to_string(mode) + (special ? " special" : ""));
          SelectedBuildingType = special ? 17 : 18;
          const Act act = Expected(static_cast<uint8_t>(code), static_cast<uint8_t>(step), mode, special);
          // The state the event should leave: the next step shown after this one, this one with
          // its next button on, or this one as it is.
          TutorialHighlight = {};
          ShowTutorialStep(TutorialWindow, static_cast<uint8_t>(step));
          TShown want = Shown();
          if (act == Act::Next || act == Act::FrontNext) {
            ShowTutorialStep(TutorialWindow, static_cast<uint8_t>(step + 1));
            want = Shown();
            TutorialHighlight = {};
            ShowTutorialStep(TutorialWindow, static_cast<uint8_t>(step));
          }
          if (act == Act::Enable) want.NextEnabled = 1;
          fronts.clear();
          TutorialEvent(static_cast<uint8_t>(code), &mode);
          EXPECT_EQ(Shown(), want);
          EXPECT_EQ(fronts, act == Act::FrontNext ? std::vector<uint8_t>{41} : std::vector<uint8_t>{});
        }
      }
    }
  }
}

TEST_F(Tutorial, ModeFourteenWhileStepSeventeenShowsChangesNothing) {
  ShowTutorialStep(TutorialWindow, 17);
  const TShown before = Shown();
  const uint8_t mode = 14;
  TutorialEvent(1, &mode);
  EXPECT_EQ(Shown(), before);
}

TEST_F(Tutorial, TheSecondTestOfAnEventSeesTheStepTheFirstMovedTo) {
  // Event 4 moves on from 26 to 27; the test for step 40 then sees 27.
  ShowTutorialStep(TutorialWindow, 26);
  TutorialEvent(4, nullptr);
  EXPECT_EQ(TutorialWindow.Step, 27);
  EXPECT_EQ(TutorialWindow.Text, TextOf("t3-6exec2", "English"));
  ShowTutorialStep(TutorialWindow, 31);
  TutorialEvent(11, nullptr);
  EXPECT_EQ(TutorialWindow.Step, 32);
  // The step reached only by the second test moves on once.
  ShowTutorialStep(TutorialWindow, 40);
  TutorialEvent(4, nullptr);
  EXPECT_EQ(TutorialWindow.Step, 41);
}

TEST_F(Tutorial, AModeReportWithoutItsModeMatchesNoStep) {
  ShowTutorialStep(TutorialWindow, 23);
  const TShown before = Shown();
  TutorialEvent(1, nullptr);
  EXPECT_EQ(Shown(), before);
}

TEST_F(Tutorial, AMissingTextStopsTheGameAsTheRepositoryLayerDoes) {
  std::filesystem::remove("Tutorial/t1-2cam1-Deutsch.txt");
  CurrentLanguage = &german_;
  ShowTutorialStep(TutorialWindow, 0);
  const size_t files = testing_support::OpenFileCount();
  try {
    ShowTutorialStep(TutorialWindow, 1);
    ADD_FAILURE() << "no fatal stop";
  } catch (const FatalError& e) {
    EXPECT_THAT(e.what(), testing::HasSubstr("There was an error with this file: TUTORIAL\\T1-2CAM1-DEUTSCH.TXT"));
  }
  EXPECT_EQ(testing_support::OpenFileCount(), files);
  // The other language still has it.
  CurrentLanguage = &english_;
  ShowTutorialStep(TutorialWindow, 1);
  EXPECT_EQ(TutorialWindow.Text, TextOf("t1-2cam1", "English"));
}

TEST_F(Tutorial, AMissingTextIsEmptyForTheLenientReaderAndTheStepStillShows) {
  RepositoryLenient = true;
  std::filesystem::remove("Tutorial/t1-2cam1-English.txt");
  ShowTutorialStep(TutorialWindow, 0);
  ShowTutorialStep(TutorialWindow, 1);
  EXPECT_EQ(TutorialWindow.Step, 1);
  EXPECT_EQ(TutorialWindow.Text, "");
  EXPECT_EQ(TutorialWindow.WaitKind, 2u);
  EXPECT_EQ(TutorialWindow.NextButton.Enabled, 0);
  // Without a current language a step's text has no language part and is missing as any other.
  CurrentLanguage = nullptr;
  ShowTutorialStep(TutorialWindow, 0);
  EXPECT_EQ(TutorialWindow.Text, "");
  RepositoryLenient = false;
  EXPECT_THROW(ShowTutorialStep(TutorialWindow, 0), FatalError);
}

TEST_F(Tutorial, TheTextIsReadWholeFromDiskOrFromTheArchive) {
  // Every byte value, line ends and NULs, and far more than a short string holds: read whole up to
  // the text area's room, cut there.
  std::string big;
  for (int i = 0; i < 70000; ++i) big += static_cast<char>(i * 7 % 256);
  std::string text = "earlier";
  for (const size_t length : {size_t{kTutorialTextRoom}, big.size()}) {
    testing_support::WriteFileBytes("Tutorial/t1-1welc-English.txt", big.substr(0, length));
    LoadTutorialText(text, "t1-1welc");
    EXPECT_EQ(text, big.substr(0, kTutorialTextRoom)) << length;
  }
  testing_support::WriteFileBytes("Tutorial/t1-1welc-English.txt", "");
  LoadTutorialText(text, "t1-1welc");
  EXPECT_EQ(text, "");

  // A text only the archive has.
  std::string entry = "From the archive\r\n";
  std::string scrambled = entry;
  xScramble(reinterpret_cast<uint8_t*>(scrambled.data()), scrambled.size(), 0);
  testing_support::WriteFileBytes("data.arc", "HEAD" + scrambled);
  ASSERT_TRUE(xOpenArchive("data.arc", {{"TUTORIAL\\T3-4A-ENGLISH.TXT", static_cast<uint32_t>(entry.size()), 4}}));
  std::filesystem::remove("Tutorial/t3-4a-English.txt");
  LoadTutorialText(text, "t3-4a");
  xCloseArchive();
  EXPECT_EQ(text, entry);
}

TEST_F(Tutorial, SettingTheMouseModeMovesTheTutorialOnOnceTheEconomyIsInstalled) {
  SpecialBuildingTypes[5] = 9;
  ShowTutorialStep(TutorialWindow, 23);
  SetMouseMode(0);
  EXPECT_EQ(TutorialWindow.Step, 23);  // no hook yet
  InstallEconomyServices();
  SetMouseMode(0);
  EXPECT_EQ(TutorialWindow.Step, 24);
  ShowTutorialStep(TutorialWindow, 37);
  SelectedBuildingType = 8;
  SetMouseMode(25);
  EXPECT_EQ(TutorialWindow.Step, 37);
  SelectedBuildingType = 9;
  SetMouseMode(25);
  EXPECT_EQ(TutorialWindow.Step, 38);
}

TEST_F(Tutorial, TheWorldResetStartsTheTutorialAgainAndItsHashSeesTheStep) {
  ASSERT_TRUE(ResetSimulationWorld());
  EXPECT_EQ(ui_hooks::TutorialEvent, &TutorialEvent);
  const uint64_t start = WorldStateHash();
  ShowTutorialStep(TutorialWindow, 1);
  const uint64_t shown = WorldStateHash();
  EXPECT_NE(shown, start);
  TutorialEvent(10, nullptr);  // enables the next button
  EXPECT_NE(WorldStateHash(), shown);
  // The program's controls stay; the window starts again.
  TutorialIdA = 7;
  ASSERT_TRUE(ResetSimulationWorld());
  EXPECT_EQ(TutorialWindow.Step, 0);
  EXPECT_EQ(TutorialWindow.Text, "");
  EXPECT_EQ(TutorialHighlight.Active, 0);
  EXPECT_EQ(TutorialIdA, 7);
  EXPECT_EQ(WorldStateHash(), start);
}

TEST_F(Tutorial, TheSampleTextsAreTheFirstStepsInBothSampleLanguages) {
  const std::string root = testing_support::MakeTempFolder("sample-tutorial");
  std::string error;
  ASSERT_TRUE(sample_tutorial::WriteSampleTutorial(root, error)) << error;
  std::filesystem::current_path(root);
  for (int step = 0; step < 3; ++step) {
    for (TLanguage* language : {&english_, &german_}) {
      CurrentLanguage = language;
      ShowTutorialStep(TutorialWindow, static_cast<uint8_t>(step));
      bool found = false;
      for (const sample_tutorial::TSampleText& t : sample_tutorial::SampleTutorialTexts())
        if (t.Step == kSteps[step].Name && t.Language == language->Name) {
          EXPECT_EQ(TutorialWindow.Text, t.Text);
          found = true;
        }
      EXPECT_TRUE(found) << step << " " << language->Name;
      EXPECT_FALSE(TutorialWindow.Text.empty());
    }
  }
}

}  // namespace
