// Shared pieces of the D3DX loader tests: sample models, parsed and built.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/portable/d3dx/xfile/mesh_builder.h"
#include "platform/portable/d3dx/xfile/parser.h"
#include "tests/support/scratch_folder.h"

namespace portable {

std::wstring Wide(const std::filesystem::path& path);

// Parses and builds in one go; the document must outlive nothing.
HRESULT LoadXText(std::string_view file, XMeshResult& result, bool withMaterials = true);

// A textured, lit quad in a frame, with two materials, in text form.
extern const std::string_view kSampleModel;

} // namespace portable
