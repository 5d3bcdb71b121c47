// The driver's command replays: a file of posted command messages run through the command queue
// of a running game, and a generator of such files.
//
// A replay file holds one message a line, four fields separated by blanks:
//   PLAYER DUETICK COMMAND PAYLOAD
// PLAYER 1..10, DUETICK the GameTime at which the message runs (1..100000000), COMMAND the
// command number (0..65535; the queue itself warns about numbers that name no command), PAYLOAD
// the payload bytes as pairs of hexadecimal digits (1 to 1,000 bytes; the bytes not given are 0).
// Empty lines and lines whose first non-blank character is '#' are skipped.
#pragma once

#include <string>
#include <vector>

// replay FILE: resets the world to the calendar game on flat land (with as many players as the
// file names, each starting as player 1 does), posts each message in the tick before its due tick
// (messages of one tick in the file's order) and runs the simulation step until the last due tick
// has run. Prints the number of commands, the messages still waiting, the ways, buildings, signals
// and trees, the warnings, the tick and the state hash. A line it cannot read, or more messages
// due in one tick than the queue holds (50), is reported on standard error with the file's name
// and the line number, and gives 2; so does a file that cannot be read.
int ReplayCommands(const std::vector<std::string>& args);
// replay-gen SEED COUNT: prints a replay file of COUNT messages (0..100000) drawn from SEED: rail
// and road curves on a lattice, routers, crossings, station tracks, signals placed and removed at
// the rail points, rebuilds of the way under a ray, removals of ways and buildings, ways made
// stops, trees and terrain, mostly of player 1 and some of player 2, a few in each tick. 2 for
// arguments it does not understand.
int GenerateReplay(const std::vector<std::string>& args);
