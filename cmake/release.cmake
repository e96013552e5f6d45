# The release zip: the two binaries, the read-me files and the licence in
# one folder, for users who unzip and run. Not part of ALL: `make release`.
set(PELM_RELEASE_NAME pelmora-${PROJECT_VERSION})
set(PELM_RELEASE_STAGE ${CMAKE_BINARY_DIR}/release/${PELM_RELEASE_NAME})
set(PELM_RELEASE_ZIP ${CMAKE_BINARY_DIR}/${PELM_RELEASE_NAME}-win32.zip)

add_custom_target(release
  COMMAND ${CMAKE_COMMAND} -E env CMAKE=${CMAKE_COMMAND} STRIP=${CMAKE_STRIP}
          bash ${CMAKE_SOURCE_DIR}/tools/package.sh ${PELM_RELEASE_ZIP} ${PELM_RELEASE_STAGE}
          $<TARGET_FILE:pelmora> $<TARGET_FILE:hookdll> ${CMAKE_SOURCE_DIR}
  BYPRODUCTS ${PELM_RELEASE_ZIP}
  COMMENT "Packaging ${PELM_RELEASE_NAME}-win32.zip"
  VERBATIM)
add_dependencies(release pelmora hookdll)

# The first test builds the zip (and the binaries, if they are stale); the
# second takes it apart as a user's machine would see it.
add_test(NAME release_zip COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target release)
add_test(NAME release_check
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/release/check_release.sh ${PELM_RELEASE_ZIP})
set_tests_properties(release_zip PROPERTIES FIXTURES_SETUP release_zip)
set_tests_properties(release_check PROPERTIES FIXTURES_REQUIRED release_zip
  ENVIRONMENT "OBJDUMP=${CMAKE_OBJDUMP}")
