# What every target of the project is compiled and linked with, as one
# interface target: the libraries pass it on to whatever links them, and
# targets that link none of them take it themselves. Nothing is set for the
# whole directory tree, so that sources of others built here (GoogleTest on
# Windows) keep their own settings.
add_library(tagsmith_settings INTERFACE)
target_include_directories(tagsmith_settings INTERFACE ${PROJECT_SOURCE_DIR})
target_compile_options(tagsmith_settings INTERFACE -Wall -Wextra)
if(TAGSMITH_WERROR)
  target_compile_options(tagsmith_settings INTERFACE -Werror)
endif()
if(NOT WIN32)
  # The hardening a distribution builds its packages with: checked buffer
  # functions where the optimiser can see the sizes (so only in the
  # optimised builds), stack protection, and relocations made read-only
  # before the program starts.
  target_compile_options(tagsmith_settings INTERFACE -fstack-protector-strong
    "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
  target_link_options(tagsmith_settings INTERFACE -Wl,-z,relro -Wl,-z,now)
endif()
if(TAGSMITH_SANITIZE)
  target_compile_options(tagsmith_settings INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(tagsmith_settings INTERFACE -fsanitize=address,undefined)
  # A target that calls methods of the host's COM objects sets
  # TAGSMITH_FOREIGN_OBJECTS: nothing but their method tables is known, so
  # the check of C++ dynamic types cannot apply to calls on them. Given here,
  # after the sanitizer options, since the later option wins.
  target_compile_options(tagsmith_settings INTERFACE
    $<$<BOOL:$<TARGET_PROPERTY:TAGSMITH_FOREIGN_OBJECTS>>:-fno-sanitize=vptr>)
endif()
if(TAGSMITH_FUZZ)
  # Everything is instrumented for coverage; only the fuzz targets get the
  # fuzzer's own main.
  target_compile_options(tagsmith_settings INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  target_link_options(tagsmith_settings INTERFACE -fsanitize=address,undefined)
endif()

# Each source folder is one library; files are picked up by pattern so that
# adding a file needs no edit here.
function(tagsmith_library name dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
  # win_* and posix_* are the two sides of a platform layer.
  if(WIN32)
    list(FILTER srcs EXCLUDE REGEX "/posix_[^/]*\\.cpp$")
  else()
    list(FILTER srcs EXCLUDE REGEX "/win_[^/]*\\.cpp$")
  endif()
  if(NOT srcs)
    # A folder that has no sources yet still yields a library to link.
    set(empty ${CMAKE_BINARY_DIR}/empty_${name}.cpp)
    file(WRITE ${empty} "")
    set(srcs ${empty})
  endif()
  add_library(${name} STATIC ${srcs})
  target_link_libraries(${name} PUBLIC tagsmith_settings)
endfunction()

# The test programs' common headers, GoogleTest and the standard library's
# heaviest, precompiled once for all of them: parsing them is most of a test
# source's compile time otherwise. The header is made by a program of its
# own, which runs no test, with the flags every test program shares, so that
# each can take it. Not with a compiler launcher: ccache caches the objects
# instead, and takes no precompiled header as set here.
if(CMAKE_CXX_COMPILER_LAUNCHER)
  set(ts_pch_default OFF)
else()
  set(ts_pch_default ON)
endif()
option(TAGSMITH_TEST_PCH "Precompile the test programs' common headers" ${ts_pch_default})
function(tagsmith_test_headers target)
  if(NOT TAGSMITH_TEST_PCH)
    return()
  endif()
  if(NOT TARGET tagsmith_test_pch)
    set(src ${CMAKE_BINARY_DIR}/generated/test_pch.cpp)
    file(CONFIGURE OUTPUT ${src} CONTENT "// The precompiled headers' maker: no tests.\n")
    add_executable(tagsmith_test_pch ${src})
    target_link_libraries(tagsmith_test_pch PRIVATE tagsmith_settings GTest::gtest GTest::gtest_main)
    target_precompile_headers(tagsmith_test_pch PRIVATE <gtest/gtest.h> <algorithm> <cstdint>
      <cstdio> <cstdlib> <cstring> <filesystem> <functional> <map> <memory> <set> <sstream>
      <string> <utility> <vector>)
  endif()
  target_precompile_headers(${target} REUSE_FROM tagsmith_test_pch)
endfunction()
