// What CreateDevice and Reset accept, and how they complete the parameters.
#include <functional>

#include <ostream>

#include <gtest/gtest.h>

#include "platform/portable/d3d9/adapter.h"
#include "platform/portable/d3d9/present_params.h"

using namespace portable;

namespace {
D3DPRESENT_PARAMETERS ProgramParams()
{
    D3DPRESENT_PARAMETERS p{};
    p.BackBufferWidth = 800;
    p.BackBufferHeight = 600;
    p.BackBufferFormat = D3DFMT_A8R8G8B8;
    p.BackBufferCount = 1;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.Windowed = FALSE;
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D16;
    p.FullScreen_RefreshRateInHz = 60;
    p.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
    return p;
}

struct ParamsCase {
    const char* name;
    std::function<void(D3DPRESENT_PARAMETERS&)> change;
    HRESULT expected;
};

void PrintTo(const ParamsCase& c, std::ostream* out) { *out << c.name; }

class PresentParamsTest : public ::testing::TestWithParam<ParamsCase> {};

TEST_P(PresentParamsTest, ValidationResult)
{
    D3DPRESENT_PARAMETERS params = ProgramParams();
    GetParam().change(params);
    EXPECT_EQ(ValidatePresentParameters(params), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PresentParamsTest,
    ::testing::Values(
        ParamsCase{"program_full_screen", [](auto&) {}, D3D_OK},
        ParamsCase{"x8r8g8b8_back_buffer", [](auto& p) { p.BackBufferFormat = D3DFMT_X8R8G8B8; }, D3D_OK},
        ParamsCase{"d24s8_depth", [](auto& p) { p.AutoDepthStencilFormat = D3DFMT_D24S8; }, D3D_OK},
        ParamsCase{"immediate", [](auto& p) { p.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE; }, D3D_OK},
        ParamsCase{"windowed_defaults",
                   [](auto& p) {
                       p.Windowed = TRUE;
                       p.BackBufferWidth = p.BackBufferHeight = 0;
                       p.BackBufferFormat = D3DFMT_UNKNOWN;
                       p.FullScreen_RefreshRateInHz = 0;
                   },
                   D3D_OK},
        ParamsCase{"full_screen_unknown_format", [](auto& p) { p.BackBufferFormat = D3DFMT_UNKNOWN; },
                   D3DERR_INVALIDCALL},
        ParamsCase{"full_screen_zero_size", [](auto& p) { p.BackBufferWidth = 0; }, D3DERR_INVALIDCALL},
        ParamsCase{"sixteen_bit_back_buffer", [](auto& p) { p.BackBufferFormat = D3DFMT_R5G6B5; }, D3DERR_NOTAVAILABLE},
        ParamsCase{"too_many_back_buffers", [](auto& p) { p.BackBufferCount = 4; }, D3DERR_INVALIDCALL},
        ParamsCase{"unknown_swap_effect", [](auto& p) { p.SwapEffect = static_cast<D3DSWAPEFFECT>(0); },
                   D3DERR_INVALIDCALL},
        ParamsCase{"quality_without_multisampling", [](auto& p) { p.MultiSampleQuality = 1; }, D3DERR_INVALIDCALL},
        ParamsCase{"multisampling", [](auto& p) { p.MultiSampleType = D3DMULTISAMPLE_NONMASKABLE; },
                   D3DERR_NOTAVAILABLE},
        ParamsCase{"multisampling_with_flip",
                   [](auto& p) {
                       p.MultiSampleType = D3DMULTISAMPLE_NONMASKABLE;
                       p.SwapEffect = D3DSWAPEFFECT_FLIP;
                   },
                   D3DERR_INVALIDCALL},
        ParamsCase{"depth_format_not_depth", [](auto& p) { p.AutoDepthStencilFormat = D3DFMT_A8R8G8B8; },
                   D3DERR_INVALIDCALL},
        ParamsCase{"no_depth_buffer_any_format",
                   [](auto& p) {
                       p.EnableAutoDepthStencil = FALSE;
                       p.AutoDepthStencilFormat = D3DFMT_UNKNOWN;
                   },
                   D3D_OK},
        ParamsCase{"bad_interval", [](auto& p) { p.PresentationInterval = 3; }, D3DERR_INVALIDCALL},
        ParamsCase{"windowed_with_refresh_rate", [](auto& p) { p.Windowed = TRUE; }, D3DERR_INVALIDCALL}),
    [](const ::testing::TestParamInfo<ParamsCase>& param) { return param.param.name; });

TEST(PresentParamsCompletion, WindowedZerosTakeTheWindowAndFullScreenStaysAsGiven)
{
    D3DPRESENT_PARAMETERS windowed{};
    windowed.Windowed = TRUE;
    CompletePresentParameters(windowed, 320, 200);
    EXPECT_EQ(windowed.BackBufferWidth, 320u);
    EXPECT_EQ(windowed.BackBufferHeight, 200u);
    EXPECT_EQ(windowed.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(windowed.BackBufferCount, 1u);

    D3DPRESENT_PARAMETERS full = ProgramParams();
    const D3DPRESENT_PARAMETERS before = full;
    CompletePresentParameters(full, 320, 200);
    EXPECT_EQ(full.BackBufferWidth, before.BackBufferWidth);
    EXPECT_EQ(full.BackBufferHeight, before.BackBufferHeight);
    EXPECT_EQ(full.BackBufferFormat, before.BackBufferFormat);
}

TEST(SwapInterval, FollowsThePresentationInterval)
{
    EXPECT_EQ(SwapIntervalOf(D3DPRESENT_INTERVAL_ONE), 1);
    EXPECT_EQ(SwapIntervalOf(D3DPRESENT_INTERVAL_DEFAULT), 1);
    EXPECT_EQ(SwapIntervalOf(D3DPRESENT_INTERVAL_IMMEDIATE), 0);
}

D3DDISPLAYMODE Mode(UINT width, UINT height, UINT rate) { return D3DDISPLAYMODE{width, height, rate, D3DFMT_X8R8G8B8}; }

TEST(DisplayModeOrder, SizesAscendingRatesDescendingWithoutRepeats)
{
    std::vector<D3DDISPLAYMODE> modes = {Mode(1024, 768, 75), Mode(800, 600, 75),  Mode(1280, 720, 60),
                                         Mode(800, 600, 60),  Mode(1024, 768, 60), Mode(800, 600, 75),
                                         Mode(640, 480, 60),  Mode(1024, 600, 60)};
    SortDisplayModes(modes);
    const std::vector<D3DDISPLAYMODE> expected = {Mode(640, 480, 60),  Mode(800, 600, 75),  Mode(800, 600, 60),
                                                  Mode(1024, 600, 60), Mode(1024, 768, 75), Mode(1024, 768, 60),
                                                  Mode(1280, 720, 60)};
    ASSERT_EQ(modes.size(), expected.size());
    for (size_t i = 0; i < modes.size(); ++i) {
        EXPECT_EQ(modes[i].Width, expected[i].Width) << i;
        EXPECT_EQ(modes[i].Height, expected[i].Height) << i;
        EXPECT_EQ(modes[i].RefreshRate, expected[i].RefreshRate) << i;
    }
}

} // namespace
