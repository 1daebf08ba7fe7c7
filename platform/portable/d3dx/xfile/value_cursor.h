// Reading the values of a parsed object, and following references.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/portable/d3dx/xfile/document.h"

namespace portable {

// Reads the value slots of one object, never past its end.
struct ValueCursor {
    const uint32_t* p;
    const uint32_t* end;
    bool ok = true;

    ValueCursor(const XDocument& document, const XObject& object)
        : p(document.values.data() + object.valueBegin), end(document.values.data() + object.valueEnd)
    {
    }
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
