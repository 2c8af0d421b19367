# Installing the programs (with the desktop entry and the icon of the window
# program) and packaging them as a Debian package:
#   cmake --install build/default --prefix /usr/local
#   cd build/default && cpack        # brevant_<version>-1_<arch>.deb
# Included at the end of the top-level CMakeLists, when every target exists.
include(GNUInstallDirs)

install(TARGETS brevantctl brevant-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET brevant)
  install(TARGETS brevant RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/ui/res/brevant.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/ui/res/icons/brevant.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
# The service: its program, its systemd unit (not enabled: it starts once
# /etc/brevant/brevantd.conf exists) and a commented example configuration.
if(TARGET brevantd)
  install(TARGETS brevantd RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/brevantd.service DESTINATION /lib/systemd/system)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/examples/brevantd.conf
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/brevant/examples)
endif()

# The package's documents: the copyright, the package changelog and the
# manual pages, the last two compressed as Debian wants them (gzip -9n: no
# name or time stamp, so the same text gives the same bytes).
set(BREVANT_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/brevant)
set(BREVANT_GZIPPED)
function(brevant_gzip source target)
  add_custom_command(OUTPUT ${target}
    COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" gzip ${source} ${target}
    DEPENDS ${source} VERBATIM)
  set(BREVANT_GZIPPED ${BREVANT_GZIPPED} ${target} PARENT_SCOPE)
endfunction()
set(BREVANT_MAN_PAGES brevantctl.1 brevant-sim.1)
if(TARGET brevant)
  list(APPEND BREVANT_MAN_PAGES brevant.1)
endif()
if(TARGET brevantd)
  list(APPEND BREVANT_MAN_PAGES brevantd.8)
endif()
foreach(page IN LISTS BREVANT_MAN_PAGES)
  brevant_gzip(${PROJECT_SOURCE_DIR}/man/${page} ${PROJECT_BINARY_DIR}/man/${page}.gz)
  string(REGEX REPLACE ".*\\.([0-9])$" "\\1" section ${page})
  install(FILES ${PROJECT_BINARY_DIR}/man/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()
brevant_gzip(${PROJECT_SOURCE_DIR}/packaging/changelog ${PROJECT_BINARY_DIR}/changelog.Debian.gz)
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/man)
add_custom_target(brevant_docs ALL DEPENDS ${BREVANT_GZIPPED})
install(FILES ${PROJECT_BINARY_DIR}/changelog.Debian.gz ${PROJECT_SOURCE_DIR}/packaging/copyright
  DESTINATION ${BREVANT_DOC_DIR})

set(BREVANT_PACKAGE_MAINTAINER "Brevant maintainers <maintainers@brevant.invalid>"
  CACHE STRING "Maintainer named in the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brevant)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Control program for a 4-in/4-out audio processor on a serial port")
# Lines of the package description, each under 80 columns.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Finds the processor on a serial port, shows and changes every setting live,"
  "shows the signal meters, edits the crosspoint matrix, runs the acoustic"
  "measurement, saves and loads presets and upgrades the firmware."
  "Includes brevantctl (the same procedures from the shell), brevant-sim"
  "(a simulated device on a pseudo-terminal) and brevantd (a service that"
  "serves the devices to room controllers, scripts and other programs"
  "through an HTTP API).")
set(CPACK_PACKAGE_CONTACT "${BREVANT_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${BREVANT_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)

# The shared libraries the programs link are found by dpkg-shlibdeps where it
# is installed; otherwise the window program's Qt run-time libraries are named
# by hand. Qt loads its platform plugins at run time, so no linker check finds
# them.
find_program(BREVANT_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(BREVANT_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
if(TARGET brevant)
  if(BREVANT_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
  else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6widgets6, libqt6svg6, libqt6network6, libqt6websockets6, libsystemd0, qt6-qpa-plugins")
  endif()
  # Qt's own translations, so standard buttons and file dialogs follow the
  # window's language; the window's own are compiled into the program.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
endif()

include(CPack)
