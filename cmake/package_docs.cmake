# The documents the Linux install carries beside the programs, made at build
# time into <build>/packaging:
#   tagsmith-run.1.gz   the manual page, by help2man from the program's own
#                       usage text, so that it lists every option it reads
#                       (none when help2man is not installed)
#   changelog.gz        packaging/debian/changelog
# Both compressed with gzip -9n: the Debian way, and with no file name or
# time stamp inside, so that two builds give the same bytes. The manual's
# date is the date of the newest changelog entry, not the day of the build.
find_program(TAGSMITH_HELP2MAN help2man)
find_program(TAGSMITH_GZIP gzip REQUIRED)
set(TAGSMITH_PACKAGING_DIR ${CMAKE_BINARY_DIR}/packaging)
set(ts_changelog ${PROJECT_SOURCE_DIR}/packaging/debian/changelog)

add_custom_command(
  OUTPUT ${TAGSMITH_PACKAGING_DIR}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TAGSMITH_PACKAGING_DIR}
  COMMAND ${TAGSMITH_GZIP} -9n -c ${ts_changelog} > ${TAGSMITH_PACKAGING_DIR}/changelog.gz
  DEPENDS ${ts_changelog}
  COMMENT "Compressing the changelog")
set(ts_docs ${TAGSMITH_PACKAGING_DIR}/changelog.gz)

if(TAGSMITH_HELP2MAN AND TARGET tagsmith-run)
  # The release date: the time stamp of the changelog's newest entry.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ts_changelog})
  execute_process(COMMAND dpkg-parsechangelog -l ${ts_changelog} -S Timestamp
                  OUTPUT_VARIABLE ts_release_epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE ts_result ERROR_QUIET)
  if(NOT ts_result EQUAL 0)
    set(ts_release_epoch 0)
  endif()
  set(ts_h2m ${PROJECT_SOURCE_DIR}/packaging/tagsmith-run.h2m)
  set(ts_wrapper ${PROJECT_SOURCE_DIR}/packaging/help-for-man.sh)
  add_custom_command(
    OUTPUT ${TAGSMITH_PACKAGING_DIR}/tagsmith-run.1.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TAGSMITH_PACKAGING_DIR}
    COMMAND ${CMAKE_COMMAND} -E env TAGSMITH_RUN=$<TARGET_FILE:tagsmith-run>
            SOURCE_DATE_EPOCH=${ts_release_epoch} LC_ALL=C.UTF-8
            ${TAGSMITH_HELP2MAN} --no-info --include=${ts_h2m}
            --output=${TAGSMITH_PACKAGING_DIR}/tagsmith-run.1 ${ts_wrapper}
    COMMAND ${TAGSMITH_GZIP} -9nf ${TAGSMITH_PACKAGING_DIR}/tagsmith-run.1
    DEPENDS tagsmith-run ${ts_h2m} ${ts_wrapper} ${ts_changelog}
    COMMENT "Making the manual page of tagsmith-run")
  list(APPEND ts_docs ${TAGSMITH_PACKAGING_DIR}/tagsmith-run.1.gz)
  set(TAGSMITH_MANUAL ${TAGSMITH_PACKAGING_DIR}/tagsmith-run.1.gz)
endif()
add_custom_target(tagsmith_package_docs ALL DEPENDS ${ts_docs})
