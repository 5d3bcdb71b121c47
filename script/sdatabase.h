// The script language's shared tables and its host registry: the host procedures and host
// variables that a program offers to its scripts, the twelve built-in functions, the name links
// on which the interpreter and the assembler bind names, the one error reporter of the compiler,
// the assembler and the interpreter, and the fixed tables of the byte code (instruction set,
// operand kinds, operators, type families).
//
// Start-up order is explicit: a program calls InitScriptUnits() (script/scripts.h) before it
// registers anything; nothing here depends on the order in which static objects are built.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/base/pointerlist.h"
#include "engine/base/scriptvalue.h"

// ---- Host routines and host variables

// A host routine takes its arguments with PopInt, PopFloat and PopString (first argument first)
// and a function leaves its one result with PushInt, PushFloat or PushString (script/interpreter.h).
using TScriptRoutine = void (*)();

// One registered host routine.
class TSExtProcedure {
 public:
  std::string Name;        // upper case ('a'..'z' only), at most 255 characters
  int32_t ParamCount = 0;
  int32_t IsFunction = 0;  // 1: leaves exactly one result on the value stack
  std::string ResultType;  // as registered ("FLOAT", "Integer", ...); empty for procedures
  int32_t LinkIndex = 0;   // set by the assembler: position of the name in the image's list
  TScriptRoutine Address = nullptr;
};

// One script name and what it is bound to now. Bindings holds every binding in the order made;
// its last entry is Current.
class TSNLink {
 public:
  std::string Name;  // at most 25 characters
  void* Current = nullptr;
  TList Bindings;

  TSNLink() = default;
  TSNLink(const TSNLink&) = delete;
  TSNLink& operator=(const TSNLink&) = delete;
};

// Registration order; both lists own their entries. Null until InitScriptDatabase.
extern TList* ExtProcedures;  // of TSExtProcedure*
extern TList* ExtVariables;   // of TQzVariantP*

int32_t ExtProcCount();
TSExtProcedure* ExtProc(int32_t Index);  // 0-based
int32_t ExtVarCount();
TQzVariantP* ExtVar(int32_t Index);      // 0-based

// Creates both lists empty (freeing any earlier ones) and, with WithBuiltins, registers the
// twelve built-ins: cos, cosr, sin, sinr, tan, tanr, inttostr, strtoint, strtofloat,
// floattostr, sqr, sqrt.
void InitScriptDatabase(bool WithBuiltins);
// Appends a host routine; Name is upper-cased. A name registered before is simply added again
// (the later registration is the one a run reaches).
void AddExtProc(const std::string& Name, TScriptRoutine Address, const std::string& ResultType,
                int32_t ParamCount, int32_t IsFunction);
// Appends a host variable bound to Host (which may be set later through ExtVar(i)->HostPtr).
// Type codes: 0 integer (int32_t), 1 float (float), 2 string (ShortString<255>), 3 record
// (int32_t); any other code is taken as 2. Returns the entry's 0-based position.
int32_t AddExtVar(const std::string& Name, uint8_t TypeCode, void* Host);
// Frees every entry and both lists.
void FreeScriptDatabase();
// Grows with every change the functions above make, so that the interpreter knows when to
// index the registry anew. Changes to the registry go through these functions.
extern uint32_t ScriptRegistryVersion;

// Name binding. PopBinding on an empty binding list is a misused list, met as the script
// profile says (script/profile.h): the shared profile stops the program with the list's index error.
void PushBinding(TSNLink& Link, void* Obj);
void PopBinding(TSNLink& Link);

// ---- Error reporting

// Set by every script error; both compiler stages clear it when they start; while it is set the
// compiler, the assembler and the interpreter stop after their current step.
extern bool ScriptErrorFlag;

// One report as the user sees it.
struct TScriptErrorReport {
  std::string Message;  // as reported, at most 255 characters
  std::string Code;     // "009", "011-005", ...
  std::string Title;    // "Quillon-Interpreter-Error (I-009) at position 17"; empty for letters other than I and C
  std::string Text;     // "Tryed to pop of empty stack"
};

// Splits a message into code, title and text. Position is the interpreter's program counter,
// used in the title of interpreter errors.
TScriptErrorReport ComposeScriptError(const std::string& Message, int32_t Position);
// Reports one error: composes it with the interpreter's ProgramCounter, keeps it in
// LastScriptError, hands it to ScriptErrorHook when one is installed, shows it as the script
// profile does, and then sets ScriptErrorFlag. It never looks at the flag first.
void ScriptError(const std::string& Message);
extern TScriptErrorReport LastScriptError;
// Sees every report before the profile shows it (tests and tools; none: not called).
extern void (*ScriptErrorHook)(const TScriptErrorReport& Report);

// ---- The byte code's fixed tables

// The 32 mnemonics in their fixed order (the mnemonic number is the row).
struct TScriptInstruction {
  const char* Mnemonic;
  uint8_t Opcode;
  uint8_t MinOperands;
  uint8_t MaxOperands;
};
constexpr int32_t kInstructionCount = 32;
inline constexpr TScriptInstruction ScriptInstructions[kInstructionCount] = {
    {"MOV", 0, 2, 2},     {"CALL", 1, 1, 1},        {"SET", 2, 2, 2},       {"MOVR", 16, 1, 1},
    {"MOVD", 18, 2, 2},   {"UNSET", 15, 1, 1},      {"JUMP", 3, 1, 1},      {"RET", 4, 0, 0},
    {"PROC", 5, 1, 255},  {"XXX", 6, 0, 0},         {"DEFINE", 7, 2, 2},    {"LABEL", 8, 1, 1},
    {"PUSH", 9, 0, 0},    {"POP", 10, 0, 0},        {"CALC", 11, 1, 1},     {"", 17, 0, 0},
    {"BUFFC", 14, 0, 0},  {"CALLEXT", 19, 1, 1},    {"IF", 20, 0, 0},       {"IFNT", 21, 0, 0},
    {"PUSHV", 22, 1, 1},  {"POPV", 23, 1, 1},       {"PUSHVA", 24, 1, 1},   {"BLOCK", 25, 0, 0},
    {"ENDBLOCK", 26, 0, 0}, {"INC", 27, 1, 2},      {"DEC", 28, 1, 2},      {"CALLINTEX", 255, 1, 1},
    {"NONE", 255, 0, 0},  {"SME", 29, 2, 2},        {"PUSHPOINTER", 30, 1, 1}, {"QUIT", 99, 0, 0},
};

enum TScriptMnemonic : uint8_t {
  kMnMov = 0, kMnCall, kMnSet, kMnMovr, kMnMovd, kMnUnset, kMnJump, kMnRet, kMnProc, kMnXxx,
  kMnDefine, kMnLabel, kMnPush, kMnPop, kMnCalc, kMnEmpty, kMnBuffc, kMnCallExt, kMnIf, kMnIfnt,
  kMnPushV, kMnPopV, kMnPushVA, kMnBlock, kMnEndBlock, kMnInc, kMnDec, kMnCallIntEx, kMnNone,
  kMnSme, kMnPushPointer, kMnQuit
};

// Opcode byte to mnemonic number: every byte maps to NONE, then each instruction's byte to its
// row in table order (so byte 255 stays NONE). Fixed when the program is built.
inline constexpr std::array<uint8_t, 256> OpcodeMap = [] {
  std::array<uint8_t, 256> map{};
  for (uint8_t& m : map) m = kMnNone;
  for (int32_t i = 0; i < kInstructionCount; ++i) map[ScriptInstructions[i].Opcode] = static_cast<uint8_t>(i);
  return map;
}();

// Operand kinds of a CALC instruction.
enum TCalcOperandKind : uint8_t {
  kOperandVariable = 0, kOperandTemporary = 1, kOperandInteger = 3, kOperandFloat = 4,
  kOperandString = 5, kOperandRecord = 6
};
// Operand code to kind: 0, 1, 3, 4, 5, 6 stand for themselves; every other code reads as an
// integer constant.
inline constexpr std::array<uint8_t, 256> OperandCodeMap = [] {
  std::array<uint8_t, 256> map{};
  for (uint8_t& m : map) m = kOperandInteger;
  for (uint8_t k : {0, 1, 3, 4, 5, 6}) map[k] = k;
  return map;
}();

// The operators by code with their precedence (higher first): 0 "·" (the middle dot, byte 183:
// no operator), "+", "-", "*", "/", "%", "^", "=", "<>", "&", "&&", "|", "||", "<", ">", "<=",
// ">=", "&&!", "||!".
struct TCalcOperator {
  const char* Symbol;
  int32_t Precedence;
};
constexpr int32_t kCalcOperatorCount = 19;
inline constexpr TCalcOperator CalcOperators[kCalcOperatorCount] = {
    {"\xB7", 0}, {"+", 5},  {"-", 5},  {"*", 7},  {"/", 7},  {"%", 7},  {"^", 6},
    {"=", 3},    {"<>", 3}, {"&", 4},  {"&&", 2}, {"|", 4},  {"||", 2}, {"<", 4},
    {">", 4},    {"<=", 4}, {">=", 4}, {"&&!", 2}, {"||!", 2},
};
// Operator code to operator: 0..18 stand for themselves; every other code stands for 0.
inline constexpr std::array<uint8_t, 256> OperatorMap = [] {
  std::array<uint8_t, 256> map{};
  for (int32_t i = 0; i < kCalcOperatorCount; ++i) map[i] = static_cast<uint8_t>(i);
  return map;
}();

// Type families: "/INTEGER/BOOLEAN/BYTE/WORD/CARDINAL/", "/FLOAT/SINGLE/EXTENDED/",
// "/STRING/SHORTSTRING/CHAR/", "/RECORD/". A type code in an image is the family plus 1.
inline constexpr const char* TypeFamilyTexts[4] = {"/INTEGER/BOOLEAN/BYTE/WORD/CARDINAL/",
                                                   "/FLOAT/SINGLE/EXTENDED/", "/STRING/SHORTSTRING/CHAR/",
                                                   "/RECORD/"};
// The last family whose text contains "/" + TypeName + "/" (compared exactly); -1 for none.
int32_t FindTypeFamily(std::string_view TypeName);
