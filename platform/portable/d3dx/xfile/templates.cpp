#include "platform/portable/d3dx/xfile/templates.h"

#include "platform/portable/d3dx/xfile/limits.h"
#include "platform/portable/d3dx/xfile/parser.h"

namespace portable {

namespace {
constexpr size_t kMaxFlatLayout = 256;

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The kinds of object the mesh loader reads, by their built-in template.
struct KindGuid {
    XKind kind;
    XGuid guid;
};

KindGuid KindOf(XKind kind, std::string_view templateName)
{
    return {kind, xformat::FindBuiltinTemplate(templateName)->guid};
}

XTemplateLibrary ParseBuiltins()
{
    XTemplateLibrary library;
    const XTemplateLibrary none;
    XDocument document;
    std::string text;
    for (const xformat::Template& builtin : xformat::BuiltinTemplates()) text += xformat::TemplateText(builtin);
    // The text is ours and known to parse; an empty library would show at once in every test.
    if (FAILED(ParseXTemplateText(text, none, document))) return library;
    library.templates = std::move(document.declaredTemplates);
    for (uint32_t i = 0; i < library.templates.size(); ++i) {
        library.byName.emplace(library.templates[i].name, i);
    }
    return library;
}
} // namespace

size_t XNameHash::operator()(std::string_view name) const
{
    size_t hash = 14695981039346656037ull;
    for (char c : name) hash = (hash ^ static_cast<unsigned char>(LowerAscii(c))) * 1099511628211ull;
    return hash;
}

bool XNameEqual::operator()(std::string_view a, std::string_view b) const { return EqualsIgnoreCase(a, b); }

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

const XTemplateLibrary& BuiltinXTemplates()
{
    static const XTemplateLibrary library = ParseBuiltins();
    return library;
}

uint32_t FindXTemplate(const XTemplateLibrary& library, const std::vector<XTemplate>& declared,
                       std::string_view name)
{
    const auto found = library.byName.find(name);
    if (found != library.byName.end()) return found->second;
    for (uint32_t i = 0; i < declared.size(); ++i) {
        if (EqualsIgnoreCase(declared[i].name, name)) return static_cast<uint32_t>(library.templates.size()) + i;
    }
    return kNoTemplate;
}

const XTemplate& XTemplateAt(const XTemplateLibrary& library, const std::vector<XTemplate>& declared,
                             uint32_t index)
{
    if (index < library.templates.size()) return library.templates[index];
    return declared[index - library.templates.size()];
}

XKind XKindOfGuid(const XGuid& guid)
{
    static const KindGuid kKindGuids[] = {
        KindOf(XKind::Mesh, "Mesh"),
        KindOf(XKind::Frame, "Frame"),
        KindOf(XKind::Material, "Material"),
        KindOf(XKind::MeshTextureCoords, "MeshTextureCoords"),
        KindOf(XKind::FrameTransformMatrix, "FrameTransformMatrix"),
        KindOf(XKind::MeshMaterialList, "MeshMaterialList"),
        KindOf(XKind::MeshNormals, "MeshNormals"),
        KindOf(XKind::MeshVertexColors, "MeshVertexColors"),
        KindOf(XKind::TextureFilename, "TextureFilename"),
    };
    for (const KindGuid& entry : kKindGuids) {
        if (entry.guid == guid) return entry.kind;
    }
    return XKind::Other;
}

namespace {
bool IsIntegerType(XType type)
{
    return type != XType::Float && type != XType::Double && type != XType::String && type != XType::Template;
}

XValueClass FlatClass(const std::vector<XType>& layout)
{
    bool floats = false;
    bool integers = false;
    for (XType type : layout) {
        if (type == XType::Float || type == XType::Double) {
            floats = true;
        } else if (IsIntegerType(type)) {
            integers = true;
        } else {
            return XValueClass::Mixed;
        }
    }
    if (floats == integers) return XValueClass::Mixed; // both, or an empty layout
    return floats ? XValueClass::Floats : XValueClass::Integers;
}
} // namespace

bool CompleteXTemplate(const XTemplateLibrary& library, const std::vector<XTemplate>& declared,
                       XTemplate& declaredTemplate)
{
    declaredTemplate.kind = XKindOfGuid(declaredTemplate.guid);
    declaredTemplate.depth = 1;
    declaredTemplate.hasData = false;
    declaredTemplate.fixedSize = true;
    declaredTemplate.flatLayout.clear();
    for (XMember& member : declaredTemplate.members) {
        const XTemplate* sub = nullptr;
        if (member.type == XType::Template) {
            sub = &XTemplateAt(library, declared, member.templateIndex);
            if (sub->depth + 1 > declaredTemplate.depth) declaredTemplate.depth = sub->depth + 1;
        }
        uint64_t fixedCount = 1;
        bool variable = false;
        for (const XDimension& dim : member.dims) {
            if (dim.fixed) {
                fixedCount *= dim.value;
                if (fixedCount > kMaxFlatLayout) fixedCount = kMaxFlatLayout + 1;
            } else {
                variable = true;
            }
        }
        member.hasData = fixedCount > 0 && (sub == nullptr || sub->hasData);
        if (member.hasData) declaredTemplate.hasData = true;
        if (!member.hasData) continue;
        if (variable || (sub != nullptr && !sub->fixedSize)) {
            declaredTemplate.fixedSize = false;
            continue;
        }
        if (!declaredTemplate.fixedSize) continue;
        for (uint64_t i = 0; i < fixedCount && declaredTemplate.fixedSize; ++i) {
            if (sub == nullptr) {
                declaredTemplate.flatLayout.push_back(member.type);
            } else {
                declaredTemplate.flatLayout.insert(declaredTemplate.flatLayout.end(), sub->flatLayout.begin(),
                                                   sub->flatLayout.end());
            }
            if (declaredTemplate.flatLayout.size() > kMaxFlatLayout) declaredTemplate.fixedSize = false;
        }
    }
    if (!declaredTemplate.fixedSize) declaredTemplate.flatLayout.clear();
    declaredTemplate.flatClass = FlatClass(declaredTemplate.flatLayout);
    const std::vector<XMember>& members = declaredTemplate.members;
    declaredTemplate.countedIntegers = members.size() == 2 && members[0].type == XType::Dword
                                       && members[0].dims.empty() && IsIntegerType(members[1].type)
                                       && members[1].dims.size() == 1 && !members[1].dims[0].fixed
                                       && members[1].dims[0].value == 0;
    return declaredTemplate.depth <= kMaxXTemplateDepth;
}

} // namespace portable
