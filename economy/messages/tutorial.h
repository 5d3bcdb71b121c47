// The tutorial: 44 steps shown in the tutorial window. Each step loads its text in the current
// language, may mark up to five controls, may switch the window's next button off until the
// player has done something, and may name a control the window waits for. The window's next
// button moves on by itself; TutorialEvent moves on when the user interface reports the awaited
// action while the matching step shows.
#pragma once

#include <cstdint>
#include <string>

class TControl3D;

constexpr int kTutorialSteps = 44;
constexpr int kTutorialMarkRoom = 5;
// The most bytes the window's text area holds; a longer text file is cut there.
constexpr int32_t kTutorialTextRoom = 65535;
// How long a mark stays, in game ticks.
constexpr uint32_t kTutorialMarkTicks = 20;
// The wait kind of a step that waits for nothing, and of the window before a step is shown.
constexpr uint32_t kTutorialWaitPlain = 2;
constexpr uint32_t kTutorialWaitNone = 1;
// The folder of the step texts: "tutorial\" + step name + "-" + language name + ".txt".
constexpr const char* kTutorialFolder = "tutorial\\";

// The window's next button: the window moves on one step when it is pressed while enabled.
struct TTutorialNextButton {
  uint8_t Enabled = 1;
  void Enable(bool on) { Enabled = on ? 1 : 0; }
};

// What the tutorial keeps of its window; the program draws it and brings it to the front
// through the user-interface port.
struct TTutorialWindow {
  uint8_t Step = 0;  // the step showing, 0..43
  std::string Text;  // the step's text, as read from its file (at most kTutorialTextRoom bytes)
  TTutorialNextButton NextButton;
  uint32_t WaitKind = 0;
  uint16_t WaitIdentifier = 0;  // the control the window points at; 0 none
};
extern TTutorialWindow TutorialWindow;

struct TTutorialHighlight {
  uint8_t Active = 0;
  int32_t Count = 0;  // targets before the first empty one
  int32_t Flag = 0;
  const TControl3D* Targets[kTutorialMarkRoom] = {};
  uint32_t UntilTick = 0;  // GameTime when the mark was set, plus kTutorialMarkTicks
};
extern TTutorialHighlight TutorialHighlight;

// The controls a step waits for (A to K in the order of the steps that name them), read when the
// step is shown. The program that has the controls sets them; they stay 0 otherwise.
extern uint16_t TutorialIdA, TutorialIdB, TutorialIdC, TutorialIdD, TutorialIdE, TutorialIdF, TutorialIdG,
    TutorialIdH, TutorialIdI, TutorialIdJ, TutorialIdK;
// The controls each step marks, the first ones of its row (TutorialSteps[step].MarkCount of them),
// read when the step is shown. Set by the program that has them; empty otherwise.
extern const TControl3D* TutorialMarkControls[kTutorialSteps][kTutorialMarkRoom];

struct TTutorialStep {
  const char* Name;
  uint32_t WaitKind;
  uint16_t* WaitIdentifier;  // the global read when the step is shown; none: 0
  bool NextOff;              // the next button is off while the step shows
  uint8_t MarkCount;         // controls the step marks; 0: no mark
};
extern const TTutorialStep TutorialSteps[kTutorialSteps];

// Shows the step in the window: the step's text, wait kind and identifier, next button and mark.
// A step beyond the table only clears the wait and the mark and enables the next button.
void ShowTutorialStep(TTutorialWindow& window, uint8_t step);
// The user interface's report of an action: a code (its low seven bits; 0..13) and a pointer to
// its data (code 1: the new mouse mode). Moves the tutorial on, or enables its next button, when
// the code is the one the showing step waits for.
void TutorialEvent(uint8_t code, const void* data);
// Reads the step's text in the current language whole through the repository file layer. A
// missing file is what the layer makes of it: a fatal stop, or an empty text when the reader is
// lenient.
void LoadTutorialText(std::string& text, const std::string& stepName);
// The text file of a step in a language.
std::string TutorialTextFile(const std::string& stepName, const std::string& languageName);
void SetTutorialHighlight(TTutorialHighlight& highlight, const TControl3D* t1, const TControl3D* t2,
                          const TControl3D* t3, const TControl3D* t4, const TControl3D* t5);

// The unit start again: the window on step 0 with no text, no mark. The controls the program set
// stay.
void ResetTutorial();
