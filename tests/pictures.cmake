# Pictures of drawing scripts (tools/elipses-svg): the player, the SVG and DXF files,
# whole runs of elipses played back, and the checks with a real SVG renderer
# (rsvg-convert) and a real DXF reader (ezdxf); scripts/packages/pictures.txt lists them.
if(TARGET elipses_pictures)
  add_executable(elipses_pictures_tests
    ${CMAKE_CURRENT_LIST_DIR}/pictures_player_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pictures_relative_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pictures_runs_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pictures_tool_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_support.cpp)
  target_link_libraries(elipses_pictures_tests PRIVATE elipses_pictures elipses_core GTest::gtest_main)
  target_compile_definitions(elipses_pictures_tests PRIVATE
    PICTURES_TOOL="$<TARGET_FILE:elipses-svg>"
    ELIPSES_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  add_dependencies(elipses_pictures_tests elipses-svg)
  gtest_discover_tests(elipses_pictures_tests DISCOVERY_TIMEOUT 60)
endif()
