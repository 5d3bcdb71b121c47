#include "script/sdatabase.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/script/script_fixture.h"
#include "tests/support/test_support.h"

namespace {

using script_testing::Reports;
using Registry = script_testing::ScriptTest;

TEST(ScriptErrorReport, ComposesCodeTitleAndText) {
  struct Row {
    const char* message;
    int32_t position;
    const char* code;
    const char* title;
    const char* text;
  };
  const Row rows[] = {
      {"I-009 : ERROR : Tryed to pop of empty stack", 17, "009", "Quillon-Interpreter-Error (I-009) at position 17",
       "Tryed to pop of empty stack"},
      {"I-006 : Boolish operator needed!", 4, "006", "Quillon-Interpreter-Error (I-006) at position 4", "needed!"},
      {"I-011-005 : ERROR : Can't set a string to a float-value! (2.500)", 9, "011-005",
       "Quillon-Interpreter-Error (I-011-005) at position 9", "Can't set a string to a float-value! (2.500)"},
      {"I-011 : ERROR-006 : Can't set a string to an integer-value! (_5)", 9, "011",
       "Quillon-Interpreter-Error (I-011) at position 9", "Can't set a string to an integer-value! (_5)"},
      {"C-005 : ERROR : Unknown command (\"FROB\")", 0, "005", "Quillon-Compiler-Error (C-005)",
       "Unknown command (\"FROB\")"},
      {"c-16 : ERROR : Unknown class-type (\"X\")", 0, "16", "Quillon-Compiler-Error (C-16)", "Unknown class-type (\"X\")"},
      {"H-017 : ERROR : Unparseable: X", 0, "017", "", "Unparseable: X"},
      {"I-NOBLANK", 3, "NOBLANK", "Quillon-Interpreter-Error (I-NOBLANK) at position 3", "NOBLANK"},
      {"", 0, "", "", ""},
      {"I", 0, "", "Quillon-Interpreter-Error (I-) at position 0", ""},
  };
  for (const Row& row : rows) {
    const TScriptErrorReport r = ComposeScriptError(row.message, row.position);
    EXPECT_EQ(r.Code, row.code) << row.message;
    EXPECT_EQ(r.Title, row.title) << row.message;
    EXPECT_EQ(r.Text, row.text) << row.message;
  }
  // Only the first 255 characters count.
  const TScriptErrorReport longer = ComposeScriptError("C-008 : ERROR : " + std::string(300, 'x'), 0);
  EXPECT_EQ(longer.Message.size(), 255u);
  EXPECT_EQ(longer.Text, std::string(255 - 16, 'x'));
}

TEST_F(Registry, ScriptErrorSetsTheFlagAndReportsOnce) {
  ScriptErrorFlag = false;
  ScriptError("H-017 : ERROR : Unparseable: X");
  EXPECT_TRUE(ScriptErrorFlag);
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(LastScriptError.Text, "Unparseable: X");
  EXPECT_EQ(LastScriptError.Title, "");
}

TEST_F(Registry, BuiltinsComeFirstInTheirOrder) {
  const char* names[] = {"COS", "COSR", "SIN", "SINR", "TAN", "TANR", "INTTOSTR", "STRTOINT", "STRTOFLOAT",
                         "FLOATTOSTR", "SQR", "SQRT"};
  const char* results[] = {"FLOAT", "FLOAT", "FLOAT", "FLOAT", "FLOAT", "FLOAT", "STRING", "INTEGER", "FLOAT",
                           "STRING", "FLOAT", "FLOAT"};
  ASSERT_EQ(ExtProcCount(), 13);  // the built-ins and the fixture's "showmess"
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(ExtProc(i)->Name, names[i]);
    EXPECT_EQ(ExtProc(i)->ResultType, results[i]);
    EXPECT_EQ(ExtProc(i)->ParamCount, 1);
    EXPECT_EQ(ExtProc(i)->IsFunction, 1);
  }
  EXPECT_EQ(ExtProc(12)->Name, "SHOWMESS");
  InitScriptDatabase(false);
  EXPECT_EQ(ExtProcCount(), 0);
  EXPECT_EQ(ExtVarCount(), 0);
}

TEST_F(Registry, RegistrationUpperCasesAndKeepsDuplicates) {
  AddExtProc("mixedCase_ä", nullptr, "Integer", 2, 1);
  AddExtProc("MIXEDCASE_ä", nullptr, "", 0, 0);
  EXPECT_EQ(ExtProc(13)->Name, "MIXEDCASE_ä");
  EXPECT_EQ(ExtProc(13)->ResultType, "Integer");
  EXPECT_EQ(ExtProc(14)->Name, "MIXEDCASE_ä");
  int32_t i = 0;
  EXPECT_EQ(AddExtVar("frame", 0, &i), 0);
  EXPECT_EQ(AddExtVar("f", 1, nullptr), 1);
  EXPECT_EQ(AddExtVar("s", 7, nullptr), 2);
  EXPECT_EQ(ExtVar(0)->Name, "FRAME");
  EXPECT_EQ(ExtVar(0)->Kind, kVarInteger);
  EXPECT_EQ(ExtVar(1)->Kind, kVarFloat);
  EXPECT_EQ(ExtVar(2)->Kind, kVarString);  // any other code is a string
  // The pointer may be set after registration.
  int32_t later = 77;
  ExtVar(1)->HostPtr = nullptr;
  ExtVar(0)->HostPtr = &later;
  EXPECT_EQ(Run({"^FRAME", "MOVR FRAME"}), "77");
}

std::vector<std::string> CallBuiltin(const std::string& name, const std::string& argument) {
  return {"@" + name, "PUSHVA " + argument, "CALLEXT " + name, "POP"};
}

TEST_F(Registry, BuiltinResults) {
  struct Row {
    const char* name;
    const char* argument;
    const char* result;
  };
  const Row rows[] = {
      {"cos", "60", "0.500"},       {"Cos", "180", "-1.000"},   {"COS", "0", "1.000"},
      {"cosr", "0", "1.000"},       {"sin", "30", "0.500"},     {"sin", "-90", "-1.000"},
      {"sinr", "0.0", "0.000"},     {"tan", "45", "1.000"},     {"tanr", "0", "0.000"},
      {"inttostr", "-3", "-3"},     {"inttostr", "2.5", "2"},   {"strtoint", "'12a'", "12"},
      {"strtoint", "'x'", "0"},     {"strtofloat", "'2.5'", "2.500"}, {"floattostr", "2.5", "2.50000000"},
      {"floattostr", "-0.125", "-0.12500000"}, {"sqr", "3", "9.000"}, {"sqr", "-1.5", "2.250"},
      {"sqrt", "16", "4.000"},      {"sqrt", "2", "1.414"},
  };
  for (const Row& row : rows) {
    Reports().clear();
    EXPECT_EQ(Run(CallBuiltin(row.name, row.argument)), row.result) << row.name << "(" << row.argument << ")";
    EXPECT_TRUE(Reports().empty()) << row.name;
  }
  // The degree forms compute in extended precision and round once.
  EXPECT_EQ(Run(CallBuiltin("sin", "30")), "0.500");
  EXPECT_EQ(Accumulator.GetFloat(), static_cast<float>(std::sin(30.0L / 180.0L * 3.141592653589793238462643383279502884L)));
}

std::vector<std::string> g_popped;
void PopEverything() {
  g_popped.push_back(std::to_string(PopInt()));
  g_popped.push_back(std::to_string(PopFloat()));
  g_popped.push_back("[" + PopString() + "]");
}

TEST_F(Registry, PopsTakeArgumentsInParameterOrderAndReportAnEmptyStack) {
  AddExtProc("take", PopEverything, "", 3, 0);
  g_popped.clear();
  Run({"@TAKE", "PUSHVA 'text'", "PUSHVA 2.5", "PUSHVA 7", "CALLEXT TAKE"});
  EXPECT_EQ(g_popped, (std::vector<std::string>{"7", "2.500000", "[text]"}));
  EXPECT_TRUE(Reports().empty());
  g_popped.clear();
  Run({"@TAKE", "PUSHVA 1.5", "CALLEXT TAKE"});
  EXPECT_EQ(g_popped, (std::vector<std::string>{"2", "0.000000", "[]"}));
  ASSERT_EQ(Reports().size(), 2u);
  EXPECT_EQ(Reports()[0].Message, "I-009 : ERROR : Tryed to pop of empty stack");
  EXPECT_EQ(Reports()[0].Title, "Quillon-Interpreter-Error (I-009) at position 11");
}

TEST_F(Registry, BindingsStackAndAnEmptyPopIsFatal) {
  TSNLink link;
  int a = 0, b = 0;
  PushBinding(link, &a);
  PushBinding(link, &b);
  EXPECT_EQ(link.Current, &b);
  PopBinding(link);
  EXPECT_EQ(link.Current, &a);
  PopBinding(link);
  EXPECT_EQ(link.Current, nullptr);
  EXPECT_THROW(PopBinding(link), testing_support::FatalError);
}

TEST(TypeFamilies, LastFamilyContainingTheName) {
  EXPECT_EQ(FindTypeFamily("INTEGER"), 0);
  EXPECT_EQ(FindTypeFamily("CARDINAL"), 0);
  EXPECT_EQ(FindTypeFamily("EXTENDED"), 1);
  EXPECT_EQ(FindTypeFamily("SHORTSTRING"), 2);
  EXPECT_EQ(FindTypeFamily("RECORD"), 3);
  EXPECT_EQ(FindTypeFamily("integer"), -1);
  EXPECT_EQ(FindTypeFamily(""), -1);
  EXPECT_EQ(FindTypeFamily("STRING/SHORTSTRING"), 2);
}

TEST(OpcodeTables, MapsFollowTheInstructionTable) {
  EXPECT_EQ(OpcodeMap[255], kMnNone);
  EXPECT_EQ(OpcodeMap[99], kMnQuit);
  EXPECT_EQ(OpcodeMap[17], kMnEmpty);
  EXPECT_EQ(OpcodeMap[26], kMnEndBlock);
  EXPECT_EQ(OpcodeMap[12], kMnNone);
  for (int i = 0; i < kInstructionCount; ++i) {
    if (i == kMnCallIntEx) continue;  // shares byte 255 with NONE, which keeps it
    EXPECT_EQ(OpcodeMap[ScriptInstructions[i].Opcode], i) << ScriptInstructions[i].Mnemonic;
  }
  EXPECT_EQ(OperandCodeMap[2], kOperandInteger);
  EXPECT_EQ(OperandCodeMap[6], kOperandRecord);
  EXPECT_EQ(OperandCodeMap[200], kOperandInteger);
  EXPECT_EQ(OperatorMap[18], 18);
  EXPECT_EQ(OperatorMap[19], 0);
  EXPECT_EQ(std::string(CalcOperators[0].Symbol), "\xB7");
}

}  // namespace
