# The D3DX mesh and texture loaders. The readers of .x files and images are
# pure libraries (no window, no GL) shared with the fuzzers and tools; the
# D3DX objects on top of them are an object library the tests link as well.
set(D3DX_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR})
get_filename_component(D3DX_ROOT_DIR ${CMAKE_CURRENT_LIST_DIR}/../.. ABSOLUTE)

find_package(ZLIB REQUIRED)

add_library(platform_xfile STATIC
  ${D3DX_SOURCE_DIR}/huge_pages.cpp
  ${D3DX_SOURCE_DIR}/xfile_builtin_templates.cpp
  ${D3DX_SOURCE_DIR}/xfile_mesh_builder.cpp
  ${D3DX_SOURCE_DIR}/xfile_mszip.cpp
  ${D3DX_SOURCE_DIR}/xfile_parser.cpp
  ${D3DX_SOURCE_DIR}/xfile_source.cpp
  ${D3DX_SOURCE_DIR}/xfile_templates.cpp
)
target_include_directories(platform_xfile PUBLIC ${D3DX_ROOT_DIR})
target_link_libraries(platform_xfile PUBLIC platform_math ZLIB::ZLIB)

# PNG through libspng, JPEG through libjpeg-turbo (Debian's libspng-dev and
# libjpeg62-turbo-dev); BMP, TGA and DDS are read here.
find_package(PkgConfig REQUIRED)
pkg_check_modules(SPNG REQUIRED IMPORTED_TARGET spng)
find_package(JPEG REQUIRED)
add_library(platform_image STATIC
  ${D3DX_SOURCE_DIR}/image_bmp.cpp
  ${D3DX_SOURCE_DIR}/image_dds.cpp
  ${D3DX_SOURCE_DIR}/image_decode.cpp
  ${D3DX_SOURCE_DIR}/image_dxt.cpp
  ${D3DX_SOURCE_DIR}/image_jpeg.cpp
  ${D3DX_SOURCE_DIR}/image_png.cpp
  ${D3DX_SOURCE_DIR}/image_resample.cpp
  ${D3DX_SOURCE_DIR}/image_rows.cpp
  ${D3DX_SOURCE_DIR}/image_texture.cpp
  ${D3DX_SOURCE_DIR}/image_tga.cpp
)
target_include_directories(platform_image PUBLIC ${D3DX_ROOT_DIR})
target_link_libraries(platform_image PRIVATE PkgConfig::SPNG JPEG::JPEG)

if(NOT WALKTHROUGH_D3DX_READERS_ONLY)
  add_library(platform_d3dx OBJECT
    ${D3DX_SOURCE_DIR}/d3dx_buffer.cpp
    ${D3DX_SOURCE_DIR}/d3dx_mesh.cpp
    ${D3DX_SOURCE_DIR}/d3dx_texture.cpp
    ${D3DX_SOURCE_DIR}/file_bytes.cpp
  )
  target_include_directories(platform_d3dx PUBLIC ${D3DX_ROOT_DIR})
  target_link_libraries(platform_d3dx PUBLIC platform_xfile platform_image)

  list(APPEND PLATFORM_PORTABLE_SOURCES $<TARGET_OBJECTS:platform_d3dx>)
  list(APPEND PLATFORM_PORTABLE_LIBRARIES platform_xfile platform_image)
endif()
