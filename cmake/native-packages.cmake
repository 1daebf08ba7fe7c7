# Every package the native build uses, found once here for all its folders
# (Debian's packages; tools/install-deps.sh installs them).
find_package(Threads REQUIRED)
find_package(SDL2 REQUIRED)
find_package(OpenGL REQUIRED COMPONENTS OpenGL)
find_package(X11 REQUIRED)
find_package(Freetype REQUIRED)
find_package(Fontconfig REQUIRED)
find_package(ZLIB REQUIRED)
find_package(JPEG REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(SPNG REQUIRED IMPORTED_TARGET spng)
if(BUILD_TESTING OR WALKTHROUGH_BENCHMARKS)
  find_package(GTest REQUIRED)
endif()
if(WALKTHROUGH_BENCHMARKS)
  find_package(benchmark REQUIRED)
  # The .x reader's benchmark compares it with Assimp's.
  find_package(assimp REQUIRED)
  # The latency benchmark gives its input through XTest.
  if(NOT X11_XTest_FOUND)
    message(FATAL_ERROR "the benchmarks need XTest (libxtst-dev)")
  endif()
  # The same scene drawn by Irrlicht 1.8, which has no CMake package.
  find_path(IRRLICHT_INCLUDE_DIR irrlicht.h PATH_SUFFIXES irrlicht REQUIRED)
  find_library(IRRLICHT_LIBRARY Irrlicht REQUIRED)
  add_library(Irrlicht::Irrlicht UNKNOWN IMPORTED)
  # Imported include folders are system ones: their warnings are not reported.
  set_target_properties(Irrlicht::Irrlicht PROPERTIES IMPORTED_LOCATION ${IRRLICHT_LIBRARY}
                        INTERFACE_INCLUDE_DIRECTORIES ${IRRLICHT_INCLUDE_DIR})
endif()
