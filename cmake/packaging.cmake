# The packages (the package target, CPack).
#
# The program's folder, as `cmake --install` lays it out and the archives pack
# it: the program, Models, settings.ini and a read-me. The program reads Models
# and settings.ini from its working directory and writes log.txt there.
#   Windows: walkthrough.exe at the top, run from its folder as Explorer does;
#            walkthrough-windows-x86_64.zip.
#   Linux:   the program in bin/, and at the top the launcher walkthrough,
#            which runs it in the folder, or in a folder of the user's when
#            this one is read-only; walkthrough-linux-x86_64.tar.gz.
#
# Linux also gets a Debian package, walkthrough_<version>_<arch>.deb, from the
# install rules of the component deb (left out of a plain install): the same
# launcher in /usr/games, the program in /usr/lib/walkthrough, Models and
# settings.ini in /usr/share/walkthrough, a desktop entry and the icon.
if(WIN32)
  install(TARGETS walkthrough RUNTIME DESTINATION .)
  install(FILES packaging/windows/README.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-x86_64)
else()
  install(TARGETS walkthrough RUNTIME DESTINATION bin)
  install(PROGRAMS packaging/linux/walkthrough DESTINATION .)
  install(FILES packaging/linux/README.txt DESTINATION .)
  set(CPACK_GENERATOR TGZ DEB)
  set(CPACK_SYSTEM_NAME linux-x86_64)
endif()
install(DIRECTORY Models DESTINATION .)
install(FILES settings.ini DESTINATION .)

if(NOT WIN32)
  set(deb COMPONENT deb EXCLUDE_FROM_ALL)
  install(PROGRAMS packaging/linux/walkthrough DESTINATION games ${deb})
  install(TARGETS walkthrough RUNTIME DESTINATION lib/walkthrough ${deb})
  install(DIRECTORY Models DESTINATION share/walkthrough ${deb})
  install(FILES settings.ini DESTINATION share/walkthrough ${deb})
  install(FILES packaging/linux/walkthrough.desktop DESTINATION share/applications ${deb})
  foreach(size 16 32 48 64 128 256)
    install(FILES packaging/icons/walkthrough-${size}.png DESTINATION share/icons/hicolor/${size}x${size}/apps
            RENAME walkthrough.png ${deb})
  endforeach()
  install(FILES packaging/linux/README.txt DESTINATION share/doc/walkthrough ${deb})

  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION games)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Walk-through developers <walkthrough@example.org>")
  # The libraries it links (dpkg-shlibdeps), and what it loads while it runs:
  # OpenGL for X11 (GLX) and for Wayland (EGL) with Mesa's drivers, and a
  # scalable font that fontconfig gives for Arial.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1, libegl1, libegl-mesa0, libgl1-mesa-dri, fonts-liberation")
  # The archive installs everything of a plain install, the Debian package its
  # own component only.
  set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/cpack-per-generator.cmake)
endif()

set(CPACK_PACKAGE_NAME walkthrough)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Small real-time 3D walk-through")
set(CPACK_PACKAGE_DESCRIPTION
    "Walk with the keyboard and mouse through a small scene of a level, crates and a spinning figure, drawn full screen at the display mode that settings.ini names.")
set(CPACK_PACKAGE_FILE_NAME walkthrough-${CPACK_SYSTEM_NAME})
set(CPACK_STRIP_FILES ON)
include(CPack)
