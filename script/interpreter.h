// The script interpreter: RunScript checks a script image, copies it into its own code buffer,
// links the image's names to the registered host variables and routines, and executes the byte
// code: a stack machine with one accumulator, a value stack, scoped name bindings and the CALC
// expression instruction. Runs do not nest.
//
// Everything a run needs is created once by InitInterpreter and reused by every run. The image
// run last keeps its linking and its decoded instructions (operands resolved, CALC steps read,
// jump targets found) for its next run while the registry stays as it was; the decoded form runs
// every instruction with the same result, errors and error positions as reading it from the code.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "engine/base/pointerlist.h"
#include "engine/base/scriptvalue.h"
#include "script/sdatabase.h"

constexpr int32_t kScriptCodeBufferSize = 65536;  // the largest image
constexpr int32_t kScriptMinImageSize = 13;        // size word, QUIT, two counts, trailer offset
constexpr int32_t kScriptPoolSize = 2001;          // values, slots, names, procedures, temporaries
constexpr int32_t kScriptStackLimit = 1998;        // a push above this depth is an overflow
constexpr int32_t kScriptMaxCallDepth = 100000;    // nested CALLs of one run
// Instructions of one run, far above any real script's: a script that never ends (an image that
// jumps to itself) is stopped with "I-022 : ERROR : Step limit reached" and the caller goes on.
constexpr uint64_t kScriptStepBudget = 50000000;

// One variable slot. Value is the slot's own value (Own) or, while a host variable stands in
// for it during a run, that host variable.
class TSVariable {
 public:
  int32_t NameIndex = 0;
  TQzVariant Own;
  TQzVariant* Value = &Own;
  bool InUse = false;
  int32_t CallDepth = 0;    // number of open CALLs when the slot was allocated
  uint32_t Generation = 0;  // counts allocations; a pointer handle names one of them

  TSVariable() = default;
  TSVariable(const TSVariable&) = delete;
  TSVariable& operator=(const TSVariable&) = delete;
};

// One parameter descriptor of a PROC.
class TSProcPar {
 public:
  uint16_t NameIndex = 0;
  uint8_t Family = 0;
  int32_t Value = -1;
  uint8_t Flags = 0;  // 2: passed by reference ("@")
};

// One script procedure. Params and ResultPar are owned (the assembler fills them; the
// interpreter leaves them empty).
class TSProcedure {
 public:
  int32_t NameIndex = 0;
  TList Params;  // of TSProcPar*
  TSProcPar* ResultPar = nullptr;
  int32_t Entry = 0;
  int32_t CallDepth = 0;  // number of open CALLs when the PROC ran

  TSProcedure() = default;
  TSProcedure(const TSProcedure&) = delete;
  TSProcedure& operator=(const TSProcedure&) = delete;
  ~TSProcedure();
};

// ---- State of the run (read by the error reporter, host routines and tests)
extern int32_t CodeSize;
extern int32_t ProgramCounter;
extern TQzVariant Accumulator;
extern int32_t StackDepth;       // 0 = empty; the top is value number StackDepth
extern int32_t ScriptStackBase;  // the depth a run starts with; 0
extern int32_t TempCount;
extern bool ScriptRunning;
extern bool QuitFlag;

// Unit start and end: creates and frees the pools; ScriptRunning := False.
void InitInterpreter();
void FreeInterpreter();

// Runs the image of Length bytes. Result: the accumulator's value as text after an ordinary end
// (also after an interpreter error), "running already" while a run is under way, "NO DATA" for
// an image whose size word is 0, "0" after an error in a CALC instruction and after a refused
// image. Flag is accepted for the callers' sake and changes nothing.
void RunScript(const uint8_t* Image, size_t Length, bool Flag, std::string& Result);
std::string RunScript(const std::vector<uint8_t>& Image);
// Why RunScript would refuse the image of Length bytes, or "" when it takes it: its size word,
// its trailer and its names must lie within the bytes given, the size within the code buffer.
std::string CheckScriptImage(const uint8_t* Image, size_t Length);

// Value n (1..StackDepth) of the value stack.
const TQzVariant& ValueStackEntry(int32_t N);

// ---- Calling protocol of host routines: pops take the arguments first to last through the
// accumulator; while ScriptErrorFlag is set they return 0, 0.0 or "" and leave the stack.
int32_t PopInt();
float PopFloat();
std::string PopString();
// Pushes report "I-010 : ERROR : Stack overflow" above depth 1,998 and never write past the
// stack's 2,001 values.
void PushInt(int32_t N);
void PushFloat(float X);
void PushString(const std::string& S);

// A reference made by PUSHPOINTER: a handle that names one allocation of a variable slot. It is
// valid while that allocation lasts during the run; any other value reports
// "I-021 : ERROR : Invalid pointer (...)" and gives null or false.
TQzVariant* ScriptPointerTarget(int32_t Handle);
// Reads the variable as a float; writes a float into it keeping its kind (an own integer
// variable takes the rounded number, a text the number with 3 decimals; a host variable
// converts into its registered type).
bool ScriptPointerGetFloat(int32_t Handle, float& X);
bool ScriptPointerSetFloat(int32_t Handle, float X);

// ---- Remainder of a float by repeated subtraction
//
// r := Left; while r > Right: r := r - Right, every step rounded in T. Gives the value the loop
// ends with, or false when the loop would never end (Right not above 0 while r > Right, r
// infinite, or Right too small to change r). Instead of stepping it jumps: while every value
// the loop passes is a multiple of one power of two below 2^digits no step rounds, and the
// result is Left - k * Right exactly (fmod); otherwise within one binade [2^e, 2^(e+1)) every
// step after the first subtracts the same rounded amount, so the steps that stay in the binade
// are counted at once. Exact for finite numbers of T above its denormal range.
template <typename T>
bool SubtractWhileAbove(T Left, T Right, T& Result) {
  constexpr int kDigits = std::numeric_limits<T>::digits;
  static_assert(kDigits <= 64);
  const T b = Right;
  T r = Left;
  // The exponent of the lowest set bit of a finite non-zero x.
  auto quantum = [](T x) {
    const int e = std::ilogb(x);
    auto m = static_cast<unsigned long long>(std::ldexp(std::fabs(x), kDigits - 1 - e));
    int tz = 0;
    while ((m & 1u) == 0 && tz < kDigits) {
      m >>= 1;
      ++tz;
    }
    return e - (kDigits - 1) + tz;
  };
  for (;;) {
    if (!(r > b)) {
      Result = r;
      return true;
    }
    if (!(b > 0) || std::isinf(r)) return false;
    const int er = std::ilogb(r);
    const int q = std::min(quantum(r), quantum(b));
    if (er - q < kDigits) {
      const T m = std::fmod(r, b);
      Result = (m == 0) ? b : m;
      return true;
    }
    // Some step rounds. b lies below the binade of r (else both would be multiples of its
    // spacing), so b / spacing is no whole number.
    const int ue = er - (kDigits - 1);  // the spacing of the binade is 2^ue
    const T lo = std::ldexp(T(1), er);
    const T next = r - b;
    if (next == r) return false;
    r = next;
    if (r < lo) continue;
    const T next2 = r - b;
    if (next2 == r) return false;
    if (next2 < lo) {
      r = next2;
      continue;
    }
    using U = unsigned long long;
    const U R = static_cast<U>(std::ldexp(r, -ue));
    const U D = R - static_cast<U>(std::ldexp(next2, -ue));
    const U L = U(1) << (kDigits - 1);
    const U C = static_cast<U>(std::ceil(std::ldexp(b, -ue)));
    // The step from R - j*D lands in the binade while R - j*D - C >= L.
    if (R - L >= C) {
      const U n = (R - L - C) / D + 1;
      r = std::ldexp(static_cast<T>(R - n * D), ue);
    }
  }
}

// Test and fuzzing seams, never reachable through a user-visible option.
namespace interpreter_test {
// Ends a run with "I-022 : ERROR : Step limit reached" after this many instructions in place of
// kScriptStepBudget (which SetStepLimit(kScriptStepBudget) restores).
void SetStepLimit(uint64_t Steps);
// False: runs read every instruction from the code as it goes, as the reference the decoded runs
// are checked against; true (the default) runs the code decoded once per image.
void SetDecodedRuns(bool On);
// Pointer handles made from now on are the same as after InitInterpreter.
void ResetPointerGenerations();
}  // namespace interpreter_test
