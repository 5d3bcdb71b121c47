#include "network/construction/limits.h"

#include "network/construction/curveline.h"
#include "network/construction/routers.h"
#include "network/construction/wayextension.h"

namespace {
constexpr float k12Degrees = 0.2094395f;
constexpr float k10Degrees = 0.1745329f;
constexpr float kMaxLength[6] = {550.0f, 0.0f, 0.0f, 500.0f, 400.0f, 250.0f};
constexpr float kMinLength[6] = {60.0f, 0.0f, 0.0f, 72.0f, 160.0f, 30.0f};
constexpr float kMaxAngle[6] = {k12Degrees, 0.0f, 0.0f, k12Degrees, k10Degrees, k10Degrees};
constexpr float kClearance[2] = {50.0f, 70.0f};
constexpr float kGradient[2] = {0.25f, 0.15f};
}  // namespace

// Constant-initialised, so they hold their values before any program code runs.
float MaxPieceLength[6] = {kMaxLength[0], kMaxLength[1], kMaxLength[2], kMaxLength[3], kMaxLength[4], kMaxLength[5]};
float MinPieceLength[6] = {kMinLength[0], kMinLength[1], kMinLength[2], kMinLength[3], kMinLength[4], kMinLength[5]};
float MaxPieceAngle[6] = {kMaxAngle[0], kMaxAngle[1], kMaxAngle[2], kMaxAngle[3], kMaxAngle[4], kMaxAngle[5]};
float WayClearance[2] = {kClearance[0], kClearance[1]};
float MaxWayGradient[2] = {kGradient[0], kGradient[1]};

void InitWayConstruction() {
  for (int i = 0; i < 6; ++i) {
    MaxPieceLength[i] = kMaxLength[i];
    MinPieceLength[i] = kMinLength[i];
    MaxPieceAngle[i] = kMaxAngle[i];
  }
  for (int i = 0; i < 2; ++i) {
    WayClearance[i] = kClearance[i];
    MaxWayGradient[i] = kGradient[i];
  }
  AddRouterInfo = TAddRouterInfo{};
  ExtendWayInfo = TExtendWayInfo{};
  ClearPieceLog(GlobalPieceLog);
  GlobalCurveline->PieceLog = &GlobalPieceLog;
}
