// The goods movement at stations (unit Goods_IVMove): one pass visits every station. Arrived
// batches leave a station's in-goods list: at a market or industry they are delivered (the goods
// way at the end of the successor chain counts them, an industry takes them into its input stock),
// at a station without link (a transfer station) they join the out-goods list for their next hop.
// The out-goods list sends batches on by transfer and drops those that waited too long. In the
// simple economy only stations without link are visited: their old batches expire, passengers
// accrue from the population around, and whole units become new batches.
#pragma once

#include <cstdint>

// The process record.
struct TPPIVMove {
  int32_t Speed;
  uint32_t PassStart;
  uint32_t StationCursor;  // 0 before the first station
  uint8_t Phase;           // 0 start of a pass, 1 in-goods of the next station, 2 out-goods of the cursor's
};

extern TPPIVMove PPIVMove;

constexpr uint32_t kTransferWait = 150;        // ticks a batch waits before it is sent on by transfer
constexpr uint32_t kPassengerWait = 15000;     // ticks passengers wait for their vehicle
constexpr long double kPassengerAccrual = 1.0L / 300000.0L;  // per inhabitant and tick at rating 1

// One step of the process.
void IVMoveStep(TPPIVMove& p);
// The station is gone: when the process works on its out-goods, it goes on with the next station.
void IVMoveStationDeleted(TPPIVMove& p, uint32_t station);
