# celkit edit: its server, Boost.Beast over Boost.Asio (header-only, through
# the boost link in celkit's include directory), and its page, set into one
# document and made into a C++ source at build time.
set(edit_page_dir ${CMAKE_CURRENT_SOURCE_DIR}/edit/page)
set(edit_page_source ${CMAKE_CURRENT_BINARY_DIR}/edit_page.cpp)
add_custom_command(OUTPUT ${edit_page_source}
  COMMAND ${CMAKE_COMMAND} -DHTML=${edit_page_dir}/edit.html -DCSS=${edit_page_dir}/edit.css
    -DJS=${edit_page_dir}/edit.js -DOUT=${edit_page_source}
    -P ${CMAKE_CURRENT_SOURCE_DIR}/edit/embed_page.cmake
  DEPENDS ${edit_page_dir}/edit.html ${edit_page_dir}/edit.css ${edit_page_dir}/edit.js
    ${CMAKE_CURRENT_SOURCE_DIR}/edit/embed_page.cmake
  COMMENT "Setting the edit page into celkit")
file(GLOB edit_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/edit/*.cpp)
target_sources(celkit PRIVATE ${edit_sources} ${edit_page_source})
set(edit_definitions BOOST_BEAST_USE_STD_STRING_VIEW)
if(WIN32)
  # Asio needs Windows 7's calls; Winsock, its extensions and the system's
  # random source are linked statically with the rest.
  list(APPEND edit_definitions _WIN32_WINNT=0x0601)
  target_link_libraries(celkit PRIVATE ws2_32 mswsock bcrypt)
else()
  find_package(Threads REQUIRED)
  target_link_libraries(celkit PRIVATE Threads::Threads)
endif()
set_source_files_properties(${edit_sources} PROPERTIES COMPILE_DEFINITIONS "${edit_definitions}")
