# Read by cpack for each generator: the Debian package is made from the deb
# component alone (CPACK_INSTALL_CMAKE_PROJECTS: build folder, project,
# component, folder in the package).
if(CPACK_GENERATOR STREQUAL "DEB")
  list(GET CPACK_INSTALL_CMAKE_PROJECTS 0 build_folder)
  list(GET CPACK_INSTALL_CMAKE_PROJECTS 1 project)
  set(CPACK_INSTALL_CMAKE_PROJECTS "${build_folder};${project};deb;/")
endif()
