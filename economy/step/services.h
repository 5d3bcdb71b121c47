// The economy's services that the network calls through its hooks (money bookings, news and the
// nearest town), and the network's commands that the command queue runs. A program installs them
// once at start, before the first construction.
#pragma once

// Puts the economy's routines into the building construction hooks and the network's commands into
// the command table.
void InstallEconomyServices();
