// Program entry on the portable build: main hands over to WinMain. It stands
// above every folder of the layer, as the program does.
#include "platform/portable/d3dx/font/face.h"
#include "platform/portable/win32/api.h"
#include "platform/portable/win32/signals.h"
#include "platform/portable/win32/video.h"

namespace {
int g_moduleAnchor = 0;
}

int main()
{
    portable::HandleTerminationSignals();
    // Fontconfig loads while the window and the device are made; SDL's video
    // starts first (its start forks).
    if (portable::InitVideo()) portable::StartFontConfigLoad();
    HINSTANCE module = reinterpret_cast<HINSTANCE>(&g_moduleAnchor);
    return WinMain(module, nullptr, const_cast<LPSTR>(""), SW_SHOWNORMAL);
}
