// The building program's sample files: the house and shed meshes with their textures, the view's
// markers, an animation list and a ".ANI" file.
#pragma once

#include <string>

#include "engine/files/buildingfile.h"
#include "tools/sample_mesh.h"

namespace sample_building {

// A house (version 2.1) in buildings\: textured walls (texture 1, "hwall.bmp") and roof (2,
// "hroof.bmp"), a fence drawn with transparency (3, "hfence.bmp", state 1) and a flag whose
// texture is the ".ANI" file "flag.ani" (4).
sample_mesh::MeshFile SampleHouse();
// A shed in the older layout: five wall and roof quads (texture 1, "hwall.bmp"), a lamp quad
// (texture 2, the three-frame list "lamp.lst") and a brown colour triangle.
sample_mesh::LayoutMesh SampleShed();

// The record of the sample house: the house mesh (samplehouse.msh2) as Near row 1, the shed as
// Mid row 1 left unused, names in English and German, a road way through two checked way rows and
// four nodes along it; its script file is samplehouse.mas.
TBuildingInfo SampleHouseInfo();
// The source text of the sample house's script file (no compiled image).
std::string SampleHouseScript();

// Writes under root: gfx\hwall.bmp, hroof.bmp, hfence.bmp (slats on magenta with black edges, for
// the transparency of black and magenta), flag1.bmp with flag.ani naming it on its third line,
// lamp1.bmp to lamp3.bmp with lamp.lst, and the sphere marker spherem.bmp; buildings\NoMesh.msh2,
// samplehouse.msh2 and oldshed.msh, and the building file samplehouse.bif with its script file
// samplehouse.mas. The smoke marker smokesource.bmp comes with sample_gfx.
bool WriteSampleBuilding(const std::string& root, std::string& error);

}  // namespace sample_building
