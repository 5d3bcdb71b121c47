// The system's own growable list of untyped pointers. It owns only its pointer storage; freeing
// the objects it points to is the owner's task. Every misuse is a fatal stop.
#pragma once

#include <cstdint>
#include <string>

// The fatal messages (Windows-1252 text); the value in question follows each directly.
extern const char* const kListIndexError;     // "Der Index der Liste überschreitet das Maximum (%d)"
extern const char* const kListCapacityError;  // "Die Kapazität der Liste ist erschöpft (%d)"
extern const char* const kListCountError;     // "Zu viele Einträge in der Liste (%d)"

class TList {
 public:
  static constexpr int32_t kMaxListSize = 134217728;  // 2^27; capacities and counts stay below

  void** Items = nullptr;
  int32_t Count = 0;
  int32_t Capacity = 0;

  TList() = default;
  TList(const TList&) = delete;
  TList& operator=(const TList&) = delete;
  // Clear; the items themselves are not freed.
  virtual ~TList();

  // Capacity + Capacity / 4 above 64, + 16 above 8, else + 4.
  virtual void Grow();
  // Appends the item, growing when full; returns its index.
  virtual int32_t Add(void* Item);
  // Count 0, then the storage is released (Capacity 0).
  virtual void Clear();
  // Removes the item and moves the ones after it one place down; the capacity stays.
  virtual void Delete(int32_t Index);
  // Fatal stop with Msg followed by the decimal text of Data.
  [[noreturn]] static void Error(const std::string& Msg, int32_t Data);

  void* Get(int32_t Index) const;
  void Put(int32_t Index, void* Item);
  // Fatal below Count or at 2^27 and above.
  void SetCapacity(int32_t NewCapacity);
  // Fatal below 0 or at 2^27 and above; new slots hold nullptr.
  void SetCount(int32_t NewCount);
};
