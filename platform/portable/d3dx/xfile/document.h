// A parsed .x file: its templates and its data objects, with every value in
// one flat array of 32-bit slots.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "platform/portable/d3dx/xfile/format.h"
#include "platform/portable/d3dx/xfile/huge_pages.h"
#include "platform/portable/d3dx/xfile/limits.h"
#include "platform/portable/d3dx/xfile/source.h"

namespace portable {

using XGuid = xformat::Guid;

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

enum class XValueClass : uint8_t { Floats, Integers, Mixed };

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
    // What the flat layout holds: only floats, only integers, or a mix.
    XValueClass flatClass = XValueClass::Mixed;
    // A DWORD count followed by an array of that many integers (as MeshFace).
    bool countedIntegers = false;
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

// A growable array of value slots. Slots it adds are left uninitialised, to
// be written at once by the parser; growth reallocates in place where it can.
// It holds at most kMaxXValues slots: past them, Extend gives null.
struct XValueStore {
    uint32_t* slots = nullptr;
    size_t count = 0;
    size_t capacity = 0;

    XValueStore() = default;
    XValueStore(const XValueStore&) = delete;
    XValueStore& operator=(const XValueStore&) = delete;
    XValueStore(XValueStore&& other) noexcept : slots(other.slots), count(other.count), capacity(other.capacity)
    {
        other.slots = nullptr;
        other.count = other.capacity = 0;
    }
    XValueStore& operator=(XValueStore&& other) noexcept
    {
        if (this != &other) {
            std::free(slots);
            slots = other.slots;
            count = other.count;
            capacity = other.capacity;
            other.slots = nullptr;
            other.count = other.capacity = 0;
        }
        return *this;
    }
    ~XValueStore() { std::free(slots); }

    const uint32_t* data() const { return slots; }
    size_t size() const { return count; }
    uint32_t operator[](size_t i) const { return slots[i]; }
    const uint32_t* begin() const { return slots; }
    const uint32_t* end() const { return slots + count; }

    void Reserve(size_t wanted)
    {
        if (wanted <= capacity) return;
        void* grown = std::realloc(slots, wanted * sizeof(uint32_t));
        if (grown == nullptr) throw std::bad_alloc();
        slots = static_cast<uint32_t*>(grown);
        capacity = wanted;
        AdviseHugePages(slots, capacity * sizeof(uint32_t));
    }
    // `n` new slots at the end, uninitialised; null past the limit.
    [[nodiscard]] uint32_t* Extend(size_t n)
    {
        if (capacity - count < n) {
            if (n > kMaxXValues - count) return nullptr;
            const size_t doubled = 2 * capacity < kMaxXValues ? 2 * capacity : kMaxXValues;
            Reserve(count + n > doubled ? count + n : doubled);
        }
        uint32_t* added = slots + count;
        count += n;
        return added;
    }
    [[nodiscard]] bool push_back(uint32_t slot)
    {
        uint32_t* place = Extend(1);
        if (place == nullptr) return false;
        *place = slot;
        return true;
    }
};

struct XDocument {
    XFileSource source;
    std::vector<XTemplate> declaredTemplates; // the file's own, after the built-in ones
    std::vector<XObject> objects;
    XValueStore values;
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

} // namespace portable
