# What is installed beside the programs and their manual pages (whose rules
# sit with each program), and the packages cpack makes of it: a Debian
# package from the release preset (cpack --preset deb), a zip from the
# win32 preset (cpack --preset win32-zip).

set(CELPACK_MAINTAINER "celpack maintainers <maintainers@users.noreply.c-seed-a198c29c.example>")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/CHANGELOG.md
  ${PROJECT_SOURCE_DIR}/resources/third_party_notices.txt
  ${PROJECT_SOURCE_DIR}/resources/README-win32.txt.in)

# Our licence, then the notices of the code compiled in.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE celpack_licence)
file(READ ${PROJECT_SOURCE_DIR}/resources/third_party_notices.txt celpack_notices)
set(celpack_copyright "celpack ${PROJECT_VERSION}: celpack and celkit\n\n${celpack_licence}${celpack_notices}")

if(WIN32)
  # The zip's text files, with Windows line ends.
  file(CONFIGURE OUTPUT ${CELPACK_GENERATED_DIR}/LICENSE.txt CONTENT "${celpack_copyright}"
    NEWLINE_STYLE CRLF)
  configure_file(${PROJECT_SOURCE_DIR}/resources/README-win32.txt.in
    ${CELPACK_GENERATED_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CELPACK_GENERATED_DIR}/README.txt ${CELPACK_GENERATED_DIR}/LICENSE.txt
    DESTINATION .)
else()
  file(CONFIGURE OUTPUT ${CELPACK_GENERATED_DIR}/copyright CONTENT "${celpack_copyright}")
  install(FILES ${CELPACK_GENERATED_DIR}/copyright ${PROJECT_SOURCE_DIR}/README.md
    DESTINATION ${CMAKE_INSTALL_DOCDIR})
  include(${PROJECT_SOURCE_DIR}/cmake/debian_changelog.cmake)
  celpack_debian_changelog(${CELPACK_GENERATED_DIR}/changelog)
  install(FILES ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${CELPACK_GENERATED_DIR}/changelog
    DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/resources/celkit.bash-completion
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME celkit)
endif()

set(CPACK_PACKAGE_NAME celpack)
set(CPACK_PACKAGE_VENDOR "the celpack authors")
set(CPACK_PACKAGE_CONTACT "${CELPACK_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "glyph sheet to raw bitmap font converter, with font tools")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "celpack turns a 256 x 256 picture (BMP or ICO) of a character set, 16 x 16\n"
  "glyphs of 16 x 16 pixels, into an 8192-byte raw bitmap font.\n"
  "\n"
  "celkit, its companion, shows such fonts as pictures or text, gives their\n"
  "editable sheets back, exports them as PSF2 console fonts, BDF, Unifont .hex\n"
  "and C headers, and imports PSF, BDF, .hex and pictures (BMP, ICO, PNG).")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# Debian's compressed manual pages and changelog; the zip's flat layout.
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/package_staging.cmake)

if(WIN32)
  # cpack installs what was built (the win32-zip build preset builds the
  # two programs) rather than building every test program first.
  set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME celpack-${PROJECT_VERSION}-win32)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
endif()
include(CPack)

option(CELPACK_PACKAGE_TESTS "Test the package cpack makes from this build (the release preset)" OFF)
if(CELPACK_PACKAGE_TESTS OR (BUILD_TESTING AND WIN32))
  enable_testing()
  include(${PROJECT_SOURCE_DIR}/tests/package/package_tests.cmake)
endif()
