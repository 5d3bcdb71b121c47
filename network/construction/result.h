// TConstructResult: the set of reason numbers 0..47 that every construction routine and command
// handler returns, in 6 bytes (reason n is bit n % 8 of byte n / 8, so the first 32 reasons are the
// bits of the first 32-bit word and 32..47 lie in the last two bytes). Element 0 means success;
// every other element names a refusal. It is the same set as the world records' removal result.
#pragma once

#include <initializer_list>
#include <string>

#include "engine/world/records.h"

struct TConstructResult : TDestroyResult {
  // The set of exactly the given elements.
  static TConstructResult Of(std::initializer_list<int> elements) {
    TConstructResult r{};
    for (int e : elements) r.Include(e);
    return r;
  }
  static TConstructResult Success() { return Of({0}); }

  bool Ok() const { return Has(0); }
  // Adds a reason of refusal: the element goes in and element 0 goes out.
  void Refuse(int element) {
    Include(element);
    Exclude(0);
  }
  // The one-element set {element}.
  void Assign(int element) { *this = Of({element}); }
  // Takes in another routine's result: every failure element 1..45 of either is kept, 46 and 47
  // are dropped, and 0 stays only when both had it.
  void Merge(const TConstructResult& other);
  bool operator==(const TConstructResult& other) const;
  // The elements in rising order, separated by commas ("0", "3,5"; "" for the empty set).
  std::string Elements() const;
};
static_assert(sizeof(TConstructResult) == 6);
