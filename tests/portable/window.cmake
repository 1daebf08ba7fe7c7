# The portable window and input layer.
add_executable(window_tests
  ${CMAKE_CURRENT_LIST_DIR}/window_class_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_codepage_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_event_translation_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_key_characters_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_key_messages_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_keyboard_map_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_message_queue_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_messages_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_path_open_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_raw_input_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_screen_test.cpp
)
target_link_libraries(window_tests PRIVATE platform_portable GTest::gtest GTest::gtest_main)
# SDL's dummy video driver: nothing here depends on the machine's screen.
gtest_discover_tests(window_tests DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "SDL_VIDEODRIVER=dummy")

# Windows on SDL's offscreen driver (OpenGL through EGL; the tests select it
# themselves), no display server needed.
add_executable(window_display_tests ${CMAKE_CURRENT_LIST_DIR}/window_display_test.cpp)
target_link_libraries(window_display_tests PRIVATE platform_portable GTest::gtest GTest::gtest_main)
# In a sanitizer build the OpenGL driver's own allocations are kept out of the
# leak report; finding them needs the slow unwinder, as the driver has no frame pointers.
gtest_discover_tests(window_display_tests DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT
  "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_LIST_DIR}/window_display.supp:fast_unwind_on_malloc=0")
