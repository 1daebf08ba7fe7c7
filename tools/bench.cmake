# Benchmarks (not tests): run them with tools/bench/run-benchmarks.sh.
if(CMAKE_CROSSCOMPILING OR WIN32)
  return()
endif()
if(benchmark_FOUND)
  # One frame's system work: controls, update, draw submission.
  add_executable(frame_bench ${CMAKE_CURRENT_LIST_DIR}/bench/frame_bench.cpp)
  target_link_libraries(frame_bench PRIVATE walkthrough_system platform_portable benchmark::benchmark)

  # The device's frame rate and CPU time per frame with pacing off; needs a display.
  if(TARGET GTest::gtest)
    add_executable(d3d_frame_bench ${CMAKE_CURRENT_LIST_DIR}/bench/d3d_frame_bench.cpp
      ${PROJECT_SOURCE_DIR}/tests/portable/d3d9/test_support.cpp)
    target_include_directories(d3d_frame_bench PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(d3d_frame_bench PRIVATE platform_portable benchmark::benchmark GTest::gtest)
  endif()

  # The .x and texture readers on files in memory.
  add_executable(xfile_read_bench ${CMAKE_CURRENT_LIST_DIR}/bench/xfile_read_bench.cpp
    ${PROJECT_SOURCE_DIR}/tests/portable/d3dx/xfile/encoded_files.cpp
    ${PROJECT_SOURCE_DIR}/tests/portable/d3dx/image/test_files.cpp)
  target_include_directories(xfile_read_bench PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(xfile_read_bench PRIVATE platform_d3dx_xfile platform_d3dx_image modelgen_core JPEG::JPEG ZLIB::ZLIB benchmark::benchmark)
endif()
# Stamps each buffer swap of a native program from outside (LD_PRELOAD).
add_library(swap_stamp MODULE ${CMAKE_CURRENT_LIST_DIR}/bench/swap_stamp.cpp)
target_link_libraries(swap_stamp PRIVATE ${CMAKE_DL_LIBS})
# Its dlsym passes look-ups on as tail calls, also in a debug build.
target_compile_options(swap_stamp PRIVATE -O2 -foptimize-sibling-calls)
if(X11_FOUND)
  # The time from process start to the first frame on the screen.
  add_executable(first_frame ${CMAKE_CURRENT_LIST_DIR}/bench/first_frame.cpp)
  target_link_libraries(first_frame PRIVATE X11::X11)
endif()
# The same scene drawn by Irrlicht, for tools/bench/side_by_side.sh.
find_path(IRRLICHT_INCLUDE_DIR irrlicht.h PATH_SUFFIXES irrlicht)
find_library(IRRLICHT_LIBRARY Irrlicht)
if(IRRLICHT_INCLUDE_DIR AND IRRLICHT_LIBRARY)
  add_executable(irrlicht_walk ${CMAKE_CURRENT_LIST_DIR}/bench/irrlicht_walk.cpp)
  # Its headers are not ours: their warnings are not reported.
  target_include_directories(irrlicht_walk SYSTEM PRIVATE ${IRRLICHT_INCLUDE_DIR})
  target_link_libraries(irrlicht_walk PRIVATE ${IRRLICHT_LIBRARY})
  # Irrlicht 1.8's headers are not valid C++20 (irrXML.h).
  set_target_properties(irrlicht_walk PROPERTIES CXX_STANDARD 17)
endif()
# The least any program can do for the scene on SDL2 and OpenGL 3.3, the
# floor that tools/bench/side_by_side.sh measures the program against.
add_executable(floor_walk ${CMAKE_CURRENT_LIST_DIR}/bench/floor_walk.cpp)
target_link_libraries(floor_walk PRIVATE platform_d3dx_xfile SDL2::SDL2 OpenGL::GL PkgConfig::SPNG)
# Anonymous resident memory by owner, for side_by_side.sh: what a program
# holds, noted inside it (preloaded; written on SIGUSR2), and the breakdown.
add_library(heap_report MODULE ${CMAKE_CURRENT_LIST_DIR}/bench/heap_report.cpp)
target_link_libraries(heap_report PRIVATE ${CMAKE_DL_LIBS})
target_compile_options(heap_report PRIVATE -O2)
add_executable(anon_breakdown ${CMAKE_CURRENT_LIST_DIR}/bench/anon_breakdown.cpp)
# The .x reader next to Assimp's: load time and peak memory on a large model;
# the texture loader on the shipped textures.
if(assimp_FOUND)
  add_executable(xload_bench ${CMAKE_CURRENT_LIST_DIR}/bench/xload_bench.cpp
    ${PROJECT_SOURCE_DIR}/tests/portable/d3dx/xfile/encoded_files.cpp)
  target_include_directories(xload_bench PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(xload_bench PRIVATE platform_portable modelgen_core assimp::assimp ZLIB::ZLIB JPEG::JPEG)
endif()
