# Win32 build: the product, its hook library and the tests that run under Wine.
set(PELM_WIN32_FLAGS -Wall -Wextra -finput-charset=UTF-8 -fexec-charset=CP932)
set(PELM_STATIC_LINK -static -static-libgcc -static-libstdc++)
# The same sources give the same bytes: no link time in the PE header.
add_link_options(-Wl,--no-insert-timestamp)
# Small rather than fast: the program waits for messages almost all the
# time, and the statically linked run time is most of its size.
add_compile_options($<$<CONFIG:Release>:-Os> $<$<CONFIG:Release>:-ffunction-sections> $<$<CONFIG:Release>:-fdata-sections>)
add_link_options($<$<CONFIG:Release>:-Wl,--gc-sections>)

add_library(pelm_logic STATIC ${PELM_LOGIC_SOURCES})
target_include_directories(pelm_logic PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(pelm_logic PRIVATE ${PELM_WIN32_FLAGS})
target_compile_definitions(pelm_logic PUBLIC WINVER=0x0501 _WIN32_WINNT=0x0501 _WIN32_IE=0x0600)
target_include_directories(pelm_logic PRIVATE ${PELM_GEN})


# The form descriptions are UTF-8 in the tree and reach the program in the
# ANSI code page, like every other text of it.
set(PELM_FORMS ${CMAKE_SOURCE_DIR}/app/PelmFormMain.form ${CMAKE_SOURCE_DIR}/dialogs/WindowStoreDlg.form)
set(PELM_GEN_FORMS)
foreach(form ${PELM_FORMS})
  get_filename_component(name ${form} NAME)
  add_custom_command(OUTPUT ${PELM_GEN}/${name}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PELM_GEN}
    COMMAND iconv -f UTF-8 -t CP932 ${form} -o ${PELM_GEN}/${name}
    DEPENDS ${form} VERBATIM)
  list(APPEND PELM_GEN_FORMS ${PELM_GEN}/${name})
endforeach()
add_custom_target(pelm_forms DEPENDS ${PELM_GEN_FORMS})
# The manifest carries the version, so it is made from its template.
configure_file(${CMAKE_SOURCE_DIR}/resources/pelmora.manifest.in ${PELM_GEN}/pelmora.manifest @ONLY)
file(GLOB PELM_ICONS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*.ico ${CMAKE_SOURCE_DIR}/resources/*.cur)
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/pelmora.rc PROPERTIES
  OBJECT_DEPENDS "${PELM_GEN_FORMS};${PELM_ICONS};${PELM_GEN}/pelmora.manifest;${PELM_GEN}/pelm_version.h")

add_library(pelm_win32 STATIC ${PELM_WIN32_SOURCES})
target_compile_options(pelm_win32 PRIVATE ${PELM_WIN32_FLAGS})
target_link_libraries(pelm_win32 PUBLIC pelm_logic)

foreach(sub hookdll tests/probe tests/win32 bench)
  add_subdirectory(${sub})
endforeach()

add_executable(pelmora WIN32 ${CMAKE_SOURCE_DIR}/app/win32/WinMain.cpp ${CMAKE_SOURCE_DIR}/app/win32/RuntimeImports.cpp
  ${CMAKE_SOURCE_DIR}/resources/pelmora.rc)
add_dependencies(pelmora pelm_forms)
target_compile_options(pelmora PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${PELM_WIN32_FLAGS}>)
target_include_directories(pelmora PRIVATE ${CMAKE_SOURCE_DIR}/resources ${PELM_GEN})
# The logic library and its bindings refer to each other; link them as a group.
# winmm and comctl32 are not imported: framework/win32/WinBound loads them
# from the system folder by path.
target_link_libraries(pelmora PRIVATE -Wl,--start-group pelm_win32 pelm_logic -Wl,--end-group
  shell32 user32 gdi32 kernel32 ${PELM_STATIC_LINK} $<$<CONFIG:Release>:-s>)
# What the 9x loader takes: subsystem 4.0, and an image at its fixed base
# (no relocation by address-space randomisation, which it does not know).
target_link_options(pelmora PRIVATE -Wl,--major-subsystem-version,4,--minor-subsystem-version,0
  -Wl,--disable-dynamicbase)
set_target_properties(pelmora PROPERTIES OUTPUT_NAME pelmora)

# Tests under Wine: each tests/win32/*.sh runs in a rig of its own (Xvfb,
# PulseAudio, Wine's virtual desktop). PELM_WINE_TESTS=0 leaves them out,
# for a quick run of the builds alone.
if(NOT "$ENV{PELM_WINE_TESTS}" STREQUAL "0")
  file(GLOB PELM_WINE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win32/*.sh)
  foreach(script ${PELM_WINE_TESTS})
    get_filename_component(name ${script} NAME_WE)
    set(opts)
    if(name MATCHES "_noaudio(_in_[a-z][a-z]_[A-Z][A-Z])?$")
      set(opts --no-audio)
    endif()
    # NAME_in_xx_YY runs in the locale xx_YY (and so its ANSI code page).
    set(env "PELM_BUILD_DIR=${CMAKE_BINARY_DIR}")
    if(name MATCHES "_in_([a-z][a-z]_[A-Z][A-Z])$")
      list(APPEND env "PELM_RIG_LANG=${CMAKE_MATCH_1}.UTF-8")
    endif()
    # NAME_at_NNNdpi runs on a display of NNN dpi (144: 150 %, 192: 200 %).
    if(name MATCHES "_at_([0-9]+)dpi$")
      list(APPEND env "PELM_RIG_DPI=${CMAKE_MATCH_1}")
    endif()
    # Scenarios of the same locale, DPI and audio share rigs (reset and
    # checked empty between two), but for those that change the prefix
    # beyond what a reset restores, or whose Wine server may abort.
    if(NOT name MATCHES "^(hook_library|endpoint_standin)$")
      list(APPEND env "PELM_RIG_POOL=${CMAKE_BINARY_DIR}/rig/pool")
    endif()
    add_test(NAME wine_${name} COMMAND bash ${CMAKE_SOURCE_DIR}/tests/rig/run-wine-test.sh ${opts} ${script})
    # 77: no Wine mode can run on this kernel; the scenario is skipped, and says why.
    # No two running scenarios share a rig (display, audio server, prefix
    # copy), so they may run side by side (tools/test.sh says how many).
    set_tests_properties(wine_${name} PROPERTIES TIMEOUT 1800
      ENVIRONMENT "${env}" SKIP_RETURN_CODE 77 FIXTURES_REQUIRED wine_rig_pool)
    # The hook library's scenario holds a thread that serves the system-wide
    # low-level hook while it drives real input: it runs alone, with the
    # machine to itself.
    if(name STREQUAL "hook_library")
      set_tests_properties(wine_${name} PROPERTIES RUN_SERIAL TRUE)
    endif()
  endforeach()
  # The pool's rigs are stopped before the first scenario (any a killed run
  # left) and after the last.
  foreach(step clear stop)
    add_test(NAME wine_rig_pool_${step} COMMAND bash ${CMAKE_SOURCE_DIR}/tests/rig/run-wine-test.sh --stop-pool)
    set_tests_properties(wine_rig_pool_${step} PROPERTIES ENVIRONMENT "PELM_RIG_POOL=${CMAKE_BINARY_DIR}/rig/pool")
  endforeach()
  set_tests_properties(wine_rig_pool_clear PROPERTIES FIXTURES_SETUP wine_rig_pool)
  set_tests_properties(wine_rig_pool_stop PROPERTIES FIXTURES_CLEANUP wine_rig_pool)
endif()
include(${CMAKE_SOURCE_DIR}/cmake/release.cmake)
