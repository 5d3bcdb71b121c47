#include "network/track/blocks.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/diagnostics.h"
#include "engine/store/connectpool.h"
#include "engine/store/nodepool.h"
#include "engine/store/recordstore.h"
#include "engine/store/trainpool.h"
#include "engine/world/hooks.h"

namespace {

constexpr uint8_t kRail = 1;
constexpr int kMostNeighbours = 10;  // the room of WaysAtCons
constexpr int kMostBlockTrains = 3;

uint32_t SignalAt(uint32_t node) { return NodeInPool(node) ? NodeByIndex(node).Signal : 0; }
bool Finished(const TWay& w) { return w.State == 2 || w.State == 3; }
int ConnectionCount(const TWay& w) { return std::min<int>(w.ConnectionCounter, 10); }
int TrainCount(const TBlock& b) { return std::min<int>(b.TrainCount, kMostBlockTrains); }
int InSignalCount(const TBlock& b) { return std::min<int>(b.Insignalcounter, 100); }

// The finished ways met at W's connects, in connection order.
struct Neighbours {
  std::unique_ptr<TWay[]> Ways = std::make_unique<TWay[]>(kMostNeighbours);
  int Count = 0;

  explicit Neighbours(const TWay& w) {
    uint32_t met = 0;
    world_hooks::WaysAtCons(w, met, Ways.get());
    for (uint32_t i = 0; i < met && i < kMostNeighbours; ++i) {
      if (Finished(Ways[i])) Ways[Count++] = Ways[i];
    }
  }
};

void Collect(uint32_t block) {
  TBlock b{};
  b.A_Read(block);
  world_hooks::CollectBlockSignals(b);
}

// The trains of the block, copied before the block changes.
std::vector<uint32_t> TrainsOf(const TBlock& b) { return {b.Trains, b.Trains + TrainCount(b)}; }

void AddTrainsTo(uint32_t block, const std::vector<uint32_t>& trains) {
  TBlock b{};
  for (uint32_t t : trains) {
    b.A_Read(block);
    AddTrainToBlock(b, t);
  }
}

// The signal and the block it leads into; false for a signal that passing trains neither count at
// nor switch (kind 0).
bool ReadCountingSignal(uint32_t signal, TSignal& s, TBlock& b) {
  s.A_Read(signal);
  if (s.Kind == 0) return false;
  b.A_Read(s.Block);
  return true;
}

// One way of the flood with its place in its connection list: what a recursive walk would keep
// on its stack.
struct FloodFrame {
  uint32_t Way;
  uint32_t LaneStarts[2];  // its first and third node
  uint32_t Connections[10];
  uint8_t ConnectionCount;
  uint8_t Next;
};

}  // namespace

uint32_t OtherWayOfCon(uint32_t way, uint32_t connect) {
  TConnect c{};
  GetConnect(c, connect);
  if (c.WayA == way) return c.WayB;
  if (c.WayB == way) return c.WayA;
  return 0;
}

void NodesofCon(uint32_t connect, TWay& wayA, TWay& wayB, uint32_t& laneEnd, uint32_t& laneStart) {
  TConnect c{};
  GetConnect(c, connect);
  wayA = TWay{};
  wayB = TWay{};
  laneEnd = laneStart = 0;
  if (c.WayA == 0) return;
  wayA.A_Read(c.WayA);
  if (c.WayB != 0) wayB.A_Read(c.WayB);
  if (wayA.Waytype != 0 && wayA.Waytype != 2 && wayA.Waytype != 3)
    SYS_BREAKPROGRAM("Unforeseen Waytype in gp_signals.NodesofCon! Please implement handling");
  const bool first = wayA.Connections[0] == connect;
  laneEnd = wayA.Nodes[first ? 1 : 3];
  laneStart = wayA.Nodes[first ? 0 : 2];
}

uint8_t BlockStateAtNode(uint32_t node) {
  const uint32_t signal = SignalAt(node);
  if (signal == 0) return 0;
  TSignal s{};
  s.A_Read(signal);
  if (s.OneWay != 0) return 2;
  return s.Lamp == 0 ? 1 : 0;
}

uint32_t NewBlock() {
  TBlock b{};
  b.A_Write();
  return b.Index;
}

// The flood walks depth first on a work list of its own: a long line of ways neither runs out of
// stack nor stops early, and the ways are visited in the order of a recursive walk.
void SpreadBlock(TWay& w, uint32_t block) {
  std::vector<FloodFrame> stack;
  const auto enter = [&stack, block](TWay& way) {
    way.Block = block;
    way.A_Overwrite();
    FloodFrame f{};
    f.Way = way.Index;
    f.LaneStarts[0] = way.Nodes[0];
    f.LaneStarts[1] = way.Nodes[2];
    f.ConnectionCount = static_cast<uint8_t>(ConnectionCount(way));
    std::copy(way.Connections, way.Connections + f.ConnectionCount, f.Connections);
    stack.push_back(f);
  };
  enter(w);
  TWay a{}, b{};
  while (!stack.empty()) {
    FloodFrame& f = stack.back();
    if (f.Next >= f.ConnectionCount) {
      stack.pop_back();
      continue;
    }
    const uint32_t connect = f.Connections[f.Next++];
    if (connect == 0) continue;
    uint32_t laneEnd = 0, laneStart = 0;
    NodesofCon(connect, a, b, laneEnd, laneStart);
    if (SignalAt(laneEnd) == 0) {
      TWay* other = a.Index == f.Way ? &b : b.Index == f.Way ? &a : nullptr;
      if (other != nullptr && other->Index != 0 && other->Block != block && Finished(*other)) enter(*other);
      continue;
    }
    // The signal of the pair that leads into this way.
    const bool startHere = laneStart == f.LaneStarts[0] || laneStart == f.LaneStarts[1];
    const uint32_t signal = SignalAt(startHere ? laneStart : laneEnd);
    if (signal == 0) continue;
    TSignal s{};
    s.A_Read(signal);
    s.Block = block;
    s.A_Overwrite();
  }
}

void AddWayToBlockSystem(TWay& w) {
  if (w.Use != kRail) return;
  Neighbours n(w);
  if (n.Count == 0) {
    w.Block = NewBlock();
    w.A_Overwrite();
    return;
  }
  w.Block = n.Ways[0].Block;
  w.A_Overwrite();
  for (int i = 1; i < n.Count; ++i) {
    // An earlier neighbour's flood may have reached this one (and dropped its block) already.
    TWay& other = n.Ways[i];
    other.A_Read(other.Index);
    if (other.Block == w.Block) continue;
    const uint32_t old = other.Block;
    SpreadBlock(other, w.Block);
    if (old == 0) continue;
    TBlock oldBlock{};
    oldBlock.A_Read(old);
    AddTrainsTo(w.Block, TrainsOf(oldBlock));
    oldBlock.Destroy();
  }
  if (n.Count >= 2) {
    Collect(w.Block);
    UpdateBlockSignals(w.Block);
  }
}

void RemoveWayFromBlockSystem(TWay& w) {
  if (w.Use != kRail || w.State < 2) return;
  Neighbours n(w);
  if (n.Count == 0) {
    if (w.Block != 0) TBlock::DestroyByIndex(w.Block);
    return;
  }
  if (n.Count == 1) {
    if (w.Block != 0) Collect(w.Block);
    return;
  }
  w.State = 4;  // the floods below no longer pass it
  w.A_Overwrite();
  if (w.Block == 0) SYS_BREAKPROGRAM("Error in RemoveWayFromBlockSystem: This way had no block!?");
  const uint32_t old = w.Block;
  std::vector<uint32_t> parts;
  for (int i = 0; i < n.Count; ++i) {
    TWay& other = n.Ways[i];
    other.A_Read(other.Index);
    if (other.Block == old) SpreadBlock(other, NewBlock());
    if (std::find(parts.begin(), parts.end(), other.Block) == parts.end()) parts.push_back(other.Block);
  }
  for (uint32_t part : parts) {
    Collect(part);
    UpdateBlockSignals(part);
  }
  TBlock oldBlock{};
  oldBlock.A_Read(old);
  const std::vector<uint32_t> trains = TrainsOf(oldBlock);
  oldBlock.Destroy();
  for (uint32_t t : trains) UpdateTrainBlocks(t);
}

void SplitBlockAtConnect(uint32_t connect) {
  TWay a{}, b{};
  uint32_t laneEnd = 0, laneStart = 0;
  NodesofCon(connect, a, b, laneEnd, laneStart);
  TSignal start{}, end{};
  start.A_Read(SignalAt(laneStart));
  end.A_Read(SignalAt(laneEnd));
  if (a.Block != b.Block) {
    // Two blocks meet here already: each signal leads into the block of its way.
    start.Block = a.Block;
    start.A_Overwrite();
    end.Block = b.Block;
    end.A_Overwrite();
    for (uint32_t block : {a.Block, b.Block}) {
      if (block == 0) continue;
      Collect(block);
      UpdateBlockSignals(block);
    }
    return;
  }
  const uint32_t old = a.Block;
  const uint32_t fresh = NewBlock();
  SpreadBlock(a, fresh);
  b.A_Read(b.Index);
  for (uint32_t signal : {start.Index, end.Index}) {
    TSignal s{};
    s.A_Read(signal);
    if (s.Block != 0) continue;
    s.Block = b.Block;
    s.A_Overwrite();
  }
  Collect(fresh);
  TBlock oldBlock{};
  oldBlock.A_Read(old);
  if (b.Block == old) {
    world_hooks::CollectBlockSignals(oldBlock);
    for (uint32_t t : TrainsOf(oldBlock)) UpdateTrainBlocks(t);
    UpdateBlockSignals(old);
  } else {
    // The flood came round a loop to way B: the new block is the old one renewed.
    TBlock renewed{};
    renewed.A_Read(fresh);
    renewed.TrainCount = oldBlock.TrainCount;
    std::copy(oldBlock.Trains, oldBlock.Trains + kMostBlockTrains, renewed.Trains);
    renewed.A_Overwrite();
    oldBlock.Destroy();
  }
  UpdateBlockSignals(fresh);
}

void RemoveSignalPair(uint32_t connect) {
  TWay a{}, b{};
  uint32_t laneEnd = 0, laneStart = 0;
  NodesofCon(connect, a, b, laneEnd, laneStart);
  if (SignalAt(laneEnd) == 0 || SignalAt(laneStart) == 0)
    SYS_BREAKPROGRAM("Error in gp_signals: this con has only 1 signal!");
  if (a.Block == 0 || b.Block == 0) SYS_BREAKPROGRAM("Error in gp_signals: one block is zero here!");
  if (a.Block != b.Block) {
    TBlock old{};
    old.A_Read(b.Block);
    AddTrainsTo(a.Block, TrainsOf(old));
    SpreadBlock(b, a.Block);
    old.Destroy();
  }
  for (uint32_t node : {laneStart, laneEnd}) {
    TSignal s{};
    s.A_Read(SignalAt(node));
    s.Destroy();
  }
  Collect(a.Block);
  UpdateBlockSignals(a.Block);
}

uint8_t TestOutSignals(const TBlock& b) {
  if (b.TrainCount != 0) SYS_BREAKPROGRAM("Never call TestOutSignals with unempty block!");
  uint8_t result = 0;
  TSignal s{}, partner{};
  for (int i = 0; i < InSignalCount(b); ++i) {
    s.A_Read(b.InSignals[i]);
    partner.A_Read(s.Partner);
    if (s.OneWay != 0 || partner.OneWay != 0) continue;
    if (result == 0) result = 1;
    if (partner.Lamp == 1) return 2;
  }
  return result;
}

void SetSignal(uint32_t signal, uint8_t lamp, bool propagate) {
  TSignal s{};
  s.A_Read(signal);
  s.Lamp = lamp;
  s.A_Overwrite();
  if (!propagate) return;
  TSignal partner{};
  partner.A_Read(s.Partner);
  if (s.OneWay != 0 || partner.OneWay != 0 || partner.Block == 0) return;
  // S is an exit of the block before it.
  TBlock before{};
  before.A_Read(partner.Block);
  if (before.TrainCount != 0) return;
  const uint8_t exits = TestOutSignals(before);
  if (exits == 0) return;
  if (lamp == 0) {
    if (exits == 1) UpdateInSignals(before);
    return;
  }
  if (exits == 1) SYS_BREAKPROGRAM("Error in Presignal-function: A signal is red and green at the same time.");
  for (int i = 0; i < InSignalCount(before); ++i) SetSignal(before.InSignals[i], 1, false);
}

void UpdateInSignals(const TBlock& b) {
  TSignal s{}, partner{};
  for (int i = 0; i < InSignalCount(b); ++i) {
    s.A_Read(b.InSignals[i]);
    partner.A_Read(s.Partner);
    s.Lamp = s.OneWay == 0 && partner.OneWay == 0 ? 1 : 0;
    s.A_Overwrite();
  }
}

void UpdateBlockSignals(uint32_t block) {
  TBlock b{};
  b.A_Read(block);
  if (b.TrainCount != 0) {
    for (int i = 0; i < InSignalCount(b); ++i) SetSignal(b.InSignals[i], 0, true);
    return;
  }
  if (TestOutSignals(b) == 1) {
    UpdateInSignals(b);
    return;
  }
  for (int i = 0; i < InSignalCount(b); ++i) SetSignal(b.InSignals[i], 1, true);
}

void AddTrainToBlock(TBlock& b, uint32_t train) {
  if (b.TrainCount > kMostBlockTrains) SYS_BREAKPROGRAM("Error in AddTrainToBlock: blocktraincount is over 3!");
  // A train counted already is no fourth one, however full the block is.
  if (std::find(b.Trains, b.Trains + TrainCount(b), train) != b.Trains + TrainCount(b)) return;
  if (b.TrainCount == kMostBlockTrains) {
    SYS_Warning("Warning: the 4th Train entered Block No " + std::to_string(b.Index));
    return;
  }
  b.Trains[b.TrainCount++] = train;
  b.A_Overwrite();
  UpdateBlockSignals(b.Index);
}

void RemoveTrainFromBlock(TBlock& b, uint32_t train) {
  const int count = TrainCount(b);
  uint32_t* const at = std::find(b.Trains, b.Trains + count, train);
  if (at == b.Trains + count) return;
  std::copy(at + 1, b.Trains + count, at);
  b.Trains[count - 1] = 0;
  b.TrainCount = static_cast<uint8_t>(count - 1);
  b.A_Overwrite();
  UpdateBlockSignals(b.Index);
}

void RemoveTrainFromAllBlocks(uint32_t train) {
  TBlock b{};
  for (uint32_t i = FindInArrayerRest(kARTypeBlock, 0); i != 0; i = FindInArrayerRest(kARTypeBlock, i)) {
    b.A_Read(i);
    RemoveTrainFromBlock(b, train);
  }
}

void UpdateTrainBlocks(uint32_t train) {
  RemoveTrainFromAllBlocks(train);
  if (!IsTrainUsed(train)) return;
  const TTrain& t = TrainByIndex(train);  // the pool never moves
  TWay w{};
  TBlock b{};
  for (int i = 0; i < kTrainNodesAhead; ++i) {
    const uint32_t n = t.NodesAhead[i];
    if (n == 0) break;
    if (n != t.NextNode && NodeInPool(n)) {
      const uint32_t way = NodeByIndex(n).Way;
      if (way != 0 && ArrayerHolds(kTWayDesc, way)) {
        w.A_Read(way);
        if (w.Block != 0) {
          b.A_Read(w.Block);
          AddTrainToBlock(b, train);
        }
      }
    }
    if (n == t.ClosingNode) break;
  }
}

void SignalPassedByHead(uint32_t signal, uint32_t train) {
  TSignal s{};
  TBlock b{};
  if (!ReadCountingSignal(signal, s, b)) return;
  AddTrainToBlock(b, train);
  SetSignal(signal, 1, false);  // green while the train passes
}

void SignalPassedByTail(uint32_t signal, uint32_t train) {
  TSignal s{};
  TBlock b{};
  if (!ReadCountingSignal(signal, s, b)) return;
  if (b.TrainCount != 0) SetSignal(signal, 0, false);
  TSignal partner{};
  partner.A_Read(s.Partner);
  b.A_Read(partner.Block);
  RemoveTrainFromBlock(b, train);
}
