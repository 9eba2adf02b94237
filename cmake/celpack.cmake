# Build rules shared by every library and test program.

# Product code: no exceptions, no RTTI, no static constructors; it reaches
# the platform only through platform/platform.h.
set(CELPACK_WARNING_FLAGS -Wall -Wextra -Werror=return-type -Werror=implicit-fallthrough)
set(CELPACK_PRODUCT_FLAGS -fno-exceptions -fno-rtti -fno-threadsafe-statics
    ${CELPACK_WARNING_FLAGS})
# celkit is ordinary C++ with exceptions; it shares the warnings, as errors.
set(CELKIT_WARNINGS ${CELPACK_WARNING_FLAGS} -Werror)

# Both Windows programs: terminal-server aware, and ASLR and DEP on
# whatever the linker's default.
set(CELPACK_WIN32_LINK_FLAGS -Wl,--tsaware -Wl,--dynamicbase -Wl,--nxcompat)

option(CELPACK_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(CELPACK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

# celpack_library(NAME SOURCES... [DEPENDS libs...])
function(celpack_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${CELPACK_PRODUCT_FLAGS})
  if(ARG_DEPENDS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
  endif()
endfunction()

# celpack_test(NAME SOURCES... [DEPENDS libs...] [WINE_DISPLAY])
# One GoogleTest program, run by ctest; under Wine on the Windows build.
function(celpack_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(TARGET celpack_balance_check)
    target_link_libraries(${name} PRIVATE celpack_balance_check)
  endif()
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} celpack_test_support GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    CELPACK_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
    CELPACK_BINARY_DIR="${PROJECT_BINARY_DIR}")
  if(WIN32)
    target_link_options(${name} PRIVATE -static)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  celpack_test_environment(${name})
  if(ARG_LABELS)
    set_property(TEST ${name} APPEND PROPERTY LABELS ${ARG_LABELS})
  endif()
endfunction()

# Tests of the Windows build run under Wine in a prefix of the build tree,
# made once by the wine_prefix fixture before any of them starts.
function(celpack_test_environment test)
  if(WIN32)
    set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT
      "WINEPREFIX=${PROJECT_BINARY_DIR}/wineprefix"
      "WINEDEBUG=-all"
      "WINEDLLOVERRIDES=mscoree,mshtml=")
    set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED wine_prefix)
  endif()
endfunction()
