// Ships: their launch down the slipway of a coast building and their floating at rest. The
// simulation step moves every ship record once per tick (MoveShip); a ship on its schedule (state
// 2) is left to the schedule's own movement.
//
// Angles of a ship's placement are degrees; the ship routines turn them into radians with
// kShipDegToRad, which takes pi as 3.1415. A ship's bow lies along its heading: heading g moves it by
// (-sin g, -cos g) on the ground, as OffsetByAngle does.
#pragma once

#include <cstdint>

#include "engine/base/worldstate.h"
#include "engine/world/records.h"

constexpr double kShipDegToRad = 0.01745277777777778;
constexpr float kShipPi = 3.1415f;

// Ship states.
constexpr uint8_t kShipAfloat = 0, kShipLaunching = 1, kShipOnSchedule = 2;
// A launching ship runs astern down the slipway at this target speed.
constexpr float kLaunchSpeed = -0.5f;

// The row of a ship type; a type that no row of ShipTypes holds (0, or beyond the table) reads as
// a row of zeros.
const TShipType& ShipTypeRow(uint16_t type);

// The rows of ShipTypes are set through this, so that the ship step has a speed step to take. Row
// 1..255 := T unless T's acceleration divisor is not above 0 (or not finite): that is refused with
// the warning "Ship type <row>: acceleration divisor must be above 0" and the row keeps what it
// held. A row outside 1..255 is refused the same way ("Ship type <row>: no such row").
bool SetShipType(int row, const TShipType& t);

// Base + sin(Angle) x Amplitude.
float SineOffset(float base, float angle, float amplitude);

// The speed ramp and straight motion of one tick: the target is cut to +- the type's maximum
// speed; a speed below it rises by one step (1 / the type's acceleration divisor), then a speed
// above it falls by one step; the ship moves by its speed along its heading. A divisor that gives
// no usable step (0, negative, not finite) sets the speed to the target at once.
void ShipStep(TShip& ship, float targetSpeed);
// Height and pitch of a ship at rest, from the height map under its bow and stern (a vertex off
// the map reads as height 0), eased in by the type's smoothing factor.
void ShipFloat(TShip& ship);
// One tick of the ship record at Index: afloat it takes its schedule once that is calculated and
// floats; launching it slides astern down its slipway and is afloat once its bow reaches the
// slipway's water end. An index that holds no ship is left alone; a launching ship whose slipway
// building is gone, or whose slipway has no length on the ground, is afloat at once.
void MoveShip(uint32_t index);
