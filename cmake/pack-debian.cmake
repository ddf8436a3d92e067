# Run by CPack on the staged package tree: Debian keeps man pages and the
# changelog gzip-compressed (-9, no name or time stamp, so the bytes repeat).
file(GLOB_RECURSE compress
  ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/man/*.[0-9]
  ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/doc/vuxa/changelog)
if(NOT compress)
  message(FATAL_ERROR "pack-debian: no man page or changelog under ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
foreach(file IN LISTS compress)
  execute_process(COMMAND gzip -9nf ${file} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "pack-debian: gzip ${file} failed")
  endif()
endforeach()
