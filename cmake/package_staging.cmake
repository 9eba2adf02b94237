# Run by cpack on the installed files it is about to pack
# (CPACK_TEMPORARY_INSTALL_DIRECTORY): a Debian package carries its manual
# pages and changelog compressed; the Windows zip holds only the programs
# and their two text files, not the Unix manual pages.
set(staging ${CPACK_TEMPORARY_INSTALL_DIRECTORY})
if(CPACK_GENERATOR STREQUAL "DEB")
  file(GLOB_RECURSE pages ${staging}/*/share/man/man[1-9]/*.[1-9])
  file(GLOB_RECURSE changelogs ${staging}/*/share/doc/*/changelog)
  foreach(file IN LISTS pages changelogs)
    execute_process(COMMAND gzip -9nf ${file} RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "gzip ${file} failed: ${status}")
    endif()
  endforeach()
elseif(CPACK_GENERATOR STREQUAL "ZIP")
  file(REMOVE_RECURSE ${staging}/share)
endif()
