#include "engine/base/scriptvalue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// What a value reads as through every getter.
struct Reading {
  int32_t asInt;
  float asFloat;
  const char* asString;
  uint8_t kind;
};

void ExpectReads(const TQzVariant& v, const Reading& r, const std::string& what) {
  EXPECT_EQ(v.GetInteger(), r.asInt) << what;
  EXPECT_EQ(v.GetRecord(), r.asInt) << what;
  EXPECT_EQ(v.GetFloat(), r.asFloat) << what;
  EXPECT_EQ(v.GetString(), r.asString) << what;
  EXPECT_EQ(v.Kind, r.kind) << what;
}

TEST(QzVariant, NewValueReadsAsZero) {
  TQzVariant v;
  ExpectReads(v, {0, 0.0f, "0", kVarInteger}, "new");
}

TEST(QzVariant, SetterByGetterTable) {
  struct Case {
    const char* what;
    void (*set)(TQzVariant&);
    Reading reading;
  };
  const Case cases[] = {
      {"int 7", [](TQzVariant& v) { v.SetInteger(7); }, {7, 7.0f, "7", kVarInteger}},
      {"int -12", [](TQzVariant& v) { v.SetInteger(-12); }, {-12, -12.0f, "-12", kVarInteger}},
      {"int 16777217", [](TQzVariant& v) { v.SetInteger(16777217); }, {16777217, 16777216.0f, "16777217", 0}},
      {"float 2.5", [](TQzVariant& v) { v.SetFloat(2.5f); }, {2, 2.5f, "2.500", kVarFloat}},
      {"float 3.5", [](TQzVariant& v) { v.SetFloat(3.5f); }, {4, 3.5f, "3.500", kVarFloat}},
      {"float -2.5", [](TQzVariant& v) { v.SetFloat(-2.5f); }, {-2, -2.5f, "-2.500", kVarFloat}},
      {"float 1", [](TQzVariant& v) { v.SetFloat(1.0f); }, {1, 1.0f, "1.000", kVarFloat}},
      {"float 3.7", [](TQzVariant& v) { v.SetFloat(3.7f); }, {4, 3.7f, "3.700", kVarFloat}},
      {"float -0.0004", [](TQzVariant& v) { v.SetFloat(-0.0004f); }, {0, -0.0004f, "-0.000", kVarFloat}},
      {"float 1e10", [](TQzVariant& v) { v.SetFloat(1e10f); }, {kMax, 1e10f, "10000000000.000", kVarFloat}},
      {"float -inf", [](TQzVariant& v) { v.SetFloat(-kInf); }, {kMin, -kInf, "-INF", kVarFloat}},
      {"string 12.7", [](TQzVariant& v) { v.SetString("12.7"); }, {12, 12.7f, "12.7", kVarString}},
      {"string abc", [](TQzVariant& v) { v.SetString("abc"); }, {0, 0.0f, "abc", kVarString}},
      {"string -3.7", [](TQzVariant& v) { v.SetString("-3.7"); }, {3, -3.7f, "-3.7", kVarString}},
      {"string $1F", [](TQzVariant& v) { v.SetString("$1F"); }, {31, 0.0f, "$1F", kVarString}},
      {"string empty", [](TQzVariant& v) { v.SetString(""); }, {0, 0.0f, "", kVarString}},
      {"record 5", [](TQzVariant& v) { v.SetRecord(5); }, {5, 5.0f, "5", kVarRecord}},
      {"record -1", [](TQzVariant& v) { v.SetRecord(-1); }, {-1, -1.0f, "-1", kVarRecord}},
  };
  for (const Case& c : cases) {
    TQzVariant v;
    c.set(v);
    ExpectReads(v, c.reading, c.what);
  }
}

TEST(QzVariant, NaNReadsAsZeroInteger) {
  TQzVariant v;
  v.SetFloat(kNaN);
  EXPECT_EQ(v.GetInteger(), 0);
  EXPECT_EQ(v.GetRecord(), 0);
  EXPECT_TRUE(std::isnan(v.GetFloat()));
  EXPECT_EQ(v.GetString(), "NAN");
}

TEST(QzVariant, SettersKeepTheOtherFieldsAndUnknownKindsReadEmpty) {
  TQzVariant v;
  v.SetInteger(5);
  v.SetString("text");
  v.SetFloat(2.0f);
  EXPECT_EQ(v.IntValue, 5);
  EXPECT_EQ(v.StrValue, "text");
  EXPECT_EQ(v.FloatValue, 2.0f);
  v.Kind = 9;
  ExpectReads(v, {0, 0.0f, "", 9}, "unknown kind");
  // Text longer than a short string is cut to 255 characters.
  v.SetString(std::string(300, 'a'));
  EXPECT_EQ(v.GetString(), std::string(255, 'a'));
}

// ---- Bound to host variables

struct Host {
  int32_t i = 0;
  int32_t rec = 0;
  float f = 0;
  ShortString<255> text{};
  TQzVariantP vi{&i, kVarInteger, "hostInt"};
  TQzVariantP vr{&rec, kVarRecord, "hostRec"};
  TQzVariantP vf{&f, kVarFloat, "hostFloat"};
  TQzVariantP vs{&text, kVarString, "hostText"};
};

TEST(QzVariantHost, NameIsUpperCaseAndKindIsFixed) {
  Host h;
  EXPECT_EQ(h.vi.Name, "HOSTINT");
  h.vi.SetString("12");
  h.vi.SetFloat(1.5f);
  EXPECT_EQ(h.vi.Kind, kVarInteger);
  h.vs.SetInteger(3);
  EXPECT_EQ(h.vs.Kind, kVarString);
}

TEST(QzVariantHost, IntegerHostConvertsEveryWrite) {
  struct Case {
    const char* what;
    void (*set)(TQzVariant&);
    int32_t stored;
  };
  const Case cases[] = {
      {"int", [](TQzVariant& v) { v.SetInteger(-7); }, -7},
      {"record", [](TQzVariant& v) { v.SetRecord(9); }, 9},
      {"float 3.7", [](TQzVariant& v) { v.SetFloat(3.7f); }, 4},
      {"float 2.5", [](TQzVariant& v) { v.SetFloat(2.5f); }, 2},
      {"float 3.5", [](TQzVariant& v) { v.SetFloat(3.5f); }, 4},
      {"float -2.5", [](TQzVariant& v) { v.SetFloat(-2.5f); }, -2},
      {"float 1e10", [](TQzVariant& v) { v.SetFloat(1e10f); }, kMax},
      {"float -1e10", [](TQzVariant& v) { v.SetFloat(-1e10f); }, kMin},
      {"float NaN", [](TQzVariant& v) { v.SetFloat(kNaN); }, 0},
      {"string 12.7", [](TQzVariant& v) { v.SetString("12.7"); }, 12},
      {"string -3.7", [](TQzVariant& v) { v.SetString("-3.7"); }, 3},
      {"string 0x10", [](TQzVariant& v) { v.SetString("0x10"); }, 16},
  };
  for (const Case& c : cases) {
    Host h;
    h.i = 1234;
    c.set(h.vi);
    EXPECT_EQ(h.i, c.stored) << c.what;
    h.rec = 1234;
    c.set(h.vr);
    EXPECT_EQ(h.rec, c.stored) << c.what;
  }
  Host h;
  h.i = 42;
  ExpectReads(h.vi, {42, 42.0f, "42", kVarInteger}, "host int 42");
  h.rec = 5;
  ExpectReads(h.vr, {5, 5.0f, "5", kVarRecord}, "host record 5");
}

TEST(QzVariantHost, FloatHostShowsTwoDecimalsAndRoundsHalvesToEven) {
  struct Case {
    float stored;
    Reading reading;
  };
  const Case cases[] = {
      {2.5f, {2, 2.5f, "2.50", kVarFloat}},   {3.5f, {4, 3.5f, "3.50", kVarFloat}},
      {-2.5f, {-2, -2.5f, "-2.50", kVarFloat}}, {1.0f, {1, 1.0f, "1.00", kVarFloat}},
      {3.7f, {4, 3.7f, "3.70", kVarFloat}},   {-1e10f, {kMin, -1e10f, "-10000000000.00", kVarFloat}},
  };
  for (const Case& c : cases) {
    Host h;
    h.f = c.stored;
    ExpectReads(h.vf, c.reading, std::to_string(c.stored));
  }
  Host h;
  h.vf.SetInteger(7);
  EXPECT_EQ(h.f, 7.0f);
  h.vf.SetRecord(-3);
  EXPECT_EQ(h.f, -3.0f);
  h.vf.SetFloat(0.25f);
  EXPECT_EQ(h.f, 0.25f);
  h.vf.SetString("12.7");
  EXPECT_EQ(h.f, 12.7f);
  h.vf.SetString("2.5x");  // the text's own reading: digits as one number
  EXPECT_EQ(h.f, 25.0f);
}

TEST(QzVariantHost, TextHostStoresNumbersAsText) {
  Host h;
  h.vs.SetInteger(-12);
  EXPECT_EQ(h.text.str(), "-12");
  h.vs.SetRecord(5);
  EXPECT_EQ(h.text.str(), "5");
  h.vs.SetFloat(1.0f);
  EXPECT_EQ(h.text.str(), "1.00");
  h.vs.SetFloat(-0.5f);
  EXPECT_EQ(h.text.str(), "-0.50");
  h.vs.SetString("abc");
  EXPECT_EQ(h.text.str(), "abc");
  h.vs.SetString(std::string(300, 'z'));
  EXPECT_EQ(h.text.str(), std::string(255, 'z'));

  h.text.assign("12.7");
  ExpectReads(h.vs, {12, 12.7f, "12.7", kVarString}, "host text 12.7");
  h.text.assign("$1F");
  EXPECT_EQ(h.vs.GetInteger(), 31);
}

TEST(QzVariantHost, UnknownKindOrNoStorageReadsZeroAndIgnoresWrites) {
  int32_t storage = 77;
  TQzVariantP odd(&storage, 6, "odd");
  ExpectReads(odd, {0, 0.0f, "", 6}, "kind 6");
  odd.SetInteger(1);
  odd.SetFloat(2);
  odd.SetString("3");
  odd.SetRecord(4);
  EXPECT_EQ(storage, 77);

  TQzVariantP unbound(nullptr, kVarInteger, "none");
  ExpectReads(unbound, {0, 0.0f, "", kVarInteger}, "no storage");
  unbound.SetInteger(5);  // must not crash
}

// ---- Copying

TEST(QzVariantAssign, PlainTargetTakesTheKindBoundTargetConverts) {
  Host h;
  TQzVariant src;
  src.SetString("12.7");

  TQzVariant plain;
  AssignVariant(src, plain);
  EXPECT_EQ(plain.Kind, kVarString);
  EXPECT_EQ(plain.StrValue, "12.7");

  AssignVariant(src, h.vi);
  EXPECT_EQ(h.i, 12);
  AssignVariant(src, h.vf);
  EXPECT_EQ(h.f, 12.7f);

  src.SetFloat(3.7f);
  AssignVariant(src, h.vi);
  EXPECT_EQ(h.i, 4);
  AssignVariant(src, h.vs);
  EXPECT_EQ(h.text.str(), "3.70");
  AssignVariant(src, plain);
  EXPECT_EQ(plain.Kind, kVarFloat);
  EXPECT_EQ(plain.FloatValue, 3.7f);

  src.SetRecord(8);
  AssignVariant(src, plain);
  EXPECT_EQ(plain.Kind, kVarRecord);
  EXPECT_EQ(plain.IntValue, 8);

  // A bound source copies through its own kind.
  h.f = 2.5f;
  AssignVariant(h.vf, plain);
  EXPECT_EQ(plain.Kind, kVarFloat);
  EXPECT_EQ(plain.FloatValue, 2.5f);
  h.i = 42;
  AssignVariant(h.vi, h.vs);
  EXPECT_EQ(h.text.str(), "42");

  // An unknown kind copies nothing.
  TQzVariant odd;
  odd.SetInteger(99);
  odd.Kind = 5;
  AssignVariant(odd, plain);
  EXPECT_EQ(plain.Kind, kVarFloat);
  EXPECT_EQ(plain.FloatValue, 2.5f);
  EXPECT_EQ(plain.IntValue, 8);
}

}  // namespace
