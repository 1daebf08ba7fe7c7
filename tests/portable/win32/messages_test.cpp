// Messages: the queue's retrieval order, WM_QUIT, filters, PM_REMOVE against
// PM_NOREMOVE, through the message functions; and SDL events as window
// messages, pushed to windows on SDL's offscreen driver and taken through the
// message loop.
#include <vector>

#include <SDL.h>
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/portable/win32/event_translation.h"
#include "platform/portable/win32/raw_input.h"
#include "platform/portable/win32/window_table.h"
#include "tests/portable/win32/offscreen_class.h"

using namespace portable;

namespace {
const HWND kThreadOnly = reinterpret_cast<HWND>(static_cast<intptr_t>(-1));

// A retrieved message, with its raw input record read while it was readable.
struct Retrieved {
    MSG msg{};
    RAWINPUT raw{};
};

std::vector<Retrieved> RetrieveAll(HWND window = nullptr, UINT filterMin = 0, UINT filterMax = 0)
{
    std::vector<Retrieved> all;
    Retrieved next;
    while (PeekMessageW(&next.msg, window, filterMin, filterMax, PM_REMOVE)) {
        if (next.msg.message == WM_INPUT) {
            UINT size = sizeof(next.raw);
            EXPECT_EQ(GetRawInputData(reinterpret_cast<HRAWINPUT>(next.msg.lParam), RID_INPUT, &next.raw, &size,
                                      sizeof(RAWINPUTHEADER)),
                      sizeof(RAWINPUTHEADER) + sizeof(RAWMOUSE));
        }
        all.push_back(next);
        if (next.msg.message == WM_QUIT) break;
        next = Retrieved{};
    }
    return all;
}

std::vector<UINT> Kinds(const std::vector<Retrieved>& retrieved)
{
    std::vector<UINT> messages;
    for (const Retrieved& r : retrieved) messages.push_back(r.msg.message);
    return messages;
}

// The messages retrieved until the queue has none that match, up to WM_QUIT.
std::vector<UINT> Take(HWND window = nullptr, UINT filterMin = 0, UINT filterMax = 0)
{
    return Kinds(RetrieveAll(window, filterMin, filterMax));
}

// The message functions on the thread's queue, without a window.
class MessagesTest : public testing::Test {
protected:
    void TearDown() override { Take(); }
};

TEST_F(MessagesTest, EmptyQueueGivesFalseAndLeavesTheMessage)
{
    MSG msg{};
    msg.message = WM_USER;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
}

TEST_F(MessagesTest, QuitComesAfterTheMessagesPostedBeforeItAndOnce)
{
    ASSERT_TRUE(PostMessageW(nullptr, WM_USER, 1, 2));
    PostQuitMessage(0);
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
    EXPECT_EQ(msg.wParam, WPARAM{1});
    EXPECT_EQ(msg.lParam, LPARAM{2});
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, WPARAM{0});
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessagesTest, QuitCarriesTheLastExitCode)
{
    PostQuitMessage(5);
    PostQuitMessage(3);
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(static_cast<int>(msg.wParam), 3);
}

TEST_F(MessagesTest, NegativeExitCodeSurvivesTheRoundTrip)
{
    PostQuitMessage(-2);
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(static_cast<int>(msg.wParam), -2);
}

TEST_F(MessagesTest, PeekWithoutRemoveLeavesTheMessageForTheNextCall)
{
    PostMessageW(nullptr, WM_USER, 1, 0);
    PostMessageW(nullptr, WM_USER, 2, 0);
    for (UINT remove : {PM_NOREMOVE, PM_NOREMOVE, PM_REMOVE}) {
        MSG msg{};
        ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, remove));
        EXPECT_EQ(msg.wParam, WPARAM{1}) << remove;
    }
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, WPARAM{2});
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessagesTest, PeekWithoutRemoveLeavesQuitPending)
{
    PostQuitMessage(0);
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(Take(), std::vector<UINT>{WM_QUIT});
}

TEST_F(MessagesTest, ReversedRangeTakesEverythingOutsideIt)
{
    PostMessageW(nullptr, WM_KEYDOWN, 0, 0);
    PostMessageW(nullptr, WM_CHAR, 0, 0);
    PostMessageW(nullptr, WM_USER, 0, 0);
    EXPECT_EQ(Take(nullptr, WM_USER, WM_KEYDOWN), (std::vector<UINT>{WM_KEYDOWN, WM_USER}));
}

TEST_F(MessagesTest, PostingToAHandleThatIsNoWindowFails)
{
    EXPECT_FALSE(PostMessageW(reinterpret_cast<HWND>(0x7777), WM_USER, 0, 0));
    MSG msg{};
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessagesTest, DispatchOfAThreadMessageCallsNoProcedure)
{
    MSG msg{};
    msg.message = WM_QUIT;
    EXPECT_EQ(DispatchMessageW(&msg), 0);
    EXPECT_EQ(DispatchMessageW(nullptr), 0);
}

struct TranslateCase {
    UINT message;
    WPARAM key;
    BOOL translated;
    UINT charMessage;
    WPARAM character;
};

TEST_F(MessagesTest, TranslateMessagePostsTheCharacterOfAKeyDown)
{
    const TranslateCase cases[] = {
        {WM_KEYDOWN, 'W', TRUE, WM_CHAR, L'w'},
        {WM_KEYDOWN, VK_RETURN, TRUE, WM_CHAR, L'\r'},
        {WM_KEYDOWN, VK_ESCAPE, TRUE, WM_CHAR, 0x1B},
        {WM_SYSKEYDOWN, 'W', TRUE, WM_SYSCHAR, L'w'},
        {WM_KEYDOWN, VK_UP, TRUE, 0, 0},
        {WM_SYSKEYDOWN, VK_F10, TRUE, 0, 0},
        {WM_KEYUP, 'W', TRUE, 0, 0},
        {WM_SYSKEYUP, 'W', TRUE, 0, 0},
        {WM_MOUSEMOVE, 0, FALSE, 0, 0},
    };
    for (const TranslateCase& c : cases) {
        MSG key{};
        key.hwnd = nullptr;
        key.message = c.message;
        key.wParam = c.key;
        key.lParam = 0x00110001;
        EXPECT_EQ(TranslateMessage(&key), c.translated) << c.message << " " << c.key;
        const std::vector<Retrieved> posted = RetrieveAll();
        ASSERT_EQ(posted.size(), c.charMessage != 0 ? 1u : 0u) << c.message << " " << c.key;
        if (c.charMessage != 0) {
            EXPECT_EQ(posted[0].msg.message, c.charMessage);
            EXPECT_EQ(posted[0].msg.wParam, c.character);
            EXPECT_EQ(posted[0].msg.lParam, LPARAM{0x00110001});
        }
    }
}

// Hidden windows on SDL's offscreen driver: neither holds the input focus, so
// raw input reaches them through RIDEV_INPUTSINK only.
std::vector<MSG> g_delivered; // every message a window procedure got, in order
UINT g_destroyOn = 0;         // a message on which the procedure destroys its window

LRESULT CALLBACK Recorder(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    g_delivered.push_back(msg);
    if (message == g_destroyOn) DestroyWindow(window);
    return 0;
}

std::vector<UINT> Delivered()
{
    std::vector<UINT> messages;
    for (const MSG& msg : g_delivered) messages.push_back(msg.message);
    return messages;
}

class WindowMessages : public testing::Test {
protected:
    static void SetUpTestSuite() { RegisterOffscreenClass(L"MessagesTestClass", Recorder); }

    void SetUp() override
    {
        window = CreateWindowExW(0, L"MessagesTestClass", L"messages", WS_POPUP, 100, 50, 200, 100, nullptr, nullptr,
                                 nullptr, nullptr);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        other = CreateWindowExW(0, L"MessagesTestClass", L"other", WS_POPUP, 0, 0, 20, 20, nullptr, nullptr, nullptr,
                                nullptr);
        ASSERT_NE(other, nullptr) << SDL_GetError();
        ASSERT_FALSE(WindowIsForeground(window));
        Take();
        g_delivered.clear();
        g_destroyOn = 0;
    }

    void TearDown() override
    {
        const RAWINPUTDEVICE removal{HID_USAGE_PAGE_GENERIC, HID_USAGE_GENERIC_MOUSE, RIDEV_REMOVE, nullptr};
        RegisterRawInputDevices(&removal, 1, sizeof(RAWINPUTDEVICE));
        DestroyWindow(window);
        DestroyWindow(other);
        Take();
    }

    void RegisterRawMouse(DWORD flags)
    {
        const RAWINPUTDEVICE mouse{HID_USAGE_PAGE_GENERIC, HID_USAGE_GENERIC_MOUSE, flags, window};
        ASSERT_TRUE(RegisterRawInputDevices(&mouse, 1, sizeof(RAWINPUTDEVICE)));
    }

    static void Push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }

    Uint32 Id() const { return SDL_GetWindowID(SdlWindowOf(window)); }

    SDL_Event Key(Uint32 type, SDL_Keycode key, SDL_Scancode scancode, bool repeat = false, Uint16 mod = KMOD_NONE,
                  bool ours = true) const
    {
        SDL_Event event{};
        event.key.type = type;
        event.key.windowID = ours ? Id() : 0;
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.repeat = repeat ? 1 : 0;
        event.key.keysym.sym = key;
        event.key.keysym.scancode = scancode;
        event.key.keysym.mod = mod;
        return event;
    }

    SDL_Event Motion(int x, int y, int dx, int dy, Uint32 which = 0, bool ours = true) const
    {
        SDL_Event event{};
        event.motion.type = SDL_MOUSEMOTION;
        event.motion.windowID = ours ? Id() : 0;
        event.motion.which = which;
        event.motion.x = x;
        event.motion.y = y;
        event.motion.xrel = dx;
        event.motion.yrel = dy;
        return event;
    }

    SDL_Event Button(Uint32 type, Uint8 button) const
    {
        SDL_Event event{};
        event.button.type = type;
        event.button.windowID = Id();
        event.button.button = button;
        event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.button.x = 3;
        event.button.y = 4;
        return event;
    }

    SDL_Event WindowEvent(Uint8 what) const
    {
        SDL_Event event{};
        event.window.type = SDL_WINDOWEVENT;
        event.window.windowID = Id();
        event.window.event = what;
        return event;
    }

    HWND window = nullptr;
    HWND other = nullptr;
};

using MessageOrder = WindowMessages;

TEST_F(MessageOrder, PostedMessagesComeBeforeQuitAndInputAfterIt)
{
    Push(Key(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W));
    PostMessageW(window, WM_USER, 0, 0);
    PostQuitMessage(0);
    PostMessageW(window, WM_USER + 1, 0, 0);
    EXPECT_EQ(Take(), (std::vector<UINT>{WM_USER, WM_USER + 1, WM_QUIT}));
    EXPECT_EQ(Take(), std::vector<UINT>{WM_KEYDOWN});
    EXPECT_EQ(Take(), std::vector<UINT>{});
    Push(Key(SDL_KEYUP, SDLK_w, SDL_SCANCODE_W));
}

TEST_F(MessageOrder, WindowFilterTakesThatWindowsMessagesOnly)
{
    PostMessageW(other, WM_USER, 0, 0);
    PostMessageW(nullptr, WM_USER + 1, 0, 0);
    PostMessageW(window, WM_USER + 2, 0, 0);
    EXPECT_EQ(Take(window), std::vector<UINT>{WM_USER + 2});
    EXPECT_EQ(Take(kThreadOnly), std::vector<UINT>{WM_USER + 1});
    EXPECT_EQ(Take(), std::vector<UINT>{WM_USER});
}

TEST_F(MessageOrder, RangeFilterTakesMessagesInTheRangeAndQuitAlways)
{
    Push(Motion(1, 1, 1, 1));
    Push(Key(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W));
    PostMessageW(window, WM_USER, 0, 0);
    EXPECT_EQ(Take(nullptr, WM_KEYDOWN, WM_KEYUP), std::vector<UINT>{WM_KEYDOWN});
    PostQuitMessage(0);
    EXPECT_EQ(Take(nullptr, WM_KEYDOWN, WM_KEYUP), std::vector<UINT>{WM_QUIT});
    EXPECT_EQ(Take(), (std::vector<UINT>{WM_USER, WM_MOUSEMOVE}));
    Push(Key(SDL_KEYUP, SDLK_w, SDL_SCANCODE_W));
}

TEST_F(MessageOrder, MessagesOfOneKindKeepTheirOrder)
{
    for (int i = 0; i < 5; ++i) Push(Key(SDL_KEYDOWN, SDLK_a + i, static_cast<SDL_Scancode>(SDL_SCANCODE_A + i)));
    const std::vector<Retrieved> keys = RetrieveAll();
    ASSERT_EQ(keys.size(), 5u);
    for (size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(keys[i].msg.wParam, static_cast<WPARAM>('A' + i));
    for (int i = 0; i < 5; ++i) Push(Key(SDL_KEYUP, SDLK_a + i, static_cast<SDL_Scancode>(SDL_SCANCODE_A + i)));
}

// A window destroyed while its messages wait (here from its procedure, amid
// the messages sent to it) takes its sent, posted and input messages along;
// those of other windows and WM_QUIT stay.
TEST_F(MessageOrder, DestroyingAWindowDropsEveryMessageQueuedForIt)
{
    RegisterRawMouse(RIDEV_INPUTSINK);
    g_destroyOn = WM_ACTIVATEAPP;
    Push(Key(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W));
    Push(Motion(1, 1, 1, 1));
    Push(WindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED));
    PostMessageW(window, WM_USER, 0, 0);
    PostMessageW(other, WM_USER + 1, 0, 0);
    PostQuitMessage(0);
    EXPECT_EQ(Take(), (std::vector<UINT>{WM_USER + 1, WM_QUIT}));
    EXPECT_EQ(Delivered(), (std::vector<UINT>{WM_SETCURSOR, WM_ACTIVATEAPP, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_EQ(Take(), std::vector<UINT>{});
    Push(Key(SDL_KEYUP, SDLK_w, SDL_SCANCODE_W, false, KMOD_NONE, false));
}

// SDL events to messages: keys, raw and legacy mouse input, cursor and close requests.
using EventTranslation = WindowMessages;

TEST_F(EventTranslation, KeysBecomeKeyMessagesForTheWindow)
{
    const DWORD before = timeGetTime();
    Push(Key(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W));
    Push(Key(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W, true));
    Push(Key(SDL_KEYUP, SDLK_w, SDL_SCANCODE_W));
    const std::vector<Retrieved> keys = RetrieveAll();
    const DWORD after = timeGetTime();
    ASSERT_EQ(Kinds(keys), (std::vector<UINT>{WM_KEYDOWN, WM_KEYDOWN, WM_KEYUP}));
    for (const Retrieved& key : keys) {
        EXPECT_EQ(key.msg.hwnd, window);
        EXPECT_EQ(key.msg.wParam, WPARAM{'W'});
        EXPECT_GE(key.msg.time, before);
        EXPECT_LE(key.msg.time, after);
    }
    EXPECT_EQ(keys[0].msg.lParam, LPARAM{0x00110001});
    EXPECT_EQ(keys[1].msg.lParam, LPARAM{0x40110001});
    EXPECT_EQ(keys[2].msg.lParam, LPARAM{0xC0110001});
}

TEST_F(EventTranslation, AltKeysBecomeSystemKeyMessages)
{
    Push(Key(SDL_KEYDOWN, SDLK_LALT, SDL_SCANCODE_LALT, false, KMOD_LALT));
    Push(Key(SDL_KEYDOWN, SDLK_F4, SDL_SCANCODE_F4, false, KMOD_LALT));
    Push(Key(SDL_KEYUP, SDLK_F4, SDL_SCANCODE_F4, false, KMOD_LALT));
    Push(Key(SDL_KEYUP, SDLK_LALT, SDL_SCANCODE_LALT));
    EXPECT_EQ(Take(), (std::vector<UINT>{WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_KEYUP}));
}

TEST_F(EventTranslation, RightAltTypingModeIsAltGr)
{
    Push(Key(SDL_KEYDOWN, SDLK_MODE, SDL_SCANCODE_RALT));
    Push(Key(SDL_KEYDOWN, SDLK_q, SDL_SCANCODE_Q));
    Push(Key(SDL_KEYUP, SDLK_q, SDL_SCANCODE_Q));
    Push(Key(SDL_KEYUP, SDLK_MODE, SDL_SCANCODE_RALT));
    EXPECT_EQ(Take(), (std::vector<UINT>{WM_KEYDOWN, WM_KEYDOWN, WM_KEYUP, WM_KEYUP}));
}

// The character TranslateMessage posts for a key message, or 0.
WPARAM CharacterOf(const MSG& key)
{
    TranslateMessage(&key);
    MSG character{};
    return PeekMessageW(&character, nullptr, WM_CHAR, WM_CHAR, PM_REMOVE) ? character.wParam : 0;
}

TEST_F(EventTranslation, CapsLockFollowsTheModifierState)
{
    Push(Key(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A, false, KMOD_CAPS));
    MSG down{};
    ASSERT_TRUE(PeekMessageW(&down, nullptr, 0, 0, PM_REMOVE));
    ASSERT_EQ(down.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(CharacterOf(down), WPARAM{L'A'});
    Push(Key(SDL_KEYUP, SDLK_a, SDL_SCANCODE_A));
    EXPECT_EQ(Take(), std::vector<UINT>{WM_KEYUP});
    EXPECT_EQ(CharacterOf(down), WPARAM{L'a'});
}

TEST_F(EventTranslation, UnknownKeysGiveNoMessage)
{
    Push(Key(SDL_KEYDOWN, SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN));
    EXPECT_EQ(Take(), std::vector<UINT>{});
}

TEST_F(EventTranslation, MotionSendsSetCursorThenQueuesRawInputAndMouseMove)
{
    RegisterRawMouse(RIDEV_INPUTSINK);
    Push(Motion(30, 40, 7, -3));
    const std::vector<Retrieved> input = RetrieveAll();

    ASSERT_EQ(Delivered(), std::vector<UINT>{WM_SETCURSOR});
    EXPECT_EQ(g_delivered[0].hwnd, window);
    EXPECT_EQ(g_delivered[0].wParam, reinterpret_cast<WPARAM>(window));
    EXPECT_EQ(g_delivered[0].lParam, LPARAM{(WM_MOUSEMOVE << 16) | HTCLIENT});

    ASSERT_EQ(Kinds(input), (std::vector<UINT>{WM_INPUT, WM_MOUSEMOVE}));
    EXPECT_EQ(input[0].msg.hwnd, window);
    const RAWINPUT& record = input[0].raw;
    EXPECT_EQ(record.header.dwType, DWORD{RIM_TYPEMOUSE});
    EXPECT_EQ(record.header.dwSize, sizeof(RAWINPUTHEADER) + sizeof(RAWMOUSE));
    EXPECT_EQ(record.data.mouse.usFlags, USHORT{MOUSE_MOVE_RELATIVE});
    EXPECT_EQ(record.data.mouse.lLastX, 7);
    EXPECT_EQ(record.data.mouse.lLastY, -3);
    EXPECT_EQ(record.data.mouse.usButtonFlags, 0);

    const MSG& move = input[1].msg;
    EXPECT_EQ(move.hwnd, window);
    EXPECT_EQ(move.lParam, LPARAM{(40 << 16) | 30});
    EXPECT_EQ(move.pt.x, 130);
    EXPECT_EQ(move.pt.y, 90);
}

TEST_F(EventTranslation, EachMotionCarriesOnlyItsOwnRelativeMotion)
{
    RegisterRawMouse(RIDEV_INPUTSINK);
    Push(Motion(400, 300, 0, 0));
    Push(Motion(410, 305, 10, 5));
    std::vector<std::pair<LONG, LONG>> deltas;
    for (const Retrieved& r : RetrieveAll())
        if (r.msg.message == WM_INPUT) deltas.emplace_back(r.raw.data.mouse.lLastX, r.raw.data.mouse.lLastY);
    EXPECT_EQ(deltas, (std::vector<std::pair<LONG, LONG>>{{0, 0}, {10, 5}}));
}

TEST_F(EventTranslation, RawInputNeedsARegistration)
{
    Push(Motion(1, 1, 1, 1));
    EXPECT_EQ(Take(), std::vector<UINT>{WM_MOUSEMOVE});
}

TEST_F(EventTranslation, BackgroundRawInputNeedsInputSink)
{
    RegisterRawMouse(0);
    Push(Motion(1, 1, 1, 1));
    EXPECT_EQ(Take(), std::vector<UINT>{WM_MOUSEMOVE});

    RegisterRawMouse(RIDEV_INPUTSINK);
    Push(Motion(1, 1, 1, 1));
    const std::vector<Retrieved> input = RetrieveAll();
    ASSERT_EQ(Kinds(input), (std::vector<UINT>{WM_INPUT, WM_MOUSEMOVE}));
    EXPECT_EQ(input[0].msg.wParam, WPARAM{1}) << "RIM_INPUTSINK";
    EXPECT_EQ(input[0].raw.header.wParam, WPARAM{1});
}

TEST_F(EventTranslation, NoLegacyDropsMouseMessagesButKeepsRawInput)
{
    RegisterRawMouse(RIDEV_NOLEGACY | RIDEV_INPUTSINK);
    Push(Motion(1, 1, 1, 1));
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT));
    EXPECT_EQ(Take(), (std::vector<UINT>{WM_INPUT, WM_INPUT}));
}

TEST_F(EventTranslation, TouchMotionIsNoRawMouseInput)
{
    RegisterRawMouse(RIDEV_INPUTSINK);
    Push(Motion(1, 1, 1, 1, SDL_TOUCH_MOUSEID));
    EXPECT_EQ(Take(), std::vector<UINT>{WM_MOUSEMOVE});
}

TEST_F(EventTranslation, ButtonsGiveRawButtonFlagsAndButtonMessages)
{
    struct ButtonCase {
        Uint32 type;
        Uint8 button;
        USHORT rawFlags;
        UINT message;
    };
    const ButtonCase cases[] = {
        {SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, kRawLeftDown, WM_LBUTTONDOWN},
        {SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, kRawLeftUp, WM_LBUTTONUP},
        {SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, kRawRightDown, WM_RBUTTONDOWN},
        {SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, kRawRightUp, WM_RBUTTONUP},
        {SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE, kRawMiddleDown, WM_MBUTTONDOWN},
        {SDL_MOUSEBUTTONUP, SDL_BUTTON_MIDDLE, kRawMiddleUp, WM_MBUTTONUP},
    };
    RegisterRawMouse(RIDEV_INPUTSINK);
    for (const ButtonCase& c : cases) {
        SCOPED_TRACE(c.message);
        g_delivered.clear();
        Push(Button(c.type, c.button));
        const std::vector<Retrieved> input = RetrieveAll();
        ASSERT_EQ(Kinds(input), (std::vector<UINT>{WM_INPUT, c.message}));
        EXPECT_EQ(input[0].raw.data.mouse.usButtonFlags, c.rawFlags);
        EXPECT_EQ(input[0].raw.data.mouse.lLastX, 0);
        EXPECT_EQ(input[1].msg.lParam, LPARAM{(4 << 16) | 3});
        ASSERT_EQ(Delivered(), std::vector<UINT>{WM_SETCURSOR});
        EXPECT_EQ(g_delivered[0].lParam, static_cast<LPARAM>((c.message << 16) | HTCLIENT));
    }
}

TEST_F(EventTranslation, WheelGivesRawWheelDataInWheelDeltas)
{
    RegisterRawMouse(RIDEV_INPUTSINK);
    SDL_Event event{};
    event.wheel.type = SDL_MOUSEWHEEL;
    event.wheel.windowID = Id();
    event.wheel.y = -2;
    Push(event);
    const std::vector<Retrieved> input = RetrieveAll();
    ASSERT_EQ(Kinds(input), (std::vector<UINT>{WM_INPUT, WM_MOUSEWHEEL}));
    EXPECT_EQ(input[0].raw.data.mouse.usButtonFlags, kRawWheel);
    EXPECT_EQ(static_cast<int16_t>(input[0].raw.data.mouse.usButtonData), -240);
    EXPECT_EQ(static_cast<int16_t>(input[1].msg.wParam >> 16), -240);
}

TEST_F(EventTranslation, WindowEventsSendFocusAndCloseMessages)
{
    struct WindowCase {
        Uint8 event;
        std::vector<UINT> sent;
    };
    const WindowCase cases[] = {
        {SDL_WINDOWEVENT_CLOSE, {WM_SYSCOMMAND}},
        {SDL_WINDOWEVENT_ENTER, {WM_SETCURSOR}},
        {SDL_WINDOWEVENT_FOCUS_GAINED, {WM_ACTIVATEAPP, WM_ACTIVATE, WM_SETFOCUS}},
        {SDL_WINDOWEVENT_FOCUS_LOST, {WM_ACTIVATE, WM_ACTIVATEAPP, WM_KILLFOCUS}},
        {SDL_WINDOWEVENT_MOVED, {}},
    };
    for (const WindowCase& c : cases) {
        g_delivered.clear();
        Push(WindowEvent(c.event));
        EXPECT_EQ(Take(), std::vector<UINT>{}) << int{c.event};
        EXPECT_EQ(Delivered(), c.sent) << int{c.event};
        for (const MSG& msg : g_delivered) {
            EXPECT_EQ(msg.hwnd, window) << int{c.event};
            if (msg.message == WM_SYSCOMMAND) {
                EXPECT_EQ(msg.wParam, WPARAM{SC_CLOSE});
            }
        }
    }
}

TEST_F(EventTranslation, EventsOfNoWindowOfOursStillTrackTheKeyboard)
{
    Push(Key(SDL_KEYDOWN, SDLK_LALT, SDL_SCANCODE_LALT, false, KMOD_LALT, false));
    Push(Motion(1, 1, 1, 1, 0, false));
    EXPECT_EQ(Take(), std::vector<UINT>{});
    EXPECT_EQ(Delivered(), std::vector<UINT>{});
    // Alt is down: F4 on the window is a system key.
    Push(Key(SDL_KEYDOWN, SDLK_F4, SDL_SCANCODE_F4));
    EXPECT_EQ(Take(), std::vector<UINT>{WM_SYSKEYDOWN});
    Push(Key(SDL_KEYUP, SDLK_F4, SDL_SCANCODE_F4, false, KMOD_LALT, false));
    Push(Key(SDL_KEYUP, SDLK_LALT, SDL_SCANCODE_LALT, false, KMOD_NONE, false));
}

// No window here can hold the focus, so raw input to a window in the
// foreground is checked on the translation itself.
TEST(ForegroundRawInput, ComesWithoutInputSinkAsRimInput)
{
    MessageQueue queue;
    KeyboardState keyboard;
    RawInputStore rawInput;
    RawMouseRegistration rawMouse;
    rawMouse.registered = true;
    const HWND target = reinterpret_cast<HWND>(0x10020);
    rawMouse.target = target;
    portable::EventTranslation translation{queue, keyboard, rawInput, rawMouse};
    translation.window = target;
    translation.rawTarget = target;
    translation.rawTargetForeground = true;
    SDL_Event motion{};
    motion.motion.type = SDL_MOUSEMOTION;
    motion.motion.xrel = 2;
    TranslateEvent(motion, translation);

    MSG msg{};
    ASSERT_TRUE(TakeMessage(queue, msg, nullptr, 0, 0, true));
    ASSERT_EQ(msg.message, static_cast<UINT>(WM_INPUT));
    EXPECT_EQ(msg.wParam, WPARAM{0}) << "RIM_INPUT";
    RAWINPUT record{};
    UINT size = sizeof(record);
    ASSERT_EQ(ReadRawInput(rawInput, reinterpret_cast<HRAWINPUT>(msg.lParam), RID_INPUT, &record, &size,
                           sizeof(RAWINPUTHEADER)),
              sizeof(RAWINPUTHEADER) + sizeof(RAWMOUSE));
    EXPECT_EQ(record.header.wParam, WPARAM{0});
    EXPECT_EQ(record.data.mouse.lLastX, 2);
}
} // namespace
