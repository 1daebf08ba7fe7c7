# The portable Direct3D 9 device and D3DX font.

# Pure parts: layout, parameters, mode order, font matching. No display needed.
add_executable(d3d_unit_tests
  ${CMAKE_CURRENT_LIST_DIR}/d3d_present_params_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3dx_font_face_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3dx_font_layout_test.cpp
)
target_link_libraries(d3d_unit_tests PRIVATE platform_portable GTest::gtest GTest::gtest_main)
set(D3D_TEST_ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_LIST_DIR}/d3d_lsan.supp")
gtest_discover_tests(d3d_unit_tests DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "${D3D_TEST_ENVIRONMENT}")

# Drawing and device behaviour, read back from OpenGL under a virtual X display.
add_executable(d3d_display_tests
  ${CMAKE_CURRENT_LIST_DIR}/d3d_device_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3d_draw_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3d_font_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3d_test_support.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3d_texture_test.cpp
)
target_link_libraries(d3d_display_tests PRIVATE platform_portable GTest::gtest GTest::gtest_main)
# Each run gets its own virtual display; without xvfb-run the tests need $DISPLAY
# and fail with a message saying so when there is none.
find_program(XVFB_RUN xvfb-run)
if(XVFB_RUN)
  set_target_properties(d3d_display_tests PROPERTIES
    CROSSCOMPILING_EMULATOR "${XVFB_RUN};-a;-s;-screen 0 1024x768x24")
else()
  message(STATUS "xvfb-run not found: d3d_display_tests use the current display")
endif()
gtest_discover_tests(d3d_display_tests DISCOVERY_TIMEOUT 120
  PROPERTIES LABELS display TIMEOUT 120 ENVIRONMENT "${D3D_TEST_ENVIRONMENT}")

# Every allocation of the window layer, the device and the font failing in
# turn. Its own program, as it replaces operator new.
add_executable(d3d_out_of_memory_tests
  ${CMAKE_CURRENT_LIST_DIR}/d3d_out_of_memory_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3d_test_support.cpp
  ${CMAKE_CURRENT_LIST_DIR}/allocation_failure.cpp
)
target_link_libraries(d3d_out_of_memory_tests PRIVATE platform_portable GTest::gtest GTest::gtest_main)
if(XVFB_RUN)
  set_target_properties(d3d_out_of_memory_tests PROPERTIES
    CROSSCOMPILING_EMULATOR "${XVFB_RUN};-a;-s;-screen 0 1024x768x24")
endif()
gtest_discover_tests(d3d_out_of_memory_tests DISCOVERY_TIMEOUT 120
  PROPERTIES LABELS display TIMEOUT 120 ENVIRONMENT "${D3D_TEST_ENVIRONMENT}")

# Full-screen devices switch modes: each test gets an Xorg dummy display with
# several (it needs root, as the end-to-end runs do).
add_executable(d3d_fullscreen_tests
  ${CMAKE_CURRENT_LIST_DIR}/d3d_fullscreen_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3d_test_support.cpp
)
target_link_libraries(d3d_fullscreen_tests PRIVATE platform_portable GTest::gtest GTest::gtest_main)
set_target_properties(d3d_fullscreen_tests PROPERTIES
  CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/tests/e2e/with_dummy_display.sh)
gtest_discover_tests(d3d_fullscreen_tests DISCOVERY_TIMEOUT 120
  PROPERTIES LABELS display TIMEOUT 120 SKIP_RETURN_CODE 77 ENVIRONMENT "${D3D_TEST_ENVIRONMENT}")
