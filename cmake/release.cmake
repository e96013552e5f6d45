# The release zip: the two binaries, the read-me files and the licence in
# one folder, for users who unzip and run. Not part of ALL: `make release`.
set(PELM_RELEASE_NAME pelmora-${PROJECT_VERSION})
set(PELM_RELEASE_STAGE ${CMAKE_BINARY_DIR}/release/${PELM_RELEASE_NAME})
set(PELM_RELEASE_ZIP ${CMAKE_BINARY_DIR}/${PELM_RELEASE_NAME}-win32.zip)

add_custom_target(release
  COMMAND ${CMAKE_COMMAND} -E env STRIP=${CMAKE_STRIP}
          bash ${CMAKE_SOURCE_DIR}/tools/package.sh ${PELM_RELEASE_ZIP} ${PELM_RELEASE_STAGE}
          $<TARGET_FILE:pelmora> $<TARGET_FILE:hookdll> ${CMAKE_SOURCE_DIR} ${PROJECT_VERSION}
  BYPRODUCTS ${PELM_RELEASE_ZIP}
  COMMENT "Packaging ${PELM_RELEASE_NAME}-win32.zip"
  VERBATIM)
add_dependencies(release pelmora hookdll)

# The first test builds the zip (and the binaries, if they are stale); the
# second takes it apart as a user's machine would see it; the third builds
# the same sources once more in a folder of its own and wants the same bytes.
add_test(NAME release_zip COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target release)
add_test(NAME release_check
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/release/check_release.sh ${PELM_RELEASE_ZIP})
add_test(NAME release_reproducible
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/release/check_reproducible.sh ${PELM_RELEASE_ZIP}
          ${CMAKE_BINARY_DIR}/release-again)
set_tests_properties(release_zip PROPERTIES FIXTURES_SETUP release_zip)
set_tests_properties(release_check PROPERTIES FIXTURES_REQUIRED release_zip
  ENVIRONMENT "OBJDUMP=${CMAKE_OBJDUMP};PELM_VERSION=${PROJECT_VERSION};PELM_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
# A whole second build of the product: minutes on a small machine.
set_tests_properties(release_reproducible PROPERTIES FIXTURES_REQUIRED release_zip TIMEOUT 1800
  ENVIRONMENT "PELM_SOURCE_DIR=${CMAKE_SOURCE_DIR};PELM_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE};PELM_BUILD_TYPE=${CMAKE_BUILD_TYPE};PELM_WERROR=${PELM_WERROR}")
