// Program entry on the portable build: main hands over to WinMain.
#include "platform/portable/win32/api.h"
#include "platform/portable/win32/signals.h"

namespace {
int g_moduleAnchor = 0;
}

int main()
{
    portable::HandleTerminationSignals();
    HINSTANCE module = reinterpret_cast<HINSTANCE>(&g_moduleAnchor);
    return WinMain(module, nullptr, const_cast<LPSTR>(""), SW_SHOWNORMAL);
}
