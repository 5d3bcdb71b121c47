// The building script runs at most once in 20 ms of the tick counter, also across its wrap.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "apps/brumin/mainform.h"
#include "platform/platform.h"
#include "script/compiler.h"
#include "script/interpreter.h"
#include "script/sdatabase.h"
#include "script/sourcecompiler.h"
#include "tests/apps/brumin/form_fixture.h"

namespace {

// Passes of the frame at the given ticks, and whether each runs the script.
struct Passes {
  const char* what;
  std::vector<uint32_t> ticks;
  std::vector<bool> runs;
};

const Passes kPasses[] = {
    {"first pass runs", {5000}, {true}},
    {"first pass runs at a tick above 2^31", {0x90000000u}, {true}},
    {"first pass runs at tick 0", {0}, {true}},
    {"two passes within 20 ms run once", {1000, 1010, 1020}, {true, false, false}},
    {"exactly 20 ms later does not run, 21 ms later runs", {1000, 1020, 1021}, {true, false, true}},
    {"each run restarts the interval", {1000, 1021, 1040, 1042}, {true, true, false, true}},
    {"a run just before the wrap and one 48 ms later", {0xFFFFFFE0u, 0x00000010u}, {true, true}},
    {"within 20 ms across the wrap does not run", {0xFFFFFFF0u, 0x00000002u, 0x00000005u}, {true, false, true}},
    {"the last 20 ms before the wrap run once", {0xFFFFFFEEu, 0xFFFFFFF5u, 0xFFFFFFFEu}, {true, false, false}},
    {"a run 30 days back is due", {1000, 1000 + 30u * 86400000u}, {true, true}},
};

TEST(ScriptGate, RunsAtMostOnceIn20MsAcrossTheWrap) {
  for (const Passes& p : kPasses) {
    brumin::TScriptGate gate;
    for (size_t i = 0; i < p.ticks.size(); ++i) {
      const bool due = gate.Due(p.ticks[i]);
      EXPECT_EQ(due, p.runs[i]) << p.what << ", pass " << i;
      if (due) gate.Ran(p.ticks[i]);
    }
  }
}

uint32_t g_now = 0;
uint32_t FakeTicks() { return g_now; }

class BruminFrame : public brumin_test::BruminForm {
 protected:
  void TearDown() override {
    platform::SetTickSource(nullptr);
    ScriptErrorFlag = false;
    BruminForm::TearDown();
  }

  // The image of a script, which must compile.
  static std::string Compile(const std::vector<std::string>& source) {
    std::vector<std::string> assembler;
    TScriptStream code;
    EXPECT_TRUE(CompileScript(source, assembler, code)) << LastScriptError.Message;
    return std::string(code.Bytes.begin(), code.Bytes.end());
  }
};

// The form's frame: the script runs by the gate, the view is redrawn on every pass, and the script
// reaches the form's "frame" and host procedures.
TEST_F(BruminFrame, FrameRunsTheScriptByTheGateAndRedrawsEveryPass) {
  RunForm([](brumin::MainForm& f) {
    platform::SetTickSource(FakeTicks);
    // Without a script nothing runs; the view is still redrawn.
    const int32_t frame0 = f.Frame;
    const unsigned long runs0 = f.scriptRuns();
    g_now = 100000;
    f.drawtimerTimer();
    EXPECT_EQ(f.scriptRuns(), runs0);
    EXPECT_EQ(f.Frame, frame0 + 1);

    f.CodeStream = Compile({"defineproc setposition,getproducity;", "definevar frame;", "var p:float;", "Begin",
                            "  setposition(1,0.0,10.0,frame);", "  p:=getproducity();", "End;"});
    ASSERT_FALSE(f.CodeStream.empty());
    for (const Passes& p : kPasses) {
      f.ScriptGate = brumin::TScriptGate{};
      for (size_t i = 0; i < p.ticks.size(); ++i) {
        const unsigned long runs = f.scriptRuns();
        const int32_t frame = f.Frame;
        g_now = p.ticks[i];
        ScriptRunning = true;  // the frame clears it
        f.drawtimerTimer();
        EXPECT_FALSE(ScriptRunning);
        EXPECT_EQ(f.scriptRuns(), runs + (p.runs[i] ? 1 : 0)) << p.what << ", pass " << i;
        EXPECT_EQ(f.Frame, frame + 1) << p.what << ", pass " << i;
        EXPECT_FALSE(ScriptErrorFlag) << p.what << ": " << LastScriptError.Message;
      }
    }
    platform::SetTickSource(nullptr);
  });
}

}  // namespace
