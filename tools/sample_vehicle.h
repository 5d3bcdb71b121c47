// The sample vehicle: a bus made of the sample meshes, written as a vehicle file.
#pragma once

#include <string>

#include "engine/files/vehiclefile.h"

namespace sample_vehicle {

// The record of the sample bus: the body (samplebus.msh2) as mesh row 1 and two bogies
// (samplebogie.msh2) under it as rows 2 and 3, with names in English and German.
TVehicleInfo SampleBus();

// Writes root's vehicles\samplebus.vif (the meshes themselves come from sample_mesh).
bool WriteSampleVehicle(const std::string& root, std::string& error);

}  // namespace sample_vehicle
