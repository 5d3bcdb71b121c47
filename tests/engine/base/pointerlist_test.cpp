#include "engine/base/pointerlist.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace {

void* P(intptr_t n) { return reinterpret_cast<void*>(n); }

// The text of the fatal stop that the call makes, or "" when it returns.
std::string FatalText(const std::function<void()>& call) {
  try {
    call();
  } catch (const testing_support::FatalError& e) {
    return e.what();
  }
  return "";
}

std::string Fatal(const std::string& msg) { return "FATAL ERROR: " + msg + " PROGRAM TERMINATES!"; }

TEST(OwnList, CapacityGrowsByFourThenSixteenThenAQuarter) {
  TList list;
  std::vector<int32_t> capacities = {list.Capacity};
  for (intptr_t i = 0; i < 148; ++i) {
    EXPECT_EQ(list.Add(P(i + 1)), i);
    if (list.Capacity != capacities.back()) capacities.push_back(list.Capacity);
  }
  EXPECT_EQ(capacities, (std::vector<int32_t>{0, 4, 8, 12, 28, 44, 60, 76, 95, 118, 147, 183}));
  EXPECT_EQ(list.Count, 148);
  for (int32_t i = 0; i < list.Count; ++i) ASSERT_EQ(list.Get(i), P(i + 1));
}

TEST(OwnList, GrowStepDependsOnTheCurrentCapacity) {
  const std::pair<int32_t, int32_t> steps[] = {{0, 4}, {3, 7}, {8, 12}, {9, 25}, {64, 80}, {65, 81}, {100, 125}};
  for (const auto& [from, to] : steps) {
    TList list;
    list.SetCapacity(from);
    list.Grow();
    EXPECT_EQ(list.Capacity, to) << from;
  }
}

TEST(OwnList, AddUsesAnOverriddenGrow) {
  struct ByOne : TList {
    void Grow() override { SetCapacity(Capacity + 1); }
  } list;
  for (intptr_t i = 0; i < 6; ++i) list.Add(P(i));
  EXPECT_EQ(list.Capacity, 6);
}

TEST(OwnList, DeleteMovesLaterItemsDownAndKeepsTheCapacity) {
  TList list;
  list.Add(P(10));
  list.Add(P(20));
  list.Add(P(30));
  list.Delete(0);
  EXPECT_EQ(list.Count, 2);
  EXPECT_EQ(list.Capacity, 4);
  EXPECT_EQ(list.Get(0), P(20));
  EXPECT_EQ(list.Get(1), P(30));
  list.Add(P(40));
  list.Delete(1);
  EXPECT_EQ(list.Get(0), P(20));
  EXPECT_EQ(list.Get(1), P(40));
  list.Delete(1);
  list.Delete(0);
  EXPECT_EQ(list.Count, 0);
  EXPECT_EQ(list.Capacity, 4);
}

TEST(OwnList, PutReplacesAndSetCountFillsNewSlotsWithNil) {
  TList list;
  for (intptr_t i = 1; i <= 8; ++i) list.Add(P(i));
  list.Put(3, P(99));
  EXPECT_EQ(list.Get(3), P(99));
  list.SetCount(5);
  EXPECT_EQ(list.Capacity, 8);
  list.SetCount(8);  // the old items 6 to 8 do not come back
  for (int32_t i = 5; i < 8; ++i) EXPECT_EQ(list.Get(i), nullptr);
  EXPECT_EQ(list.Get(4), P(5));
  list.SetCount(20);  // above the capacity: the capacity follows
  EXPECT_EQ(list.Capacity, 20);
  EXPECT_EQ(list.Get(19), nullptr);
}

TEST(OwnList, ClearReleasesTheStorage) {
  TList list;
  list.Clear();
  EXPECT_EQ(list.Count, 0);
  EXPECT_EQ(list.Capacity, 0);
  EXPECT_EQ(list.Items, nullptr);
  for (intptr_t i = 0; i < 30; ++i) list.Add(P(i));
  list.Clear();
  EXPECT_EQ(list.Count, 0);
  EXPECT_EQ(list.Capacity, 0);
  EXPECT_EQ(list.Items, nullptr);
  EXPECT_EQ(list.Add(P(1)), 0);
}

TEST(OwnList, MisuseStopsTheProgramWithTheListsMessage) {
  const std::string index = "Der Index der Liste \xFC" "berschreitet das Maximum (%d)";
  const std::string capacity = "Die Kapazit\xE4" "t der Liste ist ersch\xF6" "pft (%d)";
  const std::string count = "Zu viele Eintr\xE4" "ge in der Liste (%d)";
  EXPECT_EQ(kListIndexError, index);
  EXPECT_EQ(kListCapacityError, capacity);
  EXPECT_EQ(kListCountError, count);

  struct Case {
    const char* what;
    std::function<void(TList&)> call;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"Get(Count)", [](TList& l) { l.Get(l.Count); }, index + "3"},
      {"Get(-1)", [](TList& l) { l.Get(-1); }, index + "-1"},
      {"Put(Count)", [](TList& l) { l.Put(3, nullptr); }, index + "3"},
      {"Put(-2)", [](TList& l) { l.Put(-2, nullptr); }, index + "-2"},
      {"Delete(Count)", [](TList& l) { l.Delete(3); }, index + "3"},
      {"Delete(-1)", [](TList& l) { l.Delete(-1); }, index + "-1"},
      {"SetCapacity below Count", [](TList& l) { l.SetCapacity(2); }, capacity + "2"},
      {"SetCapacity 2^27", [](TList& l) { l.SetCapacity(134217728); }, capacity + "134217728"},
      {"SetCapacity negative", [](TList& l) { l.SetCapacity(-5); }, capacity + "-5"},
      {"SetCount negative", [](TList& l) { l.SetCount(-1); }, count + "-1"},
      {"SetCount 2^27", [](TList& l) { l.SetCount(134217728); }, count + "134217728"},
  };
  for (const Case& c : cases) {
    TList list;
    list.Add(P(1));
    list.Add(P(2));
    list.Add(P(3));
    EXPECT_EQ(FatalText([&] { c.call(list); }), Fatal(c.message)) << c.what;
    // Nothing changed before the stop.
    EXPECT_EQ(list.Count, 3) << c.what;
    EXPECT_EQ(list.Capacity, 4) << c.what;
    EXPECT_EQ(list.Get(2), P(3)) << c.what;
  }
  TList empty;
  EXPECT_EQ(FatalText([&] { empty.Get(0); }), Fatal(index + "0"));
  EXPECT_EQ(FatalText([&] { empty.Delete(0); }), Fatal(index + "0"));
}

}  // namespace
