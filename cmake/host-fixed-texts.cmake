# The program's fixed texts go to the system as code page 932 bytes, and on
# other code pages as UTF-16 converted from them. A text that cannot make the
# way UTF-8 -> CP932 -> UTF-16 -> CP932 unchanged fails the build here,
# instead of showing wrong on somebody's screen.
#
# Included by host.cmake it adds the check; run with -P it is the check:
#   cmake -DSRC=<source dir> -DWORK=<folder> -P host-fixed-texts.cmake
if(CMAKE_SCRIPT_MODE_FILE)
  file(GLOB_RECURSE files ${SRC}/app/*.cpp ${SRC}/app/*.h ${SRC}/tray/*.cpp ${SRC}/tray/*.h
    ${SRC}/settings/*.cpp ${SRC}/settings/*.h ${SRC}/dialogs/*.cpp ${SRC}/dialogs/*.h
    ${SRC}/framework/*.cpp ${SRC}/framework/*.h ${SRC}/volume/*.cpp ${SRC}/wheel/*.cpp)
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
  foreach(form ${SRC}/app/PelmFormMain.form ${SRC}/dialogs/WindowStoreDlg.form)
    file(READ ${form} content)
    string(APPEND texts "${content}")
  endforeach()
  file(MAKE_DIRECTORY ${WORK})
  file(WRITE ${WORK}/texts.utf8 "${texts}")
  foreach(step "UTF-8;CP932;texts.utf8;texts.932" "CP932;UTF-16LE;texts.932;texts.u16"
               "UTF-16LE;CP932;texts.u16;texts.back")
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
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/texts.932 ${WORK}/texts.back RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "a fixed text comes back from UTF-16 changed: compare ${WORK}/texts.932 and texts.back")
  endif()
  return()
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
  COMMENT "Checking that every fixed text survives CP932 -> UTF-16 -> CP932" VERBATIM)
add_custom_target(fixed_texts_check ALL DEPENDS ${CMAKE_BINARY_DIR}/fixed-texts/checked)
