#include "engine/base/pointerlist.h"

#include <cstdlib>
#include <cstring>

#include "engine/base/diagnostics.h"

const char* const kListIndexError = "Der Index der Liste \xFC" "berschreitet das Maximum (%d)";
const char* const kListCapacityError = "Die Kapazit\xE4" "t der Liste ist ersch\xF6" "pft (%d)";
const char* const kListCountError = "Zu viele Eintr\xE4" "ge in der Liste (%d)";

TList::~TList() { TList::Clear(); }

void TList::Grow() {
  int32_t delta = 4;
  if (Capacity > 64)
    delta = Capacity / 4;
  else if (Capacity > 8)
    delta = 16;
  SetCapacity(Capacity + delta);
}

int32_t TList::Add(void* Item) {
  if (Count == Capacity) Grow();
  Items[Count] = Item;
  return Count++;
}

void TList::Clear() {
  SetCount(0);
  SetCapacity(0);
}

void TList::Delete(int32_t Index) {
  if (Index < 0 || Index >= Count) Error(kListIndexError, Index);
  --Count;
  if (Index < Count) {
    std::memmove(&Items[Index], &Items[Index + 1], static_cast<size_t>(Count - Index) * sizeof(void*));
  }
}

void TList::Error(const std::string& Msg, int32_t Data) { SYS_BREAKPROGRAM(Msg + std::to_string(Data)); }

void* TList::Get(int32_t Index) const {
  if (Index < 0 || Index >= Count) Error(kListIndexError, Index);
  return Items[Index];
}

void TList::Put(int32_t Index, void* Item) {
  if (Index < 0 || Index >= Count) Error(kListIndexError, Index);
  Items[Index] = Item;
}

void TList::SetCapacity(int32_t NewCapacity) {
  if (NewCapacity < Count || NewCapacity >= kMaxListSize) Error(kListCapacityError, NewCapacity);
  if (NewCapacity == Capacity) return;
  if (NewCapacity == 0) {
    std::free(Items);
    Items = nullptr;
  } else {
    void* grown = std::realloc(Items, static_cast<size_t>(NewCapacity) * sizeof(void*));
    // Out of memory leaves the list as it was and stops like an exhausted list.
    if (grown == nullptr) Error(kListCapacityError, NewCapacity);
    Items = static_cast<void**>(grown);
  }
  Capacity = NewCapacity;
}

void TList::SetCount(int32_t NewCount) {
  if (NewCount < 0 || NewCount >= kMaxListSize) Error(kListCountError, NewCount);
  if (NewCount > Capacity) SetCapacity(NewCount);
  for (int32_t i = Count; i < NewCount; ++i) Items[i] = nullptr;
  Count = NewCount;
}
