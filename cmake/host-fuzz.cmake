# The fuzz targets (tests/fuzz/fuzz_*.cpp), built on request
# (`cmake --build . --target fuzz_settings`) when clang is at hand; libFuzzer
# needs clang, whatever compiler builds the rest. The bounded fuzz pass
# itself is tests/fuzz/run.sh.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  set(PELM_FUZZ_CXX ${CMAKE_CXX_COMPILER})
else()
  find_program(PELM_FUZZ_CXX clang++)
endif()

if(PELM_FUZZ_CXX)
  # The product sources the targets link with: tests/fuzz/sources.txt, which
  # tests/fuzz/run.sh reads too.
  set(_fuzz_list ${CMAKE_SOURCE_DIR}/tests/fuzz/sources.txt)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_fuzz_list})
  file(STRINGS ${_fuzz_list} _fuzz_lines REGEX "^[^#]")
  set(_fuzz_sources)
  set(_fuzz_headers)
  foreach(line ${_fuzz_lines})
    string(STRIP "${line}" line)
    if(line)
      list(APPEND _fuzz_sources ${CMAKE_SOURCE_DIR}/${line})
      string(REGEX REPLACE "\\.cpp$" ".h" _header ${CMAKE_SOURCE_DIR}/${line})
      if(EXISTS ${_header})
        list(APPEND _fuzz_headers ${_header})
      endif()
    endif()
  endforeach()

  file(GLOB _fuzz_targets CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_*.cpp)
  set(_fuzz_binaries)
  foreach(target_source ${_fuzz_targets})
    get_filename_component(_name ${target_source} NAME_WE)
    set(_binary ${CMAKE_BINARY_DIR}/fuzz/${_name})
    add_custom_command(
      OUTPUT ${_binary}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/fuzz
      COMMAND ${PELM_FUZZ_CXX} -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined
              -fno-sanitize-recover=undefined -I${CMAKE_SOURCE_DIR} ${target_source} ${_fuzz_sources}
              -o ${_binary}
      DEPENDS ${target_source} ${_fuzz_sources} ${_fuzz_headers} ${_fuzz_list}
      COMMENT "Building the fuzz target ${_name} with ${PELM_FUZZ_CXX}"
      VERBATIM)
    list(APPEND _fuzz_binaries ${_binary})
  endforeach()
  add_custom_target(fuzz_settings DEPENDS ${_fuzz_binaries})
endif()
