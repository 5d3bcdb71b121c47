// The test run: the window's vehicle converted into slot 1 of the game's vehicle types and placed
// on the test track as the game would place it, and "Execute script", which runs the compiled
// animation script once and shows how long it took.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include <string>

#include "apps/vadrel/mainform.h"
#include "economy/testtrack.h"
#include "engine/world/vehicle.h"
#include "engine/world/vehicletype.h"
#include "platform/platform.h"
#include "script/gamecommands.h"
#include "script/interpreter.h"
#include "script/runners.h"
#include "script/sdatabase.h"

namespace vadrel {

bool MainForm::FormToVehicleType(TVehicleType& vt, bool ask) {
  if (!ScriptSaved && ask) Bn_SaveScriptClick();
  if (!ScriptSaved && ask) return false;
  TVehicleInfo info{};
  ControlsToRecord(info);
  TVehicleTypeSpecials specials;
  for (int k = 0; k < kVehicleTypeSpecialValues; ++k) {
    specials.Floats[k] = info.SpecialValues[k].FloatValue;
    specials.Flags[k] = info.SpecialValues[k].Flag;
    specials.Ints[k] = info.SpecialValues[k].IntValue;
  }
  VehicleInfoToType(info, specials, vt);
  return true;
}

void MainForm::CopyPartMeshes() {
  // Part k is the mesh of the k-th checked row, as the conversion counts the placements.
  int part = 0;
  for (int row = 1; row <= 5; ++row) {
    if (!MeshRowBoxes[static_cast<size_t>(row)] || !MeshRowBoxes[static_cast<size_t>(row)]->isChecked()) continue;
    PartMeshes[++part] = (*PreviewMeshes)[static_cast<size_t>(row)];
  }
}

bool MainForm::CalcWClick(bool ask) {
  TestVehicle.VehicleType = 1;
  FormToVehicleType(VehicleTypes[1], ask);
  if (!PlaceTestVehicle(TestVehicle, VehicleTypeKind(VehicleTypes[1]), VehicleTypeAxLength(VehicleTypes[1])))
    return false;
  CopyPartMeshes();
  PrepareVehicleMeshes(TestVehicle, 0);
  return true;
}

void MainForm::Bn_ExecuteScriptClick() {
  CalcWClick(true);
  ScriptErrorFlag = false;
  ScriptRunning = false;
  for (int k = 1; k <= 5; ++k) MeshPartTransforms[k] = TPlacement{};
  if (CodeStream.empty()) return;
  CopyPartMeshes();
  const uint32_t start = platform::Ticks();
  std::string result;
  RunScript(reinterpret_cast<const uint8_t*>(CodeStream.data()), CodeStream.size(), true, result);
  Label27->setText(QString::number(static_cast<uint32_t>(platform::Ticks() - start)));
  // A clean run leaves the error flag down; a refused run ends with its reason.
  if (ScriptErrorFlag || result == "running already" || result == "NO DATA")
    platform::MessageBox("", "Script Error at " + result);
  ScriptStackBase = 0;
}

}  // namespace vadrel
