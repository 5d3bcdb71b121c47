// The mesh records of the Arrayer store: TMeshdata2, a TMesh2 kept in the Rest array with only
// its used vertices and polygons, and TMeshAni, a keyframe mesh animation in the Static array.
// Both go through the store's one accessor family (recordaccess.h) by their descriptors.
//
// | type       | array, ARType | record size                  | fixed | operations                           |
// |------------|---------------|------------------------------|-------|--------------------------------------|
// | TMeshdata2 | Rest 0x40080  | 27,368                       |     8 | A_Read A_Write A_ReWrite A_Overwrite |
// | TMeshAni   | Static 0x1    | 8,172 and the frame pointer  |    12 | A_Read                               |
//
// Stored entries, header included (V vertices, P polygons, F frames):
//   TMeshdata2  12 + 32 V + 32 P bytes: counts and flags, the used vertices, the used polygons;
//   TMeshAni    16 + 32 P + F (32 V + 12 P) bytes: the header fields, the polygons, the frames.
//
// A TMeshAni entry holds after its polygons the frames one after the other; frame f (1-based)
// starts (f - 1) * (32 V + 12 P) bytes after the polygons and holds V vertex records (the
// TMeshVertex layout) followed by P polygon normals (3 floats each). A_Read copies the header and
// the polygons and points FrameData at frame 1 inside the stored entry; the Static array is never
// compacted, so the pointer stays valid while the entry lives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "engine/mesh/mesh.h"
#include "engine/store/recordaccess.h"

// The record-store name of the in-memory mesh.
using TMeshdata2 = TMesh2;

constexpr uint32_t kARTypeMeshdata2 = kArrayerRestFlag | kKindMeshdata2;

#pragma pack(push, 1)

// A stored keyframe animation; the frames stay in the store.
struct TMeshAni : ArrayerRecord<TMeshAni> {
  uint32_t Index;
  uint16_t FrameCount;   // frames, numbered from 1
  uint16_t VertexCount;  // vertices per frame
  uint8_t Spare;         // carried, never interpreted
  uint8_t PolygonCount;
  uint16_t SpareWord;    // carried, never interpreted
  TMeshPolygon Polygons[kMeshMaxPolygons];  // common to all frames; polygon i is Polygons[i - 1]
  // Frame 1 inside the stored entry (set by A_Read). It lies unaligned in the packed record: copy
  // it, never bind a reference to it.
  const uint8_t* FrameData;

  // The bytes of one frame: V vertex records and P polygon normals.
  uint32_t FrameBytes() const { return 32u * VertexCount + 12u * PolygonCount; }
  // The vertices and polygon normals of frames a and b (1-based) inside the stored entry. The
  // frame numbers are not checked: callers pass frames 1 to FrameCount.
  void GetFramePointers(uint16_t a, uint16_t b, const TMeshVertex*& vertsA, const TVector*& normalsA,
                        const TMeshVertex*& vertsB, const TVector*& normalsB) const;
};

#pragma pack(pop)

// The frame data lies in the stored entry, whose heap is 4-byte aligned; TMeshVertex and TVector
// are packed, so they may be read there in place.
static_assert(alignof(TMeshVertex) == 1 && alignof(TVector) == 1);

inline constexpr RecordDesc kTMeshdata2Desc{
    .Name = "TMeshdata2", .Array = ArrayerId::Rest, .Kind = kKindMeshdata2, .Row = 17,
    .Ops = kOpRead | kOpWrite | kOpReWrite | kOpOverwrite, .Size = sizeof(TMesh2), .FixedSize = 8, .ListCount = 2,
    .Lists = {PlainList(offsetof(TMesh2, VertexCount), 2, offsetof(TMesh2, Vertices), sizeof(TMeshVertex),
                        kMeshMaxVertices, "VertexCounter overfull", "VertexCounter has changed"),
              PlainList(offsetof(TMesh2, PolygonCount), 1, offsetof(TMesh2, Polygons), sizeof(TMeshPolygon),
                        kMeshMaxPolygons, "PolygonCounter overfull", "PolygonCounter has changed")},
    .CheckCount = 2, .CheckOrder = {0, 1}, .CountOp = {"A_Read", "A_Write", "A_ReWrite", "A_OverWrite"},
    .AfterWrite = nullptr};

// The animations have no statistics row of their own: their reads count in row 0, which no other
// kind uses.
inline constexpr RecordDesc kTMeshAniDesc{
    .Name = "TMeshAni", .Array = ArrayerId::Static, .Kind = kKindMeshAni, .Row = 0, .Ops = kOpRead,
    .Size = sizeof(TMeshAni), .FixedSize = 12, .ListCount = 1,
    .Lists = {PlainList(offsetof(TMeshAni, PolygonCount), 1, offsetof(TMeshAni, Polygons), sizeof(TMeshPolygon),
                        kMeshMaxPolygons, "PolygonCounter overfull", "PolygonCounter has changed")},
    .CheckCount = 1, .CheckOrder = {0}, .CountOp = {"A_Read", "A_Write", "A_ReWrite", "A_Overwrite"},
    .AfterWrite = nullptr, .TailPointer = offsetof(TMeshAni, FrameData)};

template <>
struct RecordTraits<TMesh2> {
  static constexpr const RecordDesc& Desc = kTMeshdata2Desc;
};
template <>
struct RecordTraits<TMeshAni> {
  static constexpr const RecordDesc& Desc = kTMeshAniDesc;
};

static_assert(sizeof(TMesh2) == 27368 && offsetof(TMesh2, Vertices) == 8 && offsetof(TMesh2, Polygons) == 19208);
static_assert(offsetof(TMeshAni, Polygons) == 12 && offsetof(TMeshAni, FrameData) == 8172 &&
              sizeof(TMeshAni) == 8172 + sizeof(const uint8_t*));
static_assert(std::is_standard_layout_v<TMesh2> && std::is_trivially_copyable_v<TMesh2>);
static_assert(std::is_standard_layout_v<TMeshAni> && std::is_trivially_copyable_v<TMeshAni>);
static_assert(RecordDescProblem(kTMeshdata2Desc) == nullptr, "descriptor of TMeshdata2 is inconsistent");
static_assert(RecordDescProblem(kTMeshAniDesc) == nullptr, "descriptor of TMeshAni is inconsistent");

// Test seam: nothing in the system writes an animation, so tests (and tools that need sample
// animations) store one here in the entry layout above.
namespace meshrecords_test {
// Stores the header fields and polygons of `header` and header.FrameCount frames, frame f taking
// `vertices` [(f - 1) * V .. f * V - 1] and `normals` [(f - 1) * P .. f * P - 1]. Returns the new
// index; stops the program when the entry would not fit an entry or the heap.
uint32_t StoreMeshAni(const TMeshAni& header, const TMeshVertex* vertices, const TVector* normals);
}  // namespace meshrecords_test
