// Writes a Model as a complete .x file: one Frame with an identity transform
// holding one Mesh with MeshNormals, MeshTextureCoords and a
// MeshMaterialList with the materials inline.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/modelgen/model.h"
#include "tools/modelgen/mszip.h"
#include "tools/modelgen/x_encoding.h"

namespace modelgen {

struct XWriteOptions {
    bool templates = false;  // declare the standard templates in the file
    MszipOptions mszip;
};

std::vector<std::uint8_t> WriteModelX(const Model& model, const XEncoding& encoding, const XWriteOptions& options);

// Throws std::invalid_argument when the model cannot be written as a valid
// file: array sizes that disagree, indices out of range, bad faces or names.
void ValidateModel(const Model& model);

}  // namespace modelgen
