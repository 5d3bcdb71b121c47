// The passengers in the simulation step: the route builder and the generator behind the step's
// hooks, the schedules' stretches behind the world records' hook, and their two records as a part of
// the world (reset and hashed).
#pragma once

void InstallPassengerProcesses();
