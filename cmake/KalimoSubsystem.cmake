# One static library per subsystem folder; every source below the folder belongs to it.
function(kalimo_subsystem name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER srcs INCLUDE REGEX "\\.cpp$|\\.h$")
  set(cpps ${srcs})
  list(FILTER cpps INCLUDE REGEX "\\.cpp$")
  if(NOT cpps)
    return()
  endif()
  add_library(kalimo_${name} STATIC ${srcs})
  target_include_directories(kalimo_${name} PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
  target_link_libraries(kalimo_${name} PUBLIC ${ARG_DEPENDS})
  if(NOT KALIMO_FUZZ)
    target_precompile_headers(kalimo_${name} REUSE_FROM kalimo_pch)
  endif()
endfunction()

# Test executable per subsystem: every tests/<name>/*.cpp.
function(kalimo_test name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(test_${name} ${srcs})
  target_link_libraries(test_${name} PRIVATE kalimo_testsupport ${ARG_DEPENDS})
  target_precompile_headers(test_${name} REUSE_FROM kalimo_pch)
  gtest_discover_tests(test_${name}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SDL_AUDIODRIVER=dummy;KALIMO_SOURCE_DIR=${CMAKE_SOURCE_DIR};KALIMO_BINARY_DIR=${CMAKE_BINARY_DIR}"
    DISCOVERY_TIMEOUT 60)
endfunction()
