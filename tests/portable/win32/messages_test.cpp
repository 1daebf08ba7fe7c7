// Messages: the queue's retrieval order, WM_QUIT, filters, PM_REMOVE against
// PM_NOREMOVE, and the message functions on the thread's queue, without a display.
#include <vector>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/portable/win32/messages.h"

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
} // namespace
