# Icons and cursor (host build only: needs nothing but python3).
# resources/ holds the generator's committed output; the first test fails
# when someone edits a map or the program icon's drawing in tools/icons/ and
# forgets to regenerate, or touches a resource by hand. The second reads the
# files with a parser of its own: layouts, the gauge and the sign, every
# size of the program's icon and of the tray pictures, and how the pictures
# show on dark and light taskbars.
add_test(NAME icons_generated
         COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/icongen.py --check ${CMAKE_SOURCE_DIR}/resources)
add_test(NAME icons_content
         COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/icons/test_icons.py)

# An enlarged overview of every picture (also on a dark taskbar, and the
# program's icon at every size), rebuilt whenever a map changes, so a
# change can be looked at before it is committed.
file(GLOB PELM_ICON_MAPS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/icons/*.txt)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/icons.png
  COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/icongen.py --sheet ${CMAKE_BINARY_DIR}/icons.png
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/icongen.py ${PELM_ICON_MAPS}
  COMMENT "Drawing icons.png")
add_custom_target(icon_sheet ALL DEPENDS ${CMAKE_BINARY_DIR}/icons.png)
