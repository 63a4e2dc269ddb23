# Run by CPack after it installed the files into its staging folder: every
# manual page there is replaced by its gzip form (maximum compression, no
# name or time stamp in the header), as Debian packages carry them.

file(GLOB_RECURSE pages "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.[1-9]")
list(FILTER pages INCLUDE REGEX "/share/man/man[1-9]/[^/]+$")
if(NOT pages)
  message(FATAL_ERROR "no manual pages found under ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
foreach(page IN LISTS pages)
  execute_process(COMMAND gzip -9nf "${page}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${page} failed")
  endif()
endforeach()
