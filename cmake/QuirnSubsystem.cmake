# One static library per subsystem folder. Sources are picked up from the folder
# itself, so adding a file never needs an edit here; a folder with no sources yet
# becomes an interface target so that dependants still link.
function(quirn_subsystem name dir)
  cmake_parse_arguments(Q "" "" "DEPS;PRIVATE_DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(srcs)
    add_library(${name} STATIC ${srcs})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_compile_options(${name} PRIVATE ${QUIRN_WARNINGS})
    target_link_libraries(${name} PUBLIC ${Q_DEPS} PRIVATE ${Q_PRIVATE_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${Q_DEPS})
  endif()
endfunction()

# A test executable per subsystem: every tests/<dir>/*.cpp, linked with the core.
function(quirn_test_suite name dir)
  cmake_parse_arguments(Q "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(srcs)
    add_executable(${name} ${srcs})
    target_compile_options(${name} PRIVATE ${QUIRN_WARNINGS})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(${name} PRIVATE ${Q_DEPS} quirn_testsupport GTest::gtest GTest::gmock GTest::gtest_main)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT "QUIRN_TEST_DATA=${CMAKE_SOURCE_DIR}/tests/data;QUIRN_BUILD_DIR=${CMAKE_BINARY_DIR};QUIRN_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
  endif()
endfunction()
