# Every package the native build uses, found once here for all its folders
# (Debian's packages; tools/install-deps.sh installs them).
find_package(SDL2 REQUIRED)
find_package(OpenGL REQUIRED COMPONENTS OpenGL)
find_package(X11 REQUIRED)
find_package(Freetype REQUIRED)
find_package(Fontconfig REQUIRED)
find_package(ZLIB REQUIRED)
find_package(JPEG REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(SPNG REQUIRED IMPORTED_TARGET spng)
if(BUILD_TESTING)
  find_package(GTest REQUIRED)
endif()
# Benchmarks only, built when present.
find_package(benchmark QUIET)
find_package(assimp QUIET)
