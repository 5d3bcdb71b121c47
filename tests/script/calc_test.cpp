// CALC: the operators on every pair of value kinds, their errors, and the float remainder.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "tests/script/script_fixture.h"

namespace {

using script_testing::ImageBuilder;
using script_testing::Reports;
using Calc = script_testing::ScriptTest;

// A constant operand: kind letter I, F, S or R and its value as text.
struct Operand {
  char kind;
  std::string text;
};

void WriteOperand(ImageBuilder& b, const Operand& o) {
  switch (o.kind) {
    case 'I': b.U8(3).U32(uint32_t(std::stoll(o.text))); break;
    case 'F': {
      float f;
      if (o.text == "inf") f = std::numeric_limits<float>::infinity();
      else if (o.text == "nan") f = std::numeric_limits<float>::quiet_NaN();
      else f = std::stof(o.text);
      b.U8(4).F32(f);
      break;
    }
    case 'S': b.U8(5).Str(o.text); break;
    default: b.U8(6).U32(uint32_t(std::stoll(o.text))); break;
  }
}

// One CALC with the two operands and the step slot 1 := slot 0 Op slot 1.
std::vector<uint8_t> TwoOperandCalc(const Operand& a, uint8_t op, const Operand& b) {
  ImageBuilder image;
  image.U8(11).U8(2);
  WriteOperand(image, a);
  WriteOperand(image, b);
  image.U8(0).U8(1).U8(op).U8(1).U8(1).U8(255);
  return image.Finish();
}

// "I:14" (kind and text of the value), or an error: "3:(I-S)!" is "I-003 : ERROR : (I-S)!",
// "4" the record error, "5:..." the text error, "6" the boolish error, "7" the division by zero.
std::string Expand(const std::string& cell) {
  if (cell == "4") return "I-004 : ERROR : A RECORD IS NO CALC-TYPE!";
  if (cell == "6") return "I-006 : Boolish operator needed!";
  if (cell == "7") return "I-007 : ERROR : Division by Zero!";
  if (cell.rfind("3:", 0) == 0) return "I-003 : ERROR : " + cell.substr(2);
  if (cell.rfind("5:", 0) == 0) return "I-005 : ERROR : " + cell.substr(2);
  if (cell.rfind("17:", 0) == 0) return "I-017 : ERROR : " + cell.substr(3);
  return cell;
}

bool IsValueCell(const std::string& cell) { return cell.size() >= 2 && cell[1] == ':' && std::strchr("IFS", cell[0]); }

// Runs the CALC and compares with the expected cell; the error ends the run with "0".
void Check(const Operand& a, uint8_t op, const Operand& b, const std::string& cell, const std::string& what) {
  Reports().clear();
  ScriptErrorFlag = false;
  const std::string result = RunScript(TwoOperandCalc(a, op, b));
  if (IsValueCell(cell)) {
    EXPECT_TRUE(Reports().empty()) << what << ": " << (Reports().empty() ? "" : Reports()[0].Message);
    const char kinds[] = {'I', 'F', 'S', 'R'};
    EXPECT_EQ(std::string(1, kinds[Accumulator.Kind & 3]) + ":" + result, cell) << what;
  } else {
    EXPECT_EQ(result, "0") << what;
    ASSERT_EQ(Reports().size(), 1u) << what;
    EXPECT_EQ(Reports()[0].Message, Expand(cell)) << what;
  }
}

// Left 7, 2.5, '4' or the record 3, right likewise; cells in the order II IF IS IR FI FF FS FR
// SI SF SS SR RI RF RS RR.
TEST_F(Calc, OperatorByKindMatrix) {
  const Operand values[4] = {{'I', "7"}, {'F', "2.5"}, {'S', "4"}, {'R', "3"}};
  struct Row {
    const char* op;
    uint8_t code;
    const char* cells[16];
  };
  const Row rows[] = {
      {"+", 1, {"I:14", "F:9.500", "3:(I-S)!", "3:(I-R)!", "F:9.500", "F:5.000", "3:(F-S)!", "3:(F-R)!",
                "3:(S-I)!", "3:(S-F)!", "S:44", "3:(S-R)!", "4", "4", "4", "4"}},
      {"-", 2, {"I:0", "F:4.500", "3:(I-S)!", "3:(I-R)!", "F:-4.500", "F:0.000", "3:(F-S)!", "3:(F-R)!",
                "3:(S-I)!", "3:(S-F)!", "5:Two strings can't be substracted", "3:(S-R)!", "4", "4", "4", "4"}},
      {"*", 3, {"I:49", "F:17.500", "3:(I-S)!", "3:(I-R)!", "F:17.500", "F:6.250", "3:(F-S)!", "3:(F-R)!",
                "3:(S-I)!", "3:(S-F)!", "5:Two strings can't be multiplied!", "3:(S-R)!", "4", "4", "4", "4"}},
      {"/", 4, {"I:1", "F:2.800", "3:(I/S)!", "3:(I/R)!", "F:0.357", "F:1.000", "3:(F/S)!", "3:(F/R)!",
                "3:(S/I)!", "3:(S/F)!", "5:Two strings can't be divided!", "3:(S/R)!", "4", "4", "4", "4"}},
      {"%", 5, {"I:0", "F:2.000", "3:(I mod S)!", "3:(I mod R)!", "F:2.500", "F:2.500", "3:(F mod S)!",
                "3:(F mod R)!", "3:(S mod I)!", "3:(S mod F)!", "5:Two strings can't be divided!", "3:(S mod R)!",
                "4", "4", "4", "4"}},
      {"=", 7, {"I:1", "I:0", "3:(I=S)!", "3:(I=R)!", "I:0", "I:1", "3:(F=S)!", "3:(F=R)!", "3:(S=I)!",
                "3:(S=F)!", "I:1", "3:(S=R)!", "4", "4", "4", "4"}},
      {"<>", 8, {"I:0", "I:1", "3:(I<>S)!", "3:(I<>R)!", "I:1", "I:0", "3:(F<>S)!", "3:(F<>R)!", "3:(S<>I)!",
                 "3:(S<>F)!", "I:0", "3:(S<>R)!", "4", "4", "4", "4"}},
      {"&", 9, {"I:7", "3:(I and F)!", "3:(I and S)!", "3:(I and R)!", "3:(F and I)!", "3:(F and F)!",
                "3:(F and S)!", "3:(F and R)!", "3:(S and I)!", "3:(S and F)!", "3:(S and S)!", "3:(S and R)!",
                "4", "4", "4", "4"}},
      {"&&", 10, {"I:0", "6", "6", "6", "6", "6", "6", "6", "6", "6", "6", "6", "6", "6", "6", "6"}},
      {"|", 11, {"I:7", "3:(I or F)!", "3:(I or S)!", "3:(I or R)!", "3:(F or I)!", "3:(F or F)!", "3:(F or S)!",
                 "3:(F or R)!", "3:(S or I)!", "3:(S or F)!", "3:(S or S)!", "3:(S or R)!", "4", "4", "4", "4"}},
      {"||", 12, {"I:0", "6", "6", "6", "6", "6", "6", "6", "6", "6", "6", "6", "6", "6", "6", "6"}},
      {"<", 13, {"I:0", "I:0", "3:(I<S)!", "3:(I<R)!", "I:1", "I:0", "3:(F<S)!", "3:(F<R)!", "3:(S<I)!",
                 "3:(S<F)!", "3:(S<S)!", "3:(S<R)!", "4", "4", "4", "4"}},
      {">", 14, {"I:0", "I:1", "3:(I>S)!", "3:(I>R)!", "I:0", "I:0", "3:(F>S)!", "3:(F>R)!", "3:(S>I)!",
                 "3:(S>F)!", "3:(S>S)!", "3:(S>R)!", "4", "4", "4", "4"}},
      {"<=", 15, {"I:1", "I:0", "3:(I<=S)!", "3:(I<=R)!", "I:1", "I:1", "3:(F<=S)!", "3:(F<=R)!", "3:(S<=I)!",
                  "3:(S<=F)!", "3:(S<=S)!", "3:(S<=R)!", "4", "4", "4", "4"}},
      {">=", 16, {"I:1", "I:1", "3:(I>=S)!", "3:(I>=R)!", "I:0", "I:1", "3:(F>=S)!", "3:(F>=R)!", "3:(S>=I)!",
                  "3:(S>=F)!", "3:(S>=S)!", "3:(S>=R)!", "4", "4", "4", "4"}},
      {"&&!", 17, {"I:0", "6", "6", "6", "6", "6", "6", "6", "6", "6", "6", "6", "6", "6", "6", "6"}},
      {"||!", 18, {"I:0", "6", "6", "6", "6", "6", "6", "6", "6", "6", "6", "6", "6", "6", "6", "6"}},
  };
  for (const Row& row : rows) {
    for (int i = 0; i < 16; ++i) {
      const Operand& a = values[i / 4];
      const Operand& b = values[i % 4];
      Check(a, row.code, b, row.cells[i], std::string(1, a.kind) + " " + row.op + " " + b.kind);
    }
  }
}

TEST_F(Calc, SingleCases) {
  struct Row {
    Operand a;
    const char* op;
    uint8_t code;
    Operand b;
    std::string cell;
  };
  const std::string s200(200, 'x');
  const Row rows[] = {
      {{'I', "7"}, "/", 4, {'I', "2"}, "I:3"},
      {{'I', "-7"}, "/", 4, {'I', "2"}, "I:-3"},
      {{'I', "-7"}, "%", 5, {'I', "2"}, "I:-1"},
      {{'I', "7"}, "%", 5, {'I', "-2"}, "I:1"},
      {{'I', "7"}, "/", 4, {'F', "2.0"}, "F:3.500"},
      {{'F', "5.5"}, "%", 5, {'I', "2"}, "F:1.500"},
      {{'I', "6"}, "%", 5, {'F', "3.0"}, "F:3.000"},
      {{'I', "2"}, "%", 5, {'F', "5.0"}, "F:2.000"},
      {{'F', "-5.5"}, "%", 5, {'F', "2.0"}, "F:-5.500"},
      {{'I', "5"}, "%", 5, {'I', "0"}, "7"},
      {{'F', "5.0"}, "%", 5, {'F', "0.0"}, "7"},
      {{'F', "5.0"}, "/", 4, {'F', "-0.0"}, "7"},
      {{'S', "abc"}, "/", 4, {'S', "x"}, "7"},
      {{'S', "abc"}, "/", 4, {'S', "4"}, "5:Two strings can't be divided!"},
      {{'R', "3"}, "/", 4, {'I', "0"}, "7"},
      {{'I', "5"}, "/", 4, {'R', "0"}, "7"},
      {{'S', "AB"}, "+", 1, {'S', "CD"}, "S:ABCD"},
      {{'S', s200}, "+", 1, {'S', s200}, "S:" + s200 + s200.substr(0, 55)},
      {{'S', "ab"}, "=", 7, {'S', "AB"}, "I:0"},
      {{'I', "1"}, "=", 7, {'F', "1.0"}, "I:1"},
      {{'I', "16777217"}, "=", 7, {'F', "16777216.0"}, "I:0"},
      {{'S', "ab"}, "<", 13, {'S', "b"}, "3:(S<S)!"},
      {{'I', "2"}, "&", 9, {'I', "3"}, "I:2"},
      {{'I', "256"}, "&", 9, {'I', "256"}, "I:0"},
      {{'I', "1"}, "|", 11, {'I', "256"}, "I:1"},
      {{'I', "2"}, "&&", 10, {'I', "1"}, "I:0"},
      {{'I', "1"}, "&&", 10, {'I', "1"}, "I:1"},
      {{'I', "1"}, "&&!", 17, {'I', "2"}, "I:1"},
      {{'I', "0"}, "||", 12, {'I', "1"}, "I:1"},
      {{'I', "0"}, "||!", 18, {'I', "0"}, "I:1"},
      {{'I', "0"}, "||!", 18, {'I', "2"}, "I:0"},
      {{'I', "1"}, "+", 1, {'F', "1.5"}, "F:2.500"},
      {{'R', "3"}, "+", 1, {'I', "1"}, "4"},
      {{'I', "1"}, "+", 1, {'R', "3"}, "3:(I-R)!"},
      {{'R', "3"}, "&&", 10, {'I', "1"}, "6"},
      // wrap-around
      {{'I', "2147483647"}, "+", 1, {'I', "1"}, "I:-2147483648"},
      {{'I', "-2147483648"}, "-", 2, {'I', "1"}, "I:2147483647"},
      {{'I', "-2147483648"}, "*", 3, {'I', "-1"}, "I:-2147483648"},
      {{'I', "65536"}, "*", 3, {'I', "65536"}, "I:0"},
      {{'I', "-2147483648"}, "/", 4, {'I', "-1"}, "I:-2147483648"},
      {{'I', "-2147483648"}, "%", 5, {'I', "-1"}, "I:0"},
      // the float remainder: where the subtraction would never end
      {{'F', "5.0"}, "%", 5, {'F', "-1.0"}, "17:Remainder never ends (5.000 mod -1.000)!"},
      {{'I', "3"}, "%", 5, {'F', "-0.5"}, "17:Remainder never ends (3 mod -0.500)!"},
      {{'F', "-5.0"}, "%", 5, {'F', "-1.0"}, "F:-5.000"},
      {{'F', "-0.5"}, "%", 5, {'F', "-1.0"}, "17:Remainder never ends (-0.500 mod -1.000)!"},
      {{'F', "-1.5"}, "%", 5, {'F', "-1.0"}, "F:-1.500"},
      {{'F', "1e30"}, "%", 5, {'I', "1"}, "17:Remainder never ends (1000000015047466219876688855040.000 mod 1)!"},
      {{'F', "inf"}, "%", 5, {'F', "2.0"}, "17:Remainder never ends (INF mod 2.000)!"},
      {{'F', "nan"}, "%", 5, {'F', "2.0"}, "F:NAN"},
      {{'F', "2.0"}, "%", 5, {'F', "nan"}, "F:2.000"},
      {{'F', "2.0"}, "%", 5, {'F', "inf"}, "F:2.000"},
      {{'F', "1e30"}, "%", 5, {'F', "3e29"}, "F:100000001504746621987668885504.000"},
      {{'I', "2147483647"}, "%", 5, {'F', "0.75"}, "F:0.250"},
      {{'F', "16777216.0"}, "%", 5, {'F', "0.1"}, "F:0.050"},
  };
  for (const Row& row : rows) {
    Check(row.a, row.code, row.b, row.cell,
          std::string(1, row.a.kind) + " " + row.a.text.substr(0, 20) + " " + row.op + " " + row.b.text.substr(0, 20));
  }
}

TEST_F(Calc, NoOperatorLeavesTheResultSlotAsItWas) {
  for (const uint8_t code : {uint8_t(0), uint8_t(6), uint8_t(19), uint8_t(200)}) {
    Check({'I', "7"}, code, {'F', "2.5"}, "F:2.500", "code " + std::to_string(code));
  }
}

TEST_F(Calc, WithoutStepsTheFirstOperandIsTheResultAndTemporariesCount) {
  EXPECT_EQ(Run({"CALC 'only'"}), "only");
  EXPECT_EQ(Run({"CALC ()"}), "0");
  // Three CALCs after a BUFFC leave their results in temporaries 1 to 3.
  EXPECT_EQ(Run({"BUFFC", "CALC 10", "CALC 20", "CALC 30", "CALC $1*100+$2*10+$3"}), "1230");
}

// The repeated subtraction, stepped one by one in the arithmetic of T.
template <typename T>
bool BruteForce(T r, T b, T& out, long budget) {
  for (long i = 0; r > b; ++i) {
    const T next = r - b;
    if (next == r || i > budget) return false;
    r = next;
  }
  out = r;
  return true;
}

template <typename T>
void CompareWithSteps(uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> expo(-20, 40);
  std::uniform_real_distribution<double> mant(1.0, 2.0);
  std::uniform_int_distribution<int> ratio(0, 12);
  int checked = 0;
  for (int round = 0; round < 4000; ++round) {
    const T b = static_cast<T>(std::ldexp(mant(rng), expo(rng)));
    // r within 2^13 of b, so that stepping ends soon; every bit of the mantissas random
    const T r = static_cast<T>(static_cast<double>(b) * std::ldexp(mant(rng), ratio(rng)));
    T expected{}, got{};
    ASSERT_TRUE(BruteForce(r, b, expected, 1 << 20));
    ASSERT_TRUE(SubtractWhileAbove(r, b, got));
    ASSERT_TRUE(expected == got)
        << std::hexfloat << static_cast<double>(r) << " % " << static_cast<double>(b) << ": " << static_cast<double>(expected)
        << " against " << static_cast<double>(got);
    ++checked;
  }
  EXPECT_EQ(checked, 4000);
}

TEST(SubtractWhileAbove, EqualsSteppingInFloatAndDouble) {
  CompareWithSteps<float>(1);
  CompareWithSteps<double>(2);
  CompareWithSteps<long double>(3);
}

TEST(SubtractWhileAbove, StepsThatRoundInsideOneBinade) {
  // 2^26 with b = 2^22 + 0.5: every step rounds to a multiple of 8.
  float expected = 0, got = 0;
  const float r = 67108864.0f, b = 4194304.5f;
  ASSERT_TRUE(BruteForce(r, b, expected, 1 << 20));
  ASSERT_TRUE(SubtractWhileAbove(r, b, got));
  EXPECT_EQ(expected, got);
  // A tie: b is 1.5 spacings of the binade above 2^25 (spacing 4); ties go to even.
  const float r2 = 33554432.0f + 4.0f * 1001.0f, b2 = 6.0f * 0.999999940395f;
  ASSERT_TRUE(BruteForce(r2, b2, expected, 1 << 24));
  ASSERT_TRUE(SubtractWhileAbove(r2, b2, got));
  EXPECT_EQ(expected, got);
}

TEST(SubtractWhileAbove, NeverEndingLoopsAreRecognised) {
  long double out = 0;
  EXPECT_FALSE(SubtractWhileAbove(1e30L, 1.0L, out));            // 1 is lost against 1e30
  EXPECT_FALSE(SubtractWhileAbove(5.0L, -1.0L, out));            // grows for ever
  EXPECT_FALSE(SubtractWhileAbove(std::numeric_limits<long double>::infinity(), 2.0L, out));
  EXPECT_TRUE(SubtractWhileAbove(-7.0L, -1.0L, out));            // not above: unchanged
  EXPECT_EQ(out, -7.0L);
  float f = 0;
  EXPECT_FALSE(SubtractWhileAbove(67108864.0f, 1.5f, f));        // 2^26 - 1.5 rounds back to 2^26 in floats
  EXPECT_TRUE(BruteForce(67108864.0f, 3.0f, f, 1 << 25));        // 2^26 - 3 rounds to 2^26 - 4
  float g = 0;
  EXPECT_TRUE(SubtractWhileAbove(67108864.0f, 3.0f, g));
  EXPECT_EQ(f, g);
}

}  // namespace
