# The platform layer's file operations, in the unit test program.
target_sources(elipses_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/platform_test.cpp)
