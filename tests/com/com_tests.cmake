# Tests of the COM bridge, the entry and the built library, on Linux and
# under wine. Included by the top-level CMakeLists.
set(TS_COM_TESTS ${CMAKE_CURRENT_LIST_DIR})

# Modules to read descriptions from: one without version information, one
# with only a German table, one with its keys out of order.
set(TS_FIXTURE_TARGETS)
foreach(kind none german reordered)
  set(target ts_fixture_${kind})
  set(sources ${TS_COM_TESTS}/fixture_module.cpp)
  if(NOT kind STREQUAL "none")
    if(WIN32)
      list(APPEND sources ${TS_COM_TESTS}/fixtures/${kind}.rc)
    else()
      set(generated ${CMAKE_BINARY_DIR}/generated/${target}_version.cpp)
      tagsmith_version_section(${TS_COM_TESTS}/fixtures/${kind}.rc ${generated})
      list(APPEND sources ${generated})
    endif()
  endif()
  add_library(${target} MODULE ${sources})
  target_link_libraries(${target} PRIVATE tagsmith_settings)
  set_target_properties(${target} PROPERTIES PREFIX "")
  list(APPEND TS_FIXTURE_TARGETS ${target})
endforeach()

add_executable(com_tests
  ${TS_COM_TESTS}/bridge_test.cpp ${TS_COM_TESTS}/entry_test.cpp
  ${TS_COM_TESTS}/version_test.cpp ${TS_COM_TESTS}/plugin_test.cpp
  ${TS_COM_TESTS}/host_contract_test.cpp ${TS_COM_TESTS}/com_test_support.cpp
  $<TARGET_OBJECTS:tagsmith_com_objects>)
target_link_libraries(com_tests PRIVATE tagsmith_comhost tagsmith_commands tagsmith_memhost ${TS_COM_RUNTIME}
  ${TS_PLATFORM_LIBS}
  GTest::gtest GTest::gtest_main)
add_dependencies(com_tests tagsmith ${TS_FIXTURE_TARGETS})
tagsmith_test_headers(com_tests)

# Where the tests find the modules: beside the program on Windows (the
# loader looks there first), by full path elsewhere.
if(WIN32)
  set(ts_file TARGET_FILE_NAME)
else()
  set(ts_file TARGET_FILE)
endif()
target_compile_definitions(com_tests PRIVATE
  TS_PLUGIN="$<${ts_file}:tagsmith>"
  TS_MODULE_NONE="$<${ts_file}:ts_fixture_none>"
  TS_MODULE_GERMAN="$<${ts_file}:ts_fixture_german>"
  TS_MODULE_REORDERED="$<${ts_file}:ts_fixture_reordered>")

if(NOT WIN32)
  add_test(NAME com_tests COMMAND com_tests)
endif()

if(WIN32)
  # The binding to the host's ICU: a process of its own, since the binding is
  # made once per process.
  add_library(ts_fake_icu MODULE ${TS_COM_TESTS}/fake_icu.cpp)
  target_link_libraries(ts_fake_icu PRIVATE tagsmith_settings)
  set_target_properties(ts_fake_icu PROPERTIES PREFIX "" OUTPUT_NAME icuuc77)
  add_executable(icu_bind_tests ${TS_COM_TESTS}/icu_bind_test.cpp)
  target_link_libraries(icu_bind_tests PRIVATE tagsmith_support GTest::gtest GTest::gtest_main)
  add_dependencies(icu_bind_tests ts_fake_icu)
endif()
