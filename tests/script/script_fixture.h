// Shared pieces of the script tests: a fixture that starts the script units afresh and collects
// every error report, assembling and running helpers, and a builder for hand-made images.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "script/compiler.h"
#include "script/interpreter.h"
#include "script/scripts.h"
#include "script/sdatabase.h"

namespace script_testing {

inline std::vector<TScriptErrorReport>& Reports() {
  static std::vector<TScriptErrorReport> reports;
  return reports;
}

inline void CollectReport(const TScriptErrorReport& r) { Reports().push_back(r); }

// Texts that "showmess" was given, in order.
inline std::vector<std::string>& Shown() {
  static std::vector<std::string> shown;
  return shown;
}

inline void ShowMess() { Shown().push_back(PopString()); }

class ScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitScriptUnits();
    Reports().clear();
    Shown().clear();
    ScriptErrorHook = &CollectReport;
    AddExtProc("showmess", ShowMess, "", 1, 0);
  }
  void TearDown() override {
    ScriptErrorHook = nullptr;
    interpreter_test::SetStepLimit(kScriptStepBudget);
    ScriptStackBase = 0;
    ScriptErrorFlag = false;
  }

  // The image of the lines; empty failures are left to the caller to check.
  static std::vector<uint8_t> Assemble(const std::vector<std::string>& Lines) {
    TScriptStream code;
    AssembleScript(Lines, code);
    return code.Bytes;
  }

  // Assembles (which must succeed) and runs with the flag cleared, as the test run does.
  static std::string Run(const std::vector<std::string>& Lines) {
    const std::vector<uint8_t> image = Assemble(Lines);
    EXPECT_FALSE(ScriptErrorFlag) << (Reports().empty() ? "" : Reports().back().Message);
    ScriptErrorFlag = false;
    return RunScript(image);
  }

  static std::string FirstMessage() { return Reports().empty() ? std::string() : Reports().front().Message; }
  static std::string LastMessage() { return Reports().empty() ? std::string() : Reports().back().Message; }
};

// The instructions of an image: offsets 4 up to the trailer's QUIT.
inline std::vector<uint8_t> Instructions(const std::vector<uint8_t>& Image) {
  if (Image.size() < 13) return {};
  uint32_t q;
  std::memcpy(&q, Image.data() + Image.size() - 4, 4);
  return std::vector<uint8_t>(Image.begin() + 4, Image.begin() + q);
}

// Writes instructions by hand and finishes them into an image with its trailer.
class ImageBuilder {
 public:
  std::vector<uint8_t> Bytes{0, 0, 0, 0};
  std::vector<std::string> VarNames, ProcNames;

  ImageBuilder& U8(uint8_t B) {
    Bytes.push_back(B);
    return *this;
  }
  ImageBuilder& U16(uint16_t W) { return U8(uint8_t(W)).U8(uint8_t(W >> 8)); }
  ImageBuilder& U32(uint32_t D) { return U16(uint16_t(D)).U16(uint16_t(D >> 16)); }
  ImageBuilder& F32(float X) {
    uint32_t bits;
    std::memcpy(&bits, &X, 4);
    return U32(bits);
  }
  ImageBuilder& Str(const std::string& S) {
    U8(uint8_t(S.size()));
    Bytes.insert(Bytes.end(), S.begin(), S.end());
    return *this;
  }
  uint32_t Here() const { return uint32_t(Bytes.size()); }

  std::vector<uint8_t> Finish() const {
    ImageBuilder b = *this;
    const uint32_t q = b.Here();
    b.U8(99).U16(uint16_t(VarNames.size())).U16(uint16_t(ProcNames.size()));
    for (const std::string& n : VarNames) b.Str(n);
    for (const std::string& n : ProcNames) b.Str(n);
    b.U32(q);
    const uint32_t size = b.Here();
    std::memcpy(b.Bytes.data(), &size, 4);
    return b.Bytes;
  }
};

inline std::string Hex(const std::vector<uint8_t>& Bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string s;
  for (size_t i = 0; i < Bytes.size(); ++i) {
    if (i > 0) s += ' ';
    s += digits[Bytes[i] >> 4];
    s += digits[Bytes[i] & 15];
  }
  return s;
}

inline std::vector<uint8_t> FromHex(const std::string& Text) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 1 < Text.size();) {
    if (Text[i] == ' ') {
      ++i;
      continue;
    }
    out.push_back(static_cast<uint8_t>(std::stoi(Text.substr(i, 2), nullptr, 16)));
    i += 2;
  }
  return out;
}

}  // namespace script_testing
