# The Windows parameter test starts this probe with command lines of its
# own choosing.
if(WIN32)
  add_executable(runtime_parameters_probe ${CMAKE_CURRENT_LIST_DIR}/parameters_probe.cpp)
  target_include_directories(runtime_parameters_probe PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(runtime_parameters_probe PRIVATE celpack_app)
  target_link_options(runtime_parameters_probe PRIVATE -static)
  add_dependencies(runtime_parameters_win32_test runtime_parameters_probe)
  target_compile_definitions(runtime_parameters_win32_test PRIVATE
    CELPACK_PARAMETERS_PROBE="$<TARGET_FILE_NAME:runtime_parameters_probe>")
endif()
