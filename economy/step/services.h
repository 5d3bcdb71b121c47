// The economy's services that the network calls through its hooks (money bookings, news, the
// nearest town and station names), the network's commands that the command queue runs, and the
// network's processes of the simulation step. A program installs them once at start, before the
// first construction.
#pragma once

// Puts the economy's routines into the building construction and station hooks, the network's
// commands into the command table, and the schedule step into the simulation step (with its cursor
// as a part of the world).
void InstallEconomyServices();
