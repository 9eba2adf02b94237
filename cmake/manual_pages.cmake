# The manual pages as installed: docs/NAME.1 with the project's version and
# one date for every page. The date is the configure day, or the one
# SOURCE_DATE_EPOCH gives, so that a package build is reproducible.
string(TIMESTAMP CELPACK_MANUAL_DATE "%Y-%m-%d" UTC)

# celpack_manual_page(NAME): build/<preset>/man/NAME.1, installed in man1.
function(celpack_manual_page name)
  set(page ${PROJECT_BINARY_DIR}/man/${name}.1)
  configure_file(${PROJECT_SOURCE_DIR}/docs/${name}.1 ${page} @ONLY)
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
