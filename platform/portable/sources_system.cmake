# Time, local time and the program entry.
list(APPEND PLATFORM_PORTABLE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/time.cpp
)
