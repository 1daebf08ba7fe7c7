# Windows, messages, keyboard and raw mouse input, cursor, screen metrics,
# code pages and Windows-style file names, on SDL2.
find_package(SDL2 REQUIRED)
# The platform library hands SDL on to everything that links it.
set_target_properties(SDL2::SDL2 PROPERTIES IMPORTED_GLOBAL TRUE)

list(APPEND PLATFORM_PORTABLE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/codepage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/crt_files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cursor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/event_pump.cpp
  ${CMAKE_CURRENT_LIST_DIR}/event_translation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/key_characters.cpp
  ${CMAKE_CURRENT_LIST_DIR}/key_messages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/keyboard_map.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_queue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/messages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/path_open.cpp
  ${CMAKE_CURRENT_LIST_DIR}/raw_input.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rect.cpp
  ${CMAKE_CURRENT_LIST_DIR}/screen.cpp
  ${CMAKE_CURRENT_LIST_DIR}/video.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wide_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_class.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_lifetime.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_procedure.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_show.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/x11_window_watch.cpp
)
# Xlib itself for the error handler, which SDL does not offer.
find_package(X11 REQUIRED)
list(APPEND PLATFORM_PORTABLE_LIBRARIES SDL2::SDL2 X11::X11)
