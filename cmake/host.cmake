# Host build: the portable logic and its unit tests.
find_package(GTest REQUIRED)
find_package(Threads REQUIRED)

add_library(pelm_logic STATIC ${PELM_LOGIC_SOURCES})
target_include_directories(pelm_logic PUBLIC ${CMAKE_SOURCE_DIR})
target_include_directories(pelm_logic PRIVATE ${PELM_GEN})
target_compile_options(pelm_logic PRIVATE -Wall -Wextra)

file(GLOB PELM_HOST_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/host/*.cpp)
add_executable(host_tests ${PELM_HOST_TESTS})
target_compile_definitions(host_tests PRIVATE PELM_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_include_directories(host_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(host_tests PRIVATE pelm_logic GTest::gmock GTest::gtest_main Threads::Threads)
include(GoogleTest)
gtest_discover_tests(host_tests DISCOVERY_TIMEOUT 60)

# Optional extras that subsystems add for the host build.
file(GLOB PELM_HOST_EXTRAS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/cmake/host-*.cmake)
foreach(extra ${PELM_HOST_EXTRAS})
  include(${extra})
endforeach()
