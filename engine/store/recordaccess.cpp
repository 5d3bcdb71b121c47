#include "engine/store/recordaccess.h"

#include "engine/base/diagnostics.h"
#include "engine/store/compaction.h"

using namespace arrayer_internal;

namespace {

// Internal status of a read whose stored lengths are above their maxima.
constexpr uint8_t kStatusOverfull = 3;
constexpr uint8_t kStatusLengthChanged = 11;

uint32_t CountOf(const uint8_t* p, uint8_t width) { return width == 2 ? Load16(p) : p[0]; }
uint32_t RecCount(const uint8_t* rec, const RecordList& l) { return CountOf(rec + l.CountOffset, l.CountWidth); }

uint32_t NameBytes(uint32_t length) { return 4u * (length / 4u + 1u); }

std::string Text(const RecordDesc& d, const char* problem, const char* op) {
  return std::string(problem) + "! Arrayer Error by " + d.Name + "." + op;
}

const char* CountOpOf(const RecordDesc& d, const RecordList& l, RecordOpIndex op) {
  return op == kReWriteOp && l.ReWriteOp ? l.ReWriteOp : d.CountOp[op];
}

// The count checks. The counts of the fixed part (read from `rec`) in the descriptor's check order,
// then the slot and name lengths in storage order: from `stored` (the payload of a stored entry)
// when given, else from `rec`. False with the message of the first count above its maximum.
bool CheckCounts(const RecordDesc& d, const uint8_t* rec, const uint8_t* stored, RecordOpIndex op,
                 std::string& msg) {
  for (int i = 0; i < d.CheckCount; ++i) {
    const RecordList& l = d.Lists[d.CheckOrder[i]];
    if (RecCount(rec, l) > l.Max) {
      msg = Text(d, op == kWriteOp && l.WriteOverfull ? l.WriteOverfull : l.Overfull, CountOpOf(d, l, op));
      return false;
    }
  }
  uint32_t pos = d.FixedSize - 4;  // position in the stored payload
  for (int i = 0; i < d.ListCount; ++i) {
    const RecordList& l = d.Lists[i];
    switch (l.Shape) {
      case ListShape::Plain:
        pos += RecCount(rec, l) * l.ElementSize;
        break;
      case ListShape::Slots: {
        const uint32_t n = RecCount(rec, l);
        for (uint32_t s = 0; s < n; ++s) {
          const uint32_t count = stored ? stored[pos] : rec[l.Offset + s * l.ElementSize];
          if (count > l.SlotMax) {
            msg = Text(d, l.SlotOverfull, CountOpOf(d, l, op));
            return false;
          }
          pos += 4 + 4 * count;
        }
        break;
      }
      case ListShape::Name: {
        const uint32_t length = stored ? stored[pos] : rec[l.Offset];
        if (length > l.Max) {
          msg = Text(d, l.Overfull, CountOpOf(d, l, op));
          return false;
        }
        pos += NameBytes(length);
        break;
      }
    }
  }
  return true;
}

uint32_t PayloadBytes(const RecordDesc& d, const uint8_t* rec) {
  uint32_t bytes = d.FixedSize - 4;
  for (int i = 0; i < d.ListCount; ++i) {
    const RecordList& l = d.Lists[i];
    switch (l.Shape) {
      case ListShape::Plain: bytes += RecCount(rec, l) * l.ElementSize; break;
      case ListShape::Slots: {
        const uint32_t n = RecCount(rec, l);
        for (uint32_t s = 0; s < n; ++s) bytes += 4 + 4 * rec[l.Offset + s * l.ElementSize];
        break;
      }
      case ListShape::Name: bytes += NameBytes(rec[l.Offset]); break;
    }
  }
  return bytes;
}

uint32_t EntryBytesFor(const RecordDesc& d, const uint8_t* rec) {
  return (kArrayerEntryHeader + PayloadBytes(d, rec) + 3u) & ~3u;
}

// Copies the fixed part and the used part of each list of rec into a payload.
void CopyOut(const RecordDesc& d, const uint8_t* rec, uint8_t* payload) {
  uint8_t* p = payload;
  std::memcpy(p, rec + 4, d.FixedSize - 4);
  p += d.FixedSize - 4;
  for (int i = 0; i < d.ListCount; ++i) {
    const RecordList& l = d.Lists[i];
    switch (l.Shape) {
      case ListShape::Plain: {
        const uint32_t bytes = RecCount(rec, l) * l.ElementSize;
        std::memcpy(p, rec + l.Offset, bytes);
        p += bytes;
        break;
      }
      case ListShape::Slots: {
        const uint32_t n = RecCount(rec, l);
        for (uint32_t s = 0; s < n; ++s) {
          const uint8_t* slot = rec + l.Offset + s * l.ElementSize;
          const uint32_t bytes = 4 + 4 * slot[0];
          std::memcpy(p, slot, bytes);
          p += bytes;
        }
        break;
      }
      case ListShape::Name: {
        const uint32_t bytes = NameBytes(rec[l.Offset]);
        std::memcpy(p, rec + l.Offset, bytes);
        p += bytes;
        break;
      }
    }
  }
}

// Copies the lists of a stored payload into rec, whose fixed part was copied in already. The
// lengths were checked against their maxima.
void CopyListsIn(const RecordDesc& d, const uint8_t* payload, uint8_t* rec) {
  const uint8_t* p = payload + d.FixedSize - 4;
  for (int i = 0; i < d.ListCount; ++i) {
    const RecordList& l = d.Lists[i];
    switch (l.Shape) {
      case ListShape::Plain: {
        const uint32_t bytes = RecCount(rec, l) * l.ElementSize;
        std::memcpy(rec + l.Offset, p, bytes);
        p += bytes;
        break;
      }
      case ListShape::Slots: {
        const uint32_t n = RecCount(rec, l);
        for (uint32_t s = 0; s < n; ++s) {
          const uint32_t bytes = 4 + 4 * p[0];
          std::memcpy(rec + l.Offset + s * l.ElementSize, p, bytes);
          p += bytes;
        }
        break;
      }
      case ListShape::Name: {
        const uint32_t bytes = NameBytes(p[0]);
        std::memcpy(rec + l.Offset, p, bytes);
        p += bytes;
        break;
      }
    }
  }
}

// Copies rec over a stored payload of the same counts. Before each slot and before a name its
// length is compared with the stored one; at the first difference the copy stops and the result
// is the failing list.
const RecordList* CopyOver(const RecordDesc& d, const uint8_t* rec, uint8_t* payload) {
  uint8_t* p = payload;
  std::memcpy(p, rec + 4, d.FixedSize - 4);
  p += d.FixedSize - 4;
  for (int i = 0; i < d.ListCount; ++i) {
    const RecordList& l = d.Lists[i];
    switch (l.Shape) {
      case ListShape::Plain: {
        const uint32_t bytes = RecCount(rec, l) * l.ElementSize;
        std::memcpy(p, rec + l.Offset, bytes);
        p += bytes;
        break;
      }
      case ListShape::Slots: {
        const uint32_t n = RecCount(rec, l);
        for (uint32_t s = 0; s < n; ++s) {
          const uint8_t* slot = rec + l.Offset + s * l.ElementSize;
          if (slot[0] != p[0]) return &l;
          const uint32_t bytes = 4 + 4 * slot[0];
          std::memcpy(p, slot, bytes);
          p += bytes;
        }
        break;
      }
      case ListShape::Name: {
        if (rec[l.Offset] != p[0]) return &l;
        const uint32_t bytes = NameBytes(rec[l.Offset]);
        std::memcpy(p, rec + l.Offset, bytes);
        p += bytes;
        break;
      }
    }
  }
  return nullptr;
}

void IndexChecks(const RecordDesc& d, const TArrayerArray& a, uint32_t index, const char* invalidOp, const char* op) {
  if (index >= kArrayerInvalidIndex) SYS_BREAKPROGRAM(Text(d, "Ung\xFCltiger Index", invalidOp));
  if (index >= a.TableTop) SYS_BREAKPROGRAM(Text(d, "Index is too High", op));
  if (index == 0) SYS_BREAKPROGRAM(Text(d, "\xDC" "bergebener Index war 0", op));
}

void StoreRecord(const RecordDesc& d, uint8_t* rec, uint32_t cell, uint32_t bytes) {
  TArrayerArray& a = ArrayOf(d.Array);
  uint8_t* e = AppendEntry(a, cell, d.Kind, bytes);
  CopyOut(d, rec, e + kArrayerEntryHeader);
}

}  // namespace

uint32_t RecordStoredBytes(const RecordDesc& d, const void* rec) {
  return EntryBytesFor(d, static_cast<const uint8_t*>(rec));
}

void RecordRead(const RecordDesc& d, void* record, uint32_t index) {
  uint8_t* rec = static_cast<uint8_t*>(record);
  TArrayerArray& a = ArrayOf(d.Array);
  BusyCheck();
  ArrayerCount(d.Row, kCountRead);
  IndexChecks(d, a, index, "A_Read", "A_Read");
  ArrayerBusy = 1;
  Store32(rec, index);
  ArrayerStatus = 1;
  std::string msg;
  if (const uint8_t* e = EntryOfCell(a, index)) {
    ArrayerStatus = 2;
    if (EntryKind(e) == d.Kind) {
      const uint8_t* payload = e + kArrayerEntryHeader;
      std::memcpy(rec + 4, payload, d.FixedSize - 4);
      // The stored lengths are checked before any list is copied, so a record never receives more
      // than its room.
      if (CheckCounts(d, rec, payload, kReadOp, msg)) {
        CopyListsIn(d, payload, rec);
        if (d.TailPointer != 0) {
          const uint8_t* tail = payload + PayloadBytes(d, rec);
          std::memcpy(rec + d.TailPointer, &tail, sizeof tail);
        }
        ArrayerStatus = 0;
      } else {
        ArrayerStatus = kStatusOverfull;
      }
    }
  }
  ArrayerBusy = 0;
  if (ArrayerStatus == 1) SYS_BREAKPROGRAM(Text(d, "Entry was empty", "A_Read"));
  if (ArrayerStatus == 2) SYS_BREAKPROGRAM(Text(d, "The Type was diffrent", "A_Read"));
  if (ArrayerStatus == kStatusOverfull) SYS_BREAKPROGRAM(msg);
}

void RecordWrite(const RecordDesc& d, void* record) {
  uint8_t* rec = static_cast<uint8_t*>(record);
  TArrayerArray& a = ArrayOf(d.Array);
  std::string msg;
  if (!CheckCounts(d, rec, nullptr, kWriteOp, msg)) SYS_BREAKPROGRAM(msg);
  BusyCheck();
  ArrayerCount(d.Row, kCountWrite);
  ArrayerCount(d.Row, kCountLive, 1, false);
  ArrayerBusy = 1;
  const uint32_t bytes = EntryBytesFor(d, rec);
  if (!HeapHasRoom(a, bytes)) Fail(HeapFullText(d.Array));
  const uint32_t cell = FindFreeSlot(a, d.Array);
  StoreRecord(d, rec, cell, bytes);
  Store32(rec, cell);
  ArrayerBusy = 0;
  ArrayerCompactStep(d.Array);
  if (d.AfterWrite) d.AfterWrite(rec);
}

void RecordReWrite(const RecordDesc& d, void* record) {
  uint8_t* rec = static_cast<uint8_t*>(record);
  TArrayerArray& a = ArrayOf(d.Array);
  std::string msg;
  if (!CheckCounts(d, rec, nullptr, kReWriteOp, msg)) SYS_BREAKPROGRAM(msg);
  BusyCheck();
  ArrayerCount(d.Row, kCountReWrite);
  const uint32_t index = Load32(rec);
  IndexChecks(d, a, index, "A_Rewrite", "A_ReWrite");
  ArrayerBusy = 1;
  ArrayerStatus = 1;
  if (uint8_t* old = EntryOfCell(a, index)) {
    ArrayerStatus = 2;
    if (EntryKind(old) == d.Kind) {
      const uint32_t bytes = EntryBytesFor(d, rec);
      if (!HeapHasRoom(a, bytes)) Fail(HeapFullText(d.Array));
      Store32(old, 0);  // the old copy is dead from now on
      StoreRecord(d, rec, index, bytes);
      ArrayerStatus = 0;
    }
  }
  ArrayerBusy = 0;
  if (ArrayerStatus == 1) SYS_BREAKPROGRAM(Text(d, "Entry was empty", "A_ReWrite"));
  if (ArrayerStatus == 2) SYS_BREAKPROGRAM(Text(d, "The Type was diffrent", "A_ReWrite"));
  ArrayerCompactStep(d.Array);
}

void RecordOverwrite(const RecordDesc& d, void* record) {
  uint8_t* rec = static_cast<uint8_t*>(record);
  TArrayerArray& a = ArrayOf(d.Array);
  BusyCheck();
  ArrayerCount(d.Row, kCountOverwrite);
  const uint32_t index = Load32(rec);
  IndexChecks(d, a, index, "A_Overwrite", "A_Overwrite");
  ArrayerBusy = 1;
  ArrayerStatus = 1;
  uint8_t* e = EntryOfCell(a, index);
  if (e) {
    ArrayerStatus = 2;
    if (EntryKind(e) == d.Kind) {
      ArrayerOverwriteTarget = e + 4;
      ArrayerStatus = 0;
    }
  }
  ArrayerBusy = 0;
  if (ArrayerStatus == 1) SYS_BREAKPROGRAM(Text(d, "Entry was empty", "Overwrite"));
  if (ArrayerStatus == 2) SYS_BREAKPROGRAM(Text(d, "The Type was diffrent", "Overwrite"));
  for (int i = 0; i < d.CheckCount; ++i) {
    const RecordList& l = d.Lists[d.CheckOrder[i]];
    if (RecCount(rec, l) != CountOf(ArrayerOverwriteTarget + l.CountOffset, l.CountWidth))
      SYS_BREAKPROGRAM(Text(d, l.Changed, d.CountOp[kOverwriteOp]));
  }
  ArrayerBusy = 1;
  const RecordList* changed = CopyOver(d, rec, e + kArrayerEntryHeader);
  ArrayerStatus = changed ? kStatusLengthChanged : 0;
  ArrayerBusy = 0;
  if (changed) {
    SYS_BREAKPROGRAM(Text(d, changed->Shape == ListShape::Slots ? changed->SlotChanged : changed->Changed,
                          d.CountOp[kOverwriteOp]));
  }
}
