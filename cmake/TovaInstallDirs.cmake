# Where an installed Tova Shutdown lives, relative to the install prefix.
#
# tova-shutdown and net share one private folder outside PATH: the launcher finds net beside
# tova-shutdown, and a net on PATH would clash with Samba's /usr/bin/net. Only a symlink to
# tova-shutdown goes into bin/.
include(GNUInstallDirs)

set(TOVA_INSTALL_PROGRAMDIR "lib/tova" CACHE STRING "Folder of tova-shutdown and net, relative to the prefix")
set(TOVA_INSTALL_DATADIR "${CMAKE_INSTALL_DATADIR}/tova" CACHE STRING "Folder of the language file, relative to the prefix")
mark_as_advanced(TOVA_INSTALL_PROGRAMDIR TOVA_INSTALL_DATADIR)

# The data folder as seen from the program's folder, so that a tree installed under another prefix, or
# a package unpacked anywhere, still finds its language file.
file(RELATIVE_PATH TOVA_DATA_FROM_PROGRAM "/prefix/${TOVA_INSTALL_PROGRAMDIR}" "/prefix/${TOVA_INSTALL_DATADIR}")

# A build tree mirrors bin/../share/tova, so that a freshly built program finds the shipped languages too.
configure_file(${PROJECT_SOURCE_DIR}/data/TovaShutdownlangue.ini
               ${CMAKE_BINARY_DIR}/share/tova/TovaShutdownlangue.ini COPYONLY)
