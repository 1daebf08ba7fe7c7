#include "platform/portable/d3dx/buffer.h"

#include <cstdlib>
#include <memory>
#include <new>

#include "platform/portable/win32/api_guard.h"
#include "platform/portable/win32/com_object.h"

using namespace portable;

namespace portable {

namespace {
struct FreeBlock {
    void operator()(void* block) const { std::free(block); }
};

struct Buffer final : RefCounted<ID3DXBuffer> {
    size_t size = 0;
    // calloc: zeroed, aligned for any record, and a large block costs
    // nothing until it is written.
    std::unique_ptr<void, FreeBlock> storage;
    void (*releaseAction)(uint64_t) noexcept = nullptr;
    uint64_t releaseArgument = 0;

    ~Buffer() override
    {
        if (releaseAction != nullptr) releaseAction(releaseArgument);
    }

    void* GetBufferPointer() override { return storage.get(); }
    DWORD GetBufferSize() override { return static_cast<DWORD>(size); }
};
} // namespace

ID3DXBuffer* CreateBuffer(size_t size)
{
    auto* buffer = new (std::nothrow) Buffer;
    if (buffer == nullptr) return nullptr;
    // A buffer of no bytes still has a pointer, as D3DX's does.
    buffer->storage.reset(std::calloc(size > 0 ? size : 1, 1));
    if (buffer->storage == nullptr) {
        delete buffer;
        return nullptr;
    }
    buffer->size = size;
    return buffer;
}

void SetReleaseAction(ID3DXBuffer* buffer, void (*action)(uint64_t) noexcept, uint64_t argument)
{
    auto* own = static_cast<Buffer*>(buffer);
    own->releaseAction = action;
    own->releaseArgument = argument;
}

} // namespace portable

HRESULT WINAPI D3DXCreateBuffer(DWORD numBytes, ID3DXBuffer** buffer)
{
    return GuardedHresult([&]() -> HRESULT {
        if (buffer == nullptr) return D3DERR_INVALIDCALL;
        ID3DXBuffer* created = CreateBuffer(numBytes);
        if (created == nullptr) return E_OUTOFMEMORY;
        *buffer = created;
        return D3D_OK;
    });
}
