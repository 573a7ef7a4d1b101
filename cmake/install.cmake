# What `cmake --install` puts in place and what CPack packs:
#   Linux:   bin/tagsmith-run, lib/libtagsmith.so and the task allocator's
#            library, share/tagsmith/icu_data (the host folder tagsmith-run
#            uses when given none), share/tagsmith/schemas (its reports'
#            JSON Schemas) - a Debian package;
#   Windows: tagsmith.dll and its install guide - a zip.
# Tests, benchmarks and the demonstration are not installed.
if(WIN32)
  install(TARGETS tagsmith RUNTIME DESTINATION .)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/INSTALL-windows.txt.in
                 ${CMAKE_BINARY_DIR}/generated/INSTALL.txt @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/generated/INSTALL.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME tagsmith-${PROJECT_VERSION}-windows-x64)
else()
  install(TARGETS tagsmith tagsmith_comrt LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
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
  endif()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # tagsmith_<version>_<arch>.deb
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  # Dependencies from the libraries the programs link (ICU, the C++ run
  # time); the package's own libraries are found where it puts them.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${TAGSMITH_BUILD_LIB_DIR})
  set(CPACK_DEBIAN_PACKAGE_SECTION text)
endif()

set(CPACK_PACKAGE_NAME tagsmith)
set(CPACK_PACKAGE_VENDOR Tagsmith)
set(CPACK_PACKAGE_CONTACT "Tagsmith maintainers <maintainers@tagsmith.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Character-tag tools for a desktop-publishing host, and tagsmith-run for MIF files")
set(CPACK_PACKAGE_DESCRIPTION
    "Tagsmith lists, deletes, keeps, converts and reports the character formats of documents and books. tagsmith-run plays the host: it runs Tagsmith's commands on MIF documents and books.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
include(CPack)
