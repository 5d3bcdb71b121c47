// The building program's start installs its script language: errors in a box, lenient number
// texts, floattostr with 3 decimals.
#include <gtest/gtest.h>

#include <string>

#include "engine/base/scriptvalue.h"
#include "script/compiler.h"
#include "script/interpreter.h"
#include "script/sdatabase.h"
#include "tests/apps/brumin/form_fixture.h"

namespace {

using brumin_test::BruminForm;
using brumin_test::Boxes;

TEST_F(BruminForm, StartInstallsTheBuildingScriptLanguage) {
  TScriptStream code;
  AssembleScript({"CALC (1+2"}, code);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].first, "Quillon-Compiler-Error (C-002)");
  EXPECT_EQ(Boxes()[0].second, "Calculation not closed");

  AssembleScript({"@FLOATTOSTR", "SET A FLOAT", "MOV A 1,5.0", "CALC 1,5+A", "PUSH", "CALLEXT FLOATTOSTR", "POP"}, code);
  ASSERT_FALSE(ScriptErrorFlag) << LastScriptError.Message;
  EXPECT_EQ(RunScript(code.Bytes), "15.000");

  TQzVariant v;
  v.SetString("90\xB0");
  EXPECT_EQ(v.GetFloat(), 1.5707964f);
  ScriptErrorFlag = false;
}

}  // namespace
