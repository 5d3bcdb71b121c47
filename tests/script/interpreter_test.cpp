#include "script/interpreter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/base/text.h"
#include "tests/script/script_fixture.h"

namespace {

using script_testing::FromHex;
using script_testing::ImageBuilder;
using script_testing::Reports;
using script_testing::Shown;
using Interpreter = script_testing::ScriptTest;

int g_count = 0;
void Count() { ++g_count; }

TEST_F(Interpreter, EmptyImageGivesNoDataAndStaysIdle) {
  EXPECT_EQ(RunScript(std::vector<uint8_t>{0, 0, 0, 0}), "NO DATA");
  EXPECT_FALSE(ScriptRunning);
  EXPECT_TRUE(Reports().empty());
  std::string result;
  RunScript(FromHex("00 00 00 00 63 63").data(), 6, true, result);
  EXPECT_EQ(result, "NO DATA");
}

std::string g_nested;
void RunNested() {
  g_nested.clear();
  RunScript(std::vector<uint8_t>{0, 0, 0, 0}).swap(g_nested);
}

TEST_F(Interpreter, RunWhileRunningIsRefused) {
  AddExtProc("nested", RunNested, "", 0, 0);
  EXPECT_EQ(Run({"@NESTED", "CALLEXT NESTED", "CALC 5", "QUIT"}), "5");
  EXPECT_EQ(g_nested, "running already");
  EXPECT_FALSE(ScriptRunning);
}

TEST_F(Interpreter, ResultIsTheAccumulatorAsText) {
  EXPECT_EQ(Run({"PUSHVA 7", "POP", "QUIT"}), "7");
  EXPECT_EQ(Run({"PUSHVA 2.5", "POP", "QUIT"}), "2.500");
  EXPECT_EQ(Run({"PUSHVA 'two words'", "POP"}), "two words");
  EXPECT_EQ(Run({"CALC 40+2", "QUIT", "CALC 1"}), "42");  // QUIT ends the run
}

// IF skips when the accumulator holds 0, IFNT when it holds exactly 1; each skips CALL and
// CALLEXT by their 2-byte operand, JUMP by its 4-byte operand and BLOCK to its end.
TEST_F(Interpreter, IfAndIfntSkipWidths) {
  AddExtProc("count", Count, "", 0, 0);
  struct Next {
    const char* name;
    std::vector<std::string> lines;  // what follows the IF or IFNT
    int skipped, notSkipped;         // COUNT calls in either case
  };
  const Next nexts[] = {
      {"CALLEXT", {"CALLEXT COUNT", "CALLEXT COUNT"}, 1, 2},
      {"CALL", {"CALL P", "CALLEXT COUNT"}, 1, 3},
      {"BLOCK", {"BLOCK", "CALLEXT COUNT", "CALLEXT COUNT", "ENDBLOCK", "CALLEXT COUNT"}, 1, 3},
  };
  struct Cond {
    const char* ins;
    int value;
    bool skips;
  };
  const Cond conds[] = {{"IF", 0, true},  {"IF", 1, false},  {"IF", 2, false},
                        {"IFNT", 1, true}, {"IFNT", 0, false}, {"IFNT", 2, false}};
  for (const Next& next : nexts) {
    for (const Cond& c : conds) {
      std::vector<std::string> lines = {"@COUNT", "PROC P", "CALLEXT COUNT", "CALLEXT COUNT", "RET",
                                        "CALC " + std::to_string(c.value), c.ins};
      lines.insert(lines.end(), next.lines.begin(), next.lines.end());
      g_count = 0;
      Run(lines);
      EXPECT_EQ(g_count, c.skips ? next.skipped : next.notSkipped) << next.name << " " << c.ins << " " << c.value;
      EXPECT_TRUE(Reports().empty()) << script_testing::ScriptTest::LastMessage();
    }
  }
  // JUMP: a jump ahead (only a hand-made image can hold one) over one COUNT.
  for (const Cond& c : conds) {
    ImageBuilder b;
    b.ProcNames = {"COUNT"};
    b.U8(11).U8(1).U8(3).U32(uint32_t(c.value)).U8(255);  // CALC value
    b.U8(c.ins[2] == 0 ? 20 : 21);                          // IF or IFNT
    const uint32_t jump = b.Here();
    b.U8(3).U32(jump + 5 + 3);                               // JUMP over the next CALLEXT
    b.U8(19).U16(1).U8(19).U16(1);
    g_count = 0;
    EXPECT_EQ(RunScript(b.Finish()), std::to_string(c.value));
    EXPECT_EQ(g_count, c.skips ? 2 : 1) << "JUMP " << c.ins << " " << c.value;
  }
}

TEST_F(Interpreter, IfBeforeAnyOtherInstructionReportsI008) {
  EXPECT_EQ(Run({"CALC 0", "IF", "PUSH", "CALC 3"}), "0");
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0].Message, "I-008 : ERROR : Only calls/blocks/jumps allowed after IF/IFNOT!");
  EXPECT_EQ(Reports()[0].Title, "Quillon-Interpreter-Error (I-008) at position 14");
}

TEST_F(Interpreter, PopOfEmptyStackReportsI009AfterThePopByte) {
  EXPECT_EQ(RunScript(FromHex("0E 00 00 00 0A 63 00 00 00 00 05 00 00 00")), "0");
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0].Title, "Quillon-Interpreter-Error (I-009) at position 5");
  EXPECT_EQ(Reports()[0].Text, "Tryed to pop of empty stack");
  Reports().clear();
  EXPECT_EQ(Run({"CALC 9", "POP", "CALC 1"}), "9");
  EXPECT_EQ(script_testing::ScriptTest::LastMessage(), "I-009 : ERROR : Tryed to pop of empty stack");
}

TEST_F(Interpreter, StackHolds1998ValuesAndNeverWritesPastItsEnd) {
  std::vector<std::string> lines(1998, "PUSH");
  Run(lines);
  EXPECT_TRUE(Reports().empty());
  lines.push_back("PUSH");
  Run(lines);
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0].Message, "I-010 : ERROR : Stack overflow");
  EXPECT_EQ(Reports()[0].Title, "Quillon-Interpreter-Error (I-010) at position 2003");
}

int32_t g_depthAfterFlood = 0;
void Flood() {
  for (int i = 0; i < 2500; ++i) PushInt(i);
  for (int i = 0; i < 50; ++i) PushString("x");
  for (int i = 0; i < 50; ++i) PushFloat(1.0f);
  g_depthAfterFlood = StackDepth;
}

TEST_F(Interpreter, HostPushesReportOverflowAndStopAtTheStacksEnd) {
  AddExtProc("flood", Flood, "", 0, 0);
  Run({"@FLOOD", "CALLEXT FLOOD"});
  EXPECT_EQ(g_depthAfterFlood, kScriptPoolSize);
  EXPECT_EQ(script_testing::ScriptTest::LastMessage(), "I-010 : ERROR : Stack overflow");
  EXPECT_EQ(ValueStackEntry(kScriptPoolSize).GetInteger(), kScriptPoolSize - 1);
}

TEST_F(Interpreter, SetTwiceHidesTheOuterVariableUntilUnset) {
  Run({"@SHOWMESS", "SET X INTEGER", "MOV X 1", "SET X STRING", "MOV X 'inner'", "PUSHV X", "CALLEXT SHOWMESS",
       "UNSET X", "PUSHV X", "CALLEXT SHOWMESS", "UNSET X", "UNSET X"});
  EXPECT_TRUE(Reports().empty()) << script_testing::ScriptTest::LastMessage();
  EXPECT_EQ(Shown(), (std::vector<std::string>{"inner", "1"}));
}

// MOV of a constant into host variables of every registered type: the storage shows what the
// constant became, and a refused constant leaves it as it was.
TEST_F(Interpreter, MovConversionTable) {
  int32_t i = 11;
  float f = 1.25f;
  ShortString<255> s{};
  s.assign("old");
  int32_t r = 33;
  AddExtVar("vi", 0, &i);
  AddExtVar("vf", 1, &f);
  AddExtVar("vs", 2, &s);
  AddExtVar("vr", 3, &r);
  const auto stored = [&](const std::string& var) {
    if (var == "VI") return std::to_string(i);
    if (var == "VF") return FloatToStrDigits(3, f);
    if (var == "VS") return s.str();
    return std::to_string(r);
  };
  struct Row {
    const char* var;
    const char* constant;
    const char* stored;   // the storage afterwards
    const char* message;  // "" when none
  };
  const Row rows[] = {
      {"VI", "5", "5", ""},
      {"VI", "2.5", "2", ""},
      {"VI", "3.5", "4", ""},
      {"VI", "-2.5", "-2", ""},
      {"VI", "'ab'", "11", "I-011-002 : ERROR : Can't set an integer to a string-value! (ab)"},
      {"VI", "NIL", "11", ""},
      {"VF", "5", "5.000", ""},
      {"VF", "2.5", "2.500", ""},
      {"VF", "'ab'", "1.250", "I-011-003 : ERROR : Can't set a float to a string-value! (ab)"},
      {"VS", "-5", "old", "I-011 : ERROR-006 : Can't set a string to an integer-value! (_5)"},
      {"VS", "2.5", "old", "I-011-005 : ERROR : Can't set a string to a float-value! (2.500)"},
      {"VS", "'a b'", "a b", ""},
      {"VR", "5", "5", ""},
      {"VR", "2.5", "33", "I-011-004 : ERROR : Can't set a record to a float-value! (2.500)"},
      {"VR", "'ab'", "33", "I-011-001 : ERROR : Can't set a record to a string-value! (ab)"},
  };
  for (const Row& row : rows) {
    i = 11;
    f = 1.25f;
    s.assign("old");
    r = 33;
    Reports().clear();
    Run({std::string("^") + row.var, std::string("MOV ") + row.var + " " + row.constant});
    EXPECT_EQ(stored(row.var), row.stored) << row.var << " " << row.constant;
    EXPECT_EQ(script_testing::ScriptTest::LastMessage(), row.message) << row.var << " " << row.constant;
  }
  // Own variables take the same rules by their current kind.
  Run({"@SHOWMESS", "SET X INTEGER", "MOV X 2.5", "PUSHV X", "CALLEXT SHOWMESS", "MOV X 3.5", "PUSHV X",
       "CALLEXT SHOWMESS"});
  EXPECT_EQ(Shown(), (std::vector<std::string>{"2", "4"}));
}

// POPV and MOVR + store by the source's kind and the variable's current kind.
TEST_F(Interpreter, StoreConversionTableOfPopvAndMovr) {
  struct Row {
    const char* source;  // a PUSHVA word: integer, float, text, or a record (NIL)
    const char* type;
    const char* shown;    // the variable afterwards
    const char* message;  // "" when none
  };
  const Row rows[] = {
      {"12", "INTEGER", "12", ""},
      {"12", "FLOAT", "12.000", ""},
      {"-3", "STRING", "", "I-011 : ERROR : Can't set a string to an integer-value! (_3)"},
      {"12", "RECORD", "12", ""},
      {"2.5", "INTEGER", "2", ""},
      {"3.5", "INTEGER", "4", ""},
      {"2.5", "FLOAT", "2.500", ""},
      {"2.5", "STRING", "", "I-011 : ERROR : Can't set a string to a float-value! (2.500)"},
      {"2.5", "RECORD", "", "I-011 : ERROR : Can't set a record to a float-value! (2.500)"},
      {"'12'", "INTEGER", "", "I-011 : ERROR : Can't set an integer to a string-value! (12)"},
      {"'12'", "FLOAT", "", "I-011 : ERROR : Can't set a float to a string-value! (12)"},
      {"'12'", "STRING", "12", ""},
      {"'12'", "RECORD", "", "I-011 : ERROR : Can't set a record to a string-value! (12)"},
      {"NIL", "INTEGER", "7", ""},
      {"NIL", "FLOAT", "7.000", ""},
      {"NIL", "STRING", "seven", ""},
      {"NIL", "RECORD", "7", ""},
  };
  for (const Row& row : rows) {
    const std::string type = row.type;
    const std::string start = type == "STRING" ? "'seven'" : type == "FLOAT" ? "7.0" : "7";
    for (const bool popv : {true, false}) {
      Reports().clear();
      Shown().clear();
      std::vector<std::string> lines = {"@SHOWMESS", "SET X " + type, "MOV X " + start,
                                        std::string("PUSHVA ") + row.source};
      if (popv) {
        lines.push_back("POPV X");
      } else {
        lines.push_back("POP");
        lines.push_back("MOVR +X");
      }
      lines.push_back("PUSHV X");
      lines.push_back("CALLEXT SHOWMESS");
      Run(lines);
      const std::string what = std::string(popv ? "POPV " : "MOVR ") + row.source + " into " + type;
      EXPECT_EQ(script_testing::ScriptTest::LastMessage(), row.message) << what;
      if (*row.message == 0) EXPECT_EQ(Shown(), (std::vector<std::string>{row.shown})) << what;
      else EXPECT_TRUE(Shown().empty()) << what;
    }
  }
}

TEST_F(Interpreter, IncDecAndSmeWorkOnIntegerValues) {
  Run({"@SHOWMESS", "SET F FLOAT", "MOV F 2.6", "INC F", "PUSHV F", "CALLEXT SHOWMESS", "SET N,M INTEGER", "MOV N 10",
       "DEC N,3", "INC N -2", "PUSHV N", "CALLEXT SHOWMESS", "MOV M 2147483647", "INC M", "PUSHV M", "CALLEXT SHOWMESS",
       "SME N M", "PUSH", "CALLEXT SHOWMESS", "SME M N", "PUSH", "CALLEXT SHOWMESS"});
  EXPECT_EQ(Shown(), (std::vector<std::string>{"4", "5", "-2147483648", "0", "1"}));
}

TEST_F(Interpreter, HostVariablesBindTheirLastRegistration) {
  int32_t first = 1, second = 2;
  AddExtVar("hv", 0, &first);
  AddExtVar("HV", 0, &second);
  EXPECT_EQ(Run({"^hv", "MOVR HV"}), "2");
  Run({"^HV", "MOV HV 9"});
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 9);
  // A host variable keeps no trace of the run in the slot it borrowed.
  EXPECT_EQ(Run({"SET A,B,C INTEGER", "MOVR A"}), "0");
  EXPECT_EQ(second, 9);
}

TEST_F(Interpreter, NamesOf26CharactersNeverLink) {
  const std::string name26(26, 'N');
  int32_t value = 4;
  AddExtVar(name26, 0, &value);
  AddExtProc(name26, Count, "", 0, 0);
  // The image holds the names cut to 25 characters.
  ImageBuilder b;
  b.VarNames = {name26.substr(0, 25)};
  b.ProcNames = {name26.substr(0, 25)};
  b.U8(19).U16(1);
  EXPECT_EQ(RunScript(b.Finish()), "0");
  EXPECT_EQ(script_testing::ScriptTest::LastMessage(),
            "I-016 : ERROR : External procedure not linked (\"" + name26.substr(0, 25) + "\")");
  ScriptErrorFlag = false;
  ImageBuilder v;
  v.VarNames = {name26.substr(0, 25)};
  v.U8(16).U8(1).U16(1);  // MOVR from the variable
  RunScript(v.Finish());
  EXPECT_EQ(script_testing::ScriptTest::LastMessage(), "I-019 : ERROR : Variable not set (\"" + name26.substr(0, 25) + "\")");
}

TEST_F(Interpreter, HostVariablesTakeSlotsEvenWhenTheImageDoesNotNameThem) {
  int32_t storage[10] = {};
  for (int k = 0; k < 10; ++k) AddExtVar("h" + std::to_string(k), 0, &storage[k]);
  const auto setLines = [](int count) {
    std::vector<std::string> lines;
    for (int first = 0; first < count; first += 35) {
      std::string names;
      for (int k = first; k < std::min(count, first + 35); ++k) names += (names.empty() ? "V" : ",V") + std::to_string(k);
      lines.push_back("SET " + names + " INTEGER");
    }
    return lines;
  };
  Run(setLines(1991));
  EXPECT_TRUE(Reports().empty()) << script_testing::ScriptTest::LastMessage();
  Run(setLines(1992));
  EXPECT_EQ(script_testing::ScriptTest::LastMessage(), "I-020 : ERROR : Capacity exceeded (variables)");
}

TEST_F(Interpreter, RetReleasesExactlyTheVariablesAllocatedSinceItsCall) {
  // The RET of P counts two SET names; only B is still allocated when it returns.
  Run({"@SHOWMESS", "SET Y INTEGER", "MOV Y 5", "PROC P", "SET A INTEGER", "SET B INTEGER", "UNSET A", "RET", "CALL P",
       "CALL P", "PUSHV Y", "CALLEXT SHOWMESS"});
  EXPECT_TRUE(Reports().empty()) << script_testing::ScriptTest::LastMessage();
  EXPECT_EQ(Shown(), (std::vector<std::string>{"5"}));
  Run({"PROC P", "SET B INTEGER", "RET", "CALL P", "PUSHV B"});
  EXPECT_EQ(script_testing::ScriptTest::LastMessage(), "I-019 : ERROR : Variable not set (\"B\")");
  // A RET whose counts claim more than the call allocated leaves the caller's variables alone.
  ImageBuilder b;
  b.VarNames = {"Y", "B"};
  b.ProcNames = {"P"};
  b.U8(2).U8(1).U8(1).U16(1);                                  // SET Y
  b.U8(0).U16(1).U8(1).U32(5);                                 // MOV Y 5
  const uint32_t proc = b.Here();
  b.U8(5).U32(proc + 9 + 5 + 11).U16(1).U16(0);                // PROC P
  b.U8(2).U8(1).U8(1).U16(2);                                  // SET B
  b.U8(4).U16(9).U16(9).U16(0).U16(0).U16(0);                  // RET claiming 9 procedures and 9 variables
  b.U8(1).U16(1);                                              // CALL P
  b.U8(16).U8(1).U16(1);                                       // MOVR Y
  Reports().clear();
  EXPECT_EQ(RunScript(b.Finish()), "5");
  EXPECT_TRUE(Reports().empty()) << script_testing::ScriptTest::LastMessage();
}

TEST_F(Interpreter, RecursiveProceduresKeepTheirOwnLocals) {
  const std::vector<std::string> fib = {
      "PROC FIB N/INTEGER", "SET N INTEGER", "POPV N",        "CALC N<2",   "BUFFC",   "IF",    "BLOCK",
      "PUSHV N",            "ENDBLOCK",      "CALC N>=2",     "BUFFC",      "IF",      "BLOCK", "SET A,B INTEGER",
      "CALC N-1",           "BUFFC",         "PUSH",          "CALL FIB",   "POPV A",  "CALC N-2", "BUFFC",
      "PUSH",               "CALL FIB",      "POPV B",        "CALC A+B",   "BUFFC",   "PUSH",  "UNSET A,B",
      "ENDBLOCK",           "UNSET N",       "RET"};
  std::vector<std::string> lines = fib;
  lines.insert(lines.end(), {"PUSHVA 15", "CALL FIB", "POP", "QUIT"});
  EXPECT_EQ(Run(lines), "610");
  EXPECT_TRUE(Reports().empty()) << script_testing::ScriptTest::LastMessage();
}

TEST_F(Interpreter, MisplacedCallsAndReturnsEndTheRunWithAnError) {
  // RET with nothing to return to.
  ImageBuilder ret;
  ret.U8(11).U8(1).U8(3).U32(3).U8(255);     // CALC 3
  ret.U8(4).U16(0).U16(0).U16(0).U16(0).U16(0);  // RET
  EXPECT_EQ(RunScript(ret.Finish()), "3");
  EXPECT_EQ(script_testing::ScriptTest::LastMessage(), "I-014 : ERROR : Return without call");
  // INNER is declared inside OUTER, whose body never ran; and it is gone again after OUTER returns.
  Reports().clear();
  Run({"PROC OUTER", "PROC INNER", "RET", "RET", "CALL INNER"});
  EXPECT_EQ(script_testing::ScriptTest::LastMessage(), "I-015 : ERROR : Unknown procedure called (\"INNER\")");
  Reports().clear();
  Run({"PROC OUTER", "PROC INNER", "RET", "CALL INNER", "RET", "CALL OUTER", "CALL INNER"});
  EXPECT_EQ(Reports().size(), 1u);
  EXPECT_EQ(script_testing::ScriptTest::LastMessage(), "I-015 : ERROR : Unknown procedure called (\"INNER\")");
  // A name the run could not link.
  ScriptErrorFlag = false;
  ImageBuilder b;
  b.ProcNames = {"NOBODY"};
  b.U8(19).U16(1);
  RunScript(b.Finish());
  EXPECT_EQ(script_testing::ScriptTest::LastMessage(), "I-016 : ERROR : External procedure not linked (\"NOBODY\")");
}

int32_t g_position = 0;
void NotePosition() { g_position = ProgramCounter; }

TEST_F(Interpreter, HostRoutineRunsWhileTheCounterStandsOnItsOperand) {
  AddExtProc("note", NotePosition, "", 0, 0);
  EXPECT_EQ(Run({"@NOTE", "PUSH", "CALLEXT NOTE", "CALC 1"}), "1");
  EXPECT_EQ(g_position, 6);
}

void SetRef() {
  const int32_t handle = PopInt();
  const float value = PopFloat();
  ScriptPointerSetFloat(handle, value);
}

TEST_F(Interpreter, PushPointerGivesAHandleThatHostRoutinesWriteThrough) {
  AddExtProc("setref", SetRef, "", 2, 0);
  float hostFloat = 0.5f;
  AddExtVar("hf", 1, &hostFloat);
  Run({"@SETREF", "@SHOWMESS", "^HF", "SET D FLOAT", "SET N INTEGER", "MOV D 1.5", "PUSHVA 7.25", "PUSHPOINTER D",
       "CALLEXT SETREF", "PUSHVA 7.5", "PUSHPOINTER N", "CALLEXT SETREF", "PUSHVA 3.75", "PUSHPOINTER HF",
       "CALLEXT SETREF", "PUSHV D", "CALLEXT SHOWMESS", "PUSHV N", "CALLEXT SHOWMESS"});
  EXPECT_TRUE(Reports().empty()) << script_testing::ScriptTest::LastMessage();
  EXPECT_EQ(Shown(), (std::vector<std::string>{"7.250", "8"}));
  EXPECT_EQ(hostFloat, 3.75f);

  // Any other number, or a handle whose variable has been released, is refused.
  Reports().clear();
  Run({"@SETREF", "PUSHVA 2.0", "PUSHVA 12345", "CALLEXT SETREF"});
  EXPECT_EQ(script_testing::ScriptTest::LastMessage(), "I-021 : ERROR : Invalid pointer (12345)");
  Reports().clear();
  Shown().clear();
  Run({"@SETREF", "@SHOWMESS", "SET D FLOAT", "PUSHVA 2.0", "PUSHPOINTER D", "UNSET D", "SET E FLOAT", "MOV E 1.0",
       "CALLEXT SETREF", "PUSHV E", "CALLEXT SHOWMESS"});
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0].Message.substr(0, 30), "I-021 : ERROR : Invalid pointe");
  EXPECT_TRUE(Shown().empty());
}

TEST_F(Interpreter, ErrorFlagSetBeforeTheRunStopsItAfterTheFirstInstruction) {
  const std::vector<uint8_t> image = Assemble({"@SHOWMESS", "PUSHVA 'a'", "CALLEXT SHOWMESS"});
  ScriptErrorFlag = true;
  RunScript(image);
  EXPECT_TRUE(Shown().empty());
  const std::vector<uint8_t> calc = Assemble({"CALC 1+2"});
  ScriptErrorFlag = true;
  EXPECT_EQ(RunScript(calc), "0");
}

std::vector<int32_t> g_popped;
void PopTwice() {
  ScriptErrorFlag = true;  // as after an earlier error
  g_popped.push_back(PopInt());
  g_popped.push_back(StackDepth);
  ScriptErrorFlag = false;
  g_popped.push_back(PopInt());
  g_popped.push_back(StackDepth);
}

TEST_F(Interpreter, PopWhileTheFlagIsSetLeavesTheStack) {
  AddExtProc("poptwice", PopTwice, "", 0, 0);
  g_popped.clear();
  Run({"@POPTWICE", "PUSHVA 8", "CALLEXT POPTWICE"});
  EXPECT_EQ(g_popped, (std::vector<int32_t>{0, 1, 8, 0}));
}

TEST_F(Interpreter, StepLimitEndsAnEndlessLoop) {
  interpreter_test::SetStepLimit(10000);
  EXPECT_EQ(Run({"CALC 4", "LABEL L", "JUMP L"}), "4");
  EXPECT_EQ(script_testing::ScriptTest::LastMessage(), "I-022 : ERROR : Step limit reached");
  // The limit counts instructions: three that do nothing and the closing QUIT take four.
  ImageBuilder b;
  b.U8(6).U8(6).U8(6);
  for (const uint64_t limit : {4u, 3u}) {
    interpreter_test::SetStepLimit(limit);
    Reports().clear();
    ScriptErrorFlag = false;
    RunScript(b.Finish());
    EXPECT_EQ(Reports().size(), limit == 4 ? 0u : 1u) << limit;
  }
}

// Without any test seam, an image that jumps to itself ends at the step budget with an error of
// its own; the interpreter is free again and the next run goes as usual.
TEST_F(Interpreter, ImageThatJumpsToItselfEndsAtTheStepBudget) {
  ImageBuilder b;
  b.U8(11).U8(1).U8(3).U32(4).U8(255);  // CALC 4
  const uint32_t self = b.Here();
  b.U8(3).U32(self);  // JUMP to itself
  ScriptErrorFlag = false;
  EXPECT_EQ(RunScript(b.Finish()), "4");
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0].Message, "I-022 : ERROR : Step limit reached");
  EXPECT_EQ(Reports()[0].Title, "Quillon-Interpreter-Error (I-022) at position " + std::to_string(self));
  EXPECT_FALSE(ScriptRunning);
  Reports().clear();
  EXPECT_EQ(Run({"CALC 7"}), "7");
  EXPECT_TRUE(Reports().empty());
}

// Every malformed image ends with an interpreter error, without reading outside it.
TEST_F(Interpreter, MalformedImagesEndWithAnError) {
  struct Row {
    const char* what;
    std::vector<uint8_t> image;
    size_t length;  // bytes given; 0: the whole vector
    const char* message;
  };
  const std::vector<uint8_t> good = FromHex("0D 00 00 00 63 00 00 00 00 04 00 00 00");
  const auto with = [&good](size_t at, uint8_t value) {
    std::vector<uint8_t> v = good;
    v[at] = value;
    return v;
  };
  const auto image = [](const std::string& hex) { return FromHex(hex); };
  const Row rows[] = {
      {"three bytes", {1, 0, 0}, 0, "I-012 : ERROR : Invalid script image (shorter than its size word)"},
      {"size 12", with(0, 12), 0, "I-012 : ERROR : Invalid script image (size 12 below 13)"},
      {"size beyond the bytes", with(0, 14), 0, "I-012 : ERROR : Invalid script image (size 14 beyond the 13 bytes given)"},
      {"bytes given cut", good, 12, "I-012 : ERROR : Invalid script image (size 13 beyond the 12 bytes given)"},
      {"size above the buffer", image("01 00 01 00 63 00 00 00 00 04 00 00 00"), 0,
       "I-012 : ERROR : Invalid script image (size 65537 above 65536)"},
      {"trailer offset 3", with(9, 3), 0, "I-012 : ERROR : Invalid script image (trailer offset 3 outside)"},
      {"trailer offset past the counts", with(9, 5), 0, "I-012 : ERROR : Invalid script image (trailer offset 5 outside)"},
      {"no QUIT", with(4, 98), 0, "I-012 : ERROR : Invalid script image (no QUIT at the trailer offset 4)"},
      {"too many names", image("0D 00 00 00 63 D2 07 00 00 04 00 00 00"), 0,
       "I-012 : ERROR : Invalid script image (too many names)"},
      {"names beyond the trailer", image("10 00 00 00 63 01 00 00 00 03 41 42 04 00 00 00"), 0,
       "I-012 : ERROR : Invalid script image (names beyond the trailer)"},
      {"operand past the end", image("14 00 00 00 03 10 00 00 00 09 09 63 00 00 00 00 0B 00 00 00"), 0,
       "I-013 : ERROR : Instruction runs past the end of the code"},
      {"jump before the code", image("12 00 00 00 03 02 00 00 00 63 00 00 00 00 09 00 00 00"), 0,
       "I-013 : ERROR : Jump target out of range (2)"},
      {"jump behind the image", image("12 00 00 00 03 13 00 00 00 63 00 00 00 00 09 00 00 00"), 0,
       "I-013 : ERROR : Jump target out of range (19)"},
      {"PROC ending behind the image", image("18 00 00 00 05 FF 00 00 00 01 00 00 00 63 00 00 01 00 01 50 0D 00 00 00"), 0,
       "I-013 : ERROR : Jump target out of range (255)"},
      {"BLOCK skipped behind the image", image("13 00 00 00 14 19 F0 00 00 00 63 00 00 00 00 0A 00 00 00"), 0,
       "I-013 : ERROR : Jump target out of range (240)"},
      {"variable number 0", image("10 00 00 00 16 00 00 63 00 00 00 00 07 00 00 00"), 0,
       "I-018 : ERROR : Invalid variable number (0)"},
      {"variable number beyond the names", image("12 00 00 00 16 02 00 63 01 00 00 00 01 41 07 00 00 00"), 0,
       "I-018 : ERROR : Invalid variable number (2)"},
      {"variable not set", image("12 00 00 00 16 01 00 63 01 00 00 00 01 41 07 00 00 00"), 0,
       "I-019 : ERROR : Variable not set (\"A\")"},
      {"procedure number beyond the names", image("10 00 00 00 01 01 00 63 00 00 00 00 07 00 00 00"), 0,
       "I-018 : ERROR : Invalid procedure number (1)"},
      {"temporary never made", image("13 00 00 00 0B 01 01 01 00 FF 63 00 00 00 00 0A 00 00 00"), 0,
       "I-018 : ERROR : Invalid temporary number (1)"},
      {"working value beyond the operands", image("1A 00 00 00 0B 01 03 01 00 00 00 00 05 03 01 01 FF 63 00 00 00 00 11 00 00 00"), 0,
       "I-018 : ERROR : Invalid working value number"},
      {"SET of name 0", image("12 00 00 00 02 01 01 00 00 63 00 00 00 00 09 00 00 00"), 0,
       "I-018 : ERROR : Invalid variable number (0)"},
  };
  for (const Row& row : rows) {
    Reports().clear();
    ScriptErrorFlag = false;
    std::string result;
    RunScript(row.image.data(), row.length == 0 ? row.image.size() : row.length, true, result);
    EXPECT_EQ(script_testing::ScriptTest::LastMessage(), row.message) << row.what;
    EXPECT_FALSE(ScriptRunning) << row.what;
  }
  // A good image still runs afterwards.
  Reports().clear();
  ScriptErrorFlag = false;
  EXPECT_EQ(RunScript(good), "0");
  EXPECT_TRUE(Reports().empty());
}

}  // namespace

namespace {

// What a run gave: its result, every report with its position, where it ended, the stack and
// the host variable.
std::string RunOutcome(const std::vector<uint8_t>& Image, bool Decoded, int32_t& Lap) {
  Lap = 5;
  Accumulator = TQzVariant();  // a run starts with the accumulator the last one left
  Reports().clear();
  ScriptErrorFlag = false;
  interpreter_test::SetDecodedRuns(Decoded);
  interpreter_test::ResetPointerGenerations();
  std::string out = RunScript(Image);
  out += " | at " + std::to_string(ProgramCounter) + " | lap " + std::to_string(Lap);
  for (const TScriptErrorReport& r : Reports()) out += " | " + r.Title + ": " + r.Message;
  interpreter_test::SetDecodedRuns(true);
  return out;
}

}  // namespace

// Decoded runs give what reading each instruction from the code gives, at every step limit up to
// the run's own length: runs of instructions taken in one dispatch, instructions that do
// nothing, calls and returns, and the errors met inside them.
TEST_F(Interpreter, DecodedRunsMatchTheByteCodeAtEveryStepLimit) {
  int32_t lap = 0;
  AddExtVar("lap", 0, &lap);
  const std::vector<std::vector<std::string>> programs = {
      // a counting loop whose CALC runs into MOVR and BUFFC, as the compiler writes it
      {"SET I,N,S INTEGER", "MOV I 1", "MOV N 6", "LABEL L", "BUFFC", "CALC (S+I*3)%7", "MOVR +S", "BUFFC",
       "INC I", "SME I N", "IF", "JUMP L", "MOVR S"},
      // the same counting down, and counting a host variable
      {"SET I,N INTEGER", "MOV I 9", "MOV N 3", "LABEL L", "DEC I 2", "SME N I", "IF", "JUMP L", "MOVR I"},
      {"^LAP", "SET N INTEGER", "MOV N 9", "LABEL L", "INC LAP", "SME LAP N", "IF", "JUMP L", "MOVR LAP"},
      // floats, mixed numbers and a CALC pushed as an argument
      {"@SHOWMESS", "SET F FLOAT", "SET I INTEGER", "MOV F 0.5", "MOV I 3", "BLOCK", "CALC F*2.0/4.0+F",
       "MOVR +F", "BUFFC", "CALC F*I", "PUSH", "BUFFC", "CALLEXT SHOWMESS", "ENDBLOCK", "CALC F-I", "MOVR +F",
       "CALC F+1.0"},
      // procedures with locals, recursion and nothing-doing instructions between
      {"PROC FIB N/INTEGER", "SET N INTEGER", "POPV N", "BLOCK", "CALC N<2", "BUFFC", "IF", "BLOCK", "PUSHV N",
       "ENDBLOCK", "CALC N>=2", "BUFFC", "IF", "BLOCK", "SET A,B INTEGER", "CALC N-1", "PUSH", "BUFFC", "CALL FIB",
       "POPV A", "CALC N-2", "PUSH", "BUFFC", "CALL FIB", "POPV B", "CALC A+B", "PUSH", "BUFFC", "UNSET A,B",
       "ENDBLOCK", "ENDBLOCK", "UNSET N", "RET", "PUSHVA 6", "CALL FIB", "POP"},
      // the same as the assembler text writes it: arguments pushed after BUFFC, results passed
      // through the stack and the accumulator, numbers moved between variables
      {"PROC FIB N/INTEGER", "SET N INTEGER", "POPV N", "SET F FLOAT", "MOVD N F", "CALC N<2", "BUFFC", "IF",
       "BLOCK", "PUSHV N", "POP", "BUFFC", "PUSH", "ENDBLOCK", "CALC N>=2", "BUFFC", "IF", "BLOCK",
       "SET A,B INTEGER", "CALC N-1", "BUFFC", "PUSH", "CALL FIB", "POP", "PUSH", "POPV A", "CALC N-2", "BUFFC",
       "PUSH", "CALL FIB", "POPV B", "CALC A+B", "BUFFC", "PUSH", "UNSET A,B", "ENDBLOCK", "UNSET N,F", "RET",
       "PUSHVA 6", "CALL FIB", "POP", "BUFFC", "SET R FLOAT", "MOVD R R"},
      // errors inside runs: a number into a text, a variable gone, division by zero, a pop of the
      // empty stack after SET, a RET without a CALL after UNSET, a full stack
      {"SET T STRING", "SET I INTEGER", "CALC 1+2", "MOVR +I", "CALC I*2", "MOVR +T", "BUFFC", "MOVR I"},
      {"SET I,N INTEGER", "MOV N 3", "LABEL L", "INC I", "UNSET N", "SME I N", "IF", "JUMP L"},
      {"SET I INTEGER", "MOV I 4", "CALC I/(I-4)", "BUFFC"},
      {"SET I INTEGER", "POPV I"},
      {"PROC P", "LABEL IN", "SET I INTEGER", "UNSET I", "RET", "JUMP IN"},
      {"SET I INTEGER", "LABEL L", "CALC I+1", "BUFFC", "PUSH", "PUSH", "POPV I", "JUMP L"},
      {"SET I INTEGER", "LABEL L", "CALC I+1", "BUFFC", "PUSH", "PUSHV I", "POP", "JUMP L"},
      {"SET I INTEGER", "LABEL L", "CALC I+1", "PUSH", "BUFFC", "JUMP L"},
  };
  // The last three fill the stack: they start nearly full.
  const auto fillsStack = [&programs](const std::vector<std::string>& text) { return &text >= &programs[programs.size() - 3]; };
  for (const std::vector<std::string>& text : programs) {
    const std::vector<uint8_t> image = Assemble(text);
    ASSERT_FALSE(ScriptErrorFlag) << text.front() << ": " << LastMessage();
    ScriptStackBase = fillsStack(text) ? kScriptStackLimit - 8 : 0;
    // The full run first, then every limit below its length.
    interpreter_test::SetStepLimit(kScriptStepBudget);
    const std::string full = RunOutcome(image, false, lap);
    EXPECT_EQ(RunOutcome(image, true, lap), full) << text.front();
    EXPECT_EQ(RunOutcome(image, true, lap), full) << text.front() << " (again)";
    uint64_t length = 0;
    while (length < 3000) {
      interpreter_test::SetStepLimit(++length);
      if (RunOutcome(image, false, lap).find("I-022") == std::string::npos) break;
    }
    ASSERT_LT(length, 3000u) << text.front();
    for (uint64_t limit = 0; limit <= length; ++limit) {
      interpreter_test::SetStepLimit(limit);
      const std::string read = RunOutcome(image, false, lap);
      EXPECT_EQ(RunOutcome(image, true, lap), read) << text.front() << " at limit " << limit;
    }
  }
}
