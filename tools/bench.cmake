# Benchmarks (not tests), built with WALKTHROUGH_BENCHMARKS: run them with
# tools/bench/run-benchmarks.sh. Their packages are found in
# cmake/native-packages.cmake.
if(CMAKE_CROSSCOMPILING OR WIN32)
  return()
endif()
# One frame's system work: controls, update, draw submission.
add_executable(frame_bench ${CMAKE_CURRENT_LIST_DIR}/bench/frame_bench.cpp)
target_link_libraries(frame_bench PRIVATE walkthrough_system platform_portable benchmark::benchmark walkthrough_defaults)

# The device's frame rate and CPU time per frame with pacing off; needs a display.
add_executable(d3d_frame_bench ${CMAKE_CURRENT_LIST_DIR}/bench/d3d_frame_bench.cpp)
target_link_libraries(d3d_frame_bench PRIVATE d3d9_test_support walkthrough_system benchmark::benchmark walkthrough_defaults)

# The .x and texture readers on files in memory.
add_executable(xfile_read_bench ${CMAKE_CURRENT_LIST_DIR}/bench/xfile_read_bench.cpp)
target_link_libraries(xfile_read_bench PRIVATE d3dx_test_files platform_d3dx_image benchmark::benchmark walkthrough_defaults)

# Stamps each buffer swap of a native program from outside (LD_PRELOAD);
# without the sanitizers, which would have to be loaded first.
add_library(swap_stamp MODULE ${CMAKE_CURRENT_LIST_DIR}/bench/swap_stamp.cpp)
target_link_libraries(swap_stamp PRIVATE ${CMAKE_DL_LIBS} walkthrough_warnings)
# Its dlsym passes look-ups on as tail calls, also in a debug build.
target_compile_options(swap_stamp PRIVATE -O2 -foptimize-sibling-calls)

# The time from process start to the first frame on the screen.
add_executable(first_frame ${CMAKE_CURRENT_LIST_DIR}/bench/first_frame.cpp)
target_link_libraries(first_frame PRIVATE X11::X11 walkthrough_defaults)

# The same scene drawn by Irrlicht, for tools/bench/side_by_side.sh.
add_executable(irrlicht_walk ${CMAKE_CURRENT_LIST_DIR}/bench/irrlicht_walk.cpp)
target_link_libraries(irrlicht_walk PRIVATE Irrlicht::Irrlicht walkthrough_defaults)
# Irrlicht 1.8's headers are not valid C++20 (irrXML.h).
set_target_properties(irrlicht_walk PROPERTIES CXX_STANDARD 17)

# The least any program can do for the scene on SDL2 and OpenGL 3.3, the
# floor that tools/bench/side_by_side.sh measures the program against.
add_executable(floor_walk ${CMAKE_CURRENT_LIST_DIR}/bench/floor_walk.cpp)
target_link_libraries(floor_walk PRIVATE platform_d3dx_xfile SDL2::SDL2 OpenGL::GL PkgConfig::SPNG walkthrough_defaults)
# Anonymous resident memory by owner, for side_by_side.sh: what a program
# holds, noted inside it (preloaded; written on SIGUSR2), and the breakdown.
add_library(heap_report MODULE ${CMAKE_CURRENT_LIST_DIR}/bench/heap_report.cpp)
target_link_libraries(heap_report PRIVATE ${CMAKE_DL_LIBS} walkthrough_warnings)
target_compile_options(heap_report PRIVATE -O2)
add_executable(anon_breakdown ${CMAKE_CURRENT_LIST_DIR}/bench/anon_breakdown.cpp)
target_link_libraries(anon_breakdown PRIVATE walkthrough_defaults)

# The .x reader next to Assimp's: load time and peak memory on a large model;
# the texture loader on the shipped textures.
add_executable(xload_bench ${CMAKE_CURRENT_LIST_DIR}/bench/xload_bench.cpp)
target_link_libraries(xload_bench PRIVATE platform_portable d3dx_test_files assimp::assimp walkthrough_defaults)

# Input-to-screen latency from outside (XTest input, XShm reads of the
# screen), and a program of known latency to check it against, for
# tools/bench/input_latency.sh.
add_executable(latency_probe ${CMAKE_CURRENT_LIST_DIR}/bench/latency_probe.cpp)
target_link_libraries(latency_probe PRIVATE X11::X11 X11::Xext X11::Xtst walkthrough_defaults)
add_executable(latency_reference ${CMAKE_CURRENT_LIST_DIR}/bench/latency_reference.cpp)
target_link_libraries(latency_reference PRIVATE X11::X11 walkthrough_defaults)
