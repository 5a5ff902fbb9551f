# Independent checks of the propagation: covariances against a full J·Σ·Jᵀ of the
# forward-computed traverse, and the decision (pairs, points, design sheet, reliability)
# against a dense least-squares survey. Whole runs are kept as cases in tests/cases.
add_executable(elipses_propagation_checks
  ${CMAKE_CURRENT_LIST_DIR}/propagation_checks_covariance.cpp
  ${CMAKE_CURRENT_LIST_DIR}/propagation_checks_decision.cpp)
target_link_libraries(elipses_propagation_checks PRIVATE elipses_core GTest::gtest_main)
gtest_discover_tests(elipses_propagation_checks DISCOVERY_TIMEOUT 60)
