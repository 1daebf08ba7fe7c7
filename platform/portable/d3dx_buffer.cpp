#include "platform/portable/d3dx_buffer.h"

#include <memory>
#include <new>

namespace {
struct PortableBuffer final : ID3DXBuffer {
    ULONG references = 1;
    size_t size = 0;
    // 16-byte units keep records with pointers aligned.
    std::unique_ptr<std::max_align_t[]> storage;

    ULONG AddRef() override { return ++references; }
    ULONG Release() override
    {
        const ULONG left = --references;
        if (left == 0) delete this;
        return left;
    }
    void* GetBufferPointer() override { return storage.get(); }
    DWORD GetBufferSize() override { return static_cast<DWORD>(size); }
};
} // namespace

ID3DXBuffer* CreatePortableBuffer(size_t size)
{
    auto* buffer = new (std::nothrow) PortableBuffer;
    if (buffer == nullptr) return nullptr;
    const size_t units = (size + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t);
    buffer->storage.reset(new (std::nothrow) std::max_align_t[units > 0 ? units : 1]());
    if (buffer->storage == nullptr) {
        delete buffer;
        return nullptr;
    }
    buffer->size = size;
    return buffer;
}
