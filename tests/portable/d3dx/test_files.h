// Shared pieces of the D3DX loader tests: scratch folders and sample models.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/portable/d3dx/xfile/mesh_builder.h"
#include "platform/portable/d3dx/xfile/parser.h"

namespace portable {

// A fresh folder under the system's temporary folder, removed with the object.
struct ScratchFolder {
    std::filesystem::path path;

    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Writes `bytes` to `name` (folders included) and returns its path.
    std::filesystem::path Write(const std::string& name, std::string_view bytes) const;
};

std::wstring Wide(const std::filesystem::path& path);

// Parses and builds in one go; the document must outlive nothing.
HRESULT LoadXText(std::string_view file, XMeshResult& result, bool withMaterials = true);

// A textured, lit quad in a frame, with two materials, in text form.
extern const std::string_view kSampleModel;

} // namespace portable
