#include "script/compiler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/script/script_fixture.h"

namespace {

using script_testing::FromHex;
using script_testing::Hex;
using script_testing::Instructions;
using script_testing::Reports;
using Assembler = script_testing::ScriptTest;

TEST_F(Assembler, WorkedExamplesGiveTheirImagesByteForByte) {
  EXPECT_EQ(Hex(Assemble({"SET X INTEGER", "MOV X 5", "CALC X*2+1"})),
            "36 00 00 00 02 01 01 01 00 00 01 00 01 05 00 00 00 0B 03 00 01 00 03 02 00 00 00 03 01 00 00 00 "
            "00 01 03 01 01 01 02 01 02 02 FF 63 01 00 00 00 01 58 2B 00 00 00");
  EXPECT_EQ(Hex(Assemble({"@SHOWMESS", "PUSHVA 'Hi'", "CALLEXT SHOWMESS"})),
            "1E 00 00 00 18 03 02 48 69 13 01 00 63 00 00 01 00 08 53 48 4F 57 4D 45 53 53 0C 00 00 00");
  EXPECT_EQ(Hex(Assemble({"PROC P A/INTEGER", "SET A INTEGER", "POPV A", "UNSET A", "RET", "PUSHVA 5", "CALLINTEX P"})),
            "42 00 00 00 05 2C 00 00 00 01 00 01 00 01 00 FF FF FF FF 00 00 02 01 01 01 00 17 01 00 0F 01 01 00 "
            "04 00 00 01 00 00 00 00 00 00 00 18 01 05 00 00 00 01 01 00 63 01 00 01 00 01 41 01 50 35 00 00 00");
  EXPECT_TRUE(Reports().empty());
}

TEST_F(Assembler, EmptyTextGivesThirteenByteImageAndFailureTheEmptyImage) {
  EXPECT_EQ(Hex(Assemble({})), "0D 00 00 00 63 00 00 00 00 04 00 00 00");
  EXPECT_EQ(Hex(Assemble({"", "   "})), "0D 00 00 00 63 00 00 00 00 04 00 00 00");
  EXPECT_EQ(Hex(Assemble({"SET X INTEGER", "FROB"})), "00 00 00 00");
  EXPECT_TRUE(ScriptErrorFlag);
  // The next assembly clears the flag itself.
  Assemble({"PUSH"});
  EXPECT_FALSE(ScriptErrorFlag);
}

// Each row: the lines and the instruction bytes they give (offset 4 up to the trailer).
TEST_F(Assembler, EveryMnemonicEncoding) {
  AddExtProc("twice", [] {}, "", 0, 0);
  AddExtProc("twice", [] {}, "", 0, 0);
  struct Row {
    std::vector<std::string> lines;
    const char* bytes;
  };
  const Row rows[] = {
      {{"SET X INTEGER", "MOV X 5"}, "02 01 01 01 00 00 01 00 01 05 00 00 00"},
      {{"SET X INTEGER", "MOV X -7"}, "02 01 01 01 00 00 01 00 01 F9 FF FF FF"},
      {{"SET X FLOAT", "MOV X 5.5"}, "02 01 02 01 00 00 01 00 02 00 00 B0 40"},
      {{"SET X STRING", "MOV X 'a b'"}, "02 01 03 01 00 00 01 00 03 03 61 20 62"},
      {{"SET X STRING", "MOV X 'it''s'"}, "02 01 03 01 00 00 01 00 03 04 69 74 27 73"},
      {{"SET X RECORD", "MOV X ABC"}, "02 01 04 01 00 00 01 00 04"},
      {{"set x integer", "mov x 5"}, "02 01 01 01 00 00 01 00 01 05 00 00 00"},
      {{"PROC P", "RET", "CALL P"}, "05 18 00 00 00 01 00 00 00 04 00 00 00 00 00 00 00 00 00 00 01 01 00"},
      {{"SET A,B FLOAT"}, "02 02 02 01 00 02 00"},
      {{"SET S SHORTSTRING", "SET C CHAR", "SET B BOOLEAN"}, "02 01 03 01 00 02 01 03 02 00 02 01 01 03 00"},
      {{"SET X INTEGER", "MOVR X", "MOVR +X"}, "02 01 01 01 00 10 01 01 00 10 00 01 00"},
      {{"SET X,Y INTEGER", "MOVD X Y"}, "02 02 01 01 00 02 00 12 01 00 02 00"},
      {{"SET X INTEGER", "UNSET X,NOBODY"}, "02 01 01 01 00 0F 02 01 00 00 00"},
      {{"LABEL L", "PUSH", "JUMP L"}, "09 03 04 00 00 00"},
      {{"PROC F @A/FLOAT !/INTEGER B/STRING", "RET"},
       "05 28 00 00 00 01 00 02 00 01 00 FF FF FF FF 01 02 03 00 FF FF FF FF 02 00 04 00 00 00 00 00 00 00 00 00 00"},
      {{"XXX", "DEFINE A B", "NONE", "LABEL Q"}, ""},
      {{"PUSH", "POP", "BUFFC", "IF", "IFNT", "QUIT"}, "09 0A 0E 14 15 63"},
      {{"SET X INTEGER", "CALC X-1"}, "02 01 01 01 00 0B 02 00 01 00 03 01 00 00 00 00 01 02 01 01 FF"},
      {{"@SHOWMESS", "CALLEXT SHOWMESS", "CALLINTEX SHOWMESS"}, "13 01 00 13 01 00"},
      {{"@TWICE", "CALLEXT TWICE", "CALLINTEX twice"}, "13 01 00 13 01 00 13 01 00"},
      {{"SET X INTEGER", "PUSHV X", "POPV X", "PUSHPOINTER X"}, "02 01 01 01 00 16 01 00 17 01 00 1E 01 00"},
      {{"PUSHVA 5", "PUSHVA 2.5", "PUSHVA 'Hi'", "PUSHVA NIL"}, "18 01 05 00 00 00 18 02 00 00 20 40 18 03 02 48 69 18 04"},
      {{"BLOCK", "PUSH", "ENDBLOCK"}, "19 0A 00 00 00 09"},
      {{"BLOCK", "BLOCK", "ENDBLOCK", "PUSH", "ENDBLOCK"}, "19 0F 00 00 00 19 0E 00 00 00 09"},
      {{"SET X INTEGER", "INC X", "INC X -2", "INC X,2"},
       "02 01 01 01 00 1B 01 00 01 00 00 00 1B 01 00 FE FF FF FF 1B 01 00 02 00 00 00"},
      {{"SET X INTEGER", "DEC X", "DEC X 3", "DEC X,-3"},
       "02 01 01 01 00 1C 01 00 01 00 00 00 1C 01 00 03 00 00 00 1C 01 00 FD FF FF FF"},
      {{"PROC P", "RET", "CALLINTEX p"}, "05 18 00 00 00 01 00 00 00 04 00 00 00 00 00 00 00 00 00 00 01 01 00"},
      {{"SET X,Y INTEGER", "SME X Y"}, "02 02 01 01 00 02 00 1D 01 00 02 00"},
  };
  for (const Row& row : rows) {
    std::string joined;
    for (const std::string& l : row.lines) joined += l + " | ";
    const std::vector<uint8_t> image = Assemble(row.lines);
    EXPECT_FALSE(ScriptErrorFlag) << joined << script_testing::ScriptTest::LastMessage();
    EXPECT_EQ(Hex(Instructions(image)), row.bytes) << joined;
  }
}

TEST_F(Assembler, ResultParameterAndNestedProceduresAndLabelsCountInRet) {
  // The result parameter "!" carries the empty name in the variable list.
  const std::vector<uint8_t> image = Assemble({"PROC F !/INTEGER", "RET"});
  EXPECT_EQ(Hex(image), "24 00 00 00 05 18 00 00 00 01 00 00 00 04 00 00 00 00 00 00 00 00 00 00 63 01 00 01 00 00 01 46 18 00 00 00");
  // A PROC inside a PROC: the outer end points behind the outer RET; the inner RET counts no
  // procedure, the outer one. Variables and labels count up to the nested PROC's own RET.
  const std::vector<uint8_t> nested = Instructions(Assemble(
      {"PROC OUTER", "SET A INTEGER", "LABEL L1", "PROC INNER", "SET B INTEGER", "LABEL L2", "RET", "RET", "PUSH"}));
  EXPECT_EQ(Hex(nested),
            "05 36 00 00 00 01 00 00 00 "                        // 4: OUTER, end 54
            "02 01 01 01 00 "                                    // 13: SET A
            "05 2B 00 00 00 02 00 00 00 "                        // 18: INNER, end 43
            "02 01 01 02 00 "                                    // 27: SET B
            "04 00 00 01 00 01 00 00 00 00 00 "                  // 32: RET 0 procedures, 1 variable, 1 label
            "04 01 00 01 00 02 00 00 00 00 00 "                  // 43: RET 1 procedure, 1 variable, 2 labels
            "09");                                               // 54
}

TEST_F(Assembler, EveryErrorWithItsText) {
  AddExtVar("hostvar", 0, nullptr);
  struct Row {
    std::vector<std::string> lines;
    const char* message;
  };
  const Row rows[] = {
      {{"CALLEXT NOBODY"}, "C-004 : ERROR : Unknown external procedure : \"NOBODY\""},
      {{"CALLEXT SHOWMESS"}, "C-004 : ERROR : Unknown external procedure : \"SHOWMESS\""},
      {{"CALLINTEX nobody"}, "C-004 : ERROR : Unknown procedure : \"NOBODY\""},
      {{"CALLINTEX showmess"}, "C-004 : ERROR : Unknown procedure : \"SHOWMESS\""},
      {{"frob x"}, "C-005 : ERROR : Unknown command (\"FROB\")"},
      {{"RET "}, "C-008 : ERROR : Incorrect parameter count\r\n\"RET \"\r\nAt least 0 are needed, maximum is 0."},
      {{"MOV X"}, "C-008 : ERROR : Incorrect parameter count\r\n\"MOV X\"\r\nAt least 2 are needed, maximum is 2."},
      {{"CALC A + B"}, "C-008 : ERROR : Incorrect parameter count\r\n\"CALC A + B\"\r\nAt least 1 are needed, maximum is 1."},
      {{"MOVR +x"}, "C-009-001 : ERROR : Unknown Variable (\"x\")"},
      {{"SET A INTEGER", "MOVD A b"}, "C-009-002 : ERROR : Unknown Variable (\"b\")"},
      {{"PUSHV q"}, "C-009-003 : ERROR : Unknown Variable (\"q\")"},
      {{"POPV q"}, "C-009-003 : ERROR : Unknown Variable (\"q\")"},
      {{"PUSHPOINTER q"}, "C-009-003 : ERROR : Unknown Variable (\"q\")"},
      {{"MOV q 1"}, "C-009-004 : ERROR : Unknown Variable (\"q\")"},
      {{"INC q"}, "C-009-005 : ERROR : Unknown Variable (\"q\")"},
      {{"DEC q,2"}, "C-009-006 : ERROR : Unknown Variable (\"q\")"},
      {{"SET A INTEGER", "SME q A"}, "C-009-007 : ERROR : Unknown Variable (\"q\")"},
      {{"CALL nowhere"}, "C-010 : ERROR : Unknown procedure, can't call \"nowhere\"!"},
      {{"LABEL here", "LABEL HERE"},
       "C-011 : ERROR : It's not possible to define two or more labels with the same name : \"HERE\"!"},
      {{"^nobody"}, "C-012 : ERROR : External variable not linked : \"NOBODY\"!"},
      {{"@nobody"}, "C-013 : ERROR : External procedure not linked : \"NOBODY\"!"},
      {{"SET X INTEGER", "INC X Y"}, "C-014-001 : ERROR : Invalid number for INC-call : \"Y\"!"},
      {{"SET X INTEGER", "DEC X,Y"}, "C-014-002 : ERROR : Invalid number forDEC-call : \"Y\"!"},
      {{"JUMP later", "LABEL later"}, "C-015 : ERROR : Unknown jump-label (\"LATER\")"},
      {{"SET X integr"}, "C-16 : ERROR : Unknown class-type (\"INTEGR\")"},
      // the expression compiler
      {{"SET A INTEGER", "CALC A*-2"}, "C-001 : ERROR : Unknown calculation-type (\"*-\")"},
      {{"SET A,B INTEGER", "CALC (A+B"}, "C-002 : ERROR : Calculation not closed"},
      {{"SET A INTEGER", "CALC A+"}, "C-003 : ERROR : Calc-sign, but no following data"},
      {{"CALC 'A'+1"}, "C-006 : ERROR : Incompatible types : String and Integer/Float"},
      {{"SET N INTEGER", "CALC N+'x'"}, "C-006 : ERROR : Incompatible types : String and Integer/Float"},
      {{"CALC 'a'b'+1"}, "C-007 : ERROR : STRING-ERROR (\"'a'b'+1\")!"},
      {{"CALC 1+a'b'"}, "C-007 : ERROR : STRING-ERROR (\"a'b'\")!"},
      {{"CALC ABC)"}, "C-009-006 : ERROR : Unknown variable (\"ABC)\")"},
      // errors of author-written text that would otherwise stop the program or write garbage
      {{"ENDBLOCK"}, "C-017 : ERROR : ENDBLOCK without BLOCK"},
      {{"RET"}, "C-018 : ERROR : RET without PROC"},
      {{"MOV X 1-2"}, "C-009-004 : ERROR : Unknown Variable (\"X\")"},
      {{"SET X INTEGER", "MOV X 1-2"}, "C-021 : ERROR : Invalid number : \"1-2\"!"},
      {{"SET X INTEGER", "MOV X +"}, "C-021 : ERROR : Invalid number : \"+\"!"},
      {{"SET X INTEGER", "MOV X 4294967296"}, "C-021 : ERROR : Invalid number : \"4294967296\"!"},
      {{"SET X INTEGER", "MOV X 2147483648"}, "C-021 : ERROR : Invalid number : \"2147483648\"!"},
      {{"SET X FLOAT", "MOV X 1.2.3"}, "C-021 : ERROR : Invalid number : \"1.2.3\"!"},
      {{"PUSHVA A.B"}, "C-021 : ERROR : Invalid number : \"A.B\"!"},
      {{"SET X INTEGER", "INC X 1-2"}, "C-021 : ERROR : Invalid number : \"1-2\"!"},
      {{"SET X INTEGER", "INC X,"}, "C-021 : ERROR : Invalid number : \"\"!"},
      {{"CALC 1X+2"}, "C-021 : ERROR : Invalid number : \"1X\"!"},
      {{"CALC $+1"}, "C-021 : ERROR : Invalid number : \"$\"!"},
      {{"CALC $"}, "C-021 : ERROR : Invalid number : \"$\"!"},
      {{"CALC 99999999999+1"}, "C-021 : ERROR : Invalid number : \"99999999999\"!"},
  };
  for (const Row& row : rows) {
    Reports().clear();
    const std::vector<uint8_t> image = Assemble(row.lines);
    EXPECT_TRUE(ScriptErrorFlag) << row.message;
    EXPECT_EQ(FirstMessage(), row.message);
    EXPECT_EQ(Hex(image), "00 00 00 00") << row.message;
  }
}

TEST_F(Assembler, ErrorReportHasCompilerTitleAndDescription) {
  Assemble({"frob"});
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0].Title, "Quillon-Compiler-Error (C-005)");
  EXPECT_EQ(Reports()[0].Text, "Unknown command (\"FROB\")");
}

TEST_F(Assembler, UnknownOperatorStillChecksTheOperandsForASecondMessage) {
  Assemble({"CALC Q*-2"});
  ASSERT_EQ(Reports().size(), 2u);
  EXPECT_EQ(Reports()[0].Message, "C-001 : ERROR : Unknown calculation-type (\"*-\")");
  EXPECT_EQ(Reports()[1].Message, "C-009-006 : ERROR : Unknown variable (\"Q\")");
}

TEST_F(Assembler, TooManyNamesAndTooLongImagesAreRefused) {
  std::vector<std::string> lines;
  for (int i = 0; i < kNameTableSize + 1; ++i) lines.push_back("SET V" + std::to_string(i) + " INTEGER");
  EXPECT_EQ(Hex(Assemble(lines)), "00 00 00 00");
  EXPECT_EQ(FirstMessage(), "C-019 : ERROR : Too many names (more than 2001) : \"V2001\"!");
  lines.pop_back();
  EXPECT_EQ(Assemble(lines).size(), 4u + 2001u * 5u + 1 + 4 + 4 + [] {
    size_t n = 0;
    for (int i = 0; i < 2001; ++i) n += 1 + 1 + std::to_string(i).size();
    return n;
  }());
  EXPECT_FALSE(ScriptErrorFlag);

  Reports().clear();
  std::vector<std::string> pushes(65536 - 13, "PUSH");
  EXPECT_EQ(Assemble(pushes).size(), 65536u);
  EXPECT_FALSE(ScriptErrorFlag);
  pushes.push_back("PUSH");
  EXPECT_EQ(Hex(Assemble(pushes)), "00 00 00 00");
  EXPECT_EQ(FirstMessage(), "C-020 : ERROR : Script too long (more than 65536 bytes)");
}

TEST_F(Assembler, TooManyCalculationsOrOperandsAreRefused) {
  std::vector<std::string> lines = {"SET A INTEGER"};
  for (int i = 0; i < 254; ++i) lines.push_back("CALC A+1");
  Assemble(lines);
  EXPECT_FALSE(ScriptErrorFlag);
  lines.push_back("CALC A+1");
  Assemble(lines);
  EXPECT_EQ(FirstMessage(), "C-023 : ERROR : Too many calculations without BUFFC (more than 254)");
  lines.insert(lines.begin() + 100, "BUFFC");
  Reports().clear();
  Assemble(lines);
  EXPECT_FALSE(ScriptErrorFlag);

  std::string expr = "1";
  for (int i = 0; i < 255; ++i) expr += "+1";
  Assemble({"CALC " + expr});
  EXPECT_EQ(FirstMessage(), "C-022 : ERROR : Line too long for one instruction (more than 255 operands)");
  Reports().clear();
  Assemble({"CALC 1+'" + std::string(260, 'x') + "'"});
  EXPECT_EQ(FirstMessage(), "C-022 : ERROR : Line too long for one instruction (operand longer than 255 characters)");
}

TEST_F(Assembler, NamesLongerThan25CharactersNeverMatchTheirStoredForm) {
  const std::string longName(26, 'L');
  // A long variable is added again by every SET and fails every lookup.
  Assemble({"SET " + longName + " INTEGER", "SET " + longName + " INTEGER", "PUSHV " + longName});
  EXPECT_EQ(FirstMessage(), "C-009-003 : ERROR : Unknown Variable (\"" + longName + "\")");
  EXPECT_EQ(VarNameCount, 2);
  EXPECT_EQ(VarNameTable[1].Name, std::string(25, 'L'));
  // A long label is never found and never a duplicate.
  Reports().clear();
  Assemble({"LABEL " + longName, "LABEL " + longName});
  EXPECT_TRUE(Reports().empty());
  Assemble({"LABEL " + longName, "JUMP " + longName});
  EXPECT_EQ(FirstMessage(), "C-015 : ERROR : Unknown jump-label (\"" + longName + "\")");
}

// The look-up of names keeps to the tables: entries 1 to the count, the last entry of a name,
// upper case, at most 25 characters.
TEST_F(Assembler, NameLookUpFollowsTheTablesAcrossAssembliesAndRestarts) {
  Assemble({"SET Alpha,Beta,Gamma INTEGER", "PROC P", "RET"});
  ASSERT_FALSE(ScriptErrorFlag) << FirstMessage();
  // An assembly starts its tables anew: the names an earlier one left behind are not found.
  Assemble({"SET Gamma INTEGER", "PUSHV Beta"});
  EXPECT_EQ(FirstMessage(), "C-009-003 : ERROR : Unknown Variable (\"Beta\")");
  EXPECT_EQ(VarNameCount, 1);
  EXPECT_EQ(VarNameIndex("gamma"), 1);
  EXPECT_EQ(VarNameIndex("ALPHA"), 0);
  EXPECT_EQ(ProcNameIndex("p"), 0);
  // Names added afterwards follow and are found; an equal name is not added twice.
  EXPECT_EQ(AddVarName("delta"), 2);
  EXPECT_EQ(AddVarName("DELTA"), 2);
  EXPECT_EQ(VarNameIndex("Delta"), 2);
  EXPECT_EQ(AddProcName("q"), 1);
  EXPECT_EQ(ProcNameIndex("Q"), 1);
  // Two long names cut to the same 25 characters: two entries; the cut form finds the later.
  const std::string cut(25, 'n');
  EXPECT_EQ(AddVarName(cut + "1"), 3);
  EXPECT_EQ(AddVarName(cut + "22"), 4);
  EXPECT_EQ(VarNameTable[3].Name, std::string(25, 'N'));
  EXPECT_EQ(VarNameIndex(cut + "1"), 0);
  EXPECT_EQ(VarNameIndex(cut), 4);
  // A restart empties the tables and their look-up.
  InitCompiler();
  for (const std::string& name : {std::string("gamma"), std::string("delta"), cut}) EXPECT_EQ(VarNameIndex(name), 0);
  EXPECT_EQ(ProcNameIndex("q"), 0);
  EXPECT_EQ(AddVarName("delta"), 1);
  // A full table: every name at its own entry.
  std::vector<std::string> lines;
  for (int i = 1; i <= kNameTableSize; ++i) lines.push_back("SET v" + std::to_string(i) + " INTEGER");
  Reports().clear();
  Assemble(lines);
  ASSERT_FALSE(ScriptErrorFlag) << FirstMessage();
  for (int i = 1; i <= kNameTableSize; ++i) ASSERT_EQ(VarNameIndex("V" + std::to_string(i)), i);
}

TEST_F(Assembler, JumpsFindTheirLabelsAmongMany) {
  std::vector<std::string> lines;
  for (int i = 0; i < 300; ++i) {
    lines.push_back("LABEL l" + std::to_string(i));
    lines.push_back("PUSH");  // one byte each: label i stands at offset 4 + i
  }
  lines.push_back("JUMP L150");
  lines.push_back("JUMP l0");
  lines.push_back("JUMP L299");
  const std::vector<uint8_t> code = Instructions(Assemble(lines));
  ASSERT_FALSE(ScriptErrorFlag) << FirstMessage();
  ASSERT_EQ(code.size(), 300u + 15u);
  EXPECT_EQ(Hex(std::vector<uint8_t>(code.begin() + 300, code.end())),
            "03 9A 00 00 00 03 04 00 00 00 03 2F 01 00 00");
  lines.push_back("LABEL L150");
  Assemble(lines);
  EXPECT_EQ(FirstMessage(),
            "C-011 : ERROR : It's not possible to define two or more labels with the same name : \"L150\"!");
}

TEST_F(Assembler, BuffcRestartsTheTemporaryNumbers) {
  // (A+B)*(C+D): C+D is temporary 1, A+B temporary 2, then $2*$1.
  EXPECT_EQ(Hex(Instructions(Assemble({"SET A,B,C,D INTEGER", "BUFFC", "CALC (A+B)*(C+D)", "BUFFC", "CALC (A)"}))),
            "02 04 01 01 00 02 00 03 00 04 00 0E "
            "0B 02 00 03 00 00 04 00 00 01 01 01 01 FF "
            "0B 02 00 01 00 00 02 00 00 01 01 01 01 FF "
            "0B 02 01 02 00 01 01 00 00 01 03 01 01 FF "
            "0E 0B 01 00 01 00 FF");
}

// The operand order and the steps that the precedence gives.
TEST_F(Assembler, CalcOperandOrderAndSteps) {
  struct Row {
    const char* expr;
    const char* bytes;
  };
  const Row rows[] = {
      {"A+B*C", "0B 03 00 02 00 00 01 00 00 03 00 00 02 03 02 02 01 02 01 02 02 FF"},
      {"A-B-C", "0B 03 00 01 00 00 02 00 00 03 00 00 01 02 01 01 01 02 02 02 01 FF"},
      {"-A*B", "0B 03 00 01 00 03 00 00 00 00 00 02 00 00 02 03 02 02 01 02 02 02 02 FF"},
      {"A=B&&C<D", "0B 04 00 03 00 00 01 00 00 02 00 00 04 00 00 03 0D 03 03 01 02 07 02 02 02 03 0A 03 03 FF"},
      {"'IT''S'", "0B 01 05 04 49 54 27 53 FF"},
      {"A", "0B 01 00 01 00 FF"},
      {"2.5*A", "0B 02 04 00 00 20 40 00 01 00 00 01 03 01 01 FF"},
      {"()", "0B 00 FF"},
  };
  for (const Row& row : rows) {
    const std::vector<uint8_t> image = Assemble({"SET A,B,C,D INTEGER", std::string("CALC ") + row.expr});
    EXPECT_FALSE(ScriptErrorFlag) << row.expr << " " << LastMessage();
    std::vector<uint8_t> ins = Instructions(image);
    ins.erase(ins.begin(), ins.begin() + 11);  // the SET
    EXPECT_EQ(Hex(ins), row.bytes) << row.expr;
  }
}

TEST_F(Assembler, HostVariableLinkTakesItsKindIntoTheTypeCheck) {
  ShortString<255> text{};
  AddExtVar("caption", 2, &text);
  Assemble({"^CAPTION", "CALC CAPTION+'x'"});
  EXPECT_FALSE(ScriptErrorFlag);
  Assemble({"^CAPTION", "CALC CAPTION+1"});
  EXPECT_EQ(LastMessage(), "C-006 : ERROR : Incompatible types : String and Integer/Float");
  // A variable released by its procedure's RET contributes no type.
  Reports().clear();
  Assemble({"PROC P", "SET S STRING", "RET", "CALC S+1"});
  EXPECT_FALSE(ScriptErrorFlag) << LastMessage();
}

TEST_F(Assembler, StripQuotesDeletesQuotesBelowTheLastPosition) {
  const std::pair<const char*, const char*> cases[] = {
      {"a''b", "a'b"}, {"a'b", "ab"}, {"ab'", "ab'"}, {"''''", "''"}, {"'", "'"}, {"", ""}, {"'x", "x"}};
  for (const auto& [in, out] : cases) {
    std::string s = in;
    StripQuotes(s);
    EXPECT_EQ(s, out) << in;
  }
}

// A small reference evaluator with the operator table's precedence, left to right on ties.
struct Reference {
  static int Prec(const std::string& op) {
    if (op == "*" || op == "/" || op == "%") return 7;
    if (op == "+" || op == "-") return 5;
    if (op == "&" || op == "|" || op == "<" || op == ">" || op == "<=" || op == ">=") return 4;
    if (op == "=" || op == "<>") return 3;
    return 2;
  }
  static int32_t Apply(const std::string& op, int32_t a, int32_t b) {
    const uint32_t ua = uint32_t(a), ub = uint32_t(b);
    if (op == "+") return int32_t(ua + ub);
    if (op == "-") return int32_t(ua - ub);
    if (op == "*") return int32_t(ua * ub);
    if (op == "/") return b == -1 ? int32_t(0u - ua) : a / b;
    if (op == "%") return b == -1 ? 0 : a % b;
    if (op == "&") return (a & b) & 255;
    if (op == "|") return (a | b) & 255;
    if (op == "<") return a < b;
    if (op == ">") return a > b;
    if (op == "<=") return a <= b;
    if (op == ">=") return a >= b;
    if (op == "=") return a == b;
    if (op == "<>") return a != b;
    if (op == "&&") return a == 1 && b == 1;
    if (op == "||") return a == 1 || b == 1;
    if (op == "&&!") return a == 1 && b != 1;
    return a == 1 || b == 0;  // ||!
  }
  // Shunting: values and operators, reduced while the stacked operator binds at least as tight.
  static int32_t Evaluate(const std::vector<int32_t>& values, const std::vector<std::string>& ops) {
    std::vector<int32_t> vs{values[0]};
    std::vector<std::string> os;
    for (size_t i = 0; i < ops.size(); ++i) {
      while (!os.empty() && Prec(os.back()) >= Prec(ops[i])) {
        const int32_t b = vs.back();
        vs.pop_back();
        vs.back() = Apply(os.back(), vs.back(), b);
        os.pop_back();
      }
      os.push_back(ops[i]);
      vs.push_back(values[i + 1]);
    }
    while (!os.empty()) {
      const int32_t b = vs.back();
      vs.pop_back();
      vs.back() = Apply(os.back(), vs.back(), b);
      os.pop_back();
    }
    return vs[0];
  }
};

TEST_F(Assembler, CalcValueFollowsPrecedenceWhateverTheChain) {
  EXPECT_EQ(Run({"CALC 1+2*3*4-5", "QUIT"}), "20");
  EXPECT_EQ(Run({"CALC 1+2*3*4-5+6", "QUIT"}), "26");
  EXPECT_EQ(Run({"CALC 2*3+4*5*6-7*8", "QUIT"}), "70");
  EXPECT_EQ(Run({"CALC 1=1&&2*3*4=24", "QUIT"}), "1");
  EXPECT_EQ(Run({"CALC 10-2*3*1-1", "QUIT"}), "3");

  const char* const ops[] = {"+", "-", "*", "/", "%", "&", "|", "<", ">", "<=", ">=", "=", "<>", "&&", "||", "&&!", "||!"};
  uint32_t seed = 12345;
  const auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  for (int round = 0; round < 3000; ++round) {
    const size_t count = 2 + next(11);
    std::vector<int32_t> values;
    std::vector<std::string> chosen;
    std::string expr;
    for (size_t i = 0; i < count; ++i) {
      // Operators bind at most as tight as "/", so every divisor is one of these literals.
      values.push_back(int32_t(1 + next(9)));
      expr += std::to_string(values.back());
      if (i + 1 < count) {
        chosen.push_back(ops[next(round < 1500 ? 5 : 17)]);
        expr += chosen.back();
      }
    }
    const std::string got = Run({"CALC " + expr, "QUIT"});
    ASSERT_EQ(got, std::to_string(Reference::Evaluate(values, chosen))) << expr;
  }
}

}  // namespace
