# Helpers for test and fuzz targets.
#
#   add_native_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2)
#     A GoogleTest program of the native build; every test case becomes a ctest test.
#   add_win32_test(NAME SOURCES ... LIBS ...)
#     A GoogleTest program of the Windows build, run under Wine by ctest as one test, with the
#     Wine of the build's width (32-bit for build/win32, 64-bit for the twin in build/win64).
#   add_fuzz_target(NAME SOURCES ... LIBS ...)
#     A libFuzzer target; built only in the fuzz build (clang, -DFUZZ=ON).

# The Access-made files lie beside the repository; a clone made elsewhere finds them beside the
# repository it was cloned from.
set(_fixtures "${CMAKE_SOURCE_DIR}/../shared/fixtures/jet4")
if(NOT EXISTS "${_fixtures}/MANIFEST.md")
  execute_process(COMMAND git -C "${CMAKE_SOURCE_DIR}" remote get-url origin
                  OUTPUT_VARIABLE _origin OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(_origin AND EXISTS "${_origin}/../shared/fixtures/jet4/MANIFEST.md")
    get_filename_component(_fixtures "${_origin}/../shared/fixtures/jet4" ABSOLUTE)
  endif()
endif()
set(FIXTURES_DIR "${_fixtures}" CACHE PATH "Real Access-made .mdb files")
# Access files from the field (public repositories) lie beside them.
get_filename_component(_field_fixtures "${FIXTURES_DIR}/../jet4-field" ABSOLUTE)
set(FIELD_FIXTURES_DIR "${_field_fixtures}" CACHE PATH "Access files from the field")
if(NOT EXISTS "${FIXTURES_DIR}/MANIFEST.md")
  message(WARNING "No Access-made fixtures at ${FIXTURES_DIR}: the engine's tests against them "
                  "will fail; pass -DFIXTURES_DIR=...")
endif()

if(NOT WIN32 AND NOT FUZZ)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

if(WIN32)
  # GoogleTest from Debian's source package, built with the cross compiler.
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()

function(add_native_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  if(WIN32 OR FUZZ)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE FIXTURES_DIR="${FIXTURES_DIR}"
                                             FIELD_FIXTURES_DIR="${FIELD_FIXTURES_DIR}"
                                             SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                                             BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS native)
endfunction()

function(add_win32_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT WIN32)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest gtest_main)
  add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/scripts/run-in-wine.sh $<TARGET_FILE:${name}>)
  math(EXPR width "${CMAKE_SIZEOF_VOID_P} * 8")
  set_tests_properties(${name} PROPERTIES LABELS win32 TIMEOUT 300 ENVIRONMENT "WINE_WIDTH=${width}")
endfunction()

function(add_fuzz_target name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT FUZZ)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${name} PRIVATE ${T_LIBS})
endfunction()
