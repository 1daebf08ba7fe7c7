# Tests of the model generator (tools/modelgen); what it writes is read back
# by the program's own .x reader.
if(TARGET modelgen_core)
  add_executable(modelgen_tests
    ${CMAKE_CURRENT_LIST_DIR}/cli_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/command_line_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/icon_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/models_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mszip_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/output_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/png_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/shapes_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_files.cpp
    ${CMAKE_CURRENT_LIST_DIR}/textures_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x_read_back.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x_writer_test.cpp
  )
  target_link_libraries(modelgen_tests PRIVATE modelgen_core platform_d3dx_xfile test_support ZLIB::ZLIB PkgConfig::SPNG
                        GTest::gtest GTest::gtest_main walkthrough_defaults)
  target_compile_definitions(modelgen_tests PRIVATE
    MODELGEN_EXE="$<TARGET_FILE:modelgen>"
    MODELGEN_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  add_dependencies(modelgen_tests modelgen)
  gtest_discover_tests(modelgen_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS modelgen)
endif()
