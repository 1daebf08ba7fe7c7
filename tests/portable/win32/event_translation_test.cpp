// SDL events to messages: keys, raw and legacy mouse input, cursor and close requests.
#include <vector>

#include <gtest/gtest.h>

#include "platform/portable/win32/event_translation.h"

using namespace portable;

namespace {
const HWND kWindow = reinterpret_cast<HWND>(0x10020);

struct Translator {
    MessageQueue queue;
    KeyboardState keyboard;
    RawInputStore rawInput;
    RawMouseRegistration rawMouse;
    HWND rawTarget = kWindow;
    bool foreground = true;

    void Run(const SDL_Event& event)
    {
        EventTranslation translation{queue, keyboard, rawInput, rawMouse};
        translation.window = kWindow;
        translation.rawTarget = rawTarget;
        translation.rawTargetForeground = foreground;
        translation.windowOrigin = POINT{100, 50};
        translation.time = 1234;
        TranslateEvent(event, translation);
    }

    std::vector<UINT> InputMessages() const
    {
        std::vector<UINT> messages;
        for (const MSG& msg : queue.input) messages.push_back(msg.message);
        return messages;
    }

    std::vector<UINT> SentMessages() const
    {
        std::vector<UINT> messages;
        for (const MSG& msg : queue.sent) messages.push_back(msg.message);
        return messages;
    }

    RAWINPUT ReadRaw(const MSG& msg) const
    {
        RAWINPUT record{};
        UINT size = sizeof(record);
        const UINT read = ReadRawInput(rawInput, reinterpret_cast<HRAWINPUT>(msg.lParam), RID_INPUT, &record, &size,
                                       sizeof(RAWINPUTHEADER));
        EXPECT_EQ(read, sizeof(RAWINPUTHEADER) + sizeof(RAWMOUSE));
        return record;
    }
};

SDL_Event KeyEvent(Uint32 type, SDL_Keycode key, SDL_Scancode scancode, bool repeat = false, Uint16 mod = KMOD_NONE)
{
    SDL_Event event{};
    event.key.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat ? 1 : 0;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = scancode;
    event.key.keysym.mod = mod;
    return event;
}

SDL_Event Motion(int x, int y, int dx, int dy, Uint32 which = 0)
{
    SDL_Event event{};
    event.motion.type = SDL_MOUSEMOTION;
    event.motion.which = which;
    event.motion.x = x;
    event.motion.y = y;
    event.motion.xrel = dx;
    event.motion.yrel = dy;
    return event;
}

SDL_Event Button(Uint32 type, Uint8 button)
{
    SDL_Event event{};
    event.button.type = type;
    event.button.button = button;
    event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.button.x = 3;
    event.button.y = 4;
    return event;
}

SDL_Event WindowEvent(Uint8 what)
{
    SDL_Event event{};
    event.window.type = SDL_WINDOWEVENT;
    event.window.event = what;
    return event;
}

RawMouseRegistration Registered(DWORD flags)
{
    RawMouseRegistration registration;
    registration.registered = true;
    registration.flags = flags;
    registration.target = kWindow;
    return registration;
}

TEST(EventTranslation, KeysBecomeKeyMessagesForTheWindow)
{
    Translator translator;
    translator.Run(KeyEvent(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W));
    translator.Run(KeyEvent(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W, true));
    translator.Run(KeyEvent(SDL_KEYUP, SDLK_w, SDL_SCANCODE_W));
    ASSERT_EQ(translator.InputMessages(), (std::vector<UINT>{WM_KEYDOWN, WM_KEYDOWN, WM_KEYUP}));
    for (const MSG& msg : translator.queue.input) {
        EXPECT_EQ(msg.hwnd, kWindow);
        EXPECT_EQ(msg.wParam, WPARAM{'W'});
        EXPECT_EQ(msg.time, 1234u);
    }
    EXPECT_EQ(translator.queue.input[0].lParam, LPARAM{0x00110001});
    EXPECT_EQ(translator.queue.input[1].lParam, LPARAM{0x40110001});
    EXPECT_EQ(translator.queue.input[2].lParam, LPARAM{0xC0110001});
}

TEST(EventTranslation, AltKeysBecomeSystemKeyMessages)
{
    Translator translator;
    translator.Run(KeyEvent(SDL_KEYDOWN, SDLK_LALT, SDL_SCANCODE_LALT, false, KMOD_LALT));
    translator.Run(KeyEvent(SDL_KEYDOWN, SDLK_F4, SDL_SCANCODE_F4, false, KMOD_LALT));
    translator.Run(KeyEvent(SDL_KEYUP, SDLK_F4, SDL_SCANCODE_F4, false, KMOD_LALT));
    translator.Run(KeyEvent(SDL_KEYUP, SDLK_LALT, SDL_SCANCODE_LALT));
    EXPECT_EQ(translator.InputMessages(),
              (std::vector<UINT>{WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_KEYUP}));
}

TEST(EventTranslation, RightAltTypingModeIsAltGr)
{
    Translator translator;
    translator.Run(KeyEvent(SDL_KEYDOWN, SDLK_MODE, SDL_SCANCODE_RALT));
    translator.Run(KeyEvent(SDL_KEYDOWN, SDLK_q, SDL_SCANCODE_Q));
    translator.Run(KeyEvent(SDL_KEYUP, SDLK_q, SDL_SCANCODE_Q));
    translator.Run(KeyEvent(SDL_KEYUP, SDLK_MODE, SDL_SCANCODE_RALT));
    EXPECT_EQ(translator.InputMessages(), (std::vector<UINT>{WM_KEYDOWN, WM_KEYDOWN, WM_KEYUP, WM_KEYUP}));
}

TEST(EventTranslation, CapsLockFollowsTheModifierState)
{
    Translator translator;
    translator.Run(KeyEvent(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A, false, KMOD_CAPS));
    EXPECT_TRUE(translator.keyboard.capsLock);
    translator.Run(KeyEvent(SDL_KEYUP, SDLK_a, SDL_SCANCODE_A));
    EXPECT_FALSE(translator.keyboard.capsLock);
}

TEST(EventTranslation, UnknownKeysGiveNoMessage)
{
    Translator translator;
    translator.Run(KeyEvent(SDL_KEYDOWN, SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN));
    EXPECT_TRUE(translator.queue.input.empty());
}

TEST(EventTranslation, MotionSendsSetCursorThenQueuesRawInputAndMouseMove)
{
    Translator translator;
    translator.rawMouse = Registered(RIDEV_INPUTSINK);
    translator.Run(Motion(30, 40, 7, -3));

    ASSERT_EQ(translator.SentMessages(), std::vector<UINT>{WM_SETCURSOR});
    EXPECT_EQ(translator.queue.sent[0].wParam, reinterpret_cast<WPARAM>(kWindow));
    EXPECT_EQ(translator.queue.sent[0].lParam, LPARAM{(WM_MOUSEMOVE << 16) | HTCLIENT});

    ASSERT_EQ(translator.InputMessages(), (std::vector<UINT>{WM_INPUT, WM_MOUSEMOVE}));
    const MSG& input = translator.queue.input[0];
    EXPECT_EQ(input.hwnd, kWindow);
    EXPECT_EQ(input.wParam, WPARAM{0}) << "RIM_INPUT: the window is in the foreground";
    const RAWINPUT record = translator.ReadRaw(input);
    EXPECT_EQ(record.header.dwType, DWORD{RIM_TYPEMOUSE});
    EXPECT_EQ(record.header.dwSize, sizeof(RAWINPUTHEADER) + sizeof(RAWMOUSE));
    EXPECT_EQ(record.data.mouse.usFlags, USHORT{MOUSE_MOVE_RELATIVE});
    EXPECT_EQ(record.data.mouse.lLastX, 7);
    EXPECT_EQ(record.data.mouse.lLastY, -3);
    EXPECT_EQ(record.data.mouse.usButtonFlags, 0);

    const MSG& move = translator.queue.input[1];
    EXPECT_EQ(move.lParam, LPARAM{(40 << 16) | 30});
    EXPECT_EQ(move.pt.x, 130);
    EXPECT_EQ(move.pt.y, 90);
}

TEST(EventTranslation, EachMotionCarriesOnlyItsOwnRelativeMotion)
{
    Translator translator;
    translator.rawMouse = Registered(0);
    translator.Run(Motion(400, 300, 0, 0));
    translator.Run(Motion(410, 305, 10, 5));
    std::vector<std::pair<LONG, LONG>> deltas;
    for (const MSG& msg : translator.queue.input) {
        if (msg.message != WM_INPUT) continue;
        const RAWINPUT record = translator.ReadRaw(msg);
        deltas.emplace_back(record.data.mouse.lLastX, record.data.mouse.lLastY);
    }
    EXPECT_EQ(deltas, (std::vector<std::pair<LONG, LONG>>{{0, 0}, {10, 5}}));
}

TEST(EventTranslation, RawInputNeedsARegistration)
{
    Translator translator;
    translator.Run(Motion(1, 1, 1, 1));
    EXPECT_EQ(translator.InputMessages(), std::vector<UINT>{WM_MOUSEMOVE});
}

TEST(EventTranslation, BackgroundRawInputNeedsInputSink)
{
    Translator withoutSink;
    withoutSink.rawMouse = Registered(0);
    withoutSink.foreground = false;
    withoutSink.Run(Motion(1, 1, 1, 1));
    EXPECT_EQ(withoutSink.InputMessages(), std::vector<UINT>{WM_MOUSEMOVE});

    Translator withSink;
    withSink.rawMouse = Registered(RIDEV_INPUTSINK);
    withSink.foreground = false;
    withSink.Run(Motion(1, 1, 1, 1));
    ASSERT_EQ(withSink.InputMessages(), (std::vector<UINT>{WM_INPUT, WM_MOUSEMOVE}));
    EXPECT_EQ(withSink.queue.input[0].wParam, WPARAM{1}) << "RIM_INPUTSINK";
    EXPECT_EQ(withSink.ReadRaw(withSink.queue.input[0]).header.wParam, WPARAM{1});
}

TEST(EventTranslation, NoLegacyDropsMouseMessagesButKeepsRawInput)
{
    Translator translator;
    translator.rawMouse = Registered(RIDEV_NOLEGACY);
    translator.Run(Motion(1, 1, 1, 1));
    translator.Run(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT));
    EXPECT_EQ(translator.InputMessages(), (std::vector<UINT>{WM_INPUT, WM_INPUT}));
}

TEST(EventTranslation, TouchMotionIsNoRawMouseInput)
{
    Translator translator;
    translator.rawMouse = Registered(0);
    translator.Run(Motion(1, 1, 1, 1, SDL_TOUCH_MOUSEID));
    EXPECT_EQ(translator.InputMessages(), std::vector<UINT>{WM_MOUSEMOVE});
}

TEST(EventTranslation, ButtonsGiveRawButtonFlagsAndButtonMessages)
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
    for (const ButtonCase& c : cases) {
        Translator translator;
        translator.rawMouse = Registered(0);
        translator.Run(Button(c.type, c.button));
        ASSERT_EQ(translator.InputMessages(), (std::vector<UINT>{WM_INPUT, c.message}));
        const RAWINPUT record = translator.ReadRaw(translator.queue.input[0]);
        EXPECT_EQ(record.data.mouse.usButtonFlags, c.rawFlags);
        EXPECT_EQ(record.data.mouse.lLastX, 0);
        EXPECT_EQ(translator.queue.input[1].lParam, LPARAM{(4 << 16) | 3});
        ASSERT_EQ(translator.SentMessages(), std::vector<UINT>{WM_SETCURSOR});
        EXPECT_EQ(translator.queue.sent[0].lParam, static_cast<LPARAM>((c.message << 16) | HTCLIENT));
    }
}

TEST(EventTranslation, WheelGivesRawWheelDataInWheelDeltas)
{
    Translator translator;
    translator.rawMouse = Registered(0);
    SDL_Event event{};
    event.wheel.type = SDL_MOUSEWHEEL;
    event.wheel.y = -2;
    translator.Run(event);
    ASSERT_EQ(translator.InputMessages(), (std::vector<UINT>{WM_INPUT, WM_MOUSEWHEEL}));
    const RAWINPUT record = translator.ReadRaw(translator.queue.input[0]);
    EXPECT_EQ(record.data.mouse.usButtonFlags, kRawWheel);
    EXPECT_EQ(static_cast<int16_t>(record.data.mouse.usButtonData), -240);
    EXPECT_EQ(static_cast<int16_t>(translator.queue.input[1].wParam >> 16), -240);
}

TEST(EventTranslation, WindowEventsSendFocusAndCloseMessages)
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
        Translator translator;
        translator.Run(WindowEvent(c.event));
        EXPECT_EQ(translator.SentMessages(), c.sent) << int{c.event};
        EXPECT_TRUE(translator.queue.input.empty());
    }
    Translator closing;
    closing.Run(WindowEvent(SDL_WINDOWEVENT_CLOSE));
    EXPECT_EQ(closing.queue.sent[0].wParam, WPARAM{SC_CLOSE});
}

TEST(EventTranslation, QuitAsksTheWindowToClose)
{
    Translator translator;
    SDL_Event event{};
    event.type = SDL_QUIT;
    translator.Run(event);
    EXPECT_EQ(translator.SentMessages(), std::vector<UINT>{WM_CLOSE});
}

TEST(EventTranslation, EventsOfNoWindowOfOursStillTrackTheKeyboard)
{
    MessageQueue queue;
    KeyboardState keyboard;
    RawInputStore rawInput;
    RawMouseRegistration rawMouse;
    EventTranslation translation{queue, keyboard, rawInput, rawMouse};
    TranslateEvent(KeyEvent(SDL_KEYDOWN, SDLK_LALT, SDL_SCANCODE_LALT), translation);
    TranslateEvent(Motion(1, 1, 1, 1), translation);
    EXPECT_TRUE(queue.input.empty());
    EXPECT_TRUE(queue.sent.empty());
    EXPECT_TRUE(AltDown(keyboard));
}
} // namespace
