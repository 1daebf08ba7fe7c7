// Raw mouse input: the records behind HRAWINPUT handles.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "platform/portable/win32/api.h"

namespace portable {

// Records live from the WM_INPUT message that carries their handle until the
// retrieval call after the one that returned that message.
struct RawInputStore {
    std::unordered_map<uint64_t, RAWINPUT> records;
    uint64_t nextId = 1;
};

RawInputStore& ThreadRawInput();

// Keeps a record and returns its handle. The oldest records are dropped when
// far more are kept than any program reads before retrieving its next message.
HRAWINPUT StoreRawInput(RawInputStore& store, const RAWINPUT& record);
void ReleaseRawInput(RawInputStore& store, HRAWINPUT handle);

// GetRawInputData on a given store.
UINT ReadRawInput(const RawInputStore& store, HRAWINPUT handle, UINT command, void* data, UINT* size, UINT headerSize);

// A relative mouse record as WM_INPUT carries it.
RAWINPUT RawMouseMotion(LONG dx, LONG dy, USHORT buttonFlags, USHORT buttonData, WPARAM inputCode);

// Raw input button flags and WM_INPUT codes.
constexpr USHORT kRawLeftDown = 0x0001;
constexpr USHORT kRawLeftUp = 0x0002;
constexpr USHORT kRawRightDown = 0x0004;
constexpr USHORT kRawRightUp = 0x0008;
constexpr USHORT kRawMiddleDown = 0x0010;
constexpr USHORT kRawMiddleUp = 0x0020;
constexpr USHORT kRawButton4Down = 0x0040;
constexpr USHORT kRawButton4Up = 0x0080;
constexpr USHORT kRawButton5Down = 0x0100;
constexpr USHORT kRawButton5Up = 0x0200;
constexpr USHORT kRawWheel = 0x0400;
constexpr USHORT kRawHorizontalWheel = 0x0800;
constexpr WPARAM kRawInputForeground = 0;
constexpr WPARAM kRawInputBackground = 1;

} // namespace portable
