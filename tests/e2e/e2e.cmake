# End-to-end runs on a private virtual X display (Xorg with the dummy driver,
# started by the scripts; they need root and skip without it).
if(WIN32)
  # The Windows build of the window probe, run under Wine by the Linux build's tests.
  add_executable(window_probe WIN32 ${CMAKE_CURRENT_LIST_DIR}/window_probe.cpp)
  target_link_libraries(window_probe PRIVATE walkthrough_defaults)
  return()
endif()

add_executable(window_probe ${CMAKE_CURRENT_LIST_DIR}/window_probe.cpp ${PROJECT_SOURCE_DIR}/platform/portable/entry.cpp)
target_link_libraries(window_probe PRIVATE platform_portable walkthrough_defaults)

set(E2E_WORK_ROOT ${CMAKE_CURRENT_BINARY_DIR}/e2e)
set(E2E_SKIP_CODE 77)

# The scripts' library itself: its index, options and run folder (no display).
add_test(NAME e2e_lib COMMAND ${CMAKE_CURRENT_LIST_DIR}/lib_test.sh)
add_test(NAME e2e_window_probe
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/window_probe_test.sh --native $<TARGET_FILE:window_probe>
          --work-root ${E2E_WORK_ROOT}/window_probe)
add_test(NAME e2e_window_probe_window_manager
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/window_probe_test.sh --native $<TARGET_FILE:window_probe> --window-manager
          --work-root ${E2E_WORK_ROOT}/window_probe_window_manager)
add_test(NAME e2e_program
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/window_test.sh --native $<TARGET_FILE:walkthrough>
          --source-root ${PROJECT_SOURCE_DIR} --work-root ${E2E_WORK_ROOT}/program)
add_test(NAME e2e_program_escape
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/window_test.sh --native $<TARGET_FILE:walkthrough> --close escape
          --source-root ${PROJECT_SOURCE_DIR} --work-root ${E2E_WORK_ROOT}/program_escape)
add_test(NAME e2e_device
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/device_test.sh --native $<TARGET_FILE:walkthrough>
          --source-root ${PROJECT_SOURCE_DIR} --work-root ${E2E_WORK_ROOT}/device_native)
add_test(NAME e2e_ends
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/ends_test.sh --native $<TARGET_FILE:walkthrough>
          --source-root ${PROJECT_SOURCE_DIR} --work-root ${E2E_WORK_ROOT}/ends)
add_test(NAME e2e_signal_during_load
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/signal_during_load_test.sh --native $<TARGET_FILE:walkthrough>
          --modelgen $<TARGET_FILE:modelgen> --source-root ${PROJECT_SOURCE_DIR}
          --work-root ${E2E_WORK_ROOT}/signal_during_load)
# A short form of tools/endurance.sh: device losses, random input, memory
# (not judged in a sanitizer build, which holds freed memory back: there the
# input is shorter, as nothing measures it).
set(E2E_GROWTH_KB 2048)
set(E2E_INPUT_SECONDS 30)
if(WALKTHROUGH_SANITIZE)
  set(E2E_GROWTH_KB off)
  set(E2E_INPUT_SECONDS 15)
endif()
add_test(NAME e2e_endurance
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/endurance_test.sh --native $<TARGET_FILE:walkthrough> --cycles 10
          --input-seconds ${E2E_INPUT_SECONDS} --growth-kb ${E2E_GROWTH_KB} --source-root ${PROJECT_SOURCE_DIR}
          --work-root ${E2E_WORK_ROOT}/endurance)
# The desktops people use: tiling and other window managers (a workspace
# switch away and back), and Wayland.
foreach(desktop i3 fluxbox xfwm4 mutter kwin)
  add_test(NAME e2e_desktop_${desktop}
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/desktop_test.sh --native $<TARGET_FILE:walkthrough> --desktop ${desktop}
            --source-root ${PROJECT_SOURCE_DIR} --work-root ${E2E_WORK_ROOT}/desktop_${desktop})
endforeach()
# Wayland compositors, headless (GNOME's and KDE's, and sway): the program on
# their Xwayland and with SDL's Wayland driver, mutter's and sway's monitors
# also at 144 Hz.
foreach(run "mutter x11 60" "mutter x11 144" "mutter wayland 144" "kwin x11 60" "kwin wayland 60" "sway x11 60"
            "sway wayland 144")
  separate_arguments(run)
  list(GET run 0 compositor)
  list(GET run 1 driver)
  list(GET run 2 rate)
  set(name e2e_compositor_${compositor}_${driver}_${rate})
  add_test(NAME ${name}
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/compositor_test.sh --native $<TARGET_FILE:walkthrough> --compositor ${compositor}
            --driver ${driver} --rate ${rate} --source-root ${PROJECT_SOURCE_DIR} --work-root ${E2E_WORK_ROOT}/${name})
  # One compositor at a time: each brings its Xwayland, and two at once on two
  # cores starve each other's input handling.
  set_tests_properties(${name} PROPERTIES LABELS e2e TIMEOUT 180 SKIP_RETURN_CODE ${E2E_SKIP_CODE}
                                          RESOURCE_LOCK compositor)
endforeach()
add_test(NAME e2e_wayland
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/wayland_test.sh --native $<TARGET_FILE:walkthrough>
          --source-root ${PROJECT_SOURCE_DIR} --work-root ${E2E_WORK_ROOT}/wayland)
set_tests_properties(e2e_lib e2e_window_probe e2e_window_probe_window_manager e2e_program e2e_program_escape e2e_device e2e_ends
                     e2e_signal_during_load
                     e2e_endurance e2e_desktop_i3 e2e_desktop_fluxbox e2e_desktop_xfwm4 e2e_desktop_mutter e2e_desktop_kwin
                     e2e_wayland
                     PROPERTIES LABELS e2e TIMEOUT 180 SKIP_RETURN_CODE ${E2E_SKIP_CODE})
# Room for measuring the memory again after a growth.
set_tests_properties(e2e_endurance PROPERTIES TIMEOUT 300)
if(NOT WALKTHROUGH_WINE_TESTS)
  add_test(NAME e2e_walk
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/walk_test.sh --native $<TARGET_FILE:walkthrough>
            --source-root ${PROJECT_SOURCE_DIR} --work-root ${E2E_WORK_ROOT}/walk)
  set_tests_properties(e2e_walk PROPERTIES LABELS e2e TIMEOUT 180 SKIP_RETURN_CODE ${E2E_SKIP_CODE})
endif()

if(WALKTHROUGH_WINE_TESTS)
  # One prefix for these runs, used by one of them at a time.
  set(E2E_WINE_ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-e2e")
  add_test(NAME e2e_window_probe_wine
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/window_probe_test.sh --wine ${WALKTHROUGH_WINDOWS_BUILD_DIR}/tests/window_probe.exe
            --work-root ${E2E_WORK_ROOT}/window_probe_wine)
  add_test(NAME e2e_program_wine
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/window_test.sh --wine ${WALKTHROUGH_WINDOWS_BUILD_DIR}/walkthrough.exe
            --source-root ${PROJECT_SOURCE_DIR} --work-root ${E2E_WORK_ROOT}/program_wine)
  add_test(NAME e2e_device_wine
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/device_test.sh --wine ${WALKTHROUGH_WINDOWS_BUILD_DIR}/walkthrough.exe
            --source-root ${PROJECT_SOURCE_DIR} --work-root ${E2E_WORK_ROOT}/device_wine)
  add_test(NAME e2e_ends_wine
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/ends_test.sh --wine ${WALKTHROUGH_WINDOWS_BUILD_DIR}/walkthrough.exe
            --source-root ${PROJECT_SOURCE_DIR} --work-root ${E2E_WORK_ROOT}/ends_wine)
  add_test(NAME e2e_endurance_wine
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/endurance_test.sh --wine ${WALKTHROUGH_WINDOWS_BUILD_DIR}/walkthrough.exe
            --cycles 8 --input-seconds 0 --growth-kb 2048 --source-root ${PROJECT_SOURCE_DIR}
            --work-root ${E2E_WORK_ROOT}/endurance_wine)
  # GNOME's and KDE's window managers: away and back, another window, Escape.
  foreach(desktop mutter kwin)
    add_test(NAME e2e_desktop_${desktop}_wine
      COMMAND ${CMAKE_CURRENT_LIST_DIR}/desktop_test.sh --wine ${WALKTHROUGH_WINDOWS_BUILD_DIR}/walkthrough.exe
              --desktop ${desktop} --source-root ${PROJECT_SOURCE_DIR} --work-root ${E2E_WORK_ROOT}/desktop_${desktop}_wine)
  endforeach()
  # Both builds walk, and their starting frames are compared.
  add_test(NAME e2e_walk
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/walk_test.sh --native $<TARGET_FILE:walkthrough>
            --wine ${WALKTHROUGH_WINDOWS_BUILD_DIR}/walkthrough.exe
            --source-root ${PROJECT_SOURCE_DIR} --work-root ${E2E_WORK_ROOT}/walk)
  set_tests_properties(e2e_window_probe_wine e2e_program_wine e2e_device_wine e2e_ends_wine e2e_endurance_wine e2e_walk
                       e2e_desktop_mutter_wine e2e_desktop_kwin_wine
                       PROPERTIES
    ENVIRONMENT "${E2E_WINE_ENVIRONMENT}" RESOURCE_LOCK wineprefix-e2e FIXTURES_REQUIRED windows_build
    LABELS "e2e;wine" TIMEOUT 600 SKIP_RETURN_CODE ${E2E_SKIP_CODE})
  # They take turns on one Wine prefix: started first, their turns run beside
  # the other tests instead of after them.
  set_tests_properties(e2e_window_probe_wine e2e_program_wine e2e_device_wine e2e_ends_wine e2e_endurance_wine e2e_walk
                       e2e_desktop_mutter_wine e2e_desktop_kwin_wine PROPERTIES COST 1000)
endif()
set_tests_properties(e2e_endurance PROPERTIES COST 2000)
