// Template declarations of the .x format.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace modelgen {

struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};
};

// "<3D82AB44-62DA-11CF-AB39-0020AF71E433>"
std::string FormatGuid(const Guid& guid);

struct XTemplateMember {
    std::string type;                     // DWORD, FLOAT, STRING, ... or a template name
    std::string name;
    std::vector<std::string> dimensions;  // non-empty for an array: numbers or member names
};

struct XTemplateChild {
    std::string name;
    std::optional<Guid> guid;
};

enum class XRestriction { Closed, Open, Restricted };

struct XTemplate {
    std::string name;
    Guid guid;
    std::vector<XTemplateMember> members;
    XRestriction restriction = XRestriction::Closed;
    std::vector<XTemplateChild> children;  // for Restricted
};

// The standard templates that a static mesh file uses, each after the ones
// it refers to.
const std::vector<XTemplate>& MeshTemplates();

}  // namespace modelgen
