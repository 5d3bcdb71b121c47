#include "economy/town/placement.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "economy/town/development.h"
#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/meshrecords.h"
#include "engine/store/connectpool.h"
#include "engine/store/recordstore.h"
#include "engine/world/building.h"
#include "engine/world/hooks.h"
#include "network/construction/alongways.h"
#include "network/construction/buildings.h"
#include "network/construction/collision.h"
#include "network/construction/curveline.h"
#include "network/construction/ground.h"
#include "network/world/areas.h"
#include "network/world/terrain.h"

TPPPlacebuilding PlaceBuildingProcess = [] {
  TPPPlacebuilding p{};
  p.Ended = 1;
  return p;
}();

namespace {

// The work budget of a call: a step entry returns once more than kEntryBudget units are spent;
// the street search and the building scan go on up to kScanBudget.
constexpr int kEntryBudget = 5;
constexpr int kScanBudget = 50;
constexpr int kScanPerCall = 20;  // records a nearby scan looks at per call
constexpr float kSlideStep = 50.0f;
constexpr float kCornerTolerance = 0.132f;
constexpr float kStreetSideReserve = 60.0f;  // a front may exceed the side's free length by this
constexpr float kMaxClearance = 110.0f;      // terrain above the street level that a building may stand on
constexpr float kBuildingSink = 2.0f;        // a placed building's corners lie this far below its frame
constexpr uint8_t kWaytypeStreet = 0, kWaytypeXCrossing = 1, kWaytypeTCrossing = 6;
constexpr uint8_t kWayFinished = 2;
constexpr uint8_t kWayKeepsTownAway = 0x02 | 0x04;
constexpr uint8_t kTownBuildingsRunMode = 4;
constexpr uint8_t kGroundWaterLast = 4;  // ground kinds 0..4 are water
constexpr int8_t kOceanDepth = 4;        // a coast building needs water deeper than this behind it
constexpr uint8_t kWealthStudents = 4, kWealthMilitary = 5;

// The steps of the process.
enum : uint8_t {
  kFindStreet = 0,
  kStartStreet = 1,
  kStartSide = 2,
  kCollectBuildings = 3,
  kFitFront = 4,
  kTestGround = 5,
  kTestCollisions = 6,
  kBuild = 7,
};

bool StoredBW(uint32_t kind, uint32_t index) {
  return index != 0 && ArrayerReady() && FindInArrayerBW(kind, index - 1) == index;
}
bool StoredMesh(uint32_t index) {
  return index != 0 && ArrayerReady() && FindInArrayerRest(kARTypeMeshdata2, index - 1) == index;
}
bool IsTown(uint32_t city) { return city >= 1 && city <= 100 && static_cast<int32_t>(city) <= CityCount; }

// The mesh of a way with its four corner vertices, or false.
bool ReadWayMesh(uint32_t index, TMeshdata2& mesh) {
  if (!StoredMesh(index)) return false;
  mesh.A_Read(index);
  return mesh.VertexCount >= 4;
}
TVector VertexAt(const TMeshdata2& mesh, int k) {
  const TMeshVertex& v = mesh.Vertex(k);
  return {v.x, v.y, v.z};
}

TVector Sub(const TVector& a, const TVector& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
TVector Flat(const TVector& v) { return {v.x, 0.0f, v.z}; }
bool Finite(const TVector& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// The ways at the connect (1 or 2) of the way: 1 at a dead end. A connect that is not in the pool
// counts as a dead end, which keeps buildings away from it.
uint32_t WaysAtConnect(const TWay& way, uint8_t end) {
  if (end < 1 || end > 2 || way.ConnectionCounter < end) return 1;
  const uint32_t c = way.Connections[end - 1];
  if (c == 0 || MemConnectArray == nullptr || c > ConnectArrayCount || ConnectByIndex(c).Used == 0) return 1;
  return ConnectWayCount(ConnectByIndex(c));
}

const TBuildingType& TypeRow(uint16_t type) { return BuildingTypes[type <= 255 ? type : 0]; }

void Status(const std::string& text) { ProcessStatus[1] = text; }

// One call of the process: the record, the street read at its start and the work spent.
class Placer {
 public:
  explicit Placer(TPPPlacebuilding& p) : p_(p) {}
  void Run();

 private:
  // The steps; each returns true when the call is to end.
  bool FindStreet();
  bool CollectBuildings();
  bool StartSide();
  bool FitFront();
  bool TestGround();
  bool TestCollisions();
  bool Build();

  void EndSide();
  void GiveUpFront();
  bool PickCandidateType();
  bool NextFrontCorner();
  void CalcFrontGeometry();
  void CrossingAlignment();
  bool StreetSideOK();
  bool PlainSide();
  void PlaceCandidate();
  bool PastSide() const;
  bool Overlapping() const;
  void PushPastObstacle();
  void MoveAsStreetBuilding(const TBuilding& b);
  void RecordCollision(uint32_t kind, uint32_t index);
  bool LoadBuilding(uint32_t index, TBuilding& b);
  bool LoadWay(const TWay& w);
  // The five collision tests; each sets found_ on a collision.
  void TestRecorded();
  void TestStreetBuildings();
  void TestNearbyBuildings();
  void TestNextWay();
  void TestNearbyWays();

  bool Spent() const { return work_ > kEntryBudget; }
  uint8_t SideBit() const { return static_cast<uint8_t>(p_.Side == 2 ? 2 : 1); }
  int SideSlot() const { return p_.Side == 2 ? 1 : 0; }

  TPPPlacebuilding& p_;
  TWay way_{};
  int work_ = 0;
  bool found_ = false;
  std::unique_ptr<TMeshdata2> mesh_ = std::make_unique<TMeshdata2>();
};

void Placer::Run() {
  Status("Way " + std::to_string(p_.Way) + "/" + std::to_string(p_.Side) + " Step " + std::to_string(p_.Step) +
         ". ");
  if (p_.Step >= 1 && p_.Step <= 7) {
    if (!StoredBW(kARTypeWay, p_.Way)) {
      ResetPlaceBuilding(p_);
      return;
    }
    way_.A_Read(p_.Way);
  }
  const uint8_t s = p_.Step;
  if (p_.NextWay.Index != 0 && (s == 2 || s == 4 || s == 5 || s == 6 || s == 7)) {
    if (!StoredBW(kARTypeWay, p_.NextWay.Index)) {
      ResetPlaceBuilding(p_);
      return;
    }
    TWay next{};
    next.A_Read(p_.NextWay.Index);
    p_.NextWay = next;
  }
  for (;;) {
    bool done = false;
    switch (p_.Step) {
      case kFindStreet: done = FindStreet(); break;
      case kStartStreet:
        if (Spent()) return;
        p_.CollisionCount = 0;
        p_.StreetBuildingCount = 0;
        p_.ScanCursor = 0;
        p_.Step = kCollectBuildings;
        break;
      case kCollectBuildings: done = CollectBuildings(); break;
      case kStartSide: done = StartSide(); break;
      case kFitFront: done = FitFront(); break;
      case kTestGround: done = TestGround(); break;
      case kTestCollisions: done = TestCollisions(); break;
      case kBuild: done = Build(); break;
      default:
        Status("Invalid instruction pointer in PP_Placebuilding");
        SYS_BREAKPROGRAM("Invalid instruction pointer in PP_Placebuilding");
    }
    if (done) return;
  }
}

bool Placer::FindStreet() {
  if (Spent()) return true;
  p_.Owner = 0;
  bool accepted = false;
  do {
    ++work_;
    p_.Way = ArrayerReady() ? FindInArrayerBW(kARTypeWay, p_.Way) : 0;
    if (p_.Way == 0) return true;
    way_.A_Read(p_.Way);
    const uint8_t t = way_.Waytype;
    accepted = (t == kWaytypeStreet || t == kWaytypeXCrossing || t == kWaytypeTCrossing) && IsTown(way_.City) &&
               way_.Mesh != 0 && way_.State == kWayFinished && (WayFlags(way_) & kWayKeepsTownAway) == 0;
    if (accepted && RunMode != kTownBuildingsRunMode) {
      bool wishes = false;
      const TCity& town = Cities[way_.City];
      for (int type = 1; type <= 255 && !wishes; ++type) wishes = CityWishes(town, static_cast<uint8_t>(type));
      accepted = wishes;
    }
  } while (!accepted && work_ <= kScanBudget);
  if (!accepted) return true;
  p_.Side = 1;
  p_.Step = kStartStreet;
  return false;
}

bool Placer::CollectBuildings() {
  TBuilding b{};
  for (;;) {
    if (work_ > kScanBudget) return true;  // resumes here
    p_.ScanCursor = FindInArrayerBW(kARTypeBuilding, p_.ScanCursor);
    ++work_;
    if (p_.ScanCursor == 0) break;
    b.A_Read(p_.ScanCursor);
    // A street with more buildings than the list holds: the ones beyond it are met by the scan of
    // nearby buildings, which treats a building of this street and side the same way.
    if (b.Way == p_.Way && p_.StreetBuildingCount < kPlacementStreetBuildings)
      p_.StreetBuildings[p_.StreetBuildingCount++] = p_.ScanCursor;
  }
  auto met = std::make_unique<TWay[]>(kPlacementWays);
  uint32_t count = 0;
  world_hooks::WaysAtCons(way_, count, met.get());
  for (uint32_t& w : p_.Ways) w = 0;
  p_.WayCount = std::min<uint32_t>(count, kPlacementWays);
  for (uint32_t k = 0; k < p_.WayCount; ++k) p_.Ways[k] = met[k].Index;
  p_.Step = kStartSide;
  return false;
}

void Placer::EndSide() {
  if (p_.Side == 1) {
    p_.Side = 2;
    p_.Step = kStartSide;
  } else {
    p_.Step = kFindStreet;
  }
}

bool Placer::StartSide() {
  if (Spent()) return true;
  if ((WaySideBits(way_) & SideBit()) == 0) {
    EndSide();
    return false;
  }
  p_.CandidateCount = 0;
  const TCity& city = Cities[IsTown(way_.City) ? way_.City : 0];
  for (int t = 1; t <= 255; ++t) {
    if (CityWishes(city, static_cast<uint8_t>(t)) && TypeSuitsStreet(static_cast<uint8_t>(t), way_))
      p_.Candidates[p_.CandidateCount++] = static_cast<uint16_t>(t);
  }
  // A plain street has no next way: one left from an earlier street must not stand for it.
  p_.Alignment = 1;
  p_.NextWay = TWay{};
  p_.NextWaySide = 0;
  p_.Backward = 0;
  if (way_.Waytype == kWaytypeXCrossing || way_.Waytype == kWaytypeTCrossing) CrossingAlignment();
  ++work_;
  if (!ReadWayMesh(way_.Mesh, *mesh_)) {
    EndSide();
    return false;
  }
  TVector end{};
  if (p_.Side == 1) {
    p_.StartPoint = VertexAt(*mesh_, 4);
    end = VertexAt(*mesh_, 1);
    p_.StartEnd = 2;
    p_.EndEnd = 1;
  } else {
    p_.StartPoint = VertexAt(*mesh_, 2);
    end = VertexAt(*mesh_, 3);
    p_.StartEnd = 1;
    p_.EndEnd = 2;
  }
  p_.SideVector = Sub(end, p_.StartPoint);
  p_.StartMargin = WaysAtConnect(way_, p_.StartEnd) == 1 ? -kStreetEndMargin : kStreetEndMargin;
  p_.EndMargin = WaysAtConnect(way_, p_.EndEnd) == 1 ? -kStreetEndMargin : kStreetEndMargin;
  const TVector side = p_.SideVector;
  p_.SideLength = static_cast<float>(VecLength(side));
  p_.SideFlat = Flat(side);
  p_.FlatLength = static_cast<float>(VecLengthXZ(side));
  // A side without length along the ground (or with no number for one) has no room.
  if (!(p_.FlatLength > 0.0f) || !std::isfinite(p_.FlatLength) || !Finite(p_.StartPoint) || !Finite(side)) {
    EndSide();
    return false;
  }
  p_.FlatUnit = {side.x / p_.FlatLength, 0.0f, side.z / p_.FlatLength};
  p_.Direction = {side.x / p_.FlatLength, side.y / p_.FlatLength, side.z / p_.FlatLength};
  ++work_;
  ++work_;
  if (!PickCandidateType()) {
    EndSide();
    return false;
  }
  p_.Step = kFitFront;
  return false;
}

bool Placer::FitFront() {
  if (Spent()) return true;
  CalcFrontGeometry();
  if (!StreetSideOK()) {
    ++work_;
    if (!PickCandidateType()) EndSide();
    return false;
  }
  const TVector front = p_.Front, side = p_.SideFlat;
  p_.Angle = static_cast<float>(Heading(front) - Heading(side));
  float s = 0.0f, c = 0.0f;
  SinCos(s, c, p_.Angle);
  p_.SinAngle = s;
  p_.CosAngle = c;
  ++work_;
  p_.Shift = p_.Backward ? p_.FlatLength - p_.FrontWidth - 0.1f : -p_.StartMargin;
  p_.Step = kTestGround;
  return false;
}

bool Placer::PastSide() const {
  return p_.Shift + p_.FrontWidth > p_.FlatLength + p_.EndMargin || p_.Shift < -p_.StartMargin;
}

bool Placer::TestGround() {
  if (Spent()) return true;
  PlaceCandidate();
  ++work_;
  const TBuildingType& type = TypeRow(p_.BuildingType);
  const TBuildingTypePlacement placement = BuildingTypePlacement(type);
  // 1. Off the map: the whole side is given up.
  for (int k = 0; k < 4; ++k) {
    const TVector c = p_.Corners[k];
    const bool on = Finite(c) && std::fabs(c.x) < 1.0e7f && std::fabs(c.z) < 1.0e7f &&
                    RoundToInt(c.x / 100.0L) >= 0 && RoundToInt(c.x / 100.0L) < kMapSize &&
                    RoundToInt(c.z / 100.0L) >= 0 && RoundToInt(c.z / 100.0L) < kMapSize;
    if (!on) {
      Status("Building out of Map!!");
      EndSide();
      return false;
    }
  }
  const char* failure = nullptr;
  // 2. Steep ground.
  const float bottom = p_.Ranges[1];
  const float ceiling = p_.Position.y + kMaxClearance;
  for (int k = 0; k < 4 && failure == nullptr; ++k) {
    TTileFan fan{};
    const TVector c = p_.Corners[k];
    const float h = GetHeightAt(fan, c.x, c.z);
    if (!(bottom <= h && h <= ceiling)) failure = "Too steep ground";
  }
  if (failure == nullptr && placement.Location != kLocationCoast) {
    // 3. Water under the building.
    auto cells = std::make_unique<TAreaCells>();
    TVector quad[4];
    for (int k = 0; k < 4; ++k) quad[k] = p_.CandidateQuad[k];
    const int32_t count = std::min(FillLAndArray(quad, *cells), kAreaCellRoom);
    for (int32_t i = 0; i < count && failure == nullptr; ++i) {
      const TMapCell cell = cells->Cells[i];
      if (cell.Column < 0 || cell.Column >= kMapSize || cell.Row < 0 || cell.Row >= kMapSize) continue;
      if (GroundMap[cell.Column][cell.Row] <= kGroundWaterLast) failure = "Not in Water!";
    }
  } else if (failure == nullptr) {
    // 4. Open sea behind a coast building.
    int wet = 0;
    for (uint8_t corner : {PrevCorner(p_.FrontCorner), NextCorner(p_.FrontCorner2)}) {
      const TVector c = p_.Corners[corner - 1];
      const int32_t x = RoundToInt(c.x / 100.0L), z = RoundToInt(c.z / 100.0L);
      if (GroundMap[x][z] == kGroundOpenWater && WaterMap[x][z] > kOceanDepth) ++wet;
    }
    if (wet < 2) failure = "No ocean for coastal house";
  }
  if (failure != nullptr) {
    Status(failure);
    if (PastSide() || p_.Alignment == 2 || p_.Alignment == 3) {
      GiveUpFront();
      return false;
    }
    p_.Shift += p_.Backward ? -kSlideStep : kSlideStep;
    ++work_;
    return false;
  }
  // Sound ground past the side's ends is still no place beside this street.
  if (PastSide()) {
    GiveUpFront();
    return false;
  }
  p_.TestSelector = p_.CollisionCount > 0 ? 1 : 2;
  p_.CollisionCursor = 1;
  p_.StreetCursor = 1;
  p_.ScanCursor = 0;
  p_.FrontCollision = 1;
  p_.Step = kTestCollisions;
  return false;
}

void Placer::GiveUpFront() {
  ++work_;
  if (NextFrontCorner()) {
    p_.Step = kFitFront;
    return;
  }
  ++work_;
  if (PickCandidateType()) {
    p_.Step = kFitFront;
  } else {
    EndSide();
  }
}

bool Placer::TestCollisions() {
  for (;;) {
    if (Spent()) return true;
    ++work_;
    found_ = false;
    switch (p_.TestSelector) {
      case 0:
        p_.Step = kBuild;
        return false;
      case 1: TestRecorded(); break;
      case 2: TestStreetBuildings(); break;
      case 3: TestNearbyBuildings(); break;
      case 4: TestNextWay(); break;
      case 5: TestNearbyWays(); break;
      default:
        // No test of that number: the front is not known to be clear.
        GiveUpFront();
        return false;
    }
    if (found_) break;
  }
  switch (p_.TestSelector) {
    case 2: Status("Collision (Building At Way)"); break;
    case 3: Status(p_.FrontCollision ? "Collision (building, front)" : "Collision (building, not front)"); break;
    case 4: Status("Collision (adjacent way)"); break;
    case 5: Status("Collision (some way)"); break;
    default: break;
  }
  if (PastSide() || (p_.Backward && p_.TestSelector == 3)) {
    if (p_.FrontCollision) {
      way_.SideLengths[SideSlot()] = p_.FrontWidth - 1.0f;
      way_.A_Overwrite();
    }
    GiveUpFront();
    return false;
  }
  p_.Step = kTestGround;
  return false;
}

bool Placer::LoadBuilding(uint32_t index, TBuilding& b) {
  if (!StoredBW(kARTypeBuilding, index)) return false;
  b.A_Read(index);
  TVector corners[4];
  GetBuildingCorners(b, corners);
  for (int k = 0; k < 4; ++k) p_.OtherQuad[k] = corners[k];
  float ranges[4];
  for (int k = 0; k < 4; ++k) ranges[k] = p_.Ranges[k];
  GetBuildingHeights(b, ranges, 2);
  for (int k = 0; k < 4; ++k) p_.Ranges[k] = ranges[k];
  return true;
}

bool Placer::LoadWay(const TWay& w) {
  if (!ReadWayMesh(w.Mesh, *mesh_)) return false;
  TVector corners[4];
  if (!GetWayCorners(w, *mesh_, corners)) return false;
  for (int k = 0; k < 4; ++k) p_.OtherQuad[k] = corners[k];
  float ranges[4];
  for (int k = 0; k < 4; ++k) ranges[k] = p_.Ranges[k];
  GetWayHeightRange(w, *mesh_, ranges, 2);
  for (int k = 0; k < 4; ++k) p_.Ranges[k] = ranges[k];
  return true;
}

void Placer::TestRecorded() {
  const uint8_t at = p_.CollisionCursor;
  if (at >= 1 && at <= p_.CollisionCount && at <= kPlacementCollisions) {
    const TPlacementCollision c = p_.Collisions[at - 1];
    bool loaded = false;
    if (c.Kind == kARTypeBuilding) {
      TBuilding b{};
      loaded = LoadBuilding(c.Index, b);
    } else if (c.Kind == kARTypeWay && StoredBW(kARTypeWay, c.Index)) {
      TWay w{};
      w.A_Read(c.Index);
      loaded = LoadWay(w);
    }
    if (loaded && Overlapping()) {
      PushPastObstacle();
      found_ = true;
      return;
    }
  }
  ++p_.CollisionCursor;
  if (p_.CollisionCursor > p_.CollisionCount) p_.TestSelector = p_.StreetBuildingCount > 0 ? 2 : 3;
}

void Placer::MoveAsStreetBuilding(const TBuilding& b) {
  if (p_.Backward) {
    PushPastObstacle();
    return;
  }
  const float farEnd = b.Frontage;
  p_.Shift = farEnd > p_.Shift ? farEnd : p_.Shift + 0.1f;
}

void Placer::TestStreetBuildings() {
  const uint8_t count = std::min<uint8_t>(p_.StreetBuildingCount, kPlacementStreetBuildings);
  if (p_.StreetCursor < 1 || p_.StreetCursor > count) {
    p_.TestSelector = 3;
    return;
  }
  TBuilding b{};
  if (LoadBuilding(p_.StreetBuildings[p_.StreetCursor - 1], b) && Overlapping()) {
    MoveAsStreetBuilding(b);
    found_ = true;
    return;
  }
  ++p_.StreetCursor;
  if (p_.StreetCursor > count) p_.TestSelector = 3;
}

void Placer::TestNearbyBuildings() {
  TBuilding b{};
  for (int k = 0; k < kScanPerCall; ++k) {
    p_.ScanCursor = FindInArrayerBW(kARTypeBuilding, p_.ScanCursor);
    if (p_.ScanCursor == 0) {
      p_.TestSelector = 4;
      return;
    }
    b.A_Read(p_.ScanCursor);
    const TVector first = b.Corners[0], own = p_.Corners[0];
    if (!(VecDistanceXZ(first, own) <= kPlacementNearby)) continue;
    LoadBuilding(p_.ScanCursor, b);
    if (!Overlapping()) return;
    RecordCollision(kARTypeBuilding, p_.ScanCursor);
    if (b.Way == p_.Way && b.Side == p_.Side) {
      MoveAsStreetBuilding(b);
    } else {
      PushPastObstacle();
      p_.FrontCollision = 0;
    }
    found_ = true;
    return;
  }
}

void Placer::TestNextWay() {
  if ((p_.Alignment == 2 || p_.Alignment == 3) && p_.NextWay.Mesh != 0) {
    const TWay next = p_.NextWay;
    if (LoadWay(next) && Overlapping()) {
      PushPastObstacle();
      p_.FrontCollision = 0;
      found_ = true;
      return;
    }
  }
  p_.TestSelector = 5;
}

void Placer::TestNearbyWays() {
  TWay w{};
  for (int k = 0; k < kScanPerCall; ++k) {
    p_.ScanCursor = FindInArrayerBW(kARTypeWay, p_.ScanCursor);
    if (p_.ScanCursor == 0) {
      p_.TestSelector = 0;
      return;
    }
    if (p_.ScanCursor == p_.Way) return;
    for (uint32_t i = 0; i < p_.WayCount && i < kPlacementWays; ++i) {
      if (p_.Ways[i] == p_.ScanCursor) return;
    }
    w.A_Read(p_.ScanCursor);
    const TVector position = w.Position, own = p_.Corners[0];
    if (!(VecDistanceXZ(position, own) <= kPlacementNearby)) continue;
    if (w.Mesh == 0 || !LoadWay(w) || !Overlapping()) return;
    RecordCollision(kARTypeWay, p_.ScanCursor);
    PushPastObstacle();
    p_.FrontCollision = 0;
    found_ = true;
    return;
  }
}

bool Placer::Overlapping() const {
  TVector candidate[4], other[4];
  float ranges[4];
  for (int k = 0; k < 4; ++k) {
    candidate[k] = p_.CandidateQuad[k];
    other[k] = p_.OtherQuad[k];
    ranges[k] = p_.Ranges[k];
  }
  return QuadsOverlap(candidate, other) && RangesOverlap(ranges);
}

void Placer::RecordCollision(uint32_t kind, uint32_t index) {
  if (p_.CollisionCount >= kPlacementCollisions) return;
  for (int k = 0; k < p_.CollisionCount; ++k) {
    if (p_.Collisions[k].Index == index) return;
  }
  p_.Collisions[p_.CollisionCount++] = {kind, index};
}

void Placer::PushPastObstacle() {
  // The candidate moves out of the obstacle in coarse steps, back in fine ones until it touches
  // it, then out again in finer ones. Each loop is bounded: a candidate that cannot be freed ends
  // far past the side, where the front is given up.
  const float forward = p_.Backward ? -1.0f : 1.0f;
  constexpr int kCoarseMoves = 30000, kFineMoves = 20;
  for (int n = 0; n < kCoarseMoves && Overlapping(); ++n) {
    p_.Shift += 10.0f * forward;
    PlaceCandidate();
  }
  for (int n = 0; n < kFineMoves && !Overlapping(); ++n) {
    p_.Shift -= 1.0f * forward;
    PlaceCandidate();
  }
  for (int n = 0; n < kFineMoves && Overlapping(); ++n) {
    p_.Shift += 0.1f * forward;
    PlaceCandidate();
  }
}

bool Placer::Build() {
  if (Spent()) return true;
  ActPlayer = p_.Owner;
  ActCity = way_.City;
  const TBuildingType& type = TypeRow(p_.BuildingType);
  TBuilding b{};
  b.Init(p_.BuildingType, p_.Owner);
  for (int k = 0; k < 4; ++k) {
    TVector c = p_.Corners[k];
    c.y -= kBuildingSink;
    b.Corners[k] = c;
  }
  b.LowHeight = BuildingTypeBottom(type) + p_.Position.y;
  b.HighHeight = BuildingTypeTop(type) + p_.Position.y;
  b.Side = p_.Side;
  b.Frontage = p_.Shift + p_.FrontWidth;
  InitBuilding(p_.BuildingType, b, p_.Position, p_.Angle, 1);
  AddBuildingToWay(b, way_, p_.Side);
  CalcBuildingGroundGrid(GroundGrid, b);
  LevelGround();
  if ((WaySideMask(way_) & SideBit()) != 0) {
    WaySideMask(way_) = static_cast<uint8_t>(WaySideMask(way_) & ~SideBit());
    if (p_.NextWay.Index != 0 && (p_.NextWaySide == 1 || p_.NextWaySide == 2)) {
      TWay next = p_.NextWay;
      WaySideMask(next) = static_cast<uint8_t>(WaySideMask(next) & ~p_.NextWaySide);
      if (next.Mesh != 0) addsidewalk(next, p_.NextWaySide);
      next.A_Overwrite();
      p_.NextWay = next;
    }
  }
  way_.SideLengths[SideSlot()] -= p_.FrontWidth;
  way_.A_Overwrite();
  p_.Ended = 1;
  p_.Failed = 0;
  MoveInhabitants(b);
  if (RunMode != kTownBuildingsRunMode && IsTown(way_.City) && p_.BuildingType >= 1 && p_.BuildingType <= 255)
    SetCityWish(Cities[way_.City], static_cast<uint8_t>(p_.BuildingType), false);
  if (p_.StreetBuildingCount < kPlacementStreetBuildings) p_.StreetBuildings[p_.StreetBuildingCount++] = b.Index;
  ++work_;
  if (PickCandidateType()) {
    p_.Step = kFitFront;
  } else {
    EndSide();
  }
  return false;
}

bool Placer::PickCandidateType() {
  while (p_.CandidateCount > 0) {
    const uint16_t count = std::min<uint16_t>(p_.CandidateCount, 255);
    int32_t i = HashRandom(static_cast<int32_t>(GameTime), count);
    if (i < 0 || i >= count) i = 0;
    p_.BuildingType = p_.Candidates[i];
    for (int k = i; k + 1 < count; ++k) p_.Candidates[k] = p_.Candidates[k + 1];
    p_.Candidates[count - 1] = 0;
    p_.CandidateCount = static_cast<uint16_t>(count - 1);
    p_.FrontCorner = 0;
    if (NextFrontCorner()) return true;
  }
  return false;
}

bool Placer::NextFrontCorner() {
  const TBuildingTypePlacement placement = BuildingTypePlacement(TypeRow(p_.BuildingType));
  for (;;) {
    p_.FrontCorner = static_cast<uint8_t>(p_.FrontCorner + 1);
    p_.FrontCorner2 = NextCorner(p_.FrontCorner);
    if (p_.FrontCorner >= 5 || p_.FrontCorner == 0) return false;
    if (placement.Fronts[p_.FrontCorner - 1] == 1) return true;
  }
}

void Placer::CalcFrontGeometry() {
  const TBuildingType& type = TypeRow(p_.BuildingType);
  const TBuildingTypePlacement placement = BuildingTypePlacement(type);
  const uint8_t first = p_.FrontCorner >= 1 && p_.FrontCorner <= 4 ? p_.FrontCorner : 1;
  const uint8_t second = NextCorner(first);
  const TVector a = BuildingTypeCorner(type, first), b = BuildingTypeCorner(type, second);
  const TVector front = Sub(b, a);
  p_.Front = front;
  p_.FrontWidth = static_cast<float>(VecLength(front));
  p_.CornerFlags = 0;
  const uint8_t before = PrevCorner(first);
  if (placement.Fronts[before - 1] == 1) {
    p_.CornerFlags |= 2;
    p_.CornerAngleBefore = AngleBetweenXZ(front, Sub(BuildingTypeCorner(type, before), a));
  }
  if (placement.Fronts[second - 1] == 1) {
    p_.CornerFlags |= 4;
    p_.CornerAngleAfter = AngleBetweenXZ(Sub(a, b), Sub(BuildingTypeCorner(type, NextCorner(second)), b));
  }
}

void Placer::CrossingAlignment() {
  uint8_t outSide = 0;
  TWay next{};
  p_.Alignment = NextWayAlongStreetSide(way_, p_.Side, outSide, next);
  p_.NextWay = next;
  p_.NextWaySide = outSide;
  if (p_.Alignment == 1) return;
  auto nextMesh = std::make_unique<TMeshdata2>();
  if (p_.Alignment != 0 && (next.Index == 0 || !ReadWayMesh(way_.Mesh, *mesh_) || !ReadWayMesh(next.Mesh, *nextMesh))) {
    // The corner cannot be measured without both ways' meshes: the side counts as a plain one.
    p_.Alignment = 1;
    p_.NextWay = TWay{};
    p_.NextWaySide = 0;
    return;
  }
  if (p_.Alignment == 0) return;
  TVector e1{}, e2{};
  if (p_.Side == 1) {
    e1 = Flat(Sub(VertexAt(*mesh_, 1), VertexAt(*mesh_, 4)));
    e2 = Flat(Sub(VertexAt(*nextMesh, 2), VertexAt(*mesh_, 4)));
    p_.Backward = 0;
  } else {
    e1 = Flat(Sub(VertexAt(*mesh_, 2), VertexAt(*mesh_, 3)));
    e2 = Flat(Sub(VertexAt(*nextMesh, 1), VertexAt(*mesh_, 3)));
    p_.Backward = 1;
  }
  const float a = AngleBetweenXZ(e1, e2);
  p_.AngleLow = a - kCornerTolerance;
  p_.AngleHigh = a + kCornerTolerance;
}

bool Placer::PlainSide() {
  const TBuildingTypePlacement placement = BuildingTypePlacement(TypeRow(p_.BuildingType));
  if (p_.CornerFlags != 0 && placement.CornerPlacement != kCornerAlso) return false;
  p_.Backward = 0;
  return true;
}

bool Placer::StreetSideOK() {
  const float room = way_.SideLengths[SideSlot()] + kStreetSideReserve;
  if (p_.FrontWidth > room) return false;
  const TBuildingTypePlacement placement = BuildingTypePlacement(TypeRow(p_.BuildingType));
  switch (p_.Alignment) {
    case 0: return false;
    case 1: return PlainSide();
    case 2:
    case 3: {
      if ((WaySideMask(way_) & SideBit()) == 0) return PlainSide();
      if (p_.CornerFlags == 0 && placement.CornerPlacement == kCornerAlso) return true;
      if (p_.Alignment == 2)
        return (p_.CornerFlags & 2) != 0 && p_.AngleLow <= p_.CornerAngleBefore &&
               p_.CornerAngleBefore <= p_.AngleHigh;
      return (p_.CornerFlags & 4) != 0 && p_.AngleLow <= p_.CornerAngleAfter && p_.CornerAngleAfter <= p_.AngleHigh;
    }
    default: SYS_BREAKPROGRAM("Error in StreetSideOK: streetalignment undefined!");
  }
}

void Placer::PlaceCandidate() {
  const TVector dir = p_.Direction, start = p_.StartPoint;
  const float shift = p_.Shift, width = p_.FrontWidth;
  TVector frontStart = {start.x + dir.x * shift, start.y + dir.y * shift, start.z + dir.z * shift};
  const float end = shift + width;
  const TVector frontEnd = {start.x + dir.x * end, start.y + dir.y * end, start.z + dir.z * end};
  frontStart.y = (frontStart.y + frontEnd.y) / 2.0f;
  p_.FrontStart = frontStart;
  p_.FrontEnd = frontEnd;
  const TBuildingType& type = TypeRow(p_.BuildingType);
  TVector rotated[4];
  for (int k = 0; k < 4; ++k) {
    rotated[k] = BuildingTypeCorner(type, k + 1);
    RotateY(rotated[k], p_.CosAngle, p_.SinAngle);
  }
  const uint8_t corner = p_.FrontCorner >= 1 && p_.FrontCorner <= 4 ? p_.FrontCorner : 1;
  const TVector position = Sub(frontStart, rotated[corner - 1]);
  p_.Position = position;
  for (int k = 0; k < 4; ++k) {
    const TVector c = {rotated[k].x + position.x, rotated[k].y + position.y, rotated[k].z + position.z};
    p_.Corners[k] = c;
    p_.CandidateQuad[k] = c;
  }
  p_.Ranges[0] = BuildingTypeTop(type) + position.y;
  p_.Ranges[1] = BuildingTypeBottom(type) + position.y;
}

}  // namespace

void PP_Placebuilding(TPPPlacebuilding& p) { Placer(p).Run(); }

void ResetPlaceBuilding(TPPPlacebuilding& p) {
  p = TPPPlacebuilding{};
  p.Ended = 1;
  ProcessStatus[1] = "Resetted";
}

void PP_StreetDeleted(TPPPlacebuilding& p, uint32_t wayIndex) {
  bool ours = wayIndex == p.Way || (p.NextWay.Index != 0 && wayIndex == p.NextWay.Index);
  for (uint32_t k = 0; k < p.WayCount && k < kPlacementWays && !ours; ++k) ours = p.Ways[k] == wayIndex;
  if (!ours) return;
  p.Ended = 1;
  p.Failed = 1;
  ProcessStatus[1] = "The street has disappeared...";
}

bool TypeSuitsStreet(uint8_t t, const TWay& way) {
  if (t == 0) return false;
  const TBuildingType& type = BuildingTypes[t];
  const TBuildingTypePlacement placement = BuildingTypePlacement(type);
  if (placement.OnePerMap != 0 && FreeBuildMode == 0) {
    int32_t standing = 0;
    std::memcpy(&standing, BuildingsPerType[t].Bytes, 4);
    if (standing >= 1) return false;
  }
  if (way.City < 1 || way.City > 100) return false;
  const TCity& city = Cities[way.City];
  const int32_t chance = HashRandom(static_cast<int32_t>(way.Index), 100);
  if (city.Size > placement.MaxTownSize && chance < 80) return false;
  if (city.BaseSize < placement.MinTownSize && chance < 80) return false;
  const TVector townAt = city.Position, wayAt = way.Position;
  const uint8_t zone = CityZone(VecDistanceXZ(townAt, wayAt), static_cast<float>(city.Radius));
  const uint8_t kind = BuildingTypeUse(type), wealth = BuildingTypeClass(type);
  const int32_t inhabitants = BuildingTypeTown(type).Capacity;
  switch (zone) {
    case 0: return placement.Location == kLocationCentral;
    case 1: break;
    default: return false;
  }
  const uint8_t streetClass = WayStreetClass(way);
  if (streetClass >= 2 && streetClass <= 4 &&
      !(kind == kBuildingKindHouse && wealth != kWealthStudents && wealth <= kWealthMilitary))
    return false;
  const bool peripheral = placement.Location == kLocationPeripheral;
  switch (streetClass & 0x7F) {
    case 1:
      return kind == kBuildingKindSpecialTown ||
             (kind == kBuildingKindHouse && wealth == kWealthStudents && peripheral);
    case 2: return peripheral && inhabitants <= 50;
    case 3: return peripheral && inhabitants >= 50 && inhabitants <= 150;
    case 4: return peripheral && inhabitants >= 150;
    case 5: return wealth == kWealthStudents;
    default: return true;
  }
}
