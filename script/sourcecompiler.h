// The script compiler's first stage: script source lines become assembler text lines, which the
// assembler (script/compiler.h) turns into an image.
//
// The source is joined into one text (every line followed by CR LF), its comments are removed
// and it is normalised: upper case outside quoted text, blanks kept only next to keywords, line
// breaks dropped or turned into a blank or a statement separator. A scanner then reads the text
// character by character, recognises the head of each statement and hands it to the statement
// compilers, which read on from the scanner's remaining text and emit assembler lines with three
// blanks of indentation per nesting level.
//
// Every error goes to ScriptError ("H-" codes) and sets ScriptErrorFlag; the compilation then
// stops and its output is not to be used. The symbol tables, the calls taken out of one
// expression and the nesting depth have fixed bounds, past which the compiler reports an error.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "script/compiler.h"

// A procedure known to the script.
struct TSPEnt {
  std::string Name;        // upper case
  int32_t ParamCount = 0;
  std::string ResultType;  // as written or registered; empty for a procedure
  int32_t ResultCount = 0; // values a call leaves on the value stack: 1 for a function
  bool ScriptDeclared = false;  // declared by PROCEDURE or FUNCTION in the script itself
};

// A variable known to the script; a record field is entered as "VARIABLE.FIELD".
struct TSVEnt {
  std::string Name;          // upper case
  int32_t RecordIndex = -1;  // -1 plain; the record type's index for a record; 0 call temporaries
  uint8_t Family = 0;        // 0 integer, 1 float, 2 string, 3 record
};

// A declared type: Fields is "(" + field list + ")" for a record, the aliased type's name else.
struct TSRecord {
  std::string Name;
  std::string Fields;
};

// An untyped constant; both at most 50 characters, as written.
struct TSConstEnt {
  std::string Name;
  std::string Value;
};

// Bounds of one compilation.
constexpr int32_t kSourceProcCapacity = 10000;
constexpr int32_t kSourceVarCapacity = 10000;
constexpr int32_t kSourceRecordCapacity = 10000;
constexpr int32_t kSourceConstCapacity = 3000;
constexpr int32_t kSourceCallsPerExpression = 50;
constexpr int32_t kSourceNestingLimit = 200;
// The longest text that constant replacement may make of one statement.
constexpr size_t kSourceExpressionLimit = 65536;

// ---- Text routines of the preparation (whole texts, no length limit)

// One of the 12 operator characters "+-*/%^=!&|<>".
bool IsCalcChar(char C);
// An operator character outside single quotes.
bool HasCalcChar(const std::string& S);
// The source lines joined, each followed by CR LF.
std::string JoinSourceLines(const std::vector<std::string>& Lines);
// Removes "//" line comments (with the line break that ends them), "/* */", "(* *)" and "{ }"
// comments outside quoted text; a comment still open at the end stays.
std::string StripComments(const std::string& Text);
// Upper case outside quotes, blanks and line breaks dropped except next to keywords; a blank or
// line break before ELSE becomes the separator ";".
std::string SplitStatements(const std::string& Text);
// Position (from 1) of the Close that ends a nested block in Text, or -1: Open1 or Open2 (may be
// empty) raise Depth, Close lowers it; text between single quotes is passed over.
int32_t FindBlockEnd(std::string_view Text, const std::string& Close, const std::string& Open1,
                     const std::string& Open2, int32_t Depth);
int32_t FindBlockEnd(const std::string& Text, const std::string& Close, const std::string& Open1,
                     const std::string& Open2, int32_t Depth);
// Arguments of a call: 0 for an empty text, else 1 + the commas outside quotes and parentheses;
// GetArg gives the K-th (from 1).
int32_t ArgCount(const std::string& Args);
std::string GetArg(const std::string& Args, int32_t K);

// ---- The compiler

// The compile context of one compilation: its output, indentation, label counter, the four
// symbol tables and the stack of nested scanners.
class TSourceCompiler {
 public:
  explicit TSourceCompiler(std::vector<std::string>& Output);

  // Prepares and compiles Source into Output (cleared first). Clears ScriptErrorFlag first.
  void Compile(const std::vector<std::string>& Source);
  // Compiles an already prepared text (as SplitStatements leaves it) into Output.
  void CompilePrepared(const std::string& Text);

  // Symbol tables, 1-based in their lookups (entry i is element i - 1).
  std::vector<TSPEnt> Procs;
  std::vector<TSVEnt> Vars;
  std::vector<TSRecord> Records;
  std::vector<TSConstEnt> Consts;

  // The first constant named exactly Name, -1 when none.
  int32_t FindConst(const std::string& Name) const;
  // The lowest index whose entry has the upper-cased Name, -1 when none.
  int32_t FindProc(const std::string& Name) const;
  int32_t FindVar(const std::string& Name) const;
  // FindVar, else H-015 and false.
  bool CheckVariable(const std::string& Name);
  // The family of a type name (0..3); a declared record type gives 0 and becomes the current
  // record index; anything else is H-012 and 0.
  uint8_t TypeFamily(const std::string& TypeName);
  int32_t CurrentRecordIndex() const;

 private:
  struct Scanner {
    std::string Text;  // the remaining text is Text from Pos on
    size_t Pos = 0;
    std::string Head;
    int32_t RecordIndex = 0;
  };

  std::vector<std::string>& Out;
  size_t Lines = 0;  // lines of Out written by this compilation
  std::string Indent;
  int32_t LabelCounter = 0;
  int32_t Depth = 0;
  int32_t RecordIndexNoScanner = 0;
  bool ConstantsReplaced = false;  // while the value of an assignment is compiled
  std::deque<Scanner> Scanners;  // nested scanners; the innermost is the last

  // Scanner text.
  Scanner& Top() { return Scanners.back(); }
  std::string_view Rest() const;
  bool RestEmpty() const;
  void Consume(size_t N);
  // The text up to the end word that closes the block at this level (Open and Other nest), taken
  // and consumed with its end word; false after reporting Missing when there is none.
  bool TakeBlock(const char* EndWord, const char* Open, const char* Other, const std::string& Missing,
                 std::string& Body);
  void PutBack(const std::string& S);
  std::string TakeUpTo(char C, bool& Found);
  std::string TakeWord();

  // Emission.
  // The next output line, emptied.
  std::string& NextLine();
  // One line: the indentation, then the parts.
  void EmitLine(std::string_view A, std::string_view B = {}, std::string_view C = {}, std::string_view D = {});
  void IndentIn();
  void IndentOut();

  // Tables with their bounds.
  bool AddProc(const TSPEnt& P);
  bool AddVar(const TSVEnt& V);
  bool AddRecord(const TSRecord& R);
  bool AddConst(const TSConstEnt& C);

  // Scanner and dispatch.
  void ScanStatements(std::string Text);
  bool CompileStatement();
  void EmitResultPops(const std::string& Name);

  // Declarations.
  std::string TakeDeclaration();
  void CompileDefineProc();
  void CompileDefineVar();
  void CompileVar();
  void CompileType();
  void CompileConst();
  void CompileProcedure(const std::string& ResultType);
  void CompileFunction();
  void CompileResult();
  void CompileScriptHeader();

  // Expressions, assignments and calls.
  void ConvertArrayReads(std::string& E);
  bool SubstituteConstants(std::string& S);
  struct Call {
    std::string Name, Args, Temp;
  };
  bool ExtractCalls(std::string& E, std::vector<Call>& Calls);
  void EmitCalc(const std::string& E);
  void CompileExpression(std::string E);
  void PushExpression(std::string E);
  void CompileAssignment(const std::string& Target);
  void CompileAssignedValue(const std::string& Target, std::string E);
  void CompileCall(const std::string& Name, bool WithArguments);
  void PushVariable(bool Forward);
  void PopVariable();
  void CompileIncDec(bool Increment);
  void CompileArraySet(const std::string& Name);
  void CompileStackPop();

  // Blocks and control flow.
  std::string ReadStatementHead();
  void CompileStatementHead(const std::string& Head, bool ForLoop);
  void CompileBegin();
  void CompileAsm();
  void CompileIf(bool Positive, bool IsElse);
  void CompileFor();
  void CompileRepeat();
  void CompileWhile();
};

// The statement heads that end the single statement of IF, ELSE and FOR.
bool IsStatementKeyword(const std::string& Head);

// Compiles Source into Output (assembler text). Success is ScriptErrorFlag being false
// afterwards; an empty source, or one of comments and blanks only, leaves Output empty.
void CompileSource(const std::vector<std::string>& Source, std::vector<std::string>& Output);

// Both stages: Source to assembler text (Assembler) and that text to an image (Code). False,
// with Code emptied, after any error.
bool CompileScript(const std::vector<std::string>& Source, std::vector<std::string>& Assembler, TScriptStream& Code);
