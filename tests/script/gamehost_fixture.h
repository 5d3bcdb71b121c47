// Shared pieces of the game script host's tests: an empty record store, the script units started
// with the game's host names, and a runner for small sources that declare every game name.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/worldstate.h"
#include "engine/render/graphics.h"
#include "engine/store/nodepool.h"
#include "engine/world/hooks.h"
#include "script/compiler.h"
#include "script/gamecommands.h"
#include "script/interpreter.h"
#include "script/runners.h"
#include "script/scripts.h"
#include "script/sourcecompiler.h"
#include "tests/engine/store/store_fixture.h"
#include "tests/script/script_fixture.h"

namespace gamehost_testing {

// The lines that declare every host name of the game, then the given lines.
inline std::vector<std::string> WithGameNames(const std::vector<std::string>& body) {
  std::vector<std::string> src = {
      "defineproc SetRotation,SetPosition,SetNick,SetGier,SetRoll,ReadNode,GetNextNode,GetCoordPos;",
      "defineproc CMBezier,CopyCoord,CopyNode,TBC,TFC,OrientObj,SetTexture,WaggonStandardPosition;",
      "defineproc CalcBulk,CalcParcel,LoadTrain,SaveTrain,ActivateDepotScript,DisableDepotScript;",
      "defineproc SetTrainSpeed,SetTrainSollSpeed,SetTrainSpeedNormal,DebugProc,Savebuilding;",
      "defineproc AllowLeave,ForbidLeave,AllowEnter,ForbidEnter,LockNode,UnLockNode,GetProducity,probe;",
      "definevar frame,miplevel,bvar1,bvar2,bvar3,bvar4,SParam1,SParam2,SParam3,SParam4;"};
  src.insert(src.end(), body.begin(), body.end());
  return src;
}

// The stack depth at each call of "probe".
inline std::vector<int32_t>& ProbedDepths() {
  static std::vector<int32_t> depths;
  return depths;
}
inline void Probe() { ProbedDepths().push_back(StackDepth); }

class GameHostTest : public arrayer_testing::ArrayerTest {
 protected:
  void SetUp() override {
    arrayer_testing::ArrayerTest::SetUp();
    ResetWorldState();
    InitScriptUnits();
    InitGameScriptHost();
    AddExtProc("probe", Probe, "", 0, 0);
    script_testing::Reports().clear();
    ScriptErrorHook = &script_testing::CollectReport;
    InstallDefaultScriptNetwork();
    ProbedDepths().clear();
    std::memset(NodeRegisters, 0, sizeof(NodeRegisters));
    std::memset(CoordRegisters, 0, sizeof(CoordRegisters));
    for (TPlacement& p : MeshPartTransforms) p = TPlacement{};
    for (TIndexList& l : PartTextureLists) ClearIndexList(l);
    for (TMesh2& m : PartMeshes) m.Init();
    for (auto& image : CompiledScriptImages) image.clear();
    PartCount = 0;
    SParam1 = SParam2 = SParam3 = SParam4 = 0;
  }
  void TearDown() override {
    ScriptErrorHook = nullptr;
    ScriptErrorFlag = false;
    InstallDefaultScriptNetwork();
    world_hooks::InstallDefaults();
    for (auto& image : CompiledScriptImages) image.clear();
    std::memset(TextureTable, 0, sizeof(TextureTable));
    arrayer_testing::ArrayerTest::TearDown();
  }

  // The image of a source that may use every game name.
  static std::vector<uint8_t> Compile(const std::vector<std::string>& body) {
    std::vector<std::string> assembler;
    TScriptStream code;
    const bool ok = CompileScript(WithGameNames(body), assembler, code);
    EXPECT_TRUE(ok && !ScriptErrorFlag) << LastError();
    return code.Bytes;
  }
  static std::string Run(const std::vector<std::string>& body) {
    const std::vector<uint8_t> image = Compile(body);
    ScriptErrorFlag = false;
    return RunScript(image);
  }
  static std::string LastError() {
    const auto& r = script_testing::Reports();
    return r.empty() ? std::string() : r.back().Message;
  }

  // An animated texture in slot Slot: Count frames, shown as slots First, First + 1, ...
  // The frames stand in TextureFrames from position At.
  static void AnimatedTexture(uint16_t slot, uint8_t count, uint16_t first, uint16_t at = 10) {
    TextureTable[slot].FirstFrame = at;
    TextureTable[slot].FrameCount = count;
    for (int k = 0; k < count; ++k) TextureFrames[at + k] = static_cast<uint16_t>(first + k);
  }
  // A mesh of Polygons triangles, all with texture slot Texture.
  static void TexturedMesh(TMesh2& mesh, int polygons, uint16_t texture) {
    mesh.Init();
    mesh.VertexCount = 3;
    mesh.PolygonCount = static_cast<uint8_t>(polygons);
    for (int i = 1; i <= polygons; ++i) mesh.Polygon(i).Texture = texture;
  }
};

}  // namespace gamehost_testing
