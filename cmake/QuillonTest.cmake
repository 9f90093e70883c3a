# One function declares every GoogleTest program of the project.
#   quillon_test(NAME name SOURCES a.cpp b.cpp LIBS lib1 lib2 [LABELS l] [TIMEOUT s])
# On the Windows build ctest runs the program through the cross-compiling emulator (Wine).
function(quillon_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} gmock gtest_main)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_brief=1)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(T_LABELS)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# A Wine prefix of its own for the tests that need the fixture <name>_prefix: made anew and booted
# by the test <name>_clean_prefix before them, its old server stopped first (it may still be
# writing) and the new prefix settled, so that the tests never run beside Wine's first start.
function(quillon_clean_prefix name prefix)
  add_test(NAME ${name}_clean_prefix COMMAND sh -c
    "WINEPREFIX=$0 wineserver -k 2>/dev/null; WINEPREFIX=$0 wineserver -w 2>/dev/null; rm -rf $0 &&
     QUILLON_WINEPREFIX=$0 QUILLON_BUILD_DIR=$1 $2 cmd /c exit && WINEPREFIX=$0 wineserver -w"
    ${prefix} ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR}/scripts/wine-run)
  set_tests_properties(${name}_clean_prefix PROPERTIES FIXTURES_SETUP ${name}_prefix)
endfunction()
