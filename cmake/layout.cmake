# Where things go, installed and in the build tree. tagsmith-run finds the
# client library and its host folder relative to itself, by the installed
# layout (bin/, lib/, share/tagsmith/); the build tree keeps the same layout
# around tools/, where tagsmith-run is built, so that one rule serves both.
#   TAGSMITH_RUN_TO_LIB, TAGSMITH_RUN_TO_HOST   from the program's folder
#   TAGSMITH_BUILD_LIB_DIR, TAGSMITH_BUILD_HOST_DIR   in the build tree
include(GNUInstallDirs)
file(RELATIVE_PATH TAGSMITH_RUN_TO_LIB ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
file(RELATIVE_PATH TAGSMITH_RUN_TO_HOST ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_DATADIR}/tagsmith)
if(TAGSMITH_RUN_TO_LIB STREQUAL "")
  set(TAGSMITH_RUN_TO_LIB .)
endif()
get_filename_component(TAGSMITH_BUILD_LIB_DIR ${CMAKE_BINARY_DIR}/tools/${TAGSMITH_RUN_TO_LIB}
                       ABSOLUTE)
get_filename_component(TAGSMITH_BUILD_HOST_DIR ${CMAKE_BINARY_DIR}/tools/${TAGSMITH_RUN_TO_HOST}
                       ABSOLUTE)
