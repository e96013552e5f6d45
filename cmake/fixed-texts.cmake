# The program's fixed texts go to the system as code page 932 bytes, and on
# other code pages as UTF-16 converted from those bytes. The compiler makes
# the bytes from the UTF-8 sources, and some characters come back from code
# page 932 as others (U+301C as U+FF5E, U+2212 as U+FF0D, U+00A5 as "\",
# U+2014 as U+2015). The check compares each text's UTF-16 with the UTF-16
# of its code page 932 bytes and fails the build on a difference, instead of
# a wrong character showing on somebody's screen. Both builds run it.
#
# Included by the build it adds the check; run with -P it is the check:
#   cmake -DSRC=<source dir> -DWORK=<folder> -P fixed-texts.cmake
if(CMAKE_SCRIPT_MODE_FILE)
  cmake_policy(VERSION 3.16)
  file(GLOB_RECURSE files ${SRC}/app/*.cpp ${SRC}/app/*.h ${SRC}/tray/*.cpp ${SRC}/tray/*.h
    ${SRC}/settings/*.cpp ${SRC}/settings/*.h ${SRC}/dialogs/*.cpp ${SRC}/dialogs/*.h
    ${SRC}/framework/*.cpp ${SRC}/framework/*.h ${SRC}/volume/*.cpp ${SRC}/wheel/*.cpp)
  file(GLOB forms ${SRC}/app/*.form ${SRC}/dialogs/*.form)
  # The literals that are not plain ASCII, one a line, and the descriptions whole.
  set(texts "")
  foreach(f ${files})
    file(READ ${f} content)
    string(REPLACE ";" "," content "${content}")
    string(REGEX MATCHALL "\"[^\"\n]*\"" literals "${content}")
    foreach(l ${literals})
      if(l MATCHES "[^\t -~]")
        string(APPEND texts "${l}\n")
      endif()
    endforeach()
  endforeach()
  foreach(form ${forms})
    file(READ ${form} content)
    string(REPLACE ";" "," content "${content}")
    string(APPEND texts "${content}\n")
  endforeach()
  file(MAKE_DIRECTORY ${WORK})
  file(WRITE ${WORK}/texts.utf8 "${texts}")
  foreach(step "UTF-8;UTF-16LE;texts.utf8;texts.u16" "UTF-8;CP932;texts.utf8;texts.932"
               "CP932;UTF-16LE;texts.932;texts.932.u16")
    list(GET step 0 from)
    list(GET step 1 to)
    list(GET step 2 in)
    list(GET step 3 out)
    execute_process(COMMAND iconv -f ${from} -t ${to} ${WORK}/${in} -o ${WORK}/${out}
      RESULT_VARIABLE rc ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "a fixed text does not convert from ${from} to ${to}: ${err}(texts in ${WORK}/${in})")
    endif()
  endforeach()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/texts.u16 ${WORK}/texts.932.u16
    RESULT_VARIABLE rc)
  if(rc EQUAL 0)
    return()
  endif()
  # Name the texts that differ: the UTF-16 read back, as UTF-8, line by line.
  execute_process(COMMAND iconv -f UTF-16LE -t UTF-8 ${WORK}/texts.932.u16 -o ${WORK}/texts.back.utf8)
  file(READ ${WORK}/texts.back.utf8 back)
  string(REPLACE "\n" ";" sourceLines "${texts}")
  string(REPLACE "\n" ";" backLines "${back}")
  list(LENGTH sourceLines count)
  list(LENGTH backLines backCount)
  if(backCount LESS count)
    set(count ${backCount})
  endif()
  set(report "")
  if(count GREATER 0)
    math(EXPR last "${count} - 1")
    foreach(i RANGE ${last})
      list(GET sourceLines ${i} line)
      list(GET backLines ${i} lineBack)
      if(NOT "${line}" STREQUAL "${lineBack}")
        string(APPEND report "\n  ${line}\n  reads back as\n  ${lineBack}")
      endif()
    endforeach()
  endif()
  message(FATAL_ERROR "a fixed text reads back from code page 932 as another text:${report}\n"
    "(compare ${WORK}/texts.u16 and texts.932.u16)")
endif()

file(GLOB_RECURSE PELM_FIXED_TEXT_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/app/*.cpp ${CMAKE_SOURCE_DIR}/app/*.h ${CMAKE_SOURCE_DIR}/app/*.form
  ${CMAKE_SOURCE_DIR}/tray/*.cpp ${CMAKE_SOURCE_DIR}/tray/*.h ${CMAKE_SOURCE_DIR}/settings/*.cpp
  ${CMAKE_SOURCE_DIR}/settings/*.h ${CMAKE_SOURCE_DIR}/dialogs/*.cpp ${CMAKE_SOURCE_DIR}/dialogs/*.h
  ${CMAKE_SOURCE_DIR}/dialogs/*.form ${CMAKE_SOURCE_DIR}/framework/*.cpp ${CMAKE_SOURCE_DIR}/framework/*.h
  ${CMAKE_SOURCE_DIR}/volume/*.cpp ${CMAKE_SOURCE_DIR}/wheel/*.cpp)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/fixed-texts/checked
  COMMAND ${CMAKE_COMMAND} -DSRC=${CMAKE_SOURCE_DIR} -DWORK=${CMAKE_BINARY_DIR}/fixed-texts
    -P ${CMAKE_CURRENT_LIST_FILE}
  COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/fixed-texts/checked
  DEPENDS ${PELM_FIXED_TEXT_SOURCES} ${CMAKE_CURRENT_LIST_FILE}
  COMMENT "Checking that every fixed text reads back from code page 932 as written" VERBATIM)
add_custom_target(fixed_texts_check ALL DEPENDS ${CMAKE_BINARY_DIR}/fixed-texts/checked)

# The check itself: each character that code page 932 gives back as another
# fails it, named in its message; a text that comes back whole passes.
set(_cases "wave_dash|〜" "minus_sign|−" "yen_sign|¥" "em_dash|—" "whole|音量 ～ ― ｳｨﾝﾄﾞｳ")
foreach(_case ${_cases})
  string(REPLACE "|" ";" _case "${_case}")
  list(GET _case 0 _name)
  list(GET _case 1 _text)
  set(_src ${CMAKE_BINARY_DIR}/fixed-texts-cases/${_name})
  file(WRITE ${_src}/app/texts.cpp "const char* const kText = \"${_text}\";\n")
  add_test(NAME fixed_texts_check_${_name}
    COMMAND ${CMAKE_COMMAND} -DSRC=${_src} -DWORK=${_src}/work -P ${CMAKE_CURRENT_LIST_FILE})
  if(NOT _name STREQUAL "whole")
    set_tests_properties(fixed_texts_check_${_name} PROPERTIES
      PASS_REGULAR_EXPRESSION "\"${_text}\"[\r\n ]+reads back as[\r\n ]+\"[^\"]+\"")
  endif()
endforeach()
