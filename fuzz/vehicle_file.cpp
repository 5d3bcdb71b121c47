// The vehicle file (*.vif) loader on arbitrary bytes, the way the editor loads a vehicle, without
// its window: the file vehicles\FUZZ.VIF is read and checked whole, its version decides whether it
// is taken, the record's numbers and names become the texts the controls show, the script file it
// names is read when it exists (vehicles\samplebus.mas lies ready), and the mesh of every used row
// is loaded from the vehicles folder (the placeholder mesh stands in for missing ones). Around
// that: the engine's reader of vehicle files, the name-head reader and the vehicle list agree with
// the editor's reader, and a taken record packs and unpacks back to itself.
//
// The editor's window-free rules live with the program (apps/vadrel/vehicledoc.cpp); the fuzz
// tree builds no programs, so that one source is linked into this target.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "apps/vadrel/vehicledoc.h"
#include "engine/base/text.h"
#include "engine/files/vehiclefile.h"
#include "engine/mesh/mesh.h"
#include "fuzz/file_host.h"
#include "platform/platform.h"
#include "script/scriptfile.h"

using fuzz_files::Check;

namespace {

constexpr const char* kFile = "vehicles/FUZZ.VIF";

TMesh2& Mesh() {
  static TMesh2* mesh = new TMesh2();
  return *mesh;
}

bool Start() {
  fuzz_files::Start();
  const std::vector<uint8_t> script =
      EncodeScriptFile("definevar frame;\r\n\r\nBegin\r\n  frame:=frame+1;\r\nEnd;\r\n", {});
  fuzz_files::WriteBytes(fuzz_files::Base() + "vehicles/samplebus.mas", script.data(), script.size());
  return true;
}

// A number shown in a control reads back as the same number.
void ShowFloat(float x) {
  const std::string text = vadrel::FloatToControlText(x);
  if (std::isfinite(x)) Check(ControlTextToFloat(text) == x, "a number's control text reads back as the number");
}

// The texts the controls show for the record (the numbers of the light silhouette aside: the
// same conversion, many times over).
void ShowRecord(const TVehicleInfo& v) {
  for (const TVector& c : v.BoundCorners)
    for (float x : {c.x, c.y, c.z}) ShowFloat(x);
  for (float x : {v.BoundTop, v.BoundBottom, v.MaxSpeed, v.CopLength, v.AxLength, v.CopLength2, v.WheelSize,
                  v.BrakeSpeed, v.SpeedToSteps, v.CostsPerKm, v.SoundMinFactor, v.SoundMaxFactor, v.SoundBase})
    ShowFloat(x);
  for (const TVector& p : v.Points)
    for (float x : {p.x, p.y, p.z}) ShowFloat(x);
  for (const TVehicleMeshRow& m : v.Meshes) {
    for (float x : {m.X, m.Y, m.Z, m.Nick, m.Gier, m.Roll}) ShowFloat(x);
    const std::string name = m.FileName.str();
    Check(vadrel::MeshFileNameOfCell(vadrel::MeshCellOfFileName(name)) == name, "a mesh file name comes back from its cell");
  }
  for (const TSpecialValue& s : v.SpecialValues) {
    ShowFloat(s.FloatValue);
    IntToStrShort(s.IntValue);
  }
  for (size_t i = 0; i < 6; ++i) {
    ShowFloat(v.GearFrom[i]);
    ShowFloat(v.GearChange[i]);
  }
  const int32_t gear = vadrel::GearItemOfCount(v.GearCount, 6);
  Check(gear >= 0 && gear < 6, "the gear combo selects one of its items");
  for (const auto& cone : v.LightCones)
    for (float x : cone) ShowFloat(x);
}

// The vehicle's script file, read as the editor reads it when the file exists.
void ReadScript(const TVehicleInfo& v) {
  const std::string name = v.ScriptFile.str();
  if (vadrel::IsNoScriptName(name)) return;
  const std::string path = platform::DiskPath("vehicles\\" + name);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return;
  TScriptFileData data;
  std::string error;
  bool read = false;
  Check(!fuzz_files::StoppedFatally([&] { read = ReadScriptFile(path, data, error); }), "a script file is read or refused");
  if (read) ScriptSourceLines(data.Source);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = Start();
  (void)started;
  fuzz_files::ResetTextures();
  fuzz_files::WriteInput(kFile, data, size);
  const std::string path = fuzz_files::Base() + kFile;

  TVehicleInfo info{};
  info.Weight = 4711;
  ShortString<40> head = "as it was";
  std::string error;
  bool taken = false;
  Check(!fuzz_files::StoppedFatally([&] { taken = vadrel::ReadVehicleForEditor(path, info, head, error); }),
        "the vehicle reader refuses with a message, never fatally");

  // The engine's reader takes what the editor takes, with the same record and head; it also takes
  // longer files, of which it reads the most a vehicle file may hold.
  TVehicleInfo engineInfo{};
  ShortString<40> engineHead{};
  bool engineTaken = false;
  Check(!fuzz_files::StoppedFatally([&] { engineTaken = LoadVehicleFile(path, engineInfo, &engineHead); }),
        "the engine's vehicle reader refuses with a message, never fatally");
  const bool withinLimit = size <= static_cast<size_t>(kVehicleHeadSize + kVehicleStreamLimit);
  Check(taken == (engineTaken && withinLimit && size > 0), "the editor and the engine take the same files");
  std::vector<std::string> skipped;
  const std::vector<vadrel::VehicleListEntry> list = vadrel::ListVehicleFiles(fuzz_files::Base() + "vehicles", skipped);
  Check(list.size() == (taken ? 1u : 0u) && skipped.size() == (taken ? 0u : 1u), "the list holds the file when it loads");
  if (!taken) {
    Check(info.Weight == 4711 && head.str() == "as it was", "a refused file leaves the record and head as they were");
    Check(!error.empty(), "a refused file is reported");
    return 0;
  }
  Check(std::memcmp(&info, &engineInfo, sizeof(info)) == 0 && head.str() == engineHead.str(),
        "both readers give the same record and head");
  ShortString<40> listedHead{};
  Check(ReadVehicleFileHead(path, listedHead) && listedHead.str() == head.str(), "the name head reads alone");
  Check(list[0].head == head.str() && list[0].fileName == "FUZZ.VIF", "the list names the file by its head");
  Check(vadrel::FileNameOfListItem(vadrel::VehicleListItemText(list[0])) == "FUZZ.VIF",
        "the list item gives back its file name");

  // Saved again, the record packs and unpacks to itself (unless it holds all 256 byte values).
  std::vector<uint8_t> stream;
  if (PackVehicleInfo(info, stream)) {
    Check(VehicleStreamMismatch(stream.data(), stream.size(), info) == -1, "the save check finds no difference");
    TVehicleInfo back{};
    Check(UnpackVehicleInfo(stream.data(), stream.size(), back), "a packed record unpacks");
    Check(VehicleInfoToBytes(back) == VehicleInfoToBytes(info), "a packed record unpacks to itself");
  } else {
    bool seen[256] = {};
    int distinct = 0;
    for (uint8_t b : VehicleInfoToBytes(info)) distinct += seen[b] ? 0 : (seen[b] = true, 1);
    Check(distinct == 256, "only a record holding all 256 byte values cannot be packed");
  }

  if (!vadrel::VehicleVersionLoadable(info.Version)) {
    Check(!vadrel::VersionRefusalText(info.Version).empty(), "a newer file is refused with a message");
    return 0;
  }
  ShowRecord(info);
  ReadScript(info);
  for (const TVehicleMeshRow& row : info.Meshes) {
    if (!row.Used) continue;
    const std::string name = vadrel::MeshFileNameOfCell(vadrel::MeshCellOfFileName(row.FileName.str()));
    // A fatal stop of the mesh reader ends the program, and with it the load.
    if (fuzz_files::StoppedFatally([&] { LoadMesh2(Mesh(), "vehicles\\", name); })) return 0;
  }
  return 0;
}
