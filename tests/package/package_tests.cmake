# Tests of what is shipped. The release preset (CELPACK_PACKAGE_TESTS):
# celkit's completion, and the Debian package, made by cpack and then
# installed, used and removed. The win32 preset: the zip, unpacked, its
# programs' PE headers and resources read, and both used under Wine.
set(package_dir ${CMAKE_CURRENT_LIST_DIR})
set(package_work ${PROJECT_BINARY_DIR}/test-work/package)

if(CELPACK_PACKAGE_TESTS AND TARGET celkit)
  add_test(NAME package_completion
    COMMAND bash ${package_dir}/completion_test.sh
      ${PROJECT_SOURCE_DIR}/resources/celkit.bash-completion $<TARGET_FILE_DIR:celkit>)

  add_test(NAME package_deb_build
    COMMAND ${CMAKE_CPACK_COMMAND} --config ${PROJECT_BINARY_DIR}/CPackConfig.cmake
      -G DEB -B ${PROJECT_BINARY_DIR}/packages)
  set_tests_properties(package_deb_build PROPERTIES FIXTURES_SETUP deb)
  add_test(NAME package_deb
    COMMAND bash ${package_dir}/deb_test.sh ${PROJECT_BINARY_DIR}/packages ${PROJECT_VERSION}
      ${PROJECT_SOURCE_DIR} ${package_work}/deb)
  set_tests_properties(package_deb PROPERTIES FIXTURES_REQUIRED deb SKIP_RETURN_CODE 77)
endif()

if(WIN32 AND BUILD_TESTING AND TARGET celkit)
  # Under Wine on a display of its own, for celpack.exe's message box.
  add_test(NAME package_win32_zip
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/with-display.sh ${PROJECT_BINARY_DIR}/wineprefix-display
      bash ${package_dir}/zip_test.sh ${PROJECT_BINARY_DIR}/CPackConfig.cmake ${PROJECT_VERSION}
      ${PROJECT_SOURCE_DIR} ${package_work}/zip)
  set_tests_properties(package_win32_zip PROPERTIES
    FIXTURES_REQUIRED wine_display RESOURCE_LOCK wine_display)
endif()
