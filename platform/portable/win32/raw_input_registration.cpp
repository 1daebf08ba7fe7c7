#include "platform/portable/win32/raw_input_registration.h"

#include <SDL.h>

#include "platform/portable/win32/api_guard.h"
#include "platform/portable/win32/window_table.h"

using namespace portable;

namespace portable {

namespace {
// Raw mouse motion is unbounded only while SDL reports relative motion; it
// follows the registration and gives the pointer back when it ends.
void FollowRegistration(const RawMouseRegistration& registration)
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
    SDL_SetRelativeMouseMode(registration.registered ? SDL_TRUE : SDL_FALSE);
}
} // namespace

RawMouseRegistration& ThreadRawMouse()
{
    static RawMouseRegistration registration;
    return registration;
}

} // namespace portable

BOOL WINAPI RegisterRawInputDevices(PCRAWINPUTDEVICE devices, UINT count, UINT size)
{
    return GuardedCall<BOOL>(FALSE, FALSE, [&]() -> BOOL {
        if (devices == nullptr || count == 0 || size != sizeof(RAWINPUTDEVICE)) return FALSE;
        // Check every record before changing anything, as Windows does.
        for (UINT i = 0; i < count; ++i) {
            const RAWINPUTDEVICE& device = devices[i];
            if (device.usUsagePage != HID_USAGE_PAGE_GENERIC || device.usUsage != HID_USAGE_GENERIC_MOUSE) return FALSE;
            if (device.dwFlags & RIDEV_REMOVE) {
                if (device.hwndTarget != nullptr) return FALSE;
            } else {
                if ((device.dwFlags & RIDEV_INPUTSINK) && device.hwndTarget == nullptr) return FALSE;
                if (device.hwndTarget != nullptr && FindWindowRecord(device.hwndTarget) == nullptr) return FALSE;
            }
        }
        RawMouseRegistration& registration = ThreadRawMouse();
        for (UINT i = 0; i < count; ++i) {
            const RAWINPUTDEVICE& device = devices[i];
            if (device.dwFlags & RIDEV_REMOVE) {
                registration = RawMouseRegistration{};
            } else {
                registration.registered = true;
                registration.flags = device.dwFlags;
                registration.target = device.hwndTarget;
            }
        }
        FollowRegistration(registration);
        return TRUE;
    });
}
