# The Debian package: `cpack -G DEB` in a build tree configured with -DCMAKE_INSTALL_PREFIX=/usr
# (packaging/check-deb does all of it and checks the result).
set(CPACK_PACKAGE_NAME tova-shutdown)
set(CPACK_PACKAGE_VENDOR "Tova Shutdown developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "power off, restart or log off at set times of the day")
# One paragraph, lines kept short for the package tools.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Tova Shutdown keeps daily lists of times, for working days, weekends and\n"
       "holidays, and at each time asks systemd-logind to power the computer off,\n"
       "restart it or log the user off. It runs in the notification area, counts\n"
       "down to the next time, warns a minute before, and can warn the other\n"
       "computers of a local network through its own small messenger.")
set(TOVA_PACKAGE_MAINTAINER "Tova Shutdown maintainers <maintainers@users.noreply.c-seed-fcd6de60.example>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT "${TOVA_PACKAGE_MAINTAINER}")

set(CPACK_GENERATOR DEB)
# DESTDIR staging, so that the autostart entry's install-time choice sees the real prefix (/usr).
set(CPACK_SET_DESTDIR ON)
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TOVA_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies come from dpkg-shlibdeps (package dpkg-dev). Powering off goes through logind.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own translations put the buttons and file dialogs in the interface language; qt6-wayland lets
# the program run in a Wayland session (without it Qt needs XWayland).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "default-logind | logind, qt6-translations-l10n, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/deb/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# A package built for another prefix would put its autostart entry in the wrong place and look for
# its data where nothing is: refuse it rather than build it.
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/TovaCPackOptions.cmake)

include(CPack)
