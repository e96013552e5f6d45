# The folders include one another one way only: no file outside app/
# includes app/, and the include graph between folders has no circle.
add_test(NAME layout_includes COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/layout/check_includes.py ${CMAKE_SOURCE_DIR})
