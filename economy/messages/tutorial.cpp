#include "economy/messages/tutorial.h"

#include <algorithm>

#include "economy/port/uiport.h"
#include "engine/base/worldstate.h"
#include "engine/files/languages.h"
#include "engine/files/repository.h"
#include "engine/gui/mousemode.h"

TTutorialWindow TutorialWindow;
TTutorialHighlight TutorialHighlight;

uint16_t TutorialIdA = 0, TutorialIdB = 0, TutorialIdC = 0, TutorialIdD = 0, TutorialIdE = 0, TutorialIdF = 0,
         TutorialIdG = 0, TutorialIdH = 0, TutorialIdI = 0, TutorialIdJ = 0, TutorialIdK = 0;
const TControl3D* TutorialMarkControls[kTutorialSteps][kTutorialMarkRoom] = {};

namespace {
constexpr uint32_t W = kTutorialWaitPlain;
}  // namespace

const TTutorialStep TutorialSteps[kTutorialSteps] = {
    {"t1-1welc", W, nullptr, false, 0},
    {"t1-2cam1", W, nullptr, true, 0},
    {"t1-2cam2", 1, &TutorialIdA, false, 0},
    {"t1-3vp1", 4, &TutorialIdB, false, 0},
    {"t1-3vp2", W, nullptr, true, 0},
    {"t1-4kom", W, nullptr, false, 1},
    {"t1-5zoom1", W, nullptr, false, 0},
    {"t1-5zoom2", 4, &TutorialIdC, true, 0},
    {"t1-6cams", W, nullptr, false, 3},
    {"t1-7map1", W, nullptr, false, 1},
    {"t1-7map2", W, nullptr, false, 0},
    {"t1-7map3", W, nullptr, false, 2},
    {"t1-7map4", 3, &TutorialIdD, false, 0},
    {"t1-7map5", W, nullptr, true, 0},
    {"t1-8alternatives", W, nullptr, false, 0},
    {"t3-1welc", W, nullptr, false, 0},
    {"t3-2rail1", W, nullptr, true, 1},
    {"t3-2rail2", W, nullptr, false, 0},
    {"t3-2rail3", W, nullptr, true, 1},
    {"t3-2rail4", W, nullptr, false, 0},
    {"t3-2rail5", 4, &TutorialIdE, true, 0},
    {"t3-2rail6", W, nullptr, true, 0},
    {"t3-2rail7", W, nullptr, false, 0},
    {"t3-2rail8", 3, &TutorialIdF, true, 0},
    {"t3-5plan1", W, nullptr, false, 0},
    {"t3-5plan2", W, nullptr, false, 0},
    {"t3-6exec1", W, nullptr, true, 1},
    {"t3-6exec2", W, nullptr, false, 0},
    {"t3-3station1", W, nullptr, false, 0},
    {"t3-3station2", W, nullptr, false, 0},
    {"t3-3station3", W, nullptr, true, 1},
    {"t3-3station4", 4, &TutorialIdG, true, 0},
    {"t3-3station5", 4, &TutorialIdH, false, 0},
    {"t3-3station6", W, nullptr, false, 0},
    {"t3-3station7", W, nullptr, true, 0},
    {"t3-4a", W, nullptr, false, 0},
    {"t3-4depot1", 3, &TutorialIdI, false, 0},
    {"t3-4depot2", W, nullptr, true, 1},
    {"t3-4depot3", W, nullptr, false, 0},
    {"t3-4depot3a", 4, &TutorialIdJ, true, 0},
    {"t3-4depot4", W, nullptr, true, 1},
    {"t3-7depot5", 3, &TutorialIdK, true, 0},
    {"t3-7depot6", W, nullptr, false, 0},
    {"t-end", W, nullptr, true, 1},
};

std::string TutorialTextFile(const std::string& stepName, const std::string& languageName) {
  return std::string(kTutorialFolder) + stepName + "-" + languageName + ".txt";
}

void LoadTutorialText(std::string& text, const std::string& stepName) {
  // Without a current language the name has no language part; such a file is missing as any other.
  const std::string language = CurrentLanguage ? CurrentLanguage->Name : std::string();
  TRepositoryFile f;
  xAssign(f, TutorialTextFile(stepName, language));
  xReset(f, 1);
  // A text longer than the text area is cut to it.
  const int32_t size = std::clamp<int32_t>(xFileSize(f), 0, kTutorialTextRoom);
  text.assign(static_cast<size_t>(size), '\0');
  const int32_t got = size > 0 ? xBlockRead(f, text.data(), size) : 0;
  // A file that shrank since its size was taken keeps what was read.
  text.resize(static_cast<size_t>(std::max<int32_t>(got, 0)));
  xClose(f);
}

void SetTutorialHighlight(TTutorialHighlight& highlight, const TControl3D* t1, const TControl3D* t2,
                          const TControl3D* t3, const TControl3D* t4, const TControl3D* t5) {
  const TControl3D* const targets[kTutorialMarkRoom] = {t1, t2, t3, t4, t5};
  highlight.Count = 0;
  for (int i = 0; i < kTutorialMarkRoom; ++i) highlight.Targets[i] = targets[i];
  while (highlight.Count < kTutorialMarkRoom && targets[highlight.Count]) ++highlight.Count;
  highlight.Flag = 1;
  highlight.Active = 1;
  highlight.UntilTick = GameTime + kTutorialMarkTicks;
}

void ShowTutorialStep(TTutorialWindow& window, uint8_t step) {
  window.Step = step;
  window.WaitIdentifier = 0;
  window.WaitKind = kTutorialWaitNone;
  TutorialHighlight.Active = 0;
  window.NextButton.Enable(true);
  if (step >= kTutorialSteps) return;
  const TTutorialStep& s = TutorialSteps[step];
  LoadTutorialText(window.Text, s.Name);
  window.WaitKind = s.WaitKind;
  window.WaitIdentifier = s.WaitIdentifier ? *s.WaitIdentifier : 0;
  if (s.NextOff) window.NextButton.Enable(false);
  if (s.MarkCount > 0) {
    const TControl3D* t[kTutorialMarkRoom] = {};
    for (int i = 0; i < s.MarkCount && i < kTutorialMarkRoom; ++i) t[i] = TutorialMarkControls[step][i];
    SetTutorialHighlight(TutorialHighlight, t[0], t[1], t[2], t[3], t[4]);
  }
}

namespace {
void NextTutorialStep() { ShowTutorialStep(TutorialWindow, static_cast<uint8_t>(TutorialWindow.Step + 1)); }
}  // namespace

void TutorialEvent(uint8_t code, const void* data) {
  TTutorialWindow& w = TutorialWindow;
  switch (code & 0x7F) {
    case 0:
      if (w.Step == 21) NextTutorialStep();
      break;
    case 1: {
      // The new mouse mode; a report without one matches no step.
      if (!data) break;
      const uint8_t mode = *static_cast<const uint8_t*>(data);
      if ((mode == 0 && w.Step == 23) || (mode == 14 && w.Step == 18) || (mode == 15 && w.Step == 20) ||
          (mode == 21 && w.Step == 30) ||
          (mode == 25 && w.Step == 37 && SelectedBuildingType == SpecialBuildingTypes[5]))
        NextTutorialStep();
      break;
    }
    case 2:
      if (w.Step == 41) {
        PortBringTutorialToFront(w);
        NextTutorialStep();
      }
      break;
    case 4:
      // Each step is tested in turn, the second after the first may have moved on.
      if (w.Step == 26) NextTutorialStep();
      if (w.Step == 40) NextTutorialStep();
      break;
    case 5:
      if (w.Step == 16) NextTutorialStep();
      break;
    case 8:
      if (w.Step == 7) w.NextButton.Enable(true);
      break;
    case 9:
      if (w.Step == 4) w.NextButton.Enable(true);
      break;
    case 10:
      if (w.Step == 1) w.NextButton.Enable(true);
      break;
    case 11:
      if (w.Step == 31) NextTutorialStep();
      if (w.Step == 34) NextTutorialStep();
      break;
    case 12:
      if (w.Step == 13) w.NextButton.Enable(true);
      break;
    case 13:
      if (w.Step == 39) NextTutorialStep();
      break;
    default:  // 3, 6, 7 and 14 onwards
      break;
  }
}

void ResetTutorial() {
  TutorialWindow = TTutorialWindow{};
  TutorialHighlight = TTutorialHighlight{};
}
