// Reads a whole .x file, text or binary, compressed or not, into an
// XDocument; and the templates it reads against: the ones every .x file may
// use without declaring them, lookup by name, and the layout facts the parser
// needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/portable/d3dx/xfile/document.h"
#include "platform/portable/d3dx/xfile/limits.h"

namespace portable {

constexpr uint32_t kNoTemplate = 0xffffffffu;

struct XNameHash {
    size_t operator()(std::string_view name) const;
};
struct XNameEqual {
    bool operator()(std::string_view a, std::string_view b) const;
};

struct XTemplateLibrary {
    std::vector<XTemplate> templates;
    // Keys view the names in `templates`, which never change after construction.
    std::unordered_map<std::string_view, uint32_t, XNameHash, XNameEqual> byName;
};

// The built-in templates of format.h, parsed.
const XTemplateLibrary& BuiltinXTemplates();

// Index of the template with this name (case-insensitive): built-in ones
// first, then the file's own at library size + position.
uint32_t FindXTemplate(const XTemplateLibrary& library, const std::vector<XTemplate>& declared, std::string_view name);
const XTemplate& XTemplateAt(const XTemplateLibrary& library, const std::vector<XTemplate>& declared, uint32_t index);

XKind XKindOfGuid(const XGuid& guid);

// Fills in kind, depth, hasData and the flat layout of a newly parsed
// template whose member types are already resolved. False when it nests too deep.
bool CompleteXTemplate(const XTemplateLibrary& library, const std::vector<XTemplate>& declared,
                       XTemplate& declaredTemplate);

bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// Parses the file in `data` (header included). Strings in the document point
// into `data` or into the document's inflated body: keep `data` alive.
// Fails with the D3DXFERR codes.
HRESULT ParseXFile(const char* data, size_t size, XDocument& document);

// Parses template declarations in text syntax, without a header, against
// `library`; the new templates land in document.declaredTemplates.
HRESULT ParseXTemplateText(std::string_view text, const XTemplateLibrary& library, XDocument& document);

} // namespace portable
