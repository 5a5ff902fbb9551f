# Two end-to-end cases that must leave the same files, byte for byte: the dialogue and the
# command line given the same answers (tests/cases/dialogo-igual-* and opcoes-igual-*).
# Their expected copies are compared, so that rewriting one of them alone is seen.
#
#   cmake -DFIRST=<tests/cases/a> -DSECOND=<tests/cases/b> -P same_expected.cmake
if(NOT CMAKE_SCRIPT_MODE_FILE)
  return()  # tests/CMakeLists.txt includes every tests/*.cmake: this one only runs with -P
endif()
file(GLOB_RECURSE first RELATIVE "${FIRST}/expected" "${FIRST}/expected/*")
file(GLOB_RECURSE second RELATIVE "${SECOND}/expected" "${SECOND}/expected/*")
list(SORT first)
list(SORT second)
if(NOT first STREQUAL second)
  message(FATAL_ERROR "${FIRST} and ${SECOND} expect different files:\n  ${first}\n  ${second}")
endif()
foreach(path IN LISTS first)
  file(SHA256 "${FIRST}/expected/${path}" a)
  file(SHA256 "${SECOND}/expected/${path}" b)
  if(NOT a STREQUAL b)
    message(FATAL_ERROR "${path} differs between ${FIRST} and ${SECOND}")
  endif()
endforeach()
