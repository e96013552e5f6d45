# The release packaging, without a Windows build (host build only): the
# script that zips the release gives the same bytes for the same inputs and
# fills the version into the read-mes. The Win32 build checks the real zip.
add_test(NAME release_package
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/release/test_package.sh ${CMAKE_SOURCE_DIR})
