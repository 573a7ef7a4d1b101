# What `cmake --install` puts in place and what CPack packs:
#   Linux:   bin/tagsmith-run; lib/tagsmith/, the program's private libraries
#            (the client library and the task allocator's); share/tagsmith/
#            (the host folder tagsmith-run uses when given none: icu_data;
#            schemas, its reports' JSON Schemas);
#            its manual page and bash completion; share/doc/tagsmith/ with
#            the copyright and the changelog - a Debian package;
#   Windows: tagsmith.dll, its install guide and the licence - a zip.
# share/tagsmith/ is the program's data folder: other data files it reads
# can be installed there beside icu_data.
# Tests, benchmarks and the demonstration are not installed.
if(WIN32)
  install(TARGETS tagsmith RUNTIME DESTINATION .)
  # Text files for Windows: CRLF line ends, which every Notepad shows as
  # lines.
  configure_file(${PROJECT_SOURCE_DIR}/packaging/INSTALL-windows.txt.in
                 ${CMAKE_BINARY_DIR}/generated/INSTALL.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/generated/LICENSE.txt @ONLY
                 NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/generated/INSTALL.txt
                ${CMAKE_BINARY_DIR}/generated/LICENSE.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME tagsmith-${PROJECT_VERSION}-windows-x64)
else()
  include(${CMAKE_CURRENT_LIST_DIR}/package_docs.cmake)
  install(TARGETS tagsmith tagsmith_comrt LIBRARY DESTINATION ${TAGSMITH_INSTALL_LIBDIR})
  if(TARGET tagsmith-run)
    install(TARGETS tagsmith-run RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    if(TARGET tagsmith_run_host_dir)
      install(DIRECTORY ${TAGSMITH_BUILD_HOST_DIR}/icu_data
              DESTINATION ${CMAKE_INSTALL_DATADIR}/tagsmith)
    endif()
    # The JSON Schemas of its reports, for their readers to validate against.
    install(FILES ${PROJECT_SOURCE_DIR}/schemas/tagsmith-run-report.schema.json
                  ${PROJECT_SOURCE_DIR}/schemas/tagsmith-check-report.schema.json
            DESTINATION ${CMAKE_INSTALL_DATADIR}/tagsmith/schemas)
    if(TAGSMITH_MANUAL)
      install(FILES ${TAGSMITH_MANUAL} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endif()
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/tagsmith-run.bash
            DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
            RENAME tagsmith-run)
  endif()
  # Stripped, as for the package, the binaries also lose the note of the
  # compiler that built them (.comment), as a distribution's own do.
  install(CODE "set(ts_objcopy \"${CMAKE_OBJCOPY}\")
    set(ts_binaries ${CMAKE_INSTALL_BINDIR}/tagsmith-run
      ${TAGSMITH_INSTALL_LIBDIR}/$<TARGET_FILE_NAME:tagsmith>
      ${TAGSMITH_INSTALL_LIBDIR}/$<TARGET_FILE_NAME:tagsmith_comrt>)")
  install(CODE [[
    if(CMAKE_INSTALL_DO_STRIP AND ts_objcopy)
      foreach(ts_binary IN LISTS ts_binaries)
        set(ts_file "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${ts_binary}")
        if(EXISTS "${ts_file}")
          execute_process(COMMAND "${ts_objcopy}" --remove-section=.comment "${ts_file}"
                          COMMAND_ERROR_IS_FATAL ANY)
        endif()
      endforeach()
    endif()]])
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright
                ${TAGSMITH_PACKAGING_DIR}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tagsmith)
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # tagsmith_<version>_<arch>.deb
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  # Dependencies from the libraries the programs link (ICU, the C++ run
  # time), found by dpkg-shlibdeps when CPack runs (packaging/deb_depends.cmake).
  # Not CPack's own way: that also gives the package maintainer scripts that
  # run ldconfig for any library under /usr/lib, a private folder's too, and a
  # package with no public library must have none.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
  set(TAGSMITH_DEB_BINARIES
      "$<TARGET_FILE:tagsmith-run>;$<TARGET_FILE:tagsmith>;$<TARGET_FILE:tagsmith_comrt>")
  configure_file(${PROJECT_SOURCE_DIR}/packaging/deb_depends.cmake.in
                 ${CMAKE_BINARY_DIR}/packaging/deb_depends.cmake.genex @ONLY)
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/packaging/deb_depends.cmake
       INPUT ${CMAKE_BINARY_DIR}/packaging/deb_depends.cmake.genex)
  set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/packaging/deb_depends.cmake)
  set(CPACK_DEBIAN_PACKAGE_SECTION text)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
endif()

set(CPACK_PACKAGE_NAME tagsmith)
set(CPACK_PACKAGE_VENDOR Tagsmith)
set(CPACK_PACKAGE_CONTACT "Tagsmith maintainers <maintainers@tagsmith.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "character-tag tools for MIF documents and books")
# The lines of the package's long description, each under 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "Tagsmith lists, deletes, keeps, converts and reports the character formats
(character tags) of documents and books, and removes the overrides of text
that differs from its tag.

tagsmith-run plays the desktop-publishing host that Tagsmith is a client of:
it runs Tagsmith's commands on MIF documents and books, prints what they say,
writes what they change, and checks files for unused tags, overrides and
undefined tags.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
include(CPack)
