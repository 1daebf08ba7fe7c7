#include "platform/portable/win32/raw_input.h"

#include <cstring>

using namespace portable;

namespace portable {

namespace {
constexpr uint64_t kHandleBase = 0x10000;
constexpr size_t kMaxRecords = 1u << 16;

uint64_t IdOf(HRAWINPUT handle)
{
    const auto value = reinterpret_cast<uintptr_t>(handle);
    return value < kHandleBase ? 0 : value - kHandleBase;
}
} // namespace

RawInputStore& ThreadRawInput()
{
    static RawInputStore store;
    return store;
}

HRAWINPUT StoreRawInput(RawInputStore& store, const RAWINPUT& record)
{
    const uint64_t id = store.nextId++;
    store.records[id] = record;
    if (store.records.size() > kMaxRecords) store.records.erase(id - kMaxRecords);
    return reinterpret_cast<HRAWINPUT>(static_cast<uintptr_t>(kHandleBase + id));
}

void ReleaseRawInput(RawInputStore& store, HRAWINPUT handle) { store.records.erase(IdOf(handle)); }

UINT ReadRawInput(const RawInputStore& store, HRAWINPUT handle, UINT command, void* data, UINT* size, UINT headerSize)
{
    constexpr UINT kFailed = static_cast<UINT>(-1);
    if (size == nullptr || headerSize != sizeof(RAWINPUTHEADER)) return kFailed;
    if (command != RID_INPUT && command != RID_HEADER) return kFailed;
    const auto found = store.records.find(IdOf(handle));
    if (found == store.records.end()) return kFailed;
    const RAWINPUT& record = found->second;
    const UINT needed = command == RID_INPUT ? record.header.dwSize : static_cast<UINT>(sizeof(RAWINPUTHEADER));
    if (data == nullptr) {
        *size = needed;
        return 0;
    }
    if (*size < needed) return kFailed;
    std::memcpy(data, &record, needed);
    return needed;
}

RAWINPUT RawMouseMotion(LONG dx, LONG dy, USHORT buttonFlags, USHORT buttonData, WPARAM inputCode)
{
    RAWINPUT record{};
    record.header.dwType = RIM_TYPEMOUSE;
    record.header.dwSize = static_cast<DWORD>(sizeof(RAWINPUTHEADER) + sizeof(RAWMOUSE));
    record.header.hDevice = nullptr;
    record.header.wParam = inputCode;
    record.data.mouse.usFlags = MOUSE_MOVE_RELATIVE;
    record.data.mouse.usButtonFlags = buttonFlags;
    record.data.mouse.usButtonData = buttonData;
    record.data.mouse.lLastX = dx;
    record.data.mouse.lLastY = dy;
    return record;
}

} // namespace portable

UINT WINAPI GetRawInputData(HRAWINPUT rawInput, UINT command, LPVOID data, PUINT size, UINT headerSize)
{
    return ReadRawInput(ThreadRawInput(), rawInput, command, data, size, headerSize);
}
