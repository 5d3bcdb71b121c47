// The base library's text routines: splitting a line into words, comma fields or items while
// text between single quotes stays one piece, upper-casing, replacing, and conversions between
// numbers and text. None of them reports an error.
//
// Routines that work on a short string take at most its first 255 characters; their results
// are at most 255 characters long. The counting routines read the whole text. Texts are
// Windows-1252 bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Decimals with which a script value shows a float as text.
extern int32_t FloatDecimals;  // 3
// Decimals of FloatToStrPoint.
extern int32_t PointDecimals;  // 2
// Open mode for existing files: 0, read-only. Every file layer opens files it only reads that way.
extern int32_t FileMode;

// ---- Splitting. N counts from 1; a quote (') switches the quote state, and a separator inside
// quotes does not count. The quotes stay part of the piece. An N outside 1..number of pieces
// gives the whole text; two separators in a row enclose an empty piece.
bool IsSignedDigits(std::string_view S);  // only '0'..'9', '+', '-'; true for ""
int32_t CountWords(std::string_view S);   // 0 for "", else 1 + blanks outside quotes
std::string GetWord(std::string_view S, int32_t N);
int32_t CountFields(std::string_view S);  // 0 for "", else 1 + commas outside quotes
std::string GetField(std::string_view S, int32_t N);
int32_t CountItems(std::string_view S, char Sep);
std::string GetItem(std::string_view S, int32_t N, char Sep);
// GetWord and GetField as views into S, for readers that only look at the piece.
std::string_view WordView(std::string_view S, int32_t N);
std::string_view FieldView(std::string_view S, int32_t N);
// One pass for a reader of the first words: Words[k] becomes WordView(S, k + 1) for k below N;
// gives CountWords(S).
int32_t SplitWords(std::string_view S, std::string_view* Words, int32_t N);

// ---- Case and replacement
// 'a'..'z' become 'A'..'Z'; every other byte stays.
std::string UpperShort(std::string_view S);
// Replaces every occurrence of Find (compared without regard to case) by Repl; S never grows
// beyond MaxLen characters (at most 255). After each replacement the search starts again from the
// first character, so an occurrence that the replacement forms with its neighbours is replaced
// too; a Repl that contains Find (which would be found again forever) is instead replaced once
// per occurrence, searching on after each inserted text. An empty Find changes nothing.
void ReplaceAll(std::string& S, int32_t MaxLen, std::string_view Find, std::string_view Repl);

// ---- Number to text
std::string IntToStrShort(int32_t N);       // "-12"
std::string IntToStrUnderscore(int32_t N);  // "_12": the minus sign written as '_'
// Fixed point with exactly Digits decimals and '.', a leading '-' for negative values, never an
// exponent, ties to even on the float's exact value. Zero shows without a sign; NaN shows as
// "NAN", infinities as "INF" and "-INF".
std::string FloatToStrDigits(int32_t Digits, float X);
std::string FloatToStrPoint(float X);  // FloatToStrDigits(PointDecimals, X)
// FloatToStrDigits with at least MinDigits decimals, more when fewer would not read back as the
// same float (ControlTextToFloat): 12.5 with 2 gives "12.50", 0.125 gives "0.125". NaN and the
// infinities as FloatToStrDigits shows them.
std::string FloatToStrExact(int32_t MinDigits, float X);

// ---- Text to number, never an error. Leading blanks are skipped.
// A whole valid text gives its value. At the first character that does not fit (or where the
// value would leave the 32-bit range) the parse stops and the result is the digits read so far,
// without the sign: "-3.7" gives 3. Hexadecimal after '$', 'x', 'X', "0x", "0X" (no sign
// before it); up to eight hexadecimal digits, read as a 32-bit pattern. "" gives 0.
int32_t StrToIntVal(std::string_view S);
// sign, digits, '.', digits, exponent (E or e, sign, digits). A whole valid text gives its value
// rounded to a float; at the first character that does not fit, the digits read so far taken as
// one whole number, without point, exponent or sign: "2.5x" gives 25. "" gives 0.
float StrToFloatVal(std::string_view S);

// ---- Numbers typed into the windows' controls: the longest valid number at the start of the
// text, with its sign, point and exponent; the rest is ignored. Never an error; no number gives 0.
// "-3.7" gives -3, "2.5x" gives 2.5, "0.5 " gives 0.5, "abc" gives 0. Integers beyond the 32-bit
// range saturate; floats round to the nearest float (a too large exponent gives an infinity).
int32_t ControlTextToInt(std::string_view S);
float ControlTextToFloat(std::string_view S);

// ---- Integer routines
int32_t ClampNegative(int32_t X);  // limited to -10000..0
int32_t IntMax(int32_t A, int32_t B);
