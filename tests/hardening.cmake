# Hardening: what the fuzzers once found, failed writes, hostile input through the built
# executable, and a session in a real pseudo-terminal.
add_executable(elipses_hardening_tests
  ${CMAKE_CURRENT_LIST_DIR}/hardening_fuzz_regressions_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hardening_failed_writes_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hardening_hostile_input_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hardening_signals_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hardening_process.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_support.cpp
  ${PROJECT_SOURCE_DIR}/fuzz/fuzz_checks.cpp)
target_include_directories(elipses_hardening_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${PROJECT_SOURCE_DIR}/fuzz)
target_link_libraries(elipses_hardening_tests PRIVATE elipses_core elipses_warnings GTest::gtest_main)
target_compile_definitions(elipses_hardening_tests PRIVATE
  ELIPSES_EXECUTABLE="$<TARGET_FILE:elipses>"
  ELIPSES_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
add_dependencies(elipses_hardening_tests elipses)
gtest_discover_tests(elipses_hardening_tests DISCOVERY_TIMEOUT 60)

add_test(NAME Hardening.TerminalSession
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/hardening_terminal_session.sh $<TARGET_FILE:elipses> ${PROJECT_SOURCE_DIR})
set_tests_properties(Hardening.TerminalSession PROPERTIES TIMEOUT 120)

# The sign of life of a long step at a pseudo-terminal, and none when piped.
add_test(NAME Hardening.ProgressAtATerminal
         COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/progress_check.py $<TARGET_FILE:elipses>)
set_tests_properties(Hardening.ProgressAtATerminal PROPERTIES TIMEOUT 120)
