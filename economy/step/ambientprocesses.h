// The animals and the city traffic in the simulation step: their processes in the step's hooks and
// their records as parts of the world (reset and hashed).
#pragma once

void InstallAmbientProcesses();
