// The message functions on the thread's queue, without a display.
#include <vector>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/portable/win32/message_queue.h"

using namespace portable;

namespace {
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
