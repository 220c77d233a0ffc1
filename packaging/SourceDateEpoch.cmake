# The one time that every packed file carries, so that two packings of the same
# source give the same bytes: SOURCE_DATE_EPOCH when the caller set it, else the
# date of the commit packed, else, in a source tree without git (an exported
# archive, whose files carry the commit's time), the time of its CMakeLists.txt.
# Sets SOURCE_DATE_EPOCH in the environment, which CPack's archive writers and
# string(TIMESTAMP) read.
function(morlenth_source_date_epoch sourceDir)
  if(DEFINED ENV{SOURCE_DATE_EPOCH})
    return()
  endif()
  execute_process(COMMAND git -C ${sourceDir} log -1 --format=%ct
    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed ERROR_QUIET)
  set(origin "the last commit")
  if(failed OR NOT epoch MATCHES "^[0-9]+$")
    file(TIMESTAMP ${sourceDir}/CMakeLists.txt epoch "%s" UTC)
    set(origin "the time of CMakeLists.txt, as there is no git history")
  endif()
  message(STATUS "SOURCE_DATE_EPOCH=${epoch}: ${origin}")
  set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endfunction()
