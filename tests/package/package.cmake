# Each package, made with CPack, unpacked into an empty folder and run from
# there on a private virtual display: the Linux ones natively (not in a
# sanitizer build, which is not shipped), the tar.gz and the Debian package
# also installed read-only and started by an ordinary user; the Windows one
# under Wine.
set(package_test ${CMAKE_CURRENT_LIST_DIR}/package_test.sh)
if(NOT WALKTHROUGH_SANITIZE)
  foreach(kind native deb)
    set(name package_linux)
    if(kind STREQUAL deb)
      set(name package_deb)
    endif()
    add_test(NAME ${name}
      COMMAND ${package_test} ${kind} ${CMAKE_CPACK_COMMAND} ${CMAKE_BINARY_DIR}/CPackConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/package/${kind})
    set_tests_properties(${name} PROPERTIES LABELS "e2e;package" TIMEOUT 300 SKIP_RETURN_CODE 77
                         ENVIRONMENT WALKTHROUGH_VERSION=${PROJECT_VERSION})
  endforeach()
endif()
if(WALKTHROUGH_WINE_TESTS)
  add_test(NAME package_windows
    COMMAND ${package_test} wine ${CMAKE_CPACK_COMMAND}
            ${WALKTHROUGH_WINDOWS_BUILD_DIR}/CPackConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/package/windows)
  set_tests_properties(package_windows PROPERTIES
    ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-e2e;WALKTHROUGH_VERSION=${PROJECT_VERSION}"
    RESOURCE_LOCK wineprefix-e2e LABELS "e2e;wine;package" TIMEOUT 600 SKIP_RETURN_CODE 77
    FIXTURES_REQUIRED windows_build)
endif()
