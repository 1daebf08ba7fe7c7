// A scriptable stand-in for the platform layer: modes, recorded calls,
// scripted results, a settable clock and a message queue.
#pragma once

#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace fake {

struct Model {
    std::vector<D3DXMATERIAL> materials;   // texture names point into textureNames
    std::vector<std::string> textureNames; // "" for a material without a texture
};

struct Platform {
    // Every recorded call, in order: window, device, font, mesh and texture calls.
    std::vector<std::string> calls;

    // Clock.
    bool counterAvailable = true;
    int64_t counterFrequency = 1000;
    int64_t counter = 0;
    DWORD multimediaTime = 0;
    int timeBeginPeriodCalls = 0;
    int timeEndPeriodCalls = 0;
    SYSTEMTIME localTime{2026, 12, 1, 7, 9, 5, 3, 0};
    std::vector<DWORD> sleeps;
    // Each Sleep advances the counter and the multimedia time by its length.
    bool sleepAdvancesClock = true;

    // Messages and window.
    std::deque<MSG> queue;
    std::function<void()> onIdle; // called by PeekMessageW when the queue is empty
    bool registerClassFails = false;
    bool createWindowFails = false;
    bool rawInputFails = false;
    WNDCLASSEXW registeredClass{};
    std::wstring className;
    RAWINPUT rawInput{};
    bool rawInputReadFails = false;
    UINT rawInputSizeAsked = 0, rawInputHeaderSizeGiven = 0;
    int logPixelsY = 96;

    // Direct3D.
    bool direct3dCreateFails = false;
    std::vector<D3DDISPLAYMODE> modes;
    int enumFailsAt = -1;
    HRESULT createDeviceResult = D3D_OK;
    D3DPRESENT_PARAMETERS createdWith{};
    std::deque<HRESULT> presentResults; // then D3D_OK
    std::deque<HRESULT> beginSceneResults;
    std::deque<HRESULT> cooperativeResults;
    std::deque<HRESULT> resetResults;
    std::deque<HRESULT> fontResults;
    int liveFonts = 0;
    int liveObjects = 0; // every fake COM object not yet released
    std::vector<D3DMATRIX> worldTransforms;
    D3DMATRIX viewTransform{}, projectionTransform{};
    std::vector<D3DMATERIAL9> materialsSet;

    // Models and textures by path; a path not listed fails to load.
    std::map<std::wstring, Model> models;
    std::set<std::wstring> textures;
    std::vector<std::wstring> meshLoads, textureLoads;
    std::vector<DWORD> meshLoadOptions;
};

Platform& State();
// Clears every script and record, and the message queue.
void Reset();
// Current clock time in milliseconds (the counter runs at 1000 Hz unless changed).
void SetTimeMs(int64_t ms);
// A message as the queue would deliver it.
void Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// The calls recorded since the mark, by index.
std::vector<std::string> CallsSince(size_t mark);
// The calls whose text starts with the prefix.
std::vector<std::string> CallsStartingWith(const std::string& prefix);

// How a call records a value: the name it has in the table, else its number
// in hexadecimal ("0x0104").
struct ValueName {
    unsigned value;
    const char* name;
};
std::string Named(unsigned value, std::initializer_list<ValueName> names);
// Wide text as ASCII, '?' for any other character.
std::string Ascii(const wchar_t* text);
// The window's handle as "window", any other as "null" or a number.
std::string WindowName(HWND window);

} // namespace fake
