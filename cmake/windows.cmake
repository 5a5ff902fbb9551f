# Windows only: elipses and elipses-svg carry an application manifest that makes UTF-8
# their code page, so that file names with Portuguese letters open through the narrow
# file functions (src/windows/elipses.manifest).
if(NOT WIN32)
  return()
endif()
enable_language(RC)
get_filename_component(elipses_windows_dir ${CMAKE_CURRENT_LIST_DIR}/../src/windows ABSOLUTE)
set(elipses_rc ${elipses_windows_dir}/elipses.rc)
foreach(program elipses elipses-svg)
  if(TARGET ${program})
    target_sources(${program} PRIVATE ${elipses_rc})
    # windres finds the manifest beside the .rc; a changed manifest compiles the .rc again.
    get_target_property(program_dir ${program} SOURCE_DIR)
    if(CMAKE_VERSION VERSION_LESS 3.18)
      set_property(SOURCE ${elipses_rc} APPEND PROPERTY OBJECT_DEPENDS ${elipses_windows_dir}/elipses.manifest)
    else()
      set_property(SOURCE ${elipses_rc} DIRECTORY ${program_dir}
                   APPEND PROPERTY OBJECT_DEPENDS ${elipses_windows_dir}/elipses.manifest)
    endif()
  endif()
endforeach()
