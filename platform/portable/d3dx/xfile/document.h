// A parsed .x file: its templates and its data objects, with every value in
// one flat array of 32-bit slots; the cursor that reads an object's values;
// and the storage beneath: huge pages for large blocks, hashes keyed against
// hostile files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "platform/portable/d3dx/xfile/format.h"
#include "platform/portable/d3dx/xfile/limits.h"
#include "platform/portable/d3dx/xfile/source.h"

namespace portable {

// Large blocks that are about to be filled: asking the kernel for huge pages
// behind them before they are first touched turns hundreds of page faults per
// megabyte into one fault per 2 MB. Advice only; nothing changes for blocks
// below a few megabytes or where the kernel does not take it.
void AdviseHugePages(void* block, size_t bytes);

// Reserves room for at least `count` elements, growing geometrically (up to
// `most`) so that repeated calls stay linear, and advises huge pages for it.
template <class T, class Allocator>
void ReserveHuge(std::vector<T, Allocator>& vector, size_t count, size_t most = SIZE_MAX)
{
    if (count <= vector.capacity()) return;
    const size_t doubled = vector.capacity() < most / 2 ? 2 * vector.capacity() : most;
    vector.reserve(count > doubled ? count : doubled);
    AdviseHugePages(vector.data(), vector.capacity() * sizeof(T));
}

// Hashes for tables keyed by what a file says (names, GUIDs, positions,
// indices). Keyed with a number drawn once per process, so that a file cannot
// pick keys that all fall in one bucket and make each look-up walk them all.
// The process's key: random, drawn at first use.
uint64_t HashKey();

// The key folded into a 64-bit value and mixed to every bit.
inline size_t KeyedHash(uint64_t value)
{
    uint64_t h = value ^ HashKey();
    h = (h ^ (h >> 33)) * 0xff51afd7ed558ccdull;
    h = (h ^ (h >> 33)) * 0xc4ceb9fe1a85ec53ull;
    return static_cast<size_t>(h ^ (h >> 33));
}

// Bytes eight at a time, each step's state mixed into the next.
inline size_t KeyedHash(std::string_view bytes)
{
    uint64_t state = bytes.size();
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        state = KeyedHash(state ^ word);
    }
    uint64_t last = 0;
    if (i < bytes.size()) std::memcpy(&last, bytes.data() + i, bytes.size() - i);
    return KeyedHash(state ^ last ^ (uint64_t{0x80} << 56));
}

struct KeyedIntegerHash {
    size_t operator()(uint64_t value) const { return KeyedHash(value); }
};

struct KeyedTextHash {
    size_t operator()(std::string_view text) const { return KeyedHash(text); }
};

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

// Reads the value slots of one object, never past its end.
struct ValueCursor {
    const uint32_t* p;
    const uint32_t* end;
    bool ok = true;

    ValueCursor(const XDocument& document, const XObject& object)
        : p(document.values.data() + object.valueBegin), end(document.values.data() + object.valueEnd)
    {}
    size_t Left() const { return static_cast<size_t>(end - p); }
    bool Has(uint64_t count) const { return count <= Left(); }
    uint32_t U()
    {
        if (p >= end) {
            ok = false;
            return 0;
        }
        return *p++;
    }
    float F() { return SlotFloat(U()); }
};

// The object itself, or the one a reference names.
inline const XObject& Resolved(const XDocument& document, uint32_t index)
{
    const XObject& object = document.objects[index];
    return object.isReference ? document.objects[object.target] : object;
}

inline uint32_t ResolvedIndex(const XDocument& document, uint32_t index)
{
    const XObject& object = document.objects[index];
    return object.isReference ? object.target : index;
}

} // namespace portable
