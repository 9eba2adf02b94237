# The celpack program of each build: build/native/celpack and
# build/win32/celpack.exe.

if(WIN32)
  # celpack.exe carries no C runtime start-up: the loader enters
  # celpackEntry (decorated with a leading underscore on i686), the C
  # runtime's functions come straight from msvcrt.dll, and libgcc supplies
  # the compiler's helpers. It is a GUI program: no console opens.
  add_executable(celpack entry_win32.cpp ${PROJECT_SOURCE_DIR}/resources/celpack.rc)
  set_source_files_properties(${PROJECT_SOURCE_DIR}/resources/celpack.rc PROPERTIES
    OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/resources/celpack.ico;${CELPACK_GENERATED_DIR}/celpack.manifest;${PROJECT_SOURCE_DIR}/resources/version_info.rc;${CELPACK_GENERATED_DIR}/celpack_version.h")
  target_include_directories(celpack PRIVATE ${CELPACK_GENERATED_DIR} ${PROJECT_SOURCE_DIR}/resources)
  target_compile_options(celpack PRIVATE ${CELPACK_PRODUCT_FLAGS})
  target_link_options(celpack PRIVATE -nostartfiles -nodefaultlibs
    -Wl,-e,_celpackEntry -Wl,--subsystem,windows -Wl,--enable-stdcall-fixup
    ${CELPACK_WIN32_LINK_FLAGS})
  target_link_libraries(celpack PRIVATE celpack_app)
  # Only celpack links in this directory. The platform's libraries close its
  # link line, after every archive that needs them, in place of the
  # compiler's usual list.
  set(CMAKE_CXX_STANDARD_LIBRARIES
    "-Wl,--start-group -lkernel32 -luser32 -lgdi32 -lcomctl32 -lole32 -lmsvcrt -lgcc -Wl,--end-group")
else()
  add_executable(celpack entry_native.cpp)
  target_compile_options(celpack PRIVATE ${CELPACK_PRODUCT_FLAGS})
  target_link_libraries(celpack PRIVATE celpack_app)
  if(CELPACK_STATIC AND NOT CELPACK_SANITIZE AND CELPACK_PNG_ARCHIVE AND CELPACK_ZLIB_ARCHIVE)
    # Linked whole: a run of a few milliseconds would otherwise spend most
    # of them in the dynamic loader.
    target_link_options(celpack PRIVATE -static)
  endif()
endif()
set_target_properties(celpack PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})

install(TARGETS celpack RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
celpack_manual_page(celpack)
