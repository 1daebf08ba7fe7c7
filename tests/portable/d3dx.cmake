# The portable D3DX mesh and texture loaders: the .x reader, the image
# decoders and the D3DX objects, against a stand-in device. The test files
# are written with libjpeg and zlib.
find_package(JPEG REQUIRED)
find_package(ZLIB REQUIRED)
add_executable(d3dx_tests
  ${CMAKE_CURRENT_LIST_DIR}/allocation_failure.cpp
  ${CMAKE_CURRENT_LIST_DIR}/decimal_float_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_bytes_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3dx_test_device.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3dx_test_files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_decode_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_test_files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_texture_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xfile_bad_input_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xfile_load_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xfile_mesh_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xfile_parser_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xfile_writer.cpp
  ${PROJECT_SOURCE_DIR}/platform/portable/path_open.cpp
  ${PROJECT_SOURCE_DIR}/platform/portable/wide_text.cpp
)
target_include_directories(d3dx_tests PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(d3dx_tests PRIVATE platform_d3dx JPEG::JPEG ZLIB::ZLIB GTest::gtest GTest::gtest_main)
target_compile_definitions(d3dx_tests PRIVATE WALKTHROUGH_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
gtest_discover_tests(d3dx_tests DISCOVERY_TIMEOUT 60)

# The model inspector on a compressed sample: what it prints, and its exit codes.
if(TARGET xinfo)
  set(XINFO_SAMPLES ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/fuzz_xfile)
  add_test(NAME xinfo_describes_a_model COMMAND xinfo ${XINFO_SAMPLES}/sample.bzip.x)
  set_tests_properties(xinfo_describes_a_model PROPERTIES PASS_REGULAR_EXPRESSION
    "Encoding: compressed binary \\(MSZIP\\), version 03.03, 32-bit floats.*Vertices: 5.*Faces: 4.*Subsets: 2.*Materials: 2.*texture \"red.bmp\": does not load.*Textures: some do not load")
  add_test(NAME xinfo_fails_for_a_missing_model COMMAND sh -c
    "out=$(\"$0\" \"$1\" 2>&1); status=$?; echo \"$out\"; [ $status -eq 1 ] && echo \"$out\" | grep -q 'does not load: D3DXERR_INVALIDDATA'"
    $<TARGET_FILE:xinfo> ${XINFO_SAMPLES}/absent.x)
endif()

# Memory: each allocation failing in turn inside the D3DX entry points, and
# files that ask for gigabytes. allocation_failure.cpp replaces operator new
# for the whole executable, so these tests have one of their own.
add_executable(d3dx_memory_tests
  ${CMAKE_CURRENT_LIST_DIR}/allocation_failure.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3dx_out_of_memory_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/d3dx_test_files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xfile_limits_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xfile_writer.cpp
  ${PROJECT_SOURCE_DIR}/platform/portable/path_open.cpp
  ${PROJECT_SOURCE_DIR}/platform/portable/wide_text.cpp
)
target_include_directories(d3dx_memory_tests PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(d3dx_memory_tests PRIVATE WALKTHROUGH_MODELS_DIR="${PROJECT_SOURCE_DIR}/Models")
target_link_libraries(d3dx_memory_tests PRIVATE platform_d3dx GTest::gtest GTest::gtest_main)
gtest_discover_tests(d3dx_memory_tests DISCOVERY_TIMEOUT 60)
