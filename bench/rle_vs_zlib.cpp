// The engine's byte codec beside zlib on the same 7,736-byte blocks: a vehicle record as the
// editor saves it, an all-zero block and a random one.
//
// Packing is compared with zlib's one-call compress2 at levels 6 and 9, which sets up and frees
// its deflate state on every call, and with deflate on one stream kept and reset between calls
// at the same levels, which is the packing work alone. Unpacking is compared with uncompress and
// with inflate on a reused stream, both on the level 9 stream.
//
// Cases: pack/<block>/ours, pack/<block>/vs_zlib6, .../vs_zlib9, .../vs_zlib6_reused,
// .../vs_zlib9_reused, unpack/<block>/ours, .../vs_zlib, .../vs_zlib_reused. Every pack case
// reports the packed size as the counter "size", so the size ratio stands beside the time ratio.
// After the runs a table gives the sizes and both ratios (codec / zlib).
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
#include "engine/files/rle.h"
#include "engine/files/vehiclefile.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A steam locomotive as an author enters it: names in five languages, three mesh rows, engine,
// gear and sound data, goods rows and the light silhouette of its headlamps.
Bytes VehicleRecord() {
  TVehicleInfo v{};
  const char* langs[][2] = {{"English", "Steam locomotive P8"}, {"Deutsch", "Dampflokomotive P8"},
                            {"Francais", "Locomotive a vapeur P8"}, {"Espanol", "Locomotora de vapor P8"},
                            {"Italiano", "Locomotiva a vapore P8"}};
  for (int i = 0; i < 5; ++i) {
    v.Names[i].Language.assign(langs[i][0]);
    v.Names[i].Name.assign(langs[i][1]);
  }
  v.VehicleType = 1;
  v.StartYear = 1906;
  v.LastYear = 1974;
  v.Prerequisites[0] = 2;
  const float hw = 1.55f, len = 9.3f;
  v.BoundCorners[0] = {-hw, 0, -len};
  v.BoundCorners[1] = {hw, 0, -len};
  v.BoundCorners[2] = {hw, 0, len};
  v.BoundCorners[3] = {-hw, 0, len};
  v.BoundTop = 4.35f;
  v.BoundBottom = 0.1f;
  v.ScriptFile.assign("p8_steam.mas");
  v.Horsepower = 1180;
  v.Weight = 78200;
  v.MaxSpeed = 2000;
  v.CopLength = 1.6f;
  v.AxLength = 15.2f;
  v.CopLength2 = 2.1f;
  v.Points[0] = {0, 3.9f, 8.2f};
  v.Points[1] = {0, 0.5f, -9.1f};
  const char* meshes[] = {"p8_body.msh2", "p8_wheels.msh2", "p8_tender.msh2", "NONE", "NONE"};
  for (int i = 0; i < 5; ++i) {
    v.Meshes[i].FileName.assign(meshes[i]);
    v.Meshes[i].Used = i < 3 ? 1 : 0;
  }
  v.Meshes[1].Y = 0.75f;
  v.Meshes[1].Z = 2.4f;
  v.Meshes[2].Z = -10.6f;
  v.Price = 385000;
  v.CostsPerYear = 21500;
  v.SpecialValues[0].Flag = 1;
  v.SpecialValues[0].FloatValue = 0.25f;
  v.SpecialValues[1].IntValue = 3;
  v.NextVehicle1.assign("p10_steam.vif");
  v.WheelSize = 17.5f;
  v.Smoking = 1;
  v.SmokeType = 0;
  v.SmokePosition = {0, 4.6f, 6.9f};
  const char* sounds[] = {"steam_start.wav", "steam_off.wav", "steam_preaccel.wav", "brake_pre.wav", "brake.wav", "steam_move.wav"};
  for (int i = 0; i < 6; ++i) v.Sounds[i].assign(sounds[i]);
  v.MotorSoundType = 0;
  v.GearCount = 1;
  v.GearChange[0] = 1;
  v.SpeedToSteps = 0.42f;
  v.LoadingWeight = 12000;
  v.Volume = 21000;
  v.Version = 2560;
  v.CostsPerKm = 3.75f;
  v.EngineType = 1;
  v.GoodsNames[0].assign("Coal");
  v.GoodsMeshes[0].assign("tender_coal.msh2");
  v.GoodsValues[0] = 60;
  v.SoundMinFactor = 0.8f;
  v.SoundMaxFactor = 1.5f;
  v.SoundBase = 1;
  v.TrainHead = 1;
  v.LightActive[0] = 1;
  v.LightActive[1] = 1;
  for (int i = 0; i < 24; ++i) {
    const float side = i < 12 ? -0.9f : 0.9f;
    const float a = static_cast<float>(i % 12) * 0.5236f;
    v.LightSilhouette[i] = {side + 0.18f * static_cast<float>(i % 3) - 0.18f, 1.2f + 0.02f * a, len + 0.05f};
  }
  v.LightRanges[0] = {1, 12, 2};
  v.LightRanges[1] = {13, 24, 2};
  v.LightCones[0][0] = v.LightCones[1][0] = 35;
  v.LightCones[0][1] = v.LightCones[1][1] = 60;
  const TVehicleInfoBytes b = VehicleInfoToBytes(v);
  return Bytes(b.begin(), b.end());
}

// Random bytes of 255 values: a block that holds all 256 cannot be packed by the codec.
Bytes RandomBlock() {
  std::mt19937 rng(1234);
  Bytes b(kVehicleInfoSize);
  for (auto& x : b) x = static_cast<uint8_t>(rng() % 255);
  return b;
}

struct Input {
  std::string name;
  Bytes block;
  Bytes rle;   // packed once, for the unpack runs
  Bytes zlib;  // level 9, for the uncompress runs
  size_t rleSize = 0, zlib6Size = 0, zlib9Size = 0;
};

std::vector<Input>& Inputs() {
  static std::vector<Input> inputs = [] {
    std::vector<Input> v;
    v.push_back({"vehicle", VehicleRecord(), {}, {}});
    v.push_back({"zero", Bytes(kVehicleInfoSize, 0), {}, {}});
    v.push_back({"random", RandomBlock(), {}, {}});
    return v;
  }();
  return inputs;
}

size_t RlePack(const Bytes& in, Bytes& out) {
  out.resize(static_cast<size_t>(rlePackBound(static_cast<int64_t>(in.size()))));
  const int32_t n = rlecompress(in.data(), static_cast<int32_t>(in.size()), out.data(), static_cast<int32_t>(out.size()));
  return static_cast<size_t>(n);
}

size_t ZlibPack(const Bytes& in, Bytes& out, int level) {
  uLongf n = compressBound(static_cast<uLong>(in.size()));
  out.resize(n);
  if (compress2(out.data(), &n, in.data(), static_cast<uLong>(in.size()), level) != Z_OK) return 0;
  return n;
}

void BM_RlePack(benchmark::State& state, Input* in) {
  Bytes out;
  size_t n = 0;
  for (auto _ : state) {
    n = RlePack(in->block, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["size"] = static_cast<double>(n);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in->block.size()));
}

void BM_RleUnpack(benchmark::State& state, Input* in) {
  Bytes out(in->block.size());
  for (auto _ : state) {
    const int32_t n = rledecompress(in->rle.data(), static_cast<int32_t>(in->rle.size()), out.data(), static_cast<int32_t>(out.size()));
    benchmark::DoNotOptimize(n);
  }
  if (out != in->block) state.SkipWithError("the codec did not give the block back");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in->block.size()));
}

void BM_ZlibPack(benchmark::State& state, Input* in, int level) {
  Bytes out;
  size_t n = 0;
  for (auto _ : state) {
    n = ZlibPack(in->block, out, level);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["size"] = static_cast<double>(n);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in->block.size()));
}

void BM_ZlibDeflateReused(benchmark::State& state, Input* in, int level) {
  z_stream z{};
  if (deflateInit(&z, level) != Z_OK) {
    state.SkipWithError("deflateInit failed");
    return;
  }
  Bytes out(compressBound(static_cast<uLong>(in->block.size())));
  uLong n = 0;
  for (auto _ : state) {
    deflateReset(&z);
    z.next_in = const_cast<Bytef*>(in->block.data());
    z.avail_in = static_cast<uInt>(in->block.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    n = z.total_out;
    benchmark::DoNotOptimize(out.data());
  }
  deflateEnd(&z);
  state.counters["size"] = static_cast<double>(n);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in->block.size()));
}

void BM_ZlibUncompress(benchmark::State& state, Input* in) {
  Bytes out(in->block.size());
  for (auto _ : state) {
    uLongf n = static_cast<uLongf>(out.size());
    const int rc = uncompress(out.data(), &n, in->zlib.data(), static_cast<uLong>(in->zlib.size()));
    benchmark::DoNotOptimize(rc);
  }
  if (out != in->block) state.SkipWithError("zlib did not give the block back");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in->block.size()));
}

void BM_ZlibInflateReused(benchmark::State& state, Input* in) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) {
    state.SkipWithError("inflateInit failed");
    return;
  }
  Bytes out(in->block.size());
  for (auto _ : state) {
    inflateReset(&z);
    z.next_in = in->zlib.data();
    z.avail_in = static_cast<uInt>(in->zlib.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&z, Z_FINISH);
    benchmark::DoNotOptimize(rc);
  }
  inflateEnd(&z);
  if (out != in->block) state.SkipWithError("zlib did not give the block back");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in->block.size()));
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  for (Input& in : Inputs()) {
    in.rleSize = RlePack(in.block, in.rle);
    in.rle.resize(in.rleSize);
    Bytes z6;
    in.zlib6Size = ZlibPack(in.block, z6, 6);
    in.zlib9Size = ZlibPack(in.block, in.zlib, 9);
    in.zlib.resize(in.zlib9Size);
    if (in.rleSize == 0) {
      std::fprintf(stderr, "the codec refused the %s block\n", in.name.c_str());
      return 1;
    }
    const std::string pack = "pack/" + in.name + "/", unpack = "unpack/" + in.name + "/";
    benchmark::RegisterBenchmark((pack + "ours").c_str(), BM_RlePack, &in);
    benchmark::RegisterBenchmark((pack + "vs_zlib6").c_str(), BM_ZlibPack, &in, 6);
    benchmark::RegisterBenchmark((pack + "vs_zlib9").c_str(), BM_ZlibPack, &in, 9);
    benchmark::RegisterBenchmark((pack + "vs_zlib6_reused").c_str(), BM_ZlibDeflateReused, &in, 6);
    benchmark::RegisterBenchmark((pack + "vs_zlib9_reused").c_str(), BM_ZlibDeflateReused, &in, 9);
    benchmark::RegisterBenchmark((unpack + "ours").c_str(), BM_RleUnpack, &in);
    benchmark::RegisterBenchmark((unpack + "vs_zlib").c_str(), BM_ZlibUncompress, &in);
    benchmark::RegisterBenchmark((unpack + "vs_zlib_reused").c_str(), BM_ZlibInflateReused, &in);
  }
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  const auto ratio = bench::RatioReporter::Ratio;
  std::printf("\n%-8s %6s %6s %6s %6s | %-14s %7s %7s %7s %7s | %7s %7s\n", "block", "bytes", "rle", "zlib6", "zlib9",
              "codec / zlib:", "z6", "z9", "z6 re", "z9 re", "unpack", "un re");
  for (const Input& in : Inputs()) {
    const std::string pack = "pack/" + in.name + "/", unpack = "unpack/" + in.name + "/";
    const double p = reporter.Nanoseconds(pack + "ours");
    const double u = reporter.Nanoseconds(unpack + "ours");
    const double rle = static_cast<double>(in.rleSize);
    std::printf("%-8s %6zu %6zu %6zu %6zu | %-14s %7.3f %7.3f %7s %7s |\n", in.name.c_str(), in.block.size(), in.rleSize,
                in.zlib6Size, in.zlib9Size, "size", ratio(rle, static_cast<double>(in.zlib6Size)),
                ratio(rle, static_cast<double>(in.zlib9Size)), "", "");
    std::printf("%-8s %6s %6s %6s %6s | %-14s %7.2f %7.2f %7.2f %7.2f | %7.2f %7.2f\n", "", "", "", "", "", "time",
                ratio(p, reporter.Nanoseconds(pack + "vs_zlib6")), ratio(p, reporter.Nanoseconds(pack + "vs_zlib9")),
                ratio(p, reporter.Nanoseconds(pack + "vs_zlib6_reused")),
                ratio(p, reporter.Nanoseconds(pack + "vs_zlib9_reused")), ratio(u, reporter.Nanoseconds(unpack + "vs_zlib")),
                ratio(u, reporter.Nanoseconds(unpack + "vs_zlib_reused")));
  }
  std::printf("(sizes in bytes; ratios are the codec's over zlib's, below 1 means smaller or faster;\n"
              " z6/z9: compress2 at level 6/9, re: the same level on a reused deflate stream;\n"
              " unpack: uncompress, un re: inflate on a reused stream)\n");
  return 0;
}
