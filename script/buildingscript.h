// The building program's script language: the shared one (script/profile.h) with its own number
// readers, an error box, floattostr with 3 decimals, tan at extended precision, and a misused list
// reported as a script error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "script/profile.h"
#include "script/sdatabase.h"

// Reads an integer text leniently, never an error: blanks go wherever they stand, "_" is a minus
// sign, leading zeros go; then a text of digits and signs only is read by StrToIntVal, any other
// text (and the empty one) gives 0. Only the first 255 characters count.
int32_t ScriptStrToInt(std::string_view S);
// Reads a float text leniently, never an error: "," and "." are both the decimal point, "_" is a
// minus sign, and a last degree sign (byte 0xB0) turns degrees into radians; the value itself is
// read by StrToFloatVal. Only the first 255 characters count.
float ScriptStrToFloat(std::string_view S);

// The caption of the box of a report: its title, or for a kind without one (H, the first compiler
// stage, and any other letter) "Quillon-Compiler-Error (H-" + code + ")" with that letter.
std::string BuildingErrorCaption(const TScriptErrorReport& Report);

// Every number text through the readers above (words that pass the shared classification are never
// refused); every report in a modal box (caption as above, its text the message) before the error
// flag is set; floattostr with 3 decimals; tan of the angle in extended precision; a misused list a
// script error ("I-023" in a run, else "C-024").
extern const TScriptProfile kBuildingScriptProfile;
