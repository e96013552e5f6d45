# The version from project() as a header for the sources and resource
# scripts (gen/pelm_version.h) and as the four numbers a version record and
# the manifest take. A version of two parts is 1.4.0.0 there.
foreach(part MAJOR MINOR PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    set(PELM_VERSION_${part} 0)
  else()
    set(PELM_VERSION_${part} ${PROJECT_VERSION_${part}})
  endif()
endforeach()
set(PELM_VERSION_QUAD ${PELM_VERSION_MAJOR}.${PELM_VERSION_MINOR}.${PELM_VERSION_PATCH}.${PELM_VERSION_TWEAK})
set(PELM_GEN ${CMAKE_BINARY_DIR}/gen)
configure_file(${CMAKE_SOURCE_DIR}/cmake/version.h.in ${PELM_GEN}/pelm_version.h @ONLY)
