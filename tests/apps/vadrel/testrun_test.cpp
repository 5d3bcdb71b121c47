// The test run: the window's vehicle placed on the test track, and "Execute script".
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>
#include <string>
#include <vector>

#include "apps/vadrel/mainform.h"
#include "engine/store/nodepool.h"
#include "engine/world/vehicle.h"
#include "engine/world/vehicletype.h"
#include "network/track/cursor.h"
#include "tests/apps/vadrel/form_fixture.h"

namespace {

using vadrel_test::Boxes;
using vadrel_test::VadrelForm;
using TestRun = VadrelForm;

float Distance(const TVector& a, const TVector& b) {
  return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}

TEST_F(TestRun, TheVehicleStandsOnItsCurveWithItsAxlesApart) {
  RunForm([&](vadrel::MainForm& f) {
    struct Case {
      const char* name;
      int type;
      uint32_t a, b;
    };
    const Case cases[] = {{"a train from node 6 toward 8", 1, 6, 8}, {"a car from node 13 toward 12", 0, 13, 12}};
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      f.CB_Vehicletype->setCurrentIndex(c.type);
      f.axlength->setText("30");
      f.TestVehicle = TVehicle{};
      f.CalcWClick();
      EXPECT_EQ(VehicleTypeKind(VehicleTypes[1]), c.type);
      EXPECT_EQ(VehicleTypeAxLength(VehicleTypes[1]), 30.0f);
      EXPECT_EQ(f.TestVehicle.VehicleType, 1);
      ASSERT_EQ(f.TestVehicle.Shown, 1);
      EXPECT_EQ(f.TestVehicle.FrontNode, c.a);
      EXPECT_EQ(f.TestVehicle.FrontDistance, 1.0f);
      TVector front{};
      PointBetweenNodes(c.a, c.b, front, 1.0f);
      const TPlacement& pose = f.TestVehicle.Placement;
      EXPECT_FLOAT_EQ(pose.X, front.x);
      EXPECT_FLOAT_EQ(pose.Z, front.z);
      // The back stands 30 behind the front, on the lane before it.
      EXPECT_NEAR(Distance(front, NodeCursor.RearPoint), 30.0f, 0.01f);
      TPlacement expected{};
      OrientationFromPoints(expected, front, NodeCursor.RearPoint);
      EXPECT_FLOAT_EQ(pose.Gier, expected.Gier);
      EXPECT_NE(f.TestVehicle.BackNode, 0u);
    }
    // A plane converts but is not placed.
    f.CB_Vehicletype->setCurrentIndex(2);
    f.TestVehicle = TVehicle{};
    f.CalcWClick();
    EXPECT_EQ(VehicleTypeKind(VehicleTypes[1]), 2);
    EXPECT_EQ(f.TestVehicle.Shown, 0);
    EXPECT_EQ(f.TestVehicle.FrontNode, 0u);
  });
}

TEST_F(TestRun, ExecuteScriptRunsTheCompiledScriptAndReportsOnlyFailures) {
  RunForm([&](vadrel::MainForm& f) {
    // Nothing compiled: only converted and placed, no box.
    f.CodeStream.clear();
    f.Label27->setText("none");
    f.Bn_ExecuteScript->click();
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(f.Label27->text().toStdString(), "none");

    f.SetScriptLines({"defineproc showmess;", "begin", "  showmess('Hello');", "end;"});
    f.Bn_CompileScript->click();
    ASSERT_FALSE(f.CodeStream.empty());
    f.ScriptSaved = true;  // no save dialog before the run
    f.Bn_ExecuteScript->click();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].second, "Hello");
    bool number = false;
    f.Label27->text().toUInt(&number);
    EXPECT_TRUE(number) << f.Label27->text().toStdString();

    // An image the interpreter refuses is reported with its reason.
    Boxes().clear();
    f.CodeStream = std::string(4, '\0');
    f.Bn_ExecuteScript->click();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].second.rfind("Script Error at ", 0), 0u) << Boxes()[0].second;
  });
}

}  // namespace
