# walkthrough.exe's resources (packaging/windows): the icon of
# packaging/icons, a VERSIONINFO from the project's version and the
# application manifest, compiled by windres as CMake's RC language.
enable_language(RC)
set(WALKTHROUGH_ICON ${PROJECT_SOURCE_DIR}/packaging/icons/walkthrough.ico)
set(WALKTHROUGH_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/walkthrough.manifest)
set(WALKTHROUGH_FILE_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
set(WALKTHROUGH_VERSION_COMMAS ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0)
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/walkthrough.manifest.in ${WALKTHROUGH_MANIFEST} @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/walkthrough.rc.in
               ${CMAKE_CURRENT_BINARY_DIR}/walkthrough.rc @ONLY)
set(WALKTHROUGH_RESOURCES ${CMAKE_CURRENT_BINARY_DIR}/walkthrough.rc)
# windres reads the files the script names only when it runs: rebuild when they change.
set_source_files_properties(${WALKTHROUGH_RESOURCES} PROPERTIES
  OBJECT_DEPENDS "${WALKTHROUGH_ICON};${WALKTHROUGH_MANIFEST}")
