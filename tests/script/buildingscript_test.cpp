// The building program's script language: its number readers wherever a number text is read,
// its error box, floattostr and tan, and a misused list as a script error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "script/buildingscript.h"
#include "script/profile.h"
#include "script/sourcecompiler.h"
#include "tests/script/script_fixture.h"

namespace {

using script_testing::ImageBuilder;
using script_testing::Reports;
using script_testing::ScriptTest;

const std::string kDegree = "\xB0";

struct Box {
  std::string caption, text;
  bool flagWhenShown;
};

std::vector<Box>& Boxes() {
  static std::vector<Box> boxes;
  return boxes;
}

void RecordBox(const std::string& caption, const std::string& text) {
  Boxes().push_back({caption, text, ScriptErrorFlag});
}

float g_keptFloat = 0;
std::string g_keptText;
void KeepFloat() { g_keptFloat = PopFloat(); }
void KeepText() { g_keptText = PopString(); }

// The script units started afresh under a profile, with "keepf" and "keeps" taking one argument
// each and every box recorded.
class ProfileTest : public ScriptTest {
 protected:
  void Start(const TScriptProfile& profile) {
    SetScriptProfile(profile);
    Boxes().clear();
    platform::SetMessageBoxSink(RecordBox);
  }
  void SetUp() override {
    ScriptTest::SetUp();
    AddExtProc("keepf", KeepFloat, "", 1, 0);
    AddExtProc("keeps", KeepText, "", 1, 0);
    Start(kBuildingScriptProfile);
  }
  void TearDown() override {
    platform::SetMessageBoxSink(nullptr);
    SetScriptProfile(kSharedScriptProfile);
    ScriptTest::TearDown();
  }

  // The float a built-in gives for the PUSHVA word, taken by the host as a float.
  static float CallFloat(const std::string& builtin, const std::string& word) {
    g_keptFloat = -1;
    Run({"@" + builtin, "@KEEPF", "PUSHVA " + word, "CALLEXT " + builtin, "CALLEXT KEEPF"});
    return g_keptFloat;
  }
  // The PUSHVA word taken by the host as a float.
  static float HostFloat(const std::string& word) {
    g_keptFloat = -1;
    Run({"@KEEPF", "PUSHVA " + word, "CALLEXT KEEPF"});
    return g_keptFloat;
  }
  // The same, taken as text.
  static std::string CallText(const std::string& builtin, const std::string& word) {
    g_keptText = "?";
    Run({"@" + builtin, "@KEEPS", "PUSHVA " + word, "CALLEXT " + builtin, "CALLEXT KEEPS"});
    return g_keptText;
  }
};

using BuildingScript = ProfileTest;

TEST(BuildingNumberReaders, ScriptStrToIntReadsLenientlyAndNeverFails) {
  struct Row {
    std::string text;
    int32_t value;
  };
  const Row rows[] = {
      {"", 0},       {"   ", 0},     {"000", 0},   {"007", 7},   {"1 2", 12},  {"_12", -12}, {"0_5", -5},
      {"+7", 7},     {"5-3", 5},     {"-", 0},     {"12a", 0},   {"1.5", 0},   {"1,5", 0},   {"$1F", 0},
      {"0x1F", 0},   {" -0042", -42}, {"2_", 2},
      // Only the first 255 characters count: the 2 of "12" is the 256th.
      {std::string(254, ' ') + "12", 1},
  };
  for (const Row& r : rows) EXPECT_EQ(ScriptStrToInt(r.text), r.value) << "\"" << r.text << "\"";
}

TEST(BuildingNumberReaders, ScriptStrToFloatReadsCommaPointUnderscoreAndDegrees) {
  struct Row {
    std::string text;
    float value;
  };
  const Row rows[] = {
      {"1,5", 1.5f},
      {"1.5", 1.5f},
      {"_2.5", -2.5f},
      {"_2,5", -2.5f},
      {"90" + kDegree, 1.5707964f},
      {"180" + kDegree, 3.1415927f},
      {"_45,0" + kDegree, -0.7853982f},
      {kDegree, 0.0f},
      {"", 0.0f},
      {"abc", 0.0f},
      {" 2,5", 2.5f},  // leading blanks are skipped by the reader
      {"1 5", 1.0f},   // a blank inside is not removed: the reading stops there
      {"1e2", 100.0f},
      {"2.5x", 25.0f},  // the digits before a bad character, as StrToFloatVal gives them
      {"9" + kDegree + "0", 9.0f},  // a degree sign that is not the last character is no suffix
  };
  for (const Row& r : rows) EXPECT_EQ(ScriptStrToFloat(r.text), r.value) << "\"" << r.text << "\"";
}

// Text values read as numbers through the profile's readers; the shared profile keeps the base
// library's readers.
TEST_F(BuildingScript, ScriptValuesReadTextsWithTheProfilesReaders) {
  int32_t hostInt = 0;
  float hostFloat = 0;
  ShortString<255> hostText;
  TQzVariantP intHost(&hostInt, kVarInteger, "i"), floatHost(&hostFloat, kVarFloat, "f"),
      textHost(&hostText, kVarString, "t"), recordHost(&hostInt, kVarRecord, "r");
  TQzVariant v;
  for (const TScriptProfile* profile : {&kBuildingScriptProfile, &kSharedScriptProfile}) {
    SetScriptProfile(*profile);
    const bool building = profile == &kBuildingScriptProfile;
    v.SetString("1 2");
    EXPECT_EQ(v.GetInteger(), building ? 12 : 1);
    EXPECT_EQ(v.GetRecord(), building ? 12 : 1);
    v.SetString("1,5");
    EXPECT_EQ(v.GetFloat(), building ? 1.5f : 1.0f);
    v.SetString("90" + kDegree);
    EXPECT_EQ(v.GetFloat(), building ? 1.5707964f : 90.0f);
    intHost.SetString("_7");
    EXPECT_EQ(hostInt, building ? -7 : 0);
    recordHost.SetString("0 9");
    EXPECT_EQ(hostInt, building ? 9 : 0);
    floatHost.SetString("180" + kDegree);
    EXPECT_EQ(hostFloat, building ? 3.1415927f : 180.0f);
    hostText.assign("_2,5");
    EXPECT_EQ(textHost.GetFloat(), building ? -2.5f : 0.0f);
    hostText.assign("007");
    EXPECT_EQ(textHost.GetInteger(), 7);
    hostText.assign("1 2");
    EXPECT_EQ(textHost.GetRecord(), building ? 12 : 1);
  }
}

// A host routine that takes a number from a text argument reads it with the profile's readers, the
// built-ins strtoint and strtofloat keep the base library's readers, floattostr writes 3 decimals
// and tan works at extended precision.
TEST_F(BuildingScript, BuiltinsOfTheProfile) {
  EXPECT_EQ(HostFloat("'1,5'"), 1.5f);  // a host routine's PopFloat of a text
  EXPECT_EQ(CallText("STRTOINT", "'1 2'"), "1");
  EXPECT_EQ(CallText("STRTOINT", "'_12'"), "0");
  EXPECT_EQ(CallFloat("STRTOFLOAT", "'1,5'"), 1.0f);
  EXPECT_EQ(CallFloat("STRTOFLOAT", "'90" + kDegree + "'"), 90.0f);
  EXPECT_EQ(CallText("FLOATTOSTR", "2"), "2.000");
  EXPECT_EQ(CallText("FLOATTOSTR", "-0.5"), "-0.500");
  EXPECT_EQ(CallText("FLOATTOSTR", "1.23456"), "1.235");
  EXPECT_EQ(CallFloat("TAN", "45"), 1.0f);
  // tan 60 is the square root of 3: the extended angle gives its nearest float, the angle rounded
  // to a float first gives the next float above it.
  EXPECT_EQ(CallFloat("TAN", "60"), 1.73205078f);
  EXPECT_EQ(CallFloat("TANR", "1.0471976"), 1.7320509f);
  EXPECT_TRUE(Reports().empty()) << LastMessage();

  Start(kSharedScriptProfile);
  EXPECT_EQ(CallText("FLOATTOSTR", "2"), "2.00000000");
  EXPECT_EQ(CallFloat("TAN", "60"), 1.7320509f);
  EXPECT_EQ(HostFloat("'1,5'"), 1.0f);
}

// Number words of the assembler and of CALC expressions: the building profile reads each one
// and never stops, where the shared profile refuses it with C-021.
TEST_F(BuildingScript, AssemblerAndCalcReadNumberWordsLeniently) {
  struct Row {
    std::vector<std::string> lines;  // leave the value in the accumulator
    std::string result;
  };
  const Row rows[] = {
      {{"SET X FLOAT", "MOV X 90.0" + kDegree, "MOVR X"}, "1.571"},
      {{"SET X FLOAT", "MOV X _2.5", "MOVR X"}, "-2.500"},
      {{"SET X FLOAT", "MOV X 1,5.0", "MOVR X"}, "15.000"},  // "1.5.0": the digits before the second point
      {{"SET X INTEGER", "MOV X 1-2", "MOVR X"}, "1"},
      {{"SET X INTEGER", "MOV X 99999999999", "MOVR X"}, "999999999"},
      {{"PUSHVA 180.0" + kDegree, "POP"}, "3.142"},
      {{"PUSHVA 0-7", "POP"}, "-7"},
      {{"SET X INTEGER", "MOV X 10", "INC X 0-3", "MOVR X"}, "7"},
      {{"SET X INTEGER", "MOV X 10", "DEC X,+-2", "MOVR X"}, "10"},  // "+-2": a misplaced sign reads 0
      {{"CALC 1,5+2"}, "2"},  // no point: an integer operand, which reads as 0
      {{"CALC 1,5.5*2"}, "30.000"},
      {{"CALC 180.0" + kDegree + "/2"}, "1.571"},
  };
  for (const Row& r : rows) {
    Start(kBuildingScriptProfile);
    Reports().clear();
    EXPECT_EQ(Run(r.lines), r.result) << r.lines[r.lines.size() > 1 ? 1 : 0];
    EXPECT_TRUE(Boxes().empty()) << Boxes().front().caption;

    Start(kSharedScriptProfile);
    Reports().clear();
    Assemble(r.lines);
    EXPECT_EQ(FirstMessage().substr(0, 5), "C-021") << r.lines[r.lines.size() > 1 ? 1 : 0];
    EXPECT_TRUE(Boxes().empty());
  }
}

// A reference to a CALC result is read with ScriptStrToInt: "$1F" is temporary 0, which the run
// refuses, and "$" alone as a whole expression is temporary 0 and writes nothing.
TEST_F(BuildingScript, TemporaryReferencesNeverStopTheAssembly) {
  TScriptStream code;
  AssembleScript({"CALC $", "CALC 4+$1F"}, code);
  ASSERT_FALSE(ScriptErrorFlag) << LastMessage();
  ScriptErrorFlag = false;
  RunScript(code.Bytes);
  EXPECT_EQ(LastMessage(), "I-018 : ERROR : Invalid temporary number (0)");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, "Invalid temporary number (0)");
}

TEST_F(BuildingScript, EveryErrorIsShownInABoxBeforeTheFlagIsSet) {
  struct Row {
    std::string message;
    int32_t position;
    std::string caption, text;
  };
  const Row rows[] = {
      {"C-002 : ERROR : Calculation not closed", 0, "Quillon-Compiler-Error (C-002)", "Calculation not closed"},
      {"I-007 : ERROR : Division by Zero!", 57, "Quillon-Interpreter-Error (I-007) at position 57", "Division by Zero!"},
      {"C-009-006 : ERROR : Unknown variable (\"Q\")", 0, "Quillon-Compiler-Error (C-009-006)",
       "Unknown variable (\"Q\")"},
      {"H-017 : ERROR : Unparseable: X", 0, "Quillon-Compiler-Error (H-017)", "Unparseable: X"},
      {"x-5 : ERROR : odd", 0, "Quillon-Compiler-Error (X-5)", "odd"},
      {"I-006 : Boolish operator needed!", 9, "Quillon-Interpreter-Error (I-006) at position 9", "needed!"},
  };
  for (const Row& r : rows) {
    Boxes().clear();
    ScriptErrorFlag = false;
    ProgramCounter = r.position;
    ScriptError(r.message);
    ASSERT_EQ(Boxes().size(), 1u) << r.message;
    EXPECT_EQ(Boxes()[0].caption, r.caption);
    EXPECT_EQ(Boxes()[0].text, r.text);
    EXPECT_FALSE(Boxes()[0].flagWhenShown) << r.message;
    EXPECT_TRUE(ScriptErrorFlag);
    // A second error while the flag is set still shows its box.
    ScriptError(r.message);
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_TRUE(Boxes()[1].flagWhenShown);
  }
  // Texts and captions are cut at 255 characters.
  Boxes().clear();
  ScriptError("H-" + std::string(300, '1') + " : ERROR : x");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].caption.size(), 255u);
}

// Errors raised by the three stages on their way: each shows one box with its caption and text.
TEST_F(BuildingScript, ErrorsOfTheCompilerTheAssemblerAndARunShowTheirBoxes) {
  std::vector<std::string> assembler;
  TScriptStream code;
  EXPECT_FALSE(CompileScript({"Begin", "NOSUCH;", "End;"}, assembler, code));
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].caption, "Quillon-Compiler-Error (H-003)");
  EXPECT_EQ(Boxes()[0].text, "Unknown function \"NOSUCH\"!");

  Boxes().clear();
  Assemble({"CALC (1+2"});
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].caption, "Quillon-Compiler-Error (C-002)");
  EXPECT_EQ(Boxes()[0].text, "Calculation not closed");

  Boxes().clear();
  Run({"SET X INTEGER", "CALC X/0"});
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].caption, LastScriptError.Title);
  EXPECT_EQ(Boxes()[0].caption.rfind("Quillon-Interpreter-Error (I-007) at position ", 0), 0u);
  EXPECT_EQ(Boxes()[0].text, "Division by Zero!");
  EXPECT_FALSE(Boxes()[0].flagWhenShown);
}

// Misused lists: taking back the binding of a name that has none, a RET with no call open in a
// run, an ENDBLOCK or RET with no BLOCK or PROC open in the assembler. Each is a script error with
// its box, the program goes on and nothing is read past a list.
TEST_F(BuildingScript, AMisusedListIsAScriptError) {
  TSNLink link;
  PopBinding(link);
  EXPECT_TRUE(ScriptErrorFlag);
  EXPECT_EQ(LastMessage(), "C-024 : ERROR : List index out of range (-1)");
  EXPECT_EQ(link.Bindings.Count, 0);
  EXPECT_EQ(link.Current, nullptr);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].caption, "Quillon-Compiler-Error (C-024)");
  EXPECT_EQ(Boxes()[0].text, "List index out of range (-1)");

  // The same from a host routine in a run ends the run.
  static TSNLink empty;
  AddExtProc("unbind", [] { PopBinding(empty); }, "", 0, 0);
  Boxes().clear();
  EXPECT_EQ(Run({"@UNBIND", "CALC 5", "CALLEXT UNBIND", "CALC 6"}), "5");
  EXPECT_EQ(LastMessage(), "I-023 : ERROR : List index out of range (-1)");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].caption.rfind("Quillon-Interpreter-Error (I-023) at position ", 0), 0u);

  // RET with an empty call stack: five operands read, then the error at offset 15.
  ImageBuilder b;
  b.U8(4).U16(0).U16(0).U16(0).U16(0).U16(0);
  Boxes().clear();
  ScriptErrorFlag = false;
  RunScript(b.Finish());
  EXPECT_EQ(LastMessage(), "I-014 : ERROR : Return without call");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].caption, "Quillon-Interpreter-Error (I-014) at position 15");
  EXPECT_FALSE(ScriptRunning);

  struct Row {
    std::vector<std::string> lines;
    std::string caption, text;
  };
  const Row rows[] = {
      {{"ENDBLOCK"}, "Quillon-Compiler-Error (C-017)", "ENDBLOCK without BLOCK"},
      {{"BLOCK", "ENDBLOCK", "ENDBLOCK"}, "Quillon-Compiler-Error (C-017)", "ENDBLOCK without BLOCK"},
      {{"RET"}, "Quillon-Compiler-Error (C-018)", "RET without PROC"},
      {{"PROC P", "RET", "RET"}, "Quillon-Compiler-Error (C-018)", "RET without PROC"},
  };
  for (const Row& r : rows) {
    Boxes().clear();
    TScriptStream code;
    AssembleScript(r.lines, code);
    EXPECT_TRUE(ScriptErrorFlag);
    EXPECT_EQ(code.Size(), 4u);
    ASSERT_EQ(Boxes().size(), 1u) << r.lines.back();
    EXPECT_EQ(Boxes()[0].caption, r.caption);
    EXPECT_EQ(Boxes()[0].text, r.text);
  }
}

}  // namespace
