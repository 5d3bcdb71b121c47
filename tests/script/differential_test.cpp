// The interpreter and the assembler against their recorded behaviour. Every image of the script
// fuzz corpora, every image and assembler text the script tests ran (kept in
// differential/inputs.txt), the sources of the source corpus compiled, and a fixed set of
// byte-changed copies of each image are assembled and run with one fixed registry; what each
// case gave (image bytes, result, shown texts, every error report with its position, host
// variables and stack afterwards) must equal differential/expected.txt.
//
// The expected file was written by this program: run it with CORVANE_RECORD_DIFFERENTIAL=1 to
// write it anew from the interpreter and assembler as they are (only when a change of behaviour
// is meant).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/base/diagnostics.h"
#include "engine/base/types.h"
#include "platform/platform.h"
#include "script/buildingscript.h"
#include "script/compiler.h"
#include "script/interpreter.h"
#include "script/profile.h"
#include "script/scripts.h"
#include "script/sdatabase.h"
#include "script/sourcecompiler.h"

namespace {

namespace fs = std::filesystem;

const fs::path kHere = fs::path(__FILE__).parent_path();
const fs::path kInputs = kHere / "differential" / "inputs.txt";
const fs::path kExpected = kHere / "differential" / "expected.txt";
const fs::path kCorpora = kHere.parent_path().parent_path() / "fuzz" / "corpus";

// ---- The fixed registry

int32_t HostInt = 0;
float HostFloat = 0;
ShortString<255> HostText{};
int32_t HostRecord = 0;
std::vector<std::string> Shown;
std::vector<TScriptErrorReport> Reports;

void ShowMess() { Shown.push_back(PopString()); }
void GiveInt() { PushInt(PopInt() + 1); }
void GiveText() { PushString(PopString() + "x"); }
void GiveFloat() { PushFloat(PopFloat() * 2.0f); }
void TakeFour() {
  for (int i = 0; i < 4; ++i) Shown.push_back(PopString());
}
void WriteRef() {
  const int32_t handle = PopInt();
  float x = 0;
  if (ScriptPointerGetFloat(handle, x)) ScriptPointerSetFloat(handle, x + PopFloat());
}
void Flood() {
  for (int i = 0; i < 2100; ++i) PushFloat(1.0f);
}
void Collect(const TScriptErrorReport& r) { Reports.push_back(r); }

void StartRegistry() {
  InitScriptUnits();
  AddExtVar("frame", 0, &HostInt);
  AddExtVar("speed", 1, &HostFloat);
  AddExtVar("caption", 2, &HostText);
  AddExtVar("depot", 3, &HostRecord);
  AddExtVar("frame", 0, &HostInt);
  AddExtProc("showmess", ShowMess, "", 1, 0);
  AddExtProc("next", GiveInt, "INTEGER", 1, 1);
  AddExtProc("append", GiveText, "STRING", 1, 1);
  AddExtProc("twice", GiveFloat, "FLOAT", 1, 1);
  AddExtProc("setrotation", TakeFour, "", 4, 0);
  AddExtProc("addref", WriteRef, "", 2, 0);
  AddExtProc("flood", Flood, "", 0, 0);
}

// ---- Writing what a case gave

std::string Escaped(const std::string& s) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (const unsigned char c : s) {
    if (c >= 0x20 && c < 0x7f && c != '\\') {
      out += static_cast<char>(c);
    } else {
      out += "\\x";
      out += digits[c >> 4];
      out += digits[c & 15];
    }
  }
  return out;
}

std::string Hex(const std::vector<uint8_t>& b) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (const uint8_t c : b) {
    s += digits[c >> 4];
    s += digits[c & 15];
  }
  return s;
}

std::vector<uint8_t> FromHex(const std::string& s) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 1 < s.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoi(s.substr(i, 2), nullptr, 16)));
  return out;
}

std::string FloatBits(float x) {
  uint32_t bits;
  std::memcpy(&bits, &x, 4);
  return std::to_string(bits);
}

const std::string kStartState = "frame=3 speed=" + FloatBits(1.5f) + " caption=cap depot=7 stack=0 running=0";

void BeginCase() {
  ScriptErrorFlag = false;
  ScriptRunning = false;
  ScriptStackBase = 0;
  Accumulator = TQzVariant();
  HostInt = 3;
  HostFloat = 1.5f;
  HostText = "cap";
  HostRecord = 7;
  Shown.clear();
  Reports.clear();
}

void WriteReports(std::ostringstream& out) {
  for (const std::string& s : Shown) out << "  shown " << Escaped(s) << "\n";
  for (const TScriptErrorReport& r : Reports) out << "  error " << Escaped(r.Title) << " | " << Escaped(r.Message) << "\n";
}

void RunCase(const std::vector<uint8_t>& image, std::ostringstream& out) {
  BeginCase();
  std::string result;
  RunScript(image.data(), image.size(), true, result);
  out << "  result " << Escaped(result) << "\n";
  WriteReports(out);
  // The state afterwards, when it is not the state the case began with.
  std::ostringstream after;
  after << "frame=" << HostInt << " speed=" << FloatBits(HostFloat) << " caption=" << Escaped(HostText.str())
        << " depot=" << HostRecord << " stack=" << StackDepth << " running=" << ScriptRunning;
  if (after.str() != kStartState) out << "  after " << after.str() << "\n";
}

// A few copies of the image with bytes of its code and trailer changed, the same every time.
std::vector<std::vector<uint8_t>> Mutants(const std::vector<uint8_t>& image, uint32_t seed) {
  std::vector<std::vector<uint8_t>> out;
  if (image.size() < 13) return out;
  uint32_t x = seed * 2654435761u + 12345u;
  const auto next = [&x] {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return x;
  };
  for (int m = 0; m < 3; ++m) {
    std::vector<uint8_t> copy = image;
    const int changes = 1 + static_cast<int>(next() % 3);
    for (int c = 0; c < changes; ++c) {
      const size_t at = 4 + next() % (copy.size() - 4);
      const uint32_t how = next() % 4;
      if (how == 0) copy[at] = static_cast<uint8_t>(next());
      else if (how == 1) copy[at] = static_cast<uint8_t>(copy[at] + 1);
      else if (how == 2) copy[at] = static_cast<uint8_t>(copy[at] - 1);
      else copy[at] = static_cast<uint8_t>(next() % 32);
    }
    out.push_back(std::move(copy));
  }
  return out;
}

struct Inputs {
  std::vector<std::pair<std::string, std::vector<uint8_t>>> Images;
  std::vector<std::pair<std::string, std::vector<std::string>>> Texts;    // assembler texts
  std::vector<std::pair<std::string, std::vector<std::string>>> Sources;  // script sources
};

std::vector<std::string> SplitLines(const std::string& data) {
  std::vector<std::string> lines(1);
  for (const char c : data) {
    if (c == '\n') lines.emplace_back();
    else lines.back() += c;
  }
  return lines;
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

Inputs ReadInputs() {
  Inputs in;
  std::ifstream f(kInputs);
  std::string line;
  int n = 0;
  while (std::getline(f, line)) {
    if (line.rfind("img ", 0) == 0) {
      in.Images.emplace_back("test image " + std::to_string(++n), FromHex(line.substr(4)));
    } else if (line.rfind("asm ", 0) == 0) {
      const size_t count = std::stoul(line.substr(4));
      std::vector<std::string> text;
      for (size_t i = 0; i < count && std::getline(f, line); ++i) {
        const std::vector<uint8_t> b = FromHex(line);
        text.emplace_back(b.begin(), b.end());
      }
      in.Texts.emplace_back("test text " + std::to_string(++n), std::move(text));
    }
  }
  const auto corpus = [](const std::string& name) {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(kCorpora / name)) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
  };
  for (const fs::path& p : corpus("script_image")) {
    const std::string d = ReadFile(p);
    in.Images.emplace_back("corpus " + p.filename().string(), std::vector<uint8_t>(d.begin(), d.end()));
  }
  for (const fs::path& p : corpus("script_assembler")) in.Texts.emplace_back("corpus " + p.filename().string(), SplitLines(ReadFile(p)));
  for (const fs::path& p : corpus("script_source")) in.Sources.emplace_back("corpus " + p.filename().string(), SplitLines(ReadFile(p)));
  return in;
}

// Everything the cases give, in one text.
std::string Record() {
  sys_test::SetFatalWait(0);
  platform::SetMessageBoxSink([](const std::string&, const std::string&) {});
  StartRegistry();
  ScriptErrorHook = &Collect;
  interpreter_test::SetStepLimit(50000);
  const Inputs in = ReadInputs();
  std::ostringstream out;
  std::vector<std::pair<std::string, std::vector<uint8_t>>> images = in.Images;
  const TScriptProfile* const profiles[] = {&kSharedScriptProfile, &kBuildingScriptProfile};
  const char* const profileNames[] = {"shared", "building"};
  const auto assemble = [&](const std::string& name, const std::vector<std::string>& text) {
    for (int k = 0; k < 2; ++k) {
      SetScriptProfile(*profiles[k]);
      BeginCase();
      TScriptStream code;
      AssembleScript(text, code);
      out << "case " << name << " assembled " << profileNames[k] << "\n  image " << Hex(code.Bytes) << "\n";
      WriteReports(out);
      if (!ScriptErrorFlag) images.emplace_back(name + " " + profileNames[k], code.Bytes);
    }
    SetScriptProfile(kSharedScriptProfile);
  };
  for (const auto& [name, text] : in.Texts) assemble(name, text);
  for (const auto& [name, source] : in.Sources) {
    for (int k = 0; k < 2; ++k) {
      SetScriptProfile(*profiles[k]);
      BeginCase();
      std::vector<std::string> text;
      CompileSource(source, text);
      SetScriptProfile(kSharedScriptProfile);
      if (!ScriptErrorFlag) assemble(name + " compiled " + profileNames[k], text);
    }
  }
  uint32_t seed = 0;
  for (const auto& [name, image] : images) {
    out << "case " << name << " run\n";
    RunCase(image, out);
    out << "case " << name << " run again\n";
    RunCase(image, out);
    int m = 0;
    for (const std::vector<uint8_t>& copy : Mutants(image, ++seed)) {
      out << "case " << name << " changed " << ++m << "\n";
      RunCase(copy, out);
    }
  }
  ScriptErrorHook = nullptr;
  interpreter_test::SetStepLimit(kScriptStepBudget);
  ScriptErrorFlag = false;
  return out.str();
}

// The cases of a recorded text by name, in order.
std::vector<std::pair<std::string, std::string>> Cases(const std::string& text) {
  std::vector<std::pair<std::string, std::string>> cases;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("case ", 0) == 0) cases.emplace_back(line, std::string());
    else if (!cases.empty()) cases.back().second += line + "\n";
  }
  return cases;
}

TEST(ScriptDifferential, EveryRecordedCaseAssemblesAndRunsAsRecorded) {
  const std::string actual = Record();
  if (std::getenv("CORVANE_RECORD_DIFFERENTIAL") != nullptr) {
    std::ofstream(kExpected, std::ios::binary) << actual;
    GTEST_SKIP() << "recorded " << kExpected;
  }
  ASSERT_TRUE(fs::exists(kExpected)) << kExpected;
  const auto want = Cases(ReadFile(kExpected));
  const auto got = Cases(actual);
  ASSERT_GT(want.size(), 1000u);
  ASSERT_EQ(got.size(), want.size());
  int differences = 0;
  for (size_t i = 0; i < want.size() && differences < 20; ++i) {
    if (got[i] == want[i]) continue;
    ++differences;
    ADD_FAILURE() << want[i].first << "\nexpected:\n" << want[i].second << "got " << got[i].first << ":\n" << got[i].second;
  }
  EXPECT_EQ(differences, 0);
}

// A run of an image run before links its names against the registry as it is now.
TEST(ScriptDifferential, RegistryChangesReachTheNextRunOfTheSameImage) {
  InitScriptUnits();
  int32_t lap = 41;
  AddExtProc("showmess", ShowMess, "", 1, 0);
  AddExtVar("lap", 0, &lap);
  TScriptStream code;
  AssembleScript({"@SHOWMESS", "^LAP", "CALC LAP+1", "PUSHV LAP", "CALLEXT SHOWMESS", "QUIT"}, code);
  ASSERT_FALSE(ScriptErrorFlag) << LastScriptError.Message;
  InitScriptUnits();
  ScriptErrorHook = &Collect;
  Reports.clear();
  Shown.clear();
  // Neither name is registered yet.
  EXPECT_EQ(RunScript(code.Bytes), "0");
  ASSERT_FALSE(Reports.empty());
  EXPECT_NE(Reports.front().Message.find("I-019"), std::string::npos) << Reports.front().Message;
  ScriptErrorFlag = false;
  Reports.clear();
  AddExtVar("lap", 0, &lap);
  EXPECT_EQ(RunScript(code.Bytes), "42");
  ASSERT_FALSE(Reports.empty());
  EXPECT_NE(Reports.front().Message.find("I-016"), std::string::npos) << Reports.front().Message;
  ScriptErrorFlag = false;
  Reports.clear();
  AddExtProc("showmess", ShowMess, "", 1, 0);
  lap = 6;
  EXPECT_EQ(RunScript(code.Bytes), "6");  // showmess took the accumulator
  EXPECT_TRUE(Reports.empty());
  EXPECT_EQ(Shown, std::vector<std::string>{"6"});
  // A fresh start forgets the earlier registry.
  InitScriptUnits();
  Reports.clear();
  EXPECT_EQ(RunScript(code.Bytes), "0");
  EXPECT_FALSE(Reports.empty());
  ScriptErrorHook = nullptr;
  ScriptErrorFlag = false;
}

}  // namespace
