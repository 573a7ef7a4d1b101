# The version (project() and TAGSMITH_BUILD_NUMBER of the top-level
# CMakeLists) as a header for the sources, `tagsmith_version`, and as the
# client's version resource script, TAGSMITH_VERSION_RC.
set(TAGSMITH_VERSION_DIR ${CMAKE_BINARY_DIR}/generated/version)
configure_file(${CMAKE_CURRENT_LIST_DIR}/tagsmith_version.h.in
               ${TAGSMITH_VERSION_DIR}/tagsmith_version.h @ONLY)
set(TAGSMITH_VERSION_RC ${CMAKE_BINARY_DIR}/generated/version_info.rc)
configure_file(${PROJECT_SOURCE_DIR}/plugin/version_info.rc.in ${TAGSMITH_VERSION_RC} @ONLY)

add_library(tagsmith_version INTERFACE)
target_include_directories(tagsmith_version INTERFACE ${TAGSMITH_VERSION_DIR})
