// The record accessor family: every world record type kept in the Arrayer store is read and
// stored by value through the same four operations,
//   A_Read (index)  copies the stored entry of an index into the record,
//   A_Write ()      stores the record as a new entry and gives it its index,
//   A_ReWrite ()    stores the changed record again under its index (its lists may change length),
//   A_Overwrite ()  copies the record over its stored entry in place (its lists keep their lengths).
// The operations are one piece of code driven by a RecordDesc: the type's array and kind bit, its
// fixed part, its counted lists with their maxima, the names its messages carry, and the
// operations it has. A record type takes part by deriving from ArrayerRecord<T> and specialising
// RecordTraits<T> with its descriptor; an operation the descriptor lacks does not exist for it.
//
// A stored record is laid out as: its index (u32), its fixed part (every scalar field, among them
// the count of each list), then its lists at fixed places with room for their maxima. Only the used
// part of each list is stored, list after list, after the fixed part.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

#include "engine/store/recordstore.h"

enum RecordOp : uint8_t { kOpRead = 1, kOpWrite = 2, kOpReWrite = 4, kOpOverwrite = 8 };
// Positions in RecordDesc::CountOp.
enum RecordOpIndex : uint8_t { kReadOp = 0, kWriteOp = 1, kReWriteOp = 2, kOverwriteOp = 3 };

enum class ListShape : uint8_t {
  // Count elements of ElementSize bytes.
  Plain,
  // Count slots of ElementSize bytes; each slot is a u32 head whose low byte counts the slot's
  // 4-byte elements (at most SlotMax) that follow it. A slot is stored as its head and its used
  // elements.
  Slots,
  // A short string: its length byte, at the list's own place, is the count (at most Max). Stored as
  // (length div 4) + 1 words, the length byte included.
  Name,
};

struct RecordList {
  ListShape Shape;
  uint16_t CountOffset;  // record offset of the count field (Name: of the length byte)
  uint8_t CountWidth;    // 1 or 2 bytes
  uint16_t Offset;       // record offset of the first element
  uint16_t ElementSize;
  uint16_t Max;
  // Message parts: the problem of a count above Max ("NodesCounter overfull") and of an overwrite
  // whose count differs from the stored one ("NodesCounter has changed").
  const char* Overfull;
  const char* Changed;
  // The operation named in this list's A_ReWrite count text when it is not the type's own.
  const char* ReWriteOp;
  // The problem named in this list's A_Write count text when it is not Overfull.
  const char* WriteOverfull;
  // Slots only: the most elements of one slot and the problems of a slot's count.
  uint16_t SlotMax;
  const char* SlotOverfull;
  const char* SlotChanged;
};

constexpr int kMaxRecordLists = 8;

struct RecordDesc {
  const char* Name;  // the type name in messages ("TWay")
  ArrayerId Array;
  uint16_t Kind;     // the kind bit (the low half of the ARType)
  uint8_t Row;       // statistics row
  uint8_t Ops;       // RecordOp bits: the operations the type has
  uint32_t Size;     // the whole record
  uint32_t FixedSize;  // index and fixed part
  uint8_t ListCount;
  RecordList Lists[kMaxRecordLists];  // in storage order
  // The lists whose counts stand in the fixed part, in the order their counts are checked (a count
  // that serves two lists is checked once). The slot and name lengths follow in storage order.
  uint8_t CheckCount;
  uint8_t CheckOrder[kMaxRecordLists];
  // The operation names in count texts, by RecordOpIndex ("A_Read", "A_Write", "A_ReWrite",
  // "A_Overwrite" for most types).
  const char* CountOp[4];
  // The writer's extra step after a successful A_Write (nullptr: none).
  void (*AfterWrite)(const uint8_t* rec);
  // A type whose entries carry a tail after their lists that a read does not copy (the frames of
  // a mesh animation): the record offset of the pointer that A_Read sets to the first byte of that
  // tail inside the stored entry. 0: the type has no tail. A record of such a type holds a pointer
  // into the store, valid while the entry neither moves nor dies, so only the Static array, which
  // is never compacted, may keep one.
  uint16_t TailPointer = 0;
};

// Descriptor builders.
constexpr RecordList PlainList(uint16_t countOffset, uint8_t countWidth, uint16_t offset, uint16_t elementSize,
                               uint16_t max, const char* overfull, const char* changed,
                               const char* reWriteOp = nullptr, const char* writeOverfull = nullptr) {
  return RecordList{ListShape::Plain, countOffset, countWidth, offset, elementSize, max, overfull, changed,
                    reWriteOp, writeOverfull, 0, nullptr, nullptr};
}
constexpr RecordList SlotList(uint16_t countOffset, uint16_t offset, uint16_t slotSize, uint16_t max,
                              const char* overfull, const char* changed, uint16_t slotMax, const char* slotOverfull,
                              const char* slotChanged) {
  return RecordList{ListShape::Slots, countOffset, 1, offset, slotSize, max, overfull, changed, nullptr, nullptr,
                    slotMax, slotOverfull, slotChanged};
}
constexpr RecordList NameList(uint16_t offset, uint16_t maxLength, const char* tooLong, const char* changed,
                              const char* reWriteOp = nullptr) {
  return RecordList{ListShape::Name, offset, 1, offset, 1, maxLength, tooLong, changed, reWriteOp, nullptr, 0,
                    nullptr, nullptr};
}

// The first fault of a descriptor's layout, or nullptr. Every descriptor is checked with it at
// compile time.
constexpr const char* RecordDescProblem(const RecordDesc& d) {
  if (d.FixedSize < 4 || d.FixedSize > d.Size) return "fixed part outside the record";
  if (d.Size + 4 > 4u * 0xFFFF) return "record too large for an entry";
  if (d.ListCount > kMaxRecordLists || d.CheckCount > kMaxRecordLists) return "too many lists";
  uint32_t end = d.FixedSize;
  for (int i = 0; i < d.ListCount; ++i) {
    const RecordList& l = d.Lists[i];
    if (l.Offset < end) return "lists overlap or leave storage order";
    if (l.CountWidth != 1 && l.CountWidth != 2) return "count width is not 1 or 2";
    uint32_t room = 0;
    switch (l.Shape) {
      case ListShape::Plain:
        if (static_cast<uint32_t>(l.CountOffset) + l.CountWidth > d.FixedSize) return "count outside the fixed part";
        if (l.CountWidth == 1 && l.Max > 255) return "maximum beyond the count's width";
        room = static_cast<uint32_t>(l.ElementSize) * l.Max;
        break;
      case ListShape::Slots:
        if (l.CountOffset + 1u > d.FixedSize) return "count outside the fixed part";
        if (l.SlotMax > 255 || l.ElementSize < 4u + 4u * l.SlotMax) return "slot too small";
        room = static_cast<uint32_t>(l.ElementSize) * l.Max;
        break;
      case ListShape::Name:
        if (l.CountOffset != l.Offset || l.Max > 255) return "name length byte misplaced";
        room = 4u * (l.Max / 4u + 1u);
        if (room < 1u + l.Max) return "name room";
        break;
    }
    if (l.Offset + room > d.Size) return "list beyond the record";
    end = l.Offset + room;
  }
  if (d.TailPointer != 0) {
    if (d.Array != ArrayerId::Static) return "a tail pointer in an array that is compacted";
    if (d.TailPointer < end || d.TailPointer + sizeof(const uint8_t*) > d.Size) return "tail pointer misplaced";
    if (d.Ops & (kOpWrite | kOpReWrite)) return "a writer would drop the tail";
  }
  for (int i = 0; i < d.CheckCount; ++i) {
    if (d.CheckOrder[i] >= d.ListCount) return "check order names a missing list";
    if (d.Lists[d.CheckOrder[i]].Shape == ListShape::Name) return "a name is checked after the counts";
  }
  for (int i = 0; i < d.ListCount; ++i) {
    if (d.Lists[i].Shape == ListShape::Name) continue;
    bool checked = false;
    for (int j = 0; j < d.CheckCount; ++j) {
      checked = checked || d.Lists[d.CheckOrder[j]].CountOffset == d.Lists[i].CountOffset;
    }
    if (!checked) return "a count is never checked";
  }
  return nullptr;
}

// The family's one implementation. Typed records call it through ArrayerRecord; the store's own
// units and tests may call it with any descriptor.
void RecordRead(const RecordDesc& d, void* rec, uint32_t index);
void RecordWrite(const RecordDesc& d, void* rec);
void RecordReWrite(const RecordDesc& d, void* rec);
void RecordOverwrite(const RecordDesc& d, void* rec);
// The bytes an entry of the record takes in its heap: header, fixed part, the used part of each
// list, padding to a multiple of 4. The record's counts must lie within their maxima.
uint32_t RecordStoredBytes(const RecordDesc& d, const void* rec);

// The descriptor of a record type: specialised for each type with `static constexpr const
// RecordDesc& Desc`.
template <class T>
struct RecordTraits;

// The accessors of a record type T: `struct T : ArrayerRecord<T> { uint32_t Index; ... };`
template <class Self>
struct ArrayerRecord {
  // Member templates, so the operation a type lacks is checked only where it is called.
  template <class S = Self>
  void A_Read(uint32_t index)
    requires((RecordTraits<S>::Desc.Ops & kOpRead) != 0)
  {
    RecordRead(RecordTraits<Self>::Desc, static_cast<Self*>(this), index);
  }
  template <class S = Self>
  void A_Write()
    requires((RecordTraits<S>::Desc.Ops & kOpWrite) != 0)
  {
    RecordWrite(RecordTraits<Self>::Desc, static_cast<Self*>(this));
  }
  template <class S = Self>
  void A_ReWrite()
    requires((RecordTraits<S>::Desc.Ops & kOpReWrite) != 0)
  {
    RecordReWrite(RecordTraits<Self>::Desc, static_cast<Self*>(this));
  }
  template <class S = Self>
  void A_Overwrite()
    requires((RecordTraits<S>::Desc.Ops & kOpOverwrite) != 0)
  {
    RecordOverwrite(RecordTraits<Self>::Desc, static_cast<Self*>(this));
  }
};

// The record stored at index, by value: `const TPath p = StoredRecord<TPath>(index);`
template <class T>
T StoredRecord(uint32_t index) {
  T record{};
  record.A_Read(index);
  return record;
}

// Makes T a record type of the family with the descriptor named k<T>Desc, and checks at compile
// time that T and its descriptor have the given size, that T may be copied byte for byte and that
// the descriptor's layout holds:  ARRAYER_RECORD_TYPE(TWay, 568);
#define ARRAYER_RECORD_TYPE(T, SIZE)                                                          \
  template <>                                                                                 \
  struct RecordTraits<T> {                                                                    \
    static constexpr const RecordDesc& Desc = k##T##Desc;                                     \
  };                                                                                          \
  static_assert(sizeof(T) == (SIZE) && k##T##Desc.Size == (SIZE));                            \
  static_assert(std::is_standard_layout_v<T> && std::is_trivially_copyable_v<T>);             \
  static_assert(RecordDescProblem(k##T##Desc) == nullptr, "descriptor of " #T " is inconsistent")
