// Record and file texts are Windows-1252 bytes: every byte keeps its value through a control.
#include <gtest/gtest.h>

#include <string>

#include "apps/common/wintext.h"

using appcommon::FromWinText;
using appcommon::ToWinText;

TEST(WinText, EveryByteSurvivesARoundTripAndMissingCharactersBecomeQuestionMarks) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(ToWinText(FromWinText(all)), all);
  EXPECT_EQ(FromWinText("\x80 \xe4 \xb0"), QString::fromUtf8("\xe2\x82\xac \xc3\xa4 \xc2\xb0"));
  EXPECT_EQ(ToWinText(QString::fromUtf8("\xe2\x82\xac\xe2\x98\x83\xc2\xb0")), "\x80?\xb0");
}
