#include "script/sourcecompiler.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "script/sdatabase.h"

namespace {

// The keywords that head a statement, matched against the whole head; the last equal one counts
// (so "CONST " always reaches its second entry).
constexpr int32_t kKeywordCount = 20;
constexpr std::string_view kKeywords[kKeywordCount] = {
    "IFNOT ", "SCRIPT ", "VAR ",       "BEGIN ",    "IF ",     "FOR ",  "WHILE ", "REPEAT ", "DEFINEPROC ", "DEFINEVAR ",
    "ASM ",   "PROCEDURE ", "FUNCTION ", "RESULT(", "INC(",   "DEC(",  "CONST ", "TYPE ",   "-->",         "CONST "};
enum : int32_t {
  kKwIfNot, kKwScript, kKwVar, kKwBegin, kKwIf, kKwFor, kKwWhile, kKwRepeat, kKwDefineProc, kKwDefineVar,
  kKwAsm, kKwProcedure, kKwFunction, kKwResult, kKwInc, kKwDec, kKwConstUnused, kKwType, kKwStackPop, kKwConst
};

constexpr std::string_view kStatementKeywords[] = {"BEGIN ", "IF ",      "IFNOT ", "FOR ",  "REPEAT ", "WHILE ", "CASE ",
                                          "WITH ",  "ASM ",     "RESULT(", "INC(", "DEC(",    "-->"};

// Words before which a blank is kept, and words after which a line end becomes a blank.
constexpr std::string_view kBlankAfterWords[] = {"IF",  "IFNOT", "SCRIPT", "VAR",        "CONST",     "TYPE",      "BEGIN",   "FOR",
                                        "WHILE", "REPEAT", "DEFINEPROC", "DEFINEVAR", "PROCEDURE", "FUNCTION", "ASM"};
constexpr std::string_view kLineEndAfterWords[] = {"DO",    "TO",     "IF",         "IFNOT",     "SCRIPT",    "VAR",      "CONST",
                                          "TYPE",  "BEGIN",  "FOR",        "WHILE",     "REPEAT",    "DEFINEPROC",
                                          "DEFINEVAR", "PROCEDURE", "FUNCTION", "ASM", "THEN", "ELSE"};

char UpperChar(char C) { return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 'a' + 'A') : C; }

std::string Upper(std::string_view S) {
  std::string out(S);
  for (char& c : out) c = UpperChar(c);
  return out;
}

bool SameNoCase(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i)
    if (UpperChar(A[i]) != UpperChar(B[i])) return false;
  return true;
}

bool StartsAt(std::string_view Text, size_t I, std::string_view Word) {
  return !Word.empty() && I + Word.size() <= Text.size() && Text[I] == Word[0] &&
         Text.compare(I, Word.size(), Word) == 0;
}

// Every keyword and statement head ends in a blank, "(" or ">".
bool MayEndKeyword(const std::string& Head) {
  if (Head.empty()) return false;
  const char c = Head.back();
  return c == ' ' || c == '(' || c == '>';
}

bool StartsWith(std::string_view Text, std::string_view Word) { return Text.substr(0, Word.size()) == Word; }

bool IsNameChar(char C) {
  return (C >= '0' && C <= '9') || (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_';
}

// A literal: it starts with a single quote, a digit, "+" or "-".
bool IsLiteralStart(const std::string& S) {
  if (S.empty()) return false;
  const char c = S[0];
  return c == '\'' || c == '+' || c == '-' || (c >= '0' && c <= '9');
}

// Splits at Sep outside single quotes; an empty text has no piece.
std::vector<std::string> SplitOutsideQuotes(std::string_view S, char Sep) {
  std::vector<std::string> pieces;
  if (S.empty()) return pieces;
  std::string cur;
  bool quote = false;
  for (const char c : S) {
    if (c == '\'') quote = !quote;
    if (!quote && c == Sep) {
      pieces.push_back(cur);
      cur.clear();
      continue;
    }
    cur += c;
  }
  pieces.push_back(cur);
  return pieces;
}

// Splits at every Sep (no quotes tracked); an empty text has no piece.
std::vector<std::string> SplitPlain(std::string_view S, char Sep) {
  std::vector<std::string> pieces;
  if (S.empty()) return pieces;
  size_t from = 0;
  for (;;) {
    const size_t at = S.find(Sep, from);
    if (at == std::string_view::npos) {
      pieces.emplace_back(S.substr(from));
      return pieces;
    }
    pieces.emplace_back(S.substr(from, at - from));
    from = at + 1;
  }
}

std::vector<std::string> SplitArgs(std::string_view Args) {
  std::vector<std::string> args;
  if (Args.empty()) return args;
  std::string cur;
  bool quote = false;
  int32_t depth = 0;
  for (const char c : Args) {
    if (c == '\'') quote = !quote;
    if (!quote) {
      if (c == '(') ++depth;
      else if (c == ')') --depth;
      else if (c == ',' && depth <= 0) {
        args.push_back(cur);
        cur.clear();
        continue;
      }
    }
    cur += c;
  }
  args.push_back(cur);
  return args;
}

std::string Join(const std::vector<std::string>& Items, const std::string& Sep) {
  std::string out;
  for (size_t i = 0; i < Items.size(); ++i) {
    if (i > 0) out += Sep;
    out += Items[i];
  }
  return out;
}

std::string Quoted(const std::string& S) { return "\"" + S + "\""; }

bool Fail(const std::string& Message) {
  ScriptError(Message);
  return false;
}

// A == B, the last characters compared first: names in the tables often differ only there.
bool SameName(const std::string& A, const std::string& B) {
  return A.size() == B.size() && (A.empty() || A.back() == B.back()) && A == B;
}

int32_t Find1(const std::vector<TSVEnt>& Table, const std::string& Upper) {
  for (size_t i = 0; i < Table.size(); ++i)
    if (SameName(Table[i].Name, Upper)) return static_cast<int32_t>(i) + 1;
  return -1;
}

}  // namespace

// ---- Text routines

bool IsCalcChar(char C) { return C != '\0' && std::strchr("+-*/%^=!&|<>", C) != nullptr; }

bool HasCalcChar(const std::string& S) {
  bool quote = false;
  for (const char c : S) {
    if (c == '\'') quote = !quote;
    else if (!quote && IsCalcChar(c)) return true;
  }
  return false;
}

std::string JoinSourceLines(const std::vector<std::string>& Lines) {
  std::string text;
  for (const std::string& line : Lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::string StripComments(const std::string& Text) {
  enum State { kNone, kQuote, kLine, kSlashStar, kParenStar, kBrace };
  // Every character is kept at most once, so the result fits in the text's size.
  std::string out(Text.size(), '\0');
  size_t n = 0;
  State state = kNone;
  size_t start = 0;  // where the open comment began
  size_t i = 0;
  // The last character (the line feed of the final line break) is never examined itself.
  while (i + 1 < Text.size()) {
    const char c = Text[i];
    const char next = Text[i + 1];
    switch (state) {
      case kNone:
        if (c != '\'' && c != '(' && c != '/' && c != '{') {  // plain text
          out[n++] = c;
          ++i;
          break;
        }
        if (c == '\'') state = kQuote;
        else if (c == '(' && next == '*') state = kParenStar;
        else if (c == '/' && next == '/') state = kLine;
        else if (c == '/' && next == '*') state = kSlashStar;
        else if (c == '{') state = kBrace;
        if (state == kNone || state == kQuote) out[n++] = c;
        else start = i;
        ++i;  // the opener's "*" may also close the comment: "/*/" and "(*)" are whole
        break;
      case kQuote:
        if (c == '\'') state = kNone;
        out[n++] = c;
        ++i;
        break;
      case kLine:
        if (c == '\r' && next == '\n') {
          i += 2;  // the line break goes with the comment
          state = kNone;
        } else {
          ++i;
        }
        break;
      case kSlashStar:
      case kParenStar:
        if (c == '*' && next == (state == kSlashStar ? '/' : ')')) {
          i += 2;
          state = kNone;
        } else {
          ++i;
        }
        break;
      case kBrace:
        ++i;
        if (c == '}') state = kNone;
        break;
    }
  }
  // A comment still open stays.
  const size_t from = (state == kNone || state == kQuote) ? std::min(i, Text.size()) : start;
  Text.copy(out.data() + n, Text.size() - from, from);
  out.resize(n + (Text.size() - from));
  return out;
}

std::string SplitStatements(const std::string& Text) {
  const std::string_view t = Text;
  // The words are upper case: a word can only end before I when the character before I is its
  // last letter, and only start after I when the character after I is its first.
  const auto before = [t](size_t I, std::string_view W) {
    return I >= W.size() && UpperChar(t[I - 1]) == W.back() && SameNoCase(t.substr(I - W.size(), W.size()), W);
  };
  const auto after = [t](size_t I, std::string_view W) {
    return I + W.size() < t.size() && UpperChar(t[I + 1]) == W[0] && SameNoCase(t.substr(I + 1, W.size()), W);
  };
  // Every character gives at most one, so the result fits in the text's size.
  std::string out(Text.size(), '\0');
  size_t n = 0;
  bool quote = false;
  for (size_t i = 0; i < t.size(); ++i) {
    const char c = t[i];
    if (!quote && c != '\'' && c != ' ' && c != '\r' && c != '\n') {  // plain text
      out[n++] = UpperChar(c);
      continue;
    }
    if (c == '\'') quote = !quote;
    if (quote) {
      out[n++] = c;
      continue;
    }
    if (c == ' ') {
      // A blank between two characters that no word ends or starts with goes at once.
      const char prev = i > 0 ? UpperChar(t[i - 1]) : '\0';
      const char next = i + 1 < t.size() ? UpperChar(t[i + 1]) : '\0';
      if (!(prev >= 'A' && prev <= 'Z') && next != 'D' && next != 'T' && next != 'E') continue;
      bool keep = before(i, "DO") || after(i, "DO") || before(i, "TO") || after(i, "TO");
      for (const std::string_view w : kBlankAfterWords) keep = keep || before(i, w);
      keep = keep || before(i, "THEN") || after(i, "THEN") || before(i, "ELSE");
      if (keep) out[n++] = ' ';
      else if (after(i, "ELSE")) out[n++] = ';';
    } else if (c == '\r') {
      bool blank = false;
      for (const std::string_view w : kLineEndAfterWords) blank = blank || before(i, w);
      if (blank) out[n++] = ' ';
    } else if (c == '\n') {
      if (after(i, "DO") || after(i, "TO") || after(i, "THEN")) out[n++] = ' ';
      else if (after(i, "ELSE")) out[n++] = ';';
    } else {
      out[n++] = UpperChar(c);
    }
  }
  out.resize(n);
  return out;
}

namespace {
int32_t BlockEnd(std::string_view Text, std::string_view Close, std::string_view Open1, std::string_view Open2,
                 int32_t Depth) {
  if (Text.empty() || Close.empty()) return -1;
  // Only a quote or the first character of a word can change the depth.
  std::array<bool, 256> marks{};
  marks[static_cast<uint8_t>('\'')] = true;
  for (const std::string_view w : {Close, Open1, Open2})
    if (!w.empty()) marks[static_cast<uint8_t>(w[0])] = true;
  bool quote = false;
  for (size_t i = 0; i + Close.size() <= Text.size(); ++i) {
    const char c = Text[i];
    if (!marks[static_cast<uint8_t>(c)]) {
      if (Depth == 0 && !quote) return static_cast<int32_t>(i) + 1;
      continue;
    }
    if (c == '\'') quote = !quote;
    if (quote) continue;
    if (StartsAt(Text, i, Open1) || StartsAt(Text, i, Open2)) ++Depth;
    if (StartsAt(Text, i, Close)) --Depth;
    if (Depth == 0) return static_cast<int32_t>(i) + 1;
  }
  return -1;
}
}  // namespace

int32_t FindBlockEnd(std::string_view Text, const std::string& Close, const std::string& Open1,
                     const std::string& Open2, int32_t Depth) {
  return BlockEnd(Text, Close, Open1, Open2, Depth);
}

int32_t FindBlockEnd(const std::string& Text, const std::string& Close, const std::string& Open1,
                     const std::string& Open2, int32_t Depth) {
  return BlockEnd(Text, Close, Open1, Open2, Depth);
}

int32_t ArgCount(const std::string& Args) { return static_cast<int32_t>(SplitArgs(Args).size()); }

std::string GetArg(const std::string& Args, int32_t K) {
  const std::vector<std::string> args = SplitArgs(Args);
  return K >= 1 && K <= static_cast<int32_t>(args.size()) ? args[size_t(K - 1)] : std::string();
}

bool IsStatementKeyword(const std::string& Head) {
  if (!MayEndKeyword(Head)) return false;
  for (const std::string_view k : kStatementKeywords)
    if (Head == k) return true;
  return false;
}

// ---- The compile context

TSourceCompiler::TSourceCompiler(std::vector<std::string>& Output) : Out(Output) {}

namespace {
// Counts one level of nesting for as long as it lives.
class NestingGuard {
 public:
  explicit NestingGuard(int32_t& Depth) : depth_(Depth) {
    entered_ = depth_ < kSourceNestingLimit;
    if (entered_) ++depth_;
    else Fail("H-020 : ERROR : Nesting too deep (more than " + std::to_string(kSourceNestingLimit) + " levels)!");
  }
  ~NestingGuard() {
    if (entered_) --depth_;
  }
  NestingGuard(const NestingGuard&) = delete;
  NestingGuard& operator=(const NestingGuard&) = delete;
  bool Entered() const { return entered_; }

 private:
  int32_t& depth_;
  bool entered_ = false;
};
}  // namespace

namespace {
// Cuts the output to the lines written when the compilation ends, however it ends.
class OutputEnd {
 public:
  OutputEnd(std::vector<std::string>& Out, const size_t& Lines) : out_(Out), lines_(Lines) {}
  ~OutputEnd() { out_.resize(lines_); }
  OutputEnd(const OutputEnd&) = delete;
  OutputEnd& operator=(const OutputEnd&) = delete;

 private:
  std::vector<std::string>& out_;
  const size_t& lines_;
};
}  // namespace

void TSourceCompiler::Compile(const std::vector<std::string>& Source) {
  ScriptErrorFlag = false;
  Lines = 0;
  const OutputEnd end(Out, Lines);
  std::string text = JoinSourceLines(Source);
  if (text.empty()) return;
  text = StripComments(text);
  if (text.empty()) return;
  text = SplitStatements(text);
  if (text.empty()) return;
  CompilePrepared(text);
}

void TSourceCompiler::CompilePrepared(const std::string& Text) {
  ScriptErrorFlag = false;
  Lines = 0;
  const OutputEnd end(Out, Lines);
  Indent.clear();
  LabelCounter = 0;
  Depth = 0;
  ConstantsReplaced = false;
  Procs.clear();
  Vars.clear();
  Records.clear();
  Consts.clear();
  Scanners.clear();
  if (Text.empty()) return;
  ScanStatements(Text);
  if (!ScriptErrorFlag) {
    NextLine() = "BUFFC";
    NextLine() = "QUIT";
  }
}

// ---- Tables

int32_t TSourceCompiler::FindConst(const std::string& Name) const {
  for (size_t i = 0; i < Consts.size(); ++i)
    if (Consts[i].Name == Name) return static_cast<int32_t>(i) + 1;
  return -1;
}

int32_t TSourceCompiler::FindProc(const std::string& Name) const {
  const std::string upper = Upper(Name);
  for (size_t i = 0; i < Procs.size(); ++i)
    if (SameName(Procs[i].Name, upper)) return static_cast<int32_t>(i) + 1;
  return -1;
}

int32_t TSourceCompiler::FindVar(const std::string& Name) const { return Find1(Vars, Upper(Name)); }

bool TSourceCompiler::CheckVariable(const std::string& Name) {
  if (FindVar(Name) > 0) return true;
  return Fail("H-015 : ERROR : Unknown variable (" + Quoted(Upper(Name)) + ")");
}

uint8_t TSourceCompiler::TypeFamily(const std::string& TypeName) {
  const int32_t family = FindTypeFamily(TypeName);
  if (family >= 0) return static_cast<uint8_t>(family);
  for (size_t i = Records.size(); i >= 1; --i) {
    if (Records[i - 1].Name == TypeName) {
      const int32_t index = static_cast<int32_t>(i);
      if (Scanners.empty()) RecordIndexNoScanner = index;
      else Top().RecordIndex = index;
      return 0;
    }
  }
  Fail("H-012 : ERROR : Unknown class-type (" + Quoted(TypeName) + ")");
  return 0;
}

int32_t TSourceCompiler::CurrentRecordIndex() const {
  return Scanners.empty() ? RecordIndexNoScanner : Scanners.back().RecordIndex;
}

namespace {
bool TableFull(const char* What, int32_t Capacity) {
  return Fail(std::string("H-018 : ERROR : Too many ") + What + " (more than " + std::to_string(Capacity) + ")!");
}
}  // namespace

bool TSourceCompiler::AddProc(const TSPEnt& P) {
  if (static_cast<int32_t>(Procs.size()) >= kSourceProcCapacity) return TableFull("procedures", kSourceProcCapacity);
  Procs.push_back(P);
  return true;
}

bool TSourceCompiler::AddVar(const TSVEnt& V) {
  if (static_cast<int32_t>(Vars.size()) >= kSourceVarCapacity) return TableFull("variables", kSourceVarCapacity);
  Vars.push_back(V);
  return true;
}

bool TSourceCompiler::AddRecord(const TSRecord& R) {
  if (static_cast<int32_t>(Records.size()) >= kSourceRecordCapacity) return TableFull("types", kSourceRecordCapacity);
  Records.push_back(R);
  return true;
}

bool TSourceCompiler::AddConst(const TSConstEnt& C) {
  if (static_cast<int32_t>(Consts.size()) >= kSourceConstCapacity) return TableFull("constants", kSourceConstCapacity);
  // Before the last entry with a shorter name, so that longer names are replaced first.
  for (size_t i = Consts.size(); i >= 1; --i) {
    if (Consts[i - 1].Name.size() < C.Name.size()) {
      Consts.insert(Consts.begin() + static_cast<std::ptrdiff_t>(i - 1), C);
      return true;
    }
  }
  Consts.push_back(C);
  return true;
}

// ---- Scanner text

std::string_view TSourceCompiler::Rest() const {
  const Scanner& s = Scanners.back();
  return std::string_view(s.Text).substr(std::min(s.Pos, s.Text.size()));
}

bool TSourceCompiler::RestEmpty() const { return Scanners.back().Pos >= Scanners.back().Text.size(); }

void TSourceCompiler::Consume(size_t N) {
  Scanner& s = Top();
  s.Pos = std::min(s.Text.size(), s.Pos + N);
}

void TSourceCompiler::PutBack(const std::string& S) {
  Scanner& s = Top();
  if (S.size() <= s.Pos) {
    s.Pos -= S.size();
    s.Text.replace(s.Pos, S.size(), S);
  } else {
    s.Text = S + s.Text.substr(s.Pos);
    s.Pos = 0;
  }
}

std::string TSourceCompiler::TakeUpTo(char C, bool& Found) {
  const std::string_view rest = Rest();
  const size_t at = rest.find(C);
  Found = at != std::string_view::npos;
  std::string piece(Found ? rest.substr(0, at) : rest);
  Consume(Found ? at + 1 : rest.size());
  return piece;
}

std::string TSourceCompiler::TakeWord() {
  bool found = false;
  return TakeUpTo(' ', found);
}

// ---- Emission

// The lines of Out past the ones written are those of an earlier compilation: their buffers are
// reused, and whatever is left of them goes when the compilation ends.
std::string& TSourceCompiler::NextLine() {
  if (Lines == Out.size()) Out.emplace_back();
  std::string& line = Out[Lines++];
  line.clear();
  return line;
}

void TSourceCompiler::EmitLine(std::string_view A, std::string_view B, std::string_view C, std::string_view D) {
  std::string& line = NextLine();
  line.reserve(Indent.size() + A.size() + B.size() + C.size() + D.size());
  line += Indent;
  line += A;
  line += B;
  line += C;
  line += D;
}
void TSourceCompiler::IndentIn() { Indent += "   "; }
void TSourceCompiler::IndentOut() { Indent.erase(0, std::min<size_t>(3, Indent.size())); }

// ---- Scanner and dispatch

void TSourceCompiler::ScanStatements(std::string Text) {
  NestingGuard guard(Depth);
  if (!guard.Entered()) return;
  Scanners.push_back(Scanner{std::move(Text), 0, std::string(), 0});
  while (!RestEmpty() && !ScriptErrorFlag) {
    {
      Scanner& s = Top();
      s.Head += s.Text[s.Pos];
      ++s.Pos;
    }
    if (CompileStatement()) continue;
    {
      // Nothing below applies before the head holds one of the marks ";", "(", "[", ":=" or
      // "-->". Every branch below empties the head, so a head only comes to hold a mark with the
      // character just added.
      const char added = Top().Head.back();
      if (added != ';' && added != '(' && added != '[' && added != '=' && added != '>') continue;
    }
    std::string head = Top().Head;
    if (const size_t arrow = head.find("-->"); arrow != std::string::npos) {
      // "X-->;" pushes X.
      Consume(1);
      head.erase(arrow, 3);
      Top().Head.clear();
      PutBack(head + ";");
      PushVariable(false);
    } else if (const size_t assign = head.find(":="); assign != std::string::npos) {
      head.erase(assign, 2);
      Top().Head.clear();
      CompileAssignment(head);
    } else if (const size_t semi = head.find(';'); semi != std::string::npos) {
      head.erase(semi, 1);
      Top().Head.clear();
      const bool inc = head.size() > 2 && head.find("++") == head.size() - 2;
      const bool dec = head.size() > 2 && head.find("--") == head.size() - 2;
      if (inc || dec) {
        head.erase(head.size() - 2);
        head.erase(0, head.find_first_not_of(' ') == std::string::npos ? head.size() : head.find_first_not_of(' '));
        EmitLine((inc ? "INC " : "DEC "), head);
      } else {
        CompileCall(head, false);
        EmitResultPops(head);
      }
    } else if (const size_t paren = head.find('('); paren != std::string::npos) {
      head.erase(paren, 1);
      Top().Head.clear();
      CompileCall(head, true);
      EmitResultPops(head);
    } else if (const size_t bracket = head.find('['); bracket != std::string::npos) {
      head.erase(bracket, 1);
      Top().Head.clear();
      CompileArraySet(head);
    }
  }
  const std::string left = Top().Head;
  Scanners.pop_back();
  if (!left.empty() && !ScriptErrorFlag) Fail("H-017 : ERROR : Unparseable: " + left);
}

bool TSourceCompiler::CompileStatement() {
  const std::string& head = Top().Head;
  if (head.size() > 11 || !MayEndKeyword(head)) return false;
  int32_t keyword = -1;
  for (int32_t i = kKeywordCount - 1; i >= 0 && keyword < 0; --i)
    if (head == kKeywords[i]) keyword = i;
  if (keyword < 0) return false;
  {
    NestingGuard guard(Depth);
    if (guard.Entered()) {
      switch (keyword) {
        case kKwIfNot: CompileIf(false, false); break;
        case kKwScript: CompileScriptHeader(); break;
        case kKwVar: CompileVar(); break;
        case kKwBegin: CompileBegin(); break;
        case kKwIf: CompileIf(true, false); break;
        case kKwFor: CompileFor(); break;
        case kKwWhile: CompileWhile(); break;
        case kKwRepeat: CompileRepeat(); break;
        case kKwDefineProc: CompileDefineProc(); break;
        case kKwDefineVar: CompileDefineVar(); break;
        case kKwAsm: CompileAsm(); break;
        case kKwProcedure: CompileProcedure(std::string()); break;
        case kKwFunction: CompileFunction(); break;
        case kKwResult: CompileResult(); break;
        case kKwInc: CompileIncDec(true); break;
        case kKwDec: CompileIncDec(false); break;
        case kKwType: CompileType(); break;
        case kKwStackPop: CompileStackPop(); break;
        case kKwConst: CompileConst(); break;
        default: break;
      }
    }
  }
  Top().Head.clear();
  return true;
}

void TSourceCompiler::EmitResultPops(const std::string& Name) {
  if (ScriptErrorFlag) return;
  const int32_t i = FindProc(Name);
  if (i < 0) return;
  for (int32_t k = 0; k < Procs[size_t(i - 1)].ResultCount; ++k) EmitLine("POP");
}

void TSourceCompiler::CompileScriptHeader() {
  const size_t at = Rest().find(';');
  if (at != std::string_view::npos) Consume(at + 1);
}

// ---- Declarations

std::string TSourceCompiler::TakeDeclaration() {
  bool found = false;
  return TakeUpTo(';', found);
}

void TSourceCompiler::CompileDefineProc() {
  const std::string list = TakeDeclaration();
  for (const std::string& name : SplitOutsideQuotes(list, ',')) {
    EmitLine("@", name);
    const std::string upper = Upper(name);
    bool linked = false;
    for (int32_t i = 0; i < ExtProcCount(); ++i) {
      const TSExtProcedure* e = ExtProc(i);
      if (e->Name != upper) continue;
      linked = true;
      if (!AddProc(TSPEnt{upper, e->ParamCount, e->ResultType, e->IsFunction, false})) return;
    }
    if (!linked) {
      Fail("H-001 : ERROR : External procedure not linked! (" + Quoted(name) + ")");
      return;
    }
  }
}

void TSourceCompiler::CompileDefineVar() {
  const std::string list = TakeDeclaration();
  for (const std::string& name : SplitOutsideQuotes(list, ',')) {
    EmitLine("^", name);
    const std::string upper = Upper(name);
    bool linked = false;
    for (int32_t i = 0; i < ExtVarCount(); ++i) {
      const TQzVariantP* v = ExtVar(i);
      if (v->Name != upper) continue;
      linked = true;
      if (!AddVar(TSVEnt{upper, -1, v->Kind})) return;
    }
    if (!linked) {
      Fail("H-001 : ERROR : External variable not linked! (" + Quoted(name) + ")");
      return;
    }
  }
}

namespace {
// True when the mark stands in the text and no blank comes before it.
bool MarkBeforeBlank(std::string_view text, char mark) {
  const size_t m = text.find(mark);
  const size_t b = text.find(' ');
  return m != std::string_view::npos && (b == std::string_view::npos || b > m);
}
}  // namespace

void TSourceCompiler::CompileVar() {
  for (;;) {
    const std::string decl = TakeDeclaration();
    const size_t colon = decl.find(':');
    const std::string names = colon == std::string::npos ? decl : decl.substr(0, colon);
    const std::string type = colon == std::string::npos ? std::string() : decl.substr(colon + 1);
    const std::vector<std::string> declared = SplitOutsideQuotes(names, ',');
    const int32_t family = FindTypeFamily(type);
    if (family >= 0) {
      for (const std::string& n : declared)
        if (!AddVar(TSVEnt{Upper(n), -1, static_cast<uint8_t>(family)})) return;
      EmitLine("SET ", names, " ", type);
    } else {
      bool recordMatched = false;
      int32_t aliasFamily = -1;
      for (size_t r = 0; r < Records.size(); ++r) {
        if (Records[r].Name != type) continue;
        const std::string fields = Records[r].Fields;
        if (fields.empty() || fields[0] != '(') {
          const int32_t f = FindTypeFamily(fields);
          if (f >= 0) aliasFamily = f;
          continue;
        }
        recordMatched = true;
        const std::vector<std::string> items =
            SplitOutsideQuotes(fields.size() >= 2 ? fields.substr(1, fields.size() - 2) : std::string(), ',');
        for (const std::string& v : declared) {
          std::string group;
          for (const std::string& item : items) {
            group = group.empty() ? item : group + "," + item;
            const size_t gc = group.find(':');
            if (gc == std::string::npos) continue;
            const std::string fieldType = group.substr(gc + 1);
            const int32_t ff = FindTypeFamily(fieldType);
            if (ff < 0) {
              Fail("H-012 : ERROR : Unknown class-type (" + Quoted(fieldType) + ")");
              return;
            }
            std::vector<std::string> fieldNames;
            for (const std::string& f : SplitOutsideQuotes(group.substr(0, gc), ',')) {
              fieldNames.push_back(v + "." + f);
              if (!AddVar(TSVEnt{Upper(v + "." + f), -1, static_cast<uint8_t>(ff)})) return;
            }
            EmitLine("SET ", Join(fieldNames, ","), " ", fieldType);
            group.clear();
          }
          if (!AddVar(TSVEnt{Upper(v), static_cast<int32_t>(r) + 1, 3})) return;
        }
        EmitLine("SET ", names, " RECORD");
      }
      if (!recordMatched) {
        if (aliasFamily < 0) {
          Fail("H-012 : ERROR : Unknown class-type (" + Quoted(type) + ")");
          return;
        }
        for (const std::string& n : declared)
          if (!AddVar(TSVEnt{Upper(n), -1, static_cast<uint8_t>(aliasFamily)})) return;
        EmitLine("SET ", names, " ", type);
      }
    }
    if (ScriptErrorFlag) return;
    // Another declaration follows when a ":" comes before the next blank.
    if (!MarkBeforeBlank(Rest(), ':')) return;
  }
}

void TSourceCompiler::CompileType() {
  for (;;) {
    const std::string decl = TakeDeclaration();
    const size_t eq = decl.find('=');
    const std::string name = eq == std::string::npos ? decl : decl.substr(0, eq);
    const std::string def = eq == std::string::npos ? std::string() : decl.substr(eq + 1);
    if (def.find("RECORD(") != std::string::npos) {
      const std::string list = def.size() >= 8 ? def.substr(7, def.size() - 8) : std::string();
      if (!AddRecord(TSRecord{name, "(" + list + ")"})) return;
    } else if (!AddRecord(TSRecord{name, def})) {
      return;
    }
    if (!MarkBeforeBlank(Rest(), '=')) return;
  }
}

void TSourceCompiler::CompileConst() {
  for (;;) {
    const std::string decl = TakeDeclaration();
    const size_t colon = decl.find(':');
    const size_t eq = decl.find('=');
    const bool untyped = colon == std::string::npos || eq == std::string::npos || colon > eq;
    const bool another = MarkBeforeBlank(Rest(), '=');
    if (untyped) {
      const std::string name = (eq == std::string::npos ? decl : decl.substr(0, eq)).substr(0, 50);
      const std::string value = (eq == std::string::npos ? std::string() : decl.substr(eq + 1)).substr(0, 50);
      if (!AddConst(TSConstEnt{name, value})) return;
      if (!another) return;
    } else {
      const std::string name = decl.substr(0, colon);
      const std::string type = decl.substr(colon + 1, eq - colon - 1);
      const std::string value = decl.substr(eq + 1);
      EmitLine("SET ", name, " ", type);
      if (HasCalcChar(value)) {
        PushExpression(value);
        if (ScriptErrorFlag) return;
        EmitLine("POPV ", name);
      } else {
        EmitLine("MOV ", name, " ", value);
      }
      const std::string_view after = Rest();  // the push may have read from it
      const size_t e2 = after.find('=');
      const size_t b2 = after.find(' ');
      if (b2 == std::string_view::npos || e2 == std::string_view::npos || b2 < e2) return;
    }
  }
}

void TSourceCompiler::CompileProcedure(const std::string& ResultType) {
  // The header: up to the ";" of the first ");" when a "(" comes before the first ";".
  std::string header;
  {
    const std::string_view rest = Rest();
    const size_t semi = rest.find(';');
    const size_t paren = rest.find('(');
    if (paren != std::string_view::npos && (semi == std::string_view::npos || paren < semi)) {
      const size_t close = rest.find(");");
      header = std::string(close == std::string_view::npos ? rest : rest.substr(0, close + 1));
      Consume(close == std::string_view::npos ? rest.size() : close + 2);
    } else {
      header = std::string(semi == std::string_view::npos ? rest : rest.substr(0, semi));
      Consume(semi == std::string_view::npos ? rest.size() : semi + 1);
    }
  }
  std::string body;
  if (!TakeBlock("RET;", "PROCEDURE", "", "H-006 : ERROR : End of procedure (" + Quoted(header) + ") couldn't be found!",
                 body))
    return;
  body += "END;";
  EmitLine("");
  IndentIn();

  struct Group {
    std::string Names, Type;
    std::vector<std::string> List;
  };
  std::vector<Group> groups;
  std::string name = header;
  std::string procLine;
  if (const size_t open = header.find('('); open != std::string::npos) {
    name = header.substr(0, open);
    const size_t close = header.rfind(')');
    const std::string params =
        header.substr(open + 1, close == std::string::npos || close < open ? std::string::npos : close - open - 1);
    for (const std::string& g : SplitPlain(params, ';')) {
      if (g.empty()) continue;
      const size_t colon = g.find(':');
      Group group;
      group.Names = colon == std::string::npos ? g : g.substr(0, colon);
      group.Type = colon == std::string::npos ? std::string() : g.substr(colon + 1);
      group.List = SplitOutsideQuotes(group.Names, ',');
      groups.push_back(group);
    }
    procLine = "PROC " + name;
    for (const Group& g : groups)
      for (const std::string& n : g.List) procLine += " " + n + "/" + g.Type;
  } else {
    procLine = "PROC " + header;
  }
  EmitLine(procLine);

  const size_t varMark = Vars.size();
  int32_t paramCount = 0;
  for (const Group& g : groups) {
    EmitLine("SET ", g.Names, " ", g.Type);
    const int32_t family = FindTypeFamily(Upper(g.Type));
    if (family < 0) {
      Fail("H-012 : ERROR : Unknown class-type (" + Quoted(g.Type) + ")");
      return;
    }
    for (const std::string& n : g.List)
      if (!AddVar(TSVEnt{Upper(n), -1, static_cast<uint8_t>(family)})) return;
    for (const std::string& n : g.List) EmitLine("POPV ", n);
    paramCount += static_cast<int32_t>(g.List.size());
  }
  // Declared before its body, so that it can call itself.
  if (!AddProc(TSPEnt{Upper(name), paramCount, ResultType, ResultType.empty() ? 0 : 1, true})) return;
  const size_t procMark = Procs.size();
  const size_t constMark = Consts.size();
  const size_t recordMark = Records.size();
  ScanStatements(std::move(body));
  if (ScriptErrorFlag) return;
  for (const Group& g : groups) EmitLine("UNSET ", g.Names);
  EmitLine("RET");
  IndentOut();
  EmitLine("");
  // Parameters, local variables, constants, types and nested procedures are forgotten.
  Procs.resize(procMark);
  Consts.resize(constMark);
  Records.resize(recordMark);
  Vars.resize(varMark);
}

void TSourceCompiler::CompileFunction() {
  std::string resultType;
  {
    const std::string_view rest = Rest();
    const size_t semi = rest.find(';');
    const std::string_view head = semi == std::string_view::npos ? rest : rest.substr(0, semi);
    size_t colon = std::string_view::npos;
    if (semi == std::string_view::npos || head.find('(') != std::string_view::npos) {
      const size_t close = rest.find("):");
      if (close != std::string_view::npos) colon = close + 1;
    } else {
      colon = rest.find(':');
    }
    if (colon != std::string_view::npos) {
      const size_t typeEnd = rest.find(';', colon);
      const size_t len = (typeEnd == std::string_view::npos ? rest.size() : typeEnd) - colon;
      resultType = std::string(rest.substr(colon + 1, len - 1));
      // The result type leaves the text: what stands before it is put back in front of what
      // follows it.
      const std::string front(rest.substr(0, colon));
      Consume(colon + len);
      PutBack(front);
    }
  }
  CompileProcedure(resultType);
}

void TSourceCompiler::CompileResult() {
  std::string e;
  if (!TakeBlock(";", "", "", "H-008 : ERROR : End of result-command couldn't be found!", e)) return;
  if (!e.empty() && e.back() == ')') e.pop_back();
  PushExpression(e);
  if (ScriptErrorFlag) return;
  EmitLine("POP");
}

// ---- Expressions, assignments and calls

void TSourceCompiler::ConvertArrayReads(std::string& E) {
  for (;;) {
    const size_t open = E.find('[');
    if (open == std::string::npos) return;
    size_t close = std::string::npos;
    int32_t depth = 0;
    bool quote = false;
    for (size_t j = open; j < E.size(); ++j) {
      if (E[j] == '\'') quote = !quote;
      if (quote) continue;
      if (E[j] == '[') ++depth;
      else if (E[j] == ']' && --depth == 0) {
        close = j;
        break;
      }
    }
    if (close == std::string::npos) {
      Fail("H-014 : ERROR : End of array not found!");
      return;
    }
    E[open] = '(';
    E[close] = ')';
    E.insert(open, "$_");
  }
}

bool TSourceCompiler::SubstituteConstants(std::string& S) {
  for (const TSConstEnt& c : Consts) {
    if (c.Name.empty()) continue;
    // A value that holds its own name would be replaced without end: each occurrence is
    // replaced once, and the search goes on after the value put in.
    // Otherwise the search goes on where a new occurrence could start: no occurrence stood
    // before the one replaced, so a new one overlaps the value put in.
    const bool selfContaining = c.Value.find(c.Name) != std::string::npos;
    // An assignment replaces its constants before its expression is compiled, which replaces
    // them again: a value that holds its own name is put in by the first of these only.
    if (selfContaining && ConstantsReplaced) continue;
    size_t from = 0;
    size_t replaced = 0;
    for (;;) {
      const size_t at = S.find(c.Name, from);
      if (at == std::string::npos) break;
      S.replace(at, c.Name.size(), c.Value);
      from = selfContaining ? at + c.Value.size() : (at >= c.Name.size() - 1 ? at - (c.Name.size() - 1) : 0);
      if (S.size() > kSourceExpressionLimit || ++replaced > kSourceExpressionLimit)
        return Fail("H-022 : ERROR : Constant replacement gets too long (" + Quoted(c.Name) + ")!");
    }
  }
  return true;
}

bool TSourceCompiler::ExtractCalls(std::string& E, std::vector<Call>& Calls) {
  bool quote = false;
  size_t i = 0;
  while (i < E.size()) {
    const char c = E[i];
    if (c == '\'') quote = !quote;
    if (quote || c != '(' || i == 0 || !IsNameChar(E[i - 1])) {
      ++i;
      continue;
    }
    // The ")" that closes the call, or the end of the expression.
    size_t close = std::string::npos;
    int32_t depth = 0;
    bool q = false;
    for (size_t j = i; j < E.size(); ++j) {
      if (E[j] == '\'') q = !q;
      if (q) continue;
      if (E[j] == '(') ++depth;
      else if (E[j] == ')' && --depth == 0) {
        close = j;
        break;
      }
    }
    size_t start = i;
    while (start > 0 && !IsCalcChar(E[start - 1]) && E[start - 1] != '(') --start;
    if (static_cast<int32_t>(Calls.size()) >= kSourceCallsPerExpression) {
      Fail("H-019 : ERROR : Too many function calls in one expression (more than " +
           std::to_string(kSourceCallsPerExpression) + ")!");
      return true;
    }
    Call call;
    call.Name = E.substr(start, i - start);
    call.Args = close == std::string::npos ? E.substr(i + 1) : E.substr(i + 1, close - i - 1);
    call.Temp = "__" + call.Name + std::to_string(Calls.size() + 1);
    const size_t end = close == std::string::npos ? E.size() : close + 1;
    E.replace(start, end - start, call.Temp);
    i = start + call.Temp.size();
    Calls.push_back(call);
  }
  return !Calls.empty();
}

// A parenthesised part becomes a CALC instruction of its own whose result the rest reads by its
// number among the CALC results since the last BUFFC. That count is fixed when the text is
// assembled, but at run time a called procedure, a loop's jump back or a skipped block can leave
// other CALC results before it: such a CALC starts from a cleared count.
void TSourceCompiler::EmitCalc(const std::string& E) {
  bool quote = false;
  for (const char c : E) {
    if (c == '\'') quote = !quote;
    if (!quote && c == '(') {
      EmitLine("BUFFC");
      break;
    }
  }
  EmitLine("CALC ", E);
}

void TSourceCompiler::CompileExpression(std::string E) {
  ConvertArrayReads(E);
  if (ScriptErrorFlag) return;
  std::vector<Call> calls;
  if (ExtractCalls(E, calls)) {
    if (ScriptErrorFlag) return;
    EmitLine("BLOCK");
    IndentIn();
    const size_t varMark = Vars.size();
    std::vector<std::string> temps;
    for (const Call& c : calls) {
      const int32_t p = FindProc(c.Name);
      if (p < 0) {
        Fail("H-003 : ERROR : Unknown function " + Quoted(c.Name) + "!");
        return;
      }
      const std::string resultType = Procs[size_t(p - 1)].ResultType;
      if (resultType.empty()) {
        Fail("H-004 : ERROR : " + Quoted(c.Name) + " is no function, but only a normal procedure!");
        return;
      }
      EmitLine("SET ", c.Temp, " ", resultType);
      // Registered result types may be written in any case ("Integer").
      const uint8_t family = TypeFamily(Upper(resultType));
      if (ScriptErrorFlag) return;
      if (!AddVar(TSVEnt{Upper(c.Temp), family == 3 ? CurrentRecordIndex() : 0, family})) return;
      temps.push_back(c.Temp);
    }
    for (const Call& c : calls) {
      PutBack(c.Args + ");");
      CompileCall(c.Name, true);
      if (ScriptErrorFlag) return;
      PutBack(c.Temp + ";");
      PopVariable();
      if (ScriptErrorFlag) return;
    }
    EmitCalc(E);
    EmitLine("UNSET ", Join(temps, ","));
    Vars.resize(std::min(Vars.size(), varMark));
    IndentOut();
    EmitLine("ENDBLOCK");
  } else if (HasCalcChar(E)) {
    if (!SubstituteConstants(E)) return;
    EmitCalc(E);
  } else if (IsLiteralStart(E)) {
    EmitLine("PUSHVA ", E);
    EmitLine("POP");
  } else {
    EmitLine("MOVR ", E);
  }
}

void TSourceCompiler::PushExpression(std::string E) {
  NestingGuard guard(Depth);
  if (!guard.Entered()) return;
  ConvertArrayReads(E);
  if (ScriptErrorFlag) return;
  if (HasCalcChar(E)) {
    CompileExpression(E);
    if (ScriptErrorFlag) return;
    EmitLine("PUSH");
  } else if (IsLiteralStart(E)) {
    EmitLine("PUSHVA ", E);
  } else if (const size_t open = E.find('(', 1); open != std::string::npos) {
    // A call whose result stays on the stack.
    PutBack(E.substr(open + 1) + ";");
    EmitLine("BLOCK");
    IndentIn();
    CompileCall(E.substr(0, open), true);
    if (ScriptErrorFlag) return;
    IndentOut();
    EmitLine("ENDBLOCK");
  } else if (const int32_t k = FindConst(E); k > 0) {
    EmitLine("PUSHVA ", Consts[size_t(k - 1)].Value);
  } else if (!E.empty() && E[0] == '@') {
    const std::string name = E.substr(1);
    if (!CheckVariable(name)) return;
    EmitLine("PUSHPOINTER ", name);
  } else {
    if (!CheckVariable(E)) return;
    PutBack(E + ";");
    PushVariable(false);
  }
}

void TSourceCompiler::CompileAssignment(const std::string& Target) {
  std::string e;
  if (!TakeBlock(";", "", "", "H-005 : ERROR : End of variable-declaration not found!", e)) return;
  if (!SubstituteConstants(e)) return;
  const bool outerReplaced = ConstantsReplaced;
  ConstantsReplaced = true;
  CompileAssignedValue(Target, e);
  ConstantsReplaced = outerReplaced;
}

void TSourceCompiler::CompileAssignedValue(const std::string& Target, std::string e) {
  ConvertArrayReads(e);
  if (ScriptErrorFlag) return;
  if (std::any_of(e.begin(), e.end(), IsCalcChar)) {
    CompileExpression(e);
    if (ScriptErrorFlag || !CheckVariable(Target)) return;
    EmitLine("MOVR +", Target);
  } else if (IsLiteralStart(e)) {
    if (!CheckVariable(Target)) return;
    EmitLine("MOV ", Target, " ", e);
  } else if (e.find('(', 1) == std::string::npos) {
    if (!CheckVariable(Target) || !CheckVariable(e)) return;
    const bool targetRecord = Vars[size_t(FindVar(Target) - 1)].Family == 3;
    const bool sourceRecord = Vars[size_t(FindVar(e) - 1)].Family == 3;
    if (targetRecord && sourceRecord) {
      // Field by field: pushed first to last, popped last to first.
      PutBack(e + ";");
      PushVariable(true);
      if (ScriptErrorFlag) return;
      PutBack(Target + ";");
      PopVariable();
    } else if (!targetRecord && !sourceRecord) {
      EmitLine("MOVD ", e, " ", Target);
    }
  } else {
    const size_t open = e.find('(');
    PutBack(e.substr(open + 1) + ";");
    EmitLine("BLOCK");
    IndentIn();
    CompileCall(e.substr(0, open), true);
    if (ScriptErrorFlag || !CheckVariable(Target)) return;
    PutBack(Target + ";");
    PopVariable();
    if (ScriptErrorFlag) return;
    IndentOut();
    EmitLine("ENDBLOCK");
  }
  if (ScriptErrorFlag) return;
  EmitLine("BUFFC");
}

void TSourceCompiler::CompileCall(const std::string& Name, bool WithArguments) {
  NestingGuard guard(Depth);
  if (!guard.Entered()) return;
  // A function declared by the script (the one the assembler calls: the last declared) leaves
  // its result in the accumulator (RESULT); the call pushes it, so that every caller takes it
  // from the stack like a host function's.
  const auto afterScriptCall = [this, &Name] {
    const std::string upper = Upper(Name);
    for (size_t i = Procs.size(); i >= 1; --i) {
      if (SameName(Procs[i - 1].Name, upper) && Procs[i - 1].ScriptDeclared) {
        if (Procs[i - 1].ResultCount > 0) EmitLine("PUSH");
        return;
      }
    }
  };
  if (!WithArguments) {
    if (FindProc(Name) < 0) {
      Fail("H-003 : ERROR : Unknown function " + Quoted(Name) + "!");
      return;
    }
    EmitLine("CALLINTEX ", Name);
    afterScriptCall();
    return;
  }
  EmitLine("BLOCK");
  IndentIn();
  // The arguments run to the ")" that closes the call, which a ";" must follow.
  const std::string_view rest = Rest();
  size_t close = std::string_view::npos;
  int32_t depth = 1;
  bool quote = false;
  for (size_t j = 0; j < rest.size(); ++j) {
    if (rest[j] == '\'') quote = !quote;
    if (quote) continue;
    if (rest[j] == '(') ++depth;
    else if (rest[j] == ')' && --depth == 0) {
      close = j;
      break;
    }
  }
  if (close == std::string_view::npos || close + 1 >= rest.size() || rest[close + 1] != ';') {
    Fail("H-016 : ERROR : Semicolon awaited");
    return;
  }
  const std::string args(rest.substr(0, close));
  Consume(close + 2);
  const int32_t p = FindProc(Name);
  if (p < 0) {
    Fail("H-003 : ERROR : Unknown function " + Quoted(Name) + "!");
    return;
  }
  const std::vector<std::string> list = SplitArgs(args);
  if (static_cast<int32_t>(list.size()) != Procs[size_t(p - 1)].ParamCount) {
    Fail("H-011 : ERROR : Incorrect parameter count while calling function " + Quoted(Name + "(" + args + ")") + "!");
    return;
  }
  // Last argument first: the callee takes its first argument first.
  for (size_t k = list.size(); k >= 1; --k) {
    PushExpression(list[k - 1]);
    if (ScriptErrorFlag) return;
  }
  EmitLine("BUFFC");
  EmitLine("CALLINTEX ", Name);
  afterScriptCall();
  IndentOut();
  EmitLine("ENDBLOCK");
}

void TSourceCompiler::PushVariable(bool Forward) {
  bool found = false;
  const std::string name = TakeUpTo(';', found);
  const std::string upper = Upper(name);
  if (FindVar(upper) < 0) {
    Fail("H-015 : ERROR : Unknown variable (" + Quoted(upper) + ")");
    return;
  }
  const std::string prefix = upper + ".";
  std::vector<size_t> fields;
  for (size_t i = 0; i < Vars.size(); ++i)
    if (Vars[i].Name.compare(0, prefix.size(), prefix) == 0) fields.push_back(i);
  if (fields.empty()) {
    EmitLine("PUSHV ", name);
    return;
  }
  const auto isField = [this, &prefix](size_t i) { return Vars[i].Name.compare(0, prefix.size(), prefix) == 0; };
  if (Forward) {
    for (size_t i = fields.front(); i < Vars.size() && isField(i); ++i) EmitLine("PUSHV ", Vars[i].Name);
  } else {
    for (size_t i = fields.back() + 1; i >= 1 && isField(i - 1); --i) EmitLine("PUSHV ", Vars[i - 1].Name);
  }
}

void TSourceCompiler::PopVariable() {
  bool found = false;
  const std::string name = TakeUpTo(';', found);
  const std::string upper = Upper(name);
  if (FindVar(upper) < 0) {
    Fail("H-015 : ERROR : Unknown variable (" + Quoted(upper) + ")");
    return;
  }
  const std::string prefix = upper + ".";
  size_t last = Vars.size();
  for (size_t i = 0; i < Vars.size(); ++i)
    if (Vars[i].Name.compare(0, prefix.size(), prefix) == 0) last = i;
  if (last == Vars.size()) {
    EmitLine("POPV ", name);
    return;
  }
  for (size_t i = last + 1; i >= 1 && Vars[i - 1].Name.compare(0, prefix.size(), prefix) == 0; --i)
    EmitLine("POPV ", Vars[i - 1].Name);
}

void TSourceCompiler::CompileIncDec(bool Increment) {
  const std::string_view rest = Rest();
  const size_t end = rest.find(");");
  if (end == std::string_view::npos) {
    Fail(std::string("H-017 : ERROR : Unparseable: ") + (Increment ? "INC(" : "DEC(") + std::string(rest));
    return;
  }
  const std::string operand(rest.substr(0, end));
  Consume(end + 2);
  EmitLine((Increment ? "INC " : "DEC "), operand);
}

void TSourceCompiler::CompileStackPop() { PopVariable(); }

void TSourceCompiler::CompileArraySet(const std::string& Name) {
  std::string statement;
  if (!TakeBlock(";", "", "", "H-013 : ERROR : End of array-set not found!", statement)) return;
  size_t assign = std::string::npos;
  bool quote = false;
  for (size_t i = 0; i + 1 < statement.size(); ++i) {
    if (statement[i] == '\'') quote = !quote;
    if (!quote && statement[i] == ':' && statement[i + 1] == '=') {
      assign = i;
      break;
    }
  }
  if (assign == std::string::npos) {
    Fail("H-021 : ERROR : \":=\" awaited in array-set!");
    return;
  }
  std::string index = statement.substr(0, assign);
  if (!index.empty() && index.back() == ']') index.pop_back();
  PutBack(index + "," + statement.substr(assign + 2) + ");");
  CompileCall(Name + "$__", true);
}

// ---- Blocks and control flow

std::string TSourceCompiler::ReadStatementHead() {
  std::string head;
  bool quote = false;
  while (!RestEmpty()) {
    const char c = Rest()[0];
    Consume(1);
    head += c;
    if (c == '\'') quote = !quote;
    if (!quote && (c == ';' || c == '(' || c == ' ')) break;
    if (IsStatementKeyword(head)) break;
  }
  return head;
}

void TSourceCompiler::CompileStatementHead(const std::string& Head, bool ForLoop) {
  if (IsStatementKeyword(Head)) {
    Top().Head = Head;
    // CASE and WITH are statement heads without a compiler.
    if (!CompileStatement()) {
      Top().Head.clear();
      Fail("H-017 : ERROR : Unparseable: " + Head);
    }
    return;
  }
  const size_t assign = Head.find(":=");
  const size_t paren = Head.find('(');
  if (assign != std::string::npos && (paren == std::string::npos || paren > assign)) {
    PutBack(Head.substr(Head.find('=') + 1));
    CompileAssignment(Head.substr(0, Head.find(':')));
    return;
  }
  if (paren != std::string::npos) {
    const std::string name = Head.substr(0, Head.size() - 1);
    CompileCall(name, true);
    EmitResultPops(name);
    return;
  }
  std::string name = Head.empty() ? std::string() : Head.substr(0, Head.size() - 1);
  if (ForLoop && name.size() > 2) {
    const bool inc = name.compare(name.size() - 2, 2, "++") == 0;
    const bool dec = name.compare(name.size() - 2, 2, "--") == 0;
    if (inc || dec) {
      name.erase(name.size() - 2);
      const size_t first = name.find_first_not_of(' ');
      name.erase(0, first == std::string::npos ? name.size() : first);
      EmitLine((inc ? "INC " : "DEC "), name);
      return;
    }
  }
  CompileCall(name, false);
  EmitResultPops(name);
}

bool TSourceCompiler::TakeBlock(const char* EndWord, const char* Open, const char* Other, const std::string& Missing,
                                std::string& Body) {
  const int32_t end = BlockEnd(Rest(), EndWord, Open, Other, 1);
  if (end < 0) {
    Fail(Missing);
    return false;
  }
  Body = std::string(Rest().substr(0, size_t(end - 1)));
  Consume(size_t(end - 1) + std::strlen(EndWord));
  return true;
}

void TSourceCompiler::CompileBegin() {
  EmitLine("BLOCK");
  IndentIn();
  std::string body;
  if (!TakeBlock("END;", "BEGIN", "ASM", "H-004 : ERROR : \"End;\" couldn't be found!", body)) return;
  ScanStatements(std::move(body));
  if (ScriptErrorFlag) return;
  IndentOut();
  EmitLine("ENDBLOCK");
}

void TSourceCompiler::CompileAsm() {
  std::string block;
  if (!TakeBlock("END;", "ASM", "BEGIN", "H-007 : ERROR : End of assembler-part couldn't be found!", block)) return;
  // Each line is a quoted text followed by ";".
  const std::vector<std::string> pieces = SplitOutsideQuotes(block, ';');
  for (size_t i = 0; i + 1 < pieces.size(); ++i)
    EmitLine(pieces[i].size() >= 2 ? pieces[i].substr(1, pieces[i].size() - 2) : std::string());
}

void TSourceCompiler::CompileIf(bool Positive, bool IsElse) {
  std::string condition;
  if (!IsElse) {
    condition = TakeWord();
    TakeWord();  // THEN
  }
  const std::string head = ReadStatementHead();
  EmitLine("BLOCK");
  IndentIn();
  size_t pushLine = std::string::npos;
  if (!IsElse) {
    CompileExpression(condition);
    if (ScriptErrorFlag) return;
    pushLine = Lines;
    EmitLine("PUSH");  // kept for an ELSE part, which takes the condition back
  } else {
    EmitLine("POP");
  }
  EmitLine("BUFFC");
  EmitLine(Positive ? "IF" : "IFNT");
  EmitLine("BLOCK");
  IndentIn();
  CompileStatementHead(head, false);
  if (ScriptErrorFlag) return;
  IndentOut();
  EmitLine("ENDBLOCK");
  IndentOut();
  EmitLine("ENDBLOCK");
  if (StartsWith(Rest(), "ELSE ")) {
    Consume(5);
    CompileIf(!Positive, true);
  } else if (pushLine != std::string::npos) {
    // The line leaves the written lines; its buffer joins the spare ones.
    std::rotate(Out.begin() + static_cast<std::ptrdiff_t>(pushLine), Out.begin() + static_cast<std::ptrdiff_t>(pushLine) + 1,
                Out.begin() + static_cast<std::ptrdiff_t>(Lines));
    --Lines;
  }
}

void TSourceCompiler::CompileFor() {
  const std::string first = TakeWord();
  const std::string direction = Upper(TakeWord());
  const std::string endValue = TakeWord();
  TakeWord();  // DO
  const size_t colon = first.find(':');
  const size_t eq = first.find('=');
  const std::string var = colon == std::string::npos ? first : first.substr(0, colon);
  const std::string start = eq == std::string::npos ? std::string() : first.substr(eq + 1);
  bool up;
  if (direction == "TO" || direction == "UP") {
    up = true;
  } else if (direction == "DOWNTO" || direction == "DOWN") {
    up = false;
  } else {
    Fail("H-002 : ERROR : TO/DOWNTO/UP/DOWN awaited, but " + Quoted(direction) + " found!");
    return;
  }
  const std::string head = ReadStatementHead();
  EmitLine("BLOCK");
  IndentIn();
  PushExpression(start);
  if (ScriptErrorFlag || !CheckVariable(var)) return;
  EmitLine("POPV ", var);
  PushExpression(endValue);
  if (ScriptErrorFlag) return;
  EmitLine("SET __E__ INTEGER");
  EmitLine("POPV __E__");
  EmitLine("CALC ", var, (up ? "<=__E__" : ">=__E__"));
  EmitLine("IF");
  EmitLine("BLOCK");
  IndentIn();
  const std::string label = "__$" + std::to_string(++LabelCounter) + "__";
  EmitLine("LABEL ", label);
  CompileStatementHead(head, true);
  if (ScriptErrorFlag) return;
  if (up) {
    EmitLine("INC ", var);
    EmitLine("SME ", var, " __E__");
  } else {
    EmitLine("DEC ", var);
    EmitLine("CALC ", var, ">=__E__");
    EmitLine("BUFFC");
  }
  EmitLine("IF");
  EmitLine("JUMP ", label);
  IndentOut();
  EmitLine("ENDBLOCK");
  EmitLine("UNSET __E__");
  IndentOut();
  EmitLine("ENDBLOCK");
}

void TSourceCompiler::CompileRepeat() {
  std::string body;
  if (!TakeBlock("UNTIL", "REPEAT", "", "H-009 : ERROR : End of repeat-loop couldn't be found!", body)) return;
  bool found = false;
  const std::string condition = TakeUpTo(';', found);
  EmitLine("BLOCK");
  IndentIn();
  const std::string label = "__$" + std::to_string(++LabelCounter) + "__";
  EmitLine("LABEL ", label);
  ScanStatements(std::move(body));
  if (ScriptErrorFlag) return;
  CompileExpression(condition);
  if (ScriptErrorFlag) return;
  EmitLine("BUFFC");
  EmitLine("IFNT");
  EmitLine("JUMP ", label);
  IndentOut();
  EmitLine("ENDBLOCK");
}

void TSourceCompiler::CompileWhile() {
  const std::string condition = TakeWord();
  TakeWord();  // DO
  // The body is always a block.
  if (!StartsWith(Rest(), "BEGIN ")) {
    Fail("H-010 : ERROR : End of while-loop couldn't be found!");
    return;
  }
  Consume(6);
  std::string body;
  if (!TakeBlock("END;", "BEGIN", "ASM", "H-010 : ERROR : End of while-loop couldn't be found!", body)) return;
  EmitLine("BLOCK");
  IndentIn();
  const std::string label = "__$" + std::to_string(++LabelCounter) + "__";
  EmitLine("LABEL ", label);
  CompileExpression(condition);
  if (ScriptErrorFlag) return;
  EmitLine("PUSH");
  EmitLine("BUFFC");
  EmitLine("IF");
  EmitLine("BLOCK");
  IndentIn();
  ScanStatements(std::move(body));
  if (ScriptErrorFlag) return;
  IndentOut();
  EmitLine("ENDBLOCK");
  EmitLine("POP");
  EmitLine("IF");
  EmitLine("JUMP ", label);
  IndentOut();
  EmitLine("ENDBLOCK");
}

// ---- Entry points

void CompileSource(const std::vector<std::string>& Source, std::vector<std::string>& Output) {
  TSourceCompiler compiler(Output);
  compiler.Compile(Source);
}

bool CompileScript(const std::vector<std::string>& Source, std::vector<std::string>& Assembler, TScriptStream& Code) {
  Code.Clear();
  CompileSource(Source, Assembler);
  if (ScriptErrorFlag) return false;
  AssembleScript(Assembler, Code);
  if (ScriptErrorFlag) {
    Code.Clear();
    return false;
  }
  return true;
}
