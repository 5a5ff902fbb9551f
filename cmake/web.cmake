# The web page: under Emscripten (scripts/web) elipses becomes a module for the browser,
# elipses.js and elipses.wasm, which scripts/web puts inside web/page.html. Each run is a
# fresh instance of the module (web/run.js): the program starts, reads and writes files
# in memory and ends, as a process would.
if(NOT EMSCRIPTEN)
  return()
endif()
# The program reports bad input by exceptions, which Emscripten does not catch by default.
target_compile_options(elipses_core PUBLIC -fexceptions)
set_target_properties(elipses PROPERTIES SUFFIX .js)
target_link_options(elipses PRIVATE
  -fexceptions
  -sMODULARIZE=1 -sEXPORT_NAME=createElipsesModule
  -sENVIRONMENT=web
  -sALLOW_MEMORY_GROWTH=1
  -sEXIT_RUNTIME=1 -sINVOKE_RUN=0
  -sFORCE_FILESYSTEM=1
  -sEXPORTED_RUNTIME_METHODS=callMain,FS)
