# The saver on a Linux desktop: where `cmake --install` puts the program's companions, and
# the Debian package (`cpack -G DEB`). The program itself is installed by src/shell.
#
#   bin/emberhold                                       the program
#   libexec/xscreensaver/emberhold -> ../../bin/emberhold  XScreenSaver's hack
#   share/xscreensaver/config/emberhold.xml             the hack's options for XScreenSaver
#   share/applications/emberhold.desktop                opens the configuration dialog
#   share/icons/hicolor/scalable/apps/emberhold.svg     its icon
#   share/man/man6/emberhold.6.gz                       the manual page

include(GNUInstallDirs)

set(EMBERHOLD_XSCREENSAVER_HACKDIR "${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver"
    CACHE STRING "XScreenSaver's hack folder, relative to the prefix")
set(EMBERHOLD_XSCREENSAVER_CONFIGDIR "${CMAKE_INSTALL_DATADIR}/xscreensaver/config"
    CACHE STRING "XScreenSaver's hack descriptions, relative to the prefix")

set(_eh_data ${PROJECT_SOURCE_DIR}/data)

# Debian keeps manual pages compressed; -n leaves the time stamp out so builds repeat.
find_program(EMBERHOLD_GZIP gzip)
if(EMBERHOLD_GZIP)
  set(_eh_man ${PROJECT_BINARY_DIR}/data/emberhold.6.gz)
  add_custom_command(
    OUTPUT ${_eh_man}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/data
    COMMAND ${EMBERHOLD_GZIP} -9nc ${_eh_data}/emberhold.6 > ${_eh_man}
    DEPENDS ${_eh_data}/emberhold.6
    COMMENT "Compressing the manual page")
  add_custom_target(eh_manual ALL DEPENDS ${_eh_man})
else()
  set(_eh_man ${_eh_data}/emberhold.6)
endif()

install(FILES ${_eh_man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${_eh_data}/emberhold.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_eh_data}/emberhold.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${_eh_data}/emberhold.xml DESTINATION ${EMBERHOLD_XSCREENSAVER_CONFIGDIR})

# The hack is the program itself, linked relatively so the installed tree can be moved
# (a `dpkg -x` into any folder keeps working).
file(RELATIVE_PATH _eh_hack_target "/${EMBERHOLD_XSCREENSAVER_HACKDIR}"
     "/${CMAKE_INSTALL_BINDIR}/emberhold")
install(CODE "
  set(_dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${EMBERHOLD_XSCREENSAVER_HACKDIR}\")
  file(MAKE_DIRECTORY \"\${_dir}\")
  file(CREATE_LINK \"${_eh_hack_target}\" \"\${_dir}/emberhold\" SYMBOLIC)
  message(STATUS \"Installing: \${_dir}/emberhold -> ${_eh_hack_target}\")
")

# ---- Debian package ----------------------------------------------------------------------
set(CPACK_GENERATOR DEB CACHE STRING "CPack generators")
set(CPACK_PACKAGE_NAME emberhold)
set(CPACK_PACKAGE_VENDOR "Kestrelle")
set(CPACK_PACKAGE_CONTACT "Emberhold developers <emberhold@kestrelle.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Emberhold 3D Screensaver - an evening landscape in real time")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "A camera flies over a landscape under an evening sky: an oak, swaying trees and grass,\n"
    "a sword, cloth ribbons, a horse, a flock of crows, a light beam and a sun corona.\n"
    "Runs full screen, in a window, or as an XScreenSaver hack. 'emberhold -c' opens\n"
    "its configuration dialog.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries the program links come from dpkg-shlibdeps. These are loaded at run time and
# so invisible to it: the OpenGL driver behind EGL (llvmpipe when there is no GPU), and
# what our audio library needs beyond the program (libvorbisfile): the program carries that
# library as a resource and loads it from a temporary file.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libegl1, libgl1-mesa-dri, libvorbisfile3")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xscreensaver")
include(CPack)
