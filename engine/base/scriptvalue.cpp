#include "engine/base/scriptvalue.h"

#include "engine/base/maths.h"
#include "engine/base/text.h"

namespace {
std::string CutShort(const std::string& s) { return s.size() > 255 ? s.substr(0, 255) : s; }
std::string_view CutShortView(std::string_view s) { return s.substr(0, 255); }

const TScriptTextReaders* g_readers = &kEngineScriptTextReaders;
}  // namespace

const TScriptTextReaders kEngineScriptTextReaders = {StrToIntVal, StrToFloatVal};

void SetScriptTextReaders(const TScriptTextReaders& Readers) { g_readers = &Readers; }
const TScriptTextReaders& ScriptTextReaders() { return *g_readers; }

// ---- TQzVariant

int32_t TQzVariant::GetInteger() const {
  switch (Kind) {
    case kVarInteger:
    case kVarRecord: return IntValue;
    case kVarFloat: return RoundToInt(FloatValue);
    case kVarString: return g_readers->ToInt(CutShortView(StrValue));
    default: return 0;
  }
}

void TQzVariant::SetInteger(int32_t X) {
  IntValue = X;
  Kind = kVarInteger;
}

float TQzVariant::GetFloat() const {
  switch (Kind) {
    case kVarInteger:
    case kVarRecord: return static_cast<float>(IntValue);
    case kVarFloat: return FloatValue;
    case kVarString: return g_readers->ToFloat(CutShortView(StrValue));
    default: return 0.0f;
  }
}

void TQzVariant::SetFloat(float X) {
  FloatValue = X;
  Kind = kVarFloat;
}

std::string TQzVariant::GetString() const {
  switch (Kind) {
    case kVarInteger:
    case kVarRecord: return IntToStrShort(IntValue);
    case kVarFloat: return FloatToStrDigits(FloatDecimals, FloatValue);
    case kVarString: return CutShort(StrValue);
    default: return std::string();
  }
}

void TQzVariant::SetString(const std::string& S) {
  StrValue = CutShort(S);
  Kind = kVarString;
}

int32_t TQzVariant::GetRecord() const { return TQzVariant::GetInteger(); }

void TQzVariant::SetRecord(int32_t X) {
  IntValue = X;
  Kind = kVarRecord;
}

// ---- TQzVariantP

TQzVariantP::TQzVariantP(void* hostPtr, uint8_t kind, const std::string& name) : HostPtr(hostPtr) {
  Kind = kind;
  Name = name;
  for (char& c : Name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
}

int32_t* TQzVariantP::HostInt() const {
  return (Kind == kVarInteger || Kind == kVarRecord) ? static_cast<int32_t*>(HostPtr) : nullptr;
}

float* TQzVariantP::HostFloat() const { return Kind == kVarFloat ? static_cast<float*>(HostPtr) : nullptr; }

ShortString<255>* TQzVariantP::HostText() const {
  return Kind == kVarString ? static_cast<ShortString<255>*>(HostPtr) : nullptr;
}

int32_t TQzVariantP::GetInteger() const {
  if (HostPtr == nullptr) return 0;
  if (int32_t* i = HostInt()) return *i;
  if (float* f = HostFloat()) return RoundToInt(*f);
  if (ShortString<255>* t = HostText()) return g_readers->ToInt(t->str());
  return 0;
}

void TQzVariantP::SetInteger(int32_t X) {
  if (HostPtr == nullptr) return;
  if (int32_t* i = HostInt())
    *i = X;
  else if (float* f = HostFloat())
    *f = static_cast<float>(X);
  else if (ShortString<255>* t = HostText())
    t->assign(IntToStrShort(X));
}

float TQzVariantP::GetFloat() const {
  if (HostPtr == nullptr) return 0.0f;
  if (int32_t* i = HostInt()) return static_cast<float>(*i);
  if (float* f = HostFloat()) return *f;
  if (ShortString<255>* t = HostText()) return g_readers->ToFloat(t->str());
  return 0.0f;
}

void TQzVariantP::SetFloat(float X) {
  if (HostPtr == nullptr) return;
  if (int32_t* i = HostInt())
    *i = RoundToInt(X);
  else if (float* f = HostFloat())
    *f = X;
  else if (ShortString<255>* t = HostText())
    t->assign(FloatToStrPoint(X));
}

std::string TQzVariantP::GetString() const {
  if (HostPtr == nullptr) return std::string();
  if (int32_t* i = HostInt()) return IntToStrShort(*i);
  if (float* f = HostFloat()) return FloatToStrPoint(*f);
  if (ShortString<255>* t = HostText()) return t->str();
  return std::string();
}

void TQzVariantP::SetString(const std::string& S) {
  if (HostPtr == nullptr) return;
  if (int32_t* i = HostInt())
    *i = g_readers->ToInt(S);
  else if (float* f = HostFloat())
    *f = g_readers->ToFloat(S);
  else if (ShortString<255>* t = HostText())
    t->assign(S);
}

int32_t TQzVariantP::GetRecord() const { return TQzVariantP::GetInteger(); }

void TQzVariantP::SetRecord(int32_t X) { TQzVariantP::SetInteger(X); }

void AssignVariant(const TQzVariant& Src, TQzVariant& Dst) {
  switch (Src.Kind) {
    case kVarInteger: Dst.SetInteger(Src.GetInteger()); break;
    case kVarFloat: Dst.SetFloat(Src.GetFloat()); break;
    case kVarString: Dst.SetString(Src.GetString()); break;
    case kVarRecord: Dst.SetRecord(Src.GetRecord()); break;
    default: break;
  }
}
