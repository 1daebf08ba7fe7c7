# Each package, made with CPack, unpacked into an empty folder and run from
# there on a private virtual display: the Linux one natively (not in a
# sanitizer build, which is not shipped), the Windows one under Wine.
if(NOT WALKTHROUGH_SANITIZE)
  add_test(NAME package_linux
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/package_test.sh native ${CMAKE_CPACK_COMMAND} ${CMAKE_BINARY_DIR}/CPackConfig.cmake
            ${CMAKE_CURRENT_BINARY_DIR}/package/linux)
  set_tests_properties(package_linux PROPERTIES LABELS "e2e;package" TIMEOUT 300 SKIP_RETURN_CODE 77)
endif()
if(WALKTHROUGH_WINE_TESTS)
  add_test(NAME package_windows
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/package_test.sh wine ${CMAKE_CPACK_COMMAND}
            ${WALKTHROUGH_WINDOWS_BUILD_DIR}/CPackConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/package/windows)
  set_tests_properties(package_windows PROPERTIES
    ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-e2e" RESOURCE_LOCK wineprefix-e2e
    LABELS "e2e;wine;package" TIMEOUT 600 SKIP_RETURN_CODE 77 FIXTURES_REQUIRED windows_build)
endif()
