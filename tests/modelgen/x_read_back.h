// Reads a .x file that modelgen wrote with the program's own reader: the
// parser for what the file states, the mesh builder for the mesh that
// D3DXLoadMeshFromX makes of it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/portable/d3dx/xfile/mesh_builder.h"
#include "tools/modelgen/model.h"

namespace modelgen_test {

struct ReadBack {
    portable::XFileEncoding encoding = portable::XFileEncoding::Text;
    unsigned floatBits = 32;
    std::string body; // what follows the header, inflated when compressed
    // The frame and its mesh as the file states them: the model under the
    // frame's name, the mesh's own name, the frame's matrix and the faces of
    // the normals.
    modelgen::Model model;
    std::string meshName;
    std::vector<float> frameMatrix;
    std::vector<modelgen::Face> normalFaces;
    portable::XMeshResult mesh;
};

// Throws std::runtime_error when the reader fails, or when the file holds
// other than the one frame with one mesh that modelgen writes.
ReadBack ReadBackX(const std::vector<std::uint8_t>& file);

} // namespace modelgen_test
