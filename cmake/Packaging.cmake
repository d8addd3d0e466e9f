# Install rules for the programs and their desktop integration (menu entry, icons, AppStream
# metainfo, udev rules), and the Debian package built from them with CPack.
include_guard(GLOBAL)
include(GNUInstallDirs)

set(korvo_resources ${PROJECT_SOURCE_DIR}/resources)

# udev reads /usr/lib/udev/rules.d and /lib/udev/rules.d, never a multiarch library folder.
set(KORVO_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING
    "Where the udev rules go, relative to the install prefix")
set(KORVO_PACKAGE_MAINTAINER "Korvo Updater Maintainers <korvo-updater@example.org>" CACHE STRING
    "Maintainer field of the Debian package")

foreach(program IN ITEMS korvo-updater korvo-updater-demo)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    else()
        message(STATUS "Packaging: no target ${program}, so it is not installed")
    endif()
endforeach()

if(EXISTS ${korvo_resources}/linux)
    install(FILES ${korvo_resources}/linux/korvo-updater.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${korvo_resources}/linux/io.github.korvo.korvo_updater.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    install(FILES ${korvo_resources}/linux/60-korvo-updater.rules
            DESTINATION ${KORVO_UDEV_RULES_DIR})
    install(FILES ${korvo_resources}/linux/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

foreach(size IN ITEMS 16 32 48 64 128)
    set(icon ${korvo_resources}/icons/korvo-updater-${size}.png)
    if(EXISTS ${icon})
        install(FILES ${icon}
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                RENAME korvo-updater.png)
    endif()
endforeach()
if(EXISTS ${korvo_resources}/icons/korvo-updater.svg)
    install(FILES ${korvo_resources}/icons/korvo-updater.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# The Debian package. dpkg-shlibdeps adds the libraries the programs link, with their versions.
# Qt loads its platform plugin at run time, unseen by dpkg-shlibdeps, so that package is named
# here, with the Qt and udev libraries the programs cannot run without.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvo-updater)
set(CPACK_PACKAGE_VENDOR "Korvo")
# project() gives 1.7; the package is numbered 1.7.0.
set(korvo_patch_version 0)
if(NOT "${PROJECT_VERSION_PATCH}" STREQUAL "")
    set(korvo_patch_version ${PROJECT_VERSION_PATCH})
endif()
set(CPACK_PACKAGE_VERSION
    ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${korvo_patch_version})
set(CPACK_PACKAGE_CONTACT "${KORVO_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Firmware updater for the Korvo board")
set(CPACK_PACKAGE_DESCRIPTION
    "Korvo Firmware Updater writes new firmware into a Korvo device board over
an FTDI USB-serial adapter. It shows the firmware version that the board
reports beside the version of the image that it carries, then writes the
image into the board's flash memory block by block, reading every block
back to check it.
.
The package also holds korvo-updater-demo, which runs the same window
against an emulated board, and udev rules that give the user at the seat
access to the adapter and shorten its latency timer.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KORVO_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6gui6, libudev1")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "hicolor-icon-theme")
set(CPACK_STRIP_FILES ON)
include(CPack)
