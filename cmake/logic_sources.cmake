# Portable sources sit directly in each subsystem folder; Win32 bindings sit
# in its win32/ subfolder. New files are picked up by these globs.
set(PELM_SUBSYSTEMS framework app volume tray wheel settings dialogs)
set(PELM_LOGIC_SOURCES)
set(PELM_WIN32_SOURCES)
foreach(dir ${PELM_SUBSYSTEMS})
  file(GLOB _logic CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  file(GLOB _win32 CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/win32/*.cpp)
  list(APPEND PELM_LOGIC_SOURCES ${_logic})
  list(APPEND PELM_WIN32_SOURCES ${_win32})
endforeach()
list(FILTER PELM_WIN32_SOURCES EXCLUDE REGEX "/app/win32/(WinMain|RuntimeImports)\\.cpp$")
