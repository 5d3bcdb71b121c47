// The script compiler's second stage: the assembler turns assembler text (one instruction per
// line) into a script image, and the expression compiler turns the expression of a CALC line
// into CALC instructions. The unit also owns the assembler's name tables.
//
// Image layout (little-endian): u32 size, the instructions from offset 4, the QUIT byte 99 at
// offset Q, u16 count of variable names, u16 count of procedure names, the names as short
// strings (upper case, at most 25 characters), u32 Q. The empty image is the 4-byte size 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "script/sdatabase.h"

// A growable in-memory byte stream; writes go to Position and grow the stream as needed.
class TScriptStream {
 public:
  std::vector<uint8_t> Bytes;
  size_t Position = 0;

  size_t Size() const { return Bytes.size(); }
  void Clear() {
    Bytes.clear();
    Position = 0;
  }
  void WriteByte(uint8_t B) {
    if (Position == Bytes.size()) {  // appending, the usual case
      Bytes.push_back(B);
      ++Position;
    } else {
      WriteBytes(&B, 1);
    }
  }
  void WriteWord(uint16_t W);
  void WriteDWord(uint32_t D);
  void WriteSingle(float X);
  void WriteString(const std::string& S);  // a length byte, then at most 255 characters
  void WriteBytes(const void* Data, size_t N);
};

// ---- The assembler's name tables: entries 1 to 2,001 (entry 0 is never used)
constexpr int32_t kNameTableSize = 2001;
extern TSNLink VarNameTable[kNameTableSize + 1];
extern TSNLink ProcNameTable[kNameTableSize + 1];
extern int32_t VarNameCount;
extern int32_t ProcNameCount;

// The number of the last entry whose name equals Name upper-cased; 0 when none. A name longer
// than 25 characters never equals its stored, cut form.
uint16_t VarNameIndex(std::string_view Name);
uint16_t ProcNameIndex(std::string_view Name);
// VarNameIndex(Name), or a new entry (upper-cased, cut to 25, unbound). A full table reports
// C-019 and gives 0.
int32_t AddVarName(std::string_view Name);
int32_t AddProcName(std::string_view Name);

// Unit start and end: the name tables empty and unbound.
void InitCompiler();
void FreeCompiler();

// Deletes single quotes: at positions 1, 2, ... while below the length a quote is deleted and
// the character moving into its place is passed over ("''" gives "'", a last quote stays).
void StripQuotes(std::string& S);

// Assembles Lines into Code (emptied first). Clears ScriptErrorFlag when it starts; when the
// flag is set on return the assembly failed and Code holds the 4-byte empty image.
void AssembleScript(const std::vector<std::string>& Lines, TScriptStream& Code);

// ---- The expression compiler (used by the CALC line; only during AssembleScript)

// Type set of a CALC: bits 1 integer, 2 float, 4 string, 8 record.
constexpr uint8_t kCalcTypeInteger = 1;
constexpr uint8_t kCalcTypeFloat = 2;
constexpr uint8_t kCalcTypeString = 4;
constexpr uint8_t kCalcTypeRecord = 8;
extern int32_t CalcTempCount;    // CALC instructions written since the start or the last BUFFC
extern uint8_t LastCalcTypes;    // type set of the CALC written last

// Writes the CALC instructions of Expr; returns the number of the temporary that receives its
// value, or 255 after an error.
uint8_t CompileCalc(const std::string& Expr);
// The code of the last operator equal to Op; none reports C-001 and gives 0.
uint8_t CalcOpIndex(const std::string& Op);
bool IsNumberStart(char C);  // "+", "-" or a digit
