// A program's script profile: the few points at which the script language of one program differs
// from another's. The compiler, the assembler, the interpreter and the built-ins are shared; they
// read numbers, show errors, write floattostr and tan, and meet a misused list through the profile
// in force. The vehicle program keeps the shared profile (kSharedScriptProfile); the building
// program installs its own (script/buildingscript.h) at start.
#pragma once

#include <cstdint>
#include <string>

#include "engine/base/scriptvalue.h"

struct TScriptErrorReport;

struct TScriptProfile {
  // Number texts of script values (installed into engine/base/scriptvalue.h with the profile).
  TScriptTextReaders ValueReaders;
  // A number word of the assembler (MOV, PUSHVA, the step of INC and DEC) and a number operand of a
  // CALC: false refuses the word, which stops the assembly with C-021.
  bool (*IntWord)(const std::string& Word, int32_t& Value);
  bool (*FloatWord)(const std::string& Word, float& Value);
  // The text after the "$" of a reference to an earlier CALC result; false refuses it (C-021).
  bool (*TemporaryWord)(const std::string& Digits, uint16_t& Index);
  // Shows a report to the user; called after the report is kept and before ScriptErrorFlag is set,
  // so a box that waits for the user sees the flag as it was. Null: reports are only kept.
  void (*ShowError)(const TScriptErrorReport& Report);
  // The bodies of the built-ins floattostr and tan (the argument in degrees).
  std::string (*FloatToStr)(float X);
  float (*TanDegrees)(float X);
  // A list of the script units used past its end (the binding of a name taken back when it has
  // none). It may stop the program; when it returns, the operation does nothing.
  void (*ListMisuse)(const std::string& Message, int32_t Data);
};

// Strict number words (a signed decimal integer within 32 bits; a decimal float with "." and an
// optional exponent; a temporary of one to five digits up to 65535), the error reports only kept,
// floattostr with 8 decimals, tan of the angle rounded to a float, and a misused list a fatal stop.
extern const TScriptProfile kSharedScriptProfile;

// The profile in force from now on (the shared one until set); its value readers go with it.
void SetScriptProfile(const TScriptProfile& Profile);
const TScriptProfile& ScriptProfile();

// The strict number words of the shared profile.
bool StrictIntWord(const std::string& Word, int32_t& Value);
bool StrictFloatWord(const std::string& Word, float& Value);
bool StrictTemporaryWord(const std::string& Digits, uint16_t& Index);

// An angle in degrees in radians at extended precision: X / 180 * pi.
long double ScriptDegreesToRadians(float X);
