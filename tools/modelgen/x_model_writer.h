// Writes a Model as a complete .x file: one Frame with an identity transform
// holding one Mesh with MeshNormals, MeshTextureCoords and a
// MeshMaterialList with the materials inline.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/portable/d3dx/xfile/format.h"
#include "tools/modelgen/model.h"
#include "tools/modelgen/mszip.h"
#include "tools/modelgen/x_encoding.h"

namespace modelgen {

struct XWriteOptions {
    bool templates = false; // declare the standard templates in the file
    MszipOptions mszip;
};

// The built-in templates that the file's objects use, each after the ones
// it refers to: what XWriteOptions::templates declares.
const std::vector<const xformat::Template*>& MeshTemplates();

std::vector<std::uint8_t> WriteModelX(const Model& model, const XEncoding& encoding, const XWriteOptions& options);

// Throws std::invalid_argument when the model cannot be written as a valid
// file: array sizes that disagree, indices out of range, bad faces or names.
void ValidateModel(const Model& model);

} // namespace modelgen
