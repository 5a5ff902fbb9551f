# Independent checks of the propagation: covariances against a full J·Σ·Jᵀ of the
# forward-computed traverse, whole runs against the worked examples, and the decision
# (pairs, points, design sheet, reliability) against a dense least-squares survey.
add_executable(elipses_propagation_checks
  ${CMAKE_CURRENT_LIST_DIR}/propagation_checks_covariance.cpp
  ${CMAKE_CURRENT_LIST_DIR}/propagation_checks_runs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/propagation_checks_decision.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_support.cpp)
target_link_libraries(elipses_propagation_checks PRIVATE elipses_core GTest::gtest_main)
gtest_discover_tests(elipses_propagation_checks DISCOVERY_TIMEOUT 60)
