// Reads a whole .x file, text or binary, compressed or not, into an XDocument.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/portable/d3dx/xfile/document.h"
#include "platform/portable/d3dx/xfile/limits.h"
#include "platform/portable/d3dx/xfile/templates.h"

namespace portable {

// Parses the file in `data` (header included). Strings in the document point
// into `data` or into the document's inflated body: keep `data` alive.
// Fails with the D3DXFERR codes.
HRESULT ParseXFile(const char* data, size_t size, XDocument& document);

// Parses template declarations in text syntax, without a header, against
// `library`; the new templates land in document.declaredTemplates.
HRESULT ParseXTemplateText(std::string_view text, const XTemplateLibrary& library, XDocument& document);

} // namespace portable
