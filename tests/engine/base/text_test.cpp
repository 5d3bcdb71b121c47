#include "engine/base/text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <string>

namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr float kInf = std::numeric_limits<float>::infinity();

// ---- Splitting

TEST(LibSplit, WordsFieldsAndItemsKeepQuotedTextTogether) {
  struct Case {
    const char* text;
    char sep;
    int32_t n;
    const char* piece;
  };
  const Case cases[] = {
      {"a  b", ' ', 1, "a"},
      {"a  b", ' ', 2, ""},  // two blanks in a row enclose an empty word
      {"a  b", ' ', 3, "b"},
      {"x 'a b' y", ' ', 2, "'a b'"},
      {"x 'a b' y", ' ', 3, "y"},
      {"a b", ' ', 5, "a b"},  // beyond the last word: the whole text
      {"a b", ' ', 0, "a b"},
      {"a b", ' ', -1, "a b"},
      {"a ", ' ', 2, ""},
      {" a", ' ', 1, ""},
      {"", ' ', 1, ""},
      {"a 'b c", ' ', 2, "'b c"},  // an open quote runs to the end
      {"1,'x,y',3", ',', 2, "'x,y'"},
      {"1,'x,y',3", ',', 3, "3"},
      {"one, two", ',', 2, " two"},
      {"P1|P2", '|', 2, "P2"},
      {"P1|P2", '|', 1, "P1"},
      {"a|'|'|b", '|', 3, "b"},
  };
  for (const Case& c : cases) {
    std::string piece;
    if (c.sep == ' ')
      piece = GetWord(c.text, c.n);
    else if (c.sep == ',')
      piece = GetField(c.text, c.n);
    else
      piece = GetItem(c.text, c.n, c.sep);
    EXPECT_EQ(piece, c.piece) << '"' << c.text << "\" " << c.n;
    EXPECT_EQ(GetItem(c.text, c.n, c.sep), c.piece) << '"' << c.text << "\" " << c.n;
  }
}

TEST(LibSplit, CountsOnePlusSeparatorsOutsideQuotes) {
  struct Case {
    const char* text;
    char sep;
    int32_t count;
  };
  const Case cases[] = {
      {"", ' ', 0},         {"a", ' ', 1},         {"a ", ' ', 2},         {"a  b", ' ', 3},
      {"x 'a b' y", ' ', 3}, {"'a b c'", ' ', 1},  {"a 'b c", ' ', 2},     {"1,'x,y',3", ',', 3},
      {",", ',', 2},        {"P1|P2", '|', 2},     {"a|'|'|b", '|', 3},    {"no seps", '|', 1},
  };
  for (const Case& c : cases) {
    if (c.sep == ' ') {
      EXPECT_EQ(CountWords(c.text), c.count) << '"' << c.text << '"';
    } else if (c.sep == ',') {
      EXPECT_EQ(CountFields(c.text), c.count) << '"' << c.text << '"';
    }
    EXPECT_EQ(CountItems(c.text, c.sep), c.count) << '"' << c.text << '"';
  }
}

TEST(LibSplit, CountingReadsTheWholeTextButPiecesOnlyTheFirst255Characters) {
  std::string text;
  for (int i = 0; i < 150; ++i) text += "x ";  // 300 characters, 151 words (the last one empty)
  EXPECT_EQ(CountWords(text), 151);
  EXPECT_EQ(GetWord(text, 128), "x");  // starts at character 255
  // Word 129 starts beyond the short string: the whole (cut) text comes back.
  EXPECT_EQ(GetWord(text, 129), text.substr(0, 255));
}

TEST(LibSplit, SplitWordsGivesCountWordsAndEachGetWordInOnePass) {
  std::string spaced;
  for (int i = 0; i < 150; ++i) spaced += "x ";
  const std::string texts[] = {"",
                               "a",
                               "a ",
                               " a",
                               "a  b",
                               "x 'a b' y",
                               "a 'b c",
                               "MOV X 'it''s a b'",
                               spaced,
                               "a '" + std::string(300, 'q') + " b' c",  // a quote open across the cut
                               std::string(254, 'y') + " z",             // a blank as character 255
                               std::string(255, 'w') + " v"};            // a blank just past the cut
  constexpr int32_t kWords = 132;
  for (const std::string& text : texts) {
    std::string_view words[kWords];
    EXPECT_EQ(SplitWords(text, words, kWords), CountWords(text)) << text;
    for (int32_t k = 0; k < kWords; ++k) ASSERT_EQ(std::string(words[k]), GetWord(text, k + 1)) << text << " " << k + 1;
  }
}

TEST(LibText, SignedDigitsAndUpperCase) {
  EXPECT_TRUE(IsSignedDigits(""));
  EXPECT_TRUE(IsSignedDigits("-+-"));
  EXPECT_TRUE(IsSignedDigits("+0123456789-"));
  EXPECT_FALSE(IsSignedDigits("1.5"));
  EXPECT_FALSE(IsSignedDigits("1 5"));
  EXPECT_FALSE(IsSignedDigits("$1F"));

  EXPECT_EQ(UpperShort("\xE4" "bc"), "\xE4" "BC");  // Windows-1252 a-umlaut stays
  EXPECT_EQ(UpperShort("azAZ09_{}`@"), "AZAZ09_{}`@");
  EXPECT_EQ(UpperShort(std::string(300, 'q')), std::string(255, 'Q'));
}

TEST(LibText, ReplaceAllIgnoresCaseAndRespectsTheLimit) {
  struct Case {
    const char* text;
    int32_t maxLen;
    const char* find;
    const char* repl;
    const char* result;
  };
  const Case cases[] = {
      {"a-b-c", 255, "-", "_", "a_b_c"},
      {"aBc-b", 255, "B", "x", "axc-x"},
      {"aBc-b", 255, "b", "XY", "aXYc-XY"},
      {"a-b", 3, "-", "__", "a__"},   // cut to the limit
      {"-x-", 2, "-", "+++", "++"},
      {"a--b", 255, "-", "", "ab"},
      {"abc", 255, "", "z", "abc"},   // an empty Find is never found
      {"abc", 255, "d", "z", "abc"},
      // Every search starts from the first character: an occurrence that a replacement forms
      // with the text before it is replaced as well.
      {"aaabb", 255, "ab", "", "a"},
      {"a--b", 255, "A-", "a", "ab"},
      {"aab", 255, "ab", "ba", "baa"},
      // A replacement that contains the searched text (in any case) would be found again
      // forever: each occurrence of the original text is replaced once.
      {"a-b", 255, "-", "--", "a--b"},
      {"ab ab", 255, "ab", "xAB", "xAB xAB"},
      {"-", 255, "-", "_-_", "_-_"},
      {"ab", 255, "b", "Bx", "aBx"},
  };
  for (const Case& c : cases) {
    std::string s = c.text;
    ReplaceAll(s, c.maxLen, c.find, c.repl);
    EXPECT_EQ(s, c.result) << c.text << " / " << c.find << " / " << c.repl;
  }
  // A replacement that keeps growing the text stops at the limit.
  std::string s(200, '-');
  ReplaceAll(s, 255, "-", "--");
  EXPECT_EQ(s, std::string(255, '-'));
}

// ---- Number to text

TEST(LibNumberText, IntegersWithMinusOrUnderscore) {
  struct Case {
    int32_t n;
    const char* plain;
    const char* underscore;
  };
  const Case cases[] = {
      {0, "0", "0"},
      {7, "7", "7"},
      {-12, "-12", "_12"},
      {kMax, "2147483647", "2147483647"},
      {kMin, "-2147483648", "_2147483648"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IntToStrShort(c.n), c.plain);
    EXPECT_EQ(IntToStrUnderscore(c.n), c.underscore);
  }
}

TEST(LibNumberText, FloatsWithFixedDecimalsAndNeverAnExponent) {
  struct Case {
    int32_t digits;
    float x;
    const char* text;
  };
  const Case cases[] = {
      {3, 2.0f, "2.000"},
      {3, 3.14159265f, "3.142"},
      {2, -0.5f, "-0.50"},
      {1, -12.25f, "-12.2"},  // exact tie: to even
      {2, 0.125f, "0.12"},
      {2, 0.375f, "0.38"},
      {0, 2.5f, "2"},
      {0, 3.5f, "4"},
      {-1, 3.5f, "4"},  // no negative decimals
      {2, 0.0f, "0.00"},
      {2, -0.0f, "0.00"},
      {3, 1e-10f, "0.000"},
      {2, 1e20f, "100000002004087734272.00"},
      {0, -3.4028235e38f, "-340282346638528859811704183484516925440"},
      {3, 1e-3f, "0.001"},
      {2, 0.1f, "0.10"},
      {2, std::numeric_limits<float>::quiet_NaN(), "NAN"},
      {2, kInf, "INF"},
      {2, -kInf, "-INF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FloatToStrDigits(c.digits, c.x), c.text) << c.digits << " " << c.x;
  }
  EXPECT_EQ(FloatDecimals, 3);
  EXPECT_EQ(PointDecimals, 2);
  EXPECT_EQ(FloatToStrPoint(-0.5f), "-0.50");
  EXPECT_EQ(FloatToStrPoint(1234.5678f), "1234.57");
  EXPECT_EQ(FloatToStrDigits(300, 1.0f).size(), 255u);  // cut to a short string
}

// ---- Text to number

TEST(LibTextNumber, StrToIntValStopsAtABadCharacterWithoutTheSign) {
  struct Case {
    const char* text;
    int32_t value;
  };
  const Case cases[] = {
      {"  42", 42},          {"-42", -42},          {"+42", 42},           {"007", 7},
      {"$1F", 31},           {"0x1f", 31},          {"0X1F", 31},          {"x1F", 31},
      {"X1f", 31},           {"$ff", 255},          {"12.5", 12},          {"-3.7", 3},
      {"-12 ", 12},          {"12 ", 12},           {"1 2", 1},            {"abc", 0},
      {"", 0},               {"-", 0},              {"  ", 0},             {"\t5", 0},
      {"-$1F", 0},           {"+0x1F", 0},          {"$", 0},              {"0x", 0},
      {"$1G", 1},            {"-$", 0},
      {"2147483647", kMax},  {"-2147483648", kMin},
      {"2147483648", 214748364},    // the digit that would leave the range ends the parse
      {"-2147483649", 214748364},
      {"99999999999", 999999999},
      {"$7FFFFFFF", kMax},   {"$FFFFFFFF", -1},     {"$80000000", kMin},
      {"$100000000", 0x10000000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StrToIntVal(c.text), c.value) << '"' << c.text << '"';
  }
  // Only the first 255 characters are read.
  EXPECT_EQ(StrToIntVal(std::string(254, ' ') + "123"), 1);
}

TEST(LibTextNumber, StrToFloatValStopsAtABadCharacterWithTheDigitsAsOneNumber) {
  struct Case {
    const char* text;
    float value;
  };
  const Case cases[] = {
      {"1.5", 1.5f},       {"-2.5e1", -25.0f},   {"12.7", 12.7f},     {"  3", 3.0f},
      {"+4.25", 4.25f},    {".5", 0.5f},         {"5.", 5.0f},        {"1e3", 1000.0f},
      {"1E-2", 0.01f},     {"2.5E+2", 250.0f},   {"0.1", 0.1f},       {"-0.001", -0.001f},
      {"3.4028235e38", FLT_MAX},  {"1e39", kInf},  {"-1e39", -kInf},   {"1e-50", 0.0f},
      {"1e99999999999", kInf},    {"0e99999", 0.0f},
      {"16777217", 16777216.0f},  // rounds to the nearest float
      // At a bad character: the digits read so far, no point, no exponent, no sign.
      {"1,5", 1.0f},       {"2.5x", 25.0f},      {"-3.7 ", 37.0f},    {"1.5e", 15.0f},
      {"1.5e+", 15.0f},    {"1.5e3x", 15.0f},    {"-1.25.", 125.0f},  {"12 ", 12.0f},
      {"", 0.0f},          {"abc", 0.0f},        {".", 0.0f},         {"-", 0.0f},
      {"e5", 0.0f},        {"$10", 0.0f},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StrToFloatVal(c.text), c.value) << '"' << c.text << '"';
  }
  EXPECT_TRUE(std::signbit(StrToFloatVal("-0")));
}

TEST(LibControlText, IntegerIsTheSignedValueOfTheLeadingNumber) {
  struct Case {
    const char* text;
    int32_t value;
  };
  const Case cases[] = {
      {"-3.7", -3},  {"3.7", 3},        {"2.5x", 2},      {"42", 42},       {"  -42abc", -42},
      {"+7", 7},     {"1e3", 1},        {"-12 ", -12},    {"abc", 0},       {"", 0},
      {"-", 0},      {"$1F", 31},       {"-$1F", -31},    {"0x10", 16},
      {"2147483647", kMax},    {"-2147483648", kMin},
      {"99999999999", kMax},   {"-99999999999", kMin},    {"2147483648x", kMax},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ControlTextToInt(c.text), c.value) << '"' << c.text << '"';
  }
}

TEST(LibControlText, FloatIsTheValueOfTheLeadingNumberWithPointExponentAndSign) {
  struct Case {
    const char* text;
    float value;
  };
  const Case cases[] = {
      {"2.5x", 2.5f},     {"0.5 ", 0.5f},     {"-3.7", -3.7f},   {"-3.7 ", -3.7f},  {"1.5e", 1.5f},
      {"1.5e+", 1.5f},    {"1.5e3x", 1500.0f}, {"1,5", 1.0f},    {"-.5", -0.5f},    {"7.", 7.0f},
      {"  12.25m", 12.25f}, {"abc", 0.0f},    {"", 0.0f},        {".", 0.0f},       {"1e39", kInf},
      {"-1.25.", -1.25f},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ControlTextToFloat(c.text), c.value) << '"' << c.text << '"';
  }
  EXPECT_FALSE(std::signbit(ControlTextToFloat("-")));
  // A text the plain reading takes as a whole gives the same value both ways.
  for (const char* whole : {"1.5", "-2.5e1", "12.7", "+4.25", "1E-2", "0.1", "-0.001", "3.4028235e38"}) {
    EXPECT_EQ(ControlTextToFloat(whole), StrToFloatVal(whole)) << whole;
  }
  for (const char* whole : {"42", "-42", "$1F", "0x1f", "-2147483648"}) {
    EXPECT_EQ(ControlTextToInt(whole), StrToIntVal(whole)) << whole;
  }
}

TEST(LibIntegers, ClampNegativeAndIntMax) {
  EXPECT_EQ(ClampNegative(5), 0);
  EXPECT_EQ(ClampNegative(0), 0);
  EXPECT_EQ(ClampNegative(-5), -5);
  EXPECT_EQ(ClampNegative(-10000), -10000);
  EXPECT_EQ(ClampNegative(-20000), -10000);
  EXPECT_EQ(ClampNegative(kMin), -10000);
  EXPECT_EQ(IntMax(-1, -2), -1);
  EXPECT_EQ(IntMax(3, 3), 3);
  EXPECT_EQ(IntMax(kMin, kMax), kMax);
}

}  // namespace
