// The shared data of way construction: the result set, the limit tables, the planning record's
// reset and the log of previewed pieces.
#include <gtest/gtest.h>

#include "tests/network/construction/construction_fixture.h"

namespace {

using namespace construction_testing;

TEST(ConstructResult, ElementsLieInTheirBytesAndARefusalDropsSuccess) {
  TConstructResult r = TConstructResult::Success();
  EXPECT_EQ(r.Bits[0], 0x01);
  r.Refuse(18);
  EXPECT_FALSE(r.Ok());
  EXPECT_EQ(r.Bits[2], 0x04);  // 0x40000 in the first word
  r.Refuse(32);
  r.Refuse(47);
  EXPECT_EQ(r.Bits[4], 0x01);
  EXPECT_EQ(r.Bits[5], 0x80);
  EXPECT_EQ(r.Elements(), "18,32,47");
  r.Assign(3);
  EXPECT_EQ(r, Set({3}));
}

TEST(ConstructResult, MergeKeepsFailuresDropsTheTopTwoAndSucceedsOnlyWhenBothDid) {
  struct Case {
    TConstructResult a, b;
    const char* merged;
  };
  const Case cases[] = {
      {Set({0}), Set({0}), "0"},
      {Set({0}), Set({5}), "5"},
      {Set({0, 46}), Set({0, 47}), "0"},
      {Set({1, 45}), Set({32, 44, 46, 47}), "1,32,44,45"},
      {Set({}), Set({0}), ""},
      {Set({0, 9}), Set({0}), "0,9"},
  };
  for (const Case& c : cases) {
    TConstructResult r = c.a;
    r.Merge(c.b);
    EXPECT_EQ(r.Elements(), c.merged) << c.a.Elements() << " + " << c.b.Elements();
  }
}

TEST(WayLimits, TablesHoldTheirStartValuesAgainAfterAProgramChangedThem) {
  MaxPieceAngle[LimitIndex(kWaytypeRoad)] = 0.6981317f;  // what the vehicle editor does
  InitWayConstruction();
  const float maxLength[6] = {550, 0, 0, 500, 400, 250};
  const float minLength[6] = {60, 0, 0, 72, 160, 30};
  const float maxAngle[6] = {0.2094395f, 0, 0, 0.2094395f, 0.1745329f, 0.1745329f};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(MaxPieceLength[i], maxLength[i]) << i;
    EXPECT_EQ(MinPieceLength[i], minLength[i]) << i;
    EXPECT_EQ(MaxPieceAngle[i], maxAngle[i]) << i;
  }
  EXPECT_EQ(WayClearance[0], 50.0f);
  EXPECT_EQ(WayClearance[1], 70.0f);
  EXPECT_EQ(MaxWayGradient[0], 0.25f);
  EXPECT_EQ(MaxWayGradient[1], 0.15f);
  EXPECT_EQ(GlobalCurveline->PieceLog, &GlobalPieceLog);
}

TEST(Curveline, ResetClearsItsOwnFieldsOnly) {
  auto c = NewCurveline();
  TPieceLog log{};
  c->PieceLog = &log;
  c->Parallel = 1;
  c->conzahl = 7;
  c->GroupCount = 3;
  c->Gradient = 12.5f;
  c->HitWay = 9;
  c->Radius = 700.0f;
  c->Slots[4] = Directed(1, 100, 200, 1, 0);
  c->Slots[4].ConnectIndex = 11;
  c->Slots[24].ConnectIndex = 12;
  c->SideVectors[4] = {0, 0, 1};
  c->PreviewBuilding[19] = 1;
  c->Pieces[19].Mesh.VertexCount = 12;
  c->Pieces[19].Mesh.PolygonCount = 3;
  c->Pieces[19].AfterWay = 5;
  c->Pieces[19].Way.Index = 77;
  WayFlags(c->Pieces[19].Way) = kWayBridge;
  c->ParallelPieces[1].Mesh.VertexCount = 12;
  c->PreviewMeshes[2].VertexCount = 40;
  c->PreviewMeshes[2].Flags = 0;
  c->Groups[5] = {4, 10, 0, 0, 300.0f, 1.0f, 2.0f};

  ResetConstruction(*c);

  EXPECT_EQ(c->PieceLog, &log);
  EXPECT_EQ(c->Parallel, 0);
  EXPECT_EQ(c->conzahl, 0);
  EXPECT_EQ(c->GroupCount, 0u);
  EXPECT_EQ(c->Gradient, 0.0f);
  EXPECT_EQ(c->HitWay, 0u);
  EXPECT_EQ(c->Slots[4].ConnectIndex, 0u);
  EXPECT_EQ(c->Slots[24].ConnectIndex, 0u);
  EXPECT_EQ(c->PreviewBuilding[19], 0);
  EXPECT_EQ(c->Pieces[19].Mesh.VertexCount, 0);
  EXPECT_EQ(c->Pieces[19].Mesh.PolygonCount, 0);
  EXPECT_EQ(c->Pieces[19].AfterWay, 0);
  EXPECT_EQ(WayFlags(c->Pieces[19].Way), 0);
  EXPECT_EQ(c->ParallelPieces[1].Mesh.VertexCount, 0);
  EXPECT_EQ(c->PreviewMeshes[2].VertexCount, 0);
  EXPECT_EQ(c->PreviewMeshes[2].Flags, 2);
  EXPECT_EQ(c->Groups[5].FreeBelow, 1);
  EXPECT_EQ(c->Groups[5].ClearanceBelow, 50000.0f);
  EXPECT_EQ(c->Groups[5].ClearanceAbove, 50000.0f);
  // Everything else stays.
  EXPECT_EQ(c->Slots[4].Position.x, 100.0f);
  EXPECT_EQ(c->Slots[4].HasDirection, 1);
  EXPECT_EQ(c->SideVectors[4].z, 1.0f);
  EXPECT_EQ(uint32_t{c->Pieces[19].Way.Index}, 77u);  // an odd piece lies off a 4-byte boundary
  EXPECT_EQ(c->Groups[5].PieceCount, 4);
  EXPECT_EQ(c->Groups[5].Length, 300.0f);
  EXPECT_EQ(c->Radius, 700.0f);
}

TEST(Curveline, TheLogTakesNinetyPiecesAndDropsTheRestWhileARecordWithoutLogNeverLogs) {
  auto c = NewCurveline();
  TPieceLog log{};
  ClearPieceLog(log);
  c->PieceLog = &log;
  c->conzahl = 20;
  c->Parallel = 1;
  for (int k = 1; k <= kCurvePieces; ++k) {
    c->Pieces[k].Mesh.VertexCount = static_cast<uint8_t>(k);
    c->ParallelPieces[k].Mesh.VertexCount = static_cast<uint8_t>(100 + k);
  }
  LogPieces(*c);  // 38 pieces: main and parallel alternate
  EXPECT_EQ(log.Count, 38);
  EXPECT_EQ(log.Entries[1].VertexCount, 1);
  EXPECT_EQ(log.Entries[2].VertexCount, 101);
  EXPECT_EQ(log.Entries[38].VertexCount, 119);
  ResetConstruction(*c);  // keeps the log
  c->conzahl = 20;
  c->Parallel = 1;
  LogPieces(*c);
  EXPECT_EQ(log.Count, 76);
  c->Pieces[7].Mesh.VertexCount = 77;
  c->ParallelPieces[7].Mesh.VertexCount = 107;
  c->Pieces[8].Mesh.VertexCount = 88;
  log.Trail = 0x5A;
  LogPieces(*c);  // 14 of these 38 fit: up to parallel piece 7; the 91st (piece 8) is dropped
  EXPECT_EQ(log.Count, 90);
  EXPECT_EQ(log.Entries[89].VertexCount, 77);
  EXPECT_EQ(log.Entries[90].VertexCount, 107);
  EXPECT_EQ(log.Trail, 0x5A);

  auto editor = NewCurveline();
  editor->conzahl = 5;
  LogPieces(*editor);  // no log: nothing to do, nothing touched
  EXPECT_EQ(editor->PieceLog, nullptr);
}

}  // namespace
