// The script value: an integer, float, string or record (an integer handle) tagged by a kind
// byte, converted on every read. TQzVariantP is the same interface bound to a variable of the
// host program: reads and writes go to the host's storage and convert to its fixed kind.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/base/types.h"

// Kinds of a script value.
constexpr uint8_t kVarInteger = 0;
constexpr uint8_t kVarFloat = 1;
constexpr uint8_t kVarString = 2;
constexpr uint8_t kVarRecord = 3;

// How a script value reads a number text: its text as an integer (GetInteger, GetRecord, and a
// text set into an integer or record host variable) and as a float. Neither reports an error.
struct TScriptTextReaders {
  int32_t (*ToInt)(std::string_view S);
  float (*ToFloat)(std::string_view S);
};
// StrToIntVal and StrToFloatVal (engine/base/text.h): the readers in force until others are set.
extern const TScriptTextReaders kEngineScriptTextReaders;
// The readers every script value uses from now on (a program's script profile sets them).
void SetScriptTextReaders(const TScriptTextReaders& Readers);
const TScriptTextReaders& ScriptTextReaders();

class TQzVariant {
 public:
  int32_t IntValue = 0;   // kinds 0 and 3
  float FloatValue = 0;   // kind 1
  std::string StrValue;   // kind 2, at most 255 characters
  uint8_t Kind = kVarInteger;

  TQzVariant() = default;
  TQzVariant(const TQzVariant&) = default;
  TQzVariant& operator=(const TQzVariant&) = default;
  virtual ~TQzVariant() = default;

  // A setter stores its value and sets the kind; the other fields keep their contents. A getter
  // converts from the current kind (floats to integers round halves to even and saturate, NaN
  // gives 0; a text through ScriptTextReaders(), cut to 255 characters; an unknown kind reads as
  // 0 or the empty text).
  virtual int32_t GetInteger() const;
  virtual void SetInteger(int32_t X);
  virtual float GetFloat() const;
  virtual void SetFloat(float X);
  virtual std::string GetString() const;  // at most 255 characters; floats with FloatDecimals
  virtual void SetString(const std::string& S);  // takes the first 255 characters
  virtual int32_t GetRecord() const;
  virtual void SetRecord(int32_t X);
};

// Bound to a host variable: an int32_t for kinds 0 and 3, a float for kind 1, a ShortString<255>
// for kind 2. The kind never changes; floats show with two decimals (FloatToStrPoint). Any other
// kind, or no storage, reads as 0 or the empty text and ignores writes.
class TQzVariantP : public TQzVariant {
 public:
  void* HostPtr = nullptr;
  std::string Name;  // upper case

  TQzVariantP() = default;
  TQzVariantP(void* hostPtr, uint8_t kind, const std::string& name);

  int32_t GetInteger() const override;
  void SetInteger(int32_t X) override;
  float GetFloat() const override;
  void SetFloat(float X) override;
  std::string GetString() const override;
  void SetString(const std::string& S) override;
  int32_t GetRecord() const override;
  void SetRecord(int32_t X) override;

 private:
  int32_t* HostInt() const;
  float* HostFloat() const;
  ShortString<255>* HostText() const;
};

// Copies Src into Dst through the operations of Src's kind. A plain Dst takes Src's kind; a
// bound Dst keeps its own and converts. An unknown kind copies nothing.
void AssignVariant(const TQzVariant& Src, TQzVariant& Dst);
