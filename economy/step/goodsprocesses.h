// The goods driver in the simulation step: its tick and month, the station goods recalculation and
// the delete notices behind the world records' hooks, and its process records as a part of the
// world (reset and hashed).
#pragma once

void InstallGoodsProcesses();
