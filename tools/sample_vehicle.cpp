#include "tools/sample_vehicle.h"

#include <cmath>
#include <filesystem>

namespace sample_vehicle {

namespace {
// The float nearest to a value rounded to two decimals, so the editor shows it with two.
float Cent(float x) { return static_cast<float>(std::nearbyint(static_cast<double>(x) * 100.0) / 100.0); }
}  // namespace

TVehicleInfo SampleBus() {
  TVehicleInfo v{};
  v.Names[0].Language = "Deutsch";
  v.Names[0].Name = "Beispielbus";
  v.Names[1].Language = "English";
  v.Names[1].Name = "Sample bus";
  v.VehicleType = 0;  // "Car"
  v.StartYear = 1950;
  v.LastYear = 2030;
  v.PassengerCapacity = 40;
  // The box of the body and the bogies: x -5..5, z -2..2, y 0..4.
  v.BoundCorners[0] = {-5.0f, 0.0f, -2.0f};
  v.BoundCorners[1] = {-5.0f, 0.0f, 2.0f};
  v.BoundCorners[2] = {5.0f, 0.0f, 2.0f};
  v.BoundCorners[3] = {5.0f, 0.0f, -2.0f};
  v.BoundTop = 4.0f;
  v.BoundBottom = 0.0f;
  v.Horsepower = 180;
  v.Weight = 11500;
  v.MaxSpeed = 1600.0f;  // 80 km/h in 1/20 km/h
  v.CopLength = 1.75f;
  v.AxLength = 6.5f;
  v.CopLength2 = 1.75f;
  // Body on top, one bogie under each end.
  const struct {
    const char* file;
    float x;
  } rows[3] = {{"samplebus.msh2", 0.0f}, {"samplebogie.msh2", -3.25f}, {"samplebogie.msh2", 3.25f}};
  for (int i = 0; i < 5; ++i) {
    TVehicleMeshRow& m = v.Meshes[i];
    m.FileName = i < 3 ? rows[i].file : "NONE";
    m.X = i < 3 ? rows[i].x : 0.0f;
    m.Used = i < 3 ? 1 : 0;
  }
  v.Price = 95000;
  v.CostsPerYear = 4200;
  v.WheelSize = 9.0f;
  v.Smoking = 0;
  v.SmokeType = 0;
  v.SmokePosition = {-5.25f, 0.5f, 1.5f};
  v.Sounds[0] = "engine_twopart.wav";
  v.Sounds[3] = "bell16.wav";
  v.Sounds[5] = "engine_twopart.wav";
  v.MotorSoundType = 1;  // "Car"
  v.GearCount = 3;       // the item "4"
  const float from[6] = {0.0f, 300.0f, 700.0f, 1100.0f, 0.0f, 0.0f};
  for (int i = 0; i < 6; ++i) {
    v.GearFrom[i] = from[i];
    v.GearChange[i] = i < 4 ? 0.25f * static_cast<float>(i + 1) : 0.0f;
  }
  v.SpeedToSteps = 1.0f;
  v.LoadingWeight = 3000;
  v.Volume = 0;
  v.Version = static_cast<uint32_t>(kVehicleInfoVersion);
  v.CostsPerKm = 1.5f;
  v.EngineType = 3;  // "Diesel"
  v.GoodsNames[0] = "Passengers";
  v.GoodsValues[0] = 40;
  v.SoundMinFactor = 0.8f;
  v.SoundMaxFactor = 1.6f;
  v.SoundBase = 1.0f;
  v.TrainHead = 1;
  // Two head lights: a ring of eight silhouette points at the front, its centre point a little
  // behind it (points 17 and 18), so the cones open forwards.
  for (int light = 0; light < 2; ++light) {
    const float z = light == 0 ? -1.4f : 1.4f;
    for (int i = 0; i < 8; ++i) {
      const float a = 6.2831853f * static_cast<float>(i) / 8.0f;
      v.LightSilhouette[light * 8 + i] = {5.0f, Cent(1.5f + 0.25f * std::sin(a)), Cent(z + 0.25f * std::cos(a))};
    }
    v.LightSilhouette[16 + light] = {4.0f, 1.5f, z};
    v.LightActive[light] = 1;
    v.LightRanges[light] = {light * 8 + 1, light * 8 + 8, 17 + light};
    v.LightCones[light][0] = 40.0f;
    v.LightCones[light][1] = 25.0f;
  }
  return v;
}

bool WriteSampleVehicle(const std::string& root, std::string& error) {
  namespace fs = std::filesystem;
  const fs::path vehicles = fs::path(root) / "vehicles";
  std::error_code ec;
  fs::create_directories(vehicles, ec);
  const TVehicleInfo bus = SampleBus();
  std::string why;
  if (!SaveVehicleFile((vehicles / "samplebus.vif").string(), bus.Names[1].Name, bus, &why)) {
    error = why;
    return false;
  }
  return true;
}

}  // namespace sample_vehicle
