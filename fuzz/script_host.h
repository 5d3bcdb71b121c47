// What the script fuzz targets share: a registry with host variables and procedures of every
// kind, fatal stops that abort, a step limit, both programs' script languages, and the reading of
// input bytes as lines.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/base/diagnostics.h"
#include "engine/base/types.h"
#include "platform/platform.h"
#include "script/buildingscript.h"
#include "script/interpreter.h"
#include "script/profile.h"
#include "script/scripts.h"
#include "script/sdatabase.h"

namespace fuzz_script {

inline int32_t HostInt = 0;
inline float HostFloat = 0;
inline ShortString<255> HostText{};

// The vehicle program's script language and the building program's.
inline const TScriptProfile* const kProfiles[] = {&kSharedScriptProfile, &kBuildingScriptProfile};

inline void TakeOne() { PopString(); }
inline void GiveFloat() { PushFloat(PopFloat() * 2.0f); }

// Starts the script units with the shared registry; a fatal stop aborts the run.
inline bool StartHost() {
  sys_test::SetFatalWait(0);
  sys_test::SetFatalSink([](const std::string&) { std::abort(); });
  platform::SetMessageBoxSink([](const std::string&, const std::string&) {});  // the building profile's box
  InitScriptUnits();
  AddExtVar("frame", 0, &HostInt);
  AddExtVar("speed", 1, &HostFloat);
  AddExtVar("caption", 2, &HostText);
  AddExtProc("showmess", TakeOne, "", 1, 0);
  AddExtProc("twice", GiveFloat, "FLOAT", 1, 1);
  interpreter_test::SetStepLimit(50000);
  return true;
}

// The host variables as every run starts, and what a run left in them.
inline void ResetHosts() {
  HostInt = 3;
  HostFloat = 1.5f;
  HostText = ShortString<255>("text");
}
inline std::string DescribeHosts() {
  uint32_t bits;
  std::memcpy(&bits, &HostFloat, 4);
  return std::to_string(HostInt) + " " + std::to_string(bits) + " " + HostText.str();
}

inline std::vector<std::string> Lines(const uint8_t* data, size_t size) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') lines.emplace_back();
    else lines.back() += static_cast<char>(data[i]);
  }
  return lines;
}

inline uint32_t Word(const std::vector<uint8_t>& b, size_t at) {
  uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

}  // namespace fuzz_script
