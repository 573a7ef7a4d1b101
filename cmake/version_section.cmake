# Turns the string tables of a Windows resource script into a C++ source that
# puts the same key-value pairs into the module's ".tsversion" section, where
# the non-Windows platform layer reads its version information from.
function(tagsmith_version_section rc_file out_file)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${rc_file})
  file(STRINGS ${rc_file} lines)
  set(table "")
  set(entries "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*BLOCK[ \t]+\"([0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f])\"")
      set(table ${CMAKE_MATCH_1})
    elseif(line MATCHES "^[ \t]*BLOCK[ \t]+\"VarFileInfo\"")
      set(table "")
    elseif(NOT table STREQUAL "" AND line MATCHES "^[ \t]*VALUE[ \t]+\"([^\"]+)\"[ \t]*,[ \t]*\"([^\"]*)\"")
      string(APPEND entries
        "    \"\\\\StringFileInfo\\\\${table}\\\\${CMAKE_MATCH_1}\" \"\\0\" \"${CMAKE_MATCH_2}\" \"\\0\" \\\n")
    endif()
  endforeach()
  if(entries STREQUAL "")
    set(entries "    \"\" \\\n")
  endif()
  set(text "// Generated from ${rc_file}; edit that file instead.
#include <cstdint>

#define TS_VERSION_ENTRIES \\
${entries}
namespace {
struct VersionSection {
  char magic[4];
  uint32_t length;
  char entries[sizeof(TS_VERSION_ENTRIES)];
};
__attribute__((section(\".tsversion\"), used)) const VersionSection kVersionSection = {
    {'T', 'S', 'V', 'I'}, sizeof(VersionSection), TS_VERSION_ENTRIES};
}  // namespace
")
  file(CONFIGURE OUTPUT ${out_file} CONTENT "${text}")
endfunction()
