#include "script/interpreter.h"

#include <cstring>
#include <deque>
#include <unordered_map>

#include "engine/base/maths.h"
#include "engine/base/text.h"

int32_t CodeSize = 0;
int32_t ProgramCounter = 0;
TQzVariant Accumulator;
int32_t StackDepth = 0;
int32_t ScriptStackBase = 0;
int32_t TempCount = 0;
bool ScriptRunning = false;
bool QuitFlag = false;

TSProcedure::~TSProcedure() {
  for (int32_t i = 0; i < Params.Count; ++i) delete static_cast<TSProcPar*>(Params.Items[i]);
  Params.Clear();
  delete ResultPar;
  ResultPar = nullptr;
}

namespace {

// ---- The pools, created once and reused by every run

uint8_t CodeBuffer[kScriptCodeBufferSize];
TQzVariant ValueStack[kScriptPoolSize + 1];   // numbered from 1
TQzVariant Temporaries[kScriptPoolSize + 1];  // numbered from 1
TSNLink VarLinks[kScriptPoolSize + 1];        // numbered from 1 by the image's variable names
TSNLink ProcLinks[kScriptPoolSize + 1];       // numbered from 1 by the image's procedure names
int32_t VarLinkCount = 0;
int32_t ProcLinkCount = 0;
TSVariable VariableSlots[kScriptPoolSize];    // numbered from 0
int32_t FreeSlotHint = 0;                     // no free slot lies below it
TSProcedure Procedures[kScriptPoolSize];      // a stack; ProcedureCount are defined
int32_t ProcedureCount = 0;
bool ProcedureLinksBound = false;             // a PROC ran since the links were last emptied
int32_t AllocatedSlots[kScriptPoolSize];      // slot numbers in allocation order
int32_t AllocatedCount = 0;
TScriptRoutine HostRoutineTable[kScriptPoolSize];
int32_t ReturnOffsets[kScriptMaxCallDepth];  // of the open CALLs, OpenCalls of them
int32_t OpenCalls = 0;
TQzVariant WorkingValues[256];                // of the CALC being executed

// A CALC instruction read once: its operands and steps, each with the code offset after it (the
// position of an error met there). Kept per code offset of the image linked last.
struct TCalcOperand {
  uint8_t Kind = kOperandInteger;
  uint16_t Index = 0;  // variable or temporary number
  int32_t After = 0;
  TQzVariant Constant;
};
struct TCalcStep {
  uint8_t A = 0, B = 0, Op = 0, D = 0, E = 0;
  bool InRange = false;  // A, B, D and E name working values of the CALC
  int32_t After = 0;
};
struct TDecodedCalc {
  std::vector<TCalcOperand> Operands;
  std::vector<TCalcStep> Steps;
  int32_t End = 0;  // after the closing 255
  // Every operand a variable of the image's list, a temporary, or an integer or float constant,
  // and every step within the working values: RunNumericCalc may take it.
  bool Numeric = false;
  // Numeric without float constants, every step an operation: the integer path may take it.
  bool Integer = false;
  // Numeric without integer constants, with only +, -, * and /: the float path may take it.
  bool Float = false;
  // For those two: the variable and temporary operands to read into the working values, the
  // constants (a constant's bits are its integer or its float's; no operand at all reads as the
  // integer 0), the steps, and the working value of the result.
  struct TCalcLoad {
    const TSNLink* Link;  // null for a temporary
    uint16_t Temporary;
    uint8_t Slot;
  };
  struct TCalcConstant {
    uint8_t Slot;
    uint8_t Kind;  // kVarInteger or kVarFloat
    int32_t Bits;
  };
  struct TCalcOp {
    uint8_t Op, A, B, D, E;
  };
  std::vector<TCalcLoad> Loads;  // the variables first
  size_t VariableLoads = 0;
  std::vector<TCalcConstant> Constants;
  // With at most four operands: the first four working values with the constants in place.
  bool Small = false;
  int32_t Initial[4] = {};
  std::vector<TCalcOp> Ops;
  uint8_t Last = 0;
  // Two operands and one step: the operands read straight from where they are.
  struct TCalcSource {
    const TSNLink* Link;  // a variable's
    uint16_t Temporary;   // else a temporary's, else 0: the constant Bits
    int32_t Bits;
  };
  bool Binary = false;
  TCalcSource Sources[2] = {};
};
std::vector<int32_t> CalcAt;  // by code offset: -1 not read yet, -2 runs past the code, else an index
std::deque<TDecodedCalc> DecodedCalcs;  // stays where it is while it grows
uint64_t StepLimit = kScriptStepBudget;
bool DecodedRuns = true;  // false: every instruction is read from the code as it runs
uint32_t AllocationCounter = 0;

uint32_t LoadU32(const uint8_t* p);

// The registry by name, made anew when it has changed: the last routine registered under each
// name, and the positions of the host variables of each name in registration order.
struct TRegistryIndex {
  bool Built = false;
  uint32_t Version = 0;
  std::unordered_map<std::string, TScriptRoutine> Routines;
  std::unordered_map<std::string, std::vector<int32_t>> Variables;
  std::vector<TQzVariantP*> HostVariables;  // in registration order
  std::vector<int32_t> HostSlots;  // slot of each host variable in the current run
  std::vector<uint8_t> Bound;
};
TRegistryIndex Registry;

// What linking the image in the code buffer found, kept for the next run of the same image while
// the registry stays as it was: the names stay in the links, the routines in the routine table,
// and the host variables bind again as recorded (host variable k to link i, in binding order).
struct TLinkCache {
  bool Valid = false;
  uint32_t Version = 0;
  int32_t Size = 0;
  std::vector<std::pair<int32_t, int32_t>> HostBindings;
};
TLinkCache LinkCache;

// The image is the one in the code buffer whose linking is kept.
bool LinkedAlready(const uint8_t* Image, size_t Length) {
  return LinkCache.Valid && LinkCache.Version == ScriptRegistryVersion && Image != nullptr && Length >= 4 &&
         size_t(LinkCache.Size) <= Length && LoadU32(Image) == uint32_t(LinkCache.Size) &&
         std::memcmp(Image, CodeBuffer, size_t(LinkCache.Size)) == 0;
}

void IndexRegistry() {
  if (Registry.Built && Registry.Version == ScriptRegistryVersion) return;
  Registry.Routines.clear();
  Registry.Variables.clear();
  for (int32_t k = 0; k < ExtProcCount(); ++k) Registry.Routines[ExtProc(k)->Name] = ExtProc(k)->Address;
  Registry.HostVariables.clear();
  for (int32_t k = 0; k < ExtVarCount(); ++k) {
    Registry.Variables[ExtVar(k)->Name].push_back(k);
    Registry.HostVariables.push_back(ExtVar(k));
  }
  Registry.HostSlots.assign(size_t(ExtVarCount()), 0);
  Registry.Bound.assign(size_t(ExtVarCount()), 0);
  Registry.Version = ScriptRegistryVersion;
  Registry.Built = true;
}

// An error has been reported and ends the current instruction; the run ends after it.
struct RunFault {};
// An error inside CALC: the run ends at once with the result "0".
struct CalcAbort {};

[[noreturn]] void Fault(const std::string& Message) {
  ScriptError(Message);
  throw RunFault{};
}

std::string Num(int64_t N) { return std::to_string(N); }

// AssignVariant into one of the interpreter's own plain values (stack, temporaries, working
// values, accumulator): the same result, with the fields written directly.
inline void CopyToPlain(const TQzVariant& Src, TQzVariant& Dst) {
  switch (Src.Kind) {
    case kVarInteger:
      Dst.IntValue = Src.GetInteger();
      Dst.Kind = kVarInteger;
      break;
    case kVarFloat:
      Dst.FloatValue = Src.GetFloat();
      Dst.Kind = kVarFloat;
      break;
    case kVarString:
      Dst.StrValue = Src.GetString();
      Dst.Kind = kVarString;
      break;
    case kVarRecord:
      Dst.IntValue = Src.GetRecord();
      Dst.Kind = kVarRecord;
      break;
    default: break;
  }
}

// Reads and writes of a value that is known to be a plain TQzVariant (a slot's own value, the
// accumulator, the stack, temporaries, working values): the same results as the virtual
// operations, without the call for the common kinds.
inline int32_t PlainInteger(const TQzVariant& V) {
  if (V.Kind == kVarInteger || V.Kind == kVarRecord) [[likely]] return V.IntValue;
  return V.TQzVariant::GetInteger();
}
inline void PlainSetInteger(TQzVariant& V, int32_t X) {
  V.IntValue = X;
  V.Kind = kVarInteger;
}

// CopyToPlain from a plain source.
[[gnu::always_inline]] inline void CopyPlainToPlain(const TQzVariant& Src, TQzVariant& Dst) {
  switch (Src.Kind) {
    case kVarInteger:
    case kVarRecord:
      Dst.IntValue = Src.IntValue;
      Dst.Kind = Src.Kind;
      break;
    case kVarFloat:
      Dst.FloatValue = Src.FloatValue;
      Dst.Kind = kVarFloat;
      break;
    case kVarString:
      Dst.StrValue = Src.TQzVariant::GetString();
      Dst.Kind = kVarString;
      break;
    default: break;
  }
}

// PushBinding and PopBinding, inline while the binding list has room or entries.
inline void Bind(TSNLink& Link, void* Obj) {
  TList& b = Link.Bindings;
  if (b.Count < b.Capacity) [[likely]] {
    b.Items[b.Count++] = Obj;
    Link.Current = Obj;
    return;
  }
  PushBinding(Link, Obj);
}

inline void Unbind(TSNLink& Link) {
  TList& b = Link.Bindings;
  if (b.Count > 0) [[likely]] {
    --b.Count;
    Link.Current = b.Count > 0 ? b.Items[b.Count - 1] : nullptr;
    return;
  }
  PopBinding(Link);
}

// ---- Reading the code; nothing is read beyond the image

[[noreturn, gnu::noinline, gnu::cold]] void FaultPastEnd() {
  Fault("I-013 : ERROR : Instruction runs past the end of the code");
}

inline void NeedBytes(int32_t N) {
  if (N > CodeSize - ProgramCounter) [[unlikely]] FaultPastEnd();
}

inline uint8_t ReadU8() {
  NeedBytes(1);
  return CodeBuffer[ProgramCounter++];
}

inline uint16_t ReadU16() {
  NeedBytes(2);
  const uint8_t* p = CodeBuffer + ProgramCounter;
  ProgramCounter += 2;
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t ReadU32() {
  NeedBytes(4);
  const uint8_t* p = CodeBuffer + ProgramCounter;
  ProgramCounter += 4;
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline float ReadSingle() {
  const uint32_t bits = ReadU32();
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}

std::string ReadShortString() {
  const uint8_t n = ReadU8();
  NeedBytes(n);
  std::string s(reinterpret_cast<const char*>(CodeBuffer + ProgramCounter), n);
  ProgramCounter += n;
  return s;
}

// A code offset to continue at: inside the instructions or their end.
[[noreturn, gnu::noinline, gnu::cold]] void FaultJumpTarget(uint32_t Target) {
  Fault("I-013 : ERROR : Jump target out of range (" + Num(Target) + ")");
}

inline int32_t JumpTarget(uint32_t Target) {
  if (Target < 4 || Target > static_cast<uint32_t>(CodeSize)) [[unlikely]] FaultJumpTarget(Target);
  return static_cast<int32_t>(Target);
}

uint32_t LoadU32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// ---- Names, slots and procedures

[[noreturn, gnu::noinline, gnu::cold]] void FaultVariableNumber(uint16_t N) {
  Fault("I-018 : ERROR : Invalid variable number (" + Num(N) + ")");
}
[[noreturn, gnu::noinline, gnu::cold]] void FaultVariableNotSet(uint16_t N) {
  Fault("I-019 : ERROR : Variable not set (\"" + VarLinks[N].Name + "\")");
}

inline TSVariable& VariableOf(uint16_t N) {
  if (N == 0 || N > VarLinkCount) [[unlikely]] FaultVariableNumber(N);
  auto* v = static_cast<TSVariable*>(VarLinks[N].Current);
  if (v == nullptr) [[unlikely]] FaultVariableNotSet(N);
  return *v;
}

inline TQzVariant& ValueOf(uint16_t N) { return *VariableOf(N).Value; }

// A slot's value is plain while it is the slot's own (no host variable stands in for it).
inline bool IsPlainSlot(const TSVariable& S) { return S.Value == &S.Own; }

inline int32_t SlotInteger(const TSVariable& S) {
  if (IsPlainSlot(S)) [[likely]] return PlainInteger(S.Own);
  return S.Value->GetInteger();
}

// CopyToPlain from a slot's value.
[[gnu::always_inline]] inline void CopySlotToPlain(const TSVariable& S, TQzVariant& Dst) {
  if (IsPlainSlot(S)) CopyPlainToPlain(S.Own, Dst);
  else CopyToPlain(*S.Value, Dst);
}

[[noreturn, gnu::noinline, gnu::cold]] void FaultProcedureNumber(uint16_t N) {
  Fault("I-018 : ERROR : Invalid procedure number (" + Num(N) + ")");
}

inline uint16_t ProcNumber(uint16_t N) {
  if (N == 0 || N > ProcLinkCount) [[unlikely]] FaultProcedureNumber(N);
  return N;
}

// Takes the lowest-numbered free slot and appends it to the allocated list.
[[noreturn, gnu::noinline, gnu::cold]] void FaultVariablesFull() {
  Fault("I-020 : ERROR : Capacity exceeded (variables)");
}

inline TSVariable& AllocateSlot(int32_t& Number) {
  int32_t i = FreeSlotHint;
  while (i < kScriptPoolSize && VariableSlots[i].InUse) ++i;
  if (i >= kScriptPoolSize) [[unlikely]] FaultVariablesFull();
  FreeSlotHint = i + 1;
  TSVariable& s = VariableSlots[i];
  s.InUse = true;
  s.Value = &s.Own;
  s.CallDepth = OpenCalls;
  s.Generation = ++AllocationCounter;
  AllocatedSlots[AllocatedCount++] = i;
  Number = i;
  return s;
}

// Takes the slot out of the allocated list, wherever it stands.
[[gnu::noinline]] void DropAllocated(int32_t Number) {
  for (int32_t k = AllocatedCount - 1; k >= 0; --k) {
    if (AllocatedSlots[k] == Number) {
      std::memmove(&AllocatedSlots[k], &AllocatedSlots[k + 1], sizeof(int32_t) * size_t(AllocatedCount - k - 1));
      --AllocatedCount;
      break;
    }
  }
}

// Frees slot Number (s): its name's previous binding comes back, a host variable hands the slot
// back to its own value, and the slot leaves the allocated list.
inline void ReleaseSlot(TSVariable& s, int32_t Number) {
  if (s.NameIndex >= 1 && s.NameIndex <= VarLinkCount && VarLinks[s.NameIndex].Bindings.Count > 0)
    Unbind(VarLinks[s.NameIndex]);
  s.InUse = false;
  s.Value = &s.Own;
  if (Number < FreeSlotHint) FreeSlotHint = Number;
  // A slot stands in the list once; the one released is nearly always the newest or the one
  // before it (UNSET A,B).
  const int32_t n = AllocatedCount;
  if (n > 0 && AllocatedSlots[n - 1] == Number) {
    AllocatedCount = n - 1;
  } else if (n > 1 && AllocatedSlots[n - 2] == Number) {
    AllocatedSlots[n - 2] = AllocatedSlots[n - 1];
    AllocatedCount = n - 1;
  } else {
    DropAllocated(Number);
  }
}

// ---- The value stack

[[gnu::always_inline]] inline TQzVariant* PushSlot() {
  if (StackDepth >= kScriptPoolSize) [[unlikely]] {
    ScriptError("I-010 : ERROR : Stack overflow");
    return nullptr;
  }
  ++StackDepth;
  if (StackDepth > kScriptStackLimit) ScriptError("I-010 : ERROR : Stack overflow");
  return &ValueStack[StackDepth];
}

void PushCopy(const TQzVariant& V) {
  if (TQzVariant* s = PushSlot()) CopyToPlain(V, *s);
}
[[gnu::always_inline]] inline void PushPlain(const TQzVariant& V) {
  if (TQzVariant* s = PushSlot()) CopyPlainToPlain(V, *s);
}

[[gnu::always_inline]] inline bool PopToAccumulator() {
  if (StackDepth <= 0) [[unlikely]] {
    ScriptError("I-009 : ERROR : Tryed to pop of empty stack");
    return false;
  }
  CopyPlainToPlain(ValueStack[StackDepth], Accumulator);
  if (ScriptErrorFlag) return false;
  --StackDepth;
  return true;
}

// ---- Storing

// A float in an error text: 3 decimals and the closing bracket.
std::string FloatText(float F) { return FloatToStrDigits(3, F) + ")"; }

// MOVR into a variable and POPV: by the source's kind and the variable's current kind.
void StoreValue(const TQzVariant& Src, TQzVariant& Var) {
  const uint8_t vk = Var.Kind;
  switch (Src.Kind) {
    case kVarInteger: {
      const int32_t n = Src.GetInteger();
      if (vk == kVarInteger) Var.SetInteger(n);
      else if (vk == kVarFloat) Var.SetFloat(static_cast<float>(n));
      else if (vk == kVarRecord) Var.SetRecord(n);
      else if (vk == kVarString)
        ScriptError("I-011 : ERROR : Can't set a string to an integer-value! (" + IntToStrUnderscore(n) + ")");
      break;
    }
    case kVarFloat: {
      const float f = Src.GetFloat();
      if (vk == kVarInteger) Var.SetInteger(RoundToInt(f));
      else if (vk == kVarFloat) Var.SetFloat(f);
      else if (vk == kVarString) ScriptError("I-011 : ERROR : Can't set a string to a float-value! (" + FloatText(f));
      else if (vk == kVarRecord) ScriptError("I-011 : ERROR : Can't set a record to a float-value! (" + FloatText(f));
      break;
    }
    case kVarString: {
      const std::string s = Src.GetString();
      if (vk == kVarInteger) ScriptError("I-011 : ERROR : Can't set an integer to a string-value! (" + s + ")");
      else if (vk == kVarFloat) ScriptError("I-011 : ERROR : Can't set a float to a string-value! (" + s + ")");
      else if (vk == kVarString) Var.SetString(s);
      else if (vk == kVarRecord) ScriptError("I-011 : ERROR : Can't set a record to a string-value! (" + s + ")");
      break;
    }
    default: break;  // a record changes nothing
  }
}

// StoreValue from a plain source into a slot's value.
inline void StoreIntoSlot(const TQzVariant& Src, TSVariable& S) {
  if (IsPlainSlot(S)) {
    TQzVariant& v = S.Own;
    if (Src.Kind == kVarInteger && v.Kind == kVarInteger) {
      v.IntValue = Src.IntValue;
      return;
    }
    if (Src.Kind == kVarFloat && v.Kind == kVarFloat) {
      v.FloatValue = Src.FloatValue;
      return;
    }
  }
  StoreValue(Src, *S.Value);
}

// The constant of a MOV or PUSHVA of the type code, read from the code: an integer, a float, a
// text, or (type code 4 and any other) none, which reads as the integer 0.
TQzVariant ReadConstant(uint8_t TypeCode) {
  TQzVariant c;
  if (TypeCode == 1) c.SetInteger(static_cast<int32_t>(ReadU32()));
  else if (TypeCode == 2) c.SetFloat(ReadSingle());
  else if (TypeCode == 3) c.SetString(ReadShortString());
  return c;
}

// MOV: the constant C of the type code into a variable, by the variable's current kind.
void MoveConstant(TQzVariant& Var, uint8_t TypeCode, const TQzVariant& C) {
  const uint8_t vk = Var.Kind;
  if (TypeCode == 1) {
    const int32_t n = C.IntValue;
    if (vk == kVarInteger) Var.SetInteger(n);
    else if (vk == kVarFloat) Var.SetFloat(static_cast<float>(n));
    else if (vk == kVarRecord) Var.SetRecord(n);
    else if (vk == kVarString)
      ScriptError("I-011 : ERROR-006 : Can't set a string to an integer-value! (" + IntToStrUnderscore(n) + ")");
  } else if (TypeCode == 2) {
    const float f = C.FloatValue;
    if (vk == kVarInteger) Var.SetInteger(RoundToInt(f));
    else if (vk == kVarFloat) Var.SetFloat(f);
    else if (vk == kVarString) ScriptError("I-011-005 : ERROR : Can't set a string to a float-value! (" + FloatText(f));
    else if (vk == kVarRecord) ScriptError("I-011-004 : ERROR : Can't set a record to a float-value! (" + FloatText(f));
  } else if (TypeCode == 3) {
    const std::string& s = C.StrValue;
    if (vk == kVarString) Var.SetString(s);
    else if (vk == kVarInteger) ScriptError("I-011-002 : ERROR : Can't set an integer to a string-value! (" + s + ")");
    else if (vk == kVarFloat) ScriptError("I-011-003 : ERROR : Can't set a float to a string-value! (" + s + ")");
    else if (vk == kVarRecord) ScriptError("I-011-001 : ERROR : Can't set a record to a string-value! (" + s + ")");
  }
  // type code 4 (and any other): no constant follows, nothing changes
}

void MoveIntegerConstant(TQzVariant& Var, int32_t N) {
  TQzVariant c;
  c.IntValue = N;
  MoveConstant(Var, 1, c);
}

// PUSHVA: the constant of the type code; type code 4 pushes the record 0.
TQzVariant PushedConstant(uint8_t TypeCode) {
  TQzVariant v = ReadConstant(TypeCode);
  if (TypeCode == 4) v.SetRecord(0);
  return v;
}

// ---- CALC

constexpr char kKindLetters[4] = {'I', 'F', 'S', 'R'};

std::string KindPair(const TQzVariant& A, const char* Sep, const TQzVariant& B) {
  return std::string("(") + kKindLetters[A.Kind & 3] + Sep + kKindLetters[B.Kind & 3] + ")!";
}

bool CalcFail(const std::string& Message) {
  ScriptError(Message);
  return false;
}

inline bool IsNumber(uint8_t Kind) { return Kind == kVarInteger || Kind == kVarFloat; }
inline long double NumberOf(const TQzVariant& V) {
  return V.Kind == kVarInteger ? static_cast<long double>(V.IntValue) : static_cast<long double>(V.FloatValue);
}

const char* const kRecordNoCalcType = "I-004 : ERROR : A RECORD IS NO CALC-TYPE!";

// The working values are plain values: their setters need no virtual call.
inline void SetPlainInteger(TQzVariant& D, int32_t X) {
  D.IntValue = X;
  D.Kind = kVarInteger;
}
inline void SetPlainFloat(TQzVariant& D, float X) {
  D.FloatValue = X;
  D.Kind = kVarFloat;
}
// B.GetFloat() == 0, read directly for numbers.
inline bool IsZero(const TQzVariant& B) {
  if (B.Kind == kVarInteger) return B.IntValue == 0;
  if (B.Kind == kVarFloat) return B.FloatValue == 0;
  return B.GetFloat() == 0;
}

// D := A Op B. False after a reported error, which leaves D as it was.
bool CalcOperate(uint8_t Op, const TQzVariant& A, const TQzVariant& B, TQzVariant& D) {
  const uint8_t ka = A.Kind, kb = B.Kind;
  const bool numbers = IsNumber(ka) && IsNumber(kb);
  switch (Op) {
    case 1:
    case 2:
    case 3: {
      if (ka == kVarRecord) return CalcFail(kRecordNoCalcType);
      if (ka == kVarInteger && kb == kVarInteger) {
        const uint32_t x = static_cast<uint32_t>(A.IntValue), y = static_cast<uint32_t>(B.IntValue);
        const uint32_t r = Op == 1 ? x + y : Op == 2 ? x - y : x * y;
        SetPlainInteger(D, static_cast<int32_t>(r));
        return true;
      }
      if (ka == kVarFloat && kb == kVarFloat) {
        // Double holds more than twice a float's digits, so each operation rounds to the same
        // float as through the extended type.
        const double x = A.FloatValue, y = B.FloatValue;
        const double r = Op == 1 ? x + y : Op == 2 ? x - y : x * y;
        SetPlainFloat(D, static_cast<float>(r));
        return true;
      }
      if (numbers) {
        const long double x = NumberOf(A), y = NumberOf(B);
        const long double r = Op == 1 ? x + y : Op == 2 ? x - y : x * y;
        SetPlainFloat(D, static_cast<float>(r));
        return true;
      }
      if (ka == kVarString && kb == kVarString) {
        if (Op == 1) {
          D.SetString(A.StrValue + B.StrValue);
          return true;
        }
        return CalcFail(Op == 2 ? "I-005 : ERROR : Two strings can't be substracted"
                                : "I-005 : ERROR : Two strings can't be multiplied!");
      }
      return CalcFail("I-003 : ERROR : " + KindPair(A, "-", B));
    }
    case 4:
    case 5: {
      if (IsZero(B)) return CalcFail("I-007 : ERROR : Division by Zero!");
      if (ka == kVarRecord) return CalcFail(kRecordNoCalcType);
      if (ka == kVarInteger && kb == kVarInteger) {
        const int32_t x = A.IntValue, y = B.IntValue;
        if (Op == 4) SetPlainInteger(D, y == -1 ? static_cast<int32_t>(0u - static_cast<uint32_t>(x)) : x / y);
        else SetPlainInteger(D, y == -1 ? 0 : x % y);
        return true;
      }
      if (Op == 4 && ka == kVarFloat && kb == kVarFloat) {
        SetPlainFloat(D, static_cast<float>(double(A.FloatValue) / double(B.FloatValue)));
        return true;
      }
      if (numbers) {
        const long double x = NumberOf(A), y = NumberOf(B);
        if (Op == 4) {
          SetPlainFloat(D, static_cast<float>(x / y));
          return true;
        }
        long double r = 0;
        if (!SubtractWhileAbove(x, y, r))
          return CalcFail("I-017 : ERROR : Remainder never ends (" + A.GetString() + " mod " + B.GetString() + ")!");
        SetPlainFloat(D, static_cast<float>(r));
        return true;
      }
      if (ka == kVarString && kb == kVarString) return CalcFail("I-005 : ERROR : Two strings can't be divided!");
      return CalcFail("I-003 : ERROR : " + KindPair(A, Op == 4 ? "/" : " mod ", B));
    }
    case 7:
    case 8: {
      if (ka == kVarRecord) return CalcFail(kRecordNoCalcType);
      bool equal;
      if (numbers) equal = NumberOf(A) == NumberOf(B);
      else if (ka == kVarString && kb == kVarString) equal = A.StrValue == B.StrValue;
      else return CalcFail("I-003 : ERROR : " + KindPair(A, Op == 7 ? "=" : "<>", B));
      SetPlainInteger(D, (Op == 7) == equal ? 1 : 0);
      return true;
    }
    case 13:
    case 14:
    case 15:
    case 16: {
      static const char* const kSymbols[4] = {"<", ">", "<=", ">="};
      if (ka == kVarRecord) return CalcFail(kRecordNoCalcType);
      if (!numbers) return CalcFail("I-003 : ERROR : " + KindPair(A, kSymbols[Op - 13], B));
      const long double x = NumberOf(A), y = NumberOf(B);
      const bool r = Op == 13 ? x < y : Op == 14 ? x > y : Op == 15 ? x <= y : x >= y;
      SetPlainInteger(D, r ? 1 : 0);
      return true;
    }
    case 9:
    case 11: {
      if (ka == kVarRecord) return CalcFail(kRecordNoCalcType);
      if (ka != kVarInteger || kb != kVarInteger)
        return CalcFail("I-003 : ERROR : " + KindPair(A, Op == 9 ? " and " : " or ", B));
      const int32_t r = Op == 9 ? (A.IntValue & B.IntValue) : (A.IntValue | B.IntValue);
      SetPlainInteger(D, r & 255);
      return true;
    }
    case 10:
    case 12:
    case 17:
    case 18: {
      if (ka != kVarInteger || kb != kVarInteger) return CalcFail("I-006 : Boolish operator needed!");
      const bool a = A.IntValue == 1;
      const int32_t b = B.IntValue;
      bool r;
      if (Op == 10) r = a && b == 1;
      else if (Op == 12) r = a || b == 1;
      else if (Op == 17) r = a && b != 1;
      else r = a || b == 0;
      SetPlainInteger(D, r ? 1 : 0);
      return true;
    }
    default: return true;  // no operation: D stays as it was
  }
}

// x Op y of two integers as CalcOperate computes it, into R; false for a division by zero, which
// CalcOperate reports. An operator that does nothing (0, "^") leaves R as it was.
[[gnu::always_inline]] inline bool OperateIntegers(uint8_t Op, int32_t x, int32_t y, int32_t& R) {
  const uint32_t ux = static_cast<uint32_t>(x), uy = static_cast<uint32_t>(y);
  switch (Op) {
    case 1: R = static_cast<int32_t>(ux + uy); break;
    case 2: R = static_cast<int32_t>(ux - uy); break;
    case 3: R = static_cast<int32_t>(ux * uy); break;
    case 4:
      if (y == 0) return false;
      R = y == -1 ? static_cast<int32_t>(0u - ux) : x / y;
      break;
    case 5:
      if (y == 0) return false;
      R = y == -1 ? 0 : x % y;
      break;
    case 7: R = x == y; break;
    case 8: R = x != y; break;
    case 9: R = (x & y) & 255; break;
    case 11: R = (x | y) & 255; break;
    case 10: R = x == 1 && y == 1; break;
    case 12: R = x == 1 || y == 1; break;
    case 17: R = x == 1 && y != 1; break;
    case 18: R = x == 1 || y == 0; break;
    case 13: R = x < y; break;
    case 14: R = x > y; break;
    case 15: R = x <= y; break;
    case 16: R = x >= y; break;
    default: break;
  }
  return true;
}

// x Op y of two floats for +, -, * and / as CalcOperate computes it, into R; false for any other
// operator and for a division by zero. Double holds more than twice a float's digits, so each
// operation rounds to the same float as through the extended type.
[[gnu::always_inline]] inline bool OperateFloats(uint8_t Op, double x, double y, float& R) {
  switch (Op) {
    case 1: R = static_cast<float>(x + y); return true;
    case 2: R = static_cast<float>(x - y); return true;
    case 3: R = static_cast<float>(x * y); return true;
    case 4:
      if (y == 0) return false;
      R = static_cast<float>(x / y);
      return true;
    default: return false;
  }
}

inline bool IsNoOperation(uint8_t Op) { return Op == 0 || Op == 6; }

// CalcOperate for two integers or two floats under the common operators, written directly; false
// when the operation is not one of them (CalcOperate then does it).
inline bool OperateDirect(uint8_t Op, const TQzVariant& A, const TQzVariant& B, TQzVariant& D) {
  if (A.Kind == kVarInteger && B.Kind == kVarInteger) {
    int32_t r = 0;
    if (IsNoOperation(Op) || !OperateIntegers(Op, A.IntValue, B.IntValue, r)) return false;
    SetPlainInteger(D, r);
    return true;
  }
  if (A.Kind == kVarFloat && B.Kind == kVarFloat) {
    float r = 0;
    if (!OperateFloats(Op, A.FloatValue, B.FloatValue, r)) return false;
    SetPlainFloat(D, r);
    return true;
  }
  return false;
}

// Reads the code in the code buffer from Pc on, without a check: the caller asks Fits first.
struct TCodeReader {
  int32_t Pc;
  bool Fits(int32_t N) const { return N <= CodeSize - Pc; }
  uint16_t U16() {
    const uint16_t v = static_cast<uint16_t>(CodeBuffer[Pc] | (CodeBuffer[Pc + 1] << 8));
    Pc += 2;
    return v;
  }
  uint32_t U32() {
    const uint32_t v = LoadU32(CodeBuffer + Pc);
    Pc += 4;
    return v;
  }
};

// Reads the CALC whose operand count is at At, or returns false when it runs past the code.
bool DecodeCalc(int32_t At, TDecodedCalc& C) {
  TCodeReader code{At};
  int32_t& pc = code.Pc;
  const auto need = [&code](int32_t n) { return code.Fits(n); };
  const auto u16 = [&code] { return code.U16(); };
  const auto u32 = [&code] { return code.U32(); };
  if (!need(1)) return false;
  const int32_t n = CodeBuffer[pc++];
  for (int32_t i = 0; i < n; ++i) {
    TCalcOperand o;
    if (!need(1)) return false;
    o.Kind = OperandCodeMap[CodeBuffer[pc++]];
    switch (o.Kind) {
      case kOperandVariable:
      case kOperandTemporary:
        if (!need(2)) return false;
        o.Index = u16();
        break;
      case kOperandString: {
        if (!need(1)) return false;
        const uint8_t len = CodeBuffer[pc++];
        if (!need(len)) return false;
        o.Constant.SetString(std::string(reinterpret_cast<const char*>(CodeBuffer + pc), len));
        pc += len;
        break;
      }
      default: {
        if (!need(4)) return false;
        const uint32_t bits = u32();
        if (o.Kind == kOperandFloat) {
          std::memcpy(&o.Constant.FloatValue, &bits, 4);
          o.Constant.Kind = kVarFloat;
        } else {
          o.Constant.IntValue = static_cast<int32_t>(bits);
          o.Constant.Kind = o.Kind == kOperandRecord ? kVarRecord : kVarInteger;
        }
        break;
      }
    }
    o.After = pc;
    C.Operands.push_back(std::move(o));
  }
  for (;;) {
    if (!need(1)) return false;
    if (CodeBuffer[pc] == 255) {
      ++pc;
      break;
    }
    if (!need(5)) return false;
    TCalcStep st;
    st.A = CodeBuffer[pc];
    st.B = CodeBuffer[pc + 1];
    st.Op = OperatorMap[CodeBuffer[pc + 2]];
    st.D = CodeBuffer[pc + 3];
    st.E = CodeBuffer[pc + 4];
    st.InRange = st.A < n && st.B < n && st.D < n && st.E < n;
    pc += 5;
    st.After = pc;
    C.Steps.push_back(st);
  }
  C.End = pc;
  C.Numeric = true;
  for (const TCalcOperand& o : C.Operands)
    if ((o.Kind == kOperandVariable && (o.Index == 0 || o.Index > VarLinkCount)) || o.Kind == kOperandString ||
        o.Kind == kOperandRecord)
      C.Numeric = false;
  for (const TCalcStep& st : C.Steps)
    if (!st.InRange) C.Numeric = false;
  C.Integer = C.Numeric;
  C.Float = C.Numeric;
  for (const TCalcStep& st : C.Steps) {
    if (st.Op < 1 || st.Op > 4) C.Float = false;
    if (IsNoOperation(st.Op)) C.Integer = false;
  }
  if (C.Operands.empty()) {
    C.Float = false;
    C.Constants.push_back({0, kVarInteger, 0});
  }
  for (size_t i = 0; i < C.Operands.size(); ++i) {
    const TCalcOperand& o = C.Operands[i];
    const uint8_t slot = static_cast<uint8_t>(i);
    if (o.Kind == kOperandFloat) C.Integer = false;
    if (o.Kind == kOperandInteger) C.Float = false;
    if (o.Kind == kOperandVariable) {
      if (C.Numeric) C.Loads.push_back({&VarLinks[o.Index], 0, slot});
    } else if (o.Kind == kOperandTemporary) {
      C.Loads.push_back({nullptr, o.Index, slot});
    } else {
      int32_t bits = o.Constant.IntValue;
      if (o.Kind == kOperandFloat) std::memcpy(&bits, &o.Constant.FloatValue, 4);
      C.Constants.push_back({slot, o.Kind == kOperandFloat ? kVarFloat : kVarInteger, bits});
    }
  }
  std::stable_partition(C.Loads.begin(), C.Loads.end(), [](const TDecodedCalc::TCalcLoad& l) { return l.Link != nullptr; });
  C.VariableLoads = size_t(std::count_if(C.Loads.begin(), C.Loads.end(), [](const TDecodedCalc::TCalcLoad& l) { return l.Link != nullptr; }));
  C.Small = C.Operands.size() <= 4;
  for (const TDecodedCalc::TCalcConstant& k : C.Constants)
    if (C.Small) C.Initial[k.Slot] = k.Bits;
  for (const TCalcStep& st : C.Steps) {
    C.Ops.push_back({st.Op, st.A, st.B, st.D, st.E});
    C.Last = st.D;
  }
  C.Binary = C.Numeric && C.Operands.size() == 2 && C.Ops.size() == 1;
  for (size_t i = 0; C.Binary && i < 2; ++i) {
    const TCalcOperand& o = C.Operands[i];
    TDecodedCalc::TCalcSource& source = C.Sources[i];
    source = {nullptr, 0, C.Initial[i]};
    if (o.Kind == kOperandVariable) source.Link = &VarLinks[o.Index];
    else if (o.Kind == kOperandTemporary) source.Temporary = o.Index;
    // a temporary numbered 0 never reads: the general paths report it
    if (o.Kind == kOperandTemporary && o.Index == 0) C.Binary = false;
  }
  return true;
}

// A working value of a CALC whose values are all numbers.
struct TNumber {
  int32_t I;
  float F;
  uint8_t Kind;  // kVarInteger or kVarFloat
};
TNumber Numbers[256];

inline bool LoadNumber(const TQzVariant& V, bool Plain, TNumber& W) {
  if (V.Kind == kVarInteger) {
    W.I = Plain ? V.IntValue : V.GetInteger();
    W.Kind = kVarInteger;
    return true;
  }
  if (V.Kind == kVarFloat) {
    W.F = Plain ? V.FloatValue : V.GetFloat();
    W.Kind = kVarFloat;
    return true;
  }
  return false;
}

inline void StoreNumber(const TNumber& W, TQzVariant& D) {
  if (W.Kind == kVarInteger) D.IntValue = W.I;
  else D.FloatValue = W.F;
  D.Kind = W.Kind;
}

// D := A Op B for numbers as CalcOperate computes it; false for what CalcOperate reports as an
// error (division by zero, operators numbers do not take) and for the remainder of floats, which
// it computes itself.
inline bool OperateNumbers(uint8_t Op, TNumber A, TNumber B, TNumber& D) {
  if (IsNoOperation(Op)) return true;
  if (A.Kind == kVarInteger && B.Kind == kVarInteger) {
    int32_t r = 0;
    if (!OperateIntegers(Op, A.I, B.I, r)) return false;
    D.I = r;
    D.Kind = kVarInteger;
    return true;
  }
  if (Op >= 9 && Op <= 12) return false;
  if (Op >= 17 && Op <= 18) return false;
  if (Op == 5) return false;
  // Two floats under +, -, * and / in double (OperateFloats), everything else in the extended type.
  if (A.Kind == kVarFloat && B.Kind == kVarFloat && Op <= 4) {
    float r = 0;
    if (!OperateFloats(Op, A.F, B.F, r)) return false;
    D.F = r;
    D.Kind = kVarFloat;
    return true;
  }
  const long double x = A.Kind == kVarInteger ? static_cast<long double>(A.I) : static_cast<long double>(A.F);
  const long double y = B.Kind == kVarInteger ? static_cast<long double>(B.I) : static_cast<long double>(B.F);
  switch (Op) {
    case 1: D.F = static_cast<float>(x + y); break;
    case 2: D.F = static_cast<float>(x - y); break;
    case 3: D.F = static_cast<float>(x * y); break;
    case 4:
      if (y == 0) return false;
      D.F = static_cast<float>(x / y);
      break;
    case 7: D.I = x == y; break;
    case 8: D.I = x != y; break;
    case 13: D.I = x < y; break;
    case 14: D.I = x > y; break;
    case 15: D.I = x <= y; break;
    case 16: D.I = x >= y; break;
    default: return true;
  }
  D.Kind = Op <= 4 ? kVarFloat : kVarInteger;
  return true;
}

// The working values of a CALC taken by RunPlainCalc: false when one of its
// variables or temporaries is not an own value of Kind.
template <uint8_t Kind, typename T>
[[gnu::always_inline]] inline bool LoadWorkingValues(const TDecodedCalc& C, T* W) {
  static_assert(sizeof(T) == 4);
  if (C.Small) std::memcpy(W, C.Initial, sizeof(C.Initial));
  else
    for (const TDecodedCalc::TCalcConstant& k : C.Constants) std::memcpy(&W[k.Slot], &k.Bits, 4);
  const auto take = [W](const TQzVariant& v, uint8_t Slot) {
    if (v.Kind != Kind) return false;
    if constexpr (Kind == kVarInteger) W[Slot] = v.IntValue;
    else W[Slot] = v.FloatValue;
    return true;
  };
  const TDecodedCalc::TCalcLoad* l = C.Loads.data();
  const TDecodedCalc::TCalcLoad* const variablesEnd = l + C.VariableLoads;
  const TDecodedCalc::TCalcLoad* const end = l + C.Loads.size();
  for (; l != variablesEnd; ++l) {
    const auto* s = static_cast<const TSVariable*>(l->Link->Current);
    if (s == nullptr || !IsPlainSlot(*s) || !take(s->Own, l->Slot)) return false;
  }
  for (; l != end; ++l)
    if (l->Temporary == 0 || l->Temporary > TempCount || !take(Temporaries[l->Temporary], l->Slot)) return false;
  return true;
}

// x Op y of two integers or two floats as CalcOperate computes it.
template <uint8_t Kind, typename T>
[[gnu::always_inline]] inline bool PlainOperation(uint8_t Op, T X, T Y, T& R) {
  if constexpr (Kind == kVarInteger) return OperateIntegers(Op, X, Y, R);
  else return OperateFloats(Op, X, Y, R);
}

// The value of one operand of a binary CALC, if it is an own value of Kind.
template <uint8_t Kind, typename T>
[[gnu::always_inline]] inline bool ReadSource(const TDecodedCalc::TCalcSource& S, T& X) {
  const TQzVariant* v;
  if (S.Link != nullptr) {
    const auto* slot = static_cast<const TSVariable*>(S.Link->Current);
    if (slot == nullptr || !IsPlainSlot(*slot)) return false;
    v = &slot->Own;
  } else if (S.Temporary != 0) {
    if (S.Temporary > TempCount) return false;
    v = &Temporaries[S.Temporary];
  } else {
    std::memcpy(&X, &S.Bits, 4);
    return true;
  }
  if (v->Kind != Kind) return false;
  if constexpr (Kind == kVarInteger) X = v->IntValue;
  else X = v->FloatValue;
  return true;
}

// RunNumericCalc for a CALC whose values are all integers (Kind kVarInteger, T int32_t:
// TDecodedCalc::Integer) or all floats (kVarFloat, float: TDecodedCalc::Float), every variable
// operand an own value of its slot of that kind, leaving ProgramCounter. Only while no error is
// flagged. Without Keep the result goes to the accumulator alone, for a BUFFC that follows.
template <uint8_t Kind, typename T, bool Keep>
[[gnu::always_inline]] inline bool RunPlainCalc(const TDecodedCalc& C) {
  if (TempCount >= kScriptPoolSize) return false;
  T r = 0;  // every step does something (no operator 0 or "^")
  if (C.Binary) {
    T x, y;
    if (!ReadSource<Kind>(C.Sources[0], x) || !ReadSource<Kind>(C.Sources[1], y)) return false;
    const TDecodedCalc::TCalcOp& st = C.Ops[0];
    if (!PlainOperation<Kind>(st.Op, st.A == 0 ? x : y, st.B == 0 ? x : y, r)) return false;
  } else {
    T w[256];
    if (!LoadWorkingValues<Kind>(C, w)) return false;
    // The last result is read from where it was computed.
    int32_t lastD = -1, lastE = -1;
    for (const TDecodedCalc::TCalcOp& st : C.Ops) {
      const T x = st.A == lastD || st.A == lastE ? r : w[st.A];
      const T y = st.B == lastD || st.B == lastE ? r : w[st.B];
      if (!PlainOperation<Kind>(st.Op, x, y, r)) return false;
      w[st.D] = r;
      w[st.E] = r;
      lastD = st.D;
      lastE = st.E;
    }
    if (C.Ops.empty()) r = w[C.Last];
  }
  if constexpr (Kind == kVarInteger) Accumulator.IntValue = r;
  else Accumulator.FloatValue = r;
  Accumulator.Kind = Kind;
  if constexpr (Keep) {
    TQzVariant& t = Temporaries[++TempCount];
    if constexpr (Kind == kVarInteger) t.IntValue = r;
    else t.FloatValue = r;
    t.Kind = Kind;
  }
  return true;
}

// A CALC through the plain paths that take it; false when neither does.
template <bool Keep>
[[gnu::always_inline]] inline bool RunPlainCalc(const TDecodedCalc& C) {
  return C.Integer ? RunPlainCalc<kVarInteger, int32_t, Keep>(C) : C.Float && RunPlainCalc<kVarFloat, float, Keep>(C);
}

// A numeric CALC (TDecodedCalc::Numeric) whose operands are all numbers now and whose steps
// report nothing, computed on plain numbers with the same result; false, having changed nothing
// outside its own working values, when any of that does not hold: RunCalcGenerally then runs it.
bool RunNumericCalc(const TDecodedCalc& C) {
  if (ScriptErrorFlag || TempCount >= kScriptPoolSize) return false;
  for (const TDecodedCalc::TCalcConstant& k : C.Constants) {
    TNumber& w = Numbers[k.Slot];
    w.Kind = k.Kind;
    if (k.Kind == kVarFloat) std::memcpy(&w.F, &k.Bits, 4);
    else w.I = k.Bits;
  }
  for (const TDecodedCalc::TCalcLoad& l : C.Loads) {
    if (l.Link != nullptr) {
      const auto* s = static_cast<const TSVariable*>(l.Link->Current);
      if (s == nullptr || !LoadNumber(*s->Value, IsPlainSlot(*s), Numbers[l.Slot])) return false;
    } else if (l.Temporary == 0 || l.Temporary > TempCount || !LoadNumber(Temporaries[l.Temporary], true, Numbers[l.Slot])) {
      return false;
    }
  }
  for (const TDecodedCalc::TCalcOp& st : C.Ops) {
    if (!OperateNumbers(st.Op, Numbers[st.A], Numbers[st.B], Numbers[st.D])) return false;
    if (st.E != st.D) Numbers[st.E] = Numbers[st.D];
  }
  StoreNumber(Numbers[C.Last], Accumulator);
  StoreNumber(Numbers[C.Last], Temporaries[++TempCount]);
  ProgramCounter = C.End;
  return true;
}

// ExecuteCalc over the CALC as read once, once the plain paths have not taken it.
void RunCalcGenerally(const TDecodedCalc& C) {
  if (C.Numeric && RunNumericCalc(C)) return;
  try {
    const int32_t n = static_cast<int32_t>(C.Operands.size());
    for (int32_t i = 0; i < n; ++i) {
      const TCalcOperand& o = C.Operands[size_t(i)];
      TQzVariant& w = WorkingValues[i];
      switch (o.Kind) {
        case kOperandVariable:
          ProgramCounter = o.After;
          w.Kind = kVarInteger;
          w.IntValue = 0;
          CopySlotToPlain(VariableOf(o.Index), w);
          break;
        case kOperandTemporary:
          ProgramCounter = o.After;
          w.Kind = kVarInteger;
          w.IntValue = 0;
          if (o.Index == 0 || o.Index > TempCount)
            Fault("I-018 : ERROR : Invalid temporary number (" + Num(o.Index) + ")");
          CopyPlainToPlain(Temporaries[o.Index], w);
          break;
        case kOperandString: w.SetString(o.Constant.StrValue); break;
        case kOperandFloat:
          w.FloatValue = o.Constant.FloatValue;
          w.Kind = kVarFloat;
          break;
        default:
          w.IntValue = o.Constant.IntValue;
          w.Kind = o.Constant.Kind;
          break;
      }
      if (ScriptErrorFlag) {
        ProgramCounter = o.After;
        throw CalcAbort{};
      }
    }
    if (n == 0) {
      WorkingValues[0].Kind = kVarInteger;
      WorkingValues[0].IntValue = 0;
    }
    int32_t last = 0;
    for (const TCalcStep& st : C.Steps) {
      ProgramCounter = st.After;
      if (ScriptErrorFlag) throw CalcAbort{};
      if (!st.InRange) Fault("I-018 : ERROR : Invalid working value number");
      if (!OperateDirect(st.Op, WorkingValues[st.A], WorkingValues[st.B], WorkingValues[st.D]) &&
          !CalcOperate(st.Op, WorkingValues[st.A], WorkingValues[st.B], WorkingValues[st.D]))
        throw CalcAbort{};
      if (st.E != st.D) CopyPlainToPlain(WorkingValues[st.D], WorkingValues[st.E]);
      last = st.D;
    }
    ProgramCounter = C.End;
    CopyPlainToPlain(WorkingValues[last], Accumulator);
    if (TempCount >= kScriptPoolSize) Fault("I-020 : ERROR : Capacity exceeded (temporaries)");
    ++TempCount;
    CopyPlainToPlain(Accumulator, Temporaries[TempCount]);
  } catch (const RunFault&) {
    throw CalcAbort{};
  }
}

// ExecuteCalc over the CALC as read once.
void RunDecodedCalc(const TDecodedCalc& C) {
  if (!ScriptErrorFlag && RunPlainCalc<true>(C)) {
    ProgramCounter = C.End;
    return;
  }
  RunCalcGenerally(C);
}

void ExecuteCalc() {
  if (DecodedRuns && size_t(ProgramCounter) < CalcAt.size()) {
    int32_t& k = CalcAt[size_t(ProgramCounter)];
    if (k == -1) {
      TDecodedCalc c;
      if (DecodeCalc(ProgramCounter, c)) {
        k = static_cast<int32_t>(DecodedCalcs.size());
        DecodedCalcs.push_back(std::move(c));
      } else {
        k = -2;
      }
    }
    if (k >= 0) {
      RunDecodedCalc(DecodedCalcs[size_t(k)]);
      return;
    }
  }
  try {
    const int32_t n = ReadU8();
    for (int32_t i = 0; i < n; ++i) {
      TQzVariant& w = WorkingValues[i];
      w.Kind = kVarInteger;
      w.IntValue = 0;
      switch (OperandCodeMap[ReadU8()]) {
        case kOperandVariable: CopyToPlain(ValueOf(ReadU16()), w); break;
        case kOperandTemporary: {
          const uint16_t k = ReadU16();
          if (k == 0 || k > TempCount) Fault("I-018 : ERROR : Invalid temporary number (" + Num(k) + ")");
          CopyToPlain(Temporaries[k], w);
          break;
        }
        case kOperandFloat:
          w.FloatValue = ReadSingle();
          w.Kind = kVarFloat;
          break;
        case kOperandString: w.SetString(ReadShortString()); break;
        case kOperandRecord:
          w.IntValue = static_cast<int32_t>(ReadU32());
          w.Kind = kVarRecord;
          break;
        default: w.IntValue = static_cast<int32_t>(ReadU32()); break;  // an integer, as set above
      }
      if (ScriptErrorFlag) throw CalcAbort{};
    }
    if (n == 0) {
      WorkingValues[0].Kind = kVarInteger;
      WorkingValues[0].IntValue = 0;
    }
    int32_t last = 0;
    for (;;) {
      const uint8_t a = ReadU8();
      if (a == 255) break;
      const uint8_t b = ReadU8(), op = ReadU8(), d = ReadU8(), e = ReadU8();
      if (ScriptErrorFlag) throw CalcAbort{};
      if (a >= n || b >= n || d >= n || e >= n) Fault("I-018 : ERROR : Invalid working value number");
      if (!CalcOperate(OperatorMap[op], WorkingValues[a], WorkingValues[b], WorkingValues[d])) throw CalcAbort{};
      if (e != d) CopyToPlain(WorkingValues[d], WorkingValues[e]);
      last = d;
    }
    CopyToPlain(WorkingValues[last], Accumulator);
    if (TempCount >= kScriptPoolSize) Fault("I-020 : ERROR : Capacity exceeded (temporaries)");
    ++TempCount;
    CopyToPlain(Accumulator, Temporaries[TempCount]);
  } catch (const RunFault&) {
    throw CalcAbort{};
  }
}

// ---- Procedures

void DefineProcedure() {
  const uint32_t end = ReadU32();
  const uint16_t name = ProcNumber(ReadU16());
  const uint16_t params = ReadU16();
  NeedBytes(int32_t(params) * 8);
  ProgramCounter += int32_t(params) * 8;
  const int32_t target = JumpTarget(end);
  if (ProcedureCount >= kScriptPoolSize) Fault("I-020 : ERROR : Capacity exceeded (procedures)");
  TSProcedure& p = Procedures[ProcedureCount++];
  p.NameIndex = name;
  p.Entry = ProgramCounter;
  p.CallDepth = OpenCalls;
  Bind(ProcLinks[name], &p);
  ProcedureLinksBound = true;
  ProgramCounter = target;
}

void CallProcedure() {
  const uint16_t name = ProcNumber(ReadU16());
  auto* p = static_cast<TSProcedure*>(ProcLinks[name].Current);
  if (p == nullptr) Fault("I-015 : ERROR : Unknown procedure called (\"" + ProcLinks[name].Name + "\")");
  if (OpenCalls >= kScriptMaxCallDepth) Fault("I-020 : ERROR : Capacity exceeded (calls)");
  ReturnOffsets[OpenCalls++] = ProgramCounter;
  ProgramCounter = p->Entry;
}

// Releases what the returning call allocated: its variables and the procedures it defined, and
// continues after the CALL.
void ReturnToCaller() {
  if (OpenCalls == 0) Fault("I-014 : ERROR : Return without call");
  const int32_t depth = OpenCalls;
  while (AllocatedCount > 0 && VariableSlots[AllocatedSlots[AllocatedCount - 1]].CallDepth >= depth)
    ReleaseSlot(VariableSlots[AllocatedSlots[AllocatedCount - 1]], AllocatedSlots[AllocatedCount - 1]);
  while (ProcedureCount > 0 && Procedures[ProcedureCount - 1].CallDepth >= depth) {
    Unbind(ProcLinks[Procedures[ProcedureCount - 1].NameIndex]);
    --ProcedureCount;
  }
  ProgramCounter = ReturnOffsets[--OpenCalls];
}

void ReturnFromProcedure() {
  if (CodeSize - ProgramCounter >= 10) ProgramCounter += 10;  // five words, unused
  else
    for (int i = 0; i < 5; ++i) ReadU16();
  ReturnToCaller();
}

void CallHostRoutine() {
  NeedBytes(2);
  const uint16_t n = static_cast<uint16_t>(CodeBuffer[ProgramCounter] | (CodeBuffer[ProgramCounter + 1] << 8));
  ProcNumber(n);
  const TScriptRoutine routine = HostRoutineTable[n - 1];
  if (routine == nullptr) Fault("I-016 : ERROR : External procedure not linked (\"" + ProcLinks[n].Name + "\")");
  routine();
  ProgramCounter += 2;
}

// IF and IFNT: skip the next instruction.
void SkipNext() {
  const uint8_t next = ReadU8();
  switch (OpcodeMap[next]) {
    case kMnCall:
    case kMnCallExt: ProgramCounter += 2; break;
    case kMnJump: ProgramCounter += 4; break;
    case kMnBlock: ProgramCounter = JumpTarget(ReadU32()); break;
    default: ScriptError("I-008 : ERROR : Only calls/blocks/jumps allowed after IF/IFNOT!"); break;
  }
}

// ---- Pointer handles: a tag bit, 19 bits of the allocation and the slot number

constexpr int32_t kPointerTag = 0x40000000;
constexpr uint32_t kPointerGenerationMask = 0x7FFFF;

int32_t PointerHandle(int32_t Slot) {
  const uint32_t gen = VariableSlots[Slot].Generation & kPointerGenerationMask;
  return kPointerTag | static_cast<int32_t>(gen << 11) | Slot;
}

TSVariable* PointerSlot(int32_t Handle) {
  if (ScriptRunning && Handle >= 0 && (Handle & kPointerTag) != 0) {
    const int32_t slot = Handle & 0x7FF;
    const uint32_t gen = (static_cast<uint32_t>(Handle) >> 11) & kPointerGenerationMask;
    if (slot < kScriptPoolSize && VariableSlots[slot].InUse &&
        (VariableSlots[slot].Generation & kPointerGenerationMask) == gen)
      return &VariableSlots[slot];
  }
  ScriptError("I-021 : ERROR : Invalid pointer (" + IntToStrShort(Handle) + ")");
  return nullptr;
}

void PushPointer(const TSVariable& v) {
  const int32_t slot = static_cast<int32_t>(&v - VariableSlots);
  TQzVariant h;
  h.SetInteger(slot >= 0 && slot < kScriptPoolSize ? PointerHandle(slot) : 0);
  PushCopy(h);
}

// ---- The run

// A new slot of the type code for the name, bound to it.
[[gnu::always_inline]] inline void DeclareVariable(uint16_t Name, uint8_t Type) {
  int32_t number = 0;
  TSVariable& s = AllocateSlot(number);
  s.NameIndex = Name;
  // The setters of the slot's own value, written directly.
  TQzVariant& v = s.Own;
  if (Type == 2) {
    v.FloatValue = 0.0f;
    v.Kind = kVarFloat;
  } else if (Type == 3) {
    v.StrValue.clear();
    v.Kind = kVarString;
  } else {
    v.IntValue = 0;
    v.Kind = Type == 4 ? kVarRecord : kVarInteger;
  }
  Bind(VarLinks[Name], &s);
}

void ExecuteSet() {
  const uint8_t count = ReadU8();
  const uint8_t type = ReadU8();
  for (int32_t i = 0; i < count; ++i) {
    const uint16_t name = ReadU16();
    if (name == 0 || name > VarLinkCount) Fault("I-018 : ERROR : Invalid variable number (" + Num(name) + ")");
    DeclareVariable(name, type);
  }
}

// Frees the slot the name is bound to now, if any.
inline void UnsetVariable(uint16_t Name) {
  auto* s = static_cast<TSVariable*>(VarLinks[Name].Current);
  if (s != nullptr) ReleaseSlot(*s, static_cast<int32_t>(s - VariableSlots));
}

void ExecuteUnset() {
  const uint8_t count = ReadU8();
  for (int32_t i = 0; i < count; ++i) {
    const uint16_t name = ReadU16();
    if (name == 0) continue;
    if (name > VarLinkCount) Fault("I-018 : ERROR : Invalid variable number (" + Num(name) + ")");
    UnsetVariable(name);
  }
}

// One instruction read from the code at ProgramCounter, which it leaves after the instruction.
void StepBytes() {
  const uint8_t opcode = CodeBuffer[ProgramCounter++];
  {
    switch (OpcodeMap[opcode]) {
      case kMnMov: {
        TQzVariant& v = ValueOf(ReadU16());
        const uint8_t type = ReadU8();
        MoveConstant(v, type, ReadConstant(type));
        break;
      }
      case kMnCall: CallProcedure(); break;
      case kMnSet: ExecuteSet(); break;
      case kMnJump: ProgramCounter = JumpTarget(ReadU32()); break;
      case kMnRet: ReturnFromProcedure(); break;
      case kMnProc: DefineProcedure(); break;
      case kMnPush: PushPlain(Accumulator); break;
      case kMnPop: PopToAccumulator(); break;
      case kMnCalc: ExecuteCalc(); break;
      case kMnBuffc: TempCount = 0; break;
      case kMnUnset: ExecuteUnset(); break;
      case kMnMovr: {
        const uint8_t direction = ReadU8();
        TSVariable& v = VariableOf(ReadU16());
        if (direction != 0) CopySlotToPlain(v, Accumulator);
        else StoreIntoSlot(Accumulator, v);
        break;
      }
      case kMnMovd: {
        TQzVariant& src = ValueOf(ReadU16());
        TQzVariant& dst = ValueOf(ReadU16());
        AssignVariant(src, dst);
        break;
      }
      case kMnCallExt: CallHostRoutine(); break;
      case kMnIf:
        if (PlainInteger(Accumulator) == 0) SkipNext();
        break;
      case kMnIfnt:
        if (PlainInteger(Accumulator) == 1) SkipNext();
        break;
      case kMnPushV: {
        const TSVariable& v = VariableOf(ReadU16());
        if (TQzVariant* s = PushSlot()) CopySlotToPlain(v, *s);
        break;
      }
      case kMnPopV: {
        TSVariable& v = VariableOf(ReadU16());
        if (StackDepth <= 0) {
          ScriptError("I-009 : ERROR : Tryed to pop of empty stack");
          break;
        }
        StoreIntoSlot(ValueStack[StackDepth], v);
        --StackDepth;
        break;
      }
      case kMnPushVA: PushCopy(PushedConstant(ReadU8())); break;
      case kMnBlock: ReadU32(); break;
      case kMnInc:
      case kMnDec: {
        const bool inc = OpcodeMap[opcode] == kMnInc;
        TSVariable& v = VariableOf(ReadU16());
        const uint32_t amount = ReadU32();
        const uint32_t x = static_cast<uint32_t>(SlotInteger(v));
        const int32_t r = static_cast<int32_t>(inc ? x + amount : x - amount);
        if (IsPlainSlot(v)) PlainSetInteger(v.Own, r);
        else v.Value->SetInteger(r);
        break;
      }
      case kMnSme: {
        const TSVariable& a = VariableOf(ReadU16());
        const TSVariable& b = VariableOf(ReadU16());
        const int32_t x = SlotInteger(a);
        PlainSetInteger(Accumulator, x <= SlotInteger(b) ? 1 : 0);
        break;
      }
      case kMnPushPointer: PushPointer(VariableOf(ReadU16())); break;
      case kMnQuit: QuitFlag = true; break;
      default: break;  // XXX, DEFINE, LABEL, the unnamed byte, ENDBLOCK, NONE
    }
  }
}

// ---- The decoded code
//
// Each instruction is read once per linked image into a TFastIns: its operands resolved (names
// checked against the image's lists, constants made, jump targets checked, the instruction a
// skipping IF lands on found), with its code offset and the offset after it. Instructions are
// read where a run first reaches them, so that a jump into the middle of an instruction reads
// the bytes from there as the byte code does. An instruction whose operands run past the code or
// would fail while they are read stays kFBytes and runs through StepBytes, which reports what is
// wrong at the right position. Every other error of a decoded instruction is reported at the
// same position and with the same text as through StepBytes.

enum TFastOp : uint8_t {
  kFBytes, kFEnd, kFNop, kFMov, kFMovInt, kFCall, kFSet, kFJump, kFRet, kFProc, kFPush, kFPop, kFCalc,
  kFBuffc, kFUnset, kFLoad, kFStore, kFMovd, kFCallExt, kFIf, kFIfnt, kFPushV, kFPopV, kFPushVA, kFInc,
  kFDec, kFSme, kFPushPointer, kFQuit,
  // Runs of instructions the compiler writes together, taken in one step of the dispatch when
  // the step budget holds them all (else their first instruction runs alone):
  kFCalcBuffc,       // CALC; BUFFC
  kFCalcStore,       // CALC; MOVR +A
  kFCalcStoreBuffc,  // CALC; MOVR +A; BUFFC
  kFCalcPushBuffc,   // CALC; PUSH; BUFFC
  kFCalcBuffcPush,   // CALC; BUFFC; PUSH
  kFCountLoop,       // INC or DEC A; SME B C; IF; JUMP Target
  kFSetPopV,         // SET of one name B; POPV B
  kFUnsetRet,        // UNSET; RET
  kFPushPopV,        // PUSH; POPV A
  kFPushVPop,        // PUSHV A; POP
  kFPopBuffc,        // POP; BUFFC
  kFSetOne           // SET of one name B
};

struct TFastIns {
  uint8_t Op = kFBytes;
  uint8_t Type = 0;       // MOV and SET: the type code; INC and DEC: 1 for INC
  uint16_t A = 0, B = 0;  // variable or procedure numbers; SET and UNSET: the name count
  uint16_t C = 0;         // kFCountLoop: the second variable of the SME
  int32_t Exit = 0;       // the runs above: after their last instruction
  int32_t Offset = 0;     // of the opcode
  int32_t Next = 0;       // after the instruction
  int32_t Target = 0;     // JUMP, PROC: where to go on; IF and IFNT: where a skip lands
  int32_t Imm = 0;        // MOV: the integer; INC, DEC: the amount; else an index into a table
  TScriptRoutine Routine = nullptr;
  const TDecodedCalc* Calc = nullptr;
  const void* Handler = nullptr;  // the code of Op in Execute
  // The first instruction from Next (Target) on that does something, once found, and the
  // instructions that do nothing passed on the way (which still count as steps).
  TFastIns* NextIns = nullptr;
  TFastIns* TargetIns = nullptr;
  TFastIns* ExitIns = nullptr;
  // Steps taken on the way to each: the instructions passed and the one reached.
  uint32_t NextCost = 0, TargetCost = 0, ExitCost = 0;
};

std::deque<TFastIns> FastCode;       // stays where it is while it grows
const void* const* FastHandlers = nullptr;  // Execute's code of each TFastOp
std::vector<TFastIns*> FastAt;       // by code offset, up to a few bytes past the end
std::vector<TQzVariant> FastConstants;
std::vector<uint16_t> FastNames;     // the name lists of SET and UNSET

void ResetFastCode() {
  FastCode.clear();
  FastAt.assign(size_t(CodeSize) + 16, nullptr);
  FastConstants.clear();
  FastNames.clear();
}

// Reads the instruction at At (inside the code) as far as it can be decoded.
void DecodeFast(int32_t At, TFastIns& I) {
  I.Offset = At;
  TCodeReader code{At + 1};
  int32_t& pc = code.Pc;
  const auto fits = [&code](int32_t n) { return code.Fits(n); };
  const auto u16 = [&code] { return code.U16(); };
  const auto u32 = [&code] { return code.U32(); };
  const auto variable = [](uint16_t n) { return n >= 1 && n <= VarLinkCount; };
  const auto target = [](uint32_t t) { return t >= 4 && t <= static_cast<uint32_t>(CodeSize); };
  // The constant of a MOV or PUSHVA, or false when it runs past the code.
  const auto constant = [&](uint8_t type, TQzVariant& c) {
    if (type == 1 || type == 2) {
      if (!fits(4)) return false;
      const uint32_t bits = u32();
      if (type == 1) c.SetInteger(static_cast<int32_t>(bits));
      else {
        float f;
        std::memcpy(&f, &bits, 4);
        c.SetFloat(f);
      }
    } else if (type == 3) {
      if (!fits(1)) return false;
      const uint8_t n = CodeBuffer[pc++];
      if (!fits(n)) return false;
      c.SetString(std::string(reinterpret_cast<const char*>(CodeBuffer + pc), n));
      pc += n;
    }
    return true;
  };
  const auto names = [&](int32_t count, bool allowZero) {
    if (!fits(2 * count)) return false;
    I.Imm = static_cast<int32_t>(FastNames.size());
    I.A = static_cast<uint16_t>(count);
    for (int32_t k = 0; k < count; ++k) {
      const uint16_t n = u16();
      if (!(variable(n) || (allowZero && n == 0))) return false;
      FastNames.push_back(n);
    }
    return true;
  };
  uint8_t op = kFBytes;
  switch (OpcodeMap[CodeBuffer[At]]) {
    case kMnMov: {
      if (!fits(3)) break;
      I.A = u16();
      I.Type = CodeBuffer[pc++];
      TQzVariant c;
      if (!variable(I.A) || !constant(I.Type, c)) break;
      I.Imm = c.IntValue;
      if (I.Type == 1) op = kFMovInt;
      else {
        I.Imm = static_cast<int32_t>(FastConstants.size());
        FastConstants.push_back(std::move(c));
        op = kFMov;
      }
      break;
    }
    case kMnCall:
      if (!fits(2)) break;
      I.A = u16();
      if (I.A >= 1 && I.A <= ProcLinkCount) op = kFCall;
      break;
    case kMnSet:
      if (!fits(2)) break;
      I.Type = CodeBuffer[pc + 1];
      pc += 2;
      if (!names(CodeBuffer[pc - 2], false)) break;
      op = kFSet;
      if (I.A != 1) break;
      I.B = FastNames.back();
      op = kFSetOne;
      // POPV of its one name after it.
      if (fits(3) && OpcodeMap[CodeBuffer[pc]] == kMnPopV && (CodeBuffer[pc + 1] | (CodeBuffer[pc + 2] << 8)) == I.B) {
        I.Exit = pc + 3;
        op = kFSetPopV;
      }
      break;
    case kMnUnset:
      if (!fits(1)) break;
      ++pc;
      if (!names(CodeBuffer[pc - 1], true)) break;
      op = kFUnset;
      if (fits(11) && OpcodeMap[CodeBuffer[pc]] == kMnRet) {
        I.Exit = pc + 11;
        op = kFUnsetRet;
      }
      break;
    case kMnJump:
      if (!fits(4)) break;
      I.Target = static_cast<int32_t>(u32());
      if (target(uint32_t(I.Target))) op = kFJump;
      break;
    case kMnRet:
      if (!fits(10)) break;
      pc += 10;
      op = kFRet;
      break;
    case kMnProc: {
      if (!fits(8)) break;
      const uint32_t end = u32();
      I.A = u16();
      const uint16_t params = u16();
      if (I.A < 1 || I.A > ProcLinkCount || !fits(int32_t(params) * 8) || !target(end)) break;
      pc += int32_t(params) * 8;
      I.Target = static_cast<int32_t>(end);
      op = kFProc;
      break;
    }
    case kMnPush:
      op = kFPush;
      if (fits(3) && OpcodeMap[CodeBuffer[pc]] == kMnPopV) {
        I.A = static_cast<uint16_t>(CodeBuffer[pc + 1] | (CodeBuffer[pc + 2] << 8));
        if (variable(I.A)) {
          I.Exit = pc + 3;
          op = kFPushPopV;
        }
      }
      break;
    case kMnPop:
      op = kFPop;
      if (fits(1) && OpcodeMap[CodeBuffer[pc]] == kMnBuffc) {
        I.Exit = pc + 1;
        op = kFPopBuffc;
      }
      break;
    case kMnCalc: {
      TDecodedCalc c;
      if (!DecodeCalc(pc, c)) break;
      pc = c.End;
      I.Calc = &DecodedCalcs.emplace_back(std::move(c));
      op = kFCalc;
      // The instructions after it, read without taking them: a BUFFC after a MOVR into a
      // variable, after a PUSH, or alone.
      const auto is = [](int32_t at, uint8_t m) { return at < CodeSize && OpcodeMap[CodeBuffer[at]] == m; };
      if (is(pc, kMnBuffc) && is(pc + 1, kMnPush)) {
        op = kFCalcBuffcPush;
        I.Exit = pc + 2;
      } else if (is(pc, kMnBuffc)) {
        op = kFCalcBuffc;
        I.Exit = pc + 1;
      } else if (is(pc, kMnPush) && is(pc + 1, kMnBuffc)) {
        op = kFCalcPushBuffc;
        I.Exit = pc + 2;
      } else if (is(pc, kMnMovr) && fits(4) && CodeBuffer[pc + 1] == 0) {
        I.A = static_cast<uint16_t>(CodeBuffer[pc + 2] | (CodeBuffer[pc + 3] << 8));
        if (variable(I.A)) {
          const bool buffc = is(pc + 4, kMnBuffc);
          op = buffc ? kFCalcStoreBuffc : kFCalcStore;
          I.Exit = pc + (buffc ? 5 : 4);
        }
      }
      break;
    }
    case kMnBuffc: op = kFBuffc; break;
    case kMnMovr:
      if (!fits(3)) break;
      I.Type = CodeBuffer[pc++];
      I.A = u16();
      if (variable(I.A)) op = I.Type != 0 ? kFLoad : kFStore;
      break;
    case kMnMovd:
      if (!fits(4)) break;
      I.A = u16();
      I.B = u16();
      if (variable(I.A) && variable(I.B)) op = kFMovd;
      break;
    case kMnCallExt:
      if (!fits(2)) break;
      I.A = u16();
      if (I.A < 1 || I.A > ProcLinkCount || HostRoutineTable[I.A - 1] == nullptr) break;
      I.Routine = HostRoutineTable[I.A - 1];
      op = kFCallExt;
      break;
    case kMnIf:
    case kMnIfnt: {
      // Where skipping the next instruction lands; an instruction that may not follow, or a
      // BLOCK that cannot be read, leaves the IF to the byte code.
      if (!fits(1)) break;
      const uint8_t next = OpcodeMap[CodeBuffer[pc]];
      if (next == kMnCall || next == kMnCallExt) I.Target = pc + 3;
      else if (next == kMnJump) I.Target = pc + 5;
      else if (next == kMnBlock && CodeSize - (pc + 1) >= 4 && target(LoadU32(CodeBuffer + pc + 1)))
        I.Target = static_cast<int32_t>(LoadU32(CodeBuffer + pc + 1));
      else break;
      op = OpcodeMap[CodeBuffer[At]] == kMnIf ? kFIf : kFIfnt;
      break;
    }
    case kMnPushV:
    case kMnPopV:
    case kMnPushPointer: {
      if (!fits(2)) break;
      const uint8_t m = OpcodeMap[CodeBuffer[At]];
      I.A = u16();
      if (!variable(I.A)) break;
      op = m == kMnPushV ? kFPushV : m == kMnPopV ? kFPopV : kFPushPointer;
      if (op == kFPushV && fits(1) && OpcodeMap[CodeBuffer[pc]] == kMnPop) {
        I.Exit = pc + 1;
        op = kFPushVPop;
      }
      break;
    }
    case kMnPushVA: {
      if (!fits(1)) break;
      const uint8_t type = CodeBuffer[pc++];
      TQzVariant c;
      if (!constant(type, c)) break;
      if (type == 4) c.SetRecord(0);
      I.Imm = static_cast<int32_t>(FastConstants.size());
      FastConstants.push_back(std::move(c));
      op = kFPushVA;
      break;
    }
    case kMnBlock:
      if (!fits(4)) break;
      pc += 4;
      op = kFNop;
      break;
    case kMnInc:
    case kMnDec:
      if (!fits(6)) break;
      I.A = u16();
      I.Imm = static_cast<int32_t>(u32());
      I.Type = OpcodeMap[CodeBuffer[At]] == kMnInc ? 1 : 0;
      if (!variable(I.A)) break;
      op = I.Type != 0 ? kFInc : kFDec;
      // SME B C; IF; JUMP after it, read without taking them.
      if (fits(11) && OpcodeMap[CodeBuffer[pc]] == kMnSme && OpcodeMap[CodeBuffer[pc + 5]] == kMnIf &&
          OpcodeMap[CodeBuffer[pc + 6]] == kMnJump) {
        I.B = static_cast<uint16_t>(CodeBuffer[pc + 1] | (CodeBuffer[pc + 2] << 8));
        I.C = static_cast<uint16_t>(CodeBuffer[pc + 3] | (CodeBuffer[pc + 4] << 8));
        I.Target = static_cast<int32_t>(LoadU32(CodeBuffer + pc + 7));
        if (variable(I.B) && variable(I.C) && target(uint32_t(I.Target))) {
          op = kFCountLoop;
          I.Exit = pc + 11;
        }
      }
      break;
    case kMnSme:
      if (!fits(4)) break;
      I.A = u16();
      I.B = u16();
      if (variable(I.A) && variable(I.B)) op = kFSme;
      break;
    case kMnQuit: op = kFQuit; break;
    default: op = kFNop; break;  // XXX, DEFINE, LABEL, the unnamed byte, ENDBLOCK, NONE
  }
  I.Op = op;
  I.Next = pc;
}

// The instruction at code offset At; past the code, an end of the run there.
[[gnu::noinline]] TFastIns* DecodeFastAt(int32_t At) {
  TFastIns** cell = size_t(At) < FastAt.size() ? &FastAt[size_t(At)] : nullptr;
  if (cell != nullptr && *cell != nullptr) return *cell;
  TFastIns& I = FastCode.emplace_back();
  if (At >= CodeSize) {
    I.Op = kFEnd;
    I.Offset = I.Next = At;
  } else {
    DecodeFast(At, I);
  }
  I.Handler = FastHandlers[I.Op];
  if (cell != nullptr) *cell = &I;
  return &I;
}

inline TFastIns* FastInstruction(int32_t At) {
  if (size_t(At) < FastAt.size() && FastAt[size_t(At)] != nullptr) [[likely]] return FastAt[size_t(At)];
  return DecodeFastAt(At);
}

// The first instruction from At on that is not kFNop, and the kFNop passed on the way.
[[gnu::noinline]] TFastIns* Landing(int32_t At, uint32_t& Cost) {
  TFastIns* t = FastInstruction(At);
  Cost = 1;
  while (t->Op == kFNop) {  // each lies before the next, and the code ends
    ++Cost;
    t = FastInstruction(t->Next);
  }
  return t;
}

// The slot a decoded name is bound to; a name bound to nothing is reported at After, the code
// offset after the name.
[[noreturn, gnu::noinline, gnu::cold]] void FaultNotSetAt(uint16_t N, int32_t After) {
  ProgramCounter = After;
  FaultVariableNotSet(N);
}

inline TSVariable& BoundSlot(uint16_t N, int32_t After) {
  auto* v = static_cast<TSVariable*>(VarLinks[N].Current);
  if (v == nullptr) [[unlikely]] FaultNotSetAt(N, After);
  return *v;
}

// The MOVR into variable A after the CALC of a run: false when it reported an error.
[[gnu::always_inline]] inline bool StoreAfterCalc(const TFastIns& I) {
  const int32_t after = I.Calc->End + 4;
  TSVariable& v = BoundSlot(I.A, after);
  ProgramCounter = after;
  StoreIntoSlot(Accumulator, v);
  return !ScriptErrorFlag;
}

// The CALC of a run and the MOVR into variable A after it: false when the MOVR reported an error.
// (The store is written twice so that after a plain CALC it takes the result as computed.)
template <bool Keep>
[[gnu::always_inline]] inline bool CalcThenStore(const TFastIns& I) {
  if (RunPlainCalc<Keep>(*I.Calc)) return StoreAfterCalc(I);
  RunCalcGenerally(*I.Calc);
  return StoreAfterCalc(I);
}

// The names of a decoded UNSET freed; false, with ProgramCounter after it, on an error.
[[gnu::always_inline]] inline bool UnsetNames(const TFastIns& I) {
  const uint16_t* names = FastNames.data() + I.Imm;
  for (int32_t k = 0; k < I.A; ++k) {
    if (names[k] == 0) continue;
    ProgramCounter = I.Offset + 4 + 2 * k;
    UnsetVariable(names[k]);
  }
  if (ScriptErrorFlag) {
    ProgramCounter = I.Next;
    return false;
  }
  return true;
}

// POPV into the slot; false on an error.
[[gnu::always_inline]] inline bool PopIntoSlot(TSVariable& V) {
  if (StackDepth <= 0) {
    ScriptError("I-009 : ERROR : Tryed to pop of empty stack");
    return false;
  }
  StoreIntoSlot(ValueStack[StackDepth], V);
  --StackDepth;
  return !ScriptErrorFlag;
}

[[noreturn, gnu::noinline, gnu::cold]] void FaultStepLimit(int32_t At) {
  ProgramCounter = At;
  Fault("I-022 : ERROR : Step limit reached");
}

// Runs the decoded code from ProgramCounter until the code ends, QUIT, or an error. Every
// instruction first sets ProgramCounter after itself, where the byte code reports its errors.
void Execute() {
  if (ScriptErrorFlag || !DecodedRuns) [[unlikely]] {
    // Every instruction read from the code as it runs: the reference the decoded runs are checked
    // against, and a run begun while an earlier error is still flagged, which ends after its
    // first instruction.
    for (uint64_t steps = 1;; ++steps) {
      if (steps > StepLimit) Fault("I-022 : ERROR : Step limit reached");
      StepBytes();
      if (ProgramCounter >= CodeSize || QuitFlag || ScriptErrorFlag) return;
    }
  }
  // In TFastOp order.
  static const void* const kHandlers[] = {
      &&Bytes, &&End,   &&Nop,   &&Mov,  &&MovInt, &&Call,    &&Set, &&Jump, &&Ret,  &&Proc,
      &&Push,  &&Pop,   &&Calc,  &&Buffc, &&Unset, &&Load,    &&Store, &&Movd, &&CallExt, &&If,
      &&Ifnt,  &&PushV, &&PopV,  &&PushVA, &&Inc,  &&Dec,     &&Sme, &&PushPointer, &&Quit,
      &&CalcBuffc, &&CalcStore, &&CalcStoreBuffc, &&CalcPushBuffc, &&CalcBuffcPush, &&CountLoop,
      &&SetPopV, &&UnsetRet, &&PushPopV, &&PushVPop, &&PopBuffc, &&SetOne};
  static_assert(sizeof(kHandlers) / sizeof(kHandlers[0]) == kFSetOne + 1);
  FastHandlers = kHandlers;
  // Instructions the run may still take.
  int64_t budget = static_cast<int64_t>(std::min<uint64_t>(StepLimit, INT64_MAX));
  TFastIns* ip = FastInstruction(ProgramCounter);
  int32_t after = 0;  // RET: the code offset after it
  // Every handler ends in its own copy of the dispatch, so that each predicts its successor.
  // ProgramCounter is set where it is read: by the handlers that may report an error or call the
  // host, and at the end of the run.
#define FAST_DISPATCH()                              \
  do {                                               \
    if (--budget < 0) [[unlikely]] goto OutOfSteps;  \
    goto* ip->Handler;                               \
  } while (0)
  // On to the instruction at Offset, passing the ones that do nothing at once while the budget
  // holds them and the instruction after them.
#define FAST_GO(Offset, Cache, Cost)                                   \
  do {                                                                 \
    TFastIns* to = ip->Cache;                                          \
    if (to == nullptr) [[unlikely]] to = ip->Cache = Landing(Offset, ip->Cost); \
    budget -= ip->Cost;                                                \
    if (budget < 0) [[unlikely]] {                                     \
      budget += ip->Cost;                                              \
      ip = FastInstruction(Offset);                                    \
      FAST_DISPATCH();                                                 \
    }                                                                  \
    ip = to;                                                           \
    goto* ip->Handler;                                                 \
  } while (0)
#define FAST_NEXT() FAST_GO(ip->Next, NextIns, NextCost)

  FAST_DISPATCH();

OutOfSteps:
  if (ip->Op == kFEnd) goto End;
  FaultStepLimit(ip->Offset);
End:
  ProgramCounter = ip->Offset;
  return;
Nop:
  FAST_NEXT();
Bytes:
  ProgramCounter = ip->Offset;
  StepBytes();
  if (QuitFlag || ScriptErrorFlag) return;
  ip = FastInstruction(ProgramCounter);
  FAST_DISPATCH();
MovInt: {
  TSVariable& s = BoundSlot(ip->A, ip->Offset + 3);
  if (IsPlainSlot(s) && s.Own.Kind == kVarInteger) {
    s.Own.IntValue = ip->Imm;
    FAST_NEXT();
  }
  ProgramCounter = ip->Next;
  MoveIntegerConstant(*s.Value, ip->Imm);
  if (ScriptErrorFlag) return;
  FAST_NEXT();
}
Mov:
  ProgramCounter = ip->Next;
  MoveConstant(*BoundSlot(ip->A, ip->Offset + 3).Value, ip->Type, FastConstants[size_t(ip->Imm)]);
  if (ScriptErrorFlag) return;
  FAST_NEXT();
Call: {
  auto* p = static_cast<TSProcedure*>(ProcLinks[ip->A].Current);
  if (p == nullptr || OpenCalls >= kScriptMaxCallDepth) [[unlikely]] {
    ProgramCounter = ip->Offset;
    StepBytes();  // reports it
    return;
  }
  ReturnOffsets[OpenCalls++] = ip->Next;
  ip = FastInstruction(p->Entry);
  FAST_DISPATCH();
}
Set: {
  const uint16_t* names = FastNames.data() + ip->Imm;
  for (int32_t k = 0; k < ip->A; ++k) {
    ProgramCounter = ip->Offset + 5 + 2 * k;
    DeclareVariable(names[k], ip->Type);
  }
  FAST_NEXT();
}
SetOne:
  ProgramCounter = ip->Offset + 5;
  DeclareVariable(ip->B, ip->Type);
  FAST_NEXT();
Unset: {
  if (!UnsetNames(*ip)) return;
  FAST_NEXT();
}
Jump:
  FAST_GO(ip->Target, TargetIns, TargetCost);
Ret:
  after = ip->Next;
Return: {
  // Nothing of the returning call left to release: on after the CALL at once.
  const auto depth = OpenCalls;
  if (depth > 0 && (AllocatedCount == 0 || VariableSlots[AllocatedSlots[AllocatedCount - 1]].CallDepth < depth) &&
      (ProcedureCount == 0 || Procedures[ProcedureCount - 1].CallDepth < depth)) [[likely]] {
    ip = FastInstruction(ReturnOffsets[--OpenCalls]);
    FAST_DISPATCH();
  }
}
  ProgramCounter = after;
  ReturnToCaller();
  ip = FastInstruction(ProgramCounter);
  FAST_DISPATCH();
Proc: {
  ProgramCounter = ip->Next;
  if (ProcedureCount >= kScriptPoolSize) Fault("I-020 : ERROR : Capacity exceeded (procedures)");
  TSProcedure& p = Procedures[ProcedureCount++];
  p.NameIndex = ip->A;
  p.Entry = ip->Next;
  p.CallDepth = OpenCalls;
  Bind(ProcLinks[ip->A], &p);
  ProcedureLinksBound = true;
  FAST_GO(ip->Target, TargetIns, TargetCost);
}
Push:
  ProgramCounter = ip->Next;
  PushPlain(Accumulator);
  if (ScriptErrorFlag) return;
  FAST_NEXT();
Pop:
  ProgramCounter = ip->Next;
  PopToAccumulator();
  if (ScriptErrorFlag) return;
  FAST_NEXT();
Calc: {
  const TDecodedCalc& c = *ip->Calc;
  if (!RunPlainCalc<true>(c)) RunCalcGenerally(c);
  FAST_NEXT();
}
// The runs that start with a CALC: the budget must hold the instructions after it, else the CALC
// runs alone. Where a BUFFC follows, the CALC keeps no temporary.
CalcBuffc:
  if (budget < 1) goto Calc;
  if (!RunPlainCalc<false>(*ip->Calc)) RunCalcGenerally(*ip->Calc);
  TempCount = 0;
  budget -= 1;
  FAST_GO(ip->Exit, ExitIns, ExitCost);
CalcStore:
  if (budget < 1) goto Calc;
  if (!CalcThenStore<true>(*ip)) return;
  budget -= 1;
  FAST_GO(ip->Exit, ExitIns, ExitCost);
CalcStoreBuffc:
  if (budget < 2) goto Calc;
  if (!CalcThenStore<false>(*ip)) return;
  TempCount = 0;
  budget -= 2;
  FAST_GO(ip->Exit, ExitIns, ExitCost);
CalcBuffcPush:
  if (budget < 2) goto Calc;
  if (!RunPlainCalc<false>(*ip->Calc)) RunCalcGenerally(*ip->Calc);
  TempCount = 0;
  ProgramCounter = ip->Exit;
  PushPlain(Accumulator);
  if (ScriptErrorFlag) return;
  budget -= 2;
  FAST_GO(ip->Exit, ExitIns, ExitCost);
CalcPushBuffc:
  if (budget < 2) goto Calc;
  if (!RunPlainCalc<false>(*ip->Calc)) RunCalcGenerally(*ip->Calc);
  ProgramCounter = ip->Calc->End + 1;
  PushPlain(Accumulator);
  if (ScriptErrorFlag) return;
  TempCount = 0;
  budget -= 2;
  FAST_GO(ip->Exit, ExitIns, ExitCost);
Buffc:
  TempCount = 0;
  FAST_NEXT();
Load:
  CopySlotToPlain(BoundSlot(ip->A, ip->Offset + 4), Accumulator);
  FAST_NEXT();
Store:
  ProgramCounter = ip->Next;
  StoreIntoSlot(Accumulator, BoundSlot(ip->A, ip->Offset + 4));
  if (ScriptErrorFlag) return;
  FAST_NEXT();
Movd: {
  TSVariable& src = BoundSlot(ip->A, ip->Offset + 3);
  TSVariable& dst = BoundSlot(ip->B, ip->Offset + 5);
  if (IsPlainSlot(src) && IsPlainSlot(dst) && (src.Own.Kind == kVarInteger || src.Own.Kind == kVarFloat)) {
    // A number between the slots' own values, as their setters copy it.
    if (src.Own.Kind == kVarInteger) dst.Own.IntValue = src.Own.IntValue;
    else dst.Own.FloatValue = src.Own.FloatValue;
    dst.Own.Kind = src.Own.Kind;
    FAST_NEXT();
  }
  AssignVariant(*src.Value, *dst.Value);
  FAST_NEXT();
}
CallExt:
  ProgramCounter = ip->Offset + 1;
  ip->Routine();
  ProgramCounter = ip->Next;
  if (QuitFlag || ScriptErrorFlag) return;
  FAST_NEXT();
If:
  if (PlainInteger(Accumulator) == 0) {
    FAST_GO(ip->Target, TargetIns, TargetCost);
  }
  FAST_NEXT();
Ifnt:
  if (PlainInteger(Accumulator) == 1) {
    FAST_GO(ip->Target, TargetIns, TargetCost);
  }
  FAST_NEXT();
PushV: {
  const TSVariable& v = BoundSlot(ip->A, ip->Offset + 3);
  ProgramCounter = ip->Next;
  if (TQzVariant* d = PushSlot()) CopySlotToPlain(v, *d);
  if (ScriptErrorFlag) return;
  FAST_NEXT();
}
PopV: {
  TSVariable& v = BoundSlot(ip->A, ip->Offset + 3);
  ProgramCounter = ip->Next;
  if (!PopIntoSlot(v)) return;
  FAST_NEXT();
}
PushVA:
  ProgramCounter = ip->Next;
  if (TQzVariant* d = PushSlot()) CopyPlainToPlain(FastConstants[size_t(ip->Imm)], *d);
  if (ScriptErrorFlag) return;
  FAST_NEXT();
Inc:
Dec: {
  TSVariable& v = BoundSlot(ip->A, ip->Offset + 3);
  const uint32_t amount = static_cast<uint32_t>(ip->Imm);
  const bool inc = ip->Type != 0;
  if (IsPlainSlot(v) && v.Own.Kind == kVarInteger) {
    const uint32_t x = static_cast<uint32_t>(v.Own.IntValue);
    v.Own.IntValue = static_cast<int32_t>(inc ? x + amount : x - amount);
    FAST_NEXT();
  }
  const uint32_t x = static_cast<uint32_t>(SlotInteger(v));
  const int32_t r = static_cast<int32_t>(inc ? x + amount : x - amount);
  if (IsPlainSlot(v)) PlainSetInteger(v.Own, r);
  else v.Value->SetInteger(r);
  FAST_NEXT();
}
Sme: {
  const TSVariable& a = BoundSlot(ip->A, ip->Offset + 3);
  const TSVariable& b = BoundSlot(ip->B, ip->Offset + 5);
  const int32_t x = SlotInteger(a);
  PlainSetInteger(Accumulator, x <= SlotInteger(b) ? 1 : 0);
  FAST_NEXT();
}
PushPointer: {
  const TSVariable& v = BoundSlot(ip->A, ip->Offset + 3);
  ProgramCounter = ip->Next;
  PushPointer(v);
  if (ScriptErrorFlag) return;
  FAST_NEXT();
}
CountLoop: {
  // The SME, the IF and, while the SME holds, the JUMP after the INC or DEC.
  if (budget < 3) goto Inc;
  TSVariable& v = BoundSlot(ip->A, ip->Offset + 3);
  if (!IsPlainSlot(v) || v.Own.Kind != kVarInteger) goto Inc;
  const uint32_t amount = static_cast<uint32_t>(ip->Imm), x = static_cast<uint32_t>(v.Own.IntValue);
  v.Own.IntValue = static_cast<int32_t>(ip->Type != 0 ? x + amount : x - amount);
  const TSVariable& a = BoundSlot(ip->B, ip->Offset + 10);
  const TSVariable& b = BoundSlot(ip->C, ip->Offset + 12);
  const int32_t left = SlotInteger(a);
  const bool holds = left <= SlotInteger(b);
  PlainSetInteger(Accumulator, holds ? 1 : 0);
  if (!holds) {
    budget -= 2;
    FAST_GO(ip->Exit, ExitIns, ExitCost);
  }
  budget -= 3;
  FAST_GO(ip->Target, TargetIns, TargetCost);
}
// The pairs of instructions taken in one step, each else its first instruction alone.
SetPopV: {
  if (budget < 1) goto Set;
  ProgramCounter = ip->Offset + 5;
  DeclareVariable(ip->B, ip->Type);
  TSVariable& v = *static_cast<TSVariable*>(VarLinks[ip->B].Current);
  ProgramCounter = ip->Exit;
  if (!PopIntoSlot(v)) return;
  budget -= 1;
  FAST_GO(ip->Exit, ExitIns, ExitCost);
}
UnsetRet: {
  if (budget < 1) goto Unset;
  if (!UnsetNames(*ip)) return;
  budget -= 1;
  after = ip->Exit;
  goto Return;
}
PushPopV: {
  // The value pushed is the one popped: the accumulator goes to the variable, the stack stays.
  auto* v = static_cast<TSVariable*>(VarLinks[ip->A].Current);
  if (budget < 1 || v == nullptr || StackDepth >= kScriptStackLimit) goto Push;
  ProgramCounter = ip->Exit;
  StoreIntoSlot(Accumulator, *v);
  if (ScriptErrorFlag) return;
  budget -= 1;
  FAST_GO(ip->Exit, ExitIns, ExitCost);
}
PushVPop: {
  if (budget < 1 || StackDepth >= kScriptStackLimit) goto PushV;
  TQzVariant& d = ValueStack[StackDepth + 1];
  CopySlotToPlain(BoundSlot(ip->A, ip->Offset + 3), d);
  if (ScriptErrorFlag) {
    ++StackDepth;
    ProgramCounter = ip->Next;
    return;
  }
  CopyPlainToPlain(d, Accumulator);
  budget -= 1;
  FAST_GO(ip->Exit, ExitIns, ExitCost);
}
PopBuffc:
  if (budget < 1) goto Pop;
  ProgramCounter = ip->Next;
  if (!PopToAccumulator()) return;
  TempCount = 0;
  budget -= 1;
  FAST_GO(ip->Exit, ExitIns, ExitCost);
Quit:
  ProgramCounter = ip->Next;
  QuitFlag = true;
  return;
#undef FAST_GO
#undef FAST_NEXT
#undef FAST_DISPATCH
}

// Why the image cannot run, or "" when it can: its size, its trailer and its names must lie
// within the bytes given and within the pools.
std::string CheckImage(const uint8_t* Image, size_t Length) {
  if (Image == nullptr || Length < 4) return "shorter than its size word";
  const uint32_t size = LoadU32(Image);
  if (size < uint32_t(kScriptMinImageSize)) return "size " + Num(size) + " below " + Num(kScriptMinImageSize);
  if (size > uint32_t(kScriptCodeBufferSize)) return "size " + Num(size) + " above " + Num(kScriptCodeBufferSize);
  if (size > Length) return "size " + Num(size) + " beyond the " + Num(int64_t(Length)) + " bytes given";
  const uint32_t t = LoadU32(Image + size - 4);
  if (t < 4 || uint64_t(t) + 5 > size - 4) return "trailer offset " + Num(t) + " outside";
  if (Image[t] != 99) return "no QUIT at the trailer offset " + Num(t);
  const uint32_t nv = Image[t + 1] | (Image[t + 2] << 8);
  const uint32_t np = Image[t + 3] | (Image[t + 4] << 8);
  if (nv > uint32_t(kScriptPoolSize) || np > uint32_t(kScriptPoolSize)) return "too many names";
  uint32_t at = t + 5;
  for (uint32_t i = 0; i < nv + np; ++i) {
    if (at >= size - 4 || at + 1 + Image[at] > size - 4) return "names beyond the trailer";
    at += 1 + Image[at];
  }
  return std::string();
}

// Every name of the image becomes a link; host variables take their slots, in registration
// order, and each binds to the first link of its name; host routines go into the routine table.
void LinkNames() {
  LinkCache.Valid = false;
  CalcAt.assign(size_t(CodeSize) + 1, -1);
  DecodedCalcs.clear();
  ResetFastCode();
  LinkCache.HostBindings.clear();
  IndexRegistry();
  const uint32_t t = LoadU32(CodeBuffer + CodeSize - 4);
  VarLinkCount = CodeBuffer[t + 1] | (CodeBuffer[t + 2] << 8);
  ProcLinkCount = CodeBuffer[t + 3] | (CodeBuffer[t + 4] << 8);
  uint32_t at = t + 5;
  const auto nextName = [&at](TSNLink& link) {
    const uint8_t n = CodeBuffer[at];
    link.Name.assign(reinterpret_cast<const char*>(CodeBuffer + at + 1), std::min<uint8_t>(n, 25));
    link.Current = nullptr;
    link.Bindings.SetCount(0);
    at += 1u + n;
  };
  for (int32_t i = 1; i <= VarLinkCount; ++i) nextName(VarLinks[i]);
  for (int32_t i = 1; i <= ProcLinkCount; ++i) {
    nextName(ProcLinks[i]);
    const auto found = Registry.Routines.find(ProcLinks[i].Name);
    HostRoutineTable[i - 1] = found != Registry.Routines.end() ? found->second : nullptr;
  }
  const int32_t hosts = static_cast<int32_t>(Registry.HostVariables.size());
  for (int32_t k = 0; k < hosts; ++k) {
    int32_t number = 0;
    TSVariable& s = AllocateSlot(number);
    s.Value = Registry.HostVariables[size_t(k)];
    s.NameIndex = 0;
    Registry.HostSlots[size_t(k)] = number;
    Registry.Bound[size_t(k)] = 0;
  }
  for (int32_t i = 1; i <= VarLinkCount && hosts > 0; ++i) {
    const auto found = Registry.Variables.find(VarLinks[i].Name);
    if (found == Registry.Variables.end()) continue;
    for (const int32_t k : found->second) {
      if (Registry.Bound[size_t(k)] != 0) continue;
      Registry.Bound[size_t(k)] = 1;
      TSVariable& s = VariableSlots[Registry.HostSlots[size_t(k)]];
      s.NameIndex = i;
      Bind(VarLinks[i], &s);
      LinkCache.HostBindings.emplace_back(k, i);
    }
  }
  LinkCache.Version = ScriptRegistryVersion;
  LinkCache.Size = CodeSize;
  LinkCache.Valid = true;
}

// LinkNames for the image linked last: the links start empty and the host variables take their
// slots and bind as then.
void Relink() {
  // Most links were never bound by the last run: only the bound ones need emptying.
  for (int32_t i = 1; i <= VarLinkCount; ++i) {
    VarLinks[i].Current = nullptr;
    VarLinks[i].Bindings.Count = 0;
  }
  // Procedure names are bound only by PROC.
  if (ProcedureLinksBound) {
    for (int32_t i = 1; i <= ProcLinkCount; ++i) {
      ProcLinks[i].Current = nullptr;
      ProcLinks[i].Bindings.Count = 0;
    }
    ProcedureLinksBound = false;
  }
  // Every slot is free when a run starts: host variable k takes slot k, as AllocateSlot gives.
  const int32_t hosts = static_cast<int32_t>(Registry.HostVariables.size());
  if (hosts > kScriptPoolSize) FaultVariablesFull();
  for (int32_t k = 0; k < hosts; ++k) {
    TSVariable& s = VariableSlots[k];
    s.InUse = true;
    s.CallDepth = 0;
    s.Generation = ++AllocationCounter;
    s.Value = Registry.HostVariables[size_t(k)];
    s.NameIndex = 0;
    AllocatedSlots[k] = k;
    Registry.HostSlots[size_t(k)] = k;
  }
  AllocatedCount = hosts;
  FreeSlotHint = hosts;
  for (const auto& [k, i] : LinkCache.HostBindings) {
    TSVariable& s = VariableSlots[Registry.HostSlots[size_t(k)]];
    s.NameIndex = i;
    Bind(VarLinks[i], &s);
  }
}

void EndOfRun() {
  TempCount = 0;
  ProcedureCount = 0;
  for (int32_t k = 0; k < AllocatedCount; ++k) {
    TSVariable& s = VariableSlots[AllocatedSlots[k]];
    s.Value = &s.Own;
    s.InUse = false;
  }
  AllocatedCount = 0;
  FreeSlotHint = 0;
  OpenCalls = 0;
  StackDepth = 0;
  ScriptRunning = false;
}

}  // namespace

std::string CheckScriptImage(const uint8_t* Image, size_t Length) { return CheckImage(Image, Length); }

void InitInterpreter() {
  LinkCache.Valid = false;
  for (TSVariable& s : VariableSlots) {
    s.NameIndex = 0;
    s.Own = TQzVariant();
    s.Value = &s.Own;
    s.InUse = false;
    s.CallDepth = 0;
  }
  for (int32_t i = 0; i <= kScriptPoolSize; ++i) {
    ValueStack[i] = TQzVariant();
    Temporaries[i] = TQzVariant();
    VarLinks[i].Name.clear();
    VarLinks[i].Current = nullptr;
    VarLinks[i].Bindings.Clear();
    ProcLinks[i].Name.clear();
    ProcLinks[i].Current = nullptr;
    ProcLinks[i].Bindings.Clear();
  }
  for (TScriptRoutine& r : HostRoutineTable) r = nullptr;
  VarLinkCount = ProcLinkCount = 0;
  ProcedureCount = 0;
  AllocatedCount = 0;
  FreeSlotHint = 0;
  OpenCalls = 0;
  Accumulator = TQzVariant();
  StackDepth = 0;
  TempCount = 0;
  CodeSize = 0;
  ProgramCounter = 0;
  ScriptRunning = false;
  QuitFlag = false;
}

void FreeInterpreter() {
  LinkCache.Valid = false;
  for (int32_t i = 0; i <= kScriptPoolSize; ++i) {
    VarLinks[i].Bindings.Clear();
    ProcLinks[i].Bindings.Clear();
  }
  OpenCalls = 0;
  ScriptRunning = false;
}

void RunScript(const uint8_t* Image, size_t Length, bool /*Flag*/, std::string& Result) {
  if (ScriptRunning) {
    Result = "running already";
    return;
  }
  ScriptRunning = true;
  AllocatedCount = 0;
  if (Image != nullptr && Length >= 4 && LoadU32(Image) == 0) {
    ScriptRunning = false;
    Result = "NO DATA";
    return;
  }
  const bool linked = LinkedAlready(Image, Length);
  const std::string refused = linked ? std::string() : CheckImage(Image, Length);
  if (!refused.empty()) {
    ScriptRunning = false;
    ProgramCounter = 0;
    ScriptError("I-012 : ERROR : Invalid script image (" + refused + ")");
    Result = "0";
    return;
  }
  CodeSize = static_cast<int32_t>(LoadU32(Image));
  StackDepth = std::clamp(ScriptStackBase, 0, kScriptPoolSize);
  TempCount = 0;
  ProcedureCount = 0;
  OpenCalls = 0;
  FreeSlotHint = 0;
  if (!linked) std::memcpy(CodeBuffer, Image, size_t(CodeSize));
  ProgramCounter = 4;
  QuitFlag = false;
  bool calcError = false;
  try {
    if (linked) Relink();
    else LinkNames();
    ProgramCounter = 4;
    Execute();
  } catch (const RunFault&) {
  } catch (const CalcAbort&) {
    calcError = true;
  } catch (...) {
    EndOfRun();  // a fatal stop inside a host routine: the interpreter stays usable
    throw;
  }
  EndOfRun();
  Result = calcError ? std::string("0") : Accumulator.GetString();
}

std::string RunScript(const std::vector<uint8_t>& Image) {
  std::string result;
  RunScript(Image.data(), Image.size(), true, result);
  return result;
}

const TQzVariant& ValueStackEntry(int32_t N) { return ValueStack[std::clamp(N, 0, kScriptPoolSize)]; }

int32_t PopInt() { return PopToAccumulator() ? PlainInteger(Accumulator) : 0; }
float PopFloat() {
  if (!PopToAccumulator()) return 0.0f;
  if (Accumulator.Kind == kVarFloat) return Accumulator.FloatValue;
  return Accumulator.TQzVariant::GetFloat();
}
std::string PopString() { return PopToAccumulator() ? Accumulator.GetString() : std::string(); }

void PushInt(int32_t N) {
  if (TQzVariant* s = PushSlot()) s->SetInteger(N);
}
void PushFloat(float X) {
  if (TQzVariant* s = PushSlot()) s->SetFloat(X);
}
void PushString(const std::string& S) {
  if (TQzVariant* s = PushSlot()) s->SetString(S);
}

TQzVariant* ScriptPointerTarget(int32_t Handle) {
  TSVariable* s = PointerSlot(Handle);
  return s != nullptr ? s->Value : nullptr;
}

bool ScriptPointerGetFloat(int32_t Handle, float& X) {
  TQzVariant* v = ScriptPointerTarget(Handle);
  if (v == nullptr) return false;
  X = v->GetFloat();
  return true;
}

bool ScriptPointerSetFloat(int32_t Handle, float X) {
  TSVariable* s = PointerSlot(Handle);
  if (s == nullptr) return false;
  if (s->Value != &s->Own) {
    s->Value->SetFloat(X);  // a host variable converts into its registered type
    return true;
  }
  switch (s->Own.Kind) {
    case kVarInteger: s->Own.SetInteger(RoundToInt(X)); break;
    case kVarString: s->Own.SetString(FloatToStrDigits(3, X)); break;
    case kVarRecord: s->Own.SetRecord(RoundToInt(X)); break;
    default: s->Own.SetFloat(X); break;
  }
  return true;
}

namespace interpreter_test {
void SetStepLimit(uint64_t Steps) { StepLimit = Steps; }
void SetDecodedRuns(bool On) { DecodedRuns = On; }
void ResetPointerGenerations() { AllocationCounter = 0; }
}  // namespace interpreter_test
