# The host's Roman converter, built with ICU's makeconv from its mapping
# table and laid out where ICU looks for stand-alone converters:
# <host dir>/icu_data/<data package>/adobe-fm-roman-windows.cnv.
#
#   tagsmith_roman_converter(TARGET <name> HOST_DIR <dir> COMMENT <text> [ALL])
#
# Defines the custom target <name> that builds it; does nothing when makeconv
# is not installed.
find_program(TAGSMITH_MAKECONV makeconv)

function(tagsmith_roman_converter)
  cmake_parse_arguments(arg "ALL" "TARGET;HOST_DIR;COMMENT" "" ${ARGN})
  if(NOT TAGSMITH_MAKECONV)
    return()
  endif()
  string(REGEX MATCH "^[0-9]+" icu_major "${ICU_VERSION}")
  if(CMAKE_CXX_BYTE_ORDER STREQUAL "BIG_ENDIAN")
    set(package "icudt${icu_major}b")
  else()
    set(package "icudt${icu_major}l")
  endif()
  set(cnv_dir ${arg_HOST_DIR}/icu_data/${package})
  set(ucm ${CMAKE_SOURCE_DIR}/tests/data/icu/adobe-fm-roman-windows.ucm)
  add_custom_command(
    OUTPUT ${cnv_dir}/adobe-fm-roman-windows.cnv
    COMMAND ${CMAKE_COMMAND} -E make_directory ${cnv_dir}
    COMMAND ${TAGSMITH_MAKECONV} -d ${cnv_dir} ${ucm}
    DEPENDS ${ucm}
    COMMENT "${arg_COMMENT}")
  if(arg_ALL)
    set(all ALL)
  endif()
  add_custom_target(${arg_TARGET} ${all} DEPENDS ${cnv_dir}/adobe-fm-roman-windows.cnv)
endfunction()
