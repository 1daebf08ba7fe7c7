# The program's folder, as `cmake --install` lays it out and CPack packs it
# (the package target): the program, Models, settings.ini and a read-me. The
# program reads Models and settings.ini from its working directory and writes
# log.txt there.
#   Windows: walkthrough.exe at the top, run from its folder as Explorer does;
#            walkthrough-windows-x86_64.zip.
#   Linux:   the program in bin/, and at the top the launcher walkthrough,
#            which runs it in the folder; walkthrough-linux-x86_64.tar.gz.
if(WIN32)
  install(TARGETS walkthrough RUNTIME DESTINATION .)
  install(FILES packaging/windows/README.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-x86_64)
else()
  install(TARGETS walkthrough RUNTIME DESTINATION bin)
  install(PROGRAMS packaging/linux/walkthrough DESTINATION .)
  install(FILES packaging/linux/README.txt DESTINATION .)
  set(CPACK_GENERATOR TGZ)
  set(CPACK_SYSTEM_NAME linux-x86_64)
endif()
install(DIRECTORY Models DESTINATION .)
install(FILES settings.ini DESTINATION .)

set(CPACK_PACKAGE_NAME walkthrough)
set(CPACK_PACKAGE_FILE_NAME walkthrough-${CPACK_SYSTEM_NAME})
set(CPACK_STRIP_FILES ON)
include(CPack)
