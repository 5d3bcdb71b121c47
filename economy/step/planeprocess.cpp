#include "economy/step/planeprocess.h"

#include "economy/step/tick.h"
#include "network/world/planes.h"

void HashPlanes(THashWriter& h) {
  // Records are packed: fields are copied out by value before they are hashed.
  const auto vec = [&h](TVector v) { h.Vec(v); };
  h.U8(PlaneActive);
  const TPlane p = Plane;
  h.U16(p.PlaneType);
  h.U8(p.State);
  vec(p.Position);
  vec(p.Heading);
  for (float v : {p.Speed, p.Altitude, p.TargetAltitude, p.ClimbAngle, p.BankAngle, p.EngineShare}) h.F32(v);
  vec(p.LandingPoint);
  vec(p.RunwayStart);
  h.U32(p.RouteEntry);
  const TPlaneNav n = p.Nav;
  for (TVector v : {n.TargetPoint, n.FarPoint, n.Position, n.Heading, n.LandingPoint, n.ApproachDir, n.SideStepPoint})
    vec(v);
  h.U8(n.Side);
  h.U8(n.SubState);
  h.U8(n.SlotByte);
  h.U8(n.SlotFound);
  h.U16(static_cast<uint16_t>(n.TurnDir));
  h.U16(static_cast<uint16_t>(n.SavedTurnDir));
  h.F32(n.TurnRadius);
  h.F32(n.TurnRate);
  h.U32(n.DestEntry);
  h.F32(n.LastDistance);
  for (int e = 1; e <= kPlaneRouteEntries; ++e) {
    const TPlaneRouteEntry entry = PlaneRouteEntries[e];
    h.U8(entry.SlotCount);
    h.U32(entry.Building);
    for (const TAirportSlot s : entry.Slots) {
      h.U8(s.Defined);
      h.U8(s.Occupied);
      h.U32(s.Building);
      h.U8(s.SlotByte);
      h.U8(s.Classes);
    }
  }
}

void InstallPlaneProcess() {
  step_hooks::MovePlanes = MovePlanes;
  RegisterWorldPart({"planes", ResetPlanes, HashPlanes});
}
