# GoogleTest from Debian's sources, built with this build's compiler, so the
# same test sources run natively and, cross-compiled, under Wine.
set(CELPACK_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${CELPACK_GOOGLETEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
if(NOT TARGET GTest::gtest_main)
  add_library(GTest::gtest_main ALIAS gtest_main)
endif()

if(WIN32)
  # A fresh Wine prefix takes seconds to make; make it once, first.
  add_test(NAME wine_prefix COMMAND wineboot -i)
  set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine_prefix
    ENVIRONMENT "WINEPREFIX=${PROJECT_BINARY_DIR}/wineprefix;WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=")
endif()
