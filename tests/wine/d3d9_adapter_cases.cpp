#include "tests/wine/d3d9_adapter_cases.h"

#include <cstdio>

#include "platform/platform.h"

namespace {
std::string Result(HRESULT result)
{
    if (result == D3D_OK) return "D3D_OK";
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08lx", static_cast<unsigned long>(static_cast<uint32_t>(result)));
    return hex;
}

// Mode counts differ between displays: only none, one or more.
std::string CountClass(UINT count) { return count == 0 ? "none" : count == 1 ? "one" : "several"; }
} // namespace

std::vector<std::pair<std::string, std::string>> ComputeAdapterCases()
{
    std::vector<std::pair<std::string, std::string>> cases;
    for (UINT version : {0u, 31u}) {
        IDirect3D9* other = Direct3DCreate9(version);
        cases.emplace_back("Direct3DCreate9(" + std::to_string(version) + ")", other != nullptr ? "object" : "null");
        if (other != nullptr) other->Release();
    }
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    cases.emplace_back("Direct3DCreate9", d3d != nullptr ? "object" : "null");
    if (d3d == nullptr) return cases;

    const struct {
        const char* name;
        D3DFORMAT format;
    } formats[] = {{"X8R8G8B8", D3DFMT_X8R8G8B8},
                   {"A8R8G8B8", D3DFMT_A8R8G8B8},
                   {"UNKNOWN", D3DFMT_UNKNOWN},
                   {"D16", D3DFMT_D16},
                   {"DXT1", D3DFMT_DXT1}};
    const UINT adapters[] = {0, 1, 7, 0xffffffffu};
    for (const auto& format : formats) {
        for (UINT adapter : adapters) {
            std::string call = "(";
            call += std::to_string(adapter);
            call += ", ";
            call += format.name;
            const UINT count = d3d->GetAdapterModeCount(adapter, format.format);
            cases.emplace_back("GetAdapterModeCount" + call + ")", CountClass(count));
            D3DDISPLAYMODE mode{};
            cases.emplace_back("EnumAdapterModes" + call + ", 0)",
                               Result(d3d->EnumAdapterModes(adapter, format.format, 0, &mode)));
        }
    }
    const UINT count = d3d->GetAdapterModeCount(0, D3DFMT_X8R8G8B8);
    const struct {
        const char* name;
        UINT index;
    } indices[] = {{"last", count - 1}, {"count", count}, {"count + 1", count + 1}, {"0xffffffff", 0xffffffffu}};
    for (const auto& index : indices) {
        D3DDISPLAYMODE mode{};
        const HRESULT result = d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, index.index, &mode);
        std::string answer = Result(result);
        if (result == D3D_OK) answer += mode.Format == D3DFMT_X8R8G8B8 && mode.Width > 0 ? ", X8R8G8B8" : ", odd mode";
        cases.emplace_back(std::string("EnumAdapterModes(0, X8R8G8B8, ") + index.name + ")", answer);
    }

    // Devices that cannot be made: no window, an adapter or device type that
    // is not there, vertex processing not given once. (Wine's Direct3D
    // crashes on null present parameters or device pointers.)
    D3DPRESENT_PARAMETERS windowed{};
    windowed.Windowed = TRUE;
    windowed.SwapEffect = D3DSWAPEFFECT_DISCARD;
    windowed.BackBufferFormat = D3DFMT_UNKNOWN;
    D3DPRESENT_PARAMETERS fullscreen = windowed;
    fullscreen.Windowed = FALSE;
    fullscreen.BackBufferWidth = 640;
    fullscreen.BackBufferHeight = 480;
    fullscreen.BackBufferFormat = D3DFMT_X8R8G8B8;
    const DWORD hardware = D3DCREATE_HARDWARE_VERTEXPROCESSING;
    const struct {
        const char* name;
        UINT adapter;
        D3DDEVTYPE type;
        DWORD flags;
        D3DPRESENT_PARAMETERS* parameters;
    } devices[] = {
        {"adapter 7", 7, D3DDEVTYPE_HAL, hardware, &windowed},
        {"device type 99", 0, static_cast<D3DDEVTYPE>(99), hardware, &windowed},
        {"no vertex processing", 0, D3DDEVTYPE_HAL, 0, &windowed},
        {"two kinds of vertex processing", 0, D3DDEVTYPE_HAL, hardware | D3DCREATE_SOFTWARE_VERTEXPROCESSING,
         &windowed},
        {"full screen without a window", 0, D3DDEVTYPE_HAL, hardware, &fullscreen},
    };
    for (const auto& device : devices) {
        IDirect3DDevice9* made = nullptr;
        const HRESULT result =
            d3d->CreateDevice(device.adapter, device.type, nullptr, device.flags, device.parameters, &made);
        cases.emplace_back(std::string("CreateDevice: ") + device.name, Result(result));
        if (made != nullptr) made->Release();
    }
    d3d->Release();
    return cases;
}
