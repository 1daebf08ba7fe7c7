# Passes when the Windows build has made every file that the Wine tests run,
# and fails naming the missing ones and how to make them.
#   cmake -D WINDOWS_BUILD_DIR=DIR -D "FILES=PATH;..." -P windows_build_present.cmake
set(missing "")
foreach(file IN LISTS FILES)
  if(NOT EXISTS "${WINDOWS_BUILD_DIR}/${file}")
    string(APPEND missing "\n  ${WINDOWS_BUILD_DIR}/${file}")
  endif()
endforeach()
if(missing)
  message(FATAL_ERROR "The Wine tests run the Windows build, which lacks:${missing}\n"
                      "Build it first: cmake --preset windows && cmake --build --preset windows")
endif()
message(STATUS "Windows build: ${WINDOWS_BUILD_DIR}")
