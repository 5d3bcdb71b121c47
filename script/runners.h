// The game's script runners: they prepare the parts of a vehicle for drawing or testing (body and
// bogies placed along the track, animated textures advanced with the distance run, the visible
// load and the owner marker), run a building type's script for drawing and for events of the
// network and the depots, give the company building its built-in appearance, and run the depot
// tick. The state they fill is that of script/gamecommands.h.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/world/records.h"

// The compiled building scripts: image S (1..100) is the script of the building types whose
// script number is S; an empty image is no script. The program fills the table.
extern std::vector<uint8_t> CompiledScriptImages[101];

// The unit start: the registry afresh with its twelve built-ins, then the game's host variables
// and commands. The script units (script/scripts.h) must have been started.
void InitGameScriptHost();

// The caller has put the meshes of V's vehicle type into PartMeshes[1..mesh count]; afterwards
// parts 1 to PartCount are drawn, part k with PartMeshes[k] placed by MeshPartTransforms[k].
void PrepareVehicleMeshes(const TVehicle& v, int32_t train);
// The drawing run of B's building script; Slot (from 1) is used by the company building only.
void RunBuildingScript(TBuilding& b, int32_t slot);
// The company building's appearance for level mesh slot Slot, for the building of the run.
void PrepareCompanyBuilding(int32_t slot);
// Runs B's building script for an event; the script's answer (SParam4), or -1 when the building
// type has no script. Depot may be null.
int32_t RunBuildingEventScript(int32_t event, int32_t param2, int32_t param3, int32_t param4, TBuilding& b,
                               int32_t train, TDepot* depot);
// The depot tick of depot Depot.
void TickBuildingScripts(uint32_t depot);

// The owner colours (red, green, blue, alpha), numbered from 1.
extern const uint8_t PlayerColours[15][4];
