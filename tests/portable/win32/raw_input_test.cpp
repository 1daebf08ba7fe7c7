// Raw mouse input: GetRawInputData's size rules and the registration rules.
#include <cstring>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/portable/win32/raw_input.h"
#include "platform/portable/win32/raw_input_registration.h"

using namespace portable;

namespace {
constexpr UINT kFailed = static_cast<UINT>(-1);
constexpr UINT kMouseRecordSize = sizeof(RAWINPUTHEADER) + sizeof(RAWMOUSE);

TEST(RawInputLayout, RecordsHaveTheSdkLayout)
{
    EXPECT_EQ(sizeof(RAWINPUTDEVICE), sizeof(void*) == 8 ? 16u : 12u);
    EXPECT_EQ(sizeof(RAWINPUTHEADER), sizeof(void*) == 8 ? 24u : 16u);
    EXPECT_EQ(sizeof(RAWMOUSE), 24u);
    EXPECT_EQ(sizeof(RAWINPUT), kMouseRecordSize);
}

class RawInputDataTest : public testing::Test {
protected:
    RawInputStore store;
    HRAWINPUT handle = StoreRawInput(store, RawMouseMotion(12, -7, 0, 0, kRawInputForeground));
    RAWINPUT record{};
    UINT size = sizeof(RAWINPUT);
};

TEST_F(RawInputDataTest, ReadsTheWholeMouseRecord)
{
    EXPECT_EQ(ReadRawInput(store, handle, RID_INPUT, &record, &size, sizeof(RAWINPUTHEADER)), kMouseRecordSize);
    EXPECT_EQ(record.header.dwType, DWORD{RIM_TYPEMOUSE});
    EXPECT_EQ(record.header.dwSize, kMouseRecordSize);
    EXPECT_EQ(record.data.mouse.usFlags, USHORT{MOUSE_MOVE_RELATIVE});
    EXPECT_EQ(record.data.mouse.lLastX, 12);
    EXPECT_EQ(record.data.mouse.lLastY, -7);
}

TEST_F(RawInputDataTest, NullDataAsksForTheSize)
{
    size = 0;
    EXPECT_EQ(ReadRawInput(store, handle, RID_INPUT, nullptr, &size, sizeof(RAWINPUTHEADER)), 0u);
    EXPECT_EQ(size, kMouseRecordSize);
    size = 0;
    EXPECT_EQ(ReadRawInput(store, handle, RID_HEADER, nullptr, &size, sizeof(RAWINPUTHEADER)), 0u);
    EXPECT_EQ(size, sizeof(RAWINPUTHEADER));
}

TEST_F(RawInputDataTest, HeaderOnlyReadsTheHeader)
{
    std::memset(&record, 0xAB, sizeof(record));
    EXPECT_EQ(ReadRawInput(store, handle, RID_HEADER, &record, &size, sizeof(RAWINPUTHEADER)), sizeof(RAWINPUTHEADER));
    EXPECT_EQ(record.header.dwType, DWORD{RIM_TYPEMOUSE});
    EXPECT_EQ(record.data.mouse.lLastX, static_cast<LONG>(0xABABABAB)) << "the mouse part is not written";
}

TEST_F(RawInputDataTest, FailuresGiveMinusOneAndWriteNothing)
{
    struct FailureCase {
        const char* name;
        HRAWINPUT handle;
        UINT command;
        UINT size;
        UINT headerSize;
        bool nullSize;
    };
    const FailureCase cases[] = {
        {"buffer one byte short", handle, RID_INPUT, kMouseRecordSize - 1, sizeof(RAWINPUTHEADER), false},
        {"empty buffer", handle, RID_INPUT, 0, sizeof(RAWINPUTHEADER), false},
        {"header buffer too short", handle, RID_HEADER, sizeof(RAWINPUTHEADER) - 1, sizeof(RAWINPUTHEADER), false},
        {"null handle", nullptr, RID_INPUT, sizeof(RAWINPUT), sizeof(RAWINPUTHEADER), false},
        {"made-up handle", reinterpret_cast<HRAWINPUT>(0x12345678), RID_INPUT, sizeof(RAWINPUT), sizeof(RAWINPUTHEADER),
         false},
        {"wrong header size", handle, RID_INPUT, sizeof(RAWINPUT), 16 + 1, false},
        {"unknown command", handle, 0x10000007, sizeof(RAWINPUT), sizeof(RAWINPUTHEADER), false},
        {"null size", handle, RID_INPUT, 0, sizeof(RAWINPUTHEADER), true},
    };
    for (const FailureCase& c : cases) {
        RAWINPUT untouched{};
        std::memset(&untouched, 0x5A, sizeof(untouched));
        RAWINPUT buffer = untouched;
        UINT bufferSize = c.size;
        EXPECT_EQ(ReadRawInput(store, c.handle, c.command, &buffer, c.nullSize ? nullptr : &bufferSize, c.headerSize),
                  kFailed)
            << c.name;
        EXPECT_EQ(std::memcmp(&buffer, &untouched, sizeof(buffer)), 0) << c.name;
        EXPECT_EQ(bufferSize, c.size) << c.name;
    }
}

TEST_F(RawInputDataTest, ReleasedHandleIsBad)
{
    ReleaseRawInput(store, handle);
    EXPECT_EQ(ReadRawInput(store, handle, RID_INPUT, &record, &size, sizeof(RAWINPUTHEADER)), kFailed);
}

TEST_F(RawInputDataTest, EachRecordKeepsItsOwnData)
{
    const HRAWINPUT second = StoreRawInput(store, RawMouseMotion(1, 2, kRawLeftDown, 0, kRawInputBackground));
    EXPECT_NE(second, handle);
    ASSERT_EQ(ReadRawInput(store, second, RID_INPUT, &record, &size, sizeof(RAWINPUTHEADER)), kMouseRecordSize);
    EXPECT_EQ(record.data.mouse.lLastX, 1);
    EXPECT_EQ(record.data.mouse.usButtonFlags, kRawLeftDown);
    EXPECT_EQ(record.header.wParam, kRawInputBackground);
    ASSERT_EQ(ReadRawInput(store, handle, RID_INPUT, &record, &size, sizeof(RAWINPUTHEADER)), kMouseRecordSize);
    EXPECT_EQ(record.data.mouse.lLastX, 12);
}

TEST_F(RawInputDataTest, StoreStaysBoundedWhenNothingIsRead)
{
    for (int i = 0; i < 70000; ++i) StoreRawInput(store, RawMouseMotion(i, 0, 0, 0, kRawInputForeground));
    EXPECT_LE(store.records.size(), 65536u);
    EXPECT_EQ(ReadRawInput(store, handle, RID_INPUT, &record, &size, sizeof(RAWINPUTHEADER)), kFailed)
        << "the oldest record went first";
}

class RawInputRegistrationTest : public testing::Test {
protected:
    void SetUp() override { ThreadRawMouse() = RawMouseRegistration{}; }
    void TearDown() override { ThreadRawMouse() = RawMouseRegistration{}; }
};

RAWINPUTDEVICE Mouse(DWORD flags, HWND target)
{
    return RAWINPUTDEVICE{HID_USAGE_PAGE_GENERIC, HID_USAGE_GENERIC_MOUSE, flags, target};
}

TEST_F(RawInputRegistrationTest, MouseWithoutTargetFollowsTheFocus)
{
    const RAWINPUTDEVICE mouse = Mouse(0, nullptr);
    ASSERT_TRUE(RegisterRawInputDevices(&mouse, 1, sizeof(RAWINPUTDEVICE)));
    EXPECT_TRUE(ThreadRawMouse().registered);
    EXPECT_EQ(ThreadRawMouse().target, nullptr);
}

TEST_F(RawInputRegistrationTest, RemoveEndsTheRegistration)
{
    const RAWINPUTDEVICE mouse = Mouse(0, nullptr);
    ASSERT_TRUE(RegisterRawInputDevices(&mouse, 1, sizeof(RAWINPUTDEVICE)));
    const RAWINPUTDEVICE removal = Mouse(RIDEV_REMOVE, nullptr);
    ASSERT_TRUE(RegisterRawInputDevices(&removal, 1, sizeof(RAWINPUTDEVICE)));
    EXPECT_FALSE(ThreadRawMouse().registered);
}

TEST_F(RawInputRegistrationTest, InvalidRegistrationsFailAndChangeNothing)
{
    const RAWINPUTDEVICE mouse = Mouse(0, nullptr);
    const RAWINPUTDEVICE keyboard{HID_USAGE_PAGE_GENERIC, 0x06, 0, nullptr};
    const RAWINPUTDEVICE sinkWithoutTarget = Mouse(RIDEV_INPUTSINK, nullptr);
    const RAWINPUTDEVICE unknownTarget = Mouse(0, reinterpret_cast<HWND>(0x7777));
    const RAWINPUTDEVICE removeWithTarget = Mouse(RIDEV_REMOVE, reinterpret_cast<HWND>(0x7777));
    const RAWINPUTDEVICE mouseThenKeyboard[] = {mouse, keyboard};

    EXPECT_FALSE(RegisterRawInputDevices(nullptr, 1, sizeof(RAWINPUTDEVICE)));
    EXPECT_FALSE(RegisterRawInputDevices(&mouse, 0, sizeof(RAWINPUTDEVICE)));
    EXPECT_FALSE(RegisterRawInputDevices(&mouse, 1, sizeof(RAWINPUTDEVICE) - 1));
    EXPECT_FALSE(RegisterRawInputDevices(&keyboard, 1, sizeof(RAWINPUTDEVICE)));
    EXPECT_FALSE(RegisterRawInputDevices(&sinkWithoutTarget, 1, sizeof(RAWINPUTDEVICE)));
    EXPECT_FALSE(RegisterRawInputDevices(&unknownTarget, 1, sizeof(RAWINPUTDEVICE)));
    EXPECT_FALSE(RegisterRawInputDevices(&removeWithTarget, 1, sizeof(RAWINPUTDEVICE)));
    EXPECT_FALSE(RegisterRawInputDevices(mouseThenKeyboard, 2, sizeof(RAWINPUTDEVICE)));
    EXPECT_FALSE(ThreadRawMouse().registered);
}

TEST(RawInputApi, GetRawInputDataRejectsHandlesItNeverGave)
{
    RAWINPUT record{};
    UINT size = sizeof(record);
    EXPECT_EQ(GetRawInputData(reinterpret_cast<HRAWINPUT>(0x10), RID_INPUT, &record, &size, sizeof(RAWINPUTHEADER)),
              kFailed);
}
} // namespace
