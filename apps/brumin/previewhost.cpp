#include "apps/brumin/previewhost.h"

#include "apps/brumin/textures.h"
#include "script/interpreter.h"

namespace brumin {

namespace {

TPreviewBlocks* g_blocks = nullptr;

// The script placement of a block number, nullptr when it names none.
TPreviewPlacement* Placement(int32_t block) {
  if (!g_blocks || block < 1 || block > 10) return nullptr;
  return &(*g_blocks)[static_cast<size_t>(block)].ScriptPlacement;
}

void SetAngle(float TPreviewPlacement::*angle) {
  TPreviewPlacement* p = Placement(PopInt());
  const float value = PopFloat();
  if (p) p->*angle = value;
}

}  // namespace

void SetPreviewHostBlocks(TPreviewBlocks* blocks) { g_blocks = blocks; }

void SetRotationRoutine() {
  TPreviewPlacement* p = Placement(PopInt());
  const float roll = PopFloat(), gier = PopFloat(), nick = PopFloat();
  if (!p) return;
  p->Roll = roll;
  p->Gier = gier;
  p->Nick = nick;
}

void SetPositionRoutine() {
  TPreviewPlacement* p = Placement(PopInt());
  const float x = PopFloat(), y = PopFloat(), z = PopFloat();
  if (!p) return;
  p->X = x;
  p->Y = y;
  p->Z = z;
}

void SetNickRoutine() { SetAngle(&TPreviewPlacement::Nick); }
void SetGierRoutine() { SetAngle(&TPreviewPlacement::Gier); }
void SetRollRoutine() { SetAngle(&TPreviewPlacement::Roll); }

void SetTextureRoutine() {
  const int32_t block = PopInt(), entry = PopInt(), steps = PopInt();
  if (!g_blocks || block < 1 || block > 10 || entry < 1 || entry > kBlockTextureSlots) return;
  uint16_t& slot = (*g_blocks)[static_cast<size_t>(block)].Mesh.TextureSlots[entry - 1];
  uint16_t t = slot;
  for (int32_t i = 1; i < steps && t != 0; ++i) t = t <= kMeshTextureSlots ? MeshTextureTable[t].Next : 0;
  slot = t;
}

void GetProducityRoutine() { PushFloat(1.0f); }

}  // namespace brumin
