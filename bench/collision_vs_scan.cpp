// The collision test of a planned construction on a map of 10,000 objects, against a plain scan
// of the same objects.
//
// The map holds 5,000 houses (20 x 20, 30 high) and 5,000 straight roads (200 long, 30 wide, with
// their meshes) on a grid of cells 1,000 apart, houses and roads alternating like the squares of
// a chess board, the roads along x and z in turn. CollisionTest walks the store's buildings and
// ways and looks only at those placed within the plan's square (the plan's reach plus 500): it
// reads each one's record (and a way's mesh), then compares its footprint and height range with
// every planned piece. The reference holds the footprints and height ranges of all objects in a
// plain array, read from the store once beforehand, and compares every object with every piece
// the same way (QuadsOverlap, then RangesOverlap), without the square. Both visit the objects in
// store order and stop at the first collision, so both name the same piece and way; the program
// checks that they do before it times them.
//
// Cases: "short", one road piece 200 long between two rows of objects; "long", 19 pieces of 100
// between the rows; "hit", the same 19 pieces through a row, refused at the first road they cross.
// They are named <case>/ours and <case>/vs_scan; the table at the end gives ours / scan.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/meshrecords.h"
#include "engine/store/recordstore.h"
#include "network/construction/buildings.h"
#include "network/construction/collision.h"
#include "network/construction/limits.h"
#include "tools/sample_world.h"

namespace {

constexpr int kSide = 100;  // 100 x 100 cells, one object each
constexpr float kSpacing = 1000.0f, kOrigin = 500.0f;
constexpr float kRoadHalf = 15.0f, kRoadLength = 200.0f;
constexpr uint16_t kHouse = 1;

TVector Cell(int i, int j) { return {kOrigin + i * kSpacing, 0.0f, kOrigin + j * kSpacing}; }

// The object of the plain scan: its footprint and its range (top, bottom).
struct ScanObject {
  uint32_t way = 0;  // the way's index; 0 for a building
  TVector corners[4] = {};
  float top = 0.0f, bottom = 0.0f;
};
std::vector<ScanObject> g_objects;

void BuildWorld() {
  static bool built = false;
  if (built) return;
  built = true;
  ResetWorldState();
  if (!ArrayerReady() && !ArrayerInit()) std::abort();
  ArrayerReset();
  ActPlayer = 1;
  InitWayConstruction();
  std::memset(GroundMap, 5, sizeof(GroundMap));
  sample_world::SetHouseType(kHouse, 10.0f, 0.0f, 30.0f);
  for (int j = 0; j < kSide; ++j) {
    for (int i = 0; i < kSide; ++i) {
      const TVector c = Cell(i, j);
      if ((i + j) % 2 == 0) {
        sample_world::PlaceHouse(kHouse, c);
        continue;
      }
      const float h = kRoadLength / 2;
      const TVector a = i % 2 ? TVector{c.x - h, 0.0f, c.z} : TVector{c.x, 0.0f, c.z - h};
      const TVector b = i % 2 ? TVector{c.x + h, 0.0f, c.z} : TVector{c.x, 0.0f, c.z + h};
      sample_world::StraightWay(kWaytypeRoad, a, b, kRoadHalf);
    }
  }
  // The same objects in store order, for the scan.
  auto mesh = std::make_unique<TMeshdata2>();
  constexpr uint32_t kMask = kArrayerBWFlag | kKindBuilding | kKindWay;
  uint32_t type = 0;
  for (uint32_t k = FindInArrayerBWMultipel(kMask, 0, type); k != 0; k = FindInArrayerBWMultipel(kMask, k, type)) {
    ScanObject o;
    float range[4] = {};
    if (type == kARTypeWay) {
      TWay w{};
      w.A_Read(k);
      mesh->A_Read(w.Mesh);
      if (!GetWayCorners(w, *mesh, o.corners)) continue;
      GetWayHeightRange(w, *mesh, range, 2);
      o.way = k;
    } else {
      TBuilding b{};
      b.A_Read(k);
      GetBuildingCorners(b, o.corners);
      GetBuildingHeights(b, range, 2);
    }
    o.top = range[2];
    o.bottom = range[3];
    g_objects.push_back(o);
  }
}

// What a test found: the result, the refused piece (0 none) and the way hit (0 none).
struct Answer {
  TConstructResult result;
  int piece = 0;
  uint32_t way = 0;
  bool operator==(const Answer& o) const { return result == o.result && piece == o.piece && way == o.way; }
};

Answer Ours(TCurveline& curve) {
  Answer a;
  CollisionTest(curve, kCollisionWays, a.result, curve.Centre.x, curve.Centre.z, curve.Radius);
  for (int k = 1; k < curve.conzahl && a.piece == 0; ++k)
    if (WayFlags(curve.Pieces[k].Way) & kWayHit) a.piece = k;
  a.way = curve.HitWay;
  return a;
}

Answer Scan(const TCurveline& curve) {
  struct Piece {
    TVector corners[4];
    float top, bottom;
  };
  Piece pieces[kCurvePieces + 1];
  const int n = curve.conzahl - 1;
  for (int k = 1; k <= n; ++k) {
    float range[4] = {};
    PieceCorners(curve.Pieces[k].Mesh, pieces[k].corners);
    PieceHeightRange(curve.Pieces[k].Mesh, curve.Pieces[k].Way, range, 1);
    pieces[k].top = range[0];
    pieces[k].bottom = range[1];
  }
  Answer a;
  a.result = TConstructResult::Success();
  for (const ScanObject& o : g_objects) {
    for (int k = 1; k <= n; ++k) {
      if (!QuadsOverlap(pieces[k].corners, o.corners)) continue;
      const float ranges[4] = {pieces[k].top, pieces[k].bottom, o.top, o.bottom};
      if (!RangesOverlap(ranges)) continue;
      a.result.Assign(kCollisionElement);
      a.piece = k;
      a.way = o.way;
      return a;
    }
  }
  return a;
}

struct Case {
  const char* name;
  float x0, z;   // the plan runs along +x at z from x0
  int pieces;
  float length;  // of each piece
  bool hits;
};
const Case kCases[] = {
    {"short", 50400.0f, 50000.0f, 1, 200.0f, false},
    {"long", 40000.0f, 50000.0f, 19, 100.0f, false},
    {"hit", 40600.0f, 50500.0f, 19, 100.0f, true},
};

std::unique_ptr<TCurveline> Plan(const Case& c) {
  auto curve = NewCurveline();
  ResetConstruction(*curve);
  TVector points[kCurveConnects];
  for (int j = 0; j <= c.pieces; ++j) points[j] = {c.x0 + j * c.length, 0.0f, c.z};
  sample_world::StraightPlan(*curve, kWaytypeRoad, points, c.pieces + 1, kRoadHalf);
  return curve;
}

// Both sides give the same answer on every case, and the cases are what they say.
bool Agree() {
  BuildWorld();
  bool ok = true;
  for (const Case& c : kCases) {
    auto curve = Plan(c);
    const Answer scan = Scan(*curve);
    const Answer ours = Ours(*curve);
    if (!(ours == scan) || scan.result.Ok() == c.hits || (c.hits && scan.way == 0)) {
      std::fprintf(stderr, "%s: ours {%s} piece %d way %u, scan {%s} piece %d way %u\n", c.name,
                   ours.result.Elements().c_str(), ours.piece, ours.way, scan.result.Elements().c_str(), scan.piece,
                   scan.way);
      ok = false;
    }
  }
  return ok;
}

void BM_Ours(benchmark::State& state, const Case* c) {
  BuildWorld();
  auto curve = Plan(*c);
  for (auto _ : state) {
    TConstructResult r;
    CollisionTest(*curve, kCollisionWays, r, curve->Centre.x, curve->Centre.z, curve->Radius);
    benchmark::DoNotOptimize(r);
  }
}

void BM_Scan(benchmark::State& state, const Case* c) {
  BuildWorld();
  auto curve = Plan(*c);
  for (auto _ : state) {
    Answer a = Scan(*curve);
    benchmark::DoNotOptimize(a);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (!Agree()) return 1;
  for (const Case& c : kCases) {
    benchmark::RegisterBenchmark((std::string(c.name) + "/ours").c_str(), BM_Ours, &c)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark((std::string(c.name) + "/vs_scan").c_str(), BM_Scan, &c)
        ->Unit(benchmark::kMicrosecond);
  }
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nTime per collision test on 5,000 houses and 5,000 roads:\n");
  std::printf("  %-8s %12s %12s %10s\n", "case", "ours", "scan", "ours/scan");
  for (const Case& c : kCases) {
    const std::string name = c.name;
    if (!reporter.Has(name + "/ours") || !reporter.Has(name + "/vs_scan")) continue;
    const double ours = reporter.Nanoseconds(name + "/ours"), scan = reporter.Nanoseconds(name + "/vs_scan");
    std::printf("  %-8s %9.1f us %9.1f us %10.3f\n", c.name, ours / 1000.0, scan / 1000.0,
                bench::RatioReporter::Ratio(ours, scan));
  }
  benchmark::Shutdown();
  return 0;
}
