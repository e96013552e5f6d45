# The settings-value fuzzer, built on request (`cmake --build . --target
# fuzz_settings`) when clang is at hand; libFuzzer needs clang, whatever
# compiler builds the rest.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  set(PELM_FUZZ_CXX ${CMAKE_CXX_COMPILER})
else()
  find_program(PELM_FUZZ_CXX clang++)
endif()

if(PELM_FUZZ_CXX)
  # Same sources as tests/fuzz/run.sh.
  set(_fuzz_sources
    ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_settings_values.cpp
    ${CMAKE_SOURCE_DIR}/settings/SettingsFile.cpp
    ${CMAKE_SOURCE_DIR}/framework/StringList.cpp
    ${CMAKE_SOURCE_DIR}/framework/TextServices.cpp)
  set(_fuzz_binary ${CMAKE_BINARY_DIR}/fuzz/fuzz_settings_values)
  add_custom_command(
    OUTPUT ${_fuzz_binary}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/fuzz
    COMMAND ${PELM_FUZZ_CXX} -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined
            -fno-sanitize-recover=undefined -I${CMAKE_SOURCE_DIR} ${_fuzz_sources} -o ${_fuzz_binary}
    DEPENDS ${_fuzz_sources}
            ${CMAKE_SOURCE_DIR}/settings/SettingsFile.h
            ${CMAKE_SOURCE_DIR}/framework/StringList.h
            ${CMAKE_SOURCE_DIR}/framework/TextServices.h
    COMMENT "Building the settings-value fuzzer with ${PELM_FUZZ_CXX}"
    VERBATIM)
  add_custom_target(fuzz_settings DEPENDS ${_fuzz_binary})
endif()
