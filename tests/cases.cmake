# End-to-end cases kept as data, one folder each under tests/cases/ (its README.md has the
# layout): one CTest test per folder, case.<name>, run by run_case.cmake on the built program.
file(GLOB case_folders LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/cases/*)
foreach(folder ${case_folders})
  if(IS_DIRECTORY ${folder})
    get_filename_component(case_name ${folder} NAME)
    add_test(NAME case.${case_name}
             COMMAND ${CMAKE_COMMAND} -DEXE=$<TARGET_FILE:elipses> -DCASE=${folder}
                     -DWORK=${CMAKE_CURRENT_BINARY_DIR}/cases/${case_name} -P ${CMAKE_CURRENT_LIST_DIR}/run_case.cmake)
  endif()
endforeach()

# The dialogue and the command line given the same answers leave the same files.
foreach(folder ${case_folders})
  get_filename_component(case_name ${folder} NAME)
  if(case_name MATCHES "^dialogo-(igual-.*)$")
    set(twin ${CMAKE_CURRENT_LIST_DIR}/cases/opcoes-${CMAKE_MATCH_1})
    add_test(NAME case.${case_name}.como-opcoes
             COMMAND ${CMAKE_COMMAND} -DFIRST=${folder} -DSECOND=${twin} -P ${CMAKE_CURRENT_LIST_DIR}/same_expected.cmake)
  endif()
endforeach()
