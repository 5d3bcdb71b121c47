#include "engine/mesh/meshrecords.h"

#include <memory>

#include "engine/base/diagnostics.h"
#include "engine/store/compaction.h"

using namespace arrayer_internal;

void TMesh2::Destroy() { ArrayerEntryDestroyRest(Index); }

void TMesh2::DestroyByIndex(uint32_t index) {
  const auto rec = std::make_unique<TMeshdata2>();
  rec->A_Read(index);
  rec->Destroy();
}

void TMeshAni::GetFramePointers(uint16_t a, uint16_t b, const TMeshVertex*& vertsA, const TVector*& normalsA,
                                const TMeshVertex*& vertsB, const TVector*& normalsB) const {
  const size_t frame = FrameBytes();
  const size_t vertices = 32u * VertexCount;
  const uint8_t* fa = FrameData + (static_cast<size_t>(a) - 1) * frame;
  const uint8_t* fb = FrameData + (static_cast<size_t>(b) - 1) * frame;
  vertsA = reinterpret_cast<const TMeshVertex*>(fa);
  normalsA = reinterpret_cast<const TVector*>(fa + vertices);
  vertsB = reinterpret_cast<const TMeshVertex*>(fb);
  normalsB = reinterpret_cast<const TVector*>(fb + vertices);
}

namespace meshrecords_test {

uint32_t StoreMeshAni(const TMeshAni& header, const TMeshVertex* vertices, const TVector* normals) {
  const size_t v = header.VertexCount, p = header.PolygonCount, f = header.FrameCount;
  const size_t body = 8 + 32 * p + f * (32 * v + 12 * p);
  const size_t bytes = kArrayerEntryHeader + body;  // a multiple of 4 already
  if (bytes > 4u * 0xFFFF) SYS_BREAKPROGRAM("Error: Arrayer: StoreMeshAni: The animation is too large for an entry!");
  TArrayerArray& a = ArrayerStatic;
  BusyCheck();
  ArrayerBusy = 1;
  if (!HeapHasRoom(a, bytes)) Fail(HeapFullText(ArrayerId::Static));
  const uint32_t cell = FindFreeSlot(a, ArrayerId::Static);
  uint8_t* e = AppendEntry(a, cell, kKindMeshAni, static_cast<uint32_t>(bytes));
  uint8_t* out = e + kArrayerEntryHeader;
  std::memcpy(out, reinterpret_cast<const uint8_t*>(&header) + 4, 8);
  out += 8;
  std::memcpy(out, header.Polygons, 32 * p);
  out += 32 * p;
  for (size_t frame = 0; frame < f; ++frame) {
    if (v) std::memcpy(out, vertices + frame * v, 32 * v);
    out += 32 * v;
    if (p) std::memcpy(out, normals + frame * p, 12 * p);
    out += 12 * p;
  }
  ArrayerBusy = 0;
  return cell;
}

}  // namespace meshrecords_test
