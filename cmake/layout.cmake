# Where things go, installed and in the build tree. tagsmith-run finds the
# client library and its host folder relative to itself, by the installed
# layout (bin/, lib/tagsmith/, share/tagsmith/); the build tree keeps the same
# layout around tools/, where tagsmith-run is built, so that one rule serves
# both. The two libraries are the program's private parts, not libraries for
# others to link: they live in a folder of their own, found through the run
# path, not in the linker's public one.
#   TAGSMITH_INSTALL_LIBDIR   the libraries' folder, under the prefix
#   TAGSMITH_RUN_TO_LIB, TAGSMITH_RUN_TO_HOST   from the program's folder
#   TAGSMITH_BUILD_LIB_DIR, TAGSMITH_BUILD_HOST_DIR   in the build tree
include(GNUInstallDirs)
set(TAGSMITH_INSTALL_LIBDIR ${CMAKE_INSTALL_LIBDIR}/tagsmith)
file(RELATIVE_PATH TAGSMITH_RUN_TO_LIB ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_PREFIX}/${TAGSMITH_INSTALL_LIBDIR})
file(RELATIVE_PATH TAGSMITH_RUN_TO_HOST ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_DATADIR}/tagsmith)
if(TAGSMITH_RUN_TO_LIB STREQUAL "")
  set(TAGSMITH_RUN_TO_LIB .)
endif()
get_filename_component(TAGSMITH_BUILD_LIB_DIR ${CMAKE_BINARY_DIR}/tools/${TAGSMITH_RUN_TO_LIB}
                       ABSOLUTE)
get_filename_component(TAGSMITH_BUILD_HOST_DIR ${CMAKE_BINARY_DIR}/tools/${TAGSMITH_RUN_TO_HOST}
                       ABSOLUTE)
