#include "script/sourcecompiler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/script/script_fixture.h"

namespace {

using script_testing::Reports;
using script_testing::Shown;

// A line as the compiler emits it: three blanks per nesting level.
std::string L(int Level, const std::string& Text) { return std::string(size_t(3 * Level), ' ') + Text; }

std::string Prepared(const std::vector<std::string>& Lines) {
  return SplitStatements(StripComments(JoinSourceLines(Lines)));
}

std::string Joined(const std::vector<std::string>& Lines) {
  std::string s;
  for (const std::string& l : Lines) s += "[" + l + "]\n";
  return s;
}

void Nothing() {}

class SourceCompiler : public script_testing::ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    for (const char* name : {"a", "b", "i", "n", "x", "y"}) AddExtVar(name, 0, &ints_[names_++]);
    AddExtVar("f", 1, &float_);
    AddExtVar("s", 2, &text_);
    AddExtProc("p", Nothing, "", 0, 0);
    AddExtProc("setrotation", Nothing, "", 4, 0);
    AddExtProc("A$_", Nothing, "INTEGER", 1, 1);
    AddExtProc("A$__", Nothing, "", 2, 0);
  }

  // The lines of a prepared text (the host names above declared first), without the link lines
  // of the declarations and without the closing BUFFC and QUIT, which must be there.
  std::vector<std::string> Body(const std::string& Text) {
    std::vector<std::string> out;
    TSourceCompiler compiler(out);
    compiler.CompilePrepared(kDeclarations + Text);
    EXPECT_FALSE(ScriptErrorFlag) << Text << ": " << LastMessage();
    size_t first = 0;
    while (first < out.size() && (out[first][0] == '^' || out[first][0] == '@')) ++first;
    if (out.size() < first + 2 || out[out.size() - 2] != "BUFFC" || out.back() != "QUIT") {
      ADD_FAILURE() << Text << " does not end in BUFFC, QUIT:\n" << Joined(out);
      return out;
    }
    return std::vector<std::string>(out.begin() + std::ptrdiff_t(first), out.end() - 2);
  }

  // The lines of a prepared text, every line.
  static std::vector<std::string> All(const std::string& Text) {
    std::vector<std::string> out;
    TSourceCompiler compiler(out);
    compiler.CompilePrepared(Text);
    return out;
  }

  const std::string kDeclarations = "DEFINEVAR A,B,I,N,X,Y,F,S;DEFINEPROC P,SETROTATION,SIN,COS,A$_,A$__;";
  int32_t ints_[6] = {};
  int names_ = 0;
  float float_ = 0;
  ShortString<255> text_{};
};

// ---- Preparation

TEST(SourcePreparation, CommentsAndStatementSeparation) {
  struct Case {
    std::vector<std::string> lines;
    std::string prepared;
  };
  const Case cases[] = {
      {{"x:=1; // note", "y:=2;"}, "X:=1;Y:=2;"},
      {{"a{c}b"}, "AB"},
      {{"s:='a // b';"}, "S:='a // b';"},
      {{"/*/ x:=1;"}, "X:=1;"},
      {{"a(*)b"}, "AB"},
      {{"a(* one", "two *)b"}, "AB"},
      {{"{ it's }x:=1;"}, "X:=1;"},
      {{"x:=1; { still open"}, "X:=1;{STILLOPEN"},
      {{"x:=1; /* still open"}, "X:=1;/*STILLOPEN"},
      {{"a; // the last line"}, "A;"},
      {{"if a then b:=1 else b:=2;"}, "IF A THEN B:=1;ELSE B:=2;"},
      {{"if a then b:=1", "else b:=2;"}, "IF A THEN B:=1;ELSE B:=2;"},
      {{"for i := 1 to 10 do", "x:=i;"}, "FOR I:=1 TO 10 DO X:=I;"},
      {{"auto := 1;"}, "AUTO :=1;"},
      {{"Begin", "End;"}, "BEGIN END;"},
      {{"repeat n:=n-1; until n=0;"}, "REPEAT N:=N-1;UNTILN=0;"},
      {{"while n>0 do", "begin n:=n-1; end;"}, "WHILE N>0 DO BEGIN N:=N-1;END;"},
      {{"procedure Move(x:float; n:integer);"}, "PROCEDURE MOVE(X:FLOAT;N:INTEGER);"},
      {{"showmess('Mixed Case', 'a' );"}, "SHOWMESS('Mixed Case','a');"},
      {{"\tx:=1;"}, "\tX:=1;"},
      {{"", "   ", ""}, ""},
      {{"// only a comment", "{ and another }"}, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Prepared(c.lines), c.prepared) << Joined(c.lines);
  // The opener's "*" closes the comment too.
  EXPECT_EQ(StripComments("/*/ x:=1;\r\n"), " x:=1;\r\n");
  EXPECT_EQ(StripComments("x // c\r\ny\r\n"), "x y\r\n");
}

TEST(SourcePreparation, BlockEndsArgumentsAndOperatorCharacters) {
  EXPECT_EQ(FindBlockEnd(std::string("A;B;"), ";", "", "", 1), 2);
  EXPECT_EQ(FindBlockEnd(std::string("'A;B';"), ";", "", "", 1), 6);
  EXPECT_EQ(FindBlockEnd(std::string("BEGIN X;END;END;"), "END;", "BEGIN", "ASM", 1), 13);
  EXPECT_EQ(FindBlockEnd(std::string("ASM 'END;';END;X;END;"), "END;", "BEGIN", "ASM", 1), 18);
  EXPECT_EQ(FindBlockEnd(std::string("X:=1;"), "END;", "BEGIN", "ASM", 1), -1);
  EXPECT_EQ(FindBlockEnd(std::string(), ";", "", "", 1), -1);

  EXPECT_EQ(ArgCount(""), 0);
  EXPECT_EQ(ArgCount("1,A,0,0"), 4);
  EXPECT_EQ(ArgCount("F(A,B),'x,y',C"), 3);
  EXPECT_EQ(GetArg("F(A,B),'x,y',C", 1), "F(A,B)");
  EXPECT_EQ(GetArg("F(A,B),'x,y',C", 2), "'x,y'");
  EXPECT_EQ(GetArg("F(A,B),'x,y',C", 3), "C");

  for (char c : std::string("+-*/%^=!&|<>")) EXPECT_TRUE(IsCalcChar(c)) << c;
  EXPECT_FALSE(IsCalcChar('('));
  EXPECT_TRUE(HasCalcChar("A+B"));
  EXPECT_FALSE(HasCalcChar("'A+B'"));
  EXPECT_TRUE(HasCalcChar("'A'+B"));

  EXPECT_TRUE(IsStatementKeyword("CASE "));
  EXPECT_TRUE(IsStatementKeyword("-->"));
  EXPECT_FALSE(IsStatementKeyword("VAR "));
}

// ---- Whole scripts

TEST_F(SourceCompiler, EightLineSampleGivesItsListing) {
  const std::vector<std::string> source = {"defineproc setrotation;",
                                           "definevar frame;",
                                           "var a,b:integer;",
                                           "begin",
                                           "  a:=frame*2;",
                                           "  if a>10 then setrotation(1,a,0,0);",
                                           "  for b:=1 to 3 do a:=a+b;",
                                           "end;"};
  EXPECT_EQ(Prepared(source),
            "DEFINEPROC SETROTATION;DEFINEVAR FRAME;VAR A,B:INTEGER;BEGIN A:=FRAME*2;IF A>10 THEN "
            "SETROTATION(1,A,0,0);FOR B:=1 TO 3 DO A:=A+B;END;");
  int32_t frame = 4;
  AddExtVar("frame", 0, &frame);
  std::vector<std::string> out;
  CompileSource(source, out);
  EXPECT_FALSE(ScriptErrorFlag) << LastMessage();
  const std::vector<std::string> listing = {
      L(0, "@SETROTATION"), L(0, "^FRAME"),        L(0, "SET A,B INTEGER"),  L(0, "BLOCK"),
      L(1, "CALC FRAME*2"), L(1, "MOVR +A"),       L(1, "BUFFC"),            L(1, "BLOCK"),
      L(2, "CALC A>10"),    L(2, "BUFFC"),         L(2, "IF"),               L(2, "BLOCK"),
      L(3, "BLOCK"),        L(4, "PUSHVA 0"),      L(4, "PUSHVA 0"),         L(4, "PUSHV A"),
      L(4, "PUSHVA 1"),     L(4, "BUFFC"),         L(4, "CALLINTEX SETROTATION"), L(3, "ENDBLOCK"),
      L(2, "ENDBLOCK"),     L(1, "ENDBLOCK"),      L(1, "BLOCK"),            L(2, "PUSHVA 1"),
      L(2, "POPV B"),       L(2, "PUSHVA 3"),      L(2, "SET __E__ INTEGER"), L(2, "POPV __E__"),
      L(2, "CALC B<=__E__"), L(2, "IF"),           L(2, "BLOCK"),            L(3, "LABEL __$1__"),
      L(3, "CALC A+B"),     L(3, "MOVR +A"),       L(3, "BUFFC"),            L(3, "INC B"),
      L(3, "SME B __E__"),  L(3, "IF"),            L(3, "JUMP __$1__"),      L(2, "ENDBLOCK"),
      L(2, "UNSET __E__"),  L(1, "ENDBLOCK"),      L(0, "ENDBLOCK"),         L(0, "BUFFC"),
      L(0, "QUIT")};
  EXPECT_EQ(Joined(out), Joined(listing));
  // The second stage takes it, and it runs: a = 8 + 1 + 2 + 3.
  TScriptStream code;
  AssembleScript(out, code);
  ASSERT_FALSE(ScriptErrorFlag) << LastMessage();
  EXPECT_EQ(RunScript(code.Bytes), "0");  // the accumulator holds the last SME
}

TEST_F(SourceCompiler, DefaultScriptGivesItsLinkLinesAndAnEmptyBlock) {
  struct Host {
    const char* name;
    int params;
    const char* result;
  };
  const Host game[] = {{"SetRotation", 4, ""}, {"SetPosition", 4, ""}, {"SetNick", 2, ""},      {"SetGier", 2, ""},
                       {"SetRoll", 2, ""},     {"ReadNode", 2, ""},    {"GetNextNode", 2, "Integer"},
                       {"GetCoordPos", 4, ""}, {"CMBezier", 4, ""},    {"CopyCoord", 2, ""},    {"CopyNode", 2, ""},
                       {"TBC", 6, "integer"},  {"TFC", 6, "integer"},  {"SetTexture", 3, ""}};
  InitScriptUnits();
  for (const Host& h : game) AddExtProc(h.name, Nothing, h.result, h.params, *h.result ? 1 : 0);
  int32_t frame = 0;
  AddExtVar("frame", 0, &frame);
  const std::vector<std::string> source = {"defineproc setrotation,setposition,setnick,setgier,setroll;",
                                           "definevar frame;",
                                           "defineproc ReadNode,GetNextNode,GetCoordPos,CMBezier;",
                                           "defineproc CopyCoord,CopyNode,TBC,TFC;",
                                           "defineproc SetTexture;",
                                           "",
                                           "Begin",
                                           "End;"};
  std::vector<std::string> out;
  CompileSource(source, out);
  EXPECT_FALSE(ScriptErrorFlag) << LastMessage();
  const std::vector<std::string> listing = {
      "@SETROTATION", "@SETPOSITION", "@SETNICK",  "@SETGIER",  "@SETROLL", "^FRAME",   "@READNODE",
      "@GETNEXTNODE", "@GETCOORDPOS", "@CMBEZIER", "@COPYCOORD", "@COPYNODE", "@TBC",   "@TFC",
      "@SETTEXTURE",  "BLOCK",        "ENDBLOCK",  "BUFFC",     "QUIT"};
  EXPECT_EQ(Joined(out), Joined(listing));
  // A function registered with a result type in mixed case works inside an expression.
  out = All("DEFINEPROC GETNEXTNODE,TBC;VAR K:INTEGER;BEGIN K:=GETNEXTNODE(1,2)+TBC(1,2,3,4,5,6);END;");
  EXPECT_FALSE(ScriptErrorFlag) << LastMessage();
  ASSERT_GE(out.size(), 7u);
  EXPECT_EQ(out[5], L(2, "SET __GETNEXTNODE1 Integer"));
  EXPECT_EQ(out[6], L(2, "SET __TBC2 integer"));
}

TEST_F(SourceCompiler, EmptySourceAndCommentsOnlyLeaveNoLines) {
  for (const std::vector<std::string>& source :
       {std::vector<std::string>{}, std::vector<std::string>{"", "  ", ""}, std::vector<std::string>{"// x", "{y}"}}) {
    std::vector<std::string> out = {"old"};
    CompileSource(source, out);
    EXPECT_FALSE(ScriptErrorFlag);
    EXPECT_TRUE(out.empty()) << Joined(out);
  }
}

// The lines already in the output vector lend their buffers to the new lines; what comes out is
// what an empty vector gets, also when the vector held more or fewer lines, and after an error.
TEST_F(SourceCompiler, AVectorThatHeldLinesGetsTheSameLinesAsAnEmptyOne) {
  const std::vector<std::string> longer = {"var a,b:integer;", "begin",
                                           "  if a>1 then b:=2;",  // an IF without ELSE takes a line back out
                                           "  if a>1 then b:=2 else b:=3;", "  for b:=1 to 3 do a:=a+b;",
                                           "  while a<5 do begin a:=a+1; end;", "end;"};
  const std::vector<std::string> shorter = {"var a:integer;", "begin a:=1; end;"};
  const std::vector<std::string> failing = {"begin a:=1; nobody; end;"};
  const auto fresh = [](const std::vector<std::string>& Source) {
    std::vector<std::string> out;
    CompileSource(Source, out);
    return out;
  };
  const std::vector<std::string> held[] = {{}, std::vector<std::string>(500, std::string(40, 'z')), {"x"},
                                           fresh(longer), fresh(shorter)};
  for (const std::vector<std::string>* source : {&longer, &shorter, &failing}) {
    const std::vector<std::string> expected = fresh(*source);
    const bool failed = ScriptErrorFlag;
    for (const std::vector<std::string>& before : held) {
      std::vector<std::string> out = before;
      CompileSource(*source, out);
      EXPECT_EQ(ScriptErrorFlag, failed);
      EXPECT_EQ(Joined(out), Joined(expected)) << "held " << before.size() << " lines";
    }
  }
}

// ---- Statements: each row is a prepared statement text and the lines it gives

TEST_F(SourceCompiler, AssignmentsCallsAndStackTransfers) {
  struct Row {
    std::string text;
    std::vector<std::string> lines;
  };
  const Row rows[] = {
      {"X:=5;", {"MOV X 5", "BUFFC"}},
      {"S:='A B';", {"MOV S 'A B'", "BUFFC"}},
      {"F:=2.5;", {"MOV F 2.5", "BUFFC"}},
      {"X:=Y;", {"MOVD Y X", "BUFFC"}},
      {"X:=Y*2+1;", {"CALC Y*2+1", "MOVR +X", "BUFFC"}},
      {"X:=-Y;", {"CALC -Y", "MOVR +X", "BUFFC"}},
      // A parenthesised part reads its result by number: its CALC starts from a cleared count.
      {"X:=(A+B)*2;", {"BUFFC", "CALC (A+B)*2", "MOVR +X", "BUFFC"}},
      {"S:='(A'+S;", {"CALC '(A'+S", "MOVR +S", "BUFFC"}},
      {"X:=SIN(A)+1;",
       {L(0, "BLOCK"), L(1, "SET __SIN1 FLOAT"), L(1, "BLOCK"), L(2, "PUSHV A"), L(2, "BUFFC"), L(2, "CALLINTEX SIN"),
        L(1, "ENDBLOCK"), L(1, "POPV __SIN1"), L(1, "CALC __SIN1+1"), L(1, "UNSET __SIN1"), L(0, "ENDBLOCK"),
        L(0, "MOVR +X"), L(0, "BUFFC")}},
      {"X:=SIN(A);",
       {L(0, "BLOCK"), L(1, "BLOCK"), L(2, "PUSHV A"), L(2, "BUFFC"), L(2, "CALLINTEX SIN"), L(1, "ENDBLOCK"),
        L(1, "POPV X"), L(0, "ENDBLOCK"), L(0, "BUFFC")}},
      // One call is taken out; its argument, a call itself, is pushed as a call block.
      {"X:=SIN(COS(A))*2;",
       {L(0, "BLOCK"), L(1, "SET __SIN1 FLOAT"), L(1, "BLOCK"), L(2, "BLOCK"), L(3, "BLOCK"), L(4, "PUSHV A"),
        L(4, "BUFFC"), L(4, "CALLINTEX COS"), L(3, "ENDBLOCK"), L(2, "ENDBLOCK"), L(2, "BUFFC"),
        L(2, "CALLINTEX SIN"), L(1, "ENDBLOCK"), L(1, "POPV __SIN1"), L(1, "CALC __SIN1*2"), L(1, "UNSET __SIN1"),
        L(0, "ENDBLOCK"), L(0, "MOVR +X"), L(0, "BUFFC")}},
      {"X:=SIN(A)*COS(B);",
       {L(0, "BLOCK"), L(1, "SET __SIN1 FLOAT"), L(1, "SET __COS2 FLOAT"), L(1, "BLOCK"), L(2, "PUSHV A"),
        L(2, "BUFFC"), L(2, "CALLINTEX SIN"), L(1, "ENDBLOCK"), L(1, "POPV __SIN1"), L(1, "BLOCK"), L(2, "PUSHV B"),
        L(2, "BUFFC"), L(2, "CALLINTEX COS"), L(1, "ENDBLOCK"), L(1, "POPV __COS2"), L(1, "CALC __SIN1*__COS2"),
        L(1, "UNSET __SIN1,__COS2"), L(0, "ENDBLOCK"), L(0, "MOVR +X"), L(0, "BUFFC")}},
      {"SETROTATION(1,A,0,0);",
       {L(0, "BLOCK"), L(1, "PUSHVA 0"), L(1, "PUSHVA 0"), L(1, "PUSHV A"), L(1, "PUSHVA 1"), L(1, "BUFFC"),
        L(1, "CALLINTEX SETROTATION"), L(0, "ENDBLOCK")}},
      {"SETROTATION(X+1,'a,b',0,F);",
       {L(0, "BLOCK"), L(1, "PUSHV F"), L(1, "PUSHVA 0"), L(1, "PUSHVA 'a,b'"), L(1, "CALC X+1"), L(1, "PUSH"),
        L(1, "BUFFC"), L(1, "CALLINTEX SETROTATION"), L(0, "ENDBLOCK")}},
      {"P;", {"CALLINTEX P"}},
      // A function's result is dropped by a call statement.
      {"SIN(1);", {L(0, "BLOCK"), L(1, "PUSHVA 1"), L(1, "BUFFC"), L(1, "CALLINTEX SIN"), L(0, "ENDBLOCK"), "POP"}},
      {"INC(N);", {"INC N"}},
      {"INC(X,2);", {"INC X,2"}},
      {"DEC(N);", {"DEC N"}},
      {"X++;", {"INC X"}},
      {"X--;", {"DEC X"}},
      {"-->N;", {"POPV N"}},
      {"N-->;", {"PUSHV N"}},
      // Array reads and writes are calls of A$_ and A$__.
      {"X:=A[2];",
       {L(0, "BLOCK"), L(1, "BLOCK"), L(2, "PUSHVA 2"), L(2, "BUFFC"), L(2, "CALLINTEX A$_"), L(1, "ENDBLOCK"),
        L(1, "POPV X"), L(0, "ENDBLOCK"), L(0, "BUFFC")}},
      {"A[2]:=X;",
       {L(0, "BLOCK"), L(1, "PUSHV X"), L(1, "PUSHVA 2"), L(1, "BUFFC"), L(1, "CALLINTEX A$__"), L(0, "ENDBLOCK")}},
      {"ASM 'MOV X 5';'CALC X+1';END;", {"MOV X 5", "CALC X+1"}},
      {"SCRIPT MYSCRIPT;X:=1;", {"MOV X 1", "BUFFC"}},
  };
  for (const Row& row : rows) {
    Reports().clear();
    EXPECT_EQ(Joined(Body(row.text)), Joined(row.lines)) << row.text;
  }
}

TEST_F(SourceCompiler, ConstantsAreReplacedInExpressionsButNotForALoneName) {
  struct Row {
    std::string text;
    std::vector<std::string> lines;
  };
  // A CONST statement goes on while a "=" comes before the next blank, so the statements
  // after it stand in a block here.
  const Row rows[] = {
      {"CONST MAX=10;BEGIN X:=MAX;END;", {"MOV X 10", "BUFFC"}},
      {"CONST MAX=10;BEGIN IF MAX THEN P;END;",
       {L(0, "BLOCK"), L(1, "MOVR MAX"), L(1, "BUFFC"), L(1, "IF"), L(1, "BLOCK"), L(2, "CALLINTEX P"),
        L(1, "ENDBLOCK"), L(0, "ENDBLOCK")}},
      {"CONST MAX=10;BEGIN IF X<MAX THEN P;END;",
       {L(0, "BLOCK"), L(1, "CALC X<10"), L(1, "BUFFC"), L(1, "IF"), L(1, "BLOCK"), L(2, "CALLINTEX P"),
        L(1, "ENDBLOCK"), L(0, "ENDBLOCK")}},
      // Longer names go first: MAXSPEED is not MAX followed by SPEED.
      {"CONST MAX=10;MAXSPEED=50;BEGIN X:=MAXSPEED+MAX;END;", {"CALC 50+10", "MOVR +X", "BUFFC"}},
      {"CONST C='A';BEGIN S:=C;END;", {"MOV S 'A'", "BUFFC"}},
      {"CONST TEN=10;BEGIN SETROTATION(TEN,0,0,0);END;",
       {L(0, "BLOCK"), L(1, "PUSHVA 0"), L(1, "PUSHVA 0"), L(1, "PUSHVA 0"), L(1, "PUSHVA 10"), L(1, "BUFFC"),
        L(1, "CALLINTEX SETROTATION"), L(0, "ENDBLOCK")}},
      // A value that holds its own name is put in once.
      {"CONST N=N+1;BEGIN X:=N*2;END;", {"CALC N+1*2", "MOVR +X", "BUFFC"}},
      // (Names are replaced inside other names too, so this one is not N: SIN holds an N.)
      {"CONST K=K+1;BEGIN X:=SIN(K*2);END;",
       {L(0, "BLOCK"), L(1, "SET __SIN1 FLOAT"), L(1, "BLOCK"), L(2, "CALC K+1*2"), L(2, "PUSH"), L(2, "BUFFC"),
        L(2, "CALLINTEX SIN"), L(1, "ENDBLOCK"), L(1, "POPV __SIN1"), L(1, "CALC __SIN1"), L(1, "UNSET __SIN1"),
        L(0, "ENDBLOCK"), L(0, "MOVR +X"), L(0, "BUFFC")}},
      {"CONST K=K+1;BEGIN IF K>2 THEN P;END;",
       {L(0, "BLOCK"), L(1, "CALC K+1>2"), L(1, "BUFFC"), L(1, "IF"), L(1, "BLOCK"), L(2, "CALLINTEX P"),
        L(1, "ENDBLOCK"), L(0, "ENDBLOCK")}},
  };
  for (const Row& row : rows) {
    Reports().clear();
    std::vector<std::string> expected = {L(0, "BLOCK")};
    for (const std::string& line : row.lines) expected.push_back(L(1, line));
    expected.push_back(L(0, "ENDBLOCK"));
    EXPECT_EQ(Joined(Body(row.text)), Joined(expected)) << row.text;
  }
  // Typed constants are variables set once.
  EXPECT_EQ(Joined(Body("CONST LIMIT:INTEGER=5;")), Joined({"SET LIMIT INTEGER", "MOV LIMIT 5"}));
  EXPECT_EQ(Joined(Body("CONST L:INTEGER=2*3;")), Joined({"SET L INTEGER", "CALC 2*3", "PUSH", "POPV L"}));
  std::vector<std::string> out;
  TSourceCompiler compiler(out);
  compiler.CompilePrepared("CONST MAX=10;MAXSPEED=50;MIN=1;");
  ASSERT_EQ(compiler.Consts.size(), 3u);
  EXPECT_EQ(compiler.Consts[0].Name, "MAXSPEED");
  EXPECT_EQ(compiler.Consts[1].Name, "MAX");
  EXPECT_EQ(compiler.Consts[2].Name, "MIN");
  EXPECT_EQ(compiler.FindConst("MAX"), 2);
  EXPECT_EQ(compiler.FindConst("max"), -1);  // exact, never upper-cased
}

TEST_F(SourceCompiler, RecordsAreDeclaredAndCopiedFieldByField) {
  const std::vector<std::string> out = All("TYPE PT=RECORD(X,Y:FLOAT);VAR P,Q:PT;BEGIN Q:=P;END;");
  EXPECT_FALSE(ScriptErrorFlag) << LastMessage();
  EXPECT_EQ(Joined(out), Joined({"SET P.X,P.Y FLOAT", "SET Q.X,Q.Y FLOAT", "SET P,Q RECORD", L(0, "BLOCK"),
                                 L(1, "PUSHV P.X"), L(1, "PUSHV P.Y"), L(1, "POPV Q.Y"), L(1, "POPV Q.X"), L(1, "BUFFC"),
                                 L(0, "ENDBLOCK"), "BUFFC", "QUIT"}));
  std::vector<std::string> lines;
  TSourceCompiler c(lines);
  c.CompilePrepared("TYPE PT=RECORD(X:FLOAT,Y:INTEGER);VAR P:PT;");
  EXPECT_EQ(Joined(lines), Joined({"SET P.X FLOAT", "SET P.Y INTEGER", "SET P RECORD", "BUFFC", "QUIT"}));
  ASSERT_EQ(c.Vars.size(), 3u);
  EXPECT_EQ(c.Vars[0].Name, "P.X");
  EXPECT_EQ(c.Vars[0].Family, 1);
  EXPECT_EQ(c.Vars[1].Name, "P.Y");
  EXPECT_EQ(c.Vars[1].Family, 0);
  EXPECT_EQ(c.Vars[2].Name, "P");
  EXPECT_EQ(c.Vars[2].Family, 3);
  EXPECT_EQ(c.Vars[2].RecordIndex, 1);
  ASSERT_EQ(c.Records.size(), 1u);
  EXPECT_EQ(c.Records[0].Fields, "(X:FLOAT,Y:INTEGER)");
  // A record and a plain variable do not mix: nothing is moved.
  EXPECT_EQ(Joined(All("TYPE PT=RECORD(X:FLOAT);VAR P:PT;N:INTEGER;BEGIN N:=P;END;")),
            Joined({"SET P.X FLOAT", "SET P RECORD", "SET N INTEGER", L(0, "BLOCK"), L(1, "BUFFC"), L(0, "ENDBLOCK"),
                    "BUFFC", "QUIT"}));
  // A record copy through the assembler and the interpreter.
  const std::vector<std::string> copy = {"type pt=record(x,y:float);", "var p,q:pt;", "begin",
                                         "  p.x:=1.5; p.y:=2.5; q:=p;", "  asm 'CALC Q.X+Q.Y';end;", "end;"};
  std::vector<std::string> assembler;
  TScriptStream code;
  ASSERT_TRUE(CompileScript(copy, assembler, code)) << LastMessage();
  EXPECT_EQ(RunScript(code.Bytes), "4.000");
}

TEST_F(SourceCompiler, VariableDeclarationsTypesAndLookups) {
  std::vector<std::string> out;
  TSourceCompiler c(out);
  c.CompilePrepared("VAR A,B:INTEGER;X:FLOAT;BEGIN END;");
  EXPECT_EQ(Joined(out), Joined({"SET A,B INTEGER", "SET X FLOAT", "BLOCK", "ENDBLOCK", "BUFFC", "QUIT"}));
  EXPECT_EQ(c.FindVar("x"), 3);
  EXPECT_EQ(c.FindVar("Q"), -1);
  EXPECT_EQ(c.TypeFamily("SHORTSTRING"), 2);
  EXPECT_EQ(c.TypeFamily("RECORD"), 3);
  EXPECT_EQ(c.TypeFamily("CARDINAL"), 0);

  c.CompilePrepared("TYPE SPEED=FLOAT;VAR V:SPEED;");
  EXPECT_EQ(Joined(out), Joined({"SET V SPEED", "BUFFC", "QUIT"}));
  ASSERT_EQ(c.Vars.size(), 1u);
  EXPECT_EQ(c.Vars[0].Family, 1);

  c.CompilePrepared("TYPE A=INTEGER;PT=RECORD(X:FLOAT);");
  EXPECT_EQ(c.TypeFamily("PT"), 0);
  EXPECT_EQ(c.CurrentRecordIndex(), 2);
  EXPECT_FALSE(ScriptErrorFlag);
  EXPECT_EQ(c.TypeFamily("NOTHING"), 0);
  EXPECT_EQ(LastMessage(), "H-012 : ERROR : Unknown class-type (\"NOTHING\")");

  c.CompilePrepared("DEFINEPROC SIN,COS,SHOWMESS;");
  ASSERT_EQ(c.Procs.size(), 3u);
  EXPECT_EQ(c.Procs[0].Name, "SIN");
  EXPECT_EQ(c.Procs[0].ParamCount, 1);
  EXPECT_EQ(c.Procs[0].ResultType, "FLOAT");
  EXPECT_EQ(c.Procs[0].ResultCount, 1);
  EXPECT_EQ(c.Procs[2].ResultCount, 0);
  EXPECT_EQ(c.FindProc("cos"), 2);
}

TEST_F(SourceCompiler, ProceduresAndFunctions) {
  std::vector<std::string> out;
  TSourceCompiler c(out);
  c.CompilePrepared("PROCEDURE P(A:INTEGER;B:FLOAT);BEGIN A:=1;RET;");
  EXPECT_FALSE(ScriptErrorFlag) << LastMessage();
  EXPECT_EQ(Joined(out), Joined({L(0, ""), L(1, "PROC P A/INTEGER B/FLOAT"), L(1, "SET A INTEGER"), L(1, "POPV A"),
                                 L(1, "SET B FLOAT"), L(1, "POPV B"), L(1, "BLOCK"), L(2, "MOV A 1"), L(2, "BUFFC"),
                                 L(1, "ENDBLOCK"), L(1, "UNSET A"), L(1, "UNSET B"), L(1, "RET"), L(0, ""), "BUFFC",
                                 "QUIT"}));
  // The procedure stays declared; its parameters are forgotten.
  ASSERT_EQ(c.Procs.size(), 1u);
  EXPECT_EQ(c.Procs[0].Name, "P");
  EXPECT_EQ(c.Procs[0].ParamCount, 2);
  EXPECT_EQ(c.Procs[0].ResultCount, 0);
  EXPECT_TRUE(c.Vars.empty());

  c.CompilePrepared("PROCEDURE Q(A,B:INTEGER);BEGIN A:=B;RET;");
  EXPECT_EQ(Joined(out), Joined({L(0, ""), L(1, "PROC Q A/INTEGER B/INTEGER"), L(1, "SET A,B INTEGER"), L(1, "POPV A"),
                                 L(1, "POPV B"), L(1, "BLOCK"), L(2, "MOVD B A"), L(2, "BUFFC"), L(1, "ENDBLOCK"),
                                 L(1, "UNSET A,B"), L(1, "RET"), L(0, ""), "BUFFC", "QUIT"}));

  c.CompilePrepared("PROCEDURE R;VAR L:INTEGER;BEGIN L:=1;RET;");
  EXPECT_EQ(Joined(out), Joined({L(0, ""), L(1, "PROC R"), L(1, "SET L INTEGER"), L(1, "BLOCK"), L(2, "MOV L 1"),
                                 L(2, "BUFFC"), L(1, "ENDBLOCK"), L(1, "RET"), L(0, ""), "BUFFC", "QUIT"}));
  EXPECT_TRUE(c.Vars.empty());  // the local variable is forgotten

  // A function: RESULT leaves the value in the accumulator, and every call of the function
  // pushes it inside its call block, where the caller takes it from.
  c.CompilePrepared("FUNCTION DOUBLE(X:INTEGER):INTEGER;BEGIN RESULT(X*2);RET;VAR Y:INTEGER;BEGIN Y:=DOUBLE(3);"
                    "Y:=DOUBLE(Y)+1;DOUBLE(1);END;");
  EXPECT_FALSE(ScriptErrorFlag) << LastMessage();
  EXPECT_EQ(Joined(out),
            Joined({L(0, ""), L(1, "PROC DOUBLE X/INTEGER"), L(1, "SET X INTEGER"), L(1, "POPV X"), L(1, "BLOCK"),
                    L(2, "CALC X*2"), L(2, "PUSH"), L(2, "POP"), L(1, "ENDBLOCK"), L(1, "UNSET X"), L(1, "RET"),
                    L(0, ""), "SET Y INTEGER", L(0, "BLOCK"),
                    // Y:=DOUBLE(3);
                    L(1, "BLOCK"), L(2, "BLOCK"), L(3, "PUSHVA 3"), L(3, "BUFFC"), L(3, "CALLINTEX DOUBLE"),
                    L(3, "PUSH"), L(2, "ENDBLOCK"), L(2, "POPV Y"), L(1, "ENDBLOCK"), L(1, "BUFFC"),
                    // Y:=DOUBLE(Y)+1;
                    L(1, "BLOCK"), L(2, "SET __DOUBLE1 INTEGER"), L(2, "BLOCK"), L(3, "PUSHV Y"), L(3, "BUFFC"),
                    L(3, "CALLINTEX DOUBLE"), L(3, "PUSH"), L(2, "ENDBLOCK"), L(2, "POPV __DOUBLE1"),
                    L(2, "CALC __DOUBLE1+1"), L(2, "UNSET __DOUBLE1"), L(1, "ENDBLOCK"), L(1, "MOVR +Y"),
                    L(1, "BUFFC"),
                    // DOUBLE(1);
                    L(1, "BLOCK"), L(2, "PUSHVA 1"), L(2, "BUFFC"), L(2, "CALLINTEX DOUBLE"), L(2, "PUSH"),
                    L(1, "ENDBLOCK"), L(1, "POP"), L(0, "ENDBLOCK"), "BUFFC", "QUIT"}));
  ASSERT_EQ(c.Procs.size(), 1u);
  EXPECT_EQ(c.Procs[0].ResultType, "INTEGER");
  EXPECT_EQ(c.Procs[0].ResultCount, 1);

  // A function without parameters; a call without arguments pushes too.
  c.CompilePrepared("FUNCTION ONE:INTEGER;BEGIN RESULT(1);RET;VAR Y:INTEGER;BEGIN Y:=ONE+1;END;");
  EXPECT_FALSE(ScriptErrorFlag) << LastMessage();
  ASSERT_GE(out.size(), 9u);
  EXPECT_EQ(out[1], L(1, "PROC ONE"));
  // A host function's call block pushes nothing of its own (the routine pushes its result).
  c.CompilePrepared("DEFINEPROC SIN;VAR F:FLOAT;BEGIN F:=SIN(1);END;");
  for (const std::string& line : out) EXPECT_NE(line, L(3, "PUSH")) << Joined(out);
}

TEST_F(SourceCompiler, ConditionalsAndLoopsWithTheirLabels) {
  struct Row {
    std::string text;
    std::vector<std::string> lines;
  };
  const Row rows[] = {
      {"IF A>B THEN X:=1;ELSE X:=2;",
       {L(0, "BLOCK"), L(1, "CALC A>B"), L(1, "PUSH"), L(1, "BUFFC"), L(1, "IF"), L(1, "BLOCK"), L(2, "MOV X 1"),
        L(2, "BUFFC"), L(1, "ENDBLOCK"), L(0, "ENDBLOCK"), L(0, "BLOCK"), L(1, "POP"), L(1, "BUFFC"), L(1, "IFNT"),
        L(1, "BLOCK"), L(2, "MOV X 2"), L(2, "BUFFC"), L(1, "ENDBLOCK"), L(0, "ENDBLOCK")}},
      {"IF A>B THEN X:=1;",
       {L(0, "BLOCK"), L(1, "CALC A>B"), L(1, "BUFFC"), L(1, "IF"), L(1, "BLOCK"), L(2, "MOV X 1"), L(2, "BUFFC"),
        L(1, "ENDBLOCK"), L(0, "ENDBLOCK")}},
      {"IFNOT A THEN P;",
       {L(0, "BLOCK"), L(1, "MOVR A"), L(1, "BUFFC"), L(1, "IFNT"), L(1, "BLOCK"), L(2, "CALLINTEX P"),
        L(1, "ENDBLOCK"), L(0, "ENDBLOCK")}},
      {"IF A THEN BEGIN X:=1;Y:=2;END;",
       {L(0, "BLOCK"), L(1, "MOVR A"), L(1, "BUFFC"), L(1, "IF"), L(1, "BLOCK"), L(2, "BLOCK"), L(3, "MOV X 1"),
        L(3, "BUFFC"), L(3, "MOV Y 2"), L(3, "BUFFC"), L(2, "ENDBLOCK"), L(1, "ENDBLOCK"), L(0, "ENDBLOCK")}},
      // The ELSE belongs to the innermost open conditional.
      {"IF A THEN X:=1;ELSE IF B THEN X:=2;ELSE X:=3;",
       {L(0, "BLOCK"), L(1, "MOVR A"), L(1, "PUSH"), L(1, "BUFFC"), L(1, "IF"), L(1, "BLOCK"), L(2, "MOV X 1"),
        L(2, "BUFFC"), L(1, "ENDBLOCK"), L(0, "ENDBLOCK"), L(0, "BLOCK"), L(1, "POP"), L(1, "BUFFC"), L(1, "IFNT"),
        L(1, "BLOCK"), L(2, "BLOCK"), L(3, "MOVR B"), L(3, "PUSH"), L(3, "BUFFC"), L(3, "IF"), L(3, "BLOCK"),
        L(4, "MOV X 2"), L(4, "BUFFC"), L(3, "ENDBLOCK"), L(2, "ENDBLOCK"), L(2, "BLOCK"), L(3, "POP"), L(3, "BUFFC"),
        L(3, "IFNT"), L(3, "BLOCK"), L(4, "MOV X 3"), L(4, "BUFFC"), L(3, "ENDBLOCK"), L(2, "ENDBLOCK"),
        L(1, "ENDBLOCK"), L(0, "ENDBLOCK")}},
      {"WHILE N>0 DO BEGIN N:=N-1;END;",
       {L(0, "BLOCK"), L(1, "LABEL __$1__"), L(1, "CALC N>0"), L(1, "PUSH"), L(1, "BUFFC"), L(1, "IF"),
        L(1, "BLOCK"), L(2, "CALC N-1"), L(2, "MOVR +N"), L(2, "BUFFC"), L(1, "ENDBLOCK"), L(1, "POP"), L(1, "IF"),
        L(1, "JUMP __$1__"), L(0, "ENDBLOCK")}},
      {"REPEAT N:=N-1;UNTILN=0;",
       {L(0, "BLOCK"), L(1, "LABEL __$1__"), L(1, "CALC N-1"), L(1, "MOVR +N"), L(1, "BUFFC"), L(1, "CALC N=0"),
        L(1, "BUFFC"), L(1, "IFNT"), L(1, "JUMP __$1__"), L(0, "ENDBLOCK")}},
      {"FOR I:=3 DOWNTO 1 DO X:=X+I;",
       {L(0, "BLOCK"), L(1, "PUSHVA 3"), L(1, "POPV I"), L(1, "PUSHVA 1"), L(1, "SET __E__ INTEGER"),
        L(1, "POPV __E__"), L(1, "CALC I>=__E__"), L(1, "IF"), L(1, "BLOCK"), L(2, "LABEL __$1__"), L(2, "CALC X+I"),
        L(2, "MOVR +X"), L(2, "BUFFC"), L(2, "DEC I"), L(2, "CALC I>=__E__"), L(2, "BUFFC"), L(2, "IF"),
        L(2, "JUMP __$1__"), L(1, "ENDBLOCK"), L(1, "UNSET __E__"), L(0, "ENDBLOCK")}},
      {"FOR I:=1 TO 3 DO I++;",
       {L(0, "BLOCK"), L(1, "PUSHVA 1"), L(1, "POPV I"), L(1, "PUSHVA 3"), L(1, "SET __E__ INTEGER"),
        L(1, "POPV __E__"), L(1, "CALC I<=__E__"), L(1, "IF"), L(1, "BLOCK"), L(2, "LABEL __$1__"), L(2, "INC I"),
        L(2, "INC I"), L(2, "SME I __E__"), L(2, "IF"), L(2, "JUMP __$1__"), L(1, "ENDBLOCK"), L(1, "UNSET __E__"),
        L(0, "ENDBLOCK")}},
      {"FOR I:=A UP B+1 DO P;",
       {L(0, "BLOCK"), L(1, "PUSHV A"), L(1, "POPV I"), L(1, "CALC B+1"), L(1, "PUSH"), L(1, "SET __E__ INTEGER"),
        L(1, "POPV __E__"), L(1, "CALC I<=__E__"), L(1, "IF"), L(1, "BLOCK"), L(2, "LABEL __$1__"),
        L(2, "CALLINTEX P"), L(2, "INC I"), L(2, "SME I __E__"), L(2, "IF"), L(2, "JUMP __$1__"), L(1, "ENDBLOCK"),
        L(1, "UNSET __E__"), L(0, "ENDBLOCK")}},
      // A FOR loop inside a WHILE loop takes the next label.
      {"WHILE N>0 DO BEGIN FOR I:=1 TO 2 DO N--;END;",
       {L(0, "BLOCK"), L(1, "LABEL __$1__"), L(1, "CALC N>0"), L(1, "PUSH"), L(1, "BUFFC"), L(1, "IF"),
        L(1, "BLOCK"), L(2, "BLOCK"), L(3, "PUSHVA 1"), L(3, "POPV I"), L(3, "PUSHVA 2"), L(3, "SET __E__ INTEGER"),
        L(3, "POPV __E__"), L(3, "CALC I<=__E__"), L(3, "IF"), L(3, "BLOCK"), L(4, "LABEL __$2__"), L(4, "DEC N"),
        L(4, "INC I"), L(4, "SME I __E__"), L(4, "IF"), L(4, "JUMP __$2__"), L(3, "ENDBLOCK"), L(3, "UNSET __E__"),
        L(2, "ENDBLOCK"), L(1, "ENDBLOCK"), L(1, "POP"), L(1, "IF"), L(1, "JUMP __$1__"), L(0, "ENDBLOCK")}},
      {"BEGIN BEGIN X:=1;END;END;",
       {L(0, "BLOCK"), L(1, "BLOCK"), L(2, "MOV X 1"), L(2, "BUFFC"), L(1, "ENDBLOCK"), L(0, "ENDBLOCK")}},
  };
  for (const Row& row : rows) {
    Reports().clear();
    EXPECT_EQ(Joined(Body(row.text)), Joined(row.lines)) << row.text;
  }
}

TEST_F(SourceCompiler, EveryErrorWithItsText) {
  struct Row {
    std::string text;
    std::string message;
  };
  const Row rows[] = {
      {"DEFINEPROC NOSUCH;", "H-001 : ERROR : External procedure not linked! (\"NOSUCH\")"},
      {"DEFINEVAR NOSUCH;", "H-001 : ERROR : External variable not linked! (\"NOSUCH\")"},
      {"FOR I:=1 UNTIL 3 DO X:=1;", "H-002 : ERROR : TO/DOWNTO/UP/DOWN awaited, but \"UNTIL\" found!"},
      {"NOSUCH;", "H-003 : ERROR : Unknown function \"NOSUCH\"!"},
      {"X:=1;;", "H-003 : ERROR : Unknown function \"\"!"},
      {"++;", "H-003 : ERROR : Unknown function \"++\"!"},
      {"IF A THEN I++;", "H-003 : ERROR : Unknown function \"I++\"!"},
      {"NOSUCH(1);", "H-003 : ERROR : Unknown function \"NOSUCH\"!"},
      {"X:=NOSUCH(1)+1;", "H-003 : ERROR : Unknown function \"NOSUCH\"!"},
      {"X:=P(1)+1;", "H-004 : ERROR : \"P\" is no function, but only a normal procedure!"},
      {"BEGIN X:=1;", "H-004 : ERROR : \"End;\" couldn't be found!"},
      {"X:=1", "H-005 : ERROR : End of variable-declaration not found!"},
      {"PROCEDURE Q;BEGIN END;", "H-006 : ERROR : End of procedure (\"Q\") couldn't be found!"},
      {"PROCEDURE Q(A:INTEGER);BEGIN END;", "H-006 : ERROR : End of procedure (\"Q(A:INTEGER)\") couldn't be found!"},
      // "END;RET;" leaves a stray END; in the body.
      {"PROCEDURE Q;BEGIN END;END;RET;", "H-003 : ERROR : Unknown function \"END\"!"},
      {"ASM 'PUSH';", "H-007 : ERROR : End of assembler-part couldn't be found!"},
      {"RESULT(1)", "H-008 : ERROR : End of result-command couldn't be found!"},
      {"REPEAT X:=1;", "H-009 : ERROR : End of repeat-loop couldn't be found!"},
      {"WHILE X>0 DO BEGIN X:=X-1;", "H-010 : ERROR : End of while-loop couldn't be found!"},
      {"WHILE X>0 DO X:=X-1;", "H-010 : ERROR : End of while-loop couldn't be found!"},
      {"SETROTATION(1,2);", "H-011 : ERROR : Incorrect parameter count while calling function \"SETROTATION(1,2)\"!"},
      {"VAR Q:INTEGER;Q:=5;", "H-012 : ERROR : Unknown class-type (\"=5\")"},
      {"VAR Q:NUMBER;", "H-012 : ERROR : Unknown class-type (\"NUMBER\")"},
      {"TYPE PT=RECORD(X:NUMBER);VAR Q:PT;", "H-012 : ERROR : Unknown class-type (\"NUMBER\")"},
      {"PROCEDURE Q(A:NUMBER);BEGIN RET;", "H-012 : ERROR : Unknown class-type (\"NUMBER\")"},
      {"A[1]:=2", "H-013 : ERROR : End of array-set not found!"},
      {"X:=A[1;", "H-014 : ERROR : End of array not found!"},
      {"NOBODY:=1;", "H-015 : ERROR : Unknown variable (\"NOBODY\")"},
      {"X:=NOBODY;", "H-015 : ERROR : Unknown variable (\"NOBODY\")"},
      {"FOR Q:=1 TO 2 DO P;", "H-015 : ERROR : Unknown variable (\"Q\")"},
      {"-->NOBODY;", "H-015 : ERROR : Unknown variable (\"NOBODY\")"},
      {"P(1)", "H-016 : ERROR : Semicolon awaited"},
      {"SETROTATION(1,2,3,4)X;", "H-016 : ERROR : Semicolon awaited"},
      {"X", "H-017 : ERROR : Unparseable: X"},
      // CASE and WITH are statement heads that compile nothing.
      {"IF A THEN CASE X OF 1:P;END;", "H-017 : ERROR : Unparseable: CASE "},
      {"FOR I:=1 TO 2 DO WITH P DO X:=1;", "H-017 : ERROR : Unparseable: WITH "},
      {"INC(X;", "H-017 : ERROR : Unparseable: INC(X;"},
      {"A[1]=2;", "H-021 : ERROR : \":=\" awaited in array-set!"},
  };
  for (const Row& row : rows) {
    Reports().clear();
    std::vector<std::string> out;
    TSourceCompiler compiler(out);
    compiler.CompilePrepared(kDeclarations + row.text);
    EXPECT_TRUE(ScriptErrorFlag) << row.text;
    EXPECT_EQ(FirstMessage(), row.message) << row.text;
    EXPECT_EQ(Reports().size(), 1u) << row.text << ": " << LastMessage();
    // No BUFFC and QUIT are added after an error.
    EXPECT_TRUE(out.empty() || out.back() != "QUIT") << row.text;
  }
  // The reports of the first stage have no title.
  Reports().clear();
  std::vector<std::string> out;
  CompileSource({"x"}, out);
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0].Title, "");
  EXPECT_EQ(Reports()[0].Text, "Unparseable: X");
}

TEST_F(SourceCompiler, BoundsAreReportedNeverOverrun) {
  struct Row {
    std::string text;
    std::string message;
  };
  std::string manyVars = "VAR ";
  for (int i = 0; i <= kSourceVarCapacity; ++i) manyVars += (i ? ",V" : "V") + std::to_string(i);
  manyVars += ":INTEGER;";
  std::string manyConsts = "CONST ";
  for (int i = 0; i <= kSourceConstCapacity; ++i) manyConsts += "C" + std::to_string(i) + "=1;";
  std::string manyTypes = "TYPE ";
  for (int i = 0; i <= kSourceRecordCapacity; ++i) manyTypes += "T=INTEGER;";
  std::string manyProcs = "DEFINEPROC P";
  for (int i = 0; i < kSourceProcCapacity; ++i) manyProcs += ",P";
  manyProcs += ";";
  std::string manyCalls = "X:=1";
  for (int i = 0; i <= kSourceCallsPerExpression; ++i) manyCalls += "+SIN(1)";
  manyCalls += ";";
  std::string deepBlocks, deepCalls = "X:=", elseChain;
  for (int i = 0; i < 300; ++i) {
    deepBlocks = "BEGIN " + deepBlocks + "END;";
    deepCalls += "SIN(";
    elseChain += "IF A THEN P;ELSE ";
  }
  deepCalls += "1" + std::string(300, ')') + ";";
  elseChain += "P;";
  // Each constant doubles the text of the next one.
  std::string doubling = "CONST ";
  for (char c = 'A'; c <= 'T'; ++c) doubling += std::string(1, c) + "=" + std::string(2, char(c + 1)) + ";";
  doubling += "X:=A+1;";
  const Row rows[] = {
      {manyVars, "H-018 : ERROR : Too many variables (more than 10000)!"},
      {manyConsts, "H-018 : ERROR : Too many constants (more than 3000)!"},
      {manyTypes, "H-018 : ERROR : Too many types (more than 10000)!"},
      {manyProcs, "H-018 : ERROR : Too many procedures (more than 10000)!"},
      {manyCalls, "H-019 : ERROR : Too many function calls in one expression (more than 50)!"},
      {deepBlocks, "H-020 : ERROR : Nesting too deep (more than 200 levels)!"},
      {deepCalls, "H-020 : ERROR : Nesting too deep (more than 200 levels)!"},
      {elseChain, "H-020 : ERROR : Nesting too deep (more than 200 levels)!"},
      {doubling, "H-022 : ERROR : Constant replacement gets too long (\"P\")!"},
  };
  for (const Row& row : rows) {
    Reports().clear();
    std::vector<std::string> out;
    TSourceCompiler compiler(out);
    compiler.CompilePrepared(kDeclarations + row.text);
    EXPECT_TRUE(ScriptErrorFlag) << row.text.substr(0, 60);
    EXPECT_EQ(FirstMessage(), row.message) << row.text.substr(0, 60);
  }
  // Just inside the bounds everything compiles.
  std::string fifty = "X:=1";
  for (int i = 0; i < kSourceCallsPerExpression; ++i) fifty += "+SIN(1)";
  EXPECT_FALSE(Body(fifty + ";").empty());
  std::string nested;
  for (int i = 0; i < 90; ++i) nested = "BEGIN " + nested + "END;";
  EXPECT_EQ(Body(nested).size(), 180u);
}

// ---- Compiled, assembled and run: what "showmess" receives

TEST_F(SourceCompiler, ProgramsRunAndShowTheirResults) {
  struct Program {
    const char* what;
    std::vector<std::string> source;
    std::vector<std::string> shown;
  };
  const std::string decl = "defineproc showmess,inttostr,floattostr; var i,n,k:integer; f:float; s:string;";
  const Program programs[] = {
      {"precedence",
       {decl, "begin",
        "  showmess(inttostr(2+3*4)); showmess(inttostr((2+3)*4)); showmess(inttostr(10-4-3));",
        "  n:=7; showmess(inttostr(n*2-n/2)); showmess(inttostr(17%5+1));", "end;"},
       {"14", "20", "3", "11", "3"}},
      {"floats and strings",
       {decl, "begin", "  f:=1.5; f:=f*2.0+0.25; showmess(floattostr(f));",
        "  s:='Hello'; s:=s+', World'; showmess(s); showmess('it''s');", "end;"},
       {"3.25000000", "Hello, World", "it's"}},
      {"recursive procedure",
       {decl, "procedure countdown(c:integer);", "begin",
        "  if c>0 then begin showmess(inttostr(c)); countdown(c-1); showmess('back '+inttostr(c)); end;", "ret;",
        "begin countdown(3); end;"},
       {"3", "2", "1", "back 1", "back 2", "back 3"}},
      {"loops",
       {decl, "begin", "  k:=0; for i:=1 to 10 do k:=k+i; showmess(inttostr(k));",
        "  for i:=3 downto 1 do showmess(inttostr(i));", "  n:=5; while n>0 do begin n:=n-2; end; showmess(inttostr(n));",
        "  n:=0; repeat n:=n+3; until n>10; showmess(inttostr(n));", "end;"},
       {"55", "3", "2", "1", "-1", "12"}},
      {"if with else",
       {decl, "begin", "  for i:=1 to 3 do",
        "    if i=2 then showmess('two') else if i=3 then showmess('three') else showmess('one');",
        "  ifnot i=4 then showmess('not four') else showmess('four');", "end;"},
       {"one", "two", "three", "four"}},
      {"script function",
       {decl, "function twice(x:integer):integer;", "begin result(x*2); ret;", "begin",
        "  showmess(inttostr(twice(21)));", "  n:=twice(5)+1; showmess(inttostr(n));",
        "  n:=twice(twice(2)); showmess(inttostr(n));",
        "  twice(7); k:=twice(1)+twice(2); showmess(inttostr(k));", "end;"},
       {"42", "11", "8", "6"}},
      // The CALC results that a called procedure, a loop's jump back or a loop that never ran
      // leave behind do not take the numbers of a parenthesised part.
      {"parentheses after calls and in loops",
       {decl, "function twice(x:integer):integer; begin result(x*2); ret;",
        "procedure loop(c:integer); begin for i:=1 to c do k:=k+1; ret;", "begin",
        "  n:=(twice(3)+1)*2; showmess(inttostr(n));", "  loop(0); n:=(2+3)*4; showmess(inttostr(n));",
        "  for i:=1 to 0 do k:=1;", "  n:=(2+3)*5; showmess(inttostr(n));",
        "  for i:=1 to 3 do showmess(inttostr((i+1)*2));", "end;"},
       {"14", "20", "25", "4", "6", "8"}},
      {"division by zero stops the run",
       {decl, "begin", "  showmess('first'); n:=0; k:=5/n; showmess('second');", "end;"},
       {"first"}},
  };
  for (const Program& p : programs) {
    Reports().clear();
    Shown().clear();
    std::vector<std::string> assembler;
    TScriptStream code;
    ASSERT_TRUE(CompileScript(p.source, assembler, code)) << p.what << ": " << LastMessage() << "\n"
                                                          << Joined(assembler);
    ScriptErrorFlag = false;
    const std::string result = RunScript(code.Bytes);
    EXPECT_EQ(Joined(Shown()), Joined(p.shown)) << p.what << "\n" << Joined(assembler);
    EXPECT_EQ(StackDepth, 0) << p.what;
    if (std::string(p.what) == "division by zero stops the run") {
      EXPECT_EQ(result, "0");
      EXPECT_EQ(LastMessage(), "I-007 : ERROR : Division by Zero!");
    } else {
      EXPECT_TRUE(Reports().empty()) << p.what << ": " << LastMessage() << "\n" << Joined(assembler);
    }
  }
}

TEST_F(SourceCompiler, AFailedStageLeavesNoImage) {
  std::vector<std::string> assembler;
  TScriptStream code;
  code.WriteDWord(7);
  EXPECT_FALSE(CompileScript({"begin nobody; end;"}, assembler, code));
  EXPECT_TRUE(code.Bytes.empty());
  EXPECT_EQ(FirstMessage(), "H-003 : ERROR : Unknown function \"NOBODY\"!");
  // The first stage passes what the second refuses.
  Reports().clear();
  EXPECT_FALSE(CompileScript({"asm 'FROB';end;"}, assembler, code));
  EXPECT_TRUE(code.Bytes.empty());
  EXPECT_EQ(FirstMessage(), "C-005 : ERROR : Unknown command (\"FROB\")");
}

}  // namespace
