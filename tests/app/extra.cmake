# Programs of the Windows build that need a display: they run on a virtual
# X display (scripts/with-display.sh) in a Wine prefix of their own, one at
# a time, once that prefix has been made.
if(WIN32)
  set(display_prefix ${PROJECT_BINARY_DIR}/wineprefix-display)
  set(with_display ${PROJECT_SOURCE_DIR}/scripts/with-display.sh ${display_prefix})

  add_test(NAME wine_prefix_display COMMAND ${with_display} wineboot -i)
  set_tests_properties(wine_prefix_display PROPERTIES
    FIXTURES_SETUP wine_display RESOURCE_LOCK wine_display)

  function(celpack_display_test test)
    if(TARGET ${test})
      set_target_properties(${test} PROPERTIES CROSSCOMPILING_EMULATOR "${with_display};wine")
      set_tests_properties(${test} PROPERTIES
        FIXTURES_REQUIRED wine_display RESOURCE_LOCK wine_display)
    endif()
  endfunction()

  foreach(test runtime_message_win32_test app_program_test app_program_win32_test)
    celpack_display_test(${test})
  endforeach()
  add_test(NAME app_real_message_box
    COMMAND ${with_display} bash ${CMAKE_CURRENT_LIST_DIR}/real_message_box.sh
      $<TARGET_FILE:celpack> ${PROJECT_SOURCE_DIR}/examples/dejavu-mono.bmp
      ${PROJECT_BINARY_DIR}/test-work/real_message_box)
  set_tests_properties(app_real_message_box PROPERTIES
    FIXTURES_REQUIRED wine_display RESOURCE_LOCK wine_display)

  # Every picture under tests/data through both programs: the native one
  # is taken from the native preset's tree, built before this one.
  set(CELPACK_NATIVE_PROGRAM ${PROJECT_SOURCE_DIR}/build/native/celpack CACHE FILEPATH
      "The native celpack whose verdicts the Windows build must match")
  add_test(NAME app_builds_agree
    COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/builds_agree.py
      ${CELPACK_NATIVE_PROGRAM} $<TARGET_FILE:celpack> ${PROJECT_SOURCE_DIR}/tests/data
      ${PROJECT_BINARY_DIR}/test-work/builds_agree)
  celpack_test_environment(app_builds_agree)

  # The program is what these tests start.
  foreach(test app_program_test app_program_win32_test)
    if(TARGET ${test})
      add_dependencies(${test} celpack)
    endif()
  endforeach()
else()
  foreach(test app_program_test app_output_safety_native_test)
    if(TARGET ${test})
      add_dependencies(${test} celpack)
    endif()
  endforeach()
endif()
