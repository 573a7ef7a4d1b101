# The loadable client: the shared library `tagsmith` (tagsmith.dll on
# Windows) that exports F_ApiClientInit, built from the COM bridge, the entry
# and every library beneath them.
include(${CMAKE_CURRENT_LIST_DIR}/version_section.cmake)

set(TS_CLIENT ${PROJECT_SOURCE_DIR}/client)

if(WIN32)
  enable_language(RC)
  set(TS_COM_RUNTIME ole32)
  set(TS_VERSION_SOURCE ${TAGSMITH_VERSION_RC})
else()
  # The task allocator lives in a library of its own so that the host
  # program and the client share it.
  add_library(tagsmith_comrt SHARED ${TS_CLIENT}/com_runtime.cpp)
  target_link_libraries(tagsmith_comrt PRIVATE tagsmith_settings)
  set_target_properties(tagsmith_comrt PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${TAGSMITH_BUILD_LIB_DIR})
  set(TS_COM_RUNTIME tagsmith_comrt)
  set(TS_VERSION_SOURCE ${CMAKE_BINARY_DIR}/generated/tagsmith_version.cpp)
  tagsmith_version_section(${TAGSMITH_VERSION_RC} ${TS_VERSION_SOURCE})
endif()

# The bridge and entry, compiled once for the library and the tests that call
# into them directly.
add_library(tagsmith_com_objects OBJECT
  ${TS_CLIENT}/com_bridge.cpp ${TS_CLIENT}/com_callbacks.cpp ${TS_CLIENT}/com_memory.cpp
  ${TS_CLIENT}/entry.cpp)
target_link_libraries(tagsmith_com_objects PUBLIC tagsmith_commands ${TS_COM_RUNTIME})
# Calls the host's COM objects, whose C++ types are not known here
# (cmake/settings.cmake).
set_target_properties(tagsmith_com_objects PROPERTIES TAGSMITH_FOREIGN_OBJECTS ON)

add_library(tagsmith SHARED $<TARGET_OBJECTS:tagsmith_com_objects> ${TS_VERSION_SOURCE})
target_link_libraries(tagsmith PRIVATE tagsmith_commands ${TS_COM_RUNTIME})
if(WIN32)
  # One self-contained DLL: nothing of the compiler's run time beside it.
  set_target_properties(tagsmith PROPERTIES PREFIX "")
  target_link_options(tagsmith PRIVATE -static -static-libgcc -static-libstdc++)
else()
  # Only the entry leaves the library; everything else stays its own, so
  # that the copies of the libraries in a host program never mix with it.
  set(TS_EXPORTS ${CMAKE_CURRENT_LIST_DIR}/tagsmith.map)
  target_link_options(tagsmith PRIVATE -Wl,--version-script=${TS_EXPORTS})
  if(NOT TAGSMITH_SANITIZE AND NOT TAGSMITH_FUZZ)
    # Sanitizer run times come from the host program, so only without them
    # can every reference be checked at link time.
    target_link_options(tagsmith PRIVATE -Wl,--no-undefined)
  endif()
  # Where tagsmith-run looks for it (cmake/layout.cmake); installed, it finds
  # the task allocator's library beside itself.
  set_target_properties(tagsmith PROPERTIES LINK_DEPENDS ${TS_EXPORTS}
    LIBRARY_OUTPUT_DIRECTORY ${TAGSMITH_BUILD_LIB_DIR} INSTALL_RPATH "$ORIGIN")
endif()
