#include "script/sdatabase.h"

#include <cmath>

#include "engine/base/maths.h"
#include "engine/base/text.h"
#include "script/interpreter.h"
#include "script/profile.h"

TList* ExtProcedures = nullptr;
TList* ExtVariables = nullptr;
bool ScriptErrorFlag = false;
uint32_t ScriptRegistryVersion = 0;
TScriptErrorReport LastScriptError;
void (*ScriptErrorHook)(const TScriptErrorReport& Report) = nullptr;

namespace {

void BuiltinCos() { PushFloat(static_cast<float>(std::cos(ScriptDegreesToRadians(PopFloat())))); }
void BuiltinCosR() { PushFloat(static_cast<float>(std::cos(static_cast<long double>(PopFloat())))); }
void BuiltinSin() { PushFloat(static_cast<float>(std::sin(ScriptDegreesToRadians(PopFloat())))); }
void BuiltinSinR() { PushFloat(static_cast<float>(std::sin(static_cast<long double>(PopFloat())))); }
void BuiltinTan() { PushFloat(ScriptProfile().TanDegrees(PopFloat())); }
void BuiltinTanR() { PushFloat(static_cast<float>(Tan(PopFloat()))); }
void BuiltinIntToStr() { PushString(IntToStrShort(PopInt())); }
void BuiltinStrToInt() { PushInt(StrToIntVal(PopString())); }
void BuiltinStrToFloat() { PushFloat(StrToFloatVal(PopString())); }
void BuiltinFloatToStr() { PushString(ScriptProfile().FloatToStr(PopFloat())); }
void BuiltinSqr() {
  const long double x = PopFloat();
  PushFloat(static_cast<float>(x * x));
}
void BuiltinSqrt() { PushFloat(static_cast<float>(std::sqrt(static_cast<long double>(PopFloat())))); }

void FreeLists() {
  if (ExtProcedures != nullptr) {
    for (int32_t i = 0; i < ExtProcedures->Count; ++i) delete static_cast<TSExtProcedure*>(ExtProcedures->Items[i]);
    delete ExtProcedures;
    ExtProcedures = nullptr;
  }
  if (ExtVariables != nullptr) {
    for (int32_t i = 0; i < ExtVariables->Count; ++i) delete static_cast<TQzVariantP*>(ExtVariables->Items[i]);
    delete ExtVariables;
    ExtVariables = nullptr;
  }
}

void EnsureLists() {
  ++ScriptRegistryVersion;
  if (ExtProcedures == nullptr) ExtProcedures = new TList;
  if (ExtVariables == nullptr) ExtVariables = new TList;
}

}  // namespace

int32_t ExtProcCount() { return ExtProcedures != nullptr ? ExtProcedures->Count : 0; }
TSExtProcedure* ExtProc(int32_t Index) { return static_cast<TSExtProcedure*>(ExtProcedures->Get(Index)); }
int32_t ExtVarCount() { return ExtVariables != nullptr ? ExtVariables->Count : 0; }
TQzVariantP* ExtVar(int32_t Index) { return static_cast<TQzVariantP*>(ExtVariables->Get(Index)); }

void InitScriptDatabase(bool WithBuiltins) {
  FreeLists();
  EnsureLists();
  if (!WithBuiltins) return;
  AddExtProc("cos", BuiltinCos, "FLOAT", 1, 1);
  AddExtProc("cosr", BuiltinCosR, "FLOAT", 1, 1);
  AddExtProc("sin", BuiltinSin, "FLOAT", 1, 1);
  AddExtProc("sinr", BuiltinSinR, "FLOAT", 1, 1);
  AddExtProc("tan", BuiltinTan, "FLOAT", 1, 1);
  AddExtProc("tanr", BuiltinTanR, "FLOAT", 1, 1);
  AddExtProc("inttostr", BuiltinIntToStr, "STRING", 1, 1);
  AddExtProc("strtoint", BuiltinStrToInt, "INTEGER", 1, 1);
  AddExtProc("strtofloat", BuiltinStrToFloat, "FLOAT", 1, 1);
  AddExtProc("floattostr", BuiltinFloatToStr, "STRING", 1, 1);
  AddExtProc("sqr", BuiltinSqr, "FLOAT", 1, 1);
  AddExtProc("sqrt", BuiltinSqrt, "FLOAT", 1, 1);
}

void AddExtProc(const std::string& Name, TScriptRoutine Address, const std::string& ResultType,
                int32_t ParamCount, int32_t IsFunction) {
  EnsureLists();
  auto* p = new TSExtProcedure;
  p->Name = UpperShort(Name);
  p->ParamCount = ParamCount;
  p->IsFunction = IsFunction;
  p->ResultType = ResultType.substr(0, 255);
  p->Address = Address;
  ExtProcedures->Add(p);
}

int32_t AddExtVar(const std::string& Name, uint8_t TypeCode, void* Host) {
  EnsureLists();
  const uint8_t kind = TypeCode <= kVarRecord ? TypeCode : kVarString;
  return ExtVariables->Add(new TQzVariantP(Host, kind, UpperShort(Name)));
}

void FreeScriptDatabase() {
  FreeLists();
  ++ScriptRegistryVersion;
}

void PushBinding(TSNLink& Link, void* Obj) {
  Link.Current = Obj;
  Link.Bindings.Add(Obj);
}

void PopBinding(TSNLink& Link) {
  if (Link.Bindings.Count == 0) {
    ScriptProfile().ListMisuse(kListIndexError, -1);
    return;
  }
  Link.Bindings.Delete(Link.Bindings.Count - 1);
  Link.Current = Link.Bindings.Count > 0 ? Link.Bindings.Items[Link.Bindings.Count - 1] : nullptr;
}

TScriptErrorReport ComposeScriptError(const std::string& Message, int32_t Position) {
  TScriptErrorReport r;
  r.Message = Message.substr(0, 255);
  const char letter = r.Message.empty() ? '\0' : UpperShort(r.Message.substr(0, 1))[0];
  const std::string rest = r.Message.size() > 2 ? r.Message.substr(2) : std::string();
  r.Code = rest.substr(0, rest.find(' '));
  r.Text = rest;
  for (int i = 0; i < 4; ++i) {
    const size_t blank = r.Text.find(' ');
    if (blank != std::string::npos) r.Text.erase(0, blank + 1);
  }
  if (letter == 'I')
    r.Title = "Quillon-Interpreter-Error (I-" + r.Code + ")" + " at position " + IntToStrShort(Position);
  else if (letter == 'C')
    r.Title = "Quillon-Compiler-Error (C-" + r.Code + ")";
  return r;
}

void ScriptError(const std::string& Message) {
  LastScriptError = ComposeScriptError(Message, ProgramCounter);
  if (ScriptErrorHook != nullptr) ScriptErrorHook(LastScriptError);
  if (ScriptProfile().ShowError != nullptr) ScriptProfile().ShowError(LastScriptError);
  ScriptErrorFlag = true;
}

int32_t FindTypeFamily(std::string_view TypeName) {
  int32_t family = -1;
  for (int32_t i = 0; i < 4; ++i) {
    // Some occurrence of the name with a "/" on either side.
    const std::string_view text = TypeFamilyTexts[i];
    for (size_t at = text.find(TypeName, 1); at != std::string_view::npos; at = text.find(TypeName, at + 1)) {
      const size_t end = at + TypeName.size();
      if (text[at - 1] == '/' && end < text.size() && text[end] == '/') {
        family = i;
        break;
      }
    }
  }
  return family;
}
