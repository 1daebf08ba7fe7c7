// A parsed .x file: its templates and its data objects, with every value in
// one flat array of 32-bit slots.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/portable/xfile_source.h"

struct XGuid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    uint8_t data4[8] = {};

    friend bool operator==(const XGuid& a, const XGuid& b)
    {
        return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3
               && std::memcmp(a.data4, b.data4, sizeof a.data4) == 0;
    }
};

// The type of a template member. Every primitive takes one value slot:
// integers as they are, FLOAT and DOUBLE as 32-bit float bits, strings as an
// index into XDocument::strings.
enum class XType : uint8_t { Word, Dword, Float, Double, Char, Uchar, Sword, Sdword, String, Template };

// What the mesh loader makes of an object, from its template's GUID.
enum class XKind : uint8_t {
    Other,
    Mesh,
    Frame,
    FrameTransformMatrix,
    MeshNormals,
    MeshTextureCoords,
    MeshVertexColors,
    MeshMaterialList,
    Material,
    TextureFilename,
};

struct XDimension {
    bool fixed = true;
    uint32_t value = 0; // the count, or the index of the DWORD member that holds it
};

struct XMember {
    XType type = XType::Dword;
    uint32_t templateIndex = 0; // for XType::Template
    std::string name;
    std::vector<XDimension> dims; // empty for a single value
    bool hasData = true;          // false when the member can hold no value at all
};

struct XTemplate {
    std::string name;
    XGuid guid;
    XKind kind = XKind::Other;
    std::vector<XMember> members;
    // When every member has a fixed size: the primitive types in order.
    bool fixedSize = false;
    std::vector<XType> flatLayout;
    bool hasData = false;
    unsigned depth = 1; // nesting of template members, 1 for primitives only
};

constexpr uint32_t kNoObject = 0xffffffffu;

struct XObject {
    XKind kind = XKind::Other;
    bool isReference = false;
    bool hasGuid = false;
    uint32_t templateIndex = 0;
    std::string_view name; // the object's name, or the name a reference gives
    XGuid guid;
    uint32_t valueBegin = 0;
    uint32_t valueEnd = 0;
    uint32_t firstChild = kNoObject;
    uint32_t nextSibling = kNoObject;
    uint32_t target = kNoObject; // for a reference: the object it names
};

struct XDocument {
    XFileSource source;
    std::vector<XTemplate> declaredTemplates; // the file's own, after the built-in ones
    std::vector<XObject> objects;
    std::vector<uint32_t> values;
    std::vector<std::string_view> strings; // point into the file data or source.inflated
    std::vector<uint32_t> topLevel;
};

inline float SlotFloat(uint32_t slot)
{
    float value;
    std::memcpy(&value, &slot, sizeof value);
    return value;
}

inline uint32_t FloatSlot(float value)
{
    uint32_t slot;
    std::memcpy(&slot, &value, sizeof slot);
    return slot;
}
