// The network's routines that the world records call through their hooks. A program installs them
// once at start, before the first construction.
#pragma once

// Puts the network's routines into the world records' hooks.
void InstallNetworkServices();
