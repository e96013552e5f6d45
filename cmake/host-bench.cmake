# The wheel handler's instruction count per notification, for callgrind.
add_executable(bench_wheel_host ${CMAKE_SOURCE_DIR}/bench/host_wheel.cpp ${CMAKE_SOURCE_DIR}/tests/host/Fakes.cpp)
target_include_directories(bench_wheel_host PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(bench_wheel_host PRIVATE PELM_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_compile_options(bench_wheel_host PRIVATE -O2)
target_link_libraries(bench_wheel_host PRIVATE pelm_logic)
