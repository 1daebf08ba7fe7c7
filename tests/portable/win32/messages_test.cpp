// Messages: the queue's retrieval order, WM_QUIT, filters, PM_REMOVE against
// PM_NOREMOVE; SDL events as window messages; and the message functions on
// the thread's queue, without a display.
#include <vector>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/portable/win32/event_translation.h"
#include "platform/portable/win32/message_queue.h"

using namespace portable;

// The message queue: retrieval order, WM_QUIT, filters, PM_REMOVE against PM_NOREMOVE.
namespace {
const HWND kWindow = reinterpret_cast<HWND>(0x10020);
const HWND kOtherWindow = reinterpret_cast<HWND>(0x10024);
const HWND kThreadOnly = reinterpret_cast<HWND>(static_cast<intptr_t>(-1));

MSG Message(HWND window, UINT message, WPARAM wParam = 0)
{
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    return msg;
}

std::vector<UINT> Drain(MessageQueue& queue, HWND window = nullptr, UINT filterMin = 0, UINT filterMax = 0)
{
    std::vector<UINT> messages;
    MSG msg{};
    while (TakeMessage(queue, msg, window, filterMin, filterMax, true)) {
        messages.push_back(msg.message);
        if (msg.message == WM_QUIT) break;
    }
    return messages;
}

TEST(MessageQueue, PostedMessagesComeBeforeQuitAndInputAfterIt)
{
    MessageQueue queue;
    queue.input.push_back(Message(kWindow, WM_KEYDOWN));
    queue.posted.push_back(Message(kWindow, WM_USER));
    queue.quitPending = true;
    queue.posted.push_back(Message(kWindow, WM_USER + 1));
    EXPECT_EQ(Drain(queue), (std::vector<UINT>{WM_USER, WM_USER + 1, WM_QUIT}));
    EXPECT_EQ(Drain(queue), std::vector<UINT>{WM_KEYDOWN});
    EXPECT_EQ(Drain(queue), std::vector<UINT>{});
}

TEST(MessageQueue, QuitCarriesTheExitCodeOnce)
{
    MessageQueue queue;
    queue.quitPending = true;
    queue.quitCode = 3;
    MSG msg{};
    ASSERT_TRUE(TakeMessage(queue, msg, nullptr, 0, 0, true));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(static_cast<int>(msg.wParam), 3);
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_FALSE(TakeMessage(queue, msg, nullptr, 0, 0, true));
}

TEST(MessageQueue, NoRemoveLeavesTheMessageForTheNextCall)
{
    MessageQueue queue;
    queue.posted.push_back(Message(kWindow, WM_USER, 1));
    queue.posted.push_back(Message(kWindow, WM_USER, 2));
    MSG msg{};
    ASSERT_TRUE(TakeMessage(queue, msg, nullptr, 0, 0, false));
    EXPECT_EQ(msg.wParam, WPARAM{1});
    ASSERT_TRUE(TakeMessage(queue, msg, nullptr, 0, 0, false));
    EXPECT_EQ(msg.wParam, WPARAM{1});
    ASSERT_TRUE(TakeMessage(queue, msg, nullptr, 0, 0, true));
    EXPECT_EQ(msg.wParam, WPARAM{1});
    ASSERT_TRUE(TakeMessage(queue, msg, nullptr, 0, 0, true));
    EXPECT_EQ(msg.wParam, WPARAM{2});
    EXPECT_FALSE(TakeMessage(queue, msg, nullptr, 0, 0, true));
}

TEST(MessageQueue, NoRemoveLeavesQuitPending)
{
    MessageQueue queue;
    queue.quitPending = true;
    MSG msg{};
    ASSERT_TRUE(TakeMessage(queue, msg, nullptr, 0, 0, false));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_TRUE(queue.quitPending);
}

TEST(MessageQueue, WindowFilterTakesThatWindowsMessagesOnly)
{
    MessageQueue queue;
    queue.posted.push_back(Message(kOtherWindow, WM_USER));
    queue.posted.push_back(Message(nullptr, WM_USER + 1));
    queue.posted.push_back(Message(kWindow, WM_USER + 2));
    EXPECT_EQ(Drain(queue, kWindow), std::vector<UINT>{WM_USER + 2});
    EXPECT_EQ(Drain(queue, kThreadOnly), std::vector<UINT>{WM_USER + 1});
    EXPECT_EQ(Drain(queue), std::vector<UINT>{WM_USER});
}

TEST(MessageQueue, RangeFilterTakesMessagesInTheRangeAndQuitAlways)
{
    MessageQueue queue;
    queue.input.push_back(Message(kWindow, WM_MOUSEMOVE));
    queue.input.push_back(Message(kWindow, WM_KEYDOWN));
    queue.posted.push_back(Message(kWindow, WM_USER));
    EXPECT_EQ(Drain(queue, nullptr, WM_KEYDOWN, WM_KEYUP), std::vector<UINT>{WM_KEYDOWN});
    queue.quitPending = true;
    EXPECT_EQ(Drain(queue, nullptr, WM_KEYDOWN, WM_KEYUP), std::vector<UINT>{WM_QUIT});
    EXPECT_EQ(Drain(queue), (std::vector<UINT>{WM_USER, WM_MOUSEMOVE}));
}

TEST(MessageQueue, ReversedRangeTakesEverythingOutsideIt)
{
    MessageQueue queue;
    queue.posted.push_back(Message(kWindow, WM_KEYDOWN));
    queue.posted.push_back(Message(kWindow, WM_CHAR));
    queue.posted.push_back(Message(kWindow, WM_USER));
    EXPECT_EQ(Drain(queue, nullptr, WM_USER, WM_KEYDOWN), (std::vector<UINT>{WM_KEYDOWN, WM_USER}));
}

TEST(MessageQueue, MessagesOfOneKindKeepTheirOrder)
{
    MessageQueue queue;
    for (UINT i = 0; i < 5; ++i) queue.input.push_back(Message(kWindow, WM_KEYDOWN, i));
    MSG msg{};
    for (WPARAM i = 0; i < 5; ++i) {
        ASSERT_TRUE(TakeMessage(queue, msg, nullptr, 0, 0, true));
        EXPECT_EQ(msg.wParam, i);
    }
}

TEST(MessageQueue, PurgeRemovesAWindowsMessagesFromEveryList)
{
    MessageQueue queue;
    queue.sent.push_back(Message(kWindow, WM_SETCURSOR));
    queue.posted.push_back(Message(kWindow, WM_USER));
    queue.posted.push_back(Message(kOtherWindow, WM_USER + 1));
    queue.input.push_back(Message(kWindow, WM_INPUT));
    queue.quitPending = true;
    std::vector<UINT> dropped;
    PurgeWindowMessages(queue, kWindow, [&dropped](const MSG& msg) { dropped.push_back(msg.message); });
    EXPECT_EQ(dropped, (std::vector<UINT>{WM_SETCURSOR, WM_USER, WM_INPUT}));
    EXPECT_TRUE(queue.sent.empty());
    EXPECT_EQ(Drain(queue), (std::vector<UINT>{WM_USER + 1, WM_QUIT}));
}

// The message functions on the thread's queue, without a display.
class MessagesTest : public testing::Test {
protected:
    void SetUp() override { ThreadQueue() = MessageQueue{}; }
    void TearDown() override { ThreadQueue() = MessageQueue{}; }
};

TEST_F(MessagesTest, EmptyQueueGivesFalseAndLeavesTheMessage)
{
    MSG msg{};
    msg.message = WM_USER;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
}

TEST_F(MessagesTest, QuitComesAfterTheMessagesPostedBeforeIt)
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

TEST_F(MessagesTest, PeekWithoutRemoveReturnsTheSameMessageAgain)
{
    PostMessageW(nullptr, WM_USER, 7, 0);
    MSG first{};
    MSG second{};
    ASSERT_TRUE(PeekMessageW(&first, nullptr, 0, 0, PM_NOREMOVE));
    ASSERT_TRUE(PeekMessageW(&second, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(first.wParam, WPARAM{7});
    EXPECT_EQ(second.wParam, WPARAM{7});
    EXPECT_FALSE(PeekMessageW(&second, nullptr, 0, 0, PM_REMOVE));
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
        ThreadQueue() = MessageQueue{};
        MSG key{};
        key.hwnd = nullptr;
        key.message = c.message;
        key.wParam = c.key;
        key.lParam = 0x00110001;
        EXPECT_EQ(TranslateMessage(&key), c.translated) << c.message << " " << c.key;
        MSG next{};
        const BOOL posted = PeekMessageW(&next, nullptr, 0, 0, PM_REMOVE);
        EXPECT_EQ(posted != FALSE, c.charMessage != 0) << c.message << " " << c.key;
        if (posted && c.charMessage != 0) {
            EXPECT_EQ(next.message, c.charMessage);
            EXPECT_EQ(next.wParam, c.character);
            EXPECT_EQ(next.lParam, LPARAM{0x00110001});
        }
    }
}

// SDL events to messages: keys, raw and legacy mouse input, cursor and close requests.
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
    EXPECT_EQ(translator.InputMessages(), (std::vector<UINT>{WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_KEYUP}));
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
