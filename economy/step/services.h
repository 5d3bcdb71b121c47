// The economy's services that the network calls through its hooks: money bookings, news and the
// nearest town. A program installs them once at start, before the first construction.
#pragma once

// Puts the economy's routines into the building construction hooks.
void InstallEconomyServices();
