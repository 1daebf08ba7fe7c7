# The Direct3D 9 device on OpenGL 3.3 core, and the D3DX font on FreeType and fontconfig.
find_package(SDL2 REQUIRED)
find_package(OpenGL REQUIRED COMPONENTS OpenGL)
find_package(Freetype REQUIRED)
find_package(Fontconfig REQUIRED)

list(APPEND PLATFORM_PORTABLE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/d3d9_device.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3d9_device_draw.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3d9_device_present.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3d9_device_setters.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3d9_device_states.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3d9_device_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3d9_display_modes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3d9_fullscreen.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3d9_internal.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3d9_object.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3d9_present_params.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3dx_font.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3dx_font_atlas.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3dx_font_face.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3dx_font_layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3dx_font_renderer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3dx_font_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gl_api.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gl_back_buffer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gl_fixed_function.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gl_managed_upload.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gl_render_state.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gl_shader.cpp
)
list(APPEND PLATFORM_PORTABLE_LIBRARIES SDL2::SDL2 OpenGL::GL Freetype::Freetype Fontconfig::Fontconfig)
