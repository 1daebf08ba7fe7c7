#include "platform/portable/d3dx/xfile/parser.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <unordered_map>
#include <utility>

#include "platform/portable/d3dx/xfile/tokenizer.h"

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

uint32_t FindXTemplate(const XTemplateLibrary& library, const std::vector<XTemplate>& declared, std::string_view name)
{
    const auto found = library.byName.find(name);
    if (found != library.byName.end()) return found->second;
    for (uint32_t i = 0; i < declared.size(); ++i) {
        if (EqualsIgnoreCase(declared[i].name, name)) return static_cast<uint32_t>(library.templates.size()) + i;
    }
    return kNoTemplate;
}

const XTemplate& XTemplateAt(const XTemplateLibrary& library, const std::vector<XTemplate>& declared, uint32_t index)
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
    declaredTemplate.countedIntegers = members.size() == 2 && members[0].type == XType::Dword && members[0].dims.empty()
        && IsIntegerType(members[1].type) && members[1].dims.size() == 1 && !members[1].dims[0].fixed
        && members[1].dims[0].value == 0;
    return declaredTemplate.depth <= kMaxXTemplateDepth;
}

namespace {

bool IsKeyword(const XToken& token, XTok binaryKind, std::string_view word)
{
    return token.kind == binaryKind || (token.kind == XTok::Name && EqualsIgnoreCase(token.text, word));
}

// The primitive type a token names, if it names one.
bool PrimitiveType(const XToken& token, XType& type)
{
    const XTok kind = token.kind == XTok::Name ? BareTokenKind(xformat::KeywordToken(token.text)) : token.kind;
    switch (kind) {
    case XTok::TypeWord: type = XType::Word; return true;
    case XTok::TypeDword: type = XType::Dword; return true;
    case XTok::TypeFloat: type = XType::Float; return true;
    case XTok::TypeDouble: type = XType::Double; return true;
    case XTok::TypeChar: type = XType::Char; return true;
    case XTok::TypeUchar: type = XType::Uchar; return true;
    case XTok::TypeSword: type = XType::Sword; return true;
    case XTok::TypeSdword: type = XType::Sdword; return true;
    case XTok::TypeString:
    case XTok::TypeUnicode:
    case XTok::TypeCstring: type = XType::String; return true;
    default: return false;
    }
}

struct GuidHash {
    size_t operator()(const XGuid& guid) const
    {
        uint64_t tail;
        std::memcpy(&tail, guid.data4, sizeof tail);
        return KeyedHash(KeyedHash(tail) ^ (static_cast<uint64_t>(guid.data1) << 32)
                         ^ (static_cast<uint64_t>(guid.data2) << 16) ^ guid.data3);
    }
};

template <class Reader>
struct XParser {
    XParser(Reader fileReader, const XTemplateLibrary& templates, XDocument& into)
        : reader(std::move(fileReader)), library(templates), document(into)
    {}

    Reader reader;
    const XTemplateLibrary& library;
    XDocument& document;
    HRESULT failure = D3DXFERR_PARSEERROR;
    std::vector<uint32_t> memberStarts; // a stack: the first slot of each member being parsed
    // The file's own templates by name; the keys view the file's text.
    std::unordered_map<std::string_view, uint32_t, XNameHash, XNameEqual> declaredByName;

    uint32_t Find(std::string_view name) const
    {
        const auto builtin = library.byName.find(name);
        if (builtin != library.byName.end()) return builtin->second;
        const auto declared = declaredByName.find(name);
        return declared != declaredByName.end() ? declared->second : kNoTemplate;
    }

    bool Fail(HRESULT code = D3DXFERR_PARSEERROR)
    {
        failure = code;
        return false;
    }

    const XTemplate& TemplateAt(uint32_t index) const
    {
        return XTemplateAt(library, document.declaredTemplates, index);
    }

    HRESULT ParseAll(bool templatesOnly)
    {
        for (;;) {
            const XToken token = reader.Next();
            if (token.kind == XTok::End) break;
            if (IsKeyword(token, XTok::Template, "template")) {
                if (!ParseTemplate()) return failure;
            } else if (token.kind == XTok::Name && !templatesOnly) {
                uint32_t index = kNoObject;
                if (!ParseDataObject(token.text, 0, index)) return failure;
                if (index != kNoObject) document.topLevel.push_back(index);
            } else {
                return D3DXFERR_PARSEERROR;
            }
        }
        return ResolveReferences() ? S_OK : failure;
    }

    bool ParseTemplate()
    {
        XTemplate declared;
        XToken token = reader.Next();
        if (token.kind != XTok::Name) return Fail();
        const std::string_view name = token.text;
        declared.name = std::string(name);
        if (reader.Next().kind != XTok::OBrace) return Fail();
        token = reader.Next();
        if (token.kind != XTok::Guid) return Fail();
        declared.guid = token.guid;
        // The members so far by name (the first of a name), for array sizes.
        std::unordered_map<std::string_view, uint32_t, KeyedTextHash> memberIndex;

        for (;;) {
            token = reader.Peek();
            const bool isArray = IsKeyword(token, XTok::Array, "array");
            if (isArray) {
                reader.Next();
                token = reader.Peek();
            }
            XMember member;
            if (!PrimitiveType(token, member.type)) {
                if (token.kind != XTok::Name) {
                    if (isArray) return Fail();
                    break;
                }
                member.type = XType::Template;
                member.templateIndex = Find(token.text);
                if (member.templateIndex == kNoTemplate) return Fail();
            }
            reader.Next();
            token = reader.Next();
            if (token.kind != XTok::Name) return Fail();
            const std::string_view memberName = token.text;
            member.name = std::string(memberName);
            if (isArray) {
                while (reader.Peek().kind == XTok::OBracket) {
                    reader.Next();
                    token = reader.Next();
                    XDimension dim;
                    if (token.kind == XTok::Integer) {
                        dim.fixed = true;
                        dim.value = token.integer;
                    } else if (token.kind == XTok::Name) {
                        dim.fixed = false;
                        if (!FindSizeMember(declared, memberIndex, token.text, dim.value)) return Fail();
                    } else {
                        return Fail();
                    }
                    if (reader.Next().kind != XTok::CBracket) return Fail();
                    member.dims.push_back(dim);
                }
                if (member.dims.empty()) return Fail();
            }
            if (reader.Next().kind != XTok::Semicolon) return Fail();
            if (declared.members.size() >= kMaxXTemplateMembers) return Fail();
            declared.members.push_back(std::move(member));
            memberIndex.emplace(memberName, static_cast<uint32_t>(declared.members.size() - 1));
        }

        if (reader.Peek().kind == XTok::OBracket) {
            reader.Next();
            if (!SkipRestrictions()) return false;
        }
        if (reader.Next().kind != XTok::CBrace) return Fail();
        if (!CompleteXTemplate(library, document.declaredTemplates, declared)) return Fail();
        // The first declaration of a name stands; repeats of it are ignored.
        if (Find(name) == kNoTemplate) {
            if (document.declaredTemplates.size() >= kMaxXTemplates) return Fail(E_FAIL);
            declaredByName.emplace(name,
                                   static_cast<uint32_t>(library.templates.size() + document.declaredTemplates.size()));
            document.declaredTemplates.push_back(std::move(declared));
        }
        return true;
    }

    bool FindSizeMember(const XTemplate& declared,
                        const std::unordered_map<std::string_view, uint32_t, KeyedTextHash>& memberIndex,
                        std::string_view name, uint32_t& index)
    {
        const auto found = memberIndex.find(name);
        if (found == memberIndex.end()) return false;
        const XMember& member = declared.members[found->second];
        if (member.type != XType::Dword || !member.dims.empty()) return false;
        index = found->second;
        return true;
    }

    // "[ ... ]" or "[ Name <guid>, Name ... ]", after the opening bracket.
    bool SkipRestrictions()
    {
        XToken token = reader.Next();
        if (token.kind == XTok::Dot) {
            if (reader.Next().kind != XTok::Dot || reader.Next().kind != XTok::Dot) return Fail();
            return reader.Next().kind == XTok::CBracket || Fail();
        }
        for (;;) {
            if (token.kind != XTok::Name) return Fail();
            token = reader.Next();
            if (token.kind == XTok::Guid) token = reader.Next();
            if (token.kind == XTok::CBracket) return true;
            if (token.kind != XTok::Comma) return Fail();
            token = reader.Next();
        }
    }

    bool ParseValue(XType type)
    {
        uint32_t slot = 0;
        switch (type) {
        case XType::Float:
        case XType::Double: {
            float value = 0.0f;
            if (!reader.ReadFloat(value)) return Fail();
            slot = FloatSlot(value);
            break;
        }
        case XType::String: {
            std::string_view text;
            if (!reader.ReadString(text)) return Fail();
            if (document.strings.size() >= kMaxXStrings) return Fail(E_FAIL);
            slot = static_cast<uint32_t>(document.strings.size());
            document.strings.push_back(text);
            break;
        }
        case XType::Template: return Fail();
        default:
            if (!reader.ReadUInt(slot)) return Fail();
            break;
        }
        return document.values.push_back(slot) || Fail(E_FAIL);
    }

    // `count` values of a primitive type, read in one run where the type allows.
    bool ParsePrimitives(XType type, uint64_t count)
    {
        if (type == XType::String) {
            for (uint64_t k = 0; k < count; ++k) {
                if (!ParseValue(type)) return false;
            }
            return true;
        }
        // Room only for what the rest of the file can hold: reading more fails anyway.
        if (count > reader.MaxValues()) return Fail();
        uint32_t* out = document.values.Extend(static_cast<size_t>(count));
        if (out == nullptr) return Fail(E_FAIL);
        const bool read = type == XType::Float || type == XType::Double ? reader.ReadFloats(out, count)
                                                                        : reader.ReadUInts(out, count);
        return read || Fail();
    }

    // `count` elements of template `sub`.
    bool ParseElements(const XTemplate& sub, uint64_t count)
    {
        // Elements of one value kind are one run of values: separators between
        // the values of an element and between elements read alike.
        if (sub.fixedSize && sub.flatClass != XValueClass::Mixed
            && count * sub.flatLayout.size() <= reader.Remaining()) {
            return ParsePrimitives(sub.flatClass == XValueClass::Floats ? XType::Float : XType::Dword,
                                   count * sub.flatLayout.size());
        }
        if (sub.countedIntegers) {
            for (uint64_t k = 0; k < count; ++k) {
                uint32_t size = 0;
                if (!reader.ReadUInt(size)) return Fail();
                if (size > reader.Remaining()) return Fail(D3DXFERR_BADARRAYSIZE);
                if (size > reader.MaxValues()) return Fail();
                uint32_t* out = document.values.Extend(size + size_t{1});
                if (out == nullptr) return Fail(E_FAIL);
                out[0] = size;
                if (!reader.ReadUInts(out + 1, size)) return Fail();
            }
            return true;
        }
        for (uint64_t k = 0; k < count; ++k) {
            if (!ParseMembers(sub)) return false;
        }
        return true;
    }

    bool ParseMembers(const XTemplate& layout)
    {
        if (layout.fixedSize) {
            for (XType type : layout.flatLayout) {
                if (!ParseValue(type)) return false;
            }
            return true;
        }
        const size_t base = memberStarts.size();
        memberStarts.resize(base + layout.members.size());
        for (size_t i = 0; i < layout.members.size(); ++i) {
            const XMember& member = layout.members[i];
            memberStarts[base + i] = static_cast<uint32_t>(document.values.size());
            if (!member.hasData) continue;
            uint64_t count = 1;
            for (const XDimension& dim : member.dims) {
                const uint64_t size = dim.fixed ? dim.value : document.values[memberStarts[base + dim.value]];
                count *= size;
                // Every element takes at least one byte of input.
                if (count > reader.Remaining()) return Fail(D3DXFERR_BADARRAYSIZE);
            }
            if (member.type == XType::Template) {
                if (!ParseElements(TemplateAt(member.templateIndex), count)) return false;
            } else if (!ParsePrimitives(member.type, count)) {
                return false;
            }
        }
        memberStarts.resize(base);
        return true;
    }

    // A new object's index; kNoObject past the limit.
    uint32_t NewObject()
    {
        if (document.objects.size() >= kMaxXObjects) return kNoObject;
        document.objects.emplace_back();
        return static_cast<uint32_t>(document.objects.size() - 1);
    }

    // Parses one data object whose template name has been read. `index` is
    // kNoObject for an object of an unknown template, which is skipped.
    bool ParseDataObject(std::string_view templateName, unsigned depth, uint32_t& index)
    {
        index = kNoObject;
        if (depth >= kMaxXObjectDepth) return Fail();
        const uint32_t templateIndex = Find(templateName);
        XToken token = reader.Next();
        std::string_view name;
        if (token.kind == XTok::Name) {
            name = token.text;
            token = reader.Next();
        }
        if (token.kind != XTok::OBrace) return Fail();
        XGuid guid;
        bool hasGuid = false;
        if (reader.Peek().kind == XTok::Guid) {
            guid = reader.Next().guid;
            hasGuid = true;
        }
        if (templateIndex == kNoTemplate) return reader.SkipObjectBody() || Fail();

        const XTemplate& layout = TemplateAt(templateIndex);
        const uint32_t self = NewObject();
        if (self == kNoObject) return Fail(E_FAIL);
        {
            XObject& object = document.objects[self];
            object.kind = layout.kind;
            object.templateIndex = templateIndex;
            object.name = name;
            object.guid = guid;
            object.hasGuid = hasGuid;
            object.valueBegin = static_cast<uint32_t>(document.values.size());
        }
        if (!ParseMembers(layout)) return false;
        if (!reader.EndMembers()) return Fail();
        document.objects[self].valueEnd = static_cast<uint32_t>(document.values.size());

        uint32_t lastChild = kNoObject;
        for (;;) {
            token = reader.Next();
            uint32_t child = kNoObject;
            if (token.kind == XTok::CBrace) break;
            if (token.kind == XTok::Comma || token.kind == XTok::Semicolon) {
                if (!reader.kSeparatorsAmongChildren) return Fail();
                continue;
            }
            if (token.kind == XTok::OBrace) {
                if (!ParseReference(child)) return false;
            } else if (token.kind == XTok::Name) {
                if (!ParseDataObject(token.text, depth + 1, child)) return false;
            } else {
                return Fail();
            }
            if (child == kNoObject) continue;
            if (lastChild == kNoObject) {
                document.objects[self].firstChild = child;
            } else {
                document.objects[lastChild].nextSibling = child;
            }
            lastChild = child;
        }
        index = self;
        return true;
    }

    // "{ name }", "{ name <guid> }" or "{ <guid> }", after the opening brace.
    bool ParseReference(uint32_t& index)
    {
        XToken token = reader.Next();
        const uint32_t self = NewObject();
        if (self == kNoObject) return Fail(E_FAIL);
        XObject& reference = document.objects[self];
        reference.isReference = true;
        if (token.kind == XTok::Name) {
            reference.name = token.text;
            token = reader.Next();
        }
        if (token.kind == XTok::Guid) {
            reference.guid = token.guid;
            reference.hasGuid = true;
            token = reader.Next();
        }
        if (token.kind != XTok::CBrace || (reference.name.empty() && !reference.hasGuid)) return Fail();
        index = self;
        return true;
    }

    // Points every reference at the first object with its name (or, without
    // a name, its GUID).
    bool ResolveReferences()
    {
        bool any = false;
        for (const XObject& object : document.objects) any = any || object.isReference;
        if (!any) return true;
        std::unordered_map<std::string_view, uint32_t, KeyedTextHash> byName;
        std::unordered_map<XGuid, uint32_t, GuidHash> byGuid;
        for (uint32_t i = 0; i < document.objects.size(); ++i) {
            const XObject& object = document.objects[i];
            if (object.isReference) continue;
            if (!object.name.empty()) byName.emplace(object.name, i);
            if (object.hasGuid) byGuid.emplace(object.guid, i);
        }
        for (XObject& reference : document.objects) {
            if (!reference.isReference) continue;
            if (!reference.name.empty()) {
                const auto found = byName.find(reference.name);
                if (found != byName.end()) reference.target = found->second;
            } else {
                const auto found = byGuid.find(reference.guid);
                if (found != byGuid.end()) reference.target = found->second;
            }
            if (reference.target == kNoObject) return Fail(D3DXFERR_BADDATAREFERENCE);
            reference.kind = document.objects[reference.target].kind;
        }
        return true;
    }
};

} // namespace

HRESULT ParseXFile(const char* data, size_t size, XDocument& document)
{
    document = XDocument{};
    const HRESULT opened = OpenXFileSource(data, size, document.source);
    if (FAILED(opened)) return opened;
    const XFileSource& source = document.source;
    // Room for the values a typical file of this size holds (about four bytes
    // a value in binary, seven or more in text); the store grows past it if needed.
    document.values.Reserve(std::min(kMaxXValues, source.bodySize / (source.binary ? 4 : 7) + 16));
    if (source.binary) {
        XParser<XBinaryReader> parser(XBinaryReader(source.body, source.bodySize, source.floatBits),
                                      BuiltinXTemplates(), document);
        return parser.ParseAll(false);
    }
    XParser<XTextReader> parser(XTextReader(source.body, source.bodySize), BuiltinXTemplates(), document);
    return parser.ParseAll(false);
}

HRESULT ParseXTemplateText(std::string_view text, const XTemplateLibrary& library, XDocument& document)
{
    XParser<XTextReader> parser(XTextReader(text.data(), text.size()), library, document);
    return parser.ParseAll(true);
}

} // namespace portable
