// Procedural textures. Each is a pure function of its arguments.
#pragma once

#include <string>

#include "tools/modelgen/cube_faces.h"
#include "tools/modelgen/image.h"

namespace modelgen {

struct Texture {
    std::string fileName; // written beside the model
    Image image;
};

// Planked crate side with a frame of boards and nails; not tiling.
Image MakeCrateWood(int size);
// Staggered stone blocks with mortar; tiles.
Image MakeStoneBlocks(int size);
// Square paving slabs with mossy joints; tiles.
Image MakePaving(int size);
// Grass; tiles.
Image MakeGrass(int size);
// Woodland camouflage cloth; tiles.
Image MakeCamo(int size);
// Brushed dark gun metal; tiles.
Image MakeGunMetal(int size);
// One face of the sky cube; neighbouring faces meet without a seam.
Image MakeSkyFace(const CubeFace& face, int size);

} // namespace modelgen
