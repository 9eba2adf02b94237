# celpack_debian_changelog(OUTPUT): CHANGELOG.md's dated entries in the
# format Debian's tools read from a package's changelog.gz, one entry for
# each "## VERSION (YYYY-MM-DD)" with its "- " items.
function(celpack_debian_changelog output)
  file(STRINGS ${PROJECT_SOURCE_DIR}/CHANGELOG.md lines)
  set(text "")
  set(trailer "")
  set(in_entry FALSE)
  foreach(line IN LISTS lines)
    if(line MATCHES "^## ([^ ]+) \\(([0-9-]+)\\)$")
      string(APPEND text "${trailer}")
      execute_process(COMMAND date -R -u -d ${CMAKE_MATCH_2}
        OUTPUT_VARIABLE date OUTPUT_STRIP_TRAILING_WHITESPACE)
      string(APPEND text "celpack (${CMAKE_MATCH_1}) unstable; urgency=medium\n\n")
      set(trailer "\n -- ${CELPACK_MAINTAINER}  ${date}\n\n")
      set(in_entry TRUE)
    elseif(line MATCHES "^## ")
      set(in_entry FALSE)  # undated: not a release Debian's tools can place
    elseif(in_entry AND line MATCHES "^- (.*)")
      string(APPEND text "  * ${CMAKE_MATCH_1}\n")
    elseif(in_entry AND line MATCHES "^  +(.*)")
      string(APPEND text "    ${CMAKE_MATCH_1}\n")
    endif()
  endforeach()
  string(APPEND text "${trailer}")
  string(STRIP "${text}" text)
  file(CONFIGURE OUTPUT ${output} CONTENT "${text}\n")
endfunction()
