// Blocks and signals of the rail network. A block is a set of finished rail ways connected without
// a signal between them; signals stand in pairs at a connect between two rail ways, one at each of
// the two nodes there, and split the network into blocks. A signal leads into the block of the way
// that starts at its node, so the partners of a block's in-signals are its out-signals.
//
// A block holds at most three trains. Its in-signals are red while it holds a train and green
// while it is empty, except that an empty block whose two-way exits are all red (a presignal)
// shows green only at its two-way entries. Road ways take no part: only ways of use 1 (rail).
#pragma once

#include <cstdint>

#include "engine/world/records.h"

// The connect's other way: way B when Way is its way A, way A when Way is its way B, else 0.
uint32_t OtherWayOfCon(uint32_t way, uint32_t connect);
// Reads the connect's two ways (WayB's index is 0 when it has one) and gives WayA's lane-end and
// lane-start nodes there: at WayA's first connect its second and first node, at any other its
// fourth and third. A WayA of a waytype other than 0, 2 and 3 stops the program.
void NodesofCon(uint32_t connect, TWay& wayA, TWay& wayB, uint32_t& laneEnd, uint32_t& laneStart);
// What a train meets at the node: 0 no signal or a green one, 1 a red one, 2 a one-way signal
// against it (whatever its lamp).
uint8_t BlockStateAtNode(uint32_t node);

// A new, empty block; its index.
uint32_t NewBlock();
// Gives W and every finished way (state 2 or 3) reached from it without passing a signal the
// block, storing each; the signals met on the way that lead into the flooded ways take the block
// too. The ways are visited depth first, each connect in list order; there is no depth limit.
void SpreadBlock(TWay& w, uint32_t block);
// A finished rail way joins the block system: it takes the block of its first finished
// neighbour (a new block without one), and the blocks of the other neighbours merge into it with
// their trains.
void AddWayToBlockSystem(TWay& w);
// A built rail way leaves the block system: its block goes with it when it had no finished
// neighbour; with two or more, each part it joined gets a block of its own and the trains of the
// old block are counted again.
void RemoveWayFromBlockSystem(TWay& w);

// After a new signal pair at the connect: a block that ran across it is split in two (or, in a
// loop, renewed whole); each signal of the pair takes the block of the way starting at its node.
void SplitBlockAtConnect(uint32_t connect);
// Removes the signal pair at the connect: the blocks on its two sides merge with their trains.
void RemoveSignalPair(uint32_t connect);

// The lamps. TestOutSignals (the block must hold no train): 0 when it has no two-way exit, 1 when
// all its two-way exits are red, 2 when one is green.
uint8_t TestOutSignals(const TBlock& b);
// Sets the signal's lamp. With Propagate, a change at a two-way exit of an empty block reaches that
// block's entries by the presignal rule.
void SetSignal(uint32_t signal, uint8_t lamp, bool propagate);
// Each in-signal green when it and its partner are two-way, else red.
void UpdateInSignals(const TBlock& b);
// The in-signals after a change of the block's trains or exits.
void UpdateBlockSignals(uint32_t block);

// Train counting. A fourth train is only warned about.
void AddTrainToBlock(TBlock& b, uint32_t train);
void RemoveTrainFromBlock(TBlock& b, uint32_t train);
void RemoveTrainFromAllBlocks(uint32_t train);
// Counts the train out of every block and into the blocks of the ways under it: the ways of the
// nodes its head entered, newest first, without its next node, up to its tail node.
void UpdateTrainBlocks(uint32_t train);

// The signal events of a running train: its head has entered the signal's node, its tail has left it.
void SignalPassedByHead(uint32_t signal, uint32_t train);
void SignalPassedByTail(uint32_t signal, uint32_t train);
