// The driver's running scenarios: a reset world run for a number of ticks, its state hash, the
// blocks of a loop of track with signals, and road crossings.
#pragma once

#include <string>
#include <vector>

// run SCENARIO TICKS: prints the date, each player's balance, the last year's interest and the
// state hash after the ticks; the shuttle scenario first its train's dead-end turns, its state and
// its costs of this year and the number of warnings; the simple-econ scenario first the passenger
// batches made, its stations' goods entries and ratings and its industries' resize states; the
// rail-line scenario first the passengers its train set down at the stations, the revenue booked
// for them and the longest tick in milliseconds (not part of the state). 2 for arguments it does
// not understand.
int RunScenario(const std::vector<std::string>& args);
// hash: prints the state hash of the freshly reset world.
int PrintResetHash(const std::vector<std::string>& args);
// pathcheck --grid WxH --pairs N --seed S: the path search and Dijkstra's algorithm of the Boost
// Graph Library on a generated grid network (sample_world::BuildNodeGrid); prints the node and pair
// counts, the pairs whose costs differ, the pairs neither reaches, the deepest branch stack and
// both total times. 2 for arguments it does not understand.
int PathCheck(const std::vector<std::string>& args);
// signals: builds a loop of rail track with two signal pairs and two trains; prints the blocks,
// their ways and trains, and every signal with its position and heading.
int SignalScenario(const std::vector<std::string>& args);
// crossings: builds an X-crossing and a T-crossing of roads on flat land, completed at once; prints
// both results, every way (type, part, centre, state, connects and nodes), every node (PrintNodes)
// and the state hash.
int CrossingScenario(const std::vector<std::string>& args);
int RouterScenario(const std::vector<std::string>& args);
// Every node in use: its position, previous and next links (comma lists, "-" for none), way and
// flags, then their number.
void PrintNodes();
// lights X|T PERIOD TICKS: the traffic light phase of an X- or T-crossing with TrafficLightPeriod
// PERIOD at every tick from 0 to TICKS - 1 where it changes (the first tick counts as a change):
// changeN.tick and changeN.phase, then their number. 2 for arguments it does not understand.
int LightsRun(const std::vector<std::string>& args);
