# The Windows configuration (included by the top-level CMakeLists on WIN32).
#
# ICU: nothing is linked; support/win_icu_api.cpp binds to the ICU of the
# host's process at run time. Only ICU's headers are needed, for its types;
# they are taken from the build machine's ICU, staged in a folder of their own
# so that no other system header comes along.
find_path(TS_ICU_HEADERS unicode/ucnv.h PATHS /usr/include /usr/local/include
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT TS_ICU_HEADERS)
  message(FATAL_ERROR "ICU headers (unicode/ucnv.h) not found; install libicu-dev")
endif()
set(TS_ICU_STAGE ${CMAKE_BINARY_DIR}/icu-headers)
file(MAKE_DIRECTORY ${TS_ICU_STAGE})
if(NOT EXISTS ${TS_ICU_STAGE}/unicode)
  file(CREATE_LINK ${TS_ICU_HEADERS}/unicode ${TS_ICU_STAGE}/unicode SYMBOLIC)
endif()
add_library(PkgConfig::ICU INTERFACE IMPORTED)
set_target_properties(PkgConfig::ICU PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${TS_ICU_STAGE}
  INTERFACE_LINK_LIBRARIES psapi)

# Everything runnable lands in one folder: the test programs load the DLLs
# from beside themselves.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# GoogleTest built from the distribution's sources with this compiler. The
# project's warning settings belong to its own targets only.
if(TAGSMITH_TESTS)
  set(TS_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(${TS_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(NOT TARGET GTest::gtest)  # newer GoogleTest names them itself
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
endif()

# The version resources of the client and of the test modules.
enable_language(RC)
