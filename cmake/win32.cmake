# Win32 build: the product, its hook library and the tests that run under Wine.
set(PELM_WIN32_FLAGS -Wall -Wextra -finput-charset=UTF-8 -fexec-charset=CP932)
set(PELM_STATIC_LINK -static -static-libgcc -static-libstdc++)

add_library(pelm_logic STATIC ${PELM_LOGIC_SOURCES})
target_include_directories(pelm_logic PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(pelm_logic PRIVATE ${PELM_WIN32_FLAGS})
target_compile_definitions(pelm_logic PUBLIC WINVER=0x0501 _WIN32_WINNT=0x0501 _WIN32_IE=0x0600)

foreach(sub hookdll tests/probe)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${sub}/CMakeLists.txt)
    add_subdirectory(${sub})
  endif()
endforeach()
