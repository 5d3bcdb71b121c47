#include "script/compiler.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <numeric>
#include <string_view>

#include "engine/base/text.h"
#include "script/interpreter.h"
#include "script/profile.h"

TSNLink VarNameTable[kNameTableSize + 1];
TSNLink ProcNameTable[kNameTableSize + 1];
int32_t VarNameCount = 0;
int32_t ProcNameCount = 0;
int32_t CalcTempCount = 0;
uint8_t LastCalcTypes = 0;

// ---- The stream

void TScriptStream::WriteBytes(const void* Data, size_t N) {
  const auto* bytes = static_cast<const uint8_t*>(Data);
  if (Position == Bytes.size()) {  // appending, the usual case
    Bytes.insert(Bytes.end(), bytes, bytes + N);
    Position += N;
    return;
  }
  if (Position + N > Bytes.size()) Bytes.resize(Position + N);
  if (N > 0) std::memcpy(Bytes.data() + Position, bytes, N);
  Position += N;
}

void TScriptStream::WriteWord(uint16_t W) {
  const uint8_t b[2] = {uint8_t(W), uint8_t(W >> 8)};
  WriteBytes(b, 2);
}
void TScriptStream::WriteDWord(uint32_t D) {
  const uint8_t b[4] = {uint8_t(D), uint8_t(D >> 8), uint8_t(D >> 16), uint8_t(D >> 24)};
  WriteBytes(b, 4);
}
void TScriptStream::WriteSingle(float X) {
  uint32_t bits;
  std::memcpy(&bits, &X, 4);
  WriteDWord(bits);
}
void TScriptStream::WriteString(const std::string& S) {
  const size_t n = std::min<size_t>(S.size(), 255);
  WriteByte(static_cast<uint8_t>(n));
  WriteBytes(S.data(), n);
}

namespace {

// ---- Name look-up by hash

// The longest stored name; a longer name never equals a stored one.
constexpr size_t kNameLength = 25;

char UpperByte(char C) { return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 'a' + 'A') : C; }

// Name upper-cased into Buffer as the key the tables compare with; false when the name is too
// long to equal any stored name.
bool NameKey(std::string_view Name, char (&Buffer)[kNameLength], std::string_view& Key) {
  if (Name.size() > kNameLength) return false;
  for (size_t i = 0; i < Name.size(); ++i) Buffer[i] = UpperByte(Name[i]);
  Key = std::string_view(Buffer, Name.size());
  return true;
}

uint32_t HashName(std::string_view S) {
  uint32_t h = 2166136261u;
  for (const char c : S) h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
  return h;
}

// An open-addressing hash index over numbered entries (from 1): for each name the entry put in
// last. The names stay with their owner; NameOf(entry) reads one.
class TNameHash {
 public:
  void Clear() {
    std::fill(slots_.begin(), slots_.end(), 0);
    used_ = 0;
  }

  template <class NameOf>
  int32_t Find(std::string_view Key, const NameOf& Name) const {
    if (slots_.empty()) return 0;
    const size_t mask = slots_.size() - 1;
    for (size_t i = HashName(Key) & mask;; i = (i + 1) & mask) {
      const int32_t e = slots_[i];
      if (e == 0) return 0;
      if (Name(e) == Key) return e;
    }
  }

  template <class NameOf>
  void Put(int32_t Entry, const NameOf& Name) {
    if ((used_ + 1) * 2 > slots_.size()) Grow(Name);
    Place(Entry, Name);
  }

 private:
  std::vector<int32_t> slots_;
  size_t used_ = 0;

  template <class NameOf>
  void Place(int32_t Entry, const NameOf& Name) {
    const std::string_view key = Name(Entry);
    const size_t mask = slots_.size() - 1;
    for (size_t i = HashName(key) & mask;; i = (i + 1) & mask) {
      int32_t& e = slots_[i];
      if (e == 0) {
        e = Entry;
        ++used_;
        return;
      }
      if (Name(e) == key) {  // the later entry of an equal name wins
        e = Entry;
        return;
      }
    }
  }

  template <class NameOf>
  void Grow(const NameOf& Name) {
    std::vector<int32_t> old(std::max<size_t>(64, slots_.size() * 2), 0);
    old.swap(slots_);
    used_ = 0;
    for (const int32_t e : old)
      if (e != 0) Place(e, Name);
  }
};

// The index of one of the name tables, kept in step with entries 1..Count of the table.
struct TTableIndex {
  TNameHash Hash;
  int32_t Covered = 0;  // entries 1..Covered are in Hash
};
TTableIndex VarIndex, ProcIndex;

struct TTableName {
  const TSNLink* Table;
  std::string_view operator()(int32_t Entry) const { return Table[Entry].Name; }
};

// Brings the index up to the table's first Count entries (the assembler starts its tables anew by
// setting their counts to 0; names are only ever added at the end).
void SyncIndex(const TSNLink* Table, int32_t Count, TTableIndex& Index) {
  if (Index.Covered == Count) return;
  if (Index.Covered > Count) {
    Index.Hash.Clear();
    Index.Covered = 0;
  }
  for (int32_t i = Index.Covered + 1; i <= Count; ++i) Index.Hash.Put(i, TTableName{Table});
  Index.Covered = Count;
}

TTableIndex& IndexOf(const TSNLink* Table) { return Table == VarNameTable ? VarIndex : ProcIndex; }

// ---- Working state of one assembly

struct TSLabel {
  std::string Name;  // upper case, at most 25 characters
  int32_t Offset = 0;
};

// The marks taken when a PROC line was assembled.
struct TSPrStackEntry {
  int32_t ProcMark = 0;   // entries of the procedure list, counting the procedure declared
  int32_t VarMark = 0;
  int32_t LabelMark = 0;
  int32_t Unused1 = 0;
  int32_t Unused2 = 0;
};

struct TAssembly {
  TScriptStream* Code = nullptr;
  std::vector<std::unique_ptr<TSProcedure>> Procedures;
  std::vector<std::unique_ptr<TSVariable>> Variables;
  std::vector<std::unique_ptr<TSVariable>> HostLinks;  // bound by "^" lines; no RET releases them
  std::vector<TSLabel> Labels;
  TNameHash LabelIndex;  // entry k is Labels[k - 1]
  std::vector<TSPrStackEntry> Scopes;
  std::vector<size_t> Blocks;  // stream positions of the end offsets of open BLOCKs
};

TAssembly* Current = nullptr;

struct TLabelName {
  const std::vector<TSLabel>* Labels;
  std::string_view operator()(int32_t Entry) const { return (*Labels)[size_t(Entry - 1)].Name; }
};

// The last label named Name (upper case); none when it is longer than a stored name.
const TSLabel* FindLabel(std::string_view Name) {
  if (Name.size() > kNameLength) return nullptr;
  const int32_t k = Current->LabelIndex.Find(Name, TLabelName{&Current->Labels});
  return k == 0 ? nullptr : &Current->Labels[size_t(k - 1)];
}

TScriptStream& Out() { return *Current->Code; }

std::string Quoted(std::string_view S) {
  std::string q;
  q.reserve(S.size() + 2);
  q += '"';
  q += S;
  q += '"';
  return q;
}

bool Fail(const std::string& Message) {
  ScriptError(Message);
  return false;
}

constexpr std::array<bool, 256> kCalcChars = [] {
  std::array<bool, 256> t{};
  for (const char c : std::string_view("+-*/%^=!&|<>")) t[static_cast<uint8_t>(c)] = true;
  return t;
}();

bool IsCalcChar(char C) { return kCalcChars[static_cast<uint8_t>(C)]; }

bool InvalidNumber(std::string_view Word) {
  return Fail("C-021 : ERROR : Invalid number : " + Quoted(Word) + "!");
}

// Writes the type code and the value of a MOV or PUSHVA value word.
bool WriteValueOperand(std::string_view V) {
  if (V.find('\'') != std::string_view::npos) {
    std::string s(V.size() >= 2 ? V.substr(1, V.size() - 2) : std::string_view());
    StripQuotes(s);
    Out().WriteByte(3);
    Out().WriteString(s);
  } else if (V.find('.') != std::string_view::npos) {
    float f = 0;
    if (!ScriptProfile().FloatWord(std::string(V), f)) return InvalidNumber(V);
    Out().WriteByte(2);
    Out().WriteSingle(f);
  } else if (IsSignedDigits(V)) {
    int32_t n = 0;
    if (!ScriptProfile().IntWord(std::string(V), n)) return InvalidNumber(V);
    Out().WriteByte(1);
    Out().WriteDWord(static_cast<uint32_t>(n));
  } else {
    Out().WriteByte(4);
  }
  return true;
}

int32_t AddName(TSNLink* Table, int32_t& Count, uint16_t Index, std::string_view Name) {
  if (Index != 0) return Index;
  if (Count >= kNameTableSize) {
    Fail("C-019 : ERROR : Too many names (more than 2001) : " + Quoted(UpperShort(Name)) + "!");
    return 0;
  }
  TTableIndex& index = IndexOf(Table);
  SyncIndex(Table, Count, index);
  ++Count;
  TSNLink& link = Table[Count];
  link.Name = UpperShort(Name.substr(0, kNameLength));
  link.Current = nullptr;
  link.Bindings.SetCount(0);
  index.Hash.Put(Count, TTableName{Table});
  index.Covered = Count;
  return Count;
}

uint16_t FindName(const TSNLink* Table, int32_t Count, std::string_view Name) {
  char buffer[kNameLength];
  std::string_view key;
  if (!NameKey(Name, buffer, key)) return 0;
  TTableIndex& index = IndexOf(Table);
  SyncIndex(Table, Count, index);
  return static_cast<uint16_t>(index.Hash.Find(key, TTableName{Table}));
}

TQzVariantP* LastExtVar(const std::string& Name) {
  for (int32_t i = ExtVarCount() - 1; i >= 0; --i)
    if (ExtVar(i)->Name == Name) return ExtVar(i);
  return nullptr;
}

// "^NAME": a host variable enters the variable list and is bound for the calculations' types.
void LinkHostVariable(const std::string& Name) {
  const int32_t i = AddVarName(Name);
  if (i == 0) return;
  TQzVariantP* host = LastExtVar(Name);
  if (host == nullptr) {
    Fail("C-012 : ERROR : External variable not linked : " + Quoted(Name) + "!");
    return;
  }
  auto v = std::make_unique<TSVariable>();
  v->NameIndex = i;
  v->Value = host;
  PushBinding(VarNameTable[i], v.get());
  Current->HostLinks.push_back(std::move(v));
}

// "@NAME": a host routine enters the procedure list.
void LinkHostProcedure(const std::string& Name) {
  const int32_t n = AddProcName(Name);
  if (n == 0) return;
  for (int32_t i = ExtProcCount() - 1; i >= 0; --i) {
    if (ExtProc(i)->Name == Name) {
      ExtProc(i)->LinkIndex = n;
      return;
    }
  }
  Fail("C-013 : ERROR : External procedure not linked : " + Quoted(Name) + "!");
}

bool TooLong(const std::string& What) {
  return Fail("C-022 : ERROR : Line too long for one instruction (" + What + ")");
}

bool VariableOperand(std::string_view Name, const char* Code) {
  const uint16_t i = VarNameIndex(Name);
  if (i == 0) return Fail(std::string(Code) + " : ERROR : Unknown Variable (" + Quoted(Name) + ")");
  Out().WriteWord(i);
  return true;
}

void AssembleRet() {
  TAssembly& a = *Current;
  if (a.Scopes.empty()) {
    Fail("C-018 : ERROR : RET without PROC");
    return;
  }
  const TSPrStackEntry scope = a.Scopes.back();
  a.Scopes.pop_back();
  Out().WriteByte(ScriptInstructions[kMnRet].Opcode);
  Out().WriteWord(static_cast<uint16_t>(int32_t(a.Procedures.size()) - scope.ProcMark));
  Out().WriteWord(static_cast<uint16_t>(int32_t(a.Variables.size()) - scope.VarMark));
  Out().WriteWord(static_cast<uint16_t>(int32_t(a.Labels.size()) - scope.LabelMark));
  Out().WriteWord(0);
  Out().WriteWord(0);
  for (size_t k = size_t(scope.ProcMark); k < a.Procedures.size(); ++k)
    PopBinding(ProcNameTable[a.Procedures[k]->NameIndex]);
  a.Procedures.resize(std::min(a.Procedures.size(), size_t(scope.ProcMark)));
  for (size_t k = size_t(scope.VarMark); k < a.Variables.size(); ++k) {
    TSNLink& link = VarNameTable[a.Variables[k]->NameIndex];
    if (link.Bindings.Count > 0) PopBinding(link);
  }
  a.Variables.resize(std::min(a.Variables.size(), size_t(scope.VarMark)));
  const size_t here = Out().Position;
  Out().Position = size_t(a.Procedures.back()->Entry) + 1;
  Out().WriteDWord(static_cast<uint32_t>(here));
  Out().Position = here;
}

void AssembleProc(std::string_view Line, int32_t Operands) {
  TAssembly& a = *Current;
  a.Scopes.push_back({int32_t(a.Procedures.size()) + 1, int32_t(a.Variables.size()), int32_t(a.Labels.size()), 0, 0});
  const int32_t n = AddProcName(WordView(Line, 2));
  if (n == 0) return;
  auto owned = std::make_unique<TSProcedure>();
  TSProcedure& p = *owned;
  p.NameIndex = n;
  a.Procedures.push_back(std::move(owned));
  PushBinding(ProcNameTable[n], &p);
  for (int32_t k = 3; k <= Operands + 1; ++k) {
    const std::string_view w = WordView(Line, k);
    const size_t slash = w.find('/');
    std::string_view name = slash == std::string_view::npos ? w : w.substr(0, slash);
    const std::string_view type = slash == std::string_view::npos ? w : w.substr(slash + 1);
    auto* par = new TSProcPar;
    par->Family = static_cast<uint8_t>(std::max(0, FindTypeFamily(type)));
    par->Value = -1;
    par->Flags = 0;
    if (!name.empty() && name[0] == '@') {
      name.remove_prefix(1);
      par->Flags = 2;
    }
    if (name == "!") {
      name = std::string_view();
      delete p.ResultPar;
      p.ResultPar = par;
    } else {
      p.Params.Add(par);
    }
    const int32_t index = AddVarName(name);
    if (index == 0) return;
    par->NameIndex = static_cast<uint16_t>(index);
  }
  p.Entry = static_cast<int32_t>(Out().Position);
  Out().WriteByte(ScriptInstructions[kMnProc].Opcode);
  Out().WriteDWord(0);
  Out().WriteWord(static_cast<uint16_t>(n));
  Out().WriteWord(static_cast<uint16_t>(p.Params.Count));
  for (int32_t i = 0; i < p.Params.Count; ++i) {
    const auto* par = static_cast<const TSProcPar*>(p.Params.Items[i]);
    Out().WriteWord(par->NameIndex);
    Out().WriteDWord(static_cast<uint32_t>(par->Value));
    Out().WriteByte(par->Family);
    Out().WriteByte(par->Flags);
  }
}

void AssembleIncDec(std::string_view Line, int32_t Operands, bool Inc) {
  std::string_view name = WordView(Line, 2);
  std::string_view step;
  bool hasStep = false;
  if (Operands == 2) {
    step = WordView(Line, 3);
    hasStep = true;
  } else if (CountFields(name) > 1) {  // "INC X,2", the form the source compiler writes
    const std::string_view first = FieldView(name, 1);
    step = name.substr(first.size() + 1);
    name = first;
    hasStep = true;
  }
  const uint16_t i = VarNameIndex(name);
  if (i == 0) {
    Fail(std::string(Inc ? "C-009-005" : "C-009-006") + " : ERROR : Unknown Variable (" + Quoted(name) + ")");
    return;
  }
  Out().WriteByte(ScriptInstructions[Inc ? kMnInc : kMnDec].Opcode);
  Out().WriteWord(i);
  if (!hasStep) {
    Out().WriteDWord(1);
    return;
  }
  if (!IsSignedDigits(step)) {
    Fail(Inc ? "C-014-001 : ERROR : Invalid number for INC-call : " + Quoted(step) + "!"
             : "C-014-002 : ERROR : Invalid number forDEC-call : " + Quoted(step) + "!");
    return;
  }
  int32_t amount = 0;
  if (!ScriptProfile().IntWord(std::string(step), amount)) {
    InvalidNumber(step);
    return;
  }
  Out().WriteDWord(static_cast<uint32_t>(amount));
}

// A word of at most 15 characters packed into two numbers, for comparing in two steps; the
// length goes with it.
struct TPackedWord {
  uint64_t Low = 0, High = 0;
  size_t Size = 0;
  bool operator==(const TPackedWord&) const = default;
};

constexpr TPackedWord Pack(std::string_view Word) {
  TPackedWord p;
  p.Size = Word.size();
  for (size_t i = 0; i < Word.size() && i < 16; ++i) {
    const uint64_t byte = static_cast<uint8_t>(Word[i]);
    if (i < 8) p.Low |= byte << (8 * i);
    else p.High |= byte << (8 * (i - 8));
  }
  return p;
}

constexpr size_t PackedSlot(const TPackedWord& W, size_t Mask) {
  return static_cast<size_t>(((W.Low ^ (W.High * 31) ^ W.Size) * 0x9E3779B97F4A7C15ull) >> 40) & Mask;
}

// The row of the last mnemonic equal to Word upper-cased; -1 for none.
int32_t FindMnemonic(std::string_view Word) {
  // Rows by packed mnemonic, open addressing; a later row of an equal mnemonic takes the slot.
  constexpr size_t kSlots = 64;
  struct TSlot {
    TPackedWord Word;
    int32_t Row = -1;
  };
  static constexpr std::array<TSlot, kSlots> kTable = [] {
    std::array<TSlot, kSlots> t{};
    for (int32_t i = 0; i < kInstructionCount; ++i) {
      const TPackedWord w = Pack(ScriptInstructions[i].Mnemonic);
      size_t k = PackedSlot(w, kSlots - 1);
      while (t[k].Row >= 0 && !(t[k].Word == w)) k = (k + 1) & (kSlots - 1);
      t[k] = {w, i};
    }
    return t;
  }();
  constexpr size_t kLongest = 11;  // PUSHPOINTER
  if (Word.size() > kLongest) return -1;
  char upper[kLongest];
  for (size_t i = 0; i < Word.size(); ++i) upper[i] = UpperByte(Word[i]);
  const TPackedWord key = Pack(std::string_view(upper, Word.size()));
  for (size_t k = PackedSlot(key, kSlots - 1);; k = (k + 1) & (kSlots - 1)) {
    if (kTable[k].Row < 0) return -1;
    if (kTable[k].Word == key) return kTable[k].Row;
  }
}

uint8_t CompileCalcText(std::string_view Expression);

void AssembleLine(std::string_view Line) {
  std::string_view words[3];
  const int32_t wordCount = SplitWords(Line, words, 3);
  const std::string_view word = words[0];
  const int32_t m = FindMnemonic(word);
  if (m < 0) {
    Fail("C-005 : ERROR : Unknown command (" + Quoted(UpperShort(word)) + ")");
    return;
  }
  const TScriptInstruction& ins = ScriptInstructions[m];
  const int32_t operands = wordCount - 1;
  if (operands < ins.MinOperands || operands > ins.MaxOperands) {
    Fail("C-008 : ERROR : Incorrect parameter count\r\n" + Quoted(Line) + "\r\nAt least " +
         std::to_string(ins.MinOperands) + " are needed, maximum is " + std::to_string(ins.MaxOperands) + ".");
    return;
  }
  TScriptStream& out = Out();
  const auto op = [&out, &ins] { out.WriteByte(ins.Opcode); };
  const std::string_view w2 = operands >= 1 ? words[1] : std::string_view();
  const std::string_view w3 = operands >= 2 ? words[2] : std::string_view();
  switch (m) {
    case kMnMov:
      op();
      if (VariableOperand(w2, "C-009-004")) WriteValueOperand(w3);
      break;
    case kMnCall: {
      const uint16_t p = ProcNameIndex(w2);
      if (p == 0) {
        Fail("C-010 : ERROR : Unknown procedure, can't call " + Quoted(w2) + "!");
        break;
      }
      op();
      out.WriteWord(p);
      break;
    }
    case kMnSet: {
      const std::string type = UpperShort(w3);
      const int32_t family = FindTypeFamily(type);
      if (family < 0) {
        Fail("C-16 : ERROR : Unknown class-type (" + Quoted(type) + ")");
        break;
      }
      const int32_t count = CountFields(w2);
      if (count > 255) {
        TooLong("more than 255 names");
        break;
      }
      op();
      out.WriteByte(static_cast<uint8_t>(count));
      out.WriteByte(static_cast<uint8_t>(family + 1));
      for (int32_t f = 1; f <= count; ++f) {
        const int32_t i = AddVarName(FieldView(w2, f));
        if (i == 0) break;
        out.WriteWord(static_cast<uint16_t>(i));
        auto v = std::make_unique<TSVariable>();
        v->NameIndex = i;
        v->Own.Kind = static_cast<uint8_t>(family);
        PushBinding(VarNameTable[i], v.get());
        Current->Variables.push_back(std::move(v));
      }
      break;
    }
    case kMnMovr: {
      op();
      std::string_view w = w2;
      if (!w.empty() && w[0] == '+') {
        out.WriteByte(0);
        w.remove_prefix(1);
      } else {
        out.WriteByte(1);
      }
      VariableOperand(w, "C-009-001");
      break;
    }
    case kMnMovd: {
      const std::string_view rest = Line.substr(Line.find(' ') + 1);
      const size_t blank = rest.find(' ');
      const std::string_view a = rest.substr(0, blank);
      const std::string_view b = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
      op();
      if (VariableOperand(a, "C-009-002")) VariableOperand(b, "C-009-002");
      break;
    }
    case kMnUnset: {
      const int32_t count = CountFields(w2);
      if (count > 255) {
        TooLong("more than 255 names");
        break;
      }
      op();
      out.WriteByte(static_cast<uint8_t>(count));
      for (int32_t f = 1; f <= count; ++f) out.WriteWord(VarNameIndex(FieldView(w2, f)));
      break;
    }
    case kMnJump: {
      op();
      const std::string name = UpperShort(w2);
      const TSLabel* found = FindLabel(name);
      if (found == nullptr) {
        Fail("C-015 : ERROR : Unknown jump-label (" + Quoted(name) + ")");
        break;
      }
      out.WriteDWord(static_cast<uint32_t>(found->Offset));
      break;
    }
    case kMnRet: AssembleRet(); break;
    case kMnProc: AssembleProc(Line, operands); break;
    case kMnLabel: {
      const std::string name = UpperShort(w2);
      if (FindLabel(name) != nullptr) {
        Fail("C-011 : ERROR : It's not possible to define two or more labels with the same name : " + Quoted(name) +
             "!");
        return;
      }
      Current->Labels.push_back({name.substr(0, kNameLength), static_cast<int32_t>(out.Position)});
      Current->LabelIndex.Put(static_cast<int32_t>(Current->Labels.size()), TLabelName{&Current->Labels});
      break;
    }
    case kMnPush:
    case kMnPop:
    case kMnIf:
    case kMnIfnt:
    case kMnQuit: op(); break;
    case kMnBuffc:
      CalcTempCount = 0;
      op();
      break;
    case kMnCalc: CompileCalcText(Line.substr(Line.find(' ') + 1)); break;
    case kMnCallExt: {
      const std::string name = UpperShort(w2);
      bool any = false;
      for (int32_t i = 0; i < ExtProcCount() && !ScriptErrorFlag; ++i) {
        TSExtProcedure* e = ExtProc(i);
        if (e->Name != name) continue;
        any = true;
        op();
        e->LinkIndex = ProcNameIndex(e->Name);
        if (e->LinkIndex == 0) Fail("C-004 : ERROR : Unknown external procedure : " + Quoted(name));
        else out.WriteWord(static_cast<uint16_t>(e->LinkIndex));
      }
      if (!any) Fail("C-004 : ERROR : Unknown external procedure : " + Quoted(name));
      break;
    }
    case kMnCallIntEx: {
      const uint16_t p = ProcNameIndex(w2);
      if (p != 0 && ProcNameTable[p].Current != nullptr) {
        out.WriteByte(ScriptInstructions[kMnCall].Opcode);
        out.WriteWord(p);
        break;
      }
      const std::string name = UpperShort(w2);
      for (int32_t i = 0; i < ExtProcCount(); ++i) {
        TSExtProcedure* e = ExtProc(i);
        if (e->Name != name) continue;
        out.WriteByte(ScriptInstructions[kMnCallExt].Opcode);
        e->LinkIndex = ProcNameIndex(e->Name);
        if (e->LinkIndex == 0) Fail("C-004 : ERROR : Unknown procedure : " + Quoted(e->Name));
        else out.WriteWord(static_cast<uint16_t>(e->LinkIndex));
        return;
      }
      Fail("C-004 : ERROR : Unknown procedure : " + Quoted(name));
      break;
    }
    case kMnPushV:
    case kMnPopV:
    case kMnPushPointer:
      op();
      VariableOperand(w2, "C-009-003");
      break;
    case kMnPushVA:
      op();
      WriteValueOperand(w2);
      break;
    case kMnBlock:
      op();
      Current->Blocks.push_back(out.Position);
      out.WriteDWord(0);
      break;
    case kMnEndBlock: {
      if (Current->Blocks.empty()) {
        Fail("C-017 : ERROR : ENDBLOCK without BLOCK");
        break;
      }
      const size_t at = Current->Blocks.back();
      Current->Blocks.pop_back();
      const size_t here = out.Position;
      out.Position = at;
      out.WriteDWord(static_cast<uint32_t>(here));
      out.Position = here;
      break;
    }
    case kMnInc:
    case kMnDec: AssembleIncDec(Line, operands, m == kMnInc); break;
    case kMnSme: {
      const uint16_t a = VarNameIndex(w2);
      const uint16_t b = VarNameIndex(w3);
      if (a == 0) Fail("C-009-007 : ERROR : Unknown Variable (" + Quoted(w2) + ")");
      if (b == 0) Fail("C-009-007 : ERROR : Unknown Variable (" + Quoted(w3) + ")");
      if (a == 0 || b == 0) break;
      op();
      out.WriteWord(a);
      out.WriteWord(b);
      break;
    }
    default: break;  // XXX, DEFINE, NONE and the unnamed row write nothing
  }
}

bool TooBig() { return Fail("C-020 : ERROR : Script too long (more than 65536 bytes)"); }

// ---- The expression compiler

constexpr int32_t kMaxOperands = 255;

// One operand with the operator that follows it. Set in full when it is added to a list.
struct TExpD {
  uint8_t Op;
  int32_t Prec;
  uint32_t At;   // the operand's place in the expression
  uint32_t Size;
  int32_t Prev;
  int32_t Next;
  int32_t Slot;
};

// Stable, by descending precedence; Prev and Next keep naming the same operands.
void SortByPrecedence(TExpD* List, int32_t n) {
  int32_t order[kMaxOperands];
  for (int32_t k = 0; k < n; ++k) {
    const int32_t item = k;
    int32_t j = k;
    for (; j > 0 && List[order[j - 1]].Prec < List[item].Prec; --j) order[j] = order[j - 1];
    order[j] = item;
  }
  bool moved = false;
  for (int32_t k = 0; k < n && !moved; ++k) moved = order[k] != k;
  if (!moved) return;
  int32_t where[kMaxOperands];
  for (int32_t k = 0; k < n; ++k) where[order[k]] = k;
  TExpD sorted[kMaxOperands];
  for (int32_t k = 0; k < n; ++k) {
    TExpD e = List[order[k]];
    if (e.Prev >= 0 && e.Prev < n) e.Prev = where[e.Prev];
    if (e.Next >= 0 && e.Next < n) e.Next = where[e.Next];
    sorted[k] = e;
  }
  std::copy(sorted, sorted + n, List);
}

// One step per operator, higher precedence first and equal precedence from the left. Each
// group of operands already combined keeps its current value in one slot; a step reads the
// slots that hold its two groups' current values, writes D and copies into E, both slots of the
// merged group.
void EmitCalcOps(TExpD* List, int32_t n) {
  int32_t parent[kMaxOperands], groupSlot[kMaxOperands], groupValue[kMaxOperands], slotValue[kMaxOperands];
  for (int32_t k = 0; k < n; ++k) parent[k] = groupSlot[k] = groupValue[k] = slotValue[k] = k;
  int32_t nextValue = n;
  const auto find = [&parent](int32_t x) {
    while (parent[x] != x) x = parent[x] = parent[parent[x]];
    return x;
  };
  for (int32_t p = 0; p < n; ++p) {
    TExpD& N = List[p];
    if (N.Op == 0 || N.Next < 0 || N.Next >= n) continue;
    TExpD& R = List[N.Next];
    const int32_t gn = find(p), gr = find(N.Next);
    if (gn == gr) continue;
    int32_t a = N.Slot >= 0 ? N.Slot : p;
    if (slotValue[a] != groupValue[gn]) a = groupSlot[gn];
    int32_t b = R.Slot >= 0 ? R.Slot : N.Next;
    if (slotValue[b] != groupValue[gr]) b = groupSlot[gr];
    int32_t d;
    if (R.Slot < 0) {
      d = N.Next;
      N.Slot = R.Slot = d;
    } else {
      d = R.Slot;
      N.Slot = d;
    }
    int32_t x = p;
    while (List[x].Prev >= 0 && List[x].Prev < n && List[List[x].Prev].Prec == N.Prec) x = List[x].Prev;
    int32_t e = List[x].Slot > 0 ? List[x].Slot : 0;
    parent[gn] = gr;
    const int32_t value = nextValue++;
    groupValue[gr] = value;
    groupSlot[gr] = d;
    slotValue[d] = value;
    if (find(e) != gr) e = d;  // never overwrite a value another group still needs
    slotValue[e] = value;
    Out().WriteByte(static_cast<uint8_t>(a));
    Out().WriteByte(static_cast<uint8_t>(b));
    Out().WriteByte(N.Op);
    Out().WriteByte(static_cast<uint8_t>(d));
    Out().WriteByte(static_cast<uint8_t>(e));
  }
}

bool AllDigits(std::string_view S) {
  return std::all_of(S.begin(), S.end(), [](char c) { return c >= '0' && c <= '9'; });
}

uint8_t TypeBit(uint8_t Kind) {
  switch (Kind) {
    case kVarInteger: return kCalcTypeInteger;
    case kVarFloat: return kCalcTypeFloat;
    case kVarString: return kCalcTypeString;
    case kVarRecord: return kCalcTypeRecord;
    default: return 0;
  }
}

uint8_t OperatorIndex(std::string_view Op) {
  static constexpr std::array<TPackedWord, kCalcOperatorCount> kSymbols = [] {
    std::array<TPackedWord, kCalcOperatorCount> s{};
    for (int32_t i = 0; i < kCalcOperatorCount; ++i) s[size_t(i)] = Pack(CalcOperators[i].Symbol);
    return s;
  }();
  if (Op.size() <= 3) {  // the longest operator
    const TPackedWord key = Pack(Op);
    for (int32_t i = kCalcOperatorCount - 1; i >= 0; --i)
      if (kSymbols[size_t(i)] == key) return static_cast<uint8_t>(i);
  }
  Fail("C-001 : ERROR : Unknown calculation-type (" + Quoted(Op) + ")");
  return 0;
}

uint8_t CompileCalcText(std::string_view Expression) {
  if (Current == nullptr) return 255;
  std::string owned;
  std::string_view expr = Expression;
  const bool negative = !expr.empty() && expr[0] == '-';
  if (negative || expr.find('(') != std::string_view::npos) {
    owned = expr;
    if (negative) owned.insert(0, "0");
    // Parenthesised parts first, innermost (last opened) first.
    for (;;) {
      const size_t open = owned.rfind('(');
      if (open == std::string::npos) break;
      const size_t close = owned.find(')', open + 1);
      if (close == std::string::npos) {
        Fail("C-002 : ERROR : Calculation not closed");
        return 255;
      }
      const uint8_t inner = CompileCalcText(std::string_view(owned).substr(open + 1, close - open - 1));
      if (inner == 255 || ScriptErrorFlag) return 255;
      owned.replace(open, close - open + 1, "$" + std::to_string(inner));
    }
    expr = owned;
  }
  // A part that is only a temporary needs no instruction.
  if (!expr.empty() && expr[0] == '$' && expr.size() <= 3 && AllDigits(expr.substr(1))) {
    uint16_t temporary = 0;
    if (!ScriptProfile().TemporaryWord(std::string(expr.substr(1)), temporary)) {
      InvalidNumber(expr);
      return 255;
    }
    return static_cast<uint8_t>(temporary);
  }
  // Operands from the left, each with the operator that follows it.
  TExpD list[kMaxOperands];
  int32_t count = 0;
  size_t pos = 0;
  while (pos < expr.size()) {
    size_t j = pos + 1;
    if (expr[pos] == '\'') {
      while (j < expr.size()) {
        if (expr[j] == '\'') {
          if (j + 1 < expr.size() && expr[j + 1] == '\'') {
            j += 2;
            continue;
          }
          ++j;
          break;
        }
        ++j;
      }
    }
    for (; j < expr.size() && !IsCalcChar(expr[j]); ++j) {
      if (expr[j] == '\'') {
        Fail("C-007 : ERROR : STRING-ERROR (" + Quoted(expr.substr(pos)) + ")!");
        return 255;
      }
    }
    TExpD e;
    e.Op = 0;
    e.At = static_cast<uint32_t>(pos);
    e.Size = static_cast<uint32_t>(j - pos);
    bool last = true;
    if (j < expr.size()) {
      size_t k = j;
      while (k < expr.size() && IsCalcChar(expr[k])) ++k;
      if (k == expr.size()) {
        Fail("C-003 : ERROR : Calc-sign, but no following data");
        return 255;
      }
      e.Op = OperatorIndex(expr.substr(j, k - j));
      last = e.Op == 0;  // an unknown operator ends the operands
      pos = k;
    } else {
      pos = expr.size();
    }
    if (e.Size > 255 || count >= kMaxOperands) {
      TooLong(e.Size > 255 ? "operand longer than 255 characters" : "more than 255 operands");
      return 255;
    }
    e.Prec = CalcOperators[e.Op].Precedence;
    e.Prev = count - 1;
    e.Next = count + 1;
    e.Slot = -1;
    list[count++] = e;
    if (last) break;
  }
  if (count > 1) SortByPrecedence(list, count);
  if (CalcTempCount >= 254) {
    Fail("C-023 : ERROR : Too many calculations without BUFFC (more than 254)");
    return 255;
  }
  TScriptStream& out = Out();
  out.WriteByte(ScriptInstructions[kMnCalc].Opcode);
  out.WriteByte(static_cast<uint8_t>(count));
  uint8_t types = 0;
  for (int32_t k = 0; k < count; ++k) {
    const std::string_view o = expr.substr(list[k].At, list[k].Size);
    const char c = o.empty() ? '\0' : o[0];
    if (c == '\'') {
      std::string text(o.size() >= 2 ? o.substr(1, o.size() - 2) : std::string_view());
      for (size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '\'' && text[i + 1] == '\'') text.erase(i, 1);
      out.WriteByte(kOperandString);
      out.WriteString(text);
      types |= kCalcTypeString;
    } else if (c == '$') {
      uint16_t temporary = 0;
      if (!ScriptProfile().TemporaryWord(std::string(o.substr(1)), temporary)) {
        InvalidNumber(o);
        return 255;
      }
      out.WriteByte(kOperandTemporary);
      out.WriteWord(temporary);
      types |= LastCalcTypes;
    } else if (IsNumberStart(c)) {
      if (o.find('.') != std::string_view::npos) {
        float f = 0;
        if (!ScriptProfile().FloatWord(std::string(o), f)) {
          InvalidNumber(o);
          return 255;
        }
        out.WriteByte(kOperandFloat);
        out.WriteSingle(f);
        types |= kCalcTypeFloat;
      } else {
        int32_t n = 0;
        if (!ScriptProfile().IntWord(std::string(o), n)) {
          InvalidNumber(o);
          return 255;
        }
        out.WriteByte(kOperandInteger);
        out.WriteDWord(static_cast<uint32_t>(n));
        types |= kCalcTypeInteger;
      }
    } else {
      out.WriteByte(kOperandVariable);
      const uint16_t i = VarNameIndex(o);
      if (i == 0) {
        Fail("C-009-006 : ERROR : Unknown variable (" + Quoted(o) + ")");
        return 255;
      }
      out.WriteWord(i);
      if (const auto* v = static_cast<const TSVariable*>(VarNameTable[i].Current)) types |= TypeBit(v->Value->Kind);
    }
  }
  ++CalcTempCount;
  const uint8_t result = static_cast<uint8_t>(CalcTempCount & 255);
  if (count > 1) EmitCalcOps(list, count);
  out.WriteByte(255);
  LastCalcTypes = types;
  if ((types & kCalcTypeString) != 0 && (types & (kCalcTypeInteger | kCalcTypeFloat)) != 0)
    Fail("C-006 : ERROR : Incompatible types : String and Integer/Float");
  return result;
}

}  // namespace

// ---- Name tables

uint16_t VarNameIndex(std::string_view Name) { return FindName(VarNameTable, VarNameCount, Name); }
uint16_t ProcNameIndex(std::string_view Name) { return FindName(ProcNameTable, ProcNameCount, Name); }
int32_t AddVarName(std::string_view Name) { return AddName(VarNameTable, VarNameCount, VarNameIndex(Name), Name); }
int32_t AddProcName(std::string_view Name) { return AddName(ProcNameTable, ProcNameCount, ProcNameIndex(Name), Name); }

void InitCompiler() {
  for (int32_t i = 0; i <= kNameTableSize; ++i) {
    for (TSNLink* link : {&VarNameTable[i], &ProcNameTable[i]}) {
      link->Name.clear();
      link->Current = nullptr;
      link->Bindings.Clear();
    }
  }
  VarNameCount = ProcNameCount = 0;
  for (TTableIndex* index : {&VarIndex, &ProcIndex}) {
    index->Hash.Clear();
    index->Covered = 0;
  }
  CalcTempCount = 0;
  LastCalcTypes = 0;
}

void FreeCompiler() { InitCompiler(); }

void StripQuotes(std::string& S) {
  for (size_t i = 0; i + 1 < S.size(); ++i)
    if (S[i] == '\'') S.erase(i, 1);
}

void AssembleScript(const std::vector<std::string>& Lines, TScriptStream& Code) {
  TAssembly assembly;
  assembly.Code = &Code;
  Current = &assembly;
  VarNameCount = 0;
  ProcNameCount = 0;
  ScriptErrorFlag = false;
  CalcTempCount = 0;
  LastCalcTypes = 0;
  Code.Clear();
  Code.Bytes.reserve(Lines.size() * 8);
  Code.WriteDWord(0);
  for (const std::string& raw : Lines) {
    if (ScriptErrorFlag) break;
    const size_t start = raw.find_first_not_of(' ');
    if (start == std::string::npos) continue;
    const std::string_view line = std::string_view(raw).substr(start);
    if (line[0] == '^') LinkHostVariable(UpperShort(line.substr(1)));
    else if (line[0] == '@') LinkHostProcedure(UpperShort(line.substr(1)));
    else AssembleLine(line);
    if (!ScriptErrorFlag && Code.Size() > size_t(kScriptCodeBufferSize)) TooBig();
  }
  if (!ScriptErrorFlag) {
    const size_t q = Code.Position;
    Code.WriteByte(99);
    Code.WriteWord(static_cast<uint16_t>(VarNameCount));
    Code.WriteWord(static_cast<uint16_t>(ProcNameCount));
    for (int32_t i = 1; i <= VarNameCount; ++i) Code.WriteString(VarNameTable[i].Name);
    for (int32_t i = 1; i <= ProcNameCount; ++i) Code.WriteString(ProcNameTable[i].Name);
    Code.WriteDWord(static_cast<uint32_t>(q));
    if (Code.Size() > size_t(kScriptCodeBufferSize)) TooBig();
  }
  // The bindings named objects of this assembly, which go now; the names stay.
  for (int32_t i = 1; i <= VarNameCount; ++i) {
    VarNameTable[i].Current = nullptr;
    VarNameTable[i].Bindings.SetCount(0);
  }
  for (int32_t i = 1; i <= ProcNameCount; ++i) {
    ProcNameTable[i].Current = nullptr;
    ProcNameTable[i].Bindings.SetCount(0);
  }
  Current = nullptr;
  if (ScriptErrorFlag) Code.Clear();
  const uint32_t size = static_cast<uint32_t>(Code.Size());
  Code.Position = 0;
  Code.WriteDWord(size);
}

uint8_t CalcOpIndex(const std::string& Op) { return OperatorIndex(Op); }

bool IsNumberStart(char C) { return C == '+' || C == '-' || (C >= '0' && C <= '9'); }

uint8_t CompileCalc(const std::string& Expression) { return CompileCalcText(Expression); }
