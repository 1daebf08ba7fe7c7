// COM reference counting for the layer's objects: the base that counts, and
// the holder of a reference one object keeps to another.
#pragma once

#include <utility>

#include "platform/portable/win32/types.h"

namespace portable {

// An object born with one reference; the last Release deletes it.
template <typename Interface>
struct RefCounted : Interface {
    ULONG references = 1;

    RefCounted() = default;
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;
    virtual ~RefCounted() = default;

    ULONG AddRef() override { return ++references; }
    ULONG Release() override
    {
        const ULONG left = --references;
        if (left == 0) delete this;
        return left;
    }
};

// One reference to a COM object, given back when the holder goes.
template <typename Interface>
class ComRef {
public:
    ComRef() = default;
    // Holds a reference of its own on the object.
    static ComRef Share(Interface* object)
    {
        if (object != nullptr) object->AddRef();
        return ComRef(object);
    }
    // Holds the reference the caller had.
    static ComRef Adopt(Interface* object) { return ComRef(object); }
    ComRef(ComRef&& other) noexcept : held(std::exchange(other.held, nullptr)) {}
    ComRef& operator=(ComRef&& other) noexcept
    {
        std::swap(held, other.held);
        return *this;
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef()
    {
        if (held != nullptr) held->Release();
    }

    Interface* get() const { return held; }
    Interface* operator->() const { return held; }
    Interface& operator*() const { return *held; }
    explicit operator bool() const { return held != nullptr; }
    // Hands the reference to the caller; the holder is empty after.
    Interface* Take() { return std::exchange(held, nullptr); }

private:
    explicit ComRef(Interface* object) : held(object) {}

    Interface* held = nullptr;
};

} // namespace portable
